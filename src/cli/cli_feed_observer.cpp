#include "cli/cli_feed_observer.h"

#include <CLI/CLI.hpp>
#include <cstdio>

#include "cli/cli_command.h"

namespace yarvelin::cli {

namespace {
constexpr long long kProgressEvery = 1 << 16;
}

void AddReplaceUnmappableFlag(CLI::App& command, bool& replace) {
    command.add_flag("--replace-unmappable", replace,
                     "read a UTF-8 feed although it holds characters that Windows-1252 cannot hold,\n"
                     "each of them as '?' (without it such a feed is refused)");
}

CCliFeedObserver::CCliFeedObserver(const char* command)
    : m_command(command), m_showProgress(StderrIsTerminal()) {}

CCliFeedObserver::~CCliFeedObserver() {
    ClearProgress();
}

void CCliFeedObserver::SetProgressPos(int /*pos*/) {
    ++m_lines;
    if (m_showProgress && m_lines % kProgressEvery == 0) {
        std::fprintf(stderr, "\r%lld lines read", m_lines);
        m_progressShown = true;
    }
}

void CCliFeedObserver::ClearProgress() {
    if (m_progressShown) {
        std::fputs("\r\033[K", stderr);
        m_progressShown = false;
    }
}

void CCliFeedObserver::ShowFileError(const std::string& text) {
    ClearProgress();
    PrintError(m_command, text);
    m_failed = true;
}

void CCliFeedObserver::ShowFormatError() {
    ClearProgress();
    PrintError(m_command, kFeedFormatErrorText);
    m_failed = true;
}

bool CCliFeedObserver::ConfirmUnmappable(const std::string& path, const FeedEncoding& encoding) {
    ClearProgress();
    std::fprintf(stderr,
                 "yarvelin-feed %s: %s is UTF-8 and holds %zu character(s) that Windows-1252 cannot hold:\n",
                 m_command, path.c_str(), encoding.unmappableCount);
    for (const UnmappableCharacter& c : encoding.unmappable) {
        std::fprintf(stderr, "  %s\n", DescribeUnmappable(c).c_str());
    }
    if (encoding.unmappableCount > encoding.unmappable.size()) {
        std::fprintf(stderr, "  and %zu more\n", encoding.unmappableCount - encoding.unmappable.size());
    }
    if (m_replaceUnmappable) {
        std::fprintf(stderr, "yarvelin-feed %s: each of them is read as '?'\n", m_command);
        return true;
    }
    std::fprintf(stderr,
                 "yarvelin-feed %s: nothing done; give --replace-unmappable to read each of them as '?'\n",
                 m_command);
    m_failed = true;
    return false;
}

void CCliFeedObserver::LineBreaksWritten(std::size_t values) {
    ClearProgress();
    std::fprintf(
        stderr, "yarvelin-feed %s: %zu value(s) held line breaks; each line break was written as one blank\n",
        m_command, values);
}

void CCliFeedObserver::QuotedHeaderAdded(std::size_t values) {
    ClearProgress();
    std::fprintf(
        stderr,
        "yarvelin-feed %s: %zu value(s) held a TAB, which only quotes can carry; the file was written "
        "with the header quoted=YES\n",
        m_command, values);
}

}  // namespace yarvelin::cli

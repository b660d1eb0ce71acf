#include "cli/cli_feed_observer.h"

#include <cstdio>

#include "cli/cli_command.h"

namespace yarvelin::cli {

namespace {
constexpr long long kProgressEvery = 1 << 16;
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

}  // namespace yarvelin::cli

// How the feed commands report: messages on standard error, a product count while a terminal watches.
#pragma once

#include <string>

#include "feed/feed_file_observer.h"

namespace CLI {
class App;
}

namespace yarvelin::cli {

// --replace-unmappable, for every command that reads a feed.
void AddReplaceUnmappableFlag(CLI::App& command, bool& replace);

class CCliFeedObserver : public CFeedFileObserver {
  public:
    explicit CCliFeedObserver(const char* command);
    ~CCliFeedObserver() override;

    void SetProgressPos(int pos) override;
    void SetStatusText(const std::string& text) override { m_status = text; }
    void ShowFileError(const std::string& text) override;
    void ShowFormatError() override;
    bool ConfirmUnmappable(const std::string& path, const FeedEncoding& encoding) override;
    void LineBreaksWritten(std::size_t values) override;
    void QuotedHeaderAdded(std::size_t values) override;

    // Read a UTF-8 feed although some of its characters become '?'.
    void SetReplaceUnmappable(bool replace) { m_replaceUnmappable = replace; }

    bool Failed() const { return m_failed; }
    const std::string& Status() const { return m_status; }

  private:
    void ClearProgress();

    const char* m_command;
    bool m_showProgress;
    bool m_progressShown = false;
    long long m_lines = 0;
    bool m_failed = false;
    bool m_replaceUnmappable = false;
    std::string m_status;
};

}  // namespace yarvelin::cli

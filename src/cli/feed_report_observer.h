// Loader and writer reports for the checking commands: errors go to standard error, as the program's own
// messages, and are remembered so the command can fail.
#pragma once

#include <cstdio>
#include <string>

#include "feed/feed_file.h"

namespace yarvelin::cli {

class CFeedReportObserver : public CFeedFileObserver {
  public:
    void ShowFileError(const std::string& text) override {
        std::fprintf(stderr, "yarvelin-feed: %s\n", text.c_str());
        m_failed = true;
    }
    void ShowFormatError() override {
        std::fputs("yarvelin-feed: File is corrupt or it is of a different format\n", stderr);
        m_failed = true;
    }
    bool Failed() const { return m_failed; }

  private:
    bool m_failed = false;
};

}  // namespace yarvelin::cli

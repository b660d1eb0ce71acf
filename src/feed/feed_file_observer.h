// Where the feed readers and writers report: the start page's progress bar and status line and message
// boxes in the wizard, standard error in yarvelin-feed.
#pragma once

#include <cstddef>
#include <string>

#include "feed/feed_encoding.h"

namespace yarvelin {

class CFeedFileObserver {
  public:
    virtual ~CFeedFileObserver() = default;
    virtual void SetProgressRange(int /*lower*/, int /*upper*/) {}
    virtual void SetProgressPos(int /*pos*/) {}
    virtual void SetStatusText(const std::string& /*text*/) {}
    // A file error: caption kAppTitle, exclamation icon, OK.
    virtual void ShowFileError(const std::string& text) = 0;
    // The empty-file report: "File is corrupt or it is of a different format", caption "File Format Error",
    // information icon, OK.
    virtual void ShowFormatError() = 0;
    // Before a UTF-8 file whose products hold characters that Windows-1252 cannot hold is read: true to
    // read it with each such character as '?', false to leave everything as it was.
    virtual bool ConfirmUnmappable(const std::string& /*path*/, const FeedEncoding& /*encoding*/) {
        return false;
    }
    // After a write: values whose line breaks were written as blanks (none: not called).
    virtual void LineBreaksWritten(std::size_t /*values*/) {}
    // After a write that had to add quoted=YES (and the header block, if none was chosen) because values
    // hold TABs (none, or the choices already said so: not called).
    virtual void QuotedHeaderAdded(std::size_t /*values*/) {}
};

// Reports nothing: for reads and writes whose caller only needs to know whether they worked.
class CQuietFeedFileObserver : public CFeedFileObserver {
  public:
    void ShowFileError(const std::string& /*text*/) override {}
    void ShowFormatError() override {}
};

inline constexpr const char* kFeedFormatErrorText = "File is corrupt or it is of a different format";
inline constexpr const char* kFeedFormatErrorCaption = "File Format Error";
inline constexpr const char* kFeedLoadedText = "File opened and succesfully loaded. Press NEXT to continue.";

}  // namespace yarvelin

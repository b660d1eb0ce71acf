// The feed file: loading it into the document and writing the document out.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "records/other_record.h"

namespace yarvelin {

class CFeedDocument;
class CYarvelinApp;

// Where the loader and writer report: the start page's progress bar and status line, and message boxes.
class CFeedFileObserver {
  public:
    virtual ~CFeedFileObserver() = default;
    virtual void SetProgressRange(int /*lower*/, int /*upper*/) {}
    virtual void SetProgressPos(int /*pos*/) {}
    virtual void SetStatusText(const std::string& /*text*/) {}
    // A file error: caption "Yarvelin1.0", exclamation icon, OK.
    virtual void ShowFileError(const std::string& text) = 0;
    // The empty-file report: "File is corrupt or it is of a different format", caption "File Format Error",
    // information icon, OK.
    virtual void ShowFormatError() = 0;
};

// The four header choices of the writer.
struct FeedHeaderChoices {
    bool includeHeaders = false;
    bool htmlEscaped = false;
    bool updatesOnly = false;
    bool quoted = false;
};

// Reads the file at path into app.m_document (recent list updated unless path is one of the samples).
void LoadFeedFile(CYarvelinApp& app, const std::string& path, CFeedFileObserver& observer);
// Writes the document's records to path; false (after reporting) when nothing was saved.
bool WriteFeedFile(const CFeedDocument& doc, const std::string& path, const FeedHeaderChoices& choices,
                   CFeedFileObserver& observer);

std::optional<std::string> ParseHeaderValue(const std::string& line, const std::string& key);
std::vector<std::string> SplitFeedLine(const std::string& line);
std::string BuildColumnLine(bool basicFormat);
std::string FormatRecordLine(const COtherRecord& record, bool basicFormat);
std::string QuoteDescriptiveText(const std::string& text);

}  // namespace yarvelin

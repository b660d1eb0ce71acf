// The feed file: loading it into the document and writing the document out.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
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

inline constexpr const char* kFeedFormatErrorText = "File is corrupt or it is of a different format";
inline constexpr const char* kFeedFormatErrorCaption = "File Format Error";
inline constexpr const char* kFeedLoadedText = "File opened and succesfully loaded. Press NEXT to continue.";

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

// The same rules without building intermediate texts, for the loader's and writer's hot loops.
// Splits line straight into the record's columns (fields beyond the twentieth dropped, missing ones
// emptied); gives the number of fields the line holds.
std::size_t SplitFeedLineInto(std::string_view line, COtherRecord& record);
void AppendRecordLine(std::string& out, const COtherRecord& record, bool basicFormat);
void AppendQuotedDescriptiveText(std::string& out, std::string_view text);

// The four header lines of the writer (without a line break after the last), or nothing.
std::string BuildHeaderBlock(const FeedHeaderChoices& choices);

// Reads in and writes out record by record, with the loader's and the writer's rules, so that converting
// a file of any size needs memory for one product only. Reports like LoadFeedFile and WriteFeedFile;
// false when out was not written (an earlier file at out stays as it was).
bool ConvertFeedFile(const std::string& in, const std::string& out, const FeedHeaderChoices& choices,
                     bool basicFormat, CFeedFileObserver& observer);

// What a file carries before its products: the header values it gives (empty when it gives none) and the
// number of fields of its column line (0 when it has none).
struct FeedFileStart {
    std::string htmlEscaped;
    std::string updatesOnly;
    std::string productType;
    std::string quoted;
    std::size_t columnLineFields = 0;
};

// Streams the products of a file with the loader's rules, one record at a time, without keeping any:
// onStart once the header and column lines are read, then onProduct(record, line, fields) for each product
// with its 1-based line and the number of fields its line split into. Reports like LoadFeedFile; false when
// the file could not be read to its end.
bool ReadFeedProducts(const std::string& path, CFeedFileObserver& observer,
                      const std::function<void(const FeedFileStart&)>& onStart,
                      const std::function<void(const COtherRecord&, long long, std::size_t)>& onProduct);

}  // namespace yarvelin

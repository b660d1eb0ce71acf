// The feed file: loading it into the document and writing the document out.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "feed/feed_encoding.h"
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
// Every column is written so that SplitFeedLine gives the value back: a value holding a TAB is enclosed in
// quotes, a literal quote is written as three quotes (as the pair that ends quotes, inside them), and each
// CR LF, CR or LF becomes one blank, since no line can hold a line break. Anything else is written as is.
std::string QuoteDescriptiveText(const std::string& text);
// A written file holds Windows-1252 and must not read back as UTF-8 (see feed_encoding.h). Until the
// file holds a byte above 0x7F, the guard watches: when the first such byte starts what UTF-8 would read
// as one character, that sequence is split by quotes that read back as nothing, so the file can no
// longer be valid UTF-8. One guard lasts for one file.
struct Cp1252Guard {
    bool settled = false;
};
// Gives true when line breaks were written as blanks.
bool AppendFeedField(std::string& out, std::string_view text, Cp1252Guard* guard = nullptr);

// Line breaks in values: CR LF, CR or LF each become one blank.
bool HasLineBreak(std::string_view text);
std::string FlattenLineBreaks(std::string_view text);
// How many of the record's written values hold a line break.
std::size_t CountValuesWithLineBreaks(const COtherRecord& record, bool basicFormat);
// The same for every record the document writes, in its format.
std::size_t CountValuesWithLineBreaks(const CFeedDocument& doc);
// What the user is told before such a document is written.
std::string LineBreaksNotice(std::size_t values);

// A value holding a TAB can only be written between quotes, and then the file must say quoted=YES: a reader
// that takes the file as unquoted splits at that TAB and finds one field too many.
bool HasTab(std::string_view text);
std::size_t CountValuesWithTabs(const COtherRecord& record, bool basicFormat);
std::size_t CountValuesWithTabs(const CFeedDocument& doc);
// The header choices a file holding tabValues such values is written with: unchanged when there are none
// or the choices already say quoted=YES; otherwise quoted=YES, and when no header block was chosen, one
// with the values a file without headers stands for (html_escaped=NO, updates_only=NO).
FeedHeaderChoices HeaderChoicesForValues(const FeedHeaderChoices& chosen, std::size_t tabValues);
// What the user is told before such a document is written with headers other than the chosen ones.
std::string QuotedHeaderNotice(std::size_t values);

// The same rules without building intermediate texts, for the loader's and writer's hot loops.
// Splits line straight into the record's columns (fields beyond the twentieth dropped, missing ones
// emptied); gives the number of fields the line holds.
std::size_t SplitFeedLineInto(std::string_view line, COtherRecord& record);
// Gives the number of values whose line breaks were written as blanks.
std::size_t AppendRecordLine(std::string& out, const COtherRecord& record, bool basicFormat,
                             Cp1252Guard* guard = nullptr);
void AppendQuotedDescriptiveText(std::string& out, std::string_view text);

// The four header lines of the writer (without a line break after the last), or nothing.
std::string BuildHeaderBlock(const FeedHeaderChoices& choices);

// How the file at path is encoded (see feed_encoding.h), with the characters of its products that
// Windows-1252 cannot hold. The loader and the converter read a UTF-8 file converted to Windows-1252.
FeedEncoding ScanFeedEncoding(const std::string& path);

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

#include "feed/feed_file.h"

#include <algorithm>
#include <cerrno>
#include <new>
#include <optional>
#include <string_view>
#include <utility>

#include "app/feed_document.h"
#include "feed/feed_file_writer.h"
#include "feed/feed_line_reader.h"
#include "feed/file_error.h"
#include "records/cp1252.h"

namespace yarvelin {

namespace {

// Report through the observer, keeping a failed read apart from memory running out.
void ReportReadError(CFeedFileObserver& observer, int err, const std::string& path) {
    observer.ShowFileError(
        FileErrorText(err == ENOMEM ? FileErrorCause::kOutOfMemory : FileErrorCause::kGeneric, path));
}

enum class StartResult { kData, kEmpty, kHeadersOnly, kReadError };

// Reads the optional header block and the column line into start (nullptr: not wanted). Every line it
// reads is shown to detector, when given.
StartResult ReadFeedStart(CFeedLineReader& reader, FeedFileStart* start, bool& firstLineRead,
                          CUtf8Detector* detector = nullptr) {
    std::string_view line;
    firstLineRead = false;
    auto status = reader.Next(line);
    if (status == CFeedLineReader::Status::kError) {
        return StartResult::kReadError;
    }
    if (status == CFeedLineReader::Status::kEnd) {
        return StartResult::kEmpty;
    }
    firstLineRead = true;
    if (detector != nullptr) {
        detector->Feed(line);
    }
    std::string* const values[kHeaderCount] = {
        start ? &start->htmlEscaped : nullptr, start ? &start->updatesOnly : nullptr,
        start ? &start->productType : nullptr, start ? &start->quoted : nullptr};
    for (int i = 0; i < kHeaderCount; ++i) {
        if (!NamesHeader(line, i)) {
            continue;
        }
        if (values[i] != nullptr) {
            if (auto value = HeaderValue(line, i)) {
                *values[i] = std::move(*value);
            }
        }
        status = reader.Next(line);
        if (status == CFeedLineReader::Status::kError) {
            return StartResult::kReadError;
        }
        if (status == CFeedLineReader::Status::kEnd) {
            return StartResult::kHeadersOnly;
        }
        if (detector != nullptr) {
            detector->Feed(line);
        }
    }
    // line is the column line; columns are taken by position, so the readers only count its fields.
    if (start != nullptr) {
        start->columnLineFields = SplitFeedLine(std::string(line)).size();
    }
    return StartResult::kData;
}

// Most texts are plain ASCII and read the same either way; only the others are looked at.
bool BeyondAscii(std::string_view text) {
    return std::any_of(text.begin(), text.end(), [](char c) { return (c & 0x80) != 0; });
}

// Converts the record's texts from UTF-8 when the file is UTF-8.
void ConvertRecord(COtherRecord& record, const FeedEncoding& encoding) {
    if (!encoding.utf8) {
        return;
    }
    for (int k = 0; k < kColumnCount; ++k) {
        const std::string_view text = record.Field(k);
        if (BeyondAscii(text)) {
            std::string converted(text);
            Utf8ToCp1252(converted);
            record.SetField(k, converted);
        }
    }
}

// Lists the characters of a UTF-8 product that Windows-1252 cannot hold (product counts from 1).
void ListUnmappable(const COtherRecord& record, std::size_t product, FeedEncoding& encoding) {
    for (int k = 0; k < kColumnCount; ++k) {
        const std::string_view text = record.Field(k);
        if (!BeyondAscii(text)) {
            continue;
        }
        for (std::size_t pos = 0; pos < text.size();) {
            const std::size_t start = pos;
            const char32_t cp = NextUtf8CodePoint(text, pos);
            if (Cp1252FromCodePoint(cp) >= 0) {
                continue;
            }
            ++encoding.unmappableCount;
            if (encoding.unmappable.size() < FeedEncoding::kListed) {
                encoding.unmappable.push_back({product, k, cp, std::string(text.substr(start, pos - start))});
            }
        }
    }
}

// Opens a feed for reading and settles how its bytes are read. Empty when reading stops here: the file
// cannot be opened (the error is shown) or the user did not accept its characters that Windows-1252
// cannot hold.
std::optional<FeedEncoding> OpenFeed(CFeedLineReader& reader, const std::string& path,
                                     CFeedFileObserver& observer) {
    if (const int err = reader.Open(path); err != 0) {
        observer.ShowFileError(FileErrorText(FileErrorCauseForOpen(err, path), path));
        return std::nullopt;
    }
    FeedEncoding encoding = ScanFeedEncoding(path);
    if (encoding.unmappableCount > 0 && !observer.ConfirmUnmappable(path, encoding)) {
        return std::nullopt;
    }
    return encoding;
}

// Every line that is not needed: all of them are.
struct EveryLine {
    bool operator()(std::string_view) const { return true; }
};

// The one loop over a feed's product lines, after its start: progress, read errors, the split and the
// encoding. onProduct(record, line, fields) is called for each product and gives false to stop (a write
// failed, after reporting). wanted(line) may pass over lines the caller does not need before they are
// split. Gives false when the end was not reached. A failed read is reported, or left in failedRead (its
// errno) for the caller to report later.
template <typename OnProduct, typename Wanted = EveryLine>
bool ReadProductLines(CFeedLineReader& reader, const std::string& path, const FeedEncoding& encoding,
                      CFeedFileObserver& observer, OnProduct&& onProduct, Wanted wanted = {},
                      int* failedRead = nullptr) {
    COtherRecord record;
    std::string_view line;
    observer.SetProgressRange(0, 100);
    int pos = 0;
    for (;;) {
        const auto status = reader.Next(line);
        if (status == CFeedLineReader::Status::kEnd) {
            return true;
        }
        if (status == CFeedLineReader::Status::kError) {
            if (failedRead != nullptr) {
                *failedRead = reader.Error() != 0 ? reader.Error() : EIO;
            } else {
                ReportReadError(observer, reader.Error(), path);
            }
            return false;
        }
        pos = pos >= 100 ? 0 : pos + 1;
        observer.SetProgressPos(pos);
        if (!wanted(line)) {
            continue;
        }
        const std::size_t fields = SplitFeedLine(line, record);
        if (fields == 0) {
            continue;  // an empty line is no product
        }
        ConvertRecord(record, encoding);
        if (!onProduct(record, reader.LineNumber(), fields)) {
            return false;
        }
    }
}

// Opens path and reads its start, reporting what ends the read there. Empty when nothing more is to be
// read; otherwise the encoding, with the start's result (kData or kHeadersOnly).
struct OpenedFeed {
    FeedEncoding encoding;
    StartResult start = StartResult::kData;
};
std::optional<OpenedFeed> OpenAndReadStart(CFeedLineReader& reader, const std::string& path,
                                           CFeedFileObserver& observer, FeedFileStart* start,
                                           bool* opened = nullptr, bool* firstLineRead = nullptr) {
    std::optional<FeedEncoding> encoding = OpenFeed(reader, path, observer);
    if (!encoding) {
        return std::nullopt;
    }
    if (opened != nullptr) {
        *opened = true;
    }
    bool firstLine = false;
    const StartResult result = ReadFeedStart(reader, start, firstLine);
    if (firstLineRead != nullptr) {
        *firstLineRead = firstLine;
    }
    switch (result) {
        case StartResult::kEmpty:
            observer.ShowFormatError();
            return std::nullopt;
        case StartResult::kReadError:
            ReportReadError(observer, reader.Error(), path);
            return std::nullopt;
        case StartResult::kHeadersOnly:
        case StartResult::kData:
            break;
    }
    return OpenedFeed{std::move(*encoding), result};
}

void WriteStart(CFeedFileWriter& writer, const FeedHeaderChoices& choices, bool basicFormat) {
    std::string& out = writer.Buffer();
    if (choices.includeHeaders) {
        out += BuildHeaderBlock(choices);
        out += "\r\n";
    }
    out += BuildColumnLine(basicFormat);
}

// One product line after the lines before it; false when writing out the full buffer failed.
bool AddProductLine(CFeedFileWriter& writer, const COtherRecord& record, bool basicFormat, Cp1252Guard& guard,
                    std::size_t& lineBreaks) {
    std::string& out = writer.Buffer();
    out += "\r\n";
    lineBreaks += FormatRecordLine(out, record, basicFormat, &guard);
    return writer.FlushIfFull();
}

// Puts the finished file in place, then says how many values had their line breaks written as blanks and
// whether quoted=YES had to be added for values holding TABs.
bool FinishFeed(CFeedFileWriter& writer, std::size_t lineBreaks, std::size_t addedQuotedFor,
                CFeedFileObserver& observer) {
    if (!writer.Commit()) {
        return false;
    }
    if (lineBreaks > 0) {
        observer.LineBreaksWritten(lineBreaks);
    }
    if (addedQuotedFor > 0) {
        observer.QuotedHeaderAdded(addedQuotedFor);
    }
    return true;
}

// The number of values holding TABs when that changes the header choices, else 0.
std::size_t QuotedHeaderNeededFor(const FeedHeaderChoices& chosen, std::size_t tabValues) {
    return (chosen.includeHeaders && chosen.quoted) ? 0 : tabValues;
}

// Counts the values of the file's products that hold a TAB (the columns written in the chosen format).
// Only a line holding a quote can carry one; false (after reporting) when the file could not be read.
bool CountFileValuesWithTabs(const std::string& path, bool basicFormat, std::size_t& count,
                             CFeedFileObserver& observer, const ProductTransform& transform) {
    count = 0;
    CFeedLineReader reader;
    if (const int err = reader.Open(path); err != 0) {
        observer.ShowFileError(FileErrorText(FileErrorCauseForOpen(err, path), path));
        return false;
    }
    bool firstLineRead = false;
    if (ReadFeedStart(reader, nullptr, firstLineRead) != StartResult::kData) {
        return true;  // the read that follows reports it
    }
    const auto holdsQuote = [](std::string_view line) { return line.find('"') != std::string_view::npos; };
    return ReadProductLines(
        reader, path, FeedEncoding{}, observer,
        [&](COtherRecord& record, long long, std::size_t) {
            if (transform && !transform(record)) {
                return true;
            }
            count += CountValuesWithTabs(record, basicFormat);
            return true;
        },
        holdsQuote);
}

// The wizard's read of the product lines: split as the bytes stand, every line shown to detector. Gives 0
// at the end of the file, or the errno of a failed read; memory running out ends the read as ENOMEM. The
// records read until then are kept either way.
int ReadRawProducts(CFeedLineReader& reader, const std::string& path, CUtf8Detector& detector,
                    CFeedFileObserver& observer, CFeedDocument::RecordList& records) try {
    int failedRead = 0;
    ReadProductLines(
        reader, path, FeedEncoding{}, observer,
        [&records](COtherRecord& record, long long, std::size_t) {
            records.push_back(std::move(record));
            return true;
        },
        [&detector](std::string_view line) {
            detector.Feed(line);  // once the file cannot be UTF-8 this returns at once
            return true;
        },
        &failedRead);
    return failedRead;
} catch (const std::bad_alloc&) {
    return ENOMEM;
}

// The read products of a file that turned out to be UTF-8: what Windows-1252 cannot hold is listed, then
// the texts are converted.
void ConvertLoadedRecords(CFeedDocument::RecordList& records, FeedEncoding& encoding) {
    for (std::size_t i = 0; i < records.size(); ++i) {
        ListUnmappable(records[i], i + 1, encoding);
        ConvertRecord(records[i], encoding);
    }
}

}  // namespace

FeedEncoding ScanFeedEncoding(const std::string& path) {
    FeedEncoding encoding;
    CFeedLineReader reader;
    if (reader.Open(path) != 0) {
        return encoding;  // the read that follows reports it
    }
    CUtf8Detector detector;
    bool firstLineRead = false;
    if (ReadFeedStart(reader, nullptr, firstLineRead, &detector) != StartResult::kData) {
        encoding.utf8 = detector.IsUtf8();
        encoding.byteOrderMark = detector.HasByteOrderMark();
        return encoding;
    }
    // Not a product loop: this one looks at the bytes before any split, and stops at the first line
    // that is not UTF-8.
    std::size_t product = 0;
    std::string_view line;
    while (reader.Next(line) == CFeedLineReader::Status::kLine) {
        if (!detector.Feed(line)) {
            return FeedEncoding{};  // not UTF-8: read byte for byte
        }
        if (line.empty()) {
            continue;  // an empty line is no product
        }
        ++product;
        if (detector.LastLineUnmappable()) {
            COtherRecord record;
            SplitFeedLine(line, record);
            ListUnmappable(record, product, encoding);
        }
    }
    if (!detector.IsUtf8()) {
        return FeedEncoding{};
    }
    encoding.utf8 = true;
    encoding.byteOrderMark = detector.HasByteOrderMark();
    return encoding;
}

FeedLoadResult LoadFeedFile(CFeedDocument& doc, const std::string& path, CFeedFileObserver& observer) {
    // One read of the file: every line goes past the UTF-8 detector while the products are split as their
    // bytes stand, and the texts are converted only once the whole file has turned out to be UTF-8. The
    // observer sees what a scan before the read would give it: the question about characters
    // Windows-1252 cannot hold comes before the feed is replaced, and a refusal leaves it as it was.
    FeedLoadResult result;
    CFeedLineReader reader;
    try {
        if (const int err = reader.Open(path); err != 0) {
            observer.ShowFileError(FileErrorText(FileErrorCauseForOpen(err, path), path));
            return result;
        }
        CUtf8Detector detector;
        FeedFileStart start;
        bool firstLineRead = false;
        const StartResult startResult = ReadFeedStart(reader, &start, firstLineRead, &detector);
        CFeedDocument::RecordList records;
        int readError = 0;
        if (startResult == StartResult::kData) {
            readError = ReadRawProducts(reader, path, detector, observer, records);
        }
        FeedEncoding encoding;
        if (detector.IsUtf8()) {
            encoding.utf8 = true;
            encoding.byteOrderMark = detector.HasByteOrderMark();
            ConvertLoadedRecords(records, encoding);
        }
        if (encoding.unmappableCount > 0 && !observer.ConfirmUnmappable(path, encoding)) {
            return result;
        }
        result.opened = true;
        // A file with at least one line replaces the open feed, state and all (a header value the file
        // does not carry is the default again); it is named after the file only once the whole file is
        // in, so a later backup never overwrites a file with other content.
        if (firstLineRead) {
            doc.StartNewFeed();
            doc.SetHeaders({start.htmlEscaped, start.updatesOnly, start.productType, start.quoted});
        }
        switch (startResult) {
            case StartResult::kEmpty:
                observer.ShowFormatError();
                return result;
            case StartResult::kReadError:
                ReportReadError(observer, reader.Error(), path);
                return result;
            case StartResult::kHeadersOnly:
                return result;
            case StartResult::kData:
                break;
        }
        doc.AppendLoadedRecords(std::move(records));
        if (readError != 0) {
            ReportReadError(observer, readError, path);
            return result;
        }
        observer.SetProgressPos(100);
        observer.SetStatusText(kFeedLoadedText);
        doc.NoteLoadedFrom(path);
        result.loaded = true;
    } catch (const std::bad_alloc&) {
        observer.ShowFileError(FileErrorText(FileErrorCause::kOutOfMemory, path));
    }
    return result;
}

FeedHeaderChoices HeaderChoicesForDocument(const FeedHeaderChoices& chosen, const CFeedDocument& doc) {
    return HeaderChoicesForEscapes(chosen, HeaderValueMeansYes(doc.Headers().htmlEscaped));
}

FeedHeaderChoices HeaderChoicesOfFile(const std::string& path) {
    CFeedLineReader reader;
    CQuietFeedFileObserver quiet;
    FeedFileStart start;
    FeedHeaderChoices choices;
    if (!OpenAndReadStart(reader, path, quiet, &start)) {
        return choices;
    }
    choices.htmlEscaped = HeaderValueMeansYes(start.htmlEscaped);
    choices.updatesOnly = HeaderValueMeansYes(start.updatesOnly);
    choices.quoted = HeaderValueMeansYes(start.quoted);
    choices.includeHeaders = !start.htmlEscaped.empty() || !start.updatesOnly.empty() ||
                             !start.productType.empty() || !start.quoted.empty();
    return choices;
}

bool WriteFeedFile(const CFeedDocument& doc, const std::string& path, const FeedHeaderChoices& choices,
                   CFeedFileObserver& observer) {
    CFeedFileWriter writer(observer);
    try {
        if (!writer.Open(path)) {
            return false;
        }
        const std::size_t tabValues = CountValuesWithTabs(doc);
        WriteStart(writer, HeaderChoicesForValues(choices, tabValues), doc.IsBasicFormat());
        std::size_t lineBreaks = 0;
        Cp1252Guard guard;
        for (const COtherRecord& record : doc.Records()) {
            if (!AddProductLine(writer, record, doc.IsBasicFormat(), guard, lineBreaks)) {
                return false;
            }
        }
        return FinishFeed(writer, lineBreaks, QuotedHeaderNeededFor(choices, tabValues), observer);
    } catch (const std::bad_alloc&) {
        writer.Abort();
        observer.ShowFileError(FileErrorText(FileErrorCause::kOutOfMemory, path));
        return false;
    }
}

bool ConvertFeedFile(const std::string& in, const std::string& out, const FeedHeaderChoices& choices,
                     bool basicFormat, CFeedFileObserver& observer) {
    return ConvertFeedFile(in, out, choices, basicFormat, observer, ProductTransform());
}

bool ConvertFeedFile(const std::string& in, const std::string& out, const FeedHeaderChoices& chosen,
                     bool basicFormat, CFeedFileObserver& observer, const ProductTransform& transform) {
    CFeedLineReader reader;
    try {
        FeedFileStart start;
        const std::optional<OpenedFeed> opened = OpenAndReadStart(reader, in, observer, &start);
        if (!opened) {
            return false;
        }
        // Escapes the file announced stay announced, or the service would show them as codes.
        const FeedHeaderChoices choices =
            HeaderChoicesForEscapes(chosen, HeaderValueMeansYes(start.htmlEscaped));
        // The header block comes first, so values holding TABs are counted before anything is written.
        std::size_t tabValues = 0;
        if (!CountFileValuesWithTabs(in, basicFormat, tabValues, observer, transform)) {
            return false;
        }
        // The output is created only now, so that a file the loader refuses leaves no trace.
        CFeedFileWriter writer(observer);
        if (!writer.Open(out)) {
            return false;
        }
        WriteStart(writer, HeaderChoicesForValues(choices, tabValues), basicFormat);
        std::size_t lineBreaks = 0;
        Cp1252Guard guard;
        bool writeFailed = false;
        const bool complete =
            opened->start == StartResult::kHeadersOnly ||
            ReadProductLines(
                reader, in, opened->encoding, observer, [&](COtherRecord& record, long long, std::size_t) {
                    if (transform && !transform(record)) {
                        return true;
                    }
                    writeFailed = !AddProductLine(writer, record, basicFormat, guard, lineBreaks);
                    return !writeFailed;
                });
        if (!complete) {
            if (!writeFailed) {
                writer.Abort();
            }
            return false;
        }
        return FinishFeed(writer, lineBreaks, QuotedHeaderNeededFor(choices, tabValues), observer);
    } catch (const std::bad_alloc&) {
        observer.ShowFileError(FileErrorText(FileErrorCause::kOutOfMemory, in));
        return false;
    }
}

bool ReadFeedProducts(const std::string& path, CFeedFileObserver& observer,
                      const std::function<void(const FeedFileStart&)>& onStart,
                      const std::function<void(const COtherRecord&, long long, std::size_t)>& onProduct) {
    CFeedLineReader reader;
    try {
        FeedFileStart start;
        const std::optional<OpenedFeed> opened = OpenAndReadStart(reader, path, observer, &start);
        if (!opened) {
            return false;
        }
        start.utf8 = opened->encoding.utf8;
        onStart(start);
        return opened->start == StartResult::kHeadersOnly ||
               ReadProductLines(reader, path, opened->encoding, observer,
                                [&onProduct](const COtherRecord& record, long long line, std::size_t fields) {
                                    onProduct(record, line, fields);
                                    return true;
                                });
    } catch (const std::bad_alloc&) {
        observer.ShowFileError(FileErrorText(FileErrorCause::kOutOfMemory, path));
        return false;
    }
}

CFeedStreamWriter::CFeedStreamWriter(CFeedFileObserver& observer) : m_observer(observer) {}

CFeedStreamWriter::~CFeedStreamWriter() = default;

bool CFeedStreamWriter::Open(const std::string& path, const FeedHeaderChoices& choices, bool basicFormat,
                             std::size_t tabValues) {
    m_writer = std::make_unique<CFeedFileWriter>(m_observer);
    if (!m_writer->Open(path)) {
        return false;
    }
    m_open = true;
    m_choices = choices;
    m_basicFormat = basicFormat;
    m_tabValues = tabValues;
    WriteStart(*m_writer, HeaderChoicesForValues(choices, tabValues), basicFormat);
    return true;
}

bool CFeedStreamWriter::Add(const COtherRecord& record) {
    return AddProductLine(*m_writer, record, m_basicFormat, m_guard, m_lineBreaks);
}

bool CFeedStreamWriter::Commit() {
    return FinishFeed(*m_writer, m_lineBreaks, QuotedHeaderNeededFor(m_choices, m_tabValues), m_observer);
}

std::size_t CountValuesWithLineBreaks(const CFeedDocument& doc) {
    std::size_t n = 0;
    for (const COtherRecord& record : doc.Records()) {
        n += CountValuesWithLineBreaks(record, doc.IsBasicFormat());
    }
    return n;
}

std::size_t CountValuesWithTabs(const CFeedDocument& doc) {
    std::size_t n = 0;
    for (const COtherRecord& record : doc.Records()) {
        n += CountValuesWithTabs(record, doc.IsBasicFormat());
    }
    return n;
}

}  // namespace yarvelin

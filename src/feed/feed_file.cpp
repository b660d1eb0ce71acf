#include "feed/feed_file.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <memory>
#include <new>
#include <tuple>
#include <utility>

#include "app/feed_document.h"
#include "app/yarvelin_app.h"
#include "feed/feed_encoding.h"
#include "feed/feed_file_writer.h"
#include "feed/feed_line_reader.h"
#include "feed/file_error.h"
#include "records/cp1252.h"
#include "records/text_util.h"

namespace yarvelin {

namespace {

constexpr const char* kHeaderKeys[4] = {"html_escaped", "updates_only", "product_type", "quoted"};

// The bytes that keep a value from being written as it is.
constexpr std::array<bool, 256> kNeedsEncoding = [] {
    std::array<bool, 256> t{};
    t['"'] = t['\t'] = t['\r'] = t['\n'] = true;
    return t;
}();
constexpr std::array<bool, 256> kNeedsEncodingOrHigh = [] {
    std::array<bool, 256> t = kNeedsEncoding;
    for (int c = 0x80; c < 0x100; ++c) {
        t[static_cast<std::size_t>(c)] = true;
    }
    return t;
}();

// The first c in [p, end), or end.
inline const char* FindByte(const char* p, const char* end, char c) {
    const void* found = std::memchr(p, c, static_cast<std::size_t>(end - p));
    return found != nullptr ? static_cast<const char*>(found) : end;
}

// The record's twenty texts in column order, without a call per column.
template <typename Record>
auto Columns(Record& r) {
    auto& q = r.m_required;
    auto& o = r.m_optional;
    return std::array{&q.product_url, &q.name,         &q.description, &q.price,
                      &q.image_url,   &q.category,     &q.offer_id,    &o.instock,
                      &o.shipping,    &o.brand,        &o.upc,         &o.color,
                      &o.size,        &o.quantity,     &o.product_id,  &o.manufacturer_id,
                      &o.exp_date,    &o.product_type, &o.delete_,     &o.currency};
}
static_assert(std::tuple_size_v<decltype(Columns(std::declval<COtherRecord&>()))> == kColumnCount);

// Splits line at TABs outside double quotes and hands field k to fieldAt(k), which gives the text to fill
// or nullptr to drop it. Gives the number of fields.
template <typename FieldAt>
std::size_t SplitLine(std::string_view line, FieldAt&& fieldAt) {
    if (line.empty()) {
        return 0;
    }
    const char* p = line.data();
    const char* const end = p + line.size();
    // Most lines hold no quote at all: one look for it, then every field is a plain copy up to its TAB.
    const char* nextQuote = FindByte(p, end, '"');
    std::size_t k = 0;
    for (;;) {
        std::string* field = fieldAt(k);
        if (field != nullptr) {
            field->clear();
        }
        // Fast path: a field without quotes is copied in one piece.
        const char* fieldEnd = FindByte(p, end, '\t');
        if (nextQuote >= fieldEnd) {
            if (field != nullptr) {
                field->assign(p, static_cast<std::size_t>(fieldEnd - p));
            }
            p = fieldEnd;
        } else {
            bool quoted = false;
            const char* run = p;
            auto flush = [&](const char* upTo) {
                if (field != nullptr && upTo > run) {
                    field->append(run, static_cast<std::size_t>(upTo - run));
                }
            };
            while (p < end) {
                const char c = *p;
                if (c == '"') {
                    flush(p);
                    if (!quoted) {
                        quoted = true;
                        ++p;
                    } else if (p + 1 < end && p[1] == '"') {
                        // A doubled quote inside quotes is one literal quote and closes the quotes.
                        if (field != nullptr) {
                            field->push_back('"');
                        }
                        quoted = false;
                        p += 2;
                    } else {
                        quoted = false;
                        ++p;
                    }
                    run = p;
                } else if (c == '\t' && !quoted) {
                    break;
                } else {
                    ++p;
                }
            }
            flush(p);
            nextQuote = FindByte(p, end, '"');
        }
        ++k;
        if (p == end) {
            return k;
        }
        ++p;  // the TAB
        if (p == end) {
            return k;  // a TAB at the end starts no further field
        }
    }
}

bool ContainsHeaderKey(std::string_view line, const std::string& noBlank, const std::string& withBlank) {
    return line.find(noBlank) != std::string_view::npos || line.find(withBlank) != std::string_view::npos;
}

// Report through the observer, keeping a failed read apart from memory running out.
void ReportReadError(CFeedFileObserver& observer, int err, const std::string& path) {
    observer.ShowFileError(
        FileErrorText(err == ENOMEM ? FileErrorCause::kOutOfMemory : FileErrorCause::kGeneric, path));
}

enum class StartResult { kData, kEmpty, kHeadersOnly, kReadError };

// Reads the optional header block and the column line. headerValues[i] receives the value of header i
// when the file carries a valid one (nullptr: not wanted).
// Every line it reads is shown to detector, when given; columnLine, when given, receives the column line.
StartResult ReadFeedStart(CFeedLineReader& reader, std::string* const headerValues[4], bool& firstLineRead,
                          CUtf8Detector* detector = nullptr, std::string* columnLine = nullptr) {
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
    for (int i = 0; i < 4; ++i) {
        const std::string noBlank = std::string("#") + kHeaderKeys[i];
        const std::string withBlank = std::string("# ") + kHeaderKeys[i];
        if (!ContainsHeaderKey(line, noBlank, withBlank)) {
            continue;
        }
        const std::string text(line);
        auto value = ParseHeaderValue(text, noBlank);
        if (!value) {
            value = ParseHeaderValue(text, withBlank);
        }
        if (value && headerValues[i] != nullptr) {
            *headerValues[i] = *value;
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
    // line is the column line; columns are taken by position, so the loader does not look at it.
    if (columnLine != nullptr) {
        columnLine->assign(line);
    }
    return StartResult::kData;
}

// Converts the record's texts from UTF-8 when the file is UTF-8.
void ConvertRecord(COtherRecord& record, const FeedEncoding& encoding) {
    if (!encoding.utf8) {
        return;
    }
    for (std::string* field : Columns(record)) {
        Utf8ToCp1252(*field);
    }
}

// Lists the characters of a UTF-8 product line that Windows-1252 cannot hold.
void ListUnmappable(std::string_view line, std::size_t product, FeedEncoding& encoding) {
    COtherRecord record;
    SplitFeedLineInto(line, record);
    const auto columns = Columns(record);
    for (std::size_t k = 0; k < columns.size(); ++k) {
        const std::string& text = *columns[k];
        for (std::size_t pos = 0; pos < text.size();) {
            const std::size_t start = pos;
            const char32_t cp = NextUtf8CodePoint(text, pos);
            if (Cp1252FromCodePoint(cp) >= 0) {
                continue;
            }
            ++encoding.unmappableCount;
            if (encoding.unmappable.size() < FeedEncoding::kListed) {
                encoding.unmappable.push_back(
                    {product, static_cast<int>(k), cp, text.substr(start, pos - start)});
            }
        }
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
    std::string* const noValues[4] = {nullptr, nullptr, nullptr, nullptr};
    bool firstLineRead = false;
    if (ReadFeedStart(reader, noValues, firstLineRead, &detector) != StartResult::kData) {
        encoding.utf8 = detector.IsUtf8();
        encoding.byteOrderMark = detector.HasByteOrderMark();
        return encoding;
    }
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
            ListUnmappable(line, product, encoding);
        }
    }
    if (!detector.IsUtf8()) {
        return FeedEncoding{};
    }
    encoding.utf8 = true;
    encoding.byteOrderMark = detector.HasByteOrderMark();
    return encoding;
}

std::optional<std::string> ParseHeaderValue(const std::string& line, const std::string& key) {
    if (line.find(key) == std::string::npos) {
        return std::nullopt;
    }
    const auto eq = line.find('=');
    if (eq == std::string::npos) {
        return std::nullopt;
    }
    std::string value = Trim(std::string_view(line).substr(eq + 1));
    if (value.empty()) {
        return std::nullopt;
    }
    for (const char* accepted : {"Y", "N", "YES", "NO", "OTHER"}) {
        if (EqualsNoCase(value, accepted)) {
            return value;
        }
    }
    return std::nullopt;
}

std::vector<std::string> SplitFeedLine(const std::string& line) {
    std::vector<std::string> fields;
    SplitLine(line, [&fields](std::size_t k) {
        if (fields.size() <= k) {
            fields.resize(k + 1);
        }
        return &fields[k];
    });
    return fields;
}

std::size_t SplitFeedLineInto(std::string_view line, COtherRecord& record) {
    const auto columns = Columns(record);
    const std::size_t count = SplitLine(line, [&columns](std::size_t k) -> std::string* {
        return k < columns.size() ? columns[k] : nullptr;
    });
    for (std::size_t k = count; k < columns.size(); ++k) {
        columns[k]->clear();
    }
    return count;
}

std::string BuildColumnLine(bool basicFormat) {
    std::string line;
    const int columns = basicFormat ? kBasicColumnCount : kColumnCount;
    for (int k = 0; k < columns; ++k) {
        if (k > 0) {
            line += '\t';
        }
        line += kColumnNames[k];
    }
    return line;
}

bool HasLineBreak(std::string_view text) {
    return text.find_first_of("\r\n") != std::string_view::npos;
}

void AppendFlattenedLineBreaks(std::string& out, std::string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r') {
            if (i + 1 < text.size() && text[i + 1] == '\n') {
                ++i;
            }
            out += ' ';
        } else if (c == '\n') {
            out += ' ';
        } else {
            out += c;
        }
    }
}

std::string FlattenLineBreaks(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    AppendFlattenedLineBreaks(out, text);
    return out;
}

std::size_t CountValuesWithLineBreaks(const COtherRecord& record, bool basicFormat) {
    const auto columns = Columns(record);
    const int count = basicFormat ? kBasicColumnCount : kColumnCount;
    std::size_t n = 0;
    for (int k = 0; k < count; ++k) {
        n += HasLineBreak(*columns[static_cast<std::size_t>(k)]) ? 1 : 0;
    }
    return n;
}

std::size_t CountValuesWithLineBreaks(const CFeedDocument& doc) {
    std::size_t n = 0;
    for (const auto& record : doc.m_records) {
        n += CountValuesWithLineBreaks(*record, doc.m_bBasicFormat);
    }
    return n;
}

std::string LineBreaksNotice(std::size_t values) {
    return Format(
        "%zu %s line breaks, which a line of the feed file cannot hold. Each line break will be "
        "written as one blank.",
        values, values == 1 ? "value holds" : "values hold");
}

bool AppendFeedField(std::string& out, std::string_view text, Cp1252Guard* guard) {
    const char* const begin = text.data();
    const char* const end = begin + text.size();
    const bool watchHighBytes = guard != nullptr && !guard->settled;
    const auto& table = watchHighBytes ? kNeedsEncodingOrHigh : kNeedsEncoding;
    // The common case, byte for byte what the value holds.
    if (std::find_if(begin, end, [&table](char c) { return table[static_cast<unsigned char>(c)]; }) == end) {
        out.append(text);
        return false;
    }
    std::string flat;
    const bool lineBreaks = HasLineBreak(text);
    if (lineBreaks) {
        AppendFlattenedLineBreaks(flat, text);
        text = flat;
    }
    std::size_t splitAt = std::string_view::npos;
    if (watchHighBytes) {
        const auto high = std::find_if(text.begin(), text.end(), [](char c) { return (c & 0x80) != 0; });
        if (high != text.end()) {
            // The first byte above 0x7F decides: either it cannot be UTF-8, and then no reader takes the
            // file for UTF-8, or it starts a sequence that would be read as one character, and then that
            // sequence is split.
            guard->settled = true;
            const auto pos = static_cast<std::size_t>(high - text.begin());
            if (Utf8SequenceLength(text, pos) > 1) {
                splitAt = pos + 1;
            }
        }
        if (splitAt == std::string_view::npos && std::find_if(text.begin(), text.end(), [](char c) {
                                                     return kNeedsEncoding[static_cast<unsigned char>(c)];
                                                 }) == text.end()) {
            out.append(text);
            return lineBreaks;
        }
    }
    // Written for the reader's rules: a TAB is a separator unless it stands between quotes, and a quote
    // inside quotes followed by another gives one literal quote and ends the quotes. So a value holding a
    // TAB is enclosed in quotes, and each literal quote is written as that pair, with quotes opened again
    // while a TAB is still to come; outside quotes a literal quote is three quotes (open, then the pair).
    const std::size_t lastTab = text.rfind('\t');
    bool quoted = false;
    if (lastTab != std::string_view::npos) {
        out += '"';
        quoted = true;
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (i == splitAt) {
            // Quotes that read back as nothing: outside quotes an empty pair, inside them a close before
            // this byte and an open after it.
            if (quoted) {
                out += '"';
                out += c;
                out += '"';
            } else {
                out += "\"\"";
                out += c;
            }
            continue;
        }
        if (c != '"') {
            out += c;
            continue;
        }
        out += quoted ? "\"\"" : "\"\"\"";
        quoted = false;
        if (lastTab != std::string_view::npos && lastTab > i) {
            out += '"';
            quoted = true;
        }
    }
    if (quoted) {
        out += '"';
    }
    return lineBreaks;
}

void AppendQuotedDescriptiveText(std::string& out, std::string_view text) {
    AppendFeedField(out, text);
}

std::string QuoteDescriptiveText(const std::string& text) {
    std::string out;
    out.reserve(text.size() + 8);
    AppendQuotedDescriptiveText(out, text);
    return out;
}

std::size_t AppendRecordLine(std::string& out, const COtherRecord& record, bool basicFormat,
                             Cp1252Guard* guard) {
    const auto columns = Columns(record);
    const int count = basicFormat ? kBasicColumnCount : kColumnCount;
    std::size_t lineBreaks = 0;
    for (int k = 0; k < count; ++k) {
        if (k > 0) {
            out += '\t';
        }
        lineBreaks += AppendFeedField(out, *columns[static_cast<std::size_t>(k)], guard) ? 1 : 0;
    }
    return lineBreaks;
}

std::string FormatRecordLine(const COtherRecord& record, bool basicFormat) {
    std::string line;
    AppendRecordLine(line, record, basicFormat);
    return line;
}

std::string BuildHeaderBlock(const FeedHeaderChoices& choices) {
    if (!choices.includeHeaders) {
        return {};
    }
    std::string block;
    block += choices.htmlEscaped ? "# html_escaped=YES" : "# html_escaped=NO";
    block += "\r\n";
    block += choices.updatesOnly ? "# updates_only=YES" : "# updates_only=NO";
    block += "\r\n# product_type=OTHER\r\n";
    block += choices.quoted ? "# quoted=YES" : "# quoted=NO";
    return block;
}

namespace {

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

}  // namespace

void LoadFeedFile(CYarvelinApp& app, const std::string& path, CFeedFileObserver& observer) {
    CFeedDocument& doc = app.m_document;
    CFeedLineReader reader;
    try {
        const std::optional<FeedEncoding> encoding = OpenFeed(reader, path, observer);
        if (!encoding) {
            return;
        }
        if (!app.m_sampleFeeds.ContainsExactly(path)) {
            app.m_recentFeeds.Add(path);
        }
        // The file's header values, taken into the document once the previous feed has gone.
        std::string taken[4];
        std::string* const headerValues[4] = {&taken[0], &taken[1], &taken[2], &taken[3]};
        bool firstLineRead = false;
        // A file with at least one line replaces the open feed, state and all (a header value the file
        // does not carry is the default again); it is named after the file only once the whole file is
        // in, so a later backup never overwrites a file with other content.
        const StartResult start = ReadFeedStart(reader, headerValues, firstLineRead);
        if (firstLineRead) {
            doc.StartNewFeed();
            doc.m_strHtmlEscaped = std::move(taken[0]);
            doc.m_strUpdatesOnly = std::move(taken[1]);
            doc.m_strProductType = std::move(taken[2]);
            doc.m_strQuoted = std::move(taken[3]);
        }
        switch (start) {
            case StartResult::kEmpty:
                observer.ShowFormatError();
                return;
            case StartResult::kReadError:
                ReportReadError(observer, reader.Error(), path);
                return;
            case StartResult::kHeadersOnly:
                return;
            case StartResult::kData:
                break;
        }
        observer.SetProgressRange(0, 100);
        int pos = 0;
        std::string_view line;
        for (;;) {
            const auto status = reader.Next(line);
            if (status == CFeedLineReader::Status::kEnd) {
                break;
            }
            if (status == CFeedLineReader::Status::kError) {
                ReportReadError(observer, reader.Error(), path);
                return;
            }
            pos = pos >= 100 ? 0 : pos + 1;
            observer.SetProgressPos(pos);
            auto record = std::make_unique<COtherRecord>();
            if (SplitFeedLineInto(line, *record) > 0) {
                ConvertRecord(*record, *encoding);
                doc.m_records.push_back(std::move(record));
            }
        }
        observer.SetProgressPos(100);
        observer.SetStatusText(kFeedLoadedText);
        doc.m_strFileName = path;
    } catch (const std::bad_alloc&) {
        observer.ShowFileError(FileErrorText(FileErrorCause::kOutOfMemory, path));
    }
}

namespace {
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
    lineBreaks += AppendRecordLine(out, record, basicFormat, &guard);
    return writer.FlushIfFull();
}

// Puts the finished file in place, then says how many values had their line breaks written as blanks.
bool FinishFeed(CFeedFileWriter& writer, std::size_t lineBreaks, CFeedFileObserver& observer) {
    if (!writer.Commit()) {
        return false;
    }
    if (lineBreaks > 0) {
        observer.LineBreaksWritten(lineBreaks);
    }
    return true;
}
}  // namespace

bool WriteFeedFile(const CFeedDocument& doc, const std::string& path, const FeedHeaderChoices& choices,
                   CFeedFileObserver& observer) {
    CFeedFileWriter writer(observer);
    try {
        if (!writer.Open(path)) {
            return false;
        }
        WriteStart(writer, choices, doc.m_bBasicFormat);
        std::size_t lineBreaks = 0;
        Cp1252Guard guard;
        for (const auto& record : doc.m_records) {
            if (!AddProductLine(writer, *record, doc.m_bBasicFormat, guard, lineBreaks)) {
                return false;
            }
        }
        return FinishFeed(writer, lineBreaks, observer);
    } catch (const std::bad_alloc&) {
        writer.Abort();
        observer.ShowFileError(FileErrorText(FileErrorCause::kOutOfMemory, path));
        return false;
    }
}

bool ConvertFeedFile(const std::string& in, const std::string& out, const FeedHeaderChoices& choices,
                     bool basicFormat, CFeedFileObserver& observer) {
    CFeedLineReader reader;
    try {
        const std::optional<FeedEncoding> encoding = OpenFeed(reader, in, observer);
        if (!encoding) {
            return false;
        }
        std::string* const noValues[4] = {nullptr, nullptr, nullptr, nullptr};
        bool firstLineRead = false;
        switch (ReadFeedStart(reader, noValues, firstLineRead)) {
            case StartResult::kEmpty:
                observer.ShowFormatError();
                return false;
            case StartResult::kReadError:
                ReportReadError(observer, reader.Error(), in);
                return false;
            case StartResult::kHeadersOnly:
            case StartResult::kData:
                break;
        }
        // The output is created only now, so that a file the loader refuses leaves no trace.
        CFeedFileWriter writer(observer);
        if (!writer.Open(out)) {
            return false;
        }
        WriteStart(writer, choices, basicFormat);
        COtherRecord record;
        std::size_t lineBreaks = 0;
        Cp1252Guard guard;
        std::string_view line;
        observer.SetProgressRange(0, 100);
        int pos = 0;
        for (;;) {
            const auto status = reader.Next(line);
            if (status == CFeedLineReader::Status::kEnd) {
                break;
            }
            if (status == CFeedLineReader::Status::kError) {
                writer.Abort();
                ReportReadError(observer, reader.Error(), in);
                return false;
            }
            pos = pos >= 100 ? 0 : pos + 1;
            observer.SetProgressPos(pos);
            if (SplitFeedLineInto(line, record) == 0) {
                continue;
            }
            ConvertRecord(record, *encoding);
            if (!AddProductLine(writer, record, basicFormat, guard, lineBreaks)) {
                return false;
            }
        }
        return FinishFeed(writer, lineBreaks, observer);
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
        const std::optional<FeedEncoding> encoding = OpenFeed(reader, path, observer);
        if (!encoding) {
            return false;
        }
        FeedFileStart start;
        std::string* const headerValues[4] = {&start.htmlEscaped, &start.updatesOnly, &start.productType,
                                              &start.quoted};
        bool firstLineRead = false;
        std::string columnLine;
        switch (ReadFeedStart(reader, headerValues, firstLineRead, nullptr, &columnLine)) {
            case StartResult::kEmpty:
                observer.ShowFormatError();
                return false;
            case StartResult::kReadError:
                ReportReadError(observer, reader.Error(), path);
                return false;
            case StartResult::kHeadersOnly:
                onStart(start);
                return true;
            case StartResult::kData:
                break;
        }
        start.columnLineFields = SplitLine(columnLine, [](std::size_t) -> std::string* { return nullptr; });
        onStart(start);
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
                ReportReadError(observer, reader.Error(), path);
                return false;
            }
            pos = pos >= 100 ? 0 : pos + 1;
            observer.SetProgressPos(pos);
            const std::size_t fields = SplitFeedLineInto(line, record);
            if (fields > 0) {
                ConvertRecord(record, *encoding);
                onProduct(record, reader.LineNumber(), fields);
            }
        }
    } catch (const std::bad_alloc&) {
        observer.ShowFileError(FileErrorText(FileErrorCause::kOutOfMemory, path));
        return false;
    }
}

}  // namespace yarvelin

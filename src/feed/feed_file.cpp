#include "feed/feed_file.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <memory>
#include <new>
#include <tuple>
#include <utility>

#include "app/feed_document.h"
#include "app/yarvelin_app.h"
#include "feed/feed_file_writer.h"
#include "feed/feed_line_reader.h"
#include "feed/file_error.h"
#include "records/text_util.h"

namespace yarvelin {

namespace {

constexpr const char* kHeaderKeys[4] = {"html_escaped", "updates_only", "product_type", "quoted"};

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
// columnLine, when given, receives the column line.
StartResult ReadFeedStart(CFeedLineReader& reader, std::string* const headerValues[4], bool& firstLineRead,
                          std::string* columnLine = nullptr) {
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
    }
    // line is the column line; columns are taken by position, so the loader does not look at it.
    if (columnLine != nullptr) {
        columnLine->assign(line);
    }
    return StartResult::kData;
}

}  // namespace

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

void AppendQuotedDescriptiveText(std::string& out, std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto quote = text.find('"', i);
        if (quote == std::string_view::npos) {
            out.append(text.substr(i));
            return;
        }
        out.append(text.substr(i, quote - i));
        if (quote + 1 < text.size() && text[quote + 1] == '"') {
            out.append("\"\"");
            i = quote + 2;
        } else {
            out.append("\"\"\"");
            i = quote + 1;
        }
    }
}

std::string QuoteDescriptiveText(const std::string& text) {
    std::string out;
    out.reserve(text.size() + 8);
    AppendQuotedDescriptiveText(out, text);
    return out;
}

void AppendRecordLine(std::string& out, const COtherRecord& record, bool basicFormat) {
    const auto columns = Columns(record);
    const int count = basicFormat ? kBasicColumnCount : kColumnCount;
    for (int k = 0; k < count; ++k) {
        if (k > 0) {
            out += '\t';
        }
        if (k == 1 || k == 2) {
            AppendQuotedDescriptiveText(out, *columns[static_cast<std::size_t>(k)]);
        } else {
            out += *columns[static_cast<std::size_t>(k)];
        }
    }
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

void LoadFeedFile(CYarvelinApp& app, const std::string& path, CFeedFileObserver& observer) {
    CFeedDocument& doc = app.m_document;
    CFeedLineReader reader;
    if (const int err = reader.Open(path); err != 0) {
        observer.ShowFileError(FileErrorText(FileErrorCauseForOpen(err, path), path));
        return;
    }
    if (!app.m_sampleFeeds.ContainsExactly(path)) {
        app.m_recentFeeds.Add(path);
    }
    try {
        std::string* const headerValues[4] = {&doc.m_strHtmlEscaped, &doc.m_strUpdatesOnly,
                                              &doc.m_strProductType, &doc.m_strQuoted};
        bool firstLineRead = false;
        // A file with at least one line replaces the open feed; header values only touch their own fields.
        const StartResult start = ReadFeedStart(reader, headerValues, firstLineRead);
        if (firstLineRead) {
            doc.RemoveAllRecords();
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
}  // namespace

bool WriteFeedFile(const CFeedDocument& doc, const std::string& path, const FeedHeaderChoices& choices,
                   CFeedFileObserver& observer) {
    CFeedFileWriter writer(observer);
    try {
        if (!writer.Open(path)) {
            return false;
        }
        WriteStart(writer, choices, doc.m_bBasicFormat);
        std::string& out = writer.Buffer();
        for (const auto& record : doc.m_records) {
            out += "\r\n";
            AppendRecordLine(out, *record, doc.m_bBasicFormat);
            if (!writer.FlushIfFull()) {
                return false;
            }
        }
        return writer.Commit();
    } catch (const std::bad_alloc&) {
        writer.Abort();
        observer.ShowFileError(FileErrorText(FileErrorCause::kOutOfMemory, path));
        return false;
    }
}

bool ConvertFeedFile(const std::string& in, const std::string& out, const FeedHeaderChoices& choices,
                     bool basicFormat, CFeedFileObserver& observer) {
    CFeedLineReader reader;
    if (const int err = reader.Open(in); err != 0) {
        observer.ShowFileError(FileErrorText(FileErrorCauseForOpen(err, in), in));
        return false;
    }
    try {
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
        std::string& buffer = writer.Buffer();
        COtherRecord record;
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
            buffer += "\r\n";
            AppendRecordLine(buffer, record, basicFormat);
            if (!writer.FlushIfFull()) {
                return false;
            }
        }
        return writer.Commit();
    } catch (const std::bad_alloc&) {
        observer.ShowFileError(FileErrorText(FileErrorCause::kOutOfMemory, in));
        return false;
    }
}

bool ReadFeedProducts(const std::string& path, CFeedFileObserver& observer,
                      const std::function<void(const FeedFileStart&)>& onStart,
                      const std::function<void(const COtherRecord&, long long, std::size_t)>& onProduct) {
    CFeedLineReader reader;
    if (const int err = reader.Open(path); err != 0) {
        observer.ShowFileError(FileErrorText(FileErrorCauseForOpen(err, path), path));
        return false;
    }
    try {
        FeedFileStart start;
        std::string* const headerValues[4] = {&start.htmlEscaped, &start.updatesOnly, &start.productType,
                                              &start.quoted};
        bool firstLineRead = false;
        std::string columnLine;
        switch (ReadFeedStart(reader, headerValues, firstLineRead, &columnLine)) {
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
                onProduct(record, reader.LineNumber(), fields);
            }
        }
    } catch (const std::bad_alloc&) {
        observer.ShowFileError(FileErrorText(FileErrorCause::kOutOfMemory, path));
        return false;
    }
}

}  // namespace yarvelin

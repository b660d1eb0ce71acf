#include "feed/feed_line_format.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "feed/feed_encoding.h"
#include "records/cp1252.h"
#include "records/text_util.h"

namespace yarvelin {

namespace {

constexpr const char* kHeaderKeys[kHeaderCount] = {"html_escaped", "updates_only", "product_type", "quoted"};

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

// Splits line at TABs outside double quotes and hands each field to onField(k, text). A field without
// quotes is a view of line; one with quotes is written without them into scratch, which is reserved to
// the line's size first so that it never moves while the line is split (a field never grows when its
// quotes go). Gives the number of fields.
template <typename OnField>
std::size_t SplitLine(std::string_view line, std::string& scratch, OnField&& onField) {
    if (line.empty()) {
        return 0;
    }
    const char* p = line.data();
    const char* const end = p + line.size();
    // Most lines hold no quote at all: one look for it, then every field is a view up to its TAB.
    const char* nextQuote = FindByte(p, end, '"');
    if (nextQuote != end) {
        scratch.clear();
        scratch.reserve(line.size());
    }
    std::size_t k = 0;
    for (;;) {
        const char* fieldEnd = FindByte(p, end, '\t');
        if (nextQuote >= fieldEnd) {
            onField(k, std::string_view(p, static_cast<std::size_t>(fieldEnd - p)));
            p = fieldEnd;
        } else {
            const std::size_t start = scratch.size();
            bool quoted = false;
            const char* run = p;
            auto flush = [&](const char* upTo) {
                if (upTo > run) {
                    scratch.append(run, static_cast<std::size_t>(upTo - run));
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
                        scratch.push_back('"');
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
            onField(k, std::string_view(scratch).substr(start));
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

// Where quoted fields are written while a line is split; kept between lines so that it is allocated once.
std::string& SplitScratch() {
    thread_local std::string scratch;
    return scratch;
}

}  // namespace

bool NamesHeader(std::string_view line, int key) {
    const std::string noBlank = std::string("#") + kHeaderKeys[key];
    const std::string withBlank = std::string("# ") + kHeaderKeys[key];
    return line.find(noBlank) != std::string_view::npos || line.find(withBlank) != std::string_view::npos;
}

std::optional<std::string> HeaderValue(std::string_view line, int key) {
    const std::string text(line);
    auto value = ParseHeaderValue(text, std::string("#") + kHeaderKeys[key]);
    return value ? value : ParseHeaderValue(text, std::string("# ") + kHeaderKeys[key]);
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
    SplitLine(line, SplitScratch(),
              [&fields](std::size_t, std::string_view text) { fields.emplace_back(text); });
    return fields;
}

std::size_t SplitFeedLine(std::string_view line, COtherRecord& record) {
    std::string_view texts[kColumnCount];
    const std::size_t count = SplitLine(line, SplitScratch(), [&texts](std::size_t k, std::string_view text) {
        if (k < kColumnCount) {
            texts[k] = text;
        }
    });
    record.SetFields(texts);
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

namespace {

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

}  // namespace

std::string FlattenLineBreaks(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    AppendFlattenedLineBreaks(out, text);
    return out;
}

std::size_t CountValuesWithLineBreaks(const COtherRecord& record, bool basicFormat) {
    const int count = basicFormat ? kBasicColumnCount : kColumnCount;
    std::size_t n = 0;
    for (int k = 0; k < count; ++k) {
        n += HasLineBreak(record.Field(k)) ? 1 : 0;
    }
    return n;
}

std::string LineBreaksNotice(std::size_t values) {
    return Format(
        "%zu %s line breaks, which a line of the feed file cannot hold. Each line break will be "
        "written as one blank.",
        values, values == 1 ? "value holds" : "values hold");
}

bool HasTab(std::string_view text) {
    return text.find('\t') != std::string_view::npos;
}

std::size_t CountValuesWithTabs(const COtherRecord& record, bool basicFormat) {
    const int count = basicFormat ? kBasicColumnCount : kColumnCount;
    std::size_t n = 0;
    for (int k = 0; k < count; ++k) {
        n += HasTab(record.Field(k)) ? 1 : 0;
    }
    return n;
}

FeedHeaderChoices HeaderChoicesForValues(const FeedHeaderChoices& chosen, std::size_t tabValues) {
    if (tabValues == 0 || (chosen.includeHeaders && chosen.quoted)) {
        return chosen;
    }
    FeedHeaderChoices choices = chosen;
    if (!choices.includeHeaders) {
        choices = FeedHeaderChoices{};
        choices.includeHeaders = true;
    }
    choices.quoted = true;
    return choices;
}

bool HeaderValueMeansYes(std::string_view value) {
    return EqualsNoCase(value, "YES") || EqualsNoCase(value, "Y");
}

FeedHeaderChoices HeaderChoicesForEscapes(const FeedHeaderChoices& chosen, bool escaped) {
    if (!escaped || (chosen.includeHeaders && chosen.htmlEscaped)) {
        return chosen;
    }
    FeedHeaderChoices choices = chosen.includeHeaders ? chosen : FeedHeaderChoices{};
    choices.includeHeaders = true;
    choices.htmlEscaped = true;
    return choices;
}

std::string QuotedHeaderNotice(std::size_t values) {
    return Format(
        "%zu %s a TAB, which the feed file can only carry between quotes. The file will be written with "
        "the extended-format header quoted=YES, so that the service reads each of them as one value.",
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

std::string QuoteDescriptiveText(const std::string& text) {
    std::string out;
    out.reserve(text.size() + 8);
    AppendFeedField(out, text);
    return out;
}

std::size_t FormatRecordLine(std::string& out, const COtherRecord& record, bool basicFormat,
                             Cp1252Guard* guard) {
    const int count = basicFormat ? kBasicColumnCount : kColumnCount;
    std::size_t lineBreaks = 0;
    for (int k = 0; k < count; ++k) {
        if (k > 0) {
            out += '\t';
        }
        lineBreaks += AppendFeedField(out, record.Field(k), guard) ? 1 : 0;
    }
    return lineBreaks;
}

std::string FormatRecordLine(const COtherRecord& record, bool basicFormat) {
    std::string line;
    FormatRecordLine(line, record, basicFormat);
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

}  // namespace yarvelin

#include "import/column_map.h"

#include <algorithm>
#include <charconv>
#include <cstring>

#include "feed/feed_encoding.h"
#include "import/import_error.h"
#include "records/cp1252_text.h"
#include "records/number_text.h"
#include "records/text_util.h"

namespace yarvelin {

namespace {

struct TransformName {
    unsigned flag;
    const char* name;
};
constexpr TransformName kTransformNames[] = {{kFirstItem, "first_item"},
                                             {kCategoryPath, "category_path"},
                                             {kYesNo, "yes_no"},
                                             {kKeepHtml, "keep_html"}};

constexpr int kPriceColumn = 3;
constexpr int kShippingColumn = 8;
constexpr std::string_view kAttributePrefix = "attribute:";

// One piece of a template as written: a constant or a placeholder's name.
struct RawPart {
    bool placeholder = false;
    std::string text;
};

// Splits a template into alternatives of parts; gives what is wrong, or nothing.
std::string SplitTemplate(std::string_view text, std::vector<std::vector<RawPart>>& out) {
    out.assign(1, {});
    std::string current;
    auto endText = [&] {
        if (!current.empty()) {
            out.back().push_back({false, current});
            current.clear();
        }
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\\' && i + 1 < text.size()) {
            current += text[++i];
        } else if (c == '|') {
            endText();
            out.emplace_back();
        } else if (c == '{') {
            const std::size_t close = text.find('}', i + 1);
            if (close == std::string_view::npos) {
                return "a '{' without its '}'";
            }
            const std::string name = Trim(text.substr(i + 1, close - i - 1));
            if (name.empty()) {
                return "an empty {}";
            }
            endText();
            out.back().push_back({true, name});
            i = close;
        } else if (c == '}') {
            return "a '}' without its '{'";
        } else {
            current += c;
        }
    }
    endText();
    return {};
}

// Texts of the map are UTF-8; the records hold Windows-1252. Bytes that are no UTF-8 (a command line in
// another encoding) are taken as they are.
std::string Utf8ToCp1252Text(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t len = Utf8SequenceLength(text, i);
        if (len == 0) {
            return std::string(text);
        }
        i += len;
    }
    std::string out(text);
    Utf8ToCp1252(out);
    return out;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Thousands groups may be written with blanks, a no-break blank or an apostrophe.
bool IsGroupMark(char c) {
    return c == ' ' || c == '\xA0' || c == '\'';
}

bool IsNumberChar(char c) {
    return IsDigit(c) || c == '.' || c == ',' || c == '-' || IsGroupMark(c);
}

}  // namespace

unsigned TransformFromName(std::string_view name) {
    for (const auto& t : kTransformNames) {
        if (name == t.name) {
            return t.flag;
        }
    }
    return 0;
}

std::vector<std::string> TransformNames(unsigned transforms) {
    std::vector<std::string> names;
    for (const auto& t : kTransformNames) {
        if ((transforms & t.flag) != 0) {
            names.emplace_back(t.name);
        }
    }
    return names;
}

int FeedColumnIndex(std::string_view name) {
    for (int k = 0; k < kColumnCount; ++k) {
        if (name == kColumnNames[k]) {
            return k;
        }
    }
    return -1;
}

std::string NormalizedColumnName(std::string_view name) {
    std::string out;
    for (char c : name) {
        if (c != ' ' && c != '_' && c != '-' && c != '\t') {
            out += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
        }
    }
    return out;
}

std::string TemplateMistake(std::string_view text) {
    std::vector<std::vector<RawPart>> alts;
    return SplitTemplate(text, alts);
}

std::vector<std::string> TemplateColumns(std::string_view text) {
    std::vector<std::vector<RawPart>> alts;
    std::vector<std::string> names;
    SplitTemplate(text, alts);
    for (const auto& alt : alts) {
        for (const RawPart& p : alt) {
            if (p.placeholder && p.text != "base" && p.text.rfind(kAttributePrefix, 0) != 0) {
                names.push_back(p.text);
            }
        }
    }
    return names;
}

void NormalizeMoney(std::string& text) {
    const std::string_view all = TrimmedView(text);
    // Currency signs and codes stand before or after the number.
    std::size_t b = 0;
    std::size_t e = all.size();
    while (b < e && !IsDigit(all[b]) && all[b] != '-' && all[b] != '.' && all[b] != ',') {
        ++b;
    }
    while (e > b && !IsDigit(all[e - 1])) {
        --e;
    }
    const std::string_view core = all.substr(b, e - b);
    if (core.empty() || !IsDigit(core.back())) {
        return;
    }
    std::string digits;
    bool negative = false;
    std::size_t dots = 0;
    std::size_t commas = 0;
    for (std::size_t i = 0; i < core.size(); ++i) {
        const char c = core[i];
        if (!IsNumberChar(c) || (c == '-' && i != 0)) {
            return;
        }
        if (c == '-') {
            negative = true;
        } else if (IsGroupMark(c)) {
            if (i == 0 || !IsDigit(core[i - 1]) || i + 1 >= core.size() || !IsDigit(core[i + 1])) {
                return;
            }
        } else {
            digits += c;
            dots += c == '.' ? 1 : 0;
            commas += c == ',' ? 1 : 0;
        }
    }
    // Which mark is the decimal one: the later of two kinds; a repeated one groups thousands; a single one
    // with exactly three digits after it groups thousands too (prices do not have three decimals), unless
    // only a zero stands before it.
    char decimal = 0;
    if (dots > 0 && commas > 0) {
        decimal = digits.find_last_of(".,") == digits.rfind('.') ? '.' : ',';
        if ((decimal == '.' ? dots : commas) > 1) {
            return;
        }
    } else if (dots + commas == 1) {
        const char mark = dots == 1 ? '.' : ',';
        const std::size_t at = digits.find(mark);
        const std::string_view before = std::string_view(digits).substr(0, at);
        const bool grouping = digits.size() - at - 1 == 3 && !before.empty() &&
                              before.find_first_not_of('0') != std::string_view::npos;
        decimal = grouping ? 0 : mark;
    }
    std::string plain = negative ? "-" : "";
    for (char c : digits) {
        if (c == decimal) {
            plain += '.';
        } else if (IsDigit(c)) {
            plain += c;
        }
    }
    // Rounded half up in decimal, as a till does: 0,125 is 0.13 (binary floating point would give 0.12).
    const std::size_t point = plain.find('.');
    std::string whole = plain.substr(
        negative ? 1 : 0, point == std::string::npos ? std::string::npos : point - (negative ? 1 : 0));
    std::string fraction = point == std::string::npos ? std::string() : plain.substr(point + 1);
    if (whole.empty() && fraction.empty()) {
        return;
    }
    fraction.resize(std::max<std::size_t>(fraction.size(), 3), '0');
    std::string cents = (whole.empty() ? "0" : whole) + fraction.substr(0, 2);
    if (fraction[2] >= '5') {
        std::size_t i = cents.size();
        while (i > 0 && cents[i - 1] == '9') {
            cents[--i] = '0';
        }
        if (i == 0) {
            cents.insert(cents.begin(), '1');
        } else {
            ++cents[i - 1];
        }
    }
    const std::size_t nonZero = cents.find_first_not_of('0');
    cents.erase(0, std::min(nonZero == std::string::npos ? cents.size() : nonZero, cents.size() - 3));
    const bool zero = nonZero == std::string::npos;
    text = (negative && !zero ? "-" : "") + cents.substr(0, cents.size() - 2) + "." +
           cents.substr(cents.size() - 2);
}

void ApplyTransforms(unsigned transforms, std::string& text) {
    if ((transforms & kFirstItem) != 0) {
        const std::size_t cut = text.find_first_of(",|;");
        if (cut != std::string::npos) {
            text = Trim(std::string_view(text).substr(0, cut));
        }
    }
    if ((transforms & kCategoryPath) != 0) {
        std::string path;
        std::size_t start = 0;
        for (std::size_t i = 0; i <= text.size(); ++i) {
            if (i == text.size() || text[i] == '/' || text[i] == '\\' || text[i] == '>') {
                const std::string level = Trim(std::string_view(text).substr(start, i - start));
                if (!level.empty()) {
                    path += path.empty() ? level : " > " + level;
                }
                start = i + 1;
            }
        }
        text = path;
    }
    if ((transforms & kYesNo) != 0) {
        const std::string v = ToLowerAscii(TrimmedView(text));
        static const char* const kYes[] = {"y",        "yes",      "true",     "instock",
                                           "in stock", "in_stock", "available"};
        static const char* const kNo[] = {
            "n", "no", "false", "outofstock", "out of stock", "out_of_stock", "onbackorder", "unavailable"};
        for (const char* y : kYes) {
            if (v == y) {
                text = "Y";
                return;
            }
        }
        for (const char* n : kNo) {
            if (v == n) {
                text = "N";
                return;
            }
        }
        long long quantity = 0;
        const char* first = v.data() + (v.size() > 0 && v[0] == '+' ? 1 : 0);
        const auto [end, err] = std::from_chars(first, v.data() + v.size(), quantity);
        if (!v.empty() && err == std::errc() && end == v.data() + v.size()) {
            text = quantity > 0 ? "Y" : "N";
        }
    }
}

CCompiledMap::CCompiledMap(const ColumnMap& map, const std::vector<std::string>& header, std::string baseUrl,
                           const std::vector<bool>& strictColumns)
    : m_header(header), m_base(std::move(baseUrl)) {
    while (!m_base.empty() && m_base.back() == '/') {
        m_base.pop_back();
    }
    m_base = Utf8ToCp1252Text(m_base);
    bool anyMapped = false;
    for (int k = 0; k < kColumnCount; ++k) {
        std::string text = map.templates[k];
        if (text.empty() && map.matchFeedNames) {
            for (const std::string& name : header) {
                if (!name.empty() && NormalizedColumnName(name) == NormalizedColumnName(kColumnNames[k])) {
                    text = "{" + name + "}";
                    break;
                }
            }
        }
        m_transforms[k] = map.transforms[k];
        std::vector<std::vector<RawPart>> raw;
        if (const std::string mistake = SplitTemplate(text, raw); !mistake.empty()) {
            throw CImportError(CImportError::Kind::kMap, 0,
                               Format("the template of %s has %s", kColumnNames[k], mistake.c_str()));
        }
        const bool strict = !map.lenient || (k < static_cast<int>(strictColumns.size()) && strictColumns[k]);
        for (const auto& rawAlt : raw) {
            Alternative alt;
            for (const RawPart& p : rawAlt) {
                Part part;
                if (!p.placeholder) {
                    part.text = Utf8ToCp1252Text(p.text);
                } else if (p.text == "base") {
                    if (m_base.empty()) {
                        throw CImportError(CImportError::Kind::kMap, 0,
                                           Format("%s is built from the shop's address {base}: give it "
                                                  "(--base-url in yarvelin-feed)",
                                                  kColumnNames[k]));
                    }
                    part.kind = Part::Kind::kBase;
                } else if (p.text.rfind(kAttributePrefix, 0) == 0) {
                    part.kind = Part::Kind::kAttribute;
                    part.text = ToLowerAscii(Utf8ToCp1252Text(p.text.substr(kAttributePrefix.size())));
                } else {
                    part.kind = Part::Kind::kColumn;
                    part.column = ColumnOf(p.text);
                    if (part.column < 0 && strict) {
                        std::string list;
                        for (const std::string& name : header) {
                            list += (list.empty() ? "'" : ", '") + name + "'";
                        }
                        throw CImportError(CImportError::Kind::kMap, 0,
                                           Format("the template of %s names the column '%s', which the "
                                                  "export does not have; its columns are %s",
                                                  kColumnNames[k], p.text.c_str(), list.c_str()));
                    }
                    anyMapped = anyMapped || part.column >= 0;
                }
                alt.push_back(std::move(part));
            }
            m_columns[k].push_back(std::move(alt));
        }
    }
    if (!anyMapped) {
        std::string list;
        for (const std::string& name : header) {
            list += (list.empty() ? "'" : ", '") + name + "'";
        }
        throw CImportError(CImportError::Kind::kInput, 1,
                           "no column of the header line can be mapped to the feed (columns: " + list + ")");
    }
    for (const AttributePair& pair : map.attributes) {
        m_attributePairs.emplace_back(ColumnOf(pair.name), ColumnOf(pair.value));
    }
    if (!map.attributeList.empty()) {
        m_attributeList = ColumnOf(map.attributeList);
    }
}

int CCompiledMap::ColumnOf(std::string_view name) const {
    for (std::size_t i = 0; i < m_header.size(); ++i) {
        if (m_header[i] == name) {
            return static_cast<int>(i);
        }
    }
    // A spreadsheet may have changed the letter case of a heading.
    for (std::size_t i = 0; i < m_header.size(); ++i) {
        if (EqualsNoCase(m_header[i], name)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

const std::string* CCompiledMap::Attribute(const std::vector<std::string>& cells,
                                           const std::string& name) const {
    if (!m_attributesRead) {
        m_attributesRead = true;
        m_attributes.clear();
        for (const auto& [n, v] : m_attributePairs) {
            if (n >= 0 && v >= 0 && !cells[n].empty()) {
                m_attributes.emplace_back(ToLowerAscii(Trim(cells[n])), cells[v]);
            }
        }
        if (m_attributeList >= 0) {
            const std::string& list = cells[m_attributeList];
            std::size_t start = 0;
            while (start < list.size()) {
                std::size_t end = list.find(',', start);
                end = end == std::string::npos ? list.size() : end;
                const std::string_view item = std::string_view(list).substr(start, end - start);
                const std::size_t eq = item.find('=');
                if (eq != std::string_view::npos) {
                    m_attributes.emplace_back(ToLowerAscii(Trim(item.substr(0, eq))),
                                              Trim(item.substr(eq + 1)));
                }
                start = end + 1;
            }
        }
    }
    for (const auto& [n, v] : m_attributes) {
        if (n == name) {
            return &v;
        }
    }
    return nullptr;
}

bool CCompiledMap::Evaluate(const Alternative& alt, const std::vector<std::string>& cells,
                            std::string& out) const {
    out.clear();
    for (const Part& p : alt) {
        switch (p.kind) {
            case Part::Kind::kText:
                out += p.text;
                break;
            case Part::Kind::kBase:
                out += m_base;
                break;
            case Part::Kind::kColumn:
                if (p.column < 0 || cells[p.column].empty()) {
                    return false;
                }
                out += cells[p.column];
                break;
            case Part::Kind::kAttribute: {
                const std::string* value = Attribute(cells, p.text);
                if (value == nullptr || value->empty()) {
                    return false;
                }
                out += *value;
                break;
            }
        }
    }
    return true;
}

void CCompiledMap::Apply(const std::vector<std::string>& cells, COtherRecord& record) const {
    m_attributesRead = false;
    std::string_view texts[kColumnCount];
    for (int k = 0; k < kColumnCount; ++k) {
        std::string& field = m_texts[static_cast<std::size_t>(k)];
        bool made = false;
        for (const Alternative& alt : m_columns[k]) {
            if (Evaluate(alt, cells, field)) {
                made = true;
                break;
            }
        }
        if (!made) {
            field.clear();
            continue;
        }
        if (m_transforms[k] != 0) {
            ApplyTransforms(m_transforms[k], field);
        }
        if (k == kPriceColumn || k == kShippingColumn) {
            NormalizeMoney(field);
        }
    }
    for (int k = 0; k < kColumnCount; ++k) {
        texts[k] = m_texts[static_cast<std::size_t>(k)];
    }
    record.SetFields(texts);
}

}  // namespace yarvelin

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
constexpr TransformName kTransformNames[] = {
    {kFirstItem, "first_item"}, {kCategoryPath, "category_path"}, {kYesNo, "yes_no"},
    {kKeepHtml, "keep_html"},   {kDeepestItem, "deepest_item"},   {kCurrencyCode, "currency_code"}};

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

bool IsAsciiLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// Takes a currency sign or code off the front (or back) of a price: a sign (\x80 is the euro in
// Windows-1252), a three-letter code, "kr", or letters before a dollar ("US$"). False when letters stand
// there that are none of these ("Call 0800 123"): the text is no price.
bool TakeCurrency(std::string_view& text, bool front, std::string& currency) {
    const auto at = [&](std::size_t i) { return front ? text[i] : text[text.size() - 1 - i]; };
    const auto isSign = [](char c) { return c == '$' || c == '\x80' || c == '\xA3' || c == '\xA5'; };
    std::size_t letters = 0;
    while (letters < text.size() && IsAsciiLetter(at(letters))) {
        ++letters;
    }
    std::size_t taken = 0;
    if (front && letters <= 2 && letters < text.size() && at(letters) == '$') {
        taken = letters + 1;
    } else if (letters == 0 && !text.empty() && isSign(at(0))) {
        taken = 1;
    } else if (letters == 3 ||
               (letters == 2 &&
                EqualsNoCase(front ? text.substr(0, 2) : text.substr(text.size() - 2), "kr"))) {
        taken = letters;
    } else if (letters > 0) {
        return false;
    }
    if (taken == 0) {
        return true;
    }
    const std::string_view sign = front ? text.substr(0, taken) : text.substr(text.size() - taken);
    currency = ToUpperAscii(sign);
    text = front ? text.substr(taken) : text.substr(0, text.size() - taken);
    text = TrimmedView(text);
    while (!text.empty() && (front ? text.front() : text.back()) == '\xA0') {
        text = front ? text.substr(1) : text.substr(0, text.size() - 1);
    }
    return true;
}

// The digits of a number's whole part, which may group thousands with blanks, apostrophes or the mark
// group: groups of three after a first of one to three, or no groups at all.
bool ReadGroupedDigits(std::string_view text, char group, bool groupsAllowed, std::string& digits) {
    digits.clear();
    std::size_t groupLength = 0;
    bool grouped = false;
    for (char c : text) {
        if (IsDigit(c)) {
            digits += c;
            ++groupLength;
            continue;
        }
        if (!groupsAllowed || !(IsGroupMark(c) || (group != 0 && c == group))) {
            return false;
        }
        if (groupLength == 0 || groupLength > 3 || (grouped && groupLength != 3)) {
            return false;
        }
        grouped = true;
        groupLength = 0;
    }
    return !grouped || groupLength == 3;
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

const char* NumberFormName(NumberForm form) {
    switch (form) {
        case NumberForm::kDot:
            return "dot";
        case NumberForm::kComma:
            return "comma";
        case NumberForm::kGuess:
            break;
    }
    return "guess";
}

std::string NormalizeMoney(std::string& text, NumberForm form) {
    std::string_view rest = TrimmedView(text);
    std::string currency;
    if (!TakeCurrency(rest, true, currency) || (currency.empty() && !TakeCurrency(rest, false, currency))) {
        return {};
    }
    bool negative = false;
    if (!rest.empty() && rest.front() == '-') {
        negative = true;
        rest.remove_prefix(1);
    }
    if (rest.empty() || rest.find_first_not_of("0123456789.,' \xA0") != std::string_view::npos) {
        return {};
    }
    // Which mark is the decimal one, and which one may group thousands.
    char decimal = 0;
    char group = 0;
    const std::size_t dots = static_cast<std::size_t>(std::count(rest.begin(), rest.end(), '.'));
    const std::size_t commas = static_cast<std::size_t>(std::count(rest.begin(), rest.end(), ','));
    if (form != NumberForm::kGuess) {
        decimal = form == NumberForm::kDot ? '.' : ',';
        // A spreadsheet that saved the export again may have written the other mark: before one or two
        // digits it cannot group thousands.
        const char other = decimal == '.' ? ',' : '.';
        const std::size_t at = rest.find(other);
        if (at != std::string_view::npos && rest.size() - at - 1 <= 2 && rest.size() - at - 1 > 0 &&
            (decimal == '.' ? dots : commas) == 0 && (decimal == '.' ? commas : dots) == 1) {
            decimal = other;
        }
        if ((decimal == '.' ? commas : dots) > 0 || (decimal == '.' ? dots : commas) > 1 ||
            rest.find_first_of("' \xA0") != std::string_view::npos) {
            return {};
        }
    } else if (dots > 0 && commas > 0) {
        decimal = rest.find_last_of(".,") == rest.rfind('.') ? '.' : ',';
        group = decimal == '.' ? ',' : '.';
        if ((decimal == '.' ? dots : commas) > 1) {
            return {};
        }
    } else if (dots + commas > 1) {
        group = dots > 0 ? '.' : ',';
    } else if (dots + commas == 1) {
        // "2.500" may be two and a half or two thousand five hundred: only "0.125" is sure.
        decimal = dots == 1 ? '.' : ',';
        const std::size_t at = rest.find(decimal);
        const std::string_view before = rest.substr(0, at);
        if (rest.size() - at - 1 == 3 && before.find_first_not_of('0') != std::string_view::npos) {
            return {};
        }
    }
    const std::size_t point = decimal == 0 ? std::string_view::npos : rest.find(decimal);
    const std::string_view intPart = rest.substr(0, point);
    std::string fraction(point == std::string_view::npos ? std::string_view() : rest.substr(point + 1));
    std::string whole;
    if (!ReadGroupedDigits(intPart, group, form == NumberForm::kGuess, whole) ||
        fraction.find_first_not_of("0123456789") != std::string::npos ||
        (point != std::string_view::npos && fraction.empty()) || (whole.empty() && fraction.empty())) {
        return {};
    }
    // Rounded half up in decimal, as a till does: 0,125 is 0.13 (binary floating point would give 0.12).
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
    return currency;
}

bool CurrencyFits(std::string_view found, std::string_view feedCurrency) {
    const std::string feed = ToUpperAscii(TrimmedView(feedCurrency));
    if (found.empty() || feed.empty() || found == feed) {
        return true;
    }
    // Signs that several currencies share.
    static const std::pair<const char*, const char*> kShared[] = {
        {"$", "USD CAD AUD NZD HKD SGD TWD MXN ARS CLP COP BRL"},
        {"US$", "USD"},
        {"C$", "CAD"},
        {"A$", "AUD"},
        {"NZ$", "NZD"},
        {"HK$", "HKD"},
        {"\x80", "EUR"},
        {"\xA3", "GBP"},
        {"\xA5", "JPY CNY"},
        {"KR", "SEK NOK DKK ISK"}};
    for (const auto& [sign, codes] : kShared) {
        if (found == sign) {
            const std::string_view list = codes;
            for (std::size_t at = list.find(feed); at != std::string_view::npos;
                 at = list.find(feed, at + 1)) {
                if ((at == 0 || list[at - 1] == ' ') &&
                    (at + feed.size() == list.size() || list[at + feed.size()] == ' ')) {
                    return true;
                }
            }
            return false;
        }
    }
    return false;
}

void ApplyTransforms(unsigned transforms, std::string& text) {
    if ((transforms & kCurrencyCode) != 0) {
        std::string price = text;
        const std::string code = NormalizeMoney(price);
        text = code.size() == 3 && IsAsciiLetter(code[0]) ? code : std::string();
    }
    if ((transforms & kDeepestItem) != 0) {
        // Levels are counted by their marks; the first of equally deep items wins.
        std::string best;
        std::string item;
        int bestDepth = -1;
        const auto endItem = [&] {
            const std::string trimmed = Trim(item);
            const int depth = static_cast<int>(
                std::count_if(trimmed.begin(), trimmed.end(), [](char c) { return c == '>' || c == '/'; }));
            if (!trimmed.empty() && depth > bestDepth) {
                best = trimmed;
                bestDepth = depth;
            }
            item.clear();
        };
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == ',') {
                item += ',';
                ++i;
            } else if (text[i] == ',') {
                endItem();
            } else {
                item += text[i];
            }
        }
        endItem();
        text = best;
    }
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
    : m_header(header), m_base(std::move(baseUrl)), m_numberForm(map.numberForm) {
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
                                           Format("%s %s", kColumnNames[k], kNoShopAddress));
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
    m_moneyCurrency.clear();
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
            std::string currency = NormalizeMoney(field, m_numberForm);
            if (!currency.empty()) {
                m_moneyCurrency = std::move(currency);
            }
        }
    }
    for (int k = 0; k < kColumnCount; ++k) {
        texts[k] = m_texts[static_cast<std::size_t>(k)];
    }
    record.SetFields(texts);
}

}  // namespace yarvelin

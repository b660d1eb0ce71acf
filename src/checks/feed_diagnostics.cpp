#include "checks/feed_diagnostics.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <tuple>
#include <utility>

#include "checks/listing_rules.h"
#include "checks/text_cleaning.h"
#include "records/builtin_lists.h"
#include "records/text_util.h"

namespace yarvelin {

namespace {

struct CodeInfo {
    const char* name;
    DiagnosticSeverity severity;
};

constexpr CodeInfo kCodes[kDiagnosticCodeCount] = {
    {"required-missing", DiagnosticSeverity::kError},
    {"duplicate-offer-id", DiagnosticSeverity::kError},
    {"price-invalid", DiagnosticSeverity::kError},
    {"url-invalid", DiagnosticSeverity::kError},
    {"name-too-long", DiagnosticSeverity::kError},
    {"currency-unknown", DiagnosticSeverity::kError},
    {"exp-date-invalid", DiagnosticSeverity::kError},
    {"column-count", DiagnosticSeverity::kError},
    {"page-disallowed-by-robots", DiagnosticSeverity::kError},
    {"image-url-is-product-url", DiagnosticSeverity::kError},
    {"image-url-too-long", DiagnosticSeverity::kError},
    {"control-character", DiagnosticSeverity::kWarning},
    {"exp-date-past", DiagnosticSeverity::kWarning},
    {"upc-check-digit", DiagnosticSeverity::kWarning},
    {"shipping-invalid", DiagnosticSeverity::kWarning},
    {"instock-invalid", DiagnosticSeverity::kWarning},
    {"html-in-text", DiagnosticSeverity::kWarning},
    {"category-unknown", DiagnosticSeverity::kWarning},
    {"description-too-long", DiagnosticSeverity::kWarning},
    {"upc-written-as-number", DiagnosticSeverity::kWarning},
    {"upc-restricted-prefix", DiagnosticSeverity::kWarning},
    {"duplicate-upc", DiagnosticSeverity::kWarning},
    {"html-entity", DiagnosticSeverity::kWarning},
    {"mis-decoded-text", DiagnosticSeverity::kWarning},
    {"name-in-capitals", DiagnosticSeverity::kWarning},
    {"image-url-not-ascii", DiagnosticSeverity::kWarning},
    {"image-not-image", DiagnosticSeverity::kWarning},
    {"image-type-refused", DiagnosticSeverity::kWarning},
    {"image-too-small", DiagnosticSeverity::kWarning},
    {"image-too-large", DiagnosticSeverity::kWarning},
    {"image-redirects-to-page", DiagnosticSeverity::kWarning},
    {"page-price-mismatch", DiagnosticSeverity::kWarning},
    {"page-redirects-home", DiagnosticSeverity::kWarning},
    {"name-shown-cut", DiagnosticSeverity::kInfo},
    {"marked-deleted", DiagnosticSeverity::kInfo},
    {"count-drop", DiagnosticSeverity::kWarning},
};

constexpr int kProductUrl = 0;
constexpr int kName = 1;
constexpr int kDescription = 2;
constexpr int kPrice = 3;
constexpr int kImageUrl = 4;
constexpr int kCategory = 5;
constexpr int kOfferId = 6;
constexpr int kInstock = 7;
constexpr int kShipping = 8;
constexpr int kUpc = 10;
constexpr int kExpDate = 16;
constexpr int kDelete = 18;
constexpr int kCurrency = 19;

// The editor's limit for a name.
constexpr std::size_t kMaxNameLength = 255;
// Values quoted in a message are cut here, so one bad description does not fill a screen.
constexpr std::size_t kQuotedValueLength = 60;

using ByteSet = std::array<bool, 256>;

constexpr ByteSet MakeByteSet(std::string_view bytes) {
    ByteSet set{};
    for (char c : bytes) {
        set[static_cast<unsigned char>(c)] = true;
    }
    return set;
}

// Where the authority of a URL ends, and the characters a host name cannot hold.
constexpr ByteSet kAuthorityEnd = MakeByteSet("/?#");
constexpr ByteSet kNotInHost = MakeByteSet("\\\"'<>^`{}|!$&()*+,;=%[]");

std::size_t FindFirstOf(std::string_view text, const ByteSet& set) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (set[static_cast<unsigned char>(text[i])]) {
            return i;
        }
    }
    return std::string_view::npos;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool IsAsciiLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsBlank(std::string_view text) {
    return TrimmedView(text).empty();
}

// A value in double quotes, cut to a readable length, with control characters written out so that a
// message always stays on one line.
std::string Quoted(std::string_view value) {
    std::string out = "\"";
    const std::size_t shown = std::min(value.size(), kQuotedValueLength);
    for (std::size_t i = 0; i < shown; ++i) {
        const auto c = static_cast<unsigned char>(value[i]);
        if (c == '\t') {
            out += "\\t";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c < 0x20 || c == 0x7F) {
            out += Format("\\x%02X", c);
        } else {
            out += static_cast<char>(c);
        }
    }
    if (shown < value.size()) {
        out += "...";
    }
    out += '"';
    return out;
}

std::string ControlCharacterName(unsigned char c) {
    switch (c) {
        case '\t':
            return "a TAB";
        case '\r':
            return "a carriage return (CR)";
        case '\n':
            return "a line break (LF)";
        default:
            return Format("the control character 0x%02X", c);
    }
}

std::string NormalisedCategory(std::string_view category) {
    return ToLowerAscii(Trim(category));
}

struct ByteKinds {
    bool control = false;        // a byte below 0x20
    bool high = false;           // a byte above 0x7F
    bool blankOrDelete = false;  // a blank (0x20) or DEL (0x7F)
};

// The top bit of each byte of w that is zero (exact as to whether there is one).
constexpr std::uint64_t ZeroBytes(std::uint64_t w) {
    return (w - 0x0101010101010101ull) & ~w & 0x8080808080808080ull;
}

// What kinds of byte a text holds, eight bytes at a time. Most texts hold neither kind, and the scans
// that look for control characters, mis-decoded letters or non-ASCII addresses are then skipped. Blanks
// matter in addresses only; elsewhere they are not looked for.
template <bool kBlanks>
ByteKinds KindsOf(std::string_view text) {
    constexpr std::uint64_t kTop = 0x8080808080808080ull;
    constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7Full;
    constexpr std::uint64_t kTo20 = 0x6060606060606060ull;
    std::uint64_t any = 0;
    std::uint64_t control = 0;
    std::uint64_t blankOrDelete = 0;
    std::size_t i = 0;
    for (; i + 8 <= text.size(); i += 8) {
        std::uint64_t w = 0;
        std::memcpy(&w, text.data() + i, 8);
        any |= w;
        // Adding 0x60 to a byte's low seven bits sets its top bit from 0x20 on, without a carry into the
        // next byte; a high byte has its top bit set already.
        control |= ~(((w & kLow7) + kTo20) | w);
        if constexpr (kBlanks) {
            blankOrDelete |= ZeroBytes(w ^ 0x2020202020202020ull) | ZeroBytes(w ^ 0x7F7F7F7F7F7F7F7Full);
        }
    }
    ByteKinds kinds{(control & kTop) != 0, (any & kTop) != 0, blankOrDelete != 0};
    for (; i < text.size(); ++i) {
        const auto u = static_cast<unsigned char>(text[i]);
        kinds.control = kinds.control || u < 0x20;
        kinds.high = kinds.high || u > 0x7F;
        kinds.blankOrDelete = kinds.blankOrDelete || (kBlanks && (u == 0x20 || u == 0x7F));
    }
    return kinds;
}

// The number a UPC with a right check digit stands for (all digits, at most 14).
std::uint64_t UpcNumber(std::string_view digits) {
    std::uint64_t n = 0;
    for (char c : digits) {
        n = n * 10 + static_cast<std::uint64_t>(c - '0');
    }
    return n;
}

}  // namespace

const char* DiagnosticCodeName(DiagnosticCode code) {
    const auto index = static_cast<std::size_t>(code);
    // A value from outside the enumeration (a cast from a stored number) names itself rather than reading
    // past the table.
    return index < kDiagnosticCodeCount ? kCodes[index].name : "unknown";
}

const char* DiagnosticCodeTitle(DiagnosticCode code) {
    switch (code) {
        case DiagnosticCode::kRequiredMissing:
            return "Required value missing";
        case DiagnosticCode::kDuplicateOfferId:
            return "Offer ID used more than once";
        case DiagnosticCode::kPriceInvalid:
            return "Price is not a number";
        case DiagnosticCode::kUrlInvalid:
            return "Web address cannot be used";
        case DiagnosticCode::kNameTooLong:
            return "Product name too long";
        case DiagnosticCode::kCurrencyUnknown:
            return "Unknown currency";
        case DiagnosticCode::kExpDateInvalid:
            return "Expiry date cannot be read";
        case DiagnosticCode::kColumnCount:
            return "Line with the wrong number of columns";
        case DiagnosticCode::kControlCharacter:
            return "Invisible control character";
        case DiagnosticCode::kExpDatePast:
            return "Expiry date has passed";
        case DiagnosticCode::kUpcCheckDigit:
            return "UPC check digit is wrong";
        case DiagnosticCode::kShippingInvalid:
            return "Shipping charge is not a number";
        case DiagnosticCode::kInstockInvalid:
            return "In-stock value not understood";
        case DiagnosticCode::kHtmlInText:
            return "HTML in a text";
        case DiagnosticCode::kCategoryUnknown:
            return "Category not in the list";
        case DiagnosticCode::kPageDisallowedByRobots:
            return "Product page closed to the crawler by robots.txt";
        case DiagnosticCode::kImageUrlIsProductUrl:
            return "Image address is the product page's";
        case DiagnosticCode::kImageUrlTooLong:
            return "Image address too long";
        case DiagnosticCode::kDescriptionTooLong:
            return "Description too long";
        case DiagnosticCode::kUpcAsNumber:
            return "UPC written as a number";
        case DiagnosticCode::kUpcRestricted:
            return "UPC reserved for stores or coupons";
        case DiagnosticCode::kDuplicateUpc:
            return "UPC on more than one offer";
        case DiagnosticCode::kHtmlEntity:
            return "HTML code shown as text";
        case DiagnosticCode::kMisdecodedText:
            return "Characters read in the wrong encoding";
        case DiagnosticCode::kNameInCapitals:
            return "Name in capitals";
        case DiagnosticCode::kImageUrlNotAscii:
            return "Image address with non-ASCII characters";
        case DiagnosticCode::kImageNotImage:
            return "Image address does not give a picture";
        case DiagnosticCode::kImageTypeRefused:
            return "Picture of a type the service does not take";
        case DiagnosticCode::kImageTooSmall:
            return "Picture too small";
        case DiagnosticCode::kImageTooLarge:
            return "Picture too large";
        case DiagnosticCode::kImageRedirectsToPage:
            return "Image address leads to a page";
        case DiagnosticCode::kPagePriceMismatch:
            return "Product page shows another price";
        case DiagnosticCode::kPageRedirectsHome:
            return "Product page leads to the home page";
        case DiagnosticCode::kNameShownCut:
            return "Name shown cut off";
        case DiagnosticCode::kMarkedDeleted:
            return "Marked for removal";
        case DiagnosticCode::kCountDrop:
            return "Far fewer products than last upload";
    }
    return DiagnosticCodeName(code);
}

DiagnosticSeverity SeverityOf(DiagnosticCode code) {
    const auto index = static_cast<std::size_t>(code);
    return index < kDiagnosticCodeCount ? kCodes[index].severity : DiagnosticSeverity::kError;
}

const char* SeverityName(DiagnosticSeverity severity) {
    switch (severity) {
        case DiagnosticSeverity::kError:
            return "error";
        case DiagnosticSeverity::kWarning:
            return "warning";
        case DiagnosticSeverity::kInfo:
            break;
    }
    return "info";
}

const std::array<DiagnosticCode, kDiagnosticCodeCount>& CodesInReportOrder() {
    static const auto order = [] {
        std::array<DiagnosticCode, kDiagnosticCodeCount> codes{};
        for (std::size_t i = 0; i < kDiagnosticCodeCount; ++i) {
            codes[i] = static_cast<DiagnosticCode>(i);
        }
        std::stable_sort(codes.begin(), codes.end(),
                         [](DiagnosticCode a, DiagnosticCode b) { return SeverityOf(a) < SeverityOf(b); });
        return codes;
    }();
    return order;
}

bool IsPlainDecimal(std::string_view text, int maxFraction) {
    std::size_t i = 0;
    while (i < text.size() && IsDigit(text[i])) {
        ++i;
    }
    if (i == 0) {
        return false;
    }
    if (i == text.size()) {
        return true;
    }
    if (text[i] != '.') {
        return false;
    }
    const std::size_t fractionStart = ++i;
    while (i < text.size() && IsDigit(text[i])) {
        ++i;
    }
    const std::size_t fraction = i - fractionStart;
    if (i != text.size() || fraction == 0) {
        return false;
    }
    return maxFraction < 0 || fraction <= static_cast<std::size_t>(maxFraction);
}

namespace {

// IsAbsoluteHttpUrl for a text known to hold no blank, control character or DEL.
bool IsAbsoluteHttpUrlWithoutBlanks(std::string_view text) {
    // The URL check reads a text without a scheme with "http://" in front.
    std::size_t schemeEnd = 0;
    while (schemeEnd < text.size() &&
           (IsAsciiLetter(text[schemeEnd]) || IsDigit(text[schemeEnd]) || text[schemeEnd] == '+' ||
            text[schemeEnd] == '-' || text[schemeEnd] == '.')) {
        ++schemeEnd;
    }
    std::string_view rest = text;
    if (schemeEnd > 0 && IsAsciiLetter(text[0]) && text.substr(schemeEnd, 3) == "://") {
        const std::string_view scheme = text.substr(0, schemeEnd);
        if (!EqualsNoCase(scheme, "http") && !EqualsNoCase(scheme, "https")) {
            return false;
        }
        rest = text.substr(schemeEnd + 3);
    }
    // Authority: up to the path, query or fragment; without user information and port.
    std::string_view authority = rest.substr(0, std::min(FindFirstOf(rest, kAuthorityEnd), rest.size()));
    if (const auto at = authority.rfind('@'); at != std::string_view::npos) {
        authority.remove_prefix(at + 1);
    }
    std::string_view host = authority;
    if (!host.empty() && host.front() == '[') {
        const auto close = host.find(']');
        if (close == std::string_view::npos || close == 1) {
            return false;
        }
        const std::string_view after = host.substr(close + 1);
        if (!after.empty() && after.front() != ':') {
            return false;
        }
        std::string_view port = after.empty() ? after : after.substr(1);
        return std::all_of(port.begin(), port.end(), IsDigit) && port.size() <= 5;
    }
    if (const auto colon = host.find(':'); colon != std::string_view::npos) {
        const std::string_view port = host.substr(colon + 1);
        if (!std::all_of(port.begin(), port.end(), IsDigit) || port.size() > 5 ||
            (!port.empty() && std::stol(std::string(port)) > 65535)) {
            return false;
        }
        host = host.substr(0, colon);
    }
    if (host.empty()) {
        return false;
    }
    // Characters a host name cannot hold.
    return FindFirstOf(host, kNotInHost) == std::string_view::npos && host.front() != '.';
}

}  // namespace

bool IsAbsoluteHttpUrl(std::string_view text) {
    // A URL holds no blank and no control character (a text with one does not parse).
    for (char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (u <= 0x20 || u == 0x7F) {
            return false;
        }
    }
    return IsAbsoluteHttpUrlWithoutBlanks(text);
}

bool HasValidGtinCheckDigit(std::string_view digits) {
    const std::size_t n = digits.size();
    if (n != 8 && n != 12 && n != 13 && n != 14) {
        return false;
    }
    if (!std::all_of(digits.begin(), digits.end(), IsDigit)) {
        return false;
    }
    // From the right, the digits before the check digit weigh 3, 1, 3, ...
    int sum = 0;
    for (std::size_t i = 0; i + 1 < n; ++i) {
        const int d = digits[n - 2 - i] - '0';
        sum += (i % 2 == 0) ? 3 * d : d;
    }
    return (10 - sum % 10) % 10 == digits[n - 1] - '0';
}

std::optional<LocalDateTime> ParseExpiryDate(std::string_view text) {
    if (text.size() != 12 || !std::all_of(text.begin(), text.end(), IsDigit)) {
        return std::nullopt;
    }
    auto number = [&](std::size_t pos, std::size_t len) {
        int v = 0;
        for (std::size_t i = pos; i < pos + len; ++i) {
            v = v * 10 + (text[i] - '0');
        }
        return v;
    };
    LocalDateTime t;
    t.year = number(0, 4);
    t.month = number(4, 2);
    t.day = number(6, 2);
    t.hour = number(8, 2);
    t.minute = number(10, 2);
    t.second = 0;
    if (t.year < 1 || t.month < 1 || t.month > 12 || t.day < 1 || t.hour > 23 || t.minute > 59) {
        return std::nullopt;
    }
    static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (t.year % 4 == 0 && t.year % 100 != 0) || t.year % 400 == 0;
    const int days = kDays[t.month - 1] + (t.month == 2 && leap ? 1 : 0);
    if (t.day > days) {
        return std::nullopt;
    }
    return t;
}

std::optional<Diagnostic> CheckCountDrop(std::size_t products, std::optional<long long> lastUploaded) {
    if (!lastUploaded || *lastUploaded <= 0 || static_cast<long long>(products) * 2 >= *lastUploaded) {
        return std::nullopt;
    }
    Diagnostic d;
    d.code = DiagnosticCode::kCountDrop;
    d.message = Format(
        "The feed holds %zu products, less than half of the %lld products of the last upload "
        "to the same server and file name.",
        products, *lastUploaded);
    return d;
}

CFeedDiagnostics::CFeedDiagnostics(DiagnosticsOptions options, Sink sink)
    : m_options(std::move(options)), m_sink(std::move(sink)) {
    for (const std::vector<std::string>* list :
         {&BuiltinCategories(), &std::as_const(m_options.userCategories)}) {
        for (const std::string& category : *list) {
            m_knownCategories.insert(NormalisedCategory(category));
        }
    }
    for (const std::string& code : CurrencyCodes()) {
        m_knownCurrencies.push_back(ToUpperAscii(code));
    }
    std::sort(m_knownCurrencies.begin(), m_knownCurrencies.end());
}

bool CFeedDiagnostics::IsKnownCategory(std::string_view category) {
    if (category == m_lastCategory) {
        return m_lastCategoryKnown;
    }
    // Trimmed and in lower case into a kept buffer: no allocation per product.
    m_scratch.assign(TrimmedView(category));
    for (char& c : m_scratch) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    m_lastCategory.assign(category);
    m_lastCategoryKnown = m_knownCategories.count(m_scratch) != 0;
    return m_lastCategoryKnown;
}

bool CFeedDiagnostics::IsKnownCurrency(std::string_view code) {
    if (code != m_lastCurrency) {
        m_lastCurrency.assign(code);
        m_lastCurrencyKnown =
            std::binary_search(m_knownCurrencies.begin(), m_knownCurrencies.end(), ToUpperAscii(code));
    }
    return m_lastCurrencyKnown;
}

bool CFeedDiagnostics::Count(DiagnosticCode code) {
    const std::size_t n = ++m_totals.perCode[static_cast<std::size_t>(code)];
    switch (SeverityOf(code)) {
        case DiagnosticSeverity::kError:
            ++m_totals.errors;
            break;
        case DiagnosticSeverity::kWarning:
            ++m_totals.warnings;
            break;
        case DiagnosticSeverity::kInfo:
            ++m_totals.notes;
            break;
    }
    return n <= m_limitPerCode;
}

void CFeedDiagnostics::Report(Diagnostic&& finding) {
    if (Count(finding.code) && m_sink) {
        m_sink(std::move(finding));
    }
}

template <typename MakeMessage>
void CFeedDiagnostics::Emit(DiagnosticCode code, int column, MakeMessage&& makeMessage) {
    if (SeverityOf(code) == DiagnosticSeverity::kError && !m_productHasError) {
        m_productHasError = true;
        ++m_totals.productsWithErrors;
    }
    if (!Count(code) || !m_sink) {
        return;
    }
    Diagnostic d;
    d.code = code;
    d.row = m_totals.products;
    d.line = m_line;
    d.column = column;
    d.offerId = m_record->Field(kColOfferId);
    d.message = makeMessage();
    m_sink(std::move(d));
}

void CFeedDiagnostics::CheckProduct(const COtherRecord& record, long long line, std::size_t fieldCount) {
    ++m_totals.products;
    m_record = &record;
    m_line = line;
    m_productHasError = false;
    m_offerIdNumber = CUpcIndex::kNoOfferId;
    m_fieldsWithHighBytes = 0;
    // The two tables are looked up below; their memory is fetched while the texts are scanned.
    const bool hasOfferId = !IsBlank(record.Field(kColOfferId));
    const std::string offerKey = hasOfferId ? COfferIdIndex::Key(record.Field(kColOfferId)) : std::string();
    if (hasOfferId) {
        m_offerIds.Prefetch(offerKey);
    }
    m_upcValid = !record.Field(kColUpc).empty() && HasValidGtinCheckDigit(record.Field(kColUpc));
    if (m_upcValid) {
        m_upcs.Prefetch(UpcNumber(record.Field(kColUpc)));
    }
    // Every column once, with the kinds of byte it holds, for all the rules below.
    for (int k = 0; k < kColumnCount; ++k) {
        m_fields[k] = record.Field(k);
        const ByteKinds kinds =
            k == kProductUrl || k == kImageUrl ? KindsOf<true>(m_fields[k]) : KindsOf<false>(m_fields[k]);
        m_kinds[k] = {kinds.control, kinds.high, kinds.blankOrDelete};
        if (kinds.high) {
            m_fieldsWithHighBytes |= 1u << k;
        }
    }

    if (m_options.columnLineFields > 0 && fieldCount > m_options.columnLineFields) {
        Emit(DiagnosticCode::kColumnCount, -1, [&] {
            return std::string(Format(
                "The line splits into %zu fields but the column line has %zu: a TAB inside a value has "
                "shifted the columns after it.",
                fieldCount, m_options.columnLineFields));
        });
    }

    for (int k = 0; k < kBasicColumnCount; ++k) {
        if (IsBlank(m_fields[k])) {
            Emit(DiagnosticCode::kRequiredMissing, k, [&] {
                return std::string(Format("The %s is empty; every product needs one.", kColumnNames[k]));
            });
        }
    }

    if (hasOfferId) {
        const COfferIdIndex::Added added = m_offerIds.Add(offerKey, m_totals.products);
        m_offerIdNumber = added.id;
        if (const std::size_t first = added.firstRow; first != 0) {
            Emit(DiagnosticCode::kDuplicateOfferId, kOfferId, [&] {
                return std::string(Format("The offer id %s is already used by the product in row %zu.",
                                          Quoted(m_fields[kColOfferId]).c_str(), first));
            });
        }
    }

    if (!IsBlank(m_fields[kColPrice]) && !IsPlainDecimal(m_fields[kColPrice], 2)) {
        Emit(DiagnosticCode::kPriceInvalid, kPrice, [&] {
            return std::string(Format(
                "The price %s is not a plain number such as 12.50 (digits, a decimal point, at most two "
                "decimals).",
                Quoted(m_fields[kColPrice]).c_str()));
        });
    }

    for (int k : {kProductUrl, kImageUrl}) {
        const std::string_view url = m_fields[k];
        if (!IsBlank(url) &&
            !(m_kinds[k].control || m_kinds[k].blankOrDelete ? IsAbsoluteHttpUrl(url)
                                                             : IsAbsoluteHttpUrlWithoutBlanks(url))) {
            Emit(DiagnosticCode::kUrlInvalid, k, [&] {
                return std::string(
                    Format("The %s %s is not a web address with http:// or https:// and a host name.",
                           kColumnNames[k], Quoted(url).c_str()));
            });
        }
    }

    if (m_fields[kColName].size() > kMaxNameLength) {
        Emit(DiagnosticCode::kNameTooLong, kName, [&] {
            return std::string(Format("The name has %zu characters; at most %zu are allowed.",
                                      m_fields[kColName].size(), kMaxNameLength));
        });
    }

    if (!m_fields[kColCurrency].empty() && !IsKnownCurrency(m_fields[kColCurrency])) {
        Emit(DiagnosticCode::kCurrencyUnknown, kCurrency, [&] {
            return std::string(Format("The currency %s is not a code of the currency list (for example USD).",
                                      Quoted(m_fields[kColCurrency]).c_str()));
        });
    }

    if (!m_fields[kColExpDate].empty()) {
        const auto expiry = ParseExpiryDate(m_fields[kColExpDate]);
        if (!expiry) {
            Emit(DiagnosticCode::kExpDateInvalid, kExpDate, [&] {
                return std::string(
                    Format("The exp_date %s is not a date and time written as twelve digits YYYYMMDDHHMM.",
                           Quoted(m_fields[kColExpDate]).c_str()));
            });
        } else {
            const LocalDateTime& now = m_options.now;
            const auto key = [](const LocalDateTime& t) {
                return std::make_tuple(t.year, t.month, t.day, t.hour, t.minute);
            };
            if (key(*expiry) < key(now)) {
                Emit(DiagnosticCode::kExpDatePast, kExpDate, [&] {
                    return std::string(Format(
                        "The offer expired on %04d-%02d-%02d %02d:%02d, so the service drops it: set a later "
                        "expiry date, or none.",
                        expiry->year, expiry->month, expiry->day, expiry->hour, expiry->minute));
                });
            }
        }
    }

    for (int k = 0; k < kColumnCount; ++k) {
        if (!m_kinds[k].control) {
            continue;
        }
        for (char c : m_fields[k]) {
            const auto u = static_cast<unsigned char>(c);
            if (u < 0x20) {
                Emit(DiagnosticCode::kControlCharacter, k, [&] {
                    return std::string(
                        Format("The %s holds %s, which would break the line: remove it, or let Verify Data "
                               "(step 2) clean the text.",
                               kColumnNames[k], ControlCharacterName(u).c_str()));
                });
                break;
            }
        }
    }

    if (!m_fields[kColUpc].empty() && !m_upcValid) {
        Emit(DiagnosticCode::kUpcCheckDigit, kUpc, [&] {
            return std::string(Format(
                "The upc %s is not a UPC-A, EAN-8, EAN-13 or GTIN-14 number with a correct check digit.",
                Quoted(m_fields[kColUpc]).c_str()));
        });
    }

    if (!m_fields[kColShipping].empty() && !IsPlainDecimal(m_fields[kColShipping], -1)) {
        Emit(DiagnosticCode::kShippingInvalid, kShipping, [&] {
            return std::string(Format("The shipping %s is not a plain number such as 4.95.",
                                      Quoted(m_fields[kColShipping]).c_str()));
        });
    }

    if (!m_fields[kColInstock].empty()) {
        bool known = false;
        for (const char* word : {"Y", "N", "YES", "NO"}) {
            known = known || EqualsNoCase(m_fields[kColInstock], word);
        }
        if (!known) {
            Emit(DiagnosticCode::kInstockInvalid, kInstock, [&] {
                return std::string(
                    Format("The instock %s is not Y, N, YES or NO.", Quoted(m_fields[kColInstock]).c_str()));
            });
        }
    }

    if (!m_options.htmlEscaped) {
        for (int k : {kName, kDescription}) {
            const std::string_view tag = FindListedTag(m_fields[k]);
            if (!tag.empty()) {
                Emit(DiagnosticCode::kHtmlInText, k, [&] {
                    return std::string(Format(
                        "The %s holds the HTML tag %.*s while the feed is not marked html_escaped=YES.",
                        kColumnNames[k], static_cast<int>(tag.size()), tag.data()));
                });
            }
        }
    }

    if (!IsBlank(m_fields[kColCategory]) && !IsKnownCategory(m_fields[kColCategory])) {
        Emit(DiagnosticCode::kCategoryUnknown, kCategory, [&] {
            return std::string(
                Format("The category %s is in neither the built-in category list nor your own: choose a "
                       "category from the list, or add it under Options.",
                       Quoted(m_fields[kColCategory]).c_str()));
        });
    }

    CheckListing(record);

    if (record.IsMarkedDeleted()) {
        Emit(DiagnosticCode::kMarkedDeleted, kDelete, [&] {
            return std::string("The product is marked for removal; the service deletes this offer.");
        });
    }
    m_record = nullptr;
}

void CFeedDiagnostics::CheckListing(const COtherRecord& record) {
    const std::string_view productUrl = TrimmedView(m_fields[kColProductUrl]);
    const std::string_view imageUrl = TrimmedView(m_fields[kColImageUrl]);
    if (!imageUrl.empty() && EqualsNoCase(imageUrl, productUrl)) {
        Emit(DiagnosticCode::kImageUrlIsProductUrl, kImageUrl, [&] {
            return std::string(
                "The image_url is the product_url: the service needs the address of the picture "
                "itself, not of the product page.");
        });
    }
    // Without a byte above 0x7F an address grows at most threefold as sent (a blank becomes %20).
    const bool imageUrlHigh = (m_fieldsWithHighBytes & (1u << kImageUrl)) != 0;
    if (const std::size_t length =
            imageUrlHigh || imageUrl.size() * 3 > kMaxImageUrlLength ? EncodedUrlLength(imageUrl) : 0;
        length > kMaxImageUrlLength) {
        Emit(DiagnosticCode::kImageUrlTooLong, kImageUrl, [&] {
            return std::string(
                Format("The image_url is %zu characters long as sent; the service takes at most %zu.", length,
                       kMaxImageUrlLength));
        });
    }

    if (m_fields[kColDescription].size() > kMaxDescriptionBytes) {
        Emit(DiagnosticCode::kDescriptionTooLong, kDescription, [&] {
            return std::string(
                Format("The description has %zu bytes; the service takes at most 5,000 (not 5,120) "
                       "and cuts the rest.",
                       m_fields[kColDescription].size()));
        });
    }

    if (!m_fields[kColUpc].empty()) {
        const std::string_view upc = TrimmedView(m_fields[kColUpc]);
        if (IsExponentNotation(upc)) {
            Emit(DiagnosticCode::kUpcAsNumber, kUpc, [&] {
                return std::string(
                    Format("The upc %s is a number in exponent notation, as a spreadsheet writes it: "
                           "its last digits are lost. Format the column as text and enter it again.",
                           Quoted(m_fields[kColUpc]).c_str()));
            });
        } else if (const std::string restored = RestoredGtin(upc); !restored.empty()) {
            Emit(DiagnosticCode::kUpcAsNumber, kUpc, [&] {
                return std::string(
                    Format("The upc %s has %zu digits: it looks like %s that lost its leading zeros "
                           "as a number in a spreadsheet.",
                           Quoted(m_fields[kColUpc]).c_str(), upc.size(), restored.c_str()));
            });
        }
        if (const char* use = RestrictedGtinUse(upc)) {
            Emit(DiagnosticCode::kUpcRestricted, kUpc, [&] {
                return std::string(
                    Format("The upc %s is %s, not a product's number; the service does not "
                           "match it.",
                           Quoted(m_fields[kColUpc]).c_str(), use));
            });
        }
        // A value that is no UPC at all ("N/A", a dash) is the check-digit finding's alone: as a duplicate
        // it would be reported again on every product that carries it.
        // Such a value is digits only, so its number is its key (UpcKey drops only leading zeros).
        if (m_upcValid) {
            const CUpcIndex::Seen seen = m_upcs.Add(UpcNumber(upc), m_offerIdNumber, m_totals.products);
            if (const std::size_t first = seen.firstRow; first != 0 && seen.newOfferId) {
                Emit(DiagnosticCode::kDuplicateUpc, kUpc, [&] {
                    return std::string(
                        Format("The upc %s is also the upc of the product in row %zu, which has "
                               "another offer id.",
                               Quoted(m_fields[kColUpc]).c_str(), first));
                });
            }
        }
    }

    for (int k : {kName, kDescription}) {
        const std::string_view text = k == kName ? m_fields[kColName] : m_fields[kColDescription];
        if (!m_options.htmlEscaped) {
            if (const std::string_view entity = FindHtmlEntity(text); !entity.empty()) {
                Emit(DiagnosticCode::kHtmlEntity, k, [&] {
                    return std::string(
                        Format("The %s holds the HTML code %.*s while the feed is not marked "
                               "html_escaped=YES: the service shows it as it stands.",
                               kColumnNames[k], static_cast<int>(entity.size()), entity.data()));
                });
            }
        }
        // Mis-decoded letters are made of bytes above 0x7F.
        if (const std::string_view bytes =
                (m_fieldsWithHighBytes & (1u << k)) != 0 ? FindMisdecodedUtf8(text) : std::string_view();
            !bytes.empty()) {
            Emit(DiagnosticCode::kMisdecodedText, k, [&] {
                return std::string(
                    Format("The %s holds \"%.*s\", which is how a UTF-8 character looks when it "
                           "was read as Windows-1252.",
                           kColumnNames[k], static_cast<int>(bytes.size()), bytes.data()));
            });
        }
    }

    if (IsNameInCapitals(m_fields[kColName])) {
        Emit(DiagnosticCode::kNameInCapitals, kName, [&] {
            return std::string("The name is written in capitals; the service disapproves names that shout.");
        });
    }

    if (imageUrlHigh && !IsAsciiText(imageUrl)) {
        Emit(DiagnosticCode::kImageUrlNotAscii, kImageUrl, [&] {
            return std::string(
                Format("The image_url %s holds characters outside ASCII; write them "
                       "percent-encoded (%%C3%%A9 for \xE9).",
                       Quoted(m_fields[kColImageUrl]).c_str()));
        });
    }

    // What the last URL check found the addresses serve.
    for (const UrlFinding& finding : record.UrlFindings()) {
        if (finding.code >= 0 && static_cast<std::size_t>(finding.code) < kDiagnosticCodeCount) {
            Emit(static_cast<DiagnosticCode>(finding.code), finding.column, [&] { return finding.message; });
        }
    }

    if (m_fields[kColName].size() > kNameShownLength) {
        Emit(DiagnosticCode::kNameShownCut, kName, [&] {
            return std::string(
                Format("The name has %zu characters; the service shows the first %zu and cuts the "
                       "rest.",
                       m_fields[kColName].size(), kNameShownLength));
        });
    }
}

DiagnosticsTotals CheckRecords(const CFeedDocument::RecordList& records, DiagnosticsOptions options,
                               const CFeedDiagnostics::Sink& sink, std::size_t limitPerCode,
                               const std::function<void()>& progress) {
    CFeedDiagnostics engine(std::move(options), sink);
    engine.SetReportLimitPerCode(limitPerCode);
    for (const auto& record : records) {
        engine.CheckProduct(record);
        if (progress) {
            progress();
        }
    }
    return engine.Totals();
}

void CheckOneRecord(const CFeedDocument::RecordList& records, std::size_t position,
                    DiagnosticsOptions options, const CFeedDiagnostics::Sink& sink) {
    const COtherRecord& product = records[position];
    const bool hasOfferId = !IsBlank(product.Field(kColOfferId));
    const std::string offerKey = hasOfferId ? COfferIdIndex::Key(product.Field(kColOfferId)) : std::string();
    // The same tests as the checks make before they index a product.
    const bool hasUpc = !product.Field(kColUpc).empty() && HasValidGtinCheckDigit(product.Field(kColUpc));
    const std::string upcKey = hasUpc ? UpcKey(product.Field(kColUpc)) : std::string();
    bool quiet = true;
    CFeedDiagnostics engine(std::move(options), [&](Diagnostic&& d) {
        if (!quiet) {
            sink(std::move(d));
        }
    });
    for (std::size_t i = 0; i < position; ++i) {
        const COtherRecord& other = records[i];
        // Key(other) == offerKey without making the key: both fold ASCII letters only.
        const bool sameOfferId = hasOfferId &&
                                 EqualsNoCase(TrimmedView(other.Field(kColOfferId)), offerKey) &&
                                 !IsBlank(other.Field(kColOfferId));
        const bool sameUpc =
            hasUpc && !other.Field(kColUpc).empty() && UpcKey(other.Field(kColUpc)) == upcKey;
        if (sameOfferId || sameUpc) {
            engine.SetNextRow(i + 1);
            engine.CheckProduct(other);
        }
    }
    quiet = false;
    engine.SetNextRow(position + 1);
    engine.CheckProduct(product);
}

}  // namespace yarvelin

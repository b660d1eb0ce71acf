#include "checks/listing_rules.h"

#include <algorithm>
#include <iterator>

#include "checks/feed_diagnostics.h"
#include "records/cp1252_text.h"
#include "records/text_util.h"

namespace yarvelin {

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool IsAsciiAlnum(char c) {
    return IsDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsHexDigit(char c) {
    return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

bool AllDigits(std::string_view text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), IsDigit);
}

// The named references of HTML 4 (the Latin-1 set, the special characters and the typographic ones that
// shop texts use), sorted for binary search. Letter case matters in HTML: "&Eacute;" and "&eacute;" differ.
constexpr std::string_view kEntityNames[] = {
    "AElig",  "Aacute", "Acirc",  "Agrave", "Aring",  "Atilde", "Auml",   "Ccedil", "Dagger", "ETH",
    "Eacute", "Ecirc",  "Egrave", "Euml",   "Iacute", "Icirc",  "Igrave", "Iuml",   "Ntilde", "OElig",
    "Oacute", "Ocirc",  "Ograve", "Oslash", "Otilde", "Ouml",   "Scaron", "THORN",  "Uacute", "Ucirc",
    "Ugrave", "Uuml",   "Yacute", "Yuml",   "aacute", "acirc",  "acute",  "aelig",  "agrave", "amp",
    "apos",   "aring",  "atilde", "auml",   "bdquo",  "brvbar", "bull",   "ccedil", "cedil",  "cent",
    "circ",   "copy",   "curren", "dagger", "deg",    "divide", "eacute", "ecirc",  "egrave", "emsp",
    "ensp",   "eth",    "euml",   "euro",   "frac12", "frac14", "frac34", "gt",     "hellip", "iacute",
    "icirc",  "iexcl",  "igrave", "iquest", "iuml",   "laquo",  "ldquo",  "lrm",    "lsaquo", "lsquo",
    "lt",     "macr",   "mdash",  "micro",  "middot", "nbsp",   "ndash",  "not",    "ntilde", "oacute",
    "ocirc",  "oelig",  "ograve", "ordf",   "ordm",   "oslash", "otilde", "ouml",   "para",   "permil",
    "plusmn", "pound",  "quot",   "raquo",  "rdquo",  "reg",    "rlm",    "rsaquo", "rsquo",  "sbquo",
    "scaron", "sect",   "shy",    "sup1",   "sup2",   "sup3",   "szlig",  "thinsp", "thorn",  "tilde",
    "times",  "trade",  "uacute", "ucirc",  "ugrave", "uml",
};

static_assert(std::is_sorted(std::begin(kEntityNames), std::end(kEntityNames)));

bool IsEntityName(std::string_view name) {
    return std::binary_search(std::begin(kEntityNames), std::end(kEntityNames), name);
}

// Length of the character reference starting at text[0] == '&', or 0 when none starts there.
std::size_t EntityLengthAt(std::string_view text) {
    std::size_t i = 1;
    if (i < text.size() && text[i] == '#') {
        ++i;
        const bool hex = i < text.size() && (text[i] == 'x' || text[i] == 'X');
        i += hex ? 1 : 0;
        const std::size_t start = i;
        while (i < text.size() && i - start < 8 && (hex ? IsHexDigit(text[i]) : IsDigit(text[i]))) {
            ++i;
        }
        return i > start && i < text.size() && text[i] == ';' ? i + 1 : 0;
    }
    while (i < text.size() && i < 8 && IsAsciiAlnum(text[i])) {
        ++i;
    }
    if (i > 1 && i < text.size() && text[i] == ';' && IsEntityName(text.substr(1, i - 1))) {
        return i + 1;
    }
    return 0;
}

bool IsContinuation(unsigned char c) {
    return c >= 0x80 && c <= 0xBF;
}

// Length of the doubly decoded UTF-8 sequence at text[0], or 0.
std::size_t MisdecodedLengthAt(std::string_view text) {
    auto at = [&](std::size_t i) { return i < text.size() ? static_cast<unsigned char>(text[i]) : 0; };
    const unsigned char lead = at(0);
    // Latin-1 symbols and letters (U+00A0..U+00FF) and the Latin Extended-A letters of Windows-1252.
    if ((lead == 0xC2 && at(1) >= 0xA0 && at(1) <= 0xBF) ||
        ((lead == 0xC3 || lead == 0xC5) && IsContinuation(at(1)))) {
        return 2;
    }
    // General punctuation (U+2010..U+203F: dashes, quotes, ellipsis), the euro sign and the trade mark.
    if (lead == 0xE2 && ((at(1) == 0x80 && IsContinuation(at(2))) || (at(1) == 0x82 && at(2) == 0xAC) ||
                         (at(1) == 0x84 && at(2) == 0xA2))) {
        return 3;
    }
    return 0;
}

enum class LetterCase { kNone, kUpper, kLower };

LetterCase CaseOf(unsigned char c) {
    if (c >= 'A' && c <= 'Z') {
        return LetterCase::kUpper;
    }
    if (c >= 'a' && c <= 'z') {
        return LetterCase::kLower;
    }
    switch (c) {
        case 0x8A:  // Š
        case 0x8C:  // Œ
        case 0x8E:  // Ž
        case 0x9F:  // Ÿ
            return LetterCase::kUpper;
        case 0x83:  // ƒ
        case 0x9A:  // š
        case 0x9C:  // œ
        case 0x9E:  // ž
            return LetterCase::kLower;
        default:
            break;
    }
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) {
        return LetterCase::kUpper;
    }
    if (c >= 0xDF && c != 0xF7) {
        return LetterCase::kLower;
    }
    return LetterCase::kNone;
}

}  // namespace

bool IsExponentNotation(std::string_view text) {
    text = TrimmedView(text);
    std::size_t i = 0;
    std::size_t mantissa = 0;
    while (i < text.size() && IsDigit(text[i])) {
        ++i;
        ++mantissa;
    }
    if (i < text.size() && (text[i] == '.' || text[i] == ',')) {
        ++i;
        while (i < text.size() && IsDigit(text[i])) {
            ++i;
            ++mantissa;
        }
    }
    if (mantissa == 0 || i >= text.size() || (text[i] != 'e' && text[i] != 'E')) {
        return false;
    }
    ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        ++i;
    }
    return AllDigits(text.substr(i));
}

std::string RestoredGtin(std::string_view text) {
    if (!AllDigits(text) || text[0] == '0') {
        return {};
    }
    std::size_t target = 0;
    if (text.size() >= 6 && text.size() <= 7) {
        target = 8;
    } else if (text.size() >= 9 && text.size() <= 11) {
        target = 12;
    } else {
        return {};
    }
    std::string padded(target - text.size(), '0');
    padded += text;
    return HasValidGtinCheckDigit(padded) ? padded : std::string();
}

const char* RestrictedGtinUse(std::string_view digits) {
    if (!HasValidGtinCheckDigit(digits)) {
        return nullptr;
    }
    if (digits.size() == 8) {
        return digits[0] == '0' || digits[0] == '2' ? "a store's internal number" : nullptr;
    }
    // The thirteen digits the prefix tables speak of: a UPC-A with its zero in front, a GTIN-14 without its
    // packaging indicator.
    std::string gtin13;
    if (digits.size() == 12) {
        gtin13 = "0" + std::string(digits);
    } else if (digits.size() == 14) {
        gtin13 = std::string(digits.substr(1));
    } else {
        gtin13 = std::string(digits);
    }
    const std::string_view p = gtin13;
    if (p.substr(0, 2) == "02" || p.substr(0, 2) == "04" || p[0] == '2') {
        return "a store's internal number";
    }
    if (p.substr(0, 3) == "980") {
        return "a refund receipt";
    }
    if ((p.substr(0, 2) == "98" && p[2] >= '1' && p[2] <= '4') || p.substr(0, 2) == "99") {
        return "a coupon";
    }
    return nullptr;
}

std::string UpcKey(std::string_view upc) {
    upc = TrimmedView(upc);
    if (AllDigits(upc)) {
        const std::size_t first = std::min(upc.find_first_not_of('0'), upc.size() - 1);
        return std::string(upc.substr(first));
    }
    return std::string(upc);
}

std::string_view FindHtmlEntity(std::string_view text) {
    for (std::size_t pos = text.find('&'); pos != std::string_view::npos; pos = text.find('&', pos + 1)) {
        if (const std::size_t length = EntityLengthAt(text.substr(pos)); length > 0) {
            return text.substr(pos, length);
        }
    }
    return {};
}

std::string_view FindMisdecodedUtf8(std::string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c == 0xC2 || c == 0xC3 || c == 0xC5 || c == 0xE2) {
            if (const std::size_t length = MisdecodedLengthAt(text.substr(i)); length > 0) {
                return text.substr(i, length);
            }
        }
    }
    return {};
}

bool IsNameInCapitals(std::string_view name) {
    std::size_t letters = 0;
    for (char c : name) {
        switch (CaseOf(static_cast<unsigned char>(c))) {
            case LetterCase::kLower:
                return false;
            case LetterCase::kUpper:
                ++letters;
                break;
            case LetterCase::kNone:
                break;
        }
    }
    return letters > kCapitalsMinLetters;
}

std::size_t EncodedUrlLength(std::string_view url) {
    std::size_t length = 0;
    for (char c : url) {
        const auto u = static_cast<unsigned char>(c);
        if (u > 0x7F) {
            length += 3 * Cp1252ToUtf8(std::string_view(&c, 1)).size();
        } else if (u == ' ') {
            length += 3;
        } else {
            ++length;
        }
    }
    return length;
}

bool IsAsciiText(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) <= 0x7F; });
}

}  // namespace yarvelin

// Single-value rules of what the service shows, cuts or disapproves after an upload although the line reads
// well: long texts, identifiers mangled by spreadsheets, texts that were decoded twice, unusable image
// addresses. The diagnostics engine reports them; each rule is small enough to test on its own.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace yarvelin {

// The service shows this many characters of a name and cuts the rest.
inline constexpr std::size_t kNameShownLength = 80;
// "Up to 5K bytes" in the editor's help: the service's own limit is 5,000, not 5,120.
inline constexpr std::size_t kMaxDescriptionBytes = 5000;
// A name with more letters than this and none in lower case reads as shouting.
inline constexpr std::size_t kCapitalsMinLetters = 10;
// The longest image address the service fetches, counted as sent (non-ASCII characters percent-encoded).
inline constexpr std::size_t kMaxImageUrlLength = 2000;

// A number a spreadsheet wrote in exponent notation, such as 8.9E+12: the digits after the shown ones are
// lost.
bool IsExponentNotation(std::string_view text);

// A UPC/EAN that a spreadsheet kept as a number without its leading zeros: digits only, no leading zero, one
// or more digits short of an 8- or 12-digit number whose check digit is right once padded with zeros. Gives
// the padded number, or an empty text.
std::string RestoredGtin(std::string_view text);

// What a valid GTIN's prefix reserves it for, when it is not a trade item the service lists: "a store's
// internal number" (GS1 prefixes 02, 04, 20-29, EAN-8 0 and 2), "a refund receipt" (980) or "a coupon"
// (981-984, 99). nullptr for any other number.
const char* RestrictedGtinUse(std::string_view digits);

// The key the same UPC has however it is written: leading zeros dropped from a number, other texts trimmed.
std::string UpcKey(std::string_view upc);

// The first HTML character reference (&amp; &eacute; &#39; &#x2019;) in text, or an empty view. Only named
// references HTML knows count, so a plain "R&D;" does not.
std::string_view FindHtmlEntity(std::string_view text);

// The first run of bytes that is UTF-8 shown as Windows-1252, as when a UTF-8 file was read as 8-bit:
// "Ã©" for é, "Â " for a no-break space, "â€™" for a right quote. Only the pairs and triples that common
// Latin letters and typographic punctuation make count, so real Windows-1252 text gives none.
std::string_view FindMisdecodedUtf8(std::string_view text);

// More than kCapitalsMinLetters letters (Windows-1252) and none of them lower case.
bool IsNameInCapitals(std::string_view name);

// The length of a Windows-1252 address once sent: each byte above 0x7F and each blank becomes its UTF-8
// bytes percent-encoded.
std::size_t EncodedUrlLength(std::string_view url);
bool IsAsciiText(std::string_view text);

}  // namespace yarvelin

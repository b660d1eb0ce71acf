// Small text helpers for the 8-bit texts the program keeps.
#pragma once

#include <string>
#include <string_view>

namespace yarvelin {

// Blank, tab, CR, LF, vertical tab and form feed.
bool IsTrimSpace(char c);
// The part of s without leading and trailing blanks, tabs and line ends; no copy.
std::string_view TrimmedView(std::string_view s);
std::string Trim(std::string_view s);
std::string TrimRight(std::string_view s);

// Letter case is ignored for ASCII letters only, as the 8-bit comparisons of the program do.
bool EqualsNoCase(std::string_view a, std::string_view b);
std::string ToUpperAscii(std::string_view s);
std::string ToLowerAscii(std::string_view s);

// Every byte but ASCII letters, digits, '.', '-' and '_' written as %XX (upper-case hex), so that any text
// (a path, a server and file) can name a value in the settings.
std::string EscapeForSettingsName(std::string_view text);

// printf-style formatting into a std::string.
std::string Format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

// Replaces every "%1" (and "%2") with the given texts, left to right.
std::string FormatMessage(std::string_view pattern, std::string_view arg1, std::string_view arg2 = {});

}  // namespace yarvelin

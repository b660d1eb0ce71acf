// The one place where 8-bit texts become QStrings and back, at the widget boundary. Product texts, the
// account name and the program's messages are Windows-1252 bytes; file paths are the system's own 8-bit
// form (UTF-8 here) and never go through the Windows-1252 pair.
#pragma once

#include <QString>
#include <optional>
#include <string>
#include <string_view>

namespace yarvelin {

QString FromCp1252(std::string_view bytes);
QString FromCp1252(const char* bytes);
// Characters Windows-1252 cannot hold become '?'.
std::string ToCp1252(const QString& text);
// The first character of text that Windows-1252 cannot hold, if any.
std::optional<char32_t> FirstUnencodable(const QString& text);
// The character and its code point, "Ż (U+017B)", for messages.
QString CharacterName(char32_t c);
// The message that refuses a typed character the feed's code page cannot hold.
QString CharacterNotStorableMessage(char32_t c);
// A file path in the system's 8-bit form, and back.
QString FromPath(const std::string& path);
std::string ToPath(const QString& path);
// Shorthand for quoted program texts written as Windows-1252 byte literals.
inline QString A(const char* bytes) {
    return FromCp1252(bytes);
}

}  // namespace yarvelin

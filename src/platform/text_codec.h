// Windows-1252 <-> Unicode at the widget boundary. Records keep the 8-bit bytes.
#pragma once

#include <QString>
#include <optional>
#include <string>

namespace yarvelin {

QString FromAnsi(const std::string& bytes);
QString FromAnsi(const char* bytes);
// Characters Windows-1252 cannot hold become '?'.
std::string ToAnsi(const QString& text);
// The first character of text that Windows-1252 cannot hold, if any.
std::optional<char32_t> FirstUnencodable(const QString& text);
// The character and its code point, "Ż (U+017B)", for messages.
QString CharacterName(char32_t c);
// The message that refuses a typed character the feed's code page cannot hold.
QString CharacterNotStorableMessage(char32_t c);
// Shorthand for quoted program texts written as Windows-1252 byte literals.
inline QString A(const char* bytes) {
    return FromAnsi(bytes);
}

}  // namespace yarvelin

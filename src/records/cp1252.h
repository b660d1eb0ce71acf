// The Windows-1252 code page that product texts are kept in, as a table of Unicode code points.
#pragma once

namespace yarvelin {

// A typed character the feed's 8-bit code page cannot hold; %1 is the character.
inline constexpr const char* kMsgCharacterNotStorable =
    "The character %1 cannot be stored in the feed file. Please remove it or replace it.";

// The code point a byte stands for. The five bytes the code page leaves unassigned (0x81, 0x8D, 0x8F,
// 0x90, 0x9D) stand for the C1 controls of the same value, so every byte survives a round trip.
char32_t Cp1252ToCodePoint(unsigned char byte);
// The byte for a code point, or -1 when the code page cannot hold it.
int Cp1252FromCodePoint(char32_t codePoint);

}  // namespace yarvelin

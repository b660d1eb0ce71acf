// Feed files exported as UTF-8: recognising them and converting their texts to Windows-1252.
//
// A file is read as UTF-8 when all of it is valid UTF-8 and it either begins with the UTF-8 byte-order
// mark or holds at least one multi-byte sequence. Anything else is read as Windows-1252, byte for byte:
// a file of plain ASCII reads the same either way, and a single byte that is not valid UTF-8 (an é
// written as the one byte 0xE9) anywhere in the file makes the whole file Windows-1252, since the two
// encodings cannot be mixed within one file.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace yarvelin {

// Tracks, line after line, whether a file can be UTF-8.
class CUtf8Detector {
  public:
    // Looks at the next line (without its line break). Gives false once the file cannot be UTF-8.
    bool Feed(std::string_view line);
    // The verdict for the lines fed so far.
    bool IsUtf8() const { return m_valid && (m_byteOrderMark || m_multiByte); }
    bool HasByteOrderMark() const { return m_byteOrderMark; }
    // A character that Windows-1252 cannot hold was seen in the last line fed.
    bool LastLineUnmappable() const { return m_lastLineUnmappable; }

  private:
    bool m_first = true;
    bool m_valid = true;
    bool m_byteOrderMark = false;
    bool m_multiByte = false;
    bool m_lastLineUnmappable = false;
};

// Length of the well-formed UTF-8 sequence that starts at text[pos], or 0 when none does there.
std::size_t Utf8SequenceLength(std::string_view text, std::size_t pos);

// The next code point of valid UTF-8 text at pos, moving pos past it; nothing checked.
char32_t NextUtf8CodePoint(std::string_view text, std::size_t& pos);

// Converts valid UTF-8 text in place into Windows-1252; a character the code page cannot hold becomes
// '?'. Gives the number of characters replaced.
std::size_t Utf8ToCp1252(std::string& text);

// A character of a UTF-8 feed that Windows-1252 cannot hold.
struct UnmappableCharacter {
    std::size_t product = 0;  // 1 for the first product, as the product list counts them
    int column = 0;
    char32_t codePoint = 0;
    std::string utf8;  // the character as the file holds it
};

// "Product 3, description: 'Ż' (U+017B)" (the character in UTF-8).
std::string DescribeUnmappable(const UnmappableCharacter& c);

struct FeedEncoding {
    bool utf8 = false;
    bool byteOrderMark = false;
    // Every character of the products that cannot be kept; only the first kListed are listed.
    static constexpr std::size_t kListed = 50;
    std::size_t unmappableCount = 0;
    std::vector<UnmappableCharacter> unmappable;
};

}  // namespace yarvelin

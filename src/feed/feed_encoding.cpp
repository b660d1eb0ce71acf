#include "feed/feed_encoding.h"

#include <cstdint>
#include <cstring>

#include "records/cp1252.h"
#include "records/other_record.h"
#include "records/text_util.h"

namespace yarvelin {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool AllAscii(const unsigned char* p, std::size_t n) {
    std::size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        std::uint64_t word;
        std::memcpy(&word, p + i, 8);
        if ((word & 0x8080808080808080ULL) != 0) {
            return false;
        }
    }
    for (; i < n; ++i) {
        if (p[i] >= 0x80) {
            return false;
        }
    }
    return true;
}

// Length of the well-formed UTF-8 sequence at p (RFC 3629: no overlong forms, no surrogates, nothing past
// U+10FFFF), or 0.
std::size_t SequenceLength(const unsigned char* p, std::size_t left) {
    const unsigned char b = p[0];
    auto cont = [&](std::size_t i) { return i < left && (p[i] & 0xC0) == 0x80; };
    if (b >= 0xC2 && b <= 0xDF) {
        return cont(1) ? 2 : 0;
    }
    if (b >= 0xE0 && b <= 0xEF) {
        if (left < 2) {
            return 0;
        }
        const unsigned char lo = b == 0xE0 ? 0xA0 : 0x80;
        const unsigned char hi = b == 0xED ? 0x9F : 0xBF;
        return p[1] >= lo && p[1] <= hi && cont(2) ? 3 : 0;
    }
    if (b >= 0xF0 && b <= 0xF4) {
        if (left < 2) {
            return 0;
        }
        const unsigned char lo = b == 0xF0 ? 0x90 : 0x80;
        const unsigned char hi = b == 0xF4 ? 0x8F : 0xBF;
        return p[1] >= lo && p[1] <= hi && cont(2) && cont(3) ? 4 : 0;
    }
    return 0;
}

}  // namespace

bool CUtf8Detector::Feed(std::string_view line) {
    m_lastLineUnmappable = false;
    if (!m_valid) {
        return false;
    }
    if (m_first) {
        m_first = false;
        if (line.substr(0, kByteOrderMark.size()) == kByteOrderMark) {
            m_byteOrderMark = true;
            line.remove_prefix(kByteOrderMark.size());
        }
    }
    const auto* p = reinterpret_cast<const unsigned char*>(line.data());
    const std::size_t n = line.size();
    if (AllAscii(p, n)) {
        return true;
    }
    for (std::size_t i = 0; i < n;) {
        if (p[i] < 0x80) {
            ++i;
            continue;
        }
        const std::size_t len = SequenceLength(p + i, n - i);
        if (len == 0) {
            m_valid = false;
            m_lastLineUnmappable = false;
            return false;
        }
        m_multiByte = true;
        std::size_t pos = i;
        if (!m_lastLineUnmappable && Cp1252FromCodePoint(NextUtf8CodePoint(line, pos)) < 0) {
            m_lastLineUnmappable = true;
        }
        i += len;
    }
    return true;
}

std::size_t Utf8SequenceLength(std::string_view text, std::size_t pos) {
    const auto* p = reinterpret_cast<const unsigned char*>(text.data()) + pos;
    return *p < 0x80 ? 1 : SequenceLength(p, text.size() - pos);
}

char32_t NextUtf8CodePoint(std::string_view text, std::size_t& pos) {
    const auto b = static_cast<unsigned char>(text[pos]);
    auto cont = [&](std::size_t i) {
        return static_cast<char32_t>(static_cast<unsigned char>(text[pos + i]) & 0x3F);
    };
    char32_t cp;
    std::size_t len;
    if (b < 0x80) {
        cp = b;
        len = 1;
    } else if (b < 0xE0) {
        cp = (static_cast<char32_t>(b & 0x1F) << 6) | cont(1);
        len = 2;
    } else if (b < 0xF0) {
        cp = (static_cast<char32_t>(b & 0x0F) << 12) | (cont(1) << 6) | cont(2);
        len = 3;
    } else {
        cp = (static_cast<char32_t>(b & 0x07) << 18) | (cont(1) << 12) | (cont(2) << 6) | cont(3);
        len = 4;
    }
    pos += len;
    return cp;
}

std::size_t Utf8ToCp1252(std::string& text) {
    if (AllAscii(reinterpret_cast<const unsigned char*>(text.data()), text.size())) {
        return 0;
    }
    std::size_t replaced = 0;
    std::size_t out = 0;
    for (std::size_t in = 0; in < text.size();) {
        const int b = Cp1252FromCodePoint(NextUtf8CodePoint(text, in));
        if (b < 0) {
            ++replaced;
        }
        text[out++] = b < 0 ? '?' : static_cast<char>(b);
    }
    text.resize(out);
    return replaced;
}

std::string DescribeUnmappable(const UnmappableCharacter& c) {
    const char* column = c.column >= 0 && c.column < kColumnCount ? kColumnNames[c.column] : "?";
    return Format("Product %zu, %s: '%s' (U+%04X)", c.product, column, c.utf8.c_str(),
                  static_cast<unsigned>(c.codePoint));
}

}  // namespace yarvelin

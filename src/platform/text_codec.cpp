#include "platform/text_codec.h"

#include <QList>

namespace yarvelin {

namespace {

// 0x80..0x9F; the five unassigned bytes pass through as the C1 controls of the same value.
constexpr char16_t kHigh[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

int Encode(uint cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) {
        return static_cast<int>(cp);
    }
    for (int i = 0; i < 32; ++i) {
        if (kHigh[i] == cp) {
            return 0x80 + i;
        }
    }
    return -1;
}

}  // namespace

QString FromAnsi(const std::string& bytes) {
    QString out;
    out.reserve(static_cast<qsizetype>(bytes.size()));
    for (unsigned char c : bytes) {
        if (c >= 0x80 && c < 0xA0) {
            out.append(QChar(kHigh[c - 0x80]));
        } else {
            out.append(QChar(static_cast<char16_t>(c)));
        }
    }
    return out;
}

QString FromAnsi(const char* bytes) {
    return FromAnsi(std::string(bytes ? bytes : ""));
}

std::string ToAnsi(const QString& text) {
    std::string out;
    out.reserve(static_cast<std::size_t>(text.size()));
    for (const uint cp : text.toUcs4()) {
        const int b = Encode(cp);
        out.push_back(b < 0 ? '?' : static_cast<char>(b));
    }
    return out;
}

std::optional<char32_t> FirstUnencodable(const QString& text) {
    for (const uint cp : text.toUcs4()) {
        if (Encode(cp) < 0) {
            return cp;
        }
    }
    return std::nullopt;
}

}  // namespace yarvelin

#include "records/text_util.h"

#include <cstdarg>
#include <cstdio>

namespace yarvelin {

bool IsTrimSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

std::string TrimRight(std::string_view s) {
    std::size_t e = s.size();
    while (e > 0 && IsTrimSpace(s[e - 1])) {
        --e;
    }
    return std::string(s.substr(0, e));
}

std::string_view TrimmedView(std::string_view s) {
    std::size_t b = 0;
    std::size_t e = s.size();
    while (b < e && IsTrimSpace(s[b])) {
        ++b;
    }
    while (e > b && IsTrimSpace(s[e - 1])) {
        --e;
    }
    return s.substr(b, e - b);
}

std::string Trim(std::string_view s) {
    return std::string(TrimmedView(s));
}

namespace {
char Upper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}
char Lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}
}  // namespace

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (Upper(a[i]) != Upper(b[i])) {
            return false;
        }
    }
    return true;
}

std::string ToUpperAscii(std::string_view s) {
    std::string r(s);
    for (char& c : r) {
        c = Upper(c);
    }
    return r;
}

std::string ToLowerAscii(std::string_view s) {
    std::string r(s);
    for (char& c : r) {
        c = Lower(c);
    }
    return r;
}

std::string EscapeForSettingsName(std::string_view text) {
    std::string name;
    name.reserve(text.size());
    for (char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if ((u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') || c == '.' ||
            c == '-' || c == '_') {
            name += c;
        } else {
            static constexpr char kHex[] = "0123456789ABCDEF";
            name += '%';
            name += kHex[u >> 4];
            name += kHex[u & 0x0F];
        }
    }
    return name;
}

std::string Format(const char* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    va_list copy;
    va_copy(copy, args);
    const int n = std::vsnprintf(nullptr, 0, fmt, copy);
    va_end(copy);
    std::string out;
    if (n > 0) {
        out.resize(static_cast<std::size_t>(n));
        std::vsnprintf(out.data(), out.size() + 1, fmt, args);
    }
    va_end(args);
    return out;
}

std::string FormatMessage(std::string_view pattern, std::string_view arg1, std::string_view arg2) {
    std::string out;
    out.reserve(pattern.size() + arg1.size() + arg2.size());
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == '%' && i + 1 < pattern.size() && (pattern[i + 1] == '1' || pattern[i + 1] == '2')) {
            out += pattern[i + 1] == '1' ? arg1 : arg2;
            ++i;
        } else {
            out += pattern[i];
        }
    }
    return out;
}

}  // namespace yarvelin

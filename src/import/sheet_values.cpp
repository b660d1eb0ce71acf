#include "import/sheet_values.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace yarvelin {

namespace {

// Beyond a double's range no sheet stores a number; the bound keeps "1E+999999999" from becoming a
// billion zeros.
constexpr int kMaxExponent = 330;

std::optional<std::string> Plain(std::string_view text, bool reduceNoise) {
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }
    std::string digits;
    long long point = -1;
    const std::size_t start = i;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c >= '0' && c <= '9') {
            digits += c;
        } else if (c == '.' && point < 0) {
            point = static_cast<long long>(digits.size());
        } else {
            break;
        }
    }
    if (digits.empty() || i - start > 1000) {
        return std::nullopt;
    }
    if (point < 0) {
        point = static_cast<long long>(digits.size());
    }
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        int exponent = 0;
        std::size_t e = i + 1 + (i + 1 < text.size() && text[i + 1] == '+' ? 1 : 0);
        const auto [end, err] = std::from_chars(text.data() + e, text.data() + text.size(), exponent);
        if (err != std::errc() || end == text.data() + e || exponent > kMaxExponent ||
            exponent < -kMaxExponent) {
            return std::nullopt;
        }
        point += exponent;
        i = static_cast<std::size_t>(end - text.data());
    }
    if (i != text.size()) {
        return std::nullopt;
    }
    // Leading zeros move the point, trailing zeros are implied by it.
    std::size_t first = digits.find_first_not_of('0');
    if (first == std::string::npos) {
        return std::string("0");
    }
    point -= static_cast<long long>(first);
    digits.erase(0, first);
    digits.erase(digits.find_last_not_of('0') + 1);
    const long long count = static_cast<long long>(digits.size());
    std::string plain = negative ? "-" : "";
    if (point <= 0) {
        plain += "0.";
        plain.append(static_cast<std::size_t>(-point), '0');
        plain += digits;
    } else if (point >= count) {
        plain += digits;
        plain.append(static_cast<std::size_t>(point - count), '0');
    } else {
        plain.append(digits, 0, static_cast<std::size_t>(point));
        plain += '.';
        plain.append(digits, static_cast<std::size_t>(point));
    }
    if (reduceNoise && count >= 16 && point < count) {
        double value = 0;
        const auto [end, err] = std::from_chars(text.data(), text.data() + text.size(), value);
        char buffer[64];
        const auto [out, err2] = std::to_chars(buffer, buffer + sizeof buffer, value);
        if (err == std::errc() && err2 == std::errc() && std::isfinite(value)) {
            auto shorter = Plain(std::string_view(buffer, static_cast<std::size_t>(out - buffer)), false);
            if (shorter && shorter->size() < plain.size()) {
                return shorter;
            }
        }
    }
    return plain;
}

// Civil date of a count of days since 1970-01-01 (proleptic Gregorian).
void CivilFromDays(long long z, long long& y, unsigned& m, unsigned& d) {
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y = static_cast<long long>(yoe) + era * 400 + (m <= 2 ? 1 : 0);
}

}  // namespace

std::optional<std::string> PlainNumber(std::string_view text) {
    return Plain(text, true);
}

std::optional<std::string> SerialDateText(double serial, bool date1904) {
    if (!(serial >= 0) || serial >= 2958466) {
        return std::nullopt;
    }
    long long days = static_cast<long long>(std::floor(serial));
    long long seconds = std::llround((serial - static_cast<double>(days)) * 86400.0);
    if (seconds >= 86400) {
        ++days;
        seconds -= 86400;
    }
    char time[64];
    std::snprintf(time, sizeof time, "%02lld:%02lld:%02lld", seconds / 3600, seconds / 60 % 60, seconds % 60);
    if (days == 0 && !date1904) {
        return std::string(time);
    }
    // Excel counts a 29 February 1900 that never was: serials before it are one day late.
    const long long epoch = date1904 ? -24107 : -25569;
    const long long sinceEpoch = days + (!date1904 && days < 61 ? 1 : 0);
    long long y = 0;
    unsigned m = 0, d = 0;
    CivilFromDays(epoch + sinceEpoch, y, m, d);
    char date[40];
    std::snprintf(date, sizeof date, "%04lld-%02u-%02u", y, m, d);
    return seconds == 0 ? std::string(date) : std::string(date) + "T" + time;
}

bool IsDateFormat(int id, std::string_view code) {
    if ((id >= 14 && id <= 22) || (id >= 27 && id <= 36) || (id >= 45 && id <= 47) ||
        (id >= 50 && id <= 58)) {
        return true;
    }
    if (id < 164) {
        return false;  // the other built-in formats are numbers, and code is empty for them
    }
    for (std::size_t i = 0; i < code.size(); ++i) {
        const char c = code[i];
        if (c == '"') {
            i = code.find('"', i + 1);
        } else if (c == '[') {
            i = code.find(']', i + 1);
        } else if (c == '\\' || c == '_' || c == '*') {
            ++i;
        } else if (c == ';') {
            return false;  // the first section decides
        } else if (std::string_view("yYdDmMhHsS").find(c) != std::string_view::npos) {
            return true;
        }
        if (i == std::string_view::npos) {
            break;
        }
    }
    return false;
}

std::string CellName(std::size_t column, long long row) {
    std::string letters;
    for (std::size_t n = column + 1; n > 0; n = (n - 1) / 26) {
        letters.insert(letters.begin(), static_cast<char>('A' + (n - 1) % 26));
    }
    return letters + std::to_string(row);
}

bool ParseCellName(std::string_view name, std::size_t& column, long long& row) {
    std::size_t i = 0;
    std::size_t n = 0;
    for (; i < name.size() && i < 4; ++i) {
        const char c = name[i];
        if (c >= 'A' && c <= 'Z') {
            n = n * 26 + static_cast<std::size_t>(c - 'A' + 1);
        } else if (c >= 'a' && c <= 'z') {
            n = n * 26 + static_cast<std::size_t>(c - 'a' + 1);
        } else {
            break;
        }
    }
    if (n == 0 || i == name.size()) {
        return false;
    }
    const auto [end, err] = std::from_chars(name.data() + i, name.data() + name.size(), row);
    if (err != std::errc() || end != name.data() + name.size() || row < 1) {
        return false;
    }
    column = n - 1;
    return true;
}

}  // namespace yarvelin

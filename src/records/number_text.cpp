#include "records/number_text.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace yarvelin {

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Length of the decimal number at the start of s ([sign] digits [. digits] [e [sign] digits]); 0 when none.
std::size_t DecimalPrefixLength(std::string_view s) {
    std::size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        ++i;
    }
    std::size_t digits = 0;
    while (i < s.size() && IsDigit(s[i])) {
        ++i;
        ++digits;
    }
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && IsDigit(s[i])) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0) {
        return 0;
    }
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < s.size() && (s[j] == '+' || s[j] == '-')) {
            ++j;
        }
        if (j < s.size() && IsDigit(s[j])) {
            while (j < s.size() && IsDigit(s[j])) {
                ++j;
            }
            i = j;
        }
    }
    return i;
}

// Converts a text DecimalPrefixLength accepted; nothing when it is out of the range of a double.
std::optional<double> ConvertDecimal(std::string_view s) {
    bool negative = false;
    if (!s.empty() && (s.front() == '+' || s.front() == '-')) {
        negative = s.front() == '-';
        s.remove_prefix(1);
    }
    double value = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (ec == std::errc::result_out_of_range) {
        // Underflow gives zero; overflow is no usable number.
        if (!std::isinf(value) && std::fabs(value) < 1.0) {
            return negative ? -0.0 : 0.0;
        }
        return std::nullopt;
    }
    if (ec != std::errc() || end != s.data() + s.size()) {
        return std::nullopt;
    }
    return negative ? -value : value;
}

}  // namespace

std::optional<double> ParseDialogNumber(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.remove_suffix(1);
    }
    const std::size_t n = DecimalPrefixLength(text);
    if (n == 0 || n != text.size()) {
        return std::nullopt;
    }
    const std::optional<double> value = ConvertDecimal(text);
    if (!value) {
        return std::nullopt;
    }
    if (*value == 0.0 && text.front() != '0') {
        return std::nullopt;
    }
    return value;
}

double LeadingNumber(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || (text.front() >= '\t' && text.front() <= '\r'))) {
        text.remove_prefix(1);
    }
    const std::size_t n = DecimalPrefixLength(text);
    if (n == 0) {
        return 0;
    }
    return ConvertDecimal(text.substr(0, n)).value_or(0);
}

std::string FormatFixed(double value, int decimals) {
    char buf[512];
    const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals);
    if (ec != std::errc()) {
        return {};
    }
    return std::string(buf, end);
}

std::string FormatGeneral(double value, int significantDigits) {
    char buf[64];
    const auto [end, ec] =
        std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, significantDigits);
    if (ec != std::errc()) {
        return {};
    }
    return std::string(buf, end);
}

}  // namespace yarvelin

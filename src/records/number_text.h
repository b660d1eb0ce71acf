// Numbers typed into dialog boxes and kept as text in records and settings. All conversions here are
// independent of the process locale: feed files and settings always use a decimal point.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace yarvelin {

// A dialog box read as a number: blanks and tabs around a decimal number are allowed; an empty box is
// not a number, and a text whose value is zero counts only when it begins with the digit 0.
std::optional<double> ParseDialogNumber(std::string_view text);

// The leading decimal number of a text after leading white space, 0 when there is none ("12.5abc" is 12.5).
double LeadingNumber(std::string_view text);

// Fixed notation with the given fraction digits ("%.2f", "%f" for 6), without padding.
std::string FormatFixed(double value, int decimals);
// General notation with up to the given significant digits ("%.15g"): 12.5, 0, 1e+20.
std::string FormatGeneral(double value, int significantDigits);

}  // namespace yarvelin

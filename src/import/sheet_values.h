// How a spreadsheet's stored values become the texts a CSV export of the sheet would hold: numbers as the
// decimals they are (never 1E+20, never a UPC's digits rounded away), date serials as ISO dates, cell names.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace yarvelin {

// A stored number ("4006381333931", "1E+20", "-1.5e-3") as a plain decimal without superfluous zeros
// ("4006381333931", "100000000000000000000", "-0.0015"). A fraction with 16 or more digits, the noise of a
// binary double written in full ("19.899999999999999"), is given as the shortest decimal that reads back
// as the same double ("19.9"). nullopt: no number.
std::optional<std::string> PlainNumber(std::string_view text);

// A date serial (days since 1899-12-30, Excel's 1900 leap-year mistake kept; since 1904-01-01 for
// workbooks of the 1904 system) as YYYY-MM-DD, YYYY-MM-DDTHH:MM:SS when it has a time of day, HH:MM:SS
// when it is only one. nullopt outside the years 1900 to 9999.
std::optional<std::string> SerialDateText(double serial, bool date1904);

// Whether an xlsx number format shows a date or time: the built-in formats 14-22, 27-36, 45-47 and 50-58,
// or a format code with day, month, year, hour or second parts outside quotes and brackets.
bool IsDateFormat(int id, std::string_view code);

// "C5" for column 2 (0-based) of row 5.
std::string CellName(std::size_t column, long long row);

// The 0-based column of a cell name ("C5" -> 2) and its row; false when it is none.
bool ParseCellName(std::string_view name, std::size_t& column, long long& row);

}  // namespace yarvelin

// One value of an RFC 4180 CSV file, as the files we write for spreadsheets and scripts quote it.
#pragma once

#include <string>
#include <string_view>

namespace yarvelin {

// A value quoted when it holds the separator, a quote, a line break or blanks at either end; quotes
// inside are doubled.
void AppendCsvField(std::string& out, std::string_view utf8);

}  // namespace yarvelin

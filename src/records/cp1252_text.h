// Windows-1252 texts turned into UTF-8 for the outside world (terminals, JSON).
#pragma once

#include <string>
#include <string_view>

namespace yarvelin {

// Every byte becomes its character: 0x80-0x9F through the Windows-1252 table (the five codes it leaves
// free become the control characters of the same number), the rest as Latin-1.
void AppendCp1252AsUtf8(std::string& out, std::string_view text);
std::string Cp1252ToUtf8(std::string_view text);

}  // namespace yarvelin

// The feed's twenty columns as RFC 4180 CSV in UTF-8, for spreadsheets and scripts. Importing such a file
// with the generic profile gives the same products back.
#pragma once

#include <string>
#include <string_view>

#include "records/csv_field.h"
#include "records/other_record.h"

namespace yarvelin {

// The column names, and one record's values (Windows-1252 turned into UTF-8), each ending in CR LF.
void AppendCsvHeader(std::string& out);
void AppendCsvRecord(std::string& out, const COtherRecord& record);

}  // namespace yarvelin

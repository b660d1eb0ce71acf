// Rows of a shop's export, whatever the file is (a CSV export, a spreadsheet): what the import reads. Each
// row has the header's number of values, its texts in Windows-1252; the header's names stay in UTF-8 (they
// meet the map and the command line).
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace yarvelin {

struct ExportRowSource {
    virtual ~ExportRowSource() = default;

    virtual const std::vector<std::string>& Header() const = 0;
    // The next data row; false at the end. Throws CImportError for a row that cannot be read.
    virtual bool Next(std::vector<std::string>& cells) = 0;
    // Where the row Next gave last begins: a CSV line, a spreadsheet's row number.
    virtual long long RowLine() const = 0;
    // Whether a value of that row can hold a line break.
    virtual bool RowMayHoldLineBreaks() const = 0;
    // Whether any value can hold a TAB at all.
    virtual bool MayHoldTabs() const = 0;
    // Characters Windows-1252 cannot hold; each became '?'.
    virtual std::size_t Unmappable() const = 0;
    // The CSV separator, ',' where there is none.
    virtual char Separator() const = 0;
    virtual bool IsUtf8() const = 0;
};

}  // namespace yarvelin

// What a spreadsheet reader shares: its first non-empty row is the header, each further row is cut or
// filled to the header's width (a value beyond the named columns has no column to go to), rows with no
// value are left out as a CSV export's blank lines are, texts become Windows-1252, and every mistake
// names the sheet and the cell ("Sheet1!C5: ...").
#pragma once

#include <string>
#include <vector>

#include "import/export_row_source.h"

namespace yarvelin {

class CSheetRows : public ExportRowSource {
  public:
    static constexpr std::size_t kMaxColumns = 16384;

    const std::vector<std::string>& Header() const override { return m_header; }
    bool Next(std::vector<std::string>& cells) override;
    long long RowLine() const override { return m_row; }
    bool RowMayHoldLineBreaks() const override { return m_rowBreaks; }
    bool MayHoldTabs() const override { return m_mayHoldTabs; }
    std::size_t Unmappable() const override { return m_unmappable; }
    char Separator() const override { return ','; }
    bool IsUtf8() const override { return true; }

  protected:
    // Reads the sheet's next row into the cells (after StartRow); false at the end of the sheet.
    virtual bool ReadRow() = 0;

    // Reads the header row; call at the end of opening. Throws CImportError.
    void ReadHeader();
    void StartRow(long long row);
    // The UTF-8 text of the row's cell in column (0-based), or nullptr beyond the header's columns.
    // Throws CImportError past the last column a sheet can have.
    std::string* Cell(std::size_t column);
    // The row just read stands for count equal rows (an .ods file's repeated rows).
    void RepeatRow(long long count) { m_repeat = count - 1; }
    // Where reading is, for messages: the cell names count from here.
    void At(std::size_t column) { m_column = column; }
    [[noreturn]] void Fail(const std::string& what) const;
    std::string Where() const;

    std::string m_sheet;  // the sheet's name
    bool m_mayHoldTabs = false;

  private:
    bool ReadNamedRow();

    std::vector<std::string> m_header;
    bool m_headerRead = false;
    std::vector<std::string> m_cells;
    std::vector<std::string> m_repeated;  // the UTF-8 row a repeat gives again
    long long m_repeat = 0;
    long long m_row = 0;
    std::size_t m_column = 0;
    bool m_rowBreaks = false;
    std::size_t m_unmappable = 0;
};

}  // namespace yarvelin

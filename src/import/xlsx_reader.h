// An Office Open XML workbook (.xlsx) read as an export: one sheet streamed row by row, its shared strings
// and which of its styles show dates read first.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "import/sheet_rows.h"
#include "import/zip_archive.h"
#include "import/zip_xml_reader.h"

namespace yarvelin {

class CXlsxReader : public CSheetRows {
  public:
    // Opens the sheet named sheet (empty: the first) and reads its header row. Throws CImportError.
    void Open(const std::string& path, const std::string& sheet);

  protected:
    bool ReadRow() override;

  private:
    // The sheet's entry in the archive; also finds the shared strings, the styles and the date system.
    std::string ReadWorkbook(const std::string& sheet);
    void ReadSharedStrings(const std::string& entry);
    void ReadStyles(const std::string& entry);
    // Text of <t> elements up to the end of element (rich text runs joined, phonetic runs left out).
    void ReadText(std::string_view element, std::string& text);
    void FinishCell(std::string* cell, std::string_view type, std::size_t style);

    CZipArchive m_archive;
    std::unique_ptr<CZipXmlReader> m_xml;
    std::string m_strings;               // the shared strings, one after another
    std::vector<std::size_t> m_offsets;  // where each begins, and one past the last
    std::vector<bool> m_dateStyles;      // by cell style index
    bool m_date1904 = false;
    long long m_nextRow = 1;
    bool m_done = false;
    std::string m_value;
    std::string m_type;
};

}  // namespace yarvelin

// An OpenDocument spreadsheet (.ods) read as an export: content.xml streamed to the one table read, its
// repeated cells and rows given as often as they stand for values, never expanded when they are empty.
#pragma once

#include <memory>
#include <string>

#include "import/sheet_rows.h"
#include "import/zip_archive.h"
#include "import/zip_xml_reader.h"

namespace yarvelin {

class COdsReader : public CSheetRows {
  public:
    // Opens the table named sheet (empty: the first) and reads its header row. Throws CImportError.
    void Open(const std::string& path, const std::string& sheet);

  protected:
    bool ReadRow() override;

  private:
    // The text of a string cell: its paragraphs on lines of their own, text:s spaces, text:tab TABs;
    // notes on the cell left out.
    void ReadCellText(std::string& text);

    CZipArchive m_archive;
    std::unique_ptr<CZipXmlReader> m_xml;
    long long m_nextRow = 1;
    bool m_done = false;
    std::string m_value;
    std::string m_type;
};

}  // namespace yarvelin

#include "import/sheet_rows.h"

#include <algorithm>

#include "feed/feed_encoding.h"
#include "import/import_error.h"
#include "import/sheet_values.h"
#include "records/text_util.h"

namespace yarvelin {

namespace {

bool IsEmptyRow(const std::vector<std::string>& cells) {
    return std::all_of(cells.begin(), cells.end(), [](const std::string& c) { return c.empty(); });
}

}  // namespace

std::string CSheetRows::Where() const {
    return m_sheet + "!" + CellName(m_column, m_row);
}

void CSheetRows::Fail(const std::string& what) const {
    // Named with the cell where it is caught (ReadNamedRow), so that the archive's and the XML's own
    // mistakes are named too.
    throw CImportError(CImportError::Kind::kInput, 0, what);
}

void CSheetRows::StartRow(long long row) {
    m_row = row;
    m_column = 0;
    if (m_headerRead) {
        m_cells.resize(m_header.size());
    }
    for (std::string& cell : m_cells) {
        cell.clear();
    }
}

std::string* CSheetRows::Cell(std::size_t column) {
    m_column = column;
    if (column >= m_cells.size()) {
        if (m_headerRead) {
            return nullptr;
        }
        if (column >= kMaxColumns) {
            Fail(Format("a sheet has at most %zu columns", kMaxColumns));
        }
        m_cells.resize(column + 1);
    }
    return &m_cells[column];
}

bool CSheetRows::ReadNamedRow() {
    try {
        return ReadRow();
    } catch (const CImportError& e) {
        throw CImportError(CImportError::Kind::kInput, 0, Where() + ": " + e.what());
    }
}

void CSheetRows::ReadHeader() {
    do {
        if (!ReadNamedRow()) {
            throw CImportError(CImportError::Kind::kInput, 0,
                               "the sheet '" + m_sheet + "' is empty: its first row names the columns");
        }
    } while (IsEmptyRow(m_cells));
    if (m_repeat > 0) {
        m_repeated = m_cells;
    }
    std::size_t width = m_cells.size();
    while (Trim(m_cells[width - 1]).empty()) {
        --width;
    }
    for (std::size_t i = 0; i < width; ++i) {
        m_header.push_back(Trim(m_cells[i]));
        for (std::size_t j = 0; j < i; ++j) {
            if (!m_header[i].empty() && m_header[i] == m_header[j]) {
                m_column = i;
                throw CImportError(
                    CImportError::Kind::kInput, 0,
                    Format("%s: two columns are named '%s' (%s and %s)", Where().c_str(), m_header[i].c_str(),
                           CellName(j, m_row).c_str(), CellName(i, m_row).c_str()));
            }
        }
    }
    m_headerRead = true;
}

bool CSheetRows::Next(std::vector<std::string>& cells) {
    while (true) {
        if (m_repeat > 0) {
            --m_repeat;
            ++m_row;
            m_cells.resize(m_header.size());
            std::copy(m_repeated.begin(), m_repeated.begin() + static_cast<long>(m_header.size()),
                      m_cells.begin());
            break;
        }
        if (!ReadNamedRow()) {
            return false;
        }
        if (!IsEmptyRow(m_cells)) {
            if (m_repeat > 0) {
                m_repeated = m_cells;
            }
            break;
        }
        m_repeat = 0;  // empty rows give nothing, however many
    }
    std::swap(cells, m_cells);
    m_rowBreaks = false;
    for (std::string& cell : cells) {
        m_rowBreaks = m_rowBreaks || cell.find_first_of("\r\n") != std::string::npos;
        m_unmappable += Utf8ToCp1252(cell);
    }
    return true;
}

}  // namespace yarvelin

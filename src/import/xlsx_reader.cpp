#include "import/xlsx_reader.h"

#include <charconv>
#include <unordered_map>

#include "import/import_error.h"
#include "import/sheet_values.h"
#include "records/text_util.h"

namespace yarvelin {

namespace {

constexpr std::string_view kRelationshipsNs =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships";

[[noreturn]] void FailOpen(const std::string& what) {
    throw CImportError(CImportError::Kind::kInput, 0, what);
}

template <typename T>
bool ParseNumber(std::string_view text, T& out) {
    const auto [end, err] = std::from_chars(text.data(), text.data() + text.size(), out);
    return err == std::errc() && end == text.data() + text.size();
}

// A relationship's target as an entry of the archive: relative to xl/, or from the root with a '/'.
std::string EntryOf(std::string_view target) {
    if (!target.empty() && target.front() == '/') {
        return std::string(target.substr(1));
    }
    return "xl/" + std::string(target);
}

bool EndsWith(std::string_view text, std::string_view end) {
    return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

}  // namespace

void CXlsxReader::Open(const std::string& path, const std::string& sheet) {
    m_archive.Open(path);
    const std::string entry = ReadWorkbook(sheet);
    // A TAB can reach a value from the shared strings (seen as they are read) or from the sheet itself.
    m_archive.OpenEntry(entry);
    char buffer[65536];
    for (std::size_t n; !m_mayHoldTabs && (n = m_archive.Read(buffer, sizeof buffer)) > 0;) {
        const std::string_view part(buffer, n);
        m_mayHoldTabs = part.find('\t') != std::string_view::npos ||
                        part.find("&#9;") != std::string_view::npos ||
                        part.find("&#x9;") != std::string_view::npos;
    }
    m_archive.CloseEntry();
    m_xml = std::make_unique<CZipXmlReader>(m_archive, entry);
    ReadHeader();
}

std::string CXlsxReader::ReadWorkbook(const std::string& sheet) {
    if (!m_archive.Has("xl/workbook.xml")) {
        FailOpen("the workbook has no xl/workbook.xml: it is no .xlsx file");
    }
    std::string id;
    std::string names;
    {
        CZipXmlReader xml(m_archive, "xl/workbook.xml");
        while (xml.Read()) {
            if (xml.IsStart("workbookPr")) {
                xml.ForEachAttribute([&](std::string_view name, std::string_view value) {
                    if (name == "date1904") {
                        m_date1904 = value == "1" || value == "true";
                    }
                });
            } else if (xml.IsStart("sheet") && id.empty()) {
                std::string name, rid;
                xml.ForEachAttribute([&](std::string_view local, std::string_view value) {
                    if (local == "name") {
                        name = value;
                    } else if (local == "id" && xml.NamespaceUri() == kRelationshipsNs) {
                        rid = value;
                    }
                });
                names += (names.empty() ? "'" : ", '") + name + "'";
                if (sheet.empty() || sheet == name) {
                    id = rid;
                    m_sheet = name;
                }
            }
        }
    }
    if (id.empty()) {
        FailOpen(sheet.empty() ? std::string("the workbook has no sheet")
                               : "the workbook has no sheet '" + sheet + "' (its sheets: " + names + ")");
    }
    std::string entry = "xl/worksheets/sheet1.xml";
    std::string strings = "xl/sharedStrings.xml";
    std::string styles = "xl/styles.xml";
    if (m_archive.Has("xl/_rels/workbook.xml.rels")) {
        CZipXmlReader xml(m_archive, "xl/_rels/workbook.xml.rels");
        while (xml.Read()) {
            if (!xml.IsStart("Relationship")) {
                continue;
            }
            std::string rid, target, type;
            xml.ForEachAttribute([&](std::string_view local, std::string_view value) {
                (local == "Id" ? rid : local == "Target" ? target : local == "Type" ? type : m_value) = value;
            });
            if (rid == id) {
                entry = EntryOf(target);
            } else if (EndsWith(type, "/sharedStrings")) {
                strings = EntryOf(target);
            } else if (EndsWith(type, "/styles")) {
                styles = EntryOf(target);
            }
        }
    }
    if (m_archive.Has(strings)) {
        ReadSharedStrings(strings);
    }
    if (m_archive.Has(styles)) {
        ReadStyles(styles);
    }
    return entry;
}

void CXlsxReader::ReadText(std::string_view element, std::string& text) {
    bool inText = false;
    int phonetic = 0;
    while (m_xml->Read()) {
        if (m_xml->IsEnd(element)) {
            return;
        }
        if (m_xml->IsStart("rPh") && !m_xml->IsEmptyElement()) {
            ++phonetic;
        } else if (m_xml->IsEnd("rPh")) {
            --phonetic;
        } else if (m_xml->IsStart("t")) {
            inText = !m_xml->IsEmptyElement();
        } else if (m_xml->IsEnd("t")) {
            inText = false;
        } else if (inText && phonetic == 0 && m_xml->IsText()) {
            text += m_xml->Value();
        }
    }
}

void CXlsxReader::ReadSharedStrings(const std::string& entry) {
    m_xml = std::make_unique<CZipXmlReader>(m_archive, entry);
    m_offsets.push_back(0);
    while (m_xml->Read()) {
        if (m_xml->IsStart("si")) {
            if (!m_xml->IsEmptyElement()) {
                ReadText("si", m_strings);
            }
            m_offsets.push_back(m_strings.size());
        }
    }
    m_xml.reset();
    m_mayHoldTabs = m_strings.find('\t') != std::string::npos;
}

void CXlsxReader::ReadStyles(const std::string& entry) {
    CZipXmlReader xml(m_archive, entry);
    std::unordered_map<int, bool> custom;
    bool inCellFormats = false;
    while (xml.Read()) {
        if (xml.IsStart("numFmt")) {
            int id = -1;
            std::string code;
            xml.ForEachAttribute([&](std::string_view local, std::string_view value) {
                if (local == "numFmtId") {
                    ParseNumber(value, id);
                } else if (local == "formatCode") {
                    code = value;
                }
            });
            custom[id] = IsDateFormat(id < 164 ? 164 : id, code);
        } else if (xml.IsStart("cellXfs")) {
            inCellFormats = !xml.IsEmptyElement();
        } else if (xml.IsEnd("cellXfs")) {
            inCellFormats = false;
        } else if (inCellFormats && xml.IsStart("xf")) {
            int id = 0;
            xml.ForEachAttribute([&](std::string_view local, std::string_view value) {
                if (local == "numFmtId") {
                    ParseNumber(value, id);
                }
            });
            const auto found = custom.find(id);
            m_dateStyles.push_back(found != custom.end() ? found->second : IsDateFormat(id, {}));
        }
    }
}

void CXlsxReader::FinishCell(std::string* cell, std::string_view type, std::size_t style) {
    if (cell == nullptr) {
        return;
    }
    if (type == "s") {
        std::size_t index = 0;
        if (!ParseNumber(std::string_view(m_value), index) || index + 1 >= m_offsets.size()) {
            Fail("the shared string '" + m_value + "' does not exist");
        }
        cell->assign(m_strings, m_offsets[index], m_offsets[index + 1] - m_offsets[index]);
    } else if (type == "b") {
        if (m_value != "0" && m_value != "1") {
            Fail("'" + m_value + "' is no truth value");
        }
        *cell = m_value == "1" ? "TRUE" : "FALSE";
    } else if (type == "n" || type.empty()) {
        if (m_value.empty()) {
            return;
        }
        std::optional<std::string> text;
        if (style < m_dateStyles.size() && m_dateStyles[style]) {
            double serial = 0;
            if (std::from_chars(m_value.data(), m_value.data() + m_value.size(), serial).ec == std::errc()) {
                text = SerialDateText(serial, m_date1904);
            }
        }
        if (!text) {
            text = PlainNumber(m_value);
        }
        if (!text) {
            Fail("'" + m_value + "' is no number");
        }
        *cell = std::move(*text);
    } else {
        // str (a formula's text), inlineStr, e (an error such as #N/A, kept for the checks to find), d
        *cell = std::move(m_value);
    }
}

bool CXlsxReader::ReadRow() {
    if (m_done) {
        return false;
    }
    while (m_xml->Read()) {
        if (m_xml->IsEnd("sheetData")) {
            break;
        }
        if (!m_xml->IsStart("row")) {
            continue;
        }
        long long row = m_nextRow;
        m_xml->ForEachAttribute([&](std::string_view local, std::string_view value) {
            if (local == "r" && !ParseNumber(value, row)) {
                row = -1;
            }
        });
        StartRow(row > 0 ? row : m_nextRow);
        if (row < m_nextRow) {
            Fail(row < 1 ? std::string("the row has no number") : "the row comes after a later row");
        }
        m_nextRow = row + 1;
        if (m_xml->IsEmptyElement()) {
            return true;
        }
        std::size_t next = 0;
        while (m_xml->Read() && !m_xml->IsEnd("row")) {
            if (!m_xml->IsStart("c")) {
                continue;
            }
            std::size_t column = next;
            std::size_t style = 0;
            long long cellRow = row;
            bool named = true;
            m_type.clear();
            m_xml->ForEachAttribute([&](std::string_view local, std::string_view value) {
                if (local == "r") {
                    named = ParseCellName(value, column, cellRow) && cellRow == row;
                } else if (local == "t") {
                    m_type = value;
                } else if (local == "s") {
                    named = named && ParseNumber(value, style);
                }
            });
            At(column);
            if (!named || column < next) {
                Fail("the cell's name or style is broken, or it comes after a later cell");
            }
            next = column + 1;
            std::string* cell = Cell(column);
            m_value.clear();
            if (!m_xml->IsEmptyElement()) {
                while (m_xml->Read() && !m_xml->IsEnd("c")) {
                    if (m_xml->IsStart("v") && !m_xml->IsEmptyElement()) {
                        while (m_xml->Read() && !m_xml->IsEnd("v")) {
                            if (m_xml->IsText()) {
                                m_value += m_xml->Value();
                            }
                        }
                    } else if (m_xml->IsStart("is") && !m_xml->IsEmptyElement()) {
                        ReadText("is", m_value);
                    }
                }
            }
            FinishCell(cell, m_type, style);
        }
        return true;
    }
    m_done = true;
    return false;
}

}  // namespace yarvelin

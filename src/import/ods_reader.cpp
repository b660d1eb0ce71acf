#include "import/ods_reader.h"

#include <algorithm>
#include <charconv>
#include <vector>

#include "import/import_error.h"
#include "import/sheet_values.h"
#include "records/text_util.h"

namespace yarvelin {

namespace {

constexpr std::string_view kOfficeNs = "urn:oasis:names:tc:opendocument:xmlns:office:1.0";
constexpr std::string_view kTableNs = "urn:oasis:names:tc:opendocument:xmlns:table:1.0";
constexpr std::string_view kTextNs = "urn:oasis:names:tc:opendocument:xmlns:text:1.0";
// As many rows as a sheet can have; a repeat beyond it is no sheet's.
constexpr long long kMaxRows = 1LL << 24;

long long Count(std::string_view text) {
    long long n = 0;
    const auto [end, err] = std::from_chars(text.data(), text.data() + text.size(), n);
    return err == std::errc() && end == text.data() + text.size() && n >= 1 ? n : -1;
}

// "2024-05-31T00:00:00.000" -> "2024-05-31", "2024-05-31T13:45:10.5" -> "2024-05-31T13:45:10".
std::string DateText(std::string_view value) {
    value = value.substr(0, value.find('.'));
    if (value.size() > 10 && value.substr(10) == "T00:00:00") {
        value = value.substr(0, 10);
    }
    return std::string(value);
}

// "PT13H45M10S" -> "13:45:10"; anything else as it is.
std::string TimeText(std::string_view value) {
    long long h = 0, m = 0, s = 0;
    if (value.substr(0, 2) != "PT") {
        return std::string(value);
    }
    const char* p = value.data() + 2;
    const char* end = value.data() + value.size();
    for (long long* part : {&h, &m, &s}) {
        const auto [e, err] = std::from_chars(p, end, *part);
        if (err != std::errc() || e == end) {
            return std::string(value);
        }
        p = e;
        while (p != end && *p != 'H' && *p != 'M' && *p != 'S') {
            ++p;  // a fraction of a second
        }
        if (p == end) {
            return std::string(value);
        }
        ++p;
    }
    return Format("%02lld:%02lld:%02lld", h, m, s);
}

}  // namespace

void COdsReader::Open(const std::string& path, const std::string& sheet) {
    m_archive.Open(path);
    // Whether a TAB can reach a value: as text:tab, or as a character reference the writer chose. The last
    // bytes of a buffer are kept before the next, so that a name split between two is still found.
    m_archive.OpenEntry("content.xml");
    constexpr std::size_t kKeep = 8;
    std::vector<char> buffer(kKeep + 65536);
    std::size_t kept = 0;
    for (std::size_t n;
         !m_mayHoldTabs && (n = m_archive.Read(buffer.data() + kept, buffer.size() - kept)) > 0;) {
        const std::string_view part(buffer.data(), kept + n);
        m_mayHoldTabs =
            part.find('\t') != std::string_view::npos || part.find(":tab") != std::string_view::npos ||
            part.find("&#9;") != std::string_view::npos || part.find("&#x9;") != std::string_view::npos;
        kept = std::min(kKeep, part.size());
        std::copy(part.end() - static_cast<long>(kept), part.end(), buffer.begin());
    }
    m_archive.CloseEntry();
    m_xml = std::make_unique<CZipXmlReader>(m_archive, "content.xml");
    std::string names;
    while (m_xml->Read()) {
        if (!m_xml->IsStart("table") || m_xml->NamespaceUri() != kTableNs) {
            continue;
        }
        std::string name;
        m_xml->ForEachAttribute([&](std::string_view local, std::string_view value) {
            if (local == "name" && m_xml->NamespaceUri() == kTableNs) {
                name = value;
            }
        });
        if (sheet.empty() || sheet == name) {
            m_sheet = name;
            if (m_xml->IsEmptyElement()) {
                m_done = true;
            }
            ReadHeader();
            return;
        }
        names += (names.empty() ? "'" : ", '") + name + "'";
    }
    throw CImportError(CImportError::Kind::kInput, 0,
                       sheet.empty()
                           ? std::string("the spreadsheet has no sheet")
                           : "the spreadsheet has no sheet '" + sheet + "' (its sheets: " + names + ")");
}

void COdsReader::ReadCellText(std::string& text) {
    int note = 0;
    int paragraphs = 0;
    while (m_xml->Read()) {
        const std::string_view name = m_xml->ElementName();
        if (m_xml->IsEnd("table-cell") || m_xml->IsEnd("covered-table-cell")) {
            return;
        }
        if (m_xml->IsStart("annotation")) {
            note += m_xml->IsEmptyElement() ? 0 : 1;
        } else if (m_xml->IsEnd("annotation")) {
            --note;
        } else if (note > 0) {
            continue;
        } else if (m_xml->IsText()) {
            text += m_xml->Value();
        } else if (m_xml->IsStart(name) && m_xml->NamespaceUri() == kTextNs) {
            if (name == "p" || name == "h") {
                if (paragraphs++ > 0) {
                    text += '\n';
                }
            } else if (name == "s") {
                long long blanks = 1;
                m_xml->ForEachAttribute([&](std::string_view local, std::string_view value) {
                    if (local == "c") {
                        blanks = std::min(Count(value), 1000LL);
                    }
                });
                text.append(static_cast<std::size_t>(std::max(blanks, 1LL)), ' ');
            } else if (name == "tab") {
                text += '\t';
            } else if (name == "line-break") {
                text += '\n';
            }
        }
    }
}

bool COdsReader::ReadRow() {
    while (!m_done && m_xml->Read()) {
        if (m_xml->IsEnd("table")) {
            break;
        }
        if (!m_xml->IsStart("table-row")) {
            continue;
        }
        long long rows = 1;
        m_xml->ForEachAttribute([&](std::string_view local, std::string_view value) {
            if (local == "number-rows-repeated" && m_xml->NamespaceUri() == kTableNs) {
                rows = Count(value);
            }
        });
        StartRow(m_nextRow);
        if (rows < 1 || m_nextRow + rows > kMaxRows) {
            Fail("the row's repeat count is broken or passes the last row a sheet can have");
        }
        m_nextRow += rows;
        RepeatRow(rows);
        if (m_xml->IsEmptyElement()) {
            return true;
        }
        std::size_t column = 0;
        while (m_xml->Read() && !m_xml->IsEnd("table-row")) {
            const bool covered = m_xml->IsStart("covered-table-cell");
            if (!covered && !m_xml->IsStart("table-cell")) {
                continue;
            }
            At(column);
            long long repeat = 1;
            m_type.clear();
            m_value.clear();
            bool hasString = false;
            // Names first: a namespace is looked up only for a name that may need it.
            m_xml->ForEachAttribute([&](std::string_view local, std::string_view value) {
                if (local == "number-columns-repeated" && m_xml->NamespaceUri() == kTableNs) {
                    repeat = Count(value);
                } else if (local != "value-type" && local != "value" && local != "date-value" &&
                           local != "time-value" && local != "boolean-value" && local != "string-value") {
                    return;
                } else if (m_xml->NamespaceUri() != kOfficeNs) {
                    return;
                } else if (local == "value-type") {
                    m_type = value;
                } else if ((local == "value" && m_type != "string") || local == "date-value" ||
                           local == "time-value" || local == "boolean-value" || local == "string-value") {
                    m_value = value;
                    hasString = local == "string-value";
                }
            });
            if (repeat < 1) {
                Fail("the cell's repeat count is broken");
            }
            const bool empty = m_xml->IsEmptyElement();
            if (m_type == "string" && !hasString) {
                m_value.clear();
                if (!empty) {
                    ReadCellText(m_value);
                }
            } else if (!empty) {
                std::string ignored;
                ReadCellText(ignored);  // the shown text of a value: the value itself is taken
            }
            if (covered || m_type.empty()) {
                m_value.clear();  // the hidden part of a merged cell; a cell with no value
            } else if (m_type == "float" || m_type == "percentage" || m_type == "currency") {
                std::optional<std::string> number = PlainNumber(m_value);
                if (!number) {
                    Fail("'" + m_value + "' is no number");
                }
                m_value = std::move(*number);
            } else if (m_type == "date") {
                m_value = DateText(m_value);
            } else if (m_type == "time") {
                m_value = TimeText(m_value);
            } else if (m_type == "boolean") {
                m_value = m_value == "true" ? "TRUE" : "FALSE";
            }
            // Empty repeats, often thousands at a row's end, only move the column.
            for (long long i = 0; !m_value.empty() && i < repeat; ++i) {
                std::string* cell = Cell(column + static_cast<std::size_t>(i));
                if (cell == nullptr) {
                    break;
                }
                *cell = m_value;
            }
            column += static_cast<std::size_t>(std::min(repeat, static_cast<long long>(kMaxColumns) + 1));
        }
        return true;
    }
    m_done = true;
    return false;
}

}  // namespace yarvelin

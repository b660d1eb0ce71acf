#include "import/csv_reader.h"

#include <csv.h>

#include <array>
#include <cstring>
#include <new>

#include "feed/feed_encoding.h"
#include "feed/file_error.h"
#include "import/import_error.h"
#include "records/cp1252_text.h"
#include "records/text_util.h"

namespace yarvelin {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

[[noreturn]] void Fail(long long line, const std::string& what) {
    throw CImportError(CImportError::Kind::kInput, line, what);
}

void FieldCallback(void* text, std::size_t len, void* self) {
    static_cast<CCsvReader*>(self)->OnField(static_cast<const char*>(text), len);
}

void RowCallback(int, void* self) {
    static_cast<CCsvReader*>(self)->OnRowEnd();
}

// RFC 4180: blanks belong to the value; libcsv would trim them by default.
int NoSpace(unsigned char) {
    return 0;
}

// The separator the header line uses most, outside quotes: TAB, then ';', then ',' on a tie.
char DetectSeparator(std::string_view line) {
    std::array<std::size_t, 3> counts{};
    constexpr std::array<char, 3> candidates{'\t', ';', ','};
    bool quoted = false;
    for (char c : line) {
        if (c == '"') {
            quoted = !quoted;
        } else if (!quoted) {
            for (std::size_t i = 0; i < candidates.size(); ++i) {
                counts[i] += c == candidates[i] ? 1 : 0;
            }
        }
    }
    std::size_t best = 2;
    for (std::size_t i = 0; i < candidates.size(); ++i) {
        if (counts[i] > counts[best]) {
            best = i;
        }
    }
    return candidates[best];
}

std::string ReadFailure(int err, const std::string& path) {
    return FileErrorText(FileErrorCauseForOpen(err, path), path);
}

}  // namespace

CCsvReader::CCsvReader() : m_parser(new csv_parser{}) {}

CCsvReader::~CCsvReader() {
    if (m_parserReady) {
        csv_free(m_parser);
    }
    delete m_parser;
}

void CCsvReader::Open(const std::string& path, char separator) {
    m_path = path;
    // First look: is it text, and which encoding? The feeds' rule needs the whole file.
    {
        CFeedLineReader scan;
        if (const int err = scan.Open(path); err != 0) {
            Fail(0, ReadFailure(err, path));
        }
        CUtf8Detector detector;
        std::string_view line;
        bool any = false;
        CFeedLineReader::Status status;
        while ((status = scan.Next(line)) == CFeedLineReader::Status::kLine) {
            any = true;
            if (line.find('\0') != std::string_view::npos) {
                Fail(scan.LineNumber(), "the file holds binary data (a NUL byte): it is no CSV export");
            }
            detector.Feed(line);
            if (line.find('\t') != std::string_view::npos) {
                m_tabLines = true;
                m_tabAndQuoteLines = m_tabAndQuoteLines || line.find('"') != std::string_view::npos;
            }
        }
        if (status == CFeedLineReader::Status::kError) {
            Fail(0, FileErrorText(FileErrorCause::kGeneric, path));
        }
        if (!any) {
            Fail(0, "the file is empty: a CSV export starts with a header line");
        }
        m_utf8 = detector.IsUtf8();
    }
    if (const int err = m_lines.Open(path); err != 0) {
        Fail(0, ReadFailure(err, path));
    }
    // The separator is settled from the header line before libcsv sees any byte.
    std::string_view first;
    if (m_lines.Next(first) != CFeedLineReader::Status::kLine) {
        Fail(0, FileErrorText(FileErrorCause::kGeneric, path));
    }
    if (first.substr(0, kByteOrderMark.size()) == kByteOrderMark) {
        first.remove_prefix(kByteOrderMark.size());
    }
    m_separator = separator != 0 ? separator : DetectSeparator(first);
    if (csv_init(m_parser, 0) != 0) {
        throw std::bad_alloc();
    }
    m_parserReady = true;
    csv_set_delim(m_parser, static_cast<unsigned char>(m_separator));
    csv_set_space_func(m_parser, NoSpace);
    FeedLine(first);
    if (!ReadRow()) {
        Fail(1, "the header line holds no column names");
    }
    // Names meet the map (a UTF-8 file) and the command line, so they stay in UTF-8.
    std::vector<std::string> header;
    std::swap(header, m_done[m_doneTaken++]);
    m_header.clear();
    for (const std::string& name : header) {
        m_header.push_back(m_utf8 ? Trim(name) : Cp1252ToUtf8(Trim(name)));
    }
    for (std::size_t i = 0; i < m_header.size(); ++i) {
        for (std::size_t j = i + 1; j < m_header.size(); ++j) {
            if (!m_header[i].empty() && m_header[i] == m_header[j]) {
                Fail(m_rowLine, Format("two columns are named '%s' (columns %zu and %zu)",
                                       m_header[i].c_str(), i + 1, j + 1));
            }
        }
    }
}

void CCsvReader::OnField(const char* text, std::size_t len) {
    if (m_cellCount < m_cells.size()) {
        m_cells[m_cellCount].assign(text, len);
    } else {
        m_cells.emplace_back(text, len);
    }
    ++m_cellCount;
}

void CCsvReader::OnRowEnd() {
    if (m_doneCount == m_done.size()) {
        m_done.emplace_back();
        m_doneLines.push_back(0);
        m_doneBreaks.push_back(false);
    }
    m_cells.resize(m_cellCount);
    std::swap(m_done[m_doneCount], m_cells);
    m_doneLines[m_doneCount] = m_rowStart;
    m_doneBreaks[m_doneCount] = m_rowBreaks;
    m_rowBreaks = false;
    ++m_doneCount;
    m_cellCount = 0;
    m_inRow = false;
    m_rowStart = m_lines.LineNumber();  // a second row on the same line (a bare CR) begins here
}

void CCsvReader::FeedLine(std::string_view line) {
    if (!m_inRow) {
        if (line.empty()) {
            return;  // a blank line between rows is no row
        }
        m_rowStart = m_lines.LineNumber();
        // Most rows hold no quote: they are split here, which is what libcsv would do with them, at a
        // fraction of its cost (it looks at every byte through a state machine). The rest go to libcsv.
        if (line.find('"') == std::string_view::npos && line.find('\r') == std::string_view::npos) {
            for (std::size_t start = 0;;) {
                const std::size_t end = line.find(m_separator, start);
                if (end == std::string_view::npos) {
                    OnField(line.data() + start, line.size() - start);
                    break;
                }
                OnField(line.data() + start, end - start);
                start = end + 1;
            }
            OnRowEnd();
            return;
        }
        // Shop systems quote every value (WooCommerce does): a row on one line whose values are each
        // either plain or wholly quoted is split here too.
        if (line.find('\r') == std::string_view::npos && SplitQuotedLine(line)) {
            return;
        }
        m_inRow = true;
    } else {
        m_rowBreaks = true;  // the row goes on over a line break
    }
    // libcsv says nothing of a quote left open at the end unless it runs strict, which would also refuse
    // the stray quote of a sloppy export ("12" screen"): the quotes of the row are counted here instead.
    for (char c : line) {
        m_quoteOpen = m_quoteOpen != (c == '"');
        m_rowBreaks = m_rowBreaks || c == '\r';
    }
    if (csv_parse(m_parser, line.data(), line.size(), FieldCallback, RowCallback, this) != line.size() ||
        csv_parse(m_parser, "\n", 1, FieldCallback, RowCallback, this) != 1) {
        Fail(m_lines.LineNumber(), csv_strerror(csv_error(m_parser)));
    }
    if (!m_inRow) {
        m_quoteOpen = false;
    }
}

bool CCsvReader::SplitQuotedLine(std::string_view line) {
    // Checked to its end before any value is handed on, so that a row this cannot split goes to libcsv
    // whole.
    std::size_t count = 0;
    std::size_t start = 0;
    while (true) {
        if (count == m_quotedCells.size()) {
            m_quotedCells.emplace_back();
        }
        std::string& cell = m_quotedCells[count++];
        cell.clear();
        if (start < line.size() && line[start] == '"') {
            std::size_t i = start + 1;
            while (true) {
                const std::size_t quote = line.find('"', i);
                if (quote == std::string_view::npos) {
                    return false;  // the value goes on over the line break
                }
                cell.append(line.data() + i, quote - i);
                if (quote + 1 < line.size() && line[quote + 1] == '"') {
                    cell += '"';
                    i = quote + 2;
                    continue;
                }
                start = quote + 1;
                break;
            }
            if (start == line.size()) {
                break;
            }
            if (line[start] != m_separator) {
                return false;  // text after the closing quote
            }
            ++start;
            continue;
        }
        const std::size_t end = line.find(m_separator, start);
        const std::string_view plain =
            line.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
        if (plain.find('"') != std::string_view::npos) {
            return false;  // a stray quote inside a plain value: libcsv's reading counts
        }
        cell.assign(plain);
        if (end == std::string_view::npos) {
            break;
        }
        start = end + 1;
    }
    for (std::size_t i = 0; i < count; ++i) {
        OnField(m_quotedCells[i].data(), m_quotedCells[i].size());
    }
    OnRowEnd();
    return true;
}

bool CCsvReader::ReadRow() {
    if (m_doneTaken == m_doneCount) {
        m_doneTaken = m_doneCount = 0;
    }
    while (m_doneTaken == m_doneCount) {
        if (m_end) {
            return false;
        }
        std::string_view line;
        const auto status = m_lines.Next(line);
        if (status == CFeedLineReader::Status::kError) {
            Fail(0, FileErrorText(FileErrorCause::kGeneric, m_path));
        }
        if (status == CFeedLineReader::Status::kEnd) {
            m_end = true;
            if ((m_inRow && m_quoteOpen) || csv_fini(m_parser, FieldCallback, RowCallback, this) != 0) {
                Fail(m_rowStart, "a quoted value that begins on this line is never closed");
            }
            continue;
        }
        FeedLine(line);
    }
    m_rowLine = m_doneLines[m_doneTaken];
    m_rowMayHoldLineBreaks = m_doneBreaks[m_doneTaken];
    return true;
}

bool CCsvReader::Next(std::vector<std::string>& cells) {
    if (!ReadRow()) {
        return false;
    }
    std::swap(cells, m_done[m_doneTaken++]);
    if (cells.size() != m_header.size()) {
        // A quote left open takes the next lines into its value until a later quote closes it; the count
        // of values alone would hide where the mistake is.
        if (m_rowMayHoldLineBreaks) {
            Fail(m_rowLine, Format("a quoted value that begins on this line is never closed: it runs on over "
                                   "the next lines (the row has %zu values, the header line has %zu columns)",
                                   cells.size(), m_header.size()));
        }
        Fail(m_rowLine, Format("the row has %zu values, the header line has %zu columns", cells.size(),
                               m_header.size()));
    }
    if (m_utf8) {
        for (std::string& cell : cells) {
            m_unmappable += Utf8ToCp1252(cell);
        }
    }
    return true;
}

}  // namespace yarvelin

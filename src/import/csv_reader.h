// Reads a shop's CSV export row by row, as shop systems and spreadsheets write them: comma, semicolon or
// TAB separated, RFC 4180 quoting (separators, doubled quotes and line breaks inside quoted values), a
// header line, UTF-8 with or without a byte-order mark or Windows-1252. The bytes are parsed by libcsv; this
// class adds the line numbers, the encoding and the checks that make a broken file a clear message.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "feed/feed_line_reader.h"
#include "import/export_row_source.h"

struct csv_parser;

namespace yarvelin {

class CCsvReader : public ExportRowSource {
  public:
    CCsvReader();
    ~CCsvReader() override;
    CCsvReader(const CCsvReader&) = delete;
    CCsvReader& operator=(const CCsvReader&) = delete;

    // Opens the export, settles its encoding with the feeds' rule (the whole file is looked at once) and
    // reads its header line. separator 0: the most frequent of TAB, ';' and ',' in the header line.
    // Throws CImportError: the file cannot be read, is empty or binary, or its header line repeats a name.
    void Open(const std::string& path, char separator = 0);

    const std::vector<std::string>& Header() const override { return m_header; }
    char Separator() const override { return m_separator; }
    bool IsUtf8() const override { return m_utf8; }

    // The next data row, its texts in Windows-1252; false at the end of the file. Throws CImportError for
    // a row whose number of values differs from the header's, or a quoted value never closed.
    bool Next(std::vector<std::string>& cells) override;
    // 1-based line where the row Next gave last begins.
    long long RowLine() const override { return m_rowLine; }
    // Whether a value of that row can hold a line break (it went on over a line, or held a CR).
    bool RowMayHoldLineBreaks() const override { return m_rowMayHoldLineBreaks; }
    // Whether a value can hold a TAB at all: a TAB stands on a line outside the separators' role.
    bool MayHoldTabs() const override { return m_separator == '\t' ? m_tabAndQuoteLines : m_tabLines; }
    // Characters of a UTF-8 export that Windows-1252 cannot hold; each became '?'.
    std::size_t Unmappable() const override { return m_unmappable; }

    // libcsv's callbacks.
    void OnField(const char* text, std::size_t len);
    void OnRowEnd();

  private:
    bool ReadRow();
    void FeedLine(std::string_view line);
    // Splits a row of plain and wholly quoted values on one line; false (nothing handed on) otherwise.
    bool SplitQuotedLine(std::string_view line);

    std::string m_path;
    CFeedLineReader m_lines;
    csv_parser* m_parser = nullptr;
    bool m_parserReady = false;  // csv_init ran: csv_free must run
    char m_separator = ',';
    bool m_utf8 = false;
    bool m_tabLines = false;
    bool m_tabAndQuoteLines = false;
    std::vector<std::string> m_header;
    // Rows libcsv has finished, in order (a line normally ends at most one). The vectors and their
    // strings are kept and swapped with the caller's, so a row costs no allocation once warm.
    std::vector<std::vector<std::string>> m_done;
    std::vector<long long> m_doneLines;
    std::vector<bool> m_doneBreaks;
    std::size_t m_doneCount = 0;
    std::size_t m_doneTaken = 0;
    std::vector<std::string> m_cells;
    std::vector<std::string> m_quotedCells;  // SplitQuotedLine's values before they are handed on
    std::size_t m_cellCount = 0;
    bool m_inRow = false;
    bool m_quoteOpen = false;  // the row so far holds an odd number of quotes
    long long m_rowStart = 0;
    long long m_rowLine = 0;
    bool m_rowBreaks = false;
    bool m_rowMayHoldLineBreaks = false;
    bool m_end = false;
    std::size_t m_unmappable = 0;
};

}  // namespace yarvelin

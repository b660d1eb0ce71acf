// A second file merged into an import by key: a supplier's stock list, a price file. Its rows never make a
// product; each one whose key is a product's offer id gives that product the columns it sets (a left join).
// The file is read once into a compact index (key -> the few values it sets) while the export itself still
// streams past.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "import/column_map.h"
#include "records/other_record.h"

namespace yarvelin {

struct MergeFile {
    std::string path;
    std::string key;  // the column of the file holding the offer id
    // "COLUMN=TEMPLATE" for each feed column it sets, templates over the file's columns; none: every column
    // named like a feed column sets that column.
    std::vector<std::string> columns;
    char separator = 0;  // a CSV file's; 0: detected
};

// A row of the merge file that was not used: its key matched no product, or an earlier row had it.
struct MergeNote {
    long long line = 0;
    bool repeated = false;
    std::string key;  // Windows-1252; empty: the row has no key
    // "the key 'SKU-9' matches no product", in Windows-1252.
    std::string Text() const;
};

struct MergeCounts {
    std::string path;
    long long rows = 0;            // data rows of the file
    long long matched = 0;         // rows whose key is a product's offer id
    long long unmatched = 0;       // rows whose key met no product
    long long repeated = 0;        // rows whose key an earlier row had (the earlier row is used)
    std::vector<MergeNote> notes;  // each unmatched and repeated row, in line order
};

class CMergeSource {
  public:
    // Reads the file (any form the import reads) into the index. The merged columns take the main map's
    // transformations (a stock text becomes Y or N as the export's does). Throws CImportError: Kind::kMap
    // for a key or template that does not fit the file, Kind::kInput for a file that cannot be read.
    CMergeSource(const MergeFile& file, const ColumnMap& mainMap, const std::string& baseUrl);

    // Sets, on the product with the record's offer id, each non-empty value the file's row gives. The
    // currency a merged price was written with, or empty.
    std::string_view Apply(COtherRecord& record);
    bool MayHoldTabs() const { return m_mayHoldTabs; }
    // What the merge did, once the import is through.
    MergeCounts Counts() const;

  private:
    // Rows are kept in blocks of this size: the index grows without copying what it holds.
    static constexpr std::size_t kBlockSize = std::size_t{1} << 20;
    struct Entry {
        std::uint32_t hash;
        std::uint32_t offset;  // of the row's bytes: block * kBlockSize + position
    };
    enum State : char { kUnused, kMatched, kRepeated };

    void Load(const MergeFile& file, const ColumnMap& mainMap, const std::string& baseUrl);
    std::uint32_t Store(const std::string& bytes, long long line);
    // The bytes from offset to the end of its block.
    std::string_view RowAt(std::uint32_t offset) const;
    // The key of the row at offset; values is set to where its values begin in RowAt(offset).
    std::string_view KeyAt(std::uint32_t offset, std::size_t& values) const;

    std::string m_path;
    std::vector<int> m_columns;  // the feed columns it sets
    // Each row: its line, its key, one value per set column and the price's currency, each a length in
    // bytes of 7 bits and its bytes.
    std::vector<std::unique_ptr<char[]>> m_blocks;
    std::size_t m_used = 0;        // of the last block
    std::vector<Entry> m_entries;  // by hash, rows of one hash in file order
    std::vector<char> m_state;
    std::vector<long long> m_keyless;  // lines of rows without a key
    long long m_rows = 0;
    bool m_mayHoldTabs = false;
};

// "merge stock.csv: 120 rows, 118 matched, 1 matching no product, 1 repeated key".
std::string MergeSummary(const MergeCounts& counts);
// One "FILE line N: what" line for each note, as the import's report lists skipped rows.
std::string MergeReportLines(const MergeCounts& counts);

}  // namespace yarvelin

// What changed between two feeds, product by product, keyed by offer id (or another column). Files are
// compared without loading either: the older one is indexed as key -> hash of its row and line, the newer one
// streamed past the index, and only the older rows that differ are read a second time. Memory grows with the
// number of keys and of differences, never with the texts of products that stayed the same.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "feed/feed_file.h"
#include "records/other_record.h"

namespace yarvelin {

class CFeedFileObserver;

enum class ProductChangeKind { kAdded, kRemoved, kChanged };
// "added", "removed", "changed", as diff --json and the Changes window name them.
const char* ChangeKindName(ProductChangeKind kind);

struct ProductChange {
    ProductChangeKind kind = ProductChangeKind::kChanged;
    std::string key;             // the key column's text
    COtherRecord before;         // removed and changed products: the older row
    COtherRecord after;          // added and changed products: the newer row
    std::uint32_t columns = 0;   // changed products: one bit per column (1 << k) whose text differs
    std::size_t occurrence = 0;  // removed and changed: which row of its key in the older feed (0: the first)
};

struct FeedDiffOptions {
    int keyColumn = kColOfferId;
    std::uint32_t ignoredColumns = 0;  // one bit per column left out of the comparison
};

struct FeedDiff {
    std::size_t oldProducts = 0;
    std::size_t newProducts = 0;
    std::size_t added = 0;
    std::size_t removed = 0;
    std::size_t changed = 0;
    std::array<std::size_t, kColumnCount> columnChanges{};  // changed products per column
    // Added and changed products in the newer feed's order, then the removed ones in the older feed's.
    std::vector<ProductChange> changes;
    // What each file carries before its products (the delta keeps the newer one's html_escaped).
    FeedFileStart oldStart;
    FeedFileStart newStart;

    bool Equal() const { return changes.empty(); }
};

// The two files compared. Empty (after the observer was told why) when either cannot be read. A key that
// occurs more than once is matched occurrence by occurrence, in file order.
std::optional<FeedDiff> DiffFeedFiles(const std::string& oldPath, const std::string& newPath,
                                      const FeedDiffOptions& options, CFeedFileObserver& observer);
// The same for products already in memory (the open feed against a snapshot).
FeedDiff DiffProducts(const std::vector<COtherRecord>& older, const std::vector<COtherRecord>& newer,
                      const FeedDiffOptions& options);

// older with diff applied: removed products gone, changed ones replaced, added ones appended. Applying
// DiffProducts(A, B) to A gives B's products, though not necessarily in B's order.
std::vector<COtherRecord> ApplyFeedDiff(std::vector<COtherRecord> older, const FeedDiff& diff,
                                        const FeedDiffOptions& options);

// "N added, N removed, N changed (price N, instock N)": the counts, then the changed columns in file order.
std::string ChangeSummaryText(const FeedDiff& diff);
// The column index of a column name; -1 when there is none.
int ColumnIndexOfName(std::string_view name);

}  // namespace yarvelin

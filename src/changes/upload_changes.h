// What the upload page says about the last upload to its place: the counts since then, the changes listed
// row by row for the Changes window, and which kept snapshot a rollback sends.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "changes/feed_diff.h"
#include "changes/snapshot_store.h"

namespace yarvelin {

// "since the last upload here: +12 -3 ~40": added, removed, changed. The texts are Windows-1252, which
// has no minus sign (U+2212), so the hyphen stands for it.
std::string SinceLastUploadText(const FeedDiff& diff);

// The snapshot a rollback sends: the upload before the last one (run --rollback's choice, 1 back), none
// when fewer than two are kept. back is what UnpackSnapshot takes.
struct RollbackChoice {
    int back = 1;
    SnapshotEntry entry;
};
std::optional<RollbackChoice> ChooseRollbackSnapshot(const std::vector<SnapshotEntry>& newestFirst);
// The question before a rollback, and what the page says after it went through.
std::string RollbackQuestion(const RollbackChoice& choice, const std::string& server,
                             const std::string& remoteName);
std::string RollbackDoneText(const RollbackChoice& choice, const std::string& remoteName);

// The saved file against the newest snapshot of the place: unpacked beside the file, compared, removed.
// Empty diff when the place has no snapshot; error when one could not be read.
struct LastUploadComparison {
    std::optional<FeedDiff> diff;
    std::string error;
};
LastUploadComparison CompareWithNewestSnapshot(const CSnapshotStore& store, const std::string& server,
                                               const std::string& remoteName, const std::string& file);

// One line of the Changes window: an added or removed product is one row, a changed one a row per
// changed column.
struct ChangeRow {
    std::size_t change = 0;  // index into FeedDiff::changes
    ProductChangeKind kind = ProductChangeKind::kChanged;
    int column = -1;  // the changed column; -1 for added and removed products
    std::string key;
    std::string before;  // the column's older text; for a removed product its name
    std::string after;   // the column's newer text; for an added product its name
};
struct ChangeRowFilter {
    std::optional<ProductChangeKind> kind;  // none: every kind
    int column = -1;                        // -1: every column (a column filter leaves out added and removed)
};
std::vector<ChangeRow> ListChangeRows(const FeedDiff& diff, const ChangeRowFilter& filter = {});

}  // namespace yarvelin

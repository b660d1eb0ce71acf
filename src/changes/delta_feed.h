// The partial update: a feed with updates_only=YES that holds only the products added or changed since the
// last upload, plus each offer that vanished as its last row with delete = "Y", so that the service, which
// keeps what it was sent before, ends up holding the new feed.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "changes/feed_diff.h"
#include "feed/feed_line_format.h"

namespace yarvelin {

class CFeedFileObserver;

// The offers the delta of diff removes from the service: the vanished ones it still holds (an offer that
// was sent marked deleted is gone already).
std::size_t DeltaDeletes(const FeedDiff& diff);

// Writes the delta of diff (a diff by offer id comparing every column) to path through the safe writer:
// always the header block, with updates_only=YES, and all twenty columns, since a basic-format line has no
// delete column. False (after reporting) when path was not written.
bool WriteDeltaFeed(const FeedDiff& diff, const std::string& path, const FeedHeaderChoices& chosen,
                    CFeedFileObserver& observer);

// What the service holds after a full feed: its products that are not marked deleted.
std::vector<COtherRecord> ServiceProducts(const std::vector<COtherRecord>& full);
// What the service holds after it took a delta on top of held: a row marked deleted takes its offer away,
// any other row replaces the offer of its id or adds it.
std::vector<COtherRecord> ApplyDeltaFeed(std::vector<COtherRecord> held,
                                         const std::vector<COtherRecord>& delta);

}  // namespace yarvelin

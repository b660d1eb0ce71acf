#include "changes/delta_feed.h"

#include <unordered_map>

#include "feed/feed_file.h"

namespace yarvelin {

namespace {

// The rows a delta holds, in the order it writes them; onRow(record, deleted).
template <typename OnRow>
void ForEachDeltaRow(const FeedDiff& diff, OnRow&& onRow) {
    for (const ProductChange& change : diff.changes) {
        if (change.kind != ProductChangeKind::kRemoved) {
            onRow(change.after, false);
        } else if (!change.before.IsMarkedDeleted()) {
            onRow(change.before, true);
        }
    }
}

}  // namespace

std::size_t DeltaDeletes(const FeedDiff& diff) {
    std::size_t deletes = 0;
    ForEachDeltaRow(diff, [&](const COtherRecord&, bool deleted) { deletes += deleted ? 1 : 0; });
    return deletes;
}

bool WriteDeltaFeed(const FeedDiff& diff, const std::string& path, const FeedHeaderChoices& chosen,
                    CFeedFileObserver& observer) {
    FeedHeaderChoices choices =
        HeaderChoicesForEscapes(chosen, HeaderValueMeansYes(diff.newStart.htmlEscaped));
    choices.includeHeaders = true;
    choices.updatesOnly = true;
    std::size_t tabValues = 0;
    ForEachDeltaRow(
        diff, [&](const COtherRecord& record, bool) { tabValues += CountValuesWithTabs(record, false); });
    CFeedStreamWriter writer(observer);
    if (!writer.Open(path, choices, false, tabValues)) {
        return false;
    }
    bool written = true;
    COtherRecord gone;
    ForEachDeltaRow(diff, [&](const COtherRecord& record, bool deleted) {
        if (!written) {
            return;
        }
        if (!deleted) {
            written = writer.Add(record);
            return;
        }
        gone = record;
        gone.SetField(kColDelete, "Y");
        written = writer.Add(gone);
    });
    return written && writer.Commit();
}

std::vector<COtherRecord> ServiceProducts(const std::vector<COtherRecord>& full) {
    std::vector<COtherRecord> held;
    for (const COtherRecord& record : full) {
        if (!record.IsMarkedDeleted()) {
            held.push_back(record);
        }
    }
    return held;
}

std::vector<COtherRecord> ApplyDeltaFeed(std::vector<COtherRecord> held,
                                         const std::vector<COtherRecord>& delta) {
    std::unordered_map<std::string, std::size_t> at;
    for (std::size_t i = 0; i < held.size(); ++i) {
        at.emplace(std::string(held[i].Field(kColOfferId)), i);
    }
    std::vector<bool> gone(held.size(), false);
    for (const COtherRecord& row : delta) {
        const std::string id(row.Field(kColOfferId));
        const auto found = at.find(id);
        if (row.IsMarkedDeleted()) {
            if (found != at.end()) {
                gone[found->second] = true;
                at.erase(found);
            }
        } else if (found != at.end()) {
            held[found->second] = row;
        } else {
            at.emplace(id, held.size());
            held.push_back(row);
            gone.push_back(false);
        }
    }
    std::vector<COtherRecord> result;
    for (std::size_t i = 0; i < held.size(); ++i) {
        if (!gone[i]) {
            result.push_back(std::move(held[i]));
        }
    }
    return result;
}

}  // namespace yarvelin

// The part of a run that looks back at the last upload to its place: the written feed compared with the
// newest snapshot, full file or partial update, the change guards, and the files kept beside the output
// (the unpacked snapshot while it is compared, the partial update that was sent).
#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "changes/change_guards.h"
#include "changes/feed_diff.h"
#include "changes/snapshot_store.h"
#include "feed/feed_line_format.h"

namespace yarvelin {

class CFeedFileObserver;

// ".NAME.snapshot" beside output: a snapshot unpacked for a comparison or a rollback.
std::string UnpackedSnapshotPath(const std::string& output);
// "NAME.delta" beside output: the partial update sent under output's remote name.
std::string DeltaFilePath(const std::string& output);

// Snapshot `back` of a place (0: the newest, 1: the one before, ...) unpacked to target. The reason when
// it cannot be, empty when it was.
std::string UnpackSnapshot(const CSnapshotStore& store, const std::string& server,
                           const std::string& remoteName, int back, const std::string& target);

// After the server confirmed an upload: feedFile, the whole feed (also when a partial update made from it
// was sent), becomes the newest snapshot of the place. False when it could not be kept.
bool RememberUpload(CSnapshotStore& store, const std::string& server, const std::string& remoteName,
                    const std::string& feedFile, std::size_t products, bool delta, int keep);

// Whether the file's header block says updates_only=YES: a partial update is no snapshot of what the
// service holds.
bool IsPartialUpdateFile(const std::string& path);

struct RunChangeSettings {
    bool deltaWanted = false;
    int fullEveryDays = kDefaultFullEveryDays;
    ChangeGuardLimits limits;
    JobGuardAllowances allow;
    FeedHeaderChoices headers;  // the output's, for the partial update's header block
    long long now = 0;          // seconds since the epoch
};

struct RunChanges {
    std::optional<FeedDiff> diff;  // against the newest snapshot; none when the place has none yet
    FeedModeDecision mode;
    std::string sendFile;  // what goes up under the output's remote name: the output, or its delta
    JobGuardDecision guard;
    std::string error;  // a snapshot or the partial update could not be read or written: no upload
};

// Compares output (written already) with the newest snapshot of the place, decides between the whole
// file and a partial update (written to DeltaFilePath), and judges max-changed and max-delete.
RunChanges CompareWithLastUpload(const CSnapshotStore& store, const std::string& server,
                                 const std::string& remoteName, const std::string& output,
                                 const RunChangeSettings& settings, CFeedFileObserver& observer);

}  // namespace yarvelin

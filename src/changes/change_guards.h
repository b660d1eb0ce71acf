// What a run decides from the changes since the last upload: whether to send the whole feed or only what
// changed, and whether the changes are so many that a person should look first (a price column shifted, a
// shop system that lost half its catalogue). The guards of job_guards.h come first; these follow them.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "changes/snapshot_store.h"
#include "jobs/job_guards.h"

namespace yarvelin {

struct FeedDiff;

inline constexpr int kDefaultFullEveryDays = 7;
inline constexpr double kDefaultMaxDeleteShare = 0.10;

// "20%" or "20 %" as 0.2; empty for anything else (and for more than 100 %).
std::optional<double> ParseShare(std::string_view text);
// 0.2 as "20 %".
std::string ShareText(double share);

struct FeedModeInputs {
    bool deltaWanted = false;                 // [output] mode = "delta", or the save page's Partial update
    std::optional<SnapshotEntry> latest;      // the newest snapshot of the place
    std::optional<long long> lastFullUpload;  // when the newest full upload among the snapshots was confirmed
    UploadAttempt attempt = UploadAttempt::kNone;
    long long now = 0;  // seconds since the epoch
    int fullEveryDays = kDefaultFullEveryDays;
};

struct FeedModeDecision {
    bool delta = false;
    std::string reason;  // why a wanted delta is a full file this time; empty otherwise
};

// A delta only when it is wanted, the place has a snapshot (a new server or remote name has none), the last
// upload there did not fail, and a full file went there less than fullEveryDays ago. An upload that was
// started and never told its end (a killed run) is no failure: the snapshot did not move, so the next run
// sends the same delta again.
FeedModeDecision DecideFeedMode(const FeedModeInputs& in);
// The inputs as the store knows them for a place.
FeedModeInputs FeedModeInputsFor(const CSnapshotStore& store, const std::string& server,
                                 const std::string& remoteName, bool deltaWanted, long long now);

struct ChangeGuardLimits {
    std::optional<double> maxChanged;           // share of the last upload: removed plus changed prices
    double maxDelete = kDefaultMaxDeleteShare;  // share of the last upload a delta may delete
};

// deletes: the offers the delta takes away (DeltaDeletes); only looked at when delta is true.
JobGuardDecision DecideChangeGuards(const FeedDiff& diff, std::size_t deletes, bool delta,
                                    const ChangeGuardLimits& limits, const JobGuardAllowances& allow);

}  // namespace yarvelin

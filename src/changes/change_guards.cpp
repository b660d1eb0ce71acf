#include "changes/change_guards.h"

#include <charconv>
#include <cmath>

#include "changes/feed_diff.h"
#include "records/text_util.h"

namespace yarvelin {

std::optional<double> ParseShare(std::string_view text) {
    text = TrimmedView(text);
    if (text.empty() || text.back() != '%') {
        return std::nullopt;
    }
    text = TrimmedView(text.substr(0, text.size() - 1));
    double percent = -1;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), percent);
    if (error != std::errc() || end != text.data() + text.size() || percent < 0 || percent > 100) {
        return std::nullopt;
    }
    return percent / 100;
}

std::string ShareText(double share) {
    const double percent = share * 100;
    return (std::floor(percent) == percent ? Format("%.0f", percent) : Format("%.1f", percent)) + " %";
}

FeedModeDecision DecideFeedMode(const FeedModeInputs& in) {
    FeedModeDecision d;
    if (!in.deltaWanted) {
        return d;
    }
    if (!in.latest) {
        d.reason = "no snapshot of an upload to this server and name";
    } else if (in.attempt == UploadAttempt::kFailed) {
        d.reason = "the last upload here failed";
    } else if (!in.lastFullUpload) {
        d.reason = "no full upload among the kept snapshots";
    } else if (in.now - *in.lastFullUpload >= static_cast<long long>(in.fullEveryDays) * 86400) {
        d.reason = "the last full upload is " + std::to_string(in.fullEveryDays) + " days old or more";
    } else {
        d.delta = true;
    }
    return d;
}

FeedModeInputs FeedModeInputsFor(const CSnapshotStore& store, const std::string& server,
                                 const std::string& remoteName, bool deltaWanted, long long now) {
    FeedModeInputs in;
    in.deltaWanted = deltaWanted;
    in.now = now;
    for (const SnapshotEntry& e : store.List(server, remoteName)) {
        if (!in.latest) {
            in.latest = e;
        }
        if (!e.delta) {
            in.lastFullUpload = e.time;
            break;
        }
    }
    in.attempt = store.LastAttempt(server, remoteName);
    return in;
}

JobGuardDecision DecideChangeGuards(const FeedDiff& diff, std::size_t deletes, bool delta,
                                    const ChangeGuardLimits& limits, const JobGuardAllowances& allow) {
    JobGuardDecision d;
    const double base = static_cast<double>(diff.oldProducts);
    const std::size_t changed = diff.removed + diff.columnChanges[kColPrice];
    if (limits.maxChanged && !allow.changes && static_cast<double>(changed) > *limits.maxChanged * base) {
        d.guard = JobGuard::TooManyChanges;
        d.reason = std::to_string(diff.removed) + " removed and " +
                   std::to_string(diff.columnChanges[kColPrice]) + " repriced of the " +
                   std::to_string(diff.oldProducts) +
                   " products of the last upload, more than the job's max-changed of " +
                   ShareText(*limits.maxChanged) + " (--allow-changes uploads it all the same)";
    } else if (delta && !allow.deletes && static_cast<double>(deletes) > limits.maxDelete * base) {
        d.guard = JobGuard::TooManyDeletes;
        d.reason = "the partial update deletes " + std::to_string(deletes) + " of the " +
                   std::to_string(diff.oldProducts) +
                   " products of the last upload, more than max-delete of " + ShareText(limits.maxDelete) +
                   " (--allow-deletes uploads it all the same)";
    }
    return d;
}

}  // namespace yarvelin

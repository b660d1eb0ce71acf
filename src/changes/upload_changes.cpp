#include "changes/upload_changes.h"

#include <chrono>
#include <filesystem>
#include <system_error>

#include "changes/run_changes.h"
#include "feed/feed_file_observer.h"
#include "jobs/job_schedule.h"

namespace yarvelin {

std::string SinceLastUploadText(const FeedDiff& diff) {
    return "since the last upload here: +" + std::to_string(diff.added) + " -" +
           std::to_string(diff.removed) + " ~" + std::to_string(diff.changed);
}

std::optional<RollbackChoice> ChooseRollbackSnapshot(const std::vector<SnapshotEntry>& newestFirst) {
    // The newest snapshot is what the service holds now; sending it again would change nothing.
    if (newestFirst.size() < 2) {
        return std::nullopt;
    }
    return RollbackChoice{1, newestFirst[1]};
}

namespace {
std::string UploadedWhen(const SnapshotEntry& entry) {
    return LocalTimeText(std::chrono::system_clock::time_point(std::chrono::seconds(entry.time)));
}
}  // namespace

std::string RollbackQuestion(const RollbackChoice& choice, const std::string& server,
                             const std::string& remoteName) {
    return "Send the feed uploaded before the last one (" + std::to_string(choice.entry.products) +
           " products, uploaded " + UploadedWhen(choice.entry) + ") to " + server + " as " + remoteName +
           "?\nIt replaces the file there as a whole.";
}

std::string RollbackDoneText(const RollbackChoice& choice, const std::string& remoteName) {
    return "Rolled back: " + remoteName + " holds the feed uploaded " + UploadedWhen(choice.entry) +
           " again (" + std::to_string(choice.entry.products) + " products).";
}

LastUploadComparison CompareWithNewestSnapshot(const CSnapshotStore& store, const std::string& server,
                                               const std::string& remoteName, const std::string& file) {
    LastUploadComparison result;
    if (!store.Latest(server, remoteName)) {
        return result;
    }
    const std::string unpacked = UnpackedSnapshotPath(file);
    result.error = UnpackSnapshot(store, server, remoteName, 0, unpacked);
    if (!result.error.empty()) {
        return result;
    }
    // The first complaint of either reader is the one worth telling.
    struct CErrorObserver : CFeedFileObserver {
        void ShowFileError(const std::string& text) override {
            if (error.empty()) {
                error = text;
            }
        }
        void ShowFormatError() override {
            if (error.empty()) {
                error = "not a feed file";
            }
        }
        std::string error;
    } observer;
    result.diff = DiffFeedFiles(unpacked, file, FeedDiffOptions{}, observer);
    if (!result.diff) {
        result.error =
            observer.error.empty() ? "cannot compare " + file + " with the last upload" : observer.error;
    }
    std::error_code ignored;
    std::filesystem::remove(unpacked, ignored);
    return result;
}

std::vector<ChangeRow> ListChangeRows(const FeedDiff& diff, const ChangeRowFilter& filter) {
    std::vector<ChangeRow> rows;
    for (std::size_t i = 0; i < diff.changes.size(); ++i) {
        const ProductChange& change = diff.changes[i];
        if (filter.kind && *filter.kind != change.kind) {
            continue;
        }
        if (change.kind != ProductChangeKind::kChanged) {
            if (filter.column >= 0) {
                continue;
            }
            ChangeRow row{i, change.kind, -1, change.key, {}, {}};
            (change.kind == ProductChangeKind::kAdded ? row.after : row.before) = std::string(
                (change.kind == ProductChangeKind::kAdded ? change.after : change.before).Field(kColName));
            rows.push_back(std::move(row));
            continue;
        }
        for (int k = 0; k < kColumnCount; ++k) {
            if ((change.columns & (std::uint32_t{1} << k)) == 0 ||
                (filter.column >= 0 && filter.column != k)) {
                continue;
            }
            rows.push_back(ChangeRow{i, change.kind, k, change.key, std::string(change.before.Field(k)),
                                     std::string(change.after.Field(k))});
        }
    }
    return rows;
}

}  // namespace yarvelin

#include "changes/run_changes.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "changes/delta_feed.h"
#include "records/text_util.h"

namespace yarvelin {

std::string UnpackedSnapshotPath(const std::string& output) {
    const std::filesystem::path path(output);
    return (path.parent_path() / ("." + path.filename().string() + ".snapshot")).string();
}

std::string DeltaFilePath(const std::string& output) {
    return output + ".delta";
}

std::string UnpackSnapshot(const CSnapshotStore& store, const std::string& server,
                           const std::string& remoteName, int back, const std::string& target) {
    const std::vector<SnapshotEntry> kept = store.List(server, remoteName);
    if (back < 0 || static_cast<std::size_t>(back) >= kept.size()) {
        return kept.empty() ? "no snapshot of an upload to " + server + " as " + remoteName
                            : "no snapshot " + std::to_string(back) + " uploads back of " + server + " as " +
                                  remoteName + ": " + std::to_string(kept.size()) + " kept";
    }
    const int number = kept[static_cast<std::size_t>(back)].number;
    if (!store.Extract(server, remoteName, number, target)) {
        return "cannot unpack " + store.SnapshotPath(server, remoteName, number) + " to " + target;
    }
    return {};
}

bool RememberUpload(CSnapshotStore& store, const std::string& server, const std::string& remoteName,
                    const std::string& feedFile, std::size_t products, bool delta, int keep) {
    SnapshotEntry entry;
    entry.time =
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch())
            .count();
    entry.products = static_cast<long long>(products);
    std::error_code error;
    const std::uintmax_t bytes = std::filesystem::file_size(feedFile, error);
    entry.bytes = error ? 0 : static_cast<long long>(bytes);
    entry.delta = delta;
    return store.Remember(server, remoteName, feedFile, entry, keep);
}

bool IsPartialUpdateFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string line;
    // The header block comes first, one "# key=VALUE" line each; the column line ends it.
    while (std::getline(in, line) && !line.empty() && line[0] == '#') {
        std::string lower = ToLowerAscii(line);
        lower.erase(std::remove_if(lower.begin(), lower.end(), [](char c) { return c == ' ' || c == '\r'; }),
                    lower.end());
        if (lower == "#updates_only=yes") {
            return true;
        }
    }
    return false;
}

RunChanges CompareWithLastUpload(const CSnapshotStore& store, const std::string& server,
                                 const std::string& remoteName, const std::string& output,
                                 const RunChangeSettings& settings, CFeedFileObserver& observer) {
    RunChanges r;
    r.sendFile = output;
    FeedModeInputs inputs = FeedModeInputsFor(store, server, remoteName, settings.deltaWanted, settings.now);
    inputs.fullEveryDays = settings.fullEveryDays;
    r.mode = DecideFeedMode(inputs);
    if (!inputs.latest) {
        return r;
    }
    const std::string unpacked = UnpackedSnapshotPath(output);
    if (!store.Extract(server, remoteName, inputs.latest->number, unpacked)) {
        r.error = "cannot unpack " + store.SnapshotPath(server, remoteName, inputs.latest->number);
        return r;
    }
    r.diff = DiffFeedFiles(unpacked, output, {}, observer);
    std::error_code ignored;
    std::filesystem::remove(unpacked, ignored);
    if (!r.diff) {
        r.error = "cannot compare " + output + " with the last upload";
        return r;
    }
    if (r.mode.delta) {
        r.sendFile = DeltaFilePath(output);
        if (!WriteDeltaFeed(*r.diff, r.sendFile, settings.headers, observer)) {
            r.error = "cannot write " + r.sendFile;
            return r;
        }
    }
    r.guard =
        DecideChangeGuards(*r.diff, DeltaDeletes(*r.diff), r.mode.delta, settings.limits, settings.allow);
    return r;
}

}  // namespace yarvelin

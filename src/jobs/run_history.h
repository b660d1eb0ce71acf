// The history of unattended runs: one JSON line per run in $XDG_STATE_HOME/yarvelin/history.jsonl, written
// and read here only, so the wizard's last-run line, the stale check and the alerts read what `run` wrote.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace yarvelin {

// A run's exit status; scripts and timers tell the outcomes apart by these.
enum RunStatus : int {
    kRunOk = 0,          // published, written (no upload in the job) or, with --check, would publish
    kRunFailed = 1,      // a failure: a file could not be read or written, the upload failed, a signal
    kRunJobMistake = 2,  // a mistake in the job file, its rules or its map
    kRunStopped = 3,     // a guard stopped the upload
    kRunLocked = 4,      // another run of the same job holds its lock
};

struct RunRecord {
    std::string job;
    std::chrono::system_clock::time_point start{};
    std::chrono::system_clock::time_point end{};
    int status = kRunFailed;
    std::size_t products = 0;
    std::size_t errors = 0;
    std::size_t warnings = 0;
    bool uploaded = false;
    std::string reason;
    std::uint64_t bytes = 0;
    // Against the newest snapshot of the upload place, when there was one to compare with.
    struct Changes {
        std::size_t added = 0;
        std::size_t removed = 0;
        std::size_t changed = 0;
    };
    std::optional<Changes> changes;
    bool delta = false;      // a partial update was sent (or, stopped, would have been)
    bool rollback = false;   // an earlier snapshot was sent back
    bool unchanged = false;  // the source had not changed since the last fetch: nothing was written or sent
    std::size_t held = 0;    // products left out for their errors ([check] on-error = "leave-out")
    double Seconds() const { return std::chrono::duration<double>(end - start).count(); }
    // "published", "written", "unchanged", "stopped", "not started" or "failed".
    const char* Outcome() const;
};

// "2026-12-09T03:30:00Z"; parsing gives nothing for anything else.
std::string IsoUtcTime(std::chrono::system_clock::time_point t);
std::optional<std::chrono::system_clock::time_point> ParseIsoUtcTime(std::string_view text);

// The record as one line of JSON (no newline), and back; a line that is not a run record gives nothing.
std::string RunRecordJson(const RunRecord& record);
std::optional<RunRecord> ParseRunRecord(std::string_view line);

// The summary line a run prints: "shop: published, 12 products, 0 errors, 1 warnings, 480 bytes, 0.4 s".
std::string RunSummaryLine(const RunRecord& record);

// $XDG_STATE_HOME/yarvelin/history.jsonl.
std::string RunHistoryPath();
// Appends one line (creating the state folder); false when it could not be written.
bool AppendRunRecord(const std::string& historyPath, const RunRecord& record);
// Every record of job in the history text, oldest first (every job's when job is empty). Lines that are
// not records (a line cut short by a full disk) are passed over.
std::vector<RunRecord> RunsOfJob(std::string_view historyText, std::string_view job = {});
// The job's last run, leaving out starts refused because another run held the lock: they are no run of
// their own.
std::optional<RunRecord> LastRunOfJob(std::string_view historyText, std::string_view job);
std::string ReadRunHistory(const std::string& historyPath);

}  // namespace yarvelin

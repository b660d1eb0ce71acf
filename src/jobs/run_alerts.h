// Telling someone when a job fails, is stopped by a guard or goes stale: one alert per problem until it
// changes, and one "recovered" when a run goes through again. What was said is kept per job in
// $XDG_STATE_HOME/yarvelin/alerts/JOB.json.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "jobs/job_remote_keys.h"
#include "jobs/run_history.h"

namespace yarvelin {

class AlertSender;

struct AlertState {
    std::string problem;  // the run problem last alerted (RunProblem), empty when none is open
    bool stale = false;   // staleness was alerted and has not ended
};

enum class AlertKind { None, Failed, Stopped, Stale, Recovered };
const char* AlertKindName(AlertKind kind);  // "failed", "stopped", "stale", "recovered"

struct AlertDecision {
    AlertKind kind = AlertKind::None;
    AlertState next;  // the state to keep once the alert went out
};

// The problem a finished run shows, as one alert stands for it: the outcome and the reason without its
// figures, so "broke off after 1200 bytes" and "after 800 bytes" are one problem. Empty for a good run.
std::string RunProblem(const RunRecord& record);

// After a run (not a --check, not a start refused by the lock).
AlertDecision DecideRunAlert(const AlertState& state, const RunRecord& record);
// After a stale check: lastPublished is the end of the job's last published run, if any.
AlertDecision DecideStaleAlert(const AlertState& state,
                               std::optional<std::chrono::system_clock::time_point> lastPublished,
                               std::chrono::system_clock::time_point now, std::chrono::seconds staleAfter);

std::string AlertStatePath(const std::string& job);  // $XDG_STATE_HOME/yarvelin/alerts/JOB.json
AlertState ReadAlertState(const std::string& path);
bool WriteAlertState(const std::string& path, const AlertState& state);

// The record as the alert's JSON: RunRecordJson with "alert" (the kind) added.
std::string AlertJson(const RunRecord& record, AlertKind kind);

// Sends what the run calls for through every channel of notify and keeps the state in statePath. The
// lines to print: what went out, and every channel that failed with why.
std::vector<std::string> NotifyAboutRun(const FeedJobNotify& notify, const RunRecord& record,
                                        AlertSender& sender, const std::string& statePath);

// After the run's service failed (systemd's OnFailure=). A run that failed and wrote its record has told of
// its failure already (its record ended within a few minutes of now); one that was killed, ran out of
// memory or was cut off by the manager did not: for it, the record to tell of. serviceResult is the
// manager's word for the failure ($MONITOR_SERVICE_RESULT: "timeout", "signal", "exit-code", ...).
std::optional<RunRecord> UntoldServiceFailure(std::string_view historyText, const std::string& job,
                                              std::chrono::system_clock::time_point now,
                                              const std::string& serviceResult);

// `run --stale-check`: whether the job's last published run is older than notify.staleAfter, with the line
// that says so and the lines of any alert sent.
struct StaleCheck {
    bool stale = false;
    std::vector<std::string> lines;
};
StaleCheck CheckStaleJob(const std::string& job, const FeedJobNotify& notify, const std::string& historyText,
                         std::chrono::system_clock::time_point now, AlertSender& sender,
                         const std::string& statePath);

}  // namespace yarvelin

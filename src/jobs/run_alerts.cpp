#include "jobs/run_alerts.h"

#include <cctype>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>

#include "feed/feed_file_writer.h"
#include "jobs/alert_sender.h"
#include "jobs/upload_count_file.h"

namespace yarvelin {

namespace {

std::string WithoutFigures(const std::string& text) {
    std::string out;
    for (const char c : text) {
        if (!std::isdigit(static_cast<unsigned char>(c))) {
            out += c;
        } else if (out.empty() || out.back() != '#') {
            out += '#';
        }
    }
    return out;
}

// One alert through every channel; the state is kept once any channel delivered it.
std::vector<std::string> Send(const FeedJobNotify& notify, const std::string& job, AlertKind kind,
                              const std::string& json, const std::string& summary, AlertSender& sender,
                              const std::string& statePath, const AlertState& next) {
    std::vector<std::string> lines;
    std::string sentTo;
    const auto note = [&](const char* channel, const std::string& error) {
        if (error.empty()) {
            sentTo += std::string(sentTo.empty() ? "" : ", ") + channel;
        } else {
            lines.push_back(std::string("the ") + channel + " alert did not go out: " + error);
        }
    };
    if (!notify.command.empty()) {
        note("command", sender.RunCommand(notify.command, json));
    }
    if (!notify.webhook.empty()) {
        note("webhook", sender.PostWebhook(notify.webhook, json));
    }
    if (!notify.mailTo.empty()) {
        note("mail", sender.SendMail(notify.mailTo, "Yarvelin job " + job + ": " + AlertKindName(kind),
                                     summary + "\n\n" + json + "\n"));
    }
    if (!sentTo.empty()) {
        lines.insert(lines.begin(), std::string("alert sent (") + AlertKindName(kind) + ") to " + sentTo);
        if (!WriteAlertState(statePath, next)) {
            lines.push_back("what was alerted could not be noted in " + statePath);
        }
    }
    return lines;
}

}  // namespace

const char* AlertKindName(AlertKind kind) {
    switch (kind) {
        case AlertKind::Failed:
            return "failed";
        case AlertKind::Stopped:
            return "stopped";
        case AlertKind::Stale:
            return "stale";
        case AlertKind::Recovered:
            return "recovered";
        case AlertKind::None:
            break;
    }
    return "none";
}

std::string RunProblem(const RunRecord& record) {
    if (record.status == kRunOk || record.status == kRunLocked) {
        return {};
    }
    return std::string(record.Outcome()) + ": " + WithoutFigures(record.reason);
}

AlertDecision DecideRunAlert(const AlertState& state, const RunRecord& record) {
    if (record.status == kRunLocked) {
        return {AlertKind::None, state};
    }
    const std::string problem = RunProblem(record);
    if (problem.empty()) {
        const bool open = !state.problem.empty() || state.stale;
        return {open ? AlertKind::Recovered : AlertKind::None, AlertState{}};
    }
    if (problem == state.problem) {
        return {AlertKind::None, state};
    }
    return {record.status == kRunStopped ? AlertKind::Stopped : AlertKind::Failed,
            AlertState{problem, state.stale}};
}

AlertDecision DecideStaleAlert(const AlertState& state,
                               std::optional<std::chrono::system_clock::time_point> lastPublished,
                               std::chrono::system_clock::time_point now, std::chrono::seconds staleAfter) {
    const bool stale = !lastPublished || now - *lastPublished > staleAfter;
    AlertState next = state;
    next.stale = stale;
    return {stale && !state.stale ? AlertKind::Stale : AlertKind::None, next};
}

std::string AlertStatePath(const std::string& job) {
    return StateFolder() + "/alerts/" + job + ".json";
}

AlertState ReadAlertState(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    const nlohmann::json json = nlohmann::json::parse(in, nullptr, false);
    AlertState state;
    if (json.is_object()) {
        state.problem = json.value("problem", "");
        state.stale = json.value("stale", false);
    }
    return state;
}

bool WriteAlertState(const std::string& path, const AlertState& state) {
    nlohmann::ordered_json json;
    json["problem"] = state.problem;
    json["stale"] = state.stale;
    std::error_code ignored;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ignored);
    return WriteFileSafely(path, json.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n");
}

std::string AlertJson(const RunRecord& record, AlertKind kind) {
    nlohmann::ordered_json json = nlohmann::ordered_json::parse(RunRecordJson(record));
    json["alert"] = AlertKindName(kind);
    return json.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

std::vector<std::string> NotifyAboutRun(const FeedJobNotify& notify, const RunRecord& record,
                                        AlertSender& sender, const std::string& statePath) {
    if (!notify.Any()) {
        return {};
    }
    const AlertState state = ReadAlertState(statePath);
    const AlertDecision decision = DecideRunAlert(state, record);
    if (decision.kind == AlertKind::None) {
        // A problem that went away unannounced (no alert had gone out) leaves nothing to keep.
        return {};
    }
    return Send(notify, record.job, decision.kind, AlertJson(record, decision.kind), RunSummaryLine(record),
                sender, statePath, decision.next);
}

std::optional<RunRecord> UntoldServiceFailure(std::string_view historyText, const std::string& job,
                                              std::chrono::system_clock::time_point now,
                                              const std::string& serviceResult) {
    // The manager starts the failure unit within moments of the run's end.
    constexpr auto kJustNow = std::chrono::minutes(10);
    const std::optional<RunRecord> last = LastRunOfJob(historyText, job);
    if (last && last->status != kRunOk && last->end <= now && now - last->end <= kJustNow) {
        return std::nullopt;
    }
    RunRecord record;
    record.job = job;
    record.start = record.end = now;
    record.status = kRunFailed;
    record.reason = "the run did not finish: its service ended with " +
                    (serviceResult.empty() ? std::string("a failure") : serviceResult);
    return record;
}

StaleCheck CheckStaleJob(const std::string& job, const FeedJobNotify& notify, const std::string& historyText,
                         std::chrono::system_clock::time_point now, AlertSender& sender,
                         const std::string& statePath) {
    const std::vector<RunRecord> runs = RunsOfJob(historyText, job);
    std::optional<std::chrono::system_clock::time_point> published;
    for (auto run = runs.rbegin(); run != runs.rend() && !published; ++run) {
        if (run->status == kRunOk && run->uploaded) {
            published = run->end;
        }
    }
    const AlertState state = ReadAlertState(statePath);
    const AlertDecision decision = DecideStaleAlert(state, published, now, notify.staleAfter);
    StaleCheck check;
    check.stale = decision.next.stale;
    const std::string when = published ? IsoUtcTime(*published) : std::string();
    check.lines.push_back(job + (published ? ": last published " + when : ": never published") +
                          (check.stale ? ", stale" : ", fresh"));
    if (decision.kind == AlertKind::Stale && notify.Any()) {
        RunRecord record = runs.empty() ? RunRecord{} : runs.back();
        record.job = job;
        const std::string reason = published ? "no run published since " + when : "no run has published yet";
        nlohmann::ordered_json json = nlohmann::ordered_json::parse(AlertJson(record, AlertKind::Stale));
        json["stale-reason"] = reason;
        const std::vector<std::string> sent =
            Send(notify, job, AlertKind::Stale,
                 json.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace),
                 job + ": stale: " + reason, sender, statePath, decision.next);
        check.lines.insert(check.lines.end(), sent.begin(), sent.end());
    } else if (decision.next.stale != state.stale && notify.Any()) {
        WriteAlertState(statePath, decision.next);
    }
    return check;
}

}  // namespace yarvelin

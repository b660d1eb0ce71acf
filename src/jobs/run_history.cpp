#include "jobs/run_history.h"

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <system_error>

#include "jobs/upload_count_file.h"

namespace yarvelin {

const char* RunRecord::Outcome() const {
    switch (status) {
        case kRunOk:
            return uploaded ? "published" : unchanged ? "unchanged" : "written";
        case kRunStopped:
            return "stopped";
        case kRunLocked:
            return "not started";
        default:
            return "failed";
    }
}

std::string IsoUtcTime(std::chrono::system_clock::time_point t) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(t);
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

std::optional<std::chrono::system_clock::time_point> ParseIsoUtcTime(std::string_view text) {
    if (text.size() != 20 || text[4] != '-' || text[7] != '-' || text[10] != 'T' || text[13] != ':' ||
        text[16] != ':' || text[19] != 'Z') {
        return std::nullopt;
    }
    const auto number = [&](std::size_t at, std::size_t digits) {
        int value = 0;
        for (std::size_t i = at; i < at + digits; ++i) {
            if (text[i] < '0' || text[i] > '9') {
                return -1;
            }
            value = value * 10 + (text[i] - '0');
        }
        return value;
    };
    const int year = number(0, 4), month = number(5, 2), day = number(8, 2);
    const int hour = number(11, 2), minute = number(14, 2), second = number(17, 2);
    if (year < 1970 || month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 ||
        second > 60 || hour < 0 || minute < 0 || second < 0) {
        return std::nullopt;
    }
    const std::chrono::sys_days days = std::chrono::year{year} /
                                       std::chrono::month{static_cast<unsigned>(month)} /
                                       std::chrono::day{static_cast<unsigned>(day)};
    return std::chrono::time_point_cast<std::chrono::system_clock::duration>(
        days + std::chrono::hours(hour) + std::chrono::minutes(minute) + std::chrono::seconds(second));
}

std::string RunRecordJson(const RunRecord& record) {
    nlohmann::ordered_json line;
    line["start"] = IsoUtcTime(record.start);
    line["end"] = IsoUtcTime(record.end);
    line["job"] = record.job;
    line["status"] = record.status;
    line["products"] = record.products;
    line["errors"] = record.errors;
    line["warnings"] = record.warnings;
    line["uploaded"] = record.uploaded;
    line["reason"] = record.reason;
    line["bytes"] = record.bytes;
    if (record.changes) {
        line["added"] = record.changes->added;
        line["removed"] = record.changes->removed;
        line["changed"] = record.changes->changed;
    }
    if (record.delta) {
        line["delta"] = true;
    }
    if (record.unchanged) {
        line["unchanged"] = true;
    }
    if (record.rollback) {
        line["rollback"] = true;
    }
    if (record.held > 0) {
        line["held"] = record.held;
    }
    line["duration"] = static_cast<double>(static_cast<long long>(record.Seconds() * 1000)) / 1000;
    return line.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

std::optional<RunRecord> ParseRunRecord(std::string_view line) {
    const nlohmann::json json = nlohmann::json::parse(line, nullptr, false);
    if (!json.is_object() || !json.contains("job") || !json["job"].is_string() || !json.contains("status") ||
        !json["status"].is_number_integer()) {
        return std::nullopt;
    }
    RunRecord record;
    record.job = json["job"].get<std::string>();
    record.status = json["status"].get<int>();
    const auto text = [&](const char* key) {
        const auto found = json.find(key);
        return found != json.end() && found->is_string() ? found->get<std::string>() : std::string();
    };
    const auto count = [&](const char* key) -> std::uint64_t {
        const auto found = json.find(key);
        return found != json.end() && found->is_number_unsigned() ? found->get<std::uint64_t>() : 0;
    };
    record.start = ParseIsoUtcTime(text("start")).value_or(std::chrono::system_clock::time_point{});
    record.end = ParseIsoUtcTime(text("end")).value_or(record.start);
    record.products = count("products");
    record.errors = count("errors");
    record.warnings = count("warnings");
    record.bytes = count("bytes");
    record.reason = text("reason");
    const auto flag = [&](const char* key) {
        const auto found = json.find(key);
        return found != json.end() && found->is_boolean() && found->get<bool>();
    };
    record.uploaded = flag("uploaded");
    record.delta = flag("delta");
    record.rollback = flag("rollback");
    record.unchanged = flag("unchanged");
    record.held = count("held");
    if (json.contains("added")) {
        record.changes = RunRecord::Changes{count("added"), count("removed"), count("changed")};
    }
    return record;
}

std::string RunSummaryLine(const RunRecord& record) {
    char duration[32];
    std::snprintf(duration, sizeof duration, "%.1f s", record.Seconds());
    std::string summary = record.job + ": " + record.Outcome() + ", " + std::to_string(record.products) +
                          " products, " + std::to_string(record.errors) + " errors, " +
                          std::to_string(record.warnings) + " warnings";
    if (record.held > 0) {
        summary += ", " + std::to_string(record.held) + " held back";
    }
    if (record.changes) {
        summary += std::string(record.delta ? ", partial update " : ", ") + "+" +
                   std::to_string(record.changes->added) + " -" + std::to_string(record.changes->removed) +
                   " ~" + std::to_string(record.changes->changed);
    }
    if (record.uploaded) {
        summary += ", " + std::to_string(record.bytes) + " bytes";
    }
    summary += ", " + std::string(duration);
    if (!record.reason.empty()) {
        summary += ": " + record.reason;
    }
    return summary;
}

std::string RunHistoryPath() {
    return StateFolder() + "/history.jsonl";
}

bool AppendRunRecord(const std::string& historyPath, const RunRecord& record) {
    std::error_code ignored;
    std::filesystem::create_directories(std::filesystem::path(historyPath).parent_path(), ignored);
    // Appending keeps every earlier line where it is: a run cut short leaves at most its own line broken.
    std::ofstream history(historyPath, std::ios::binary | std::ios::app);
    history << RunRecordJson(record) << '\n';
    history.flush();
    return static_cast<bool>(history);
}

std::vector<RunRecord> RunsOfJob(std::string_view historyText, std::string_view job) {
    std::vector<RunRecord> runs;
    std::size_t start = 0;
    while (start < historyText.size()) {
        std::size_t end = historyText.find('\n', start);
        if (end == std::string_view::npos) {
            end = historyText.size();
        }
        if (auto record = ParseRunRecord(historyText.substr(start, end - start));
            record && (job.empty() || record->job == job)) {
            runs.push_back(std::move(*record));
        }
        start = end + 1;
    }
    return runs;
}

std::optional<RunRecord> LastRunOfJob(std::string_view historyText, std::string_view job) {
    std::vector<RunRecord> runs = RunsOfJob(historyText, job);
    for (auto run = runs.rbegin(); run != runs.rend(); ++run) {
        if (run->status != kRunLocked) {
            return std::move(*run);
        }
    }
    return std::nullopt;
}

std::string ReadRunHistory(const std::string& historyPath) {
    std::ifstream in(historyPath, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace yarvelin

#include "jobs/job_scheduler.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "feed/feed_file_writer.h"
#include "jobs/feed_job.h"
#include "jobs/run_history.h"
#include "jobs/upload_count_file.h"
#include "jobs/user_systemctl.h"

namespace yarvelin {

namespace {

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// systemctl's own words, on one line, after ours.
std::string WithOutput(std::string message, const SystemctlResult& result) {
    std::string output = result.output;
    while (!output.empty() && (output.back() == '\n' || output.back() == ' ')) {
        output.pop_back();
    }
    for (char& c : output) {
        c = c == '\n' ? ' ' : c;
    }
    return output.empty() ? message : message + ": " + output;
}

}  // namespace

std::string CJobScheduler::WhyNotSchedulable(const std::string& job) {
    if (!IsSchedulableJobName(job)) {
        return "the job name \"" + job +
               "\" cannot name a timer; use a name of letters, digits, '_', '-', '.' and ':'";
    }
    std::error_code ignored;
    const std::string path = JobsFolder() + "/" + job + ".toml";
    if (!std::filesystem::is_regular_file(path, ignored)) {
        return "there is no job " + path + "; the timer runs jobs saved there";
    }
    return {};
}

std::optional<JobSchedule> CJobScheduler::Current(const std::string& job) {
    std::error_code ignored;
    const std::string path = ScheduleDropInPath(job);
    if (!std::filesystem::exists(path, ignored)) {
        return JobSchedule{};
    }
    return ScheduleOfDropIn(ReadText(path));
}

std::string CJobScheduler::CronLineFor(const std::string& job, const JobSchedule& schedule) const {
    return CronLine(schedule, m_program, job, StateFolder() + "/locks/" + job + ".cron.lock");
}

ScheduleOutcome CJobScheduler::CronOutcome(const std::string& job, const JobSchedule& schedule,
                                           std::string why) const {
    ScheduleOutcome outcome;
    outcome.cron = true;
    outcome.cronLine = CronLineFor(job, schedule);
    if (schedule.kind == ScheduleKind::kOff) {
        outcome.ok = true;
        outcome.message = why + "; remove the job's line with crontab -e, if you added one.";
        return outcome;
    }
    // flock makes its lock file, not the folder it lies in.
    std::error_code ignored;
    std::filesystem::create_directories(StateFolder() + "/locks", ignored);
    outcome.message =
        why + "; add this line with crontab -e to run the job " + JobScheduleDescription(schedule) + ":";
    return outcome;
}

ScheduleOutcome CJobScheduler::Apply(const std::string& job, const JobSchedule& schedule) {
    ScheduleOutcome outcome;
    outcome.message = WhyNotSchedulable(job);
    if (!outcome.message.empty()) {
        return outcome;
    }
    const std::string timer = JobTimerUnit(job);
    const std::filesystem::path dropIn = ScheduleDropInPath(job);
    std::error_code ignored;
    if (schedule.kind == ScheduleKind::kOff) {
        std::filesystem::remove(dropIn, ignored);
        std::filesystem::remove(dropIn.parent_path(), ignored);  // only when nothing else is in it
        if (!m_systemctl.HasUserManager()) {
            return CronOutcome(job, schedule, "The job " + job + " is no longer on the timer");
        }
        // A timer that was never enabled cannot be disabled: that is no failure.
        m_systemctl.Run({"disable", "--now", timer});
        m_systemctl.Run({"daemon-reload"});
        outcome.ok = true;
        outcome.message = "The job " + job + " no longer runs on a schedule.";
        return outcome;
    }
    std::filesystem::create_directories(dropIn.parent_path(), ignored);
    int error = 0;
    if (!WriteFileSafely(dropIn.string(), ScheduleDropInText(schedule), &error)) {
        outcome.message = "cannot write " + dropIn.string() + ": " + std::strerror(error);
        return outcome;
    }
    if (!m_systemctl.HasUserManager()) {
        return CronOutcome(job, schedule, "There is no systemd user manager in this session");
    }
    const SystemctlResult reload = m_systemctl.Run({"daemon-reload"});
    if (reload.status != 0) {
        return CronOutcome(job, schedule, WithOutput("The systemd user manager does not answer", reload));
    }
    const SystemctlResult enable = m_systemctl.Run({"enable", "--now", timer});
    if (enable.status != 0) {
        outcome.message = WithOutput("systemctl --user enable --now " + timer + " failed", enable);
        return outcome;
    }
    outcome.ok = true;
    outcome.message = "The job " + job + " runs " + JobScheduleDescription(schedule) + ".";
    return outcome;
}

std::vector<ScheduleLine> CJobScheduler::Status(const std::string& job, std::string_view historyText,
                                                std::chrono::system_clock::time_point now) {
    std::vector<ScheduleLine> lines;
    std::error_code ignored;
    const std::string dropIn = ScheduleDropInPath(job);
    const std::string dropInText =
        std::filesystem::exists(dropIn, ignored) ? ReadText(dropIn) : std::string();
    const std::optional<JobSchedule> schedule =
        dropInText.empty() ? std::optional<JobSchedule>(JobSchedule{}) : ScheduleOfDropIn(dropInText);
    const bool on = !schedule || schedule->kind != ScheduleKind::kOff;
    ScheduleLine scheduleLine{"Schedule: " + (schedule ? JobScheduleDescription(*schedule)
                                                       : "OnCalendar=" + CalendarOfDropIn(dropInText))};
    if (on && m_systemctl.HasUserManager() &&
        m_systemctl.Run({"is-active", "--quiet", JobTimerUnit(job)}).status != 0) {
        scheduleLine.text += " (the timer is not running: schedule the job again)";
        scheduleLine.alarm = true;
    } else if (on && !m_systemctl.HasUserManager()) {
        scheduleLine.text += " (no systemd user manager: cron runs it, if you added its line)";
    }
    lines.push_back(scheduleLine);
    if (schedule && on) {
        if (const auto next = NextRunAfter(*schedule, now)) {
            lines.push_back({"Next run: " + LocalTimeText(*next)});
        }
    }
    const std::optional<RunRecord> last = LastRunOfJob(historyText, job);
    if (!last) {
        lines.push_back({"Last run: none yet"});
        return lines;
    }
    ScheduleLine lastLine{"Last run: " + LocalTimeText(last->end) + ", " + last->Outcome() + ", " +
                          std::to_string(last->products) + " products"};
    if (last->status != kRunOk) {
        lastLine.alarm = true;
        if (!last->reason.empty()) {
            lastLine.text += " (" + last->reason + ")";
        }
    }
    lines.push_back(lastLine);
    if (schedule && on) {
        if (const std::optional<std::string> overdue = OverdueReason(*schedule, last->end, now)) {
            lines.push_back({"Overdue: " + *overdue, true});
        }
    }
    return lines;
}

}  // namespace yarvelin

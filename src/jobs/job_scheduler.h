// Putting a job on a schedule and saying how it stands: the drop-in on the job's timer, the user manager
// told through `systemctl --user`, and, on a computer without one, the crontab line to add instead. The
// Schedule window and `yarvelin-feed schedule` are thin callers of these.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "jobs/job_schedule.h"

namespace yarvelin {

class UserSystemctl;

struct ScheduleOutcome {
    bool ok = false;
    // No user manager: the schedule is to be kept by cron; cronLine is the line for `crontab -e` (empty
    // when the schedule is off).
    bool cron = false;
    std::string cronLine;
    std::string message;  // what was done, or why not
};

// One line of the job's state; alarm: a failure or an overdue run, shown in red.
struct ScheduleLine {
    std::string text;
    bool alarm = false;
};

class CJobScheduler {
  public:
    // program: the yarvelin-feed the crontab line starts.
    CJobScheduler(UserSystemctl& systemctl, std::string program)
        : m_systemctl(systemctl), m_program(std::move(program)) {}

    // Why the job cannot have a schedule (its name, or no such job where the timer looks); empty when it
    // can.
    static std::string WhyNotSchedulable(const std::string& job);
    // The schedule in the job's drop-in; off when there is none, nothing when it was written by hand.
    static std::optional<JobSchedule> Current(const std::string& job);

    // Writes (or, for off, takes away) the job's drop-in and tells the user manager.
    ScheduleOutcome Apply(const std::string& job, const JobSchedule& schedule);
    // The schedule, the next run and the last run (from the run history's text), as of now.
    std::vector<ScheduleLine> Status(const std::string& job, std::string_view historyText,
                                     std::chrono::system_clock::time_point now);
    std::string CronLineFor(const std::string& job, const JobSchedule& schedule) const;

  private:
    ScheduleOutcome CronOutcome(const std::string& job, const JobSchedule& schedule, std::string why) const;

    UserSystemctl& m_systemctl;
    std::string m_program;
};

}  // namespace yarvelin

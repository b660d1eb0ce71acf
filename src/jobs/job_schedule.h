// When a job runs by itself: the schedule as the merchant states it ("daily@03:30"), the systemd timer's
// OnCalendar= line and drop-in file that carry it out, the crontab line for a computer without a user
// manager, and the next run. The wizard's Schedule window and `yarvelin-feed schedule` both use these.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace yarvelin {

enum class ScheduleKind { kOff, kHourly, kDaily, kWeekly };

struct JobSchedule {
    ScheduleKind kind = ScheduleKind::kOff;
    int everyHours = 0;  // kHourly: 1 to 23, counted from midnight
    int hour = 0;        // kDaily, kWeekly: local time
    int minute = 0;
    int weekday = 0;  // kWeekly: 0 Sunday to 6 Saturday, as cron counts
    bool operator==(const JobSchedule&) const = default;
};

// "off", "hourly@N", "daily@HH:MM" or "weekly@DAY,HH:MM" (DAY: mon or monday, any case); nothing for
// anything else.
std::optional<JobSchedule> ParseJobSchedule(std::string_view text);
// The same form, as ParseJobSchedule reads it back: "weekly@mon,03:30".
std::string JobScheduleText(const JobSchedule& schedule);
// For people: "every 6 hours", "daily at 03:30", "weekly on Monday at 03:30", "off".
std::string JobScheduleDescription(const JobSchedule& schedule);

// "Sunday" (0) to "Saturday" (6).
const char* WeekdayName(int day);

// The timer's calendar: "*-*-* 00/6:00:00", "*-*-* 03:30:00", "Mon *-*-* 03:30:00" (empty when off), and
// back; a calendar written by hand gives nothing.
std::string OnCalendarText(const JobSchedule& schedule);
std::optional<JobSchedule> ParseOnCalendar(std::string_view text);

// The drop-in file that puts the schedule on the job's timer, and the schedule it holds (the last
// OnCalendar= line; nothing when it was not written by us or says no time).
std::string ScheduleDropInText(const JobSchedule& schedule);
std::optional<JobSchedule> ScheduleOfDropIn(std::string_view text);
// The last OnCalendar= value of a drop-in, as written, for a calendar ParseOnCalendar does not know.
std::string CalendarOfDropIn(std::string_view text);

// The first run after now, both in local civil time; nothing when off.
std::optional<std::chrono::local_seconds> NextRunAfter(const JobSchedule& schedule,
                                                       std::chrono::local_seconds now);
// The same on the system clock, through the computer's time zone.
std::optional<std::chrono::system_clock::time_point> NextRunAfter(const JobSchedule& schedule,
                                                                  std::chrono::system_clock::time_point now);
// "Wed 2026-12-09 03:30" in local time.
std::string LocalTimeText(std::chrono::system_clock::time_point t);

// A run is overdue when the schedule should have run the job twice since its last run: the timer is not
// running, or the computer is off when it should run. Gives why, or nothing.
std::optional<std::string> OverdueReason(const JobSchedule& schedule,
                                         std::chrono::system_clock::time_point lastRun,
                                         std::chrono::system_clock::time_point now);

// The crontab line for the schedule: flock -n skips a start while the last one still runs, so a slow
// upload never piles up runs. program and lockFile are quoted for the shell where they need it.
std::string CronLine(const JobSchedule& schedule, const std::string& program, const std::string& job,
                     const std::string& lockFile);

// A job name a timer instance can carry as it is (letters, digits, "_", "-", "." and ":").
bool IsSchedulableJobName(std::string_view job);
// "yarvelin-feed-run@JOB.timer".
std::string JobTimerUnit(const std::string& job);
// $XDG_CONFIG_HOME/systemd/user (else ~/.config/systemd/user)/yarvelin-feed-run@JOB.timer.d/schedule.conf.
std::string ScheduleDropInPath(const std::string& job);

}  // namespace yarvelin

#include "jobs/job_schedule.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "records/xdg_folders.h"

namespace yarvelin {

namespace {

using namespace std::chrono;

constexpr std::array<const char*, 7> kDayNames = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                                  "Thursday", "Friday", "Saturday"};

std::string Lower(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

// "mon", "Monday": 0 Sunday to 6 Saturday.
std::optional<int> ParseDay(std::string_view text) {
    const std::string day = Lower(text);
    for (int i = 0; i < 7; ++i) {
        const std::string full = Lower(kDayNames[static_cast<std::size_t>(i)]);
        if (day == full || day == full.substr(0, 3)) {
            return i;
        }
    }
    return std::nullopt;
}

std::optional<int> ParseNumber(std::string_view text, int low, int high) {
    if (text.empty() || text.size() > 2 ||
        !std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c); })) {
        return std::nullopt;
    }
    const int value = std::atoi(std::string(text).c_str());
    return value >= low && value <= high ? std::optional<int>(value) : std::nullopt;
}

// "03:30" (or "3:30"); suffix: what must follow the minutes (":00" in a calendar).
bool ParseClock(std::string_view text, JobSchedule& schedule, std::string_view suffix = {}) {
    if (text.size() < suffix.size() || text.substr(text.size() - suffix.size()) != suffix) {
        return false;
    }
    text.remove_suffix(suffix.size());
    const std::size_t colon = text.find(':');
    if (colon == std::string_view::npos) {
        return false;
    }
    const std::optional<int> hour = ParseNumber(text.substr(0, colon), 0, 23);
    const std::optional<int> minute = ParseNumber(text.substr(colon + 1), 0, 59);
    if (!hour || !minute || text.size() - colon - 1 != 2) {
        return false;
    }
    schedule.hour = *hour;
    schedule.minute = *minute;
    return true;
}

std::string TwoDigits(int value) {
    char text[8];
    std::snprintf(text, sizeof text, "%02d", value);
    return text;
}

std::string Clock(const JobSchedule& s) {
    return TwoDigits(s.hour) + ":" + TwoDigits(s.minute);
}

// The value of the last "OnCalendar=" line; an empty one resets the list, as systemd reads it.
std::optional<std::string> LastCalendar(std::string_view text) {
    std::optional<std::string> last;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        std::string_view line = text.substr(start, end - start);
        while (!line.empty() && std::isspace(static_cast<unsigned char>(line.back()))) {
            line.remove_suffix(1);
        }
        constexpr std::string_view kKey = "OnCalendar=";
        if (line.substr(0, kKey.size()) == kKey) {
            last = std::string(line.substr(kKey.size()));
        }
        start = end + 1;
    }
    return last;
}

std::string ShellWord(const std::string& word) {
    const bool plain = !word.empty() && std::all_of(word.begin(), word.end(), [](unsigned char c) {
        return std::isalnum(c) ||
               std::string_view("_./:@+=,-").find(static_cast<char>(c)) != std::string_view::npos;
    });
    std::string quoted = plain ? word : "'";
    if (!plain) {
        for (char c : word) {
            quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
        }
        quoted += "'";
    }
    // cron turns an unescaped % into a new line of standard input.
    std::string out;
    for (char c : quoted) {
        out += c == '%' ? std::string("\\%") : std::string(1, c);
    }
    return out;
}

seconds Period(const JobSchedule& s) {
    switch (s.kind) {
        case ScheduleKind::kHourly:
            return hours(s.everyHours);
        case ScheduleKind::kDaily:
            return hours(24);
        case ScheduleKind::kWeekly:
            return hours(24 * 7);
        case ScheduleKind::kOff:
            break;
    }
    return seconds(0);
}

std::string ConfigFolder() {
    return XdgConfigHome();
}

}  // namespace

const char* WeekdayName(int day) {
    return kDayNames[static_cast<std::size_t>(day % 7)];
}

std::optional<JobSchedule> ParseJobSchedule(std::string_view text) {
    JobSchedule s;
    const std::string lower = Lower(text);
    if (lower == "off") {
        return s;
    }
    const std::size_t at = lower.find('@');
    if (at == std::string::npos) {
        return std::nullopt;
    }
    const std::string kind = lower.substr(0, at);
    const std::string rest = lower.substr(at + 1);
    if (kind == "hourly") {
        const std::optional<int> n = ParseNumber(rest, 1, 23);
        if (!n) {
            return std::nullopt;
        }
        s.kind = ScheduleKind::kHourly;
        s.everyHours = *n;
        return s;
    }
    if (kind == "daily") {
        s.kind = ScheduleKind::kDaily;
        return ParseClock(rest, s) ? std::optional<JobSchedule>(s) : std::nullopt;
    }
    if (kind == "weekly") {
        const std::size_t comma = rest.find(',');
        const std::optional<int> day =
            comma == std::string::npos ? std::nullopt : ParseDay(std::string_view(rest).substr(0, comma));
        if (!day || !ParseClock(std::string_view(rest).substr(comma + 1), s)) {
            return std::nullopt;
        }
        s.kind = ScheduleKind::kWeekly;
        s.weekday = *day;
        return s;
    }
    return std::nullopt;
}

std::string JobScheduleText(const JobSchedule& s) {
    switch (s.kind) {
        case ScheduleKind::kHourly:
            return "hourly@" + std::to_string(s.everyHours);
        case ScheduleKind::kDaily:
            return "daily@" + Clock(s);
        case ScheduleKind::kWeekly:
            return "weekly@" +
                   Lower(std::string(kDayNames[static_cast<std::size_t>(s.weekday)]).substr(0, 3)) + "," +
                   Clock(s);
        case ScheduleKind::kOff:
            break;
    }
    return "off";
}

std::string JobScheduleDescription(const JobSchedule& s) {
    switch (s.kind) {
        case ScheduleKind::kHourly:
            return s.everyHours == 1 ? "every hour" : "every " + std::to_string(s.everyHours) + " hours";
        case ScheduleKind::kDaily:
            return "daily at " + Clock(s);
        case ScheduleKind::kWeekly:
            return std::string("weekly on ") + kDayNames[static_cast<std::size_t>(s.weekday)] + " at " +
                   Clock(s);
        case ScheduleKind::kOff:
            break;
    }
    return "off";
}

std::string OnCalendarText(const JobSchedule& s) {
    switch (s.kind) {
        case ScheduleKind::kHourly:
            return "*-*-* 00/" + std::to_string(s.everyHours) + ":00:00";
        case ScheduleKind::kDaily:
            return "*-*-* " + Clock(s) + ":00";
        case ScheduleKind::kWeekly:
            return std::string(kDayNames[static_cast<std::size_t>(s.weekday)]).substr(0, 3) + " *-*-* " +
                   Clock(s) + ":00";
        case ScheduleKind::kOff:
            break;
    }
    return {};
}

std::optional<JobSchedule> ParseOnCalendar(std::string_view text) {
    JobSchedule s;
    constexpr std::string_view kEveryDay = "*-*-* ";
    const std::size_t every = text.find(kEveryDay);
    if (every == std::string_view::npos) {
        return std::nullopt;
    }
    const std::string_view day = text.substr(0, every);
    const std::string_view time = text.substr(every + kEveryDay.size());
    if (day.empty() && time.substr(0, 3) == "00/" && time.size() > 9 &&
        time.substr(time.size() - 6) == ":00:00") {
        const std::optional<int> n = ParseNumber(time.substr(3, time.size() - 9), 1, 23);
        if (!n) {
            return std::nullopt;
        }
        s.kind = ScheduleKind::kHourly;
        s.everyHours = *n;
        return s;
    }
    if (!ParseClock(time, s, ":00")) {
        return std::nullopt;
    }
    if (day.empty()) {
        s.kind = ScheduleKind::kDaily;
        return s;
    }
    const std::optional<int> weekday =
        day.size() == 4 && day.back() == ' ' ? ParseDay(day.substr(0, 3)) : std::nullopt;
    if (!weekday) {
        return std::nullopt;
    }
    s.kind = ScheduleKind::kWeekly;
    s.weekday = *weekday;
    return s;
}

std::string ScheduleDropInText(const JobSchedule& s) {
    // The empty OnCalendar= takes away the packaged timer's "daily"; without the random delay the job
    // starts at the time chosen, which is also the next run the window and `schedule status` show.
    return "# When the job runs; written by Yarvelin's Schedule window and `yarvelin-feed schedule`.\n"
           "# Schedule: " +
           JobScheduleDescription(s) +
           "\n"
           "[Timer]\n"
           "OnCalendar=\n"
           "OnCalendar=" +
           OnCalendarText(s) +
           "\n"
           "RandomizedDelaySec=0\n";
}

std::optional<JobSchedule> ScheduleOfDropIn(std::string_view text) {
    const std::optional<std::string> calendar = LastCalendar(text);
    return calendar ? ParseOnCalendar(*calendar) : std::nullopt;
}

std::string CalendarOfDropIn(std::string_view text) {
    return LastCalendar(text).value_or("");
}

std::optional<local_seconds> NextRunAfter(const JobSchedule& s, local_seconds now) {
    if (s.kind == ScheduleKind::kOff) {
        return std::nullopt;
    }
    const local_days today = floor<days>(now);
    if (s.kind == ScheduleKind::kHourly) {
        const long sinceMidnight = floor<hours>(now - today).count();
        const hours next((sinceMidnight / s.everyHours + 1) * s.everyHours);
        return next < hours(24) ? local_seconds(today + next) : local_seconds(today + days(1));
    }
    local_days day = today;
    if (s.kind == ScheduleKind::kWeekly) {
        day += (weekday(static_cast<unsigned>(s.weekday)) - weekday(today));
    }
    local_seconds at = day + hours(s.hour) + minutes(s.minute);
    if (at <= now) {
        at += s.kind == ScheduleKind::kWeekly ? days(7) : days(1);
    }
    return at;
}

std::optional<system_clock::time_point> NextRunAfter(const JobSchedule& s, system_clock::time_point now) {
    const std::time_t nowT = system_clock::to_time_t(now);
    std::tm local{};
    localtime_r(&nowT, &local);
    const local_seconds civil = local_days(year(local.tm_year + 1900) / (local.tm_mon + 1) / local.tm_mday) +
                                hours(local.tm_hour) + minutes(local.tm_min) + seconds(local.tm_sec);
    const std::optional<local_seconds> next = NextRunAfter(s, civil);
    if (!next) {
        return std::nullopt;
    }
    const local_days nextDay = floor<days>(*next);
    const year_month_day date(nextDay);
    const hh_mm_ss<seconds> time(*next - nextDay);
    std::tm back{};
    back.tm_year = static_cast<int>(date.year()) - 1900;
    back.tm_mon = static_cast<int>(static_cast<unsigned>(date.month())) - 1;
    back.tm_mday = static_cast<int>(static_cast<unsigned>(date.day()));
    back.tm_hour = static_cast<int>(time.hours().count());
    back.tm_min = static_cast<int>(time.minutes().count());
    back.tm_isdst = -1;  // the zone decides whether summer time applies that day
    return system_clock::from_time_t(std::mktime(&back));
}

std::string LocalTimeText(system_clock::time_point t) {
    const std::time_t when = system_clock::to_time_t(t);
    std::tm local{};
    localtime_r(&when, &local);
    char text[32];
    std::strftime(text, sizeof text, "%a %Y-%m-%d %H:%M", &local);
    return text;
}

std::optional<std::string> OverdueReason(const JobSchedule& s, system_clock::time_point lastRun,
                                         system_clock::time_point now) {
    if (s.kind == ScheduleKind::kOff || now - lastRun <= 2 * Period(s)) {
        return std::nullopt;
    }
    return "no run since " + LocalTimeText(lastRun) + ", though it should run " + JobScheduleDescription(s);
}

std::string CronLine(const JobSchedule& s, const std::string& program, const std::string& job,
                     const std::string& lockFile) {
    std::string when;
    switch (s.kind) {
        case ScheduleKind::kHourly:
            when = "0 " + (s.everyHours == 1 ? std::string("*") : "*/" + std::to_string(s.everyHours)) +
                   " * * *";
            break;
        case ScheduleKind::kDaily:
            when = std::to_string(s.minute) + " " + std::to_string(s.hour) + " * * *";
            break;
        case ScheduleKind::kWeekly:
            when =
                std::to_string(s.minute) + " " + std::to_string(s.hour) + " * * " + std::to_string(s.weekday);
            break;
        case ScheduleKind::kOff:
            return {};
    }
    return when + " flock -n " + ShellWord(lockFile) + " " + ShellWord(program) + " run " + ShellWord(job);
}

bool IsSchedulableJobName(std::string_view job) {
    return !job.empty() && job.front() != '.' && job.front() != '-' &&
           std::all_of(job.begin(), job.end(), [](unsigned char c) {
               return std::isalnum(c) || c == '_' || c == '-' || c == '.' || c == ':';
           });
}

std::string JobTimerUnit(const std::string& job) {
    return "yarvelin-feed-run@" + job + ".timer";
}

std::string ScheduleDropInPath(const std::string& job) {
    return ConfigFolder() + "/systemd/user/" + JobTimerUnit(job) + ".d/schedule.conf";
}

}  // namespace yarvelin

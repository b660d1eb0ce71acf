#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>

#include "jobs/job_schedule.h"
#include "jobs/job_scheduler.h"
#include "jobs/run_history.h"
#include "jobs/user_systemctl.h"

namespace yarvelin {
namespace {

using namespace std::chrono;

struct ScheduleRow {
    const char* typed;
    const char* canonical;  // nullptr: refused
    const char* calendar;
    const char* cron;  // the crontab line's time fields
};

TEST(JobSchedule, ParsesFormatsAndTranslatesEachForm) {
    const ScheduleRow rows[] = {
        {"off", "off", "", ""},
        {"hourly@6", "hourly@6", "*-*-* 00/6:00:00", "0 */6 * * *"},
        {"hourly@1", "hourly@1", "*-*-* 00/1:00:00", "0 * * * *"},
        {"daily@03:30", "daily@03:30", "*-*-* 03:30:00", "30 3 * * *"},
        {"daily@3:05", "daily@03:05", "*-*-* 03:05:00", "5 3 * * *"},
        {"weekly@mon,03:30", "weekly@mon,03:30", "Mon *-*-* 03:30:00", "30 3 * * 1"},
        {"weekly@Sunday,23:59", "weekly@sun,23:59", "Sun *-*-* 23:59:00", "59 23 * * 0"},
        {"hourly@0", nullptr, "", ""},
        {"hourly@24", nullptr, "", ""},
        {"daily@24:00", nullptr, "", ""},
        {"daily@03:60", nullptr, "", ""},
        {"daily@0330", nullptr, "", ""},
        {"weekly@mo,03:30", nullptr, "", ""},
        {"monthly@1", nullptr, "", ""},
    };
    for (const ScheduleRow& row : rows) {
        SCOPED_TRACE(row.typed);
        const std::optional<JobSchedule> s = ParseJobSchedule(row.typed);
        ASSERT_EQ(s.has_value(), row.canonical != nullptr);
        if (!s) {
            continue;
        }
        EXPECT_EQ(JobScheduleText(*s), row.canonical);
        EXPECT_EQ(ParseJobSchedule(JobScheduleText(*s)), s);
        EXPECT_EQ(OnCalendarText(*s), row.calendar);
        // What the drop-in holds reads back as the same schedule, the packaged "daily" reset before it.
        const std::string dropIn = ScheduleDropInText(*s);
        if (s->kind != ScheduleKind::kOff) {
            EXPECT_EQ(ParseOnCalendar(row.calendar), s);
            EXPECT_EQ(ScheduleOfDropIn(dropIn), s);
            EXPECT_NE(dropIn.find("OnCalendar=\nOnCalendar=" + std::string(row.calendar) + "\n"),
                      std::string::npos);
        }
        EXPECT_EQ(CronLine(*s, "/usr/bin/yarvelin-feed", "shop", "/l/shop.lock"),
                  *row.cron ? std::string(row.cron) + " flock -n /l/shop.lock /usr/bin/yarvelin-feed run shop"
                            : std::string());
    }
}

TEST(JobSchedule, CalendarsWrittenByHandAreNotOurs) {
    for (const char* calendar : {"daily", "Mon..Fri *-*-* 03:30:00", "*-*-* 03:30:15", "*-*-* 00/6:30:00",
                                 "Mon *-*-* 3:30", "*-*-01 03:30:00"}) {
        SCOPED_TRACE(calendar);
        EXPECT_FALSE(ParseOnCalendar(calendar));
    }
    const std::string handMade = "[Timer]\nOnCalendar=\nOnCalendar=Mon..Fri *-*-* 03:30:00\n";
    EXPECT_FALSE(ScheduleOfDropIn(handMade));
    EXPECT_EQ(CalendarOfDropIn(handMade), "Mon..Fri *-*-* 03:30:00");
}

TEST(JobSchedule, NextRunIsTheFirstSlotAfterNow) {
    // 2026-12-09 is a Wednesday.
    const auto at = [](int day, int hour, int minute, int second = 0) {
        return local_days(year(2026) / 12 / day) + hours(hour) + minutes(minute) + seconds(second);
    };
    struct Row {
        const char* schedule;
        local_seconds now;
        local_seconds next;
    };
    const Row rows[] = {
        {"daily@03:30", at(9, 1, 0), at(9, 3, 30)},
        {"daily@03:30", at(9, 3, 30), at(10, 3, 30)},  // a run starting now is not the next one
        {"daily@03:30", at(9, 3, 29, 59), at(9, 3, 30)},
        {"daily@00:00", at(31, 23, 59), local_days(year(2027) / 1 / 1)},
        {"hourly@6", at(9, 0, 0), at(9, 6, 0)},
        {"hourly@6", at(9, 5, 59), at(9, 6, 0)},
        {"hourly@6", at(9, 18, 0, 1), at(10, 0, 0)},
        {"hourly@5", at(9, 20, 30), at(10, 0, 0)},  // 20:00 was the last of the day
        {"hourly@1", at(9, 13, 45), at(9, 14, 0)},
        {"weekly@wed,03:30", at(9, 3, 0), at(9, 3, 30)},
        {"weekly@wed,03:30", at(9, 4, 0), at(16, 3, 30)},
        {"weekly@mon,03:30", at(9, 4, 0), at(14, 3, 30)},
        {"weekly@tue,08:00", at(9, 4, 0), at(15, 8, 0)},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.schedule);
        EXPECT_EQ(NextRunAfter(*ParseJobSchedule(row.schedule), row.now), row.next);
    }
    EXPECT_FALSE(NextRunAfter(JobSchedule{}, at(9, 1, 0)));
}

TEST(JobSchedule, OverdueAfterTwoMissedRuns) {
    const system_clock::time_point now = sys_days(year(2026) / 12 / 9) + hours(12);
    struct Row {
        const char* schedule;
        hours sinceLastRun;
        bool overdue;
    };
    const Row rows[] = {{"daily@03:30", hours(47), false},
                        {"daily@03:30", hours(49), true},
                        {"hourly@6", hours(11), false},
                        {"hourly@6", hours(13), true},
                        {"weekly@mon,03:30", hours(24 * 13), false},
                        {"weekly@mon,03:30", hours(24 * 15), true},
                        {"off", hours(24 * 365), false}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.schedule);
        EXPECT_EQ(OverdueReason(*ParseJobSchedule(row.schedule), now - row.sinceLastRun, now).has_value(),
                  row.overdue);
    }
}

TEST(JobSchedule, CronLineQuotesForTheShellAndCron) {
    EXPECT_EQ(CronLine(*ParseJobSchedule("daily@03:30"), "/opt/My Apps/yarvelin-feed", "shop",
                       "/home/me/100% state/shop.lock"),
              "30 3 * * * flock -n '/home/me/100\\% state/shop.lock' '/opt/My Apps/yarvelin-feed' run shop");
}

TEST(JobSchedule, OnlyNamesATimerInstanceCarriesAsTheyAre) {
    EXPECT_TRUE(IsSchedulableJobName("my_shop-2.de:x"));
    for (const char* bad : {"", "my shop", "shop/x", "-shop", ".shop", "caf\xc3\xa9", "a\\x2d"}) {
        EXPECT_FALSE(IsSchedulableJobName(bad)) << bad;
    }
}

// systemctl as a test answers it, recording each call.
class CRecordingSystemctl : public UserSystemctl {
  public:
    bool HasUserManager() const override { return m_manager; }
    SystemctlResult Run(const std::vector<std::string>& args) override {
        std::string call;
        for (const std::string& a : args) {
            call += (call.empty() ? "" : " ") + a;
        }
        m_calls.push_back(call);
        const auto failing = m_failing.find(args.front());
        return failing == m_failing.end() ? SystemctlResult{0, {}} : SystemctlResult{1, failing->second};
    }
    bool m_manager = true;
    std::map<std::string, std::string> m_failing;  // first word -> output
    std::vector<std::string> m_calls;
};

class JobSchedulerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        m_dir = std::filesystem::temp_directory_path() /
                ("yarvelin-schedule-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                 "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(m_dir / "yarvelin/jobs");
        std::ofstream(m_dir / "yarvelin/jobs/shop.toml") << "[source]\nfeed = \"shop.txt\"\n";
        setenv("XDG_CONFIG_HOME", m_dir.c_str(), 1);
        setenv("XDG_STATE_HOME", (m_dir / "state").c_str(), 1);
    }
    void TearDown() override {
        unsetenv("XDG_CONFIG_HOME");
        unsetenv("XDG_STATE_HOME");
        std::filesystem::remove_all(m_dir);
    }
    std::filesystem::path DropIn() const {
        return m_dir / "systemd/user/yarvelin-feed-run@shop.timer.d/schedule.conf";
    }

    std::filesystem::path m_dir;
    CRecordingSystemctl m_systemctl;
    CJobScheduler m_scheduler{m_systemctl, "/usr/bin/yarvelin-feed"};
};

TEST_F(JobSchedulerTest, ScheduleWritesTheDropInAndEnablesTheTimer) {
    const ScheduleOutcome outcome = m_scheduler.Apply("shop", *ParseJobSchedule("daily@03:30"));
    EXPECT_TRUE(outcome.ok) << outcome.message;
    EXPECT_FALSE(outcome.cron);
    EXPECT_EQ(outcome.message, "The job shop runs daily at 03:30.");
    EXPECT_EQ(ScheduleDropInPath("shop"), DropIn().string());
    EXPECT_EQ(CJobScheduler::Current("shop"), ParseJobSchedule("daily@03:30"));
    EXPECT_EQ(m_systemctl.m_calls,
              (std::vector<std::string>{"daemon-reload", "enable --now yarvelin-feed-run@shop.timer"}));

    m_systemctl.m_calls.clear();
    EXPECT_TRUE(m_scheduler.Apply("shop", JobSchedule{}).ok);
    EXPECT_FALSE(std::filesystem::exists(DropIn().parent_path()));
    EXPECT_EQ(CJobScheduler::Current("shop"), JobSchedule{});
    EXPECT_EQ(m_systemctl.m_calls,
              (std::vector<std::string>{"disable --now yarvelin-feed-run@shop.timer", "daemon-reload"}));
}

TEST_F(JobSchedulerTest, WithoutAManagerTheCrontabLineElseWhySystemctlFailed) {
    m_systemctl.m_manager = false;
    ScheduleOutcome outcome = m_scheduler.Apply("shop", *ParseJobSchedule("daily@03:30"));
    EXPECT_TRUE(outcome.cron && !outcome.ok);
    EXPECT_EQ(outcome.cronLine, "30 3 * * * flock -n " +
                                    (m_dir / "state/yarvelin/locks/shop.cron.lock").string() +
                                    " /usr/bin/yarvelin-feed run shop");
    EXPECT_TRUE(m_systemctl.m_calls.empty());
    EXPECT_TRUE(std::filesystem::is_directory(m_dir / "state/yarvelin/locks"));  // flock makes no folder

    m_systemctl.m_manager = true;
    m_systemctl.m_failing["enable"] = "Unit yarvelin-feed-run@shop.timer not found.\n";
    outcome = m_scheduler.Apply("shop", *ParseJobSchedule("hourly@6"));
    EXPECT_FALSE(outcome.ok || outcome.cron);
    EXPECT_EQ(outcome.message,
              "systemctl --user enable --now yarvelin-feed-run@shop.timer failed: Unit "
              "yarvelin-feed-run@shop.timer not found.");
    m_systemctl.m_calls.clear();
    EXPECT_EQ(m_scheduler.Apply("other", JobSchedule{}).message,
              "there is no job " + (m_dir / "yarvelin/jobs/other.toml").string() +
                  "; the timer runs jobs saved there");
    EXPECT_TRUE(m_systemctl.m_calls.empty());
}

TEST_F(JobSchedulerTest, StatusMarksFailedAndOverdueRunsAndAStoppedTimer) {
    const system_clock::time_point now = system_clock::now();
    RunRecord run;
    run.job = "shop";
    run.start = run.end = now - hours(50);
    run.status = kRunFailed;
    run.products = 12;
    run.reason = "the upload failed: 530 Login incorrect.";
    m_scheduler.Apply("shop", *ParseJobSchedule("daily@03:30"));
    m_systemctl.m_failing["is-active"] = "";
    const std::vector<ScheduleLine> lines = m_scheduler.Status("shop", RunRecordJson(run) + "\n", now);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0].text, "Schedule: daily at 03:30 (the timer is not running: schedule the job again)");
    EXPECT_EQ(lines[1].text,
              "Next run: " + LocalTimeText(*NextRunAfter(*ParseJobSchedule("daily@03:30"), now)));
    EXPECT_EQ(lines[2].text, "Last run: " + LocalTimeText(run.end) +
                                 ", failed, 12 products (the upload failed: 530 Login incorrect.)");
    EXPECT_EQ(lines[3].text,
              "Overdue: no run since " + LocalTimeText(run.end) + ", though it should run daily at 03:30");
    EXPECT_EQ(std::vector<bool>({lines[0].alarm, lines[1].alarm, lines[2].alarm, lines[3].alarm}),
              std::vector<bool>({true, false, true, true}));
}

}  // namespace
}  // namespace yarvelin

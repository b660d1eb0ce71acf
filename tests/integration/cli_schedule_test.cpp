// yarvelin-feed schedule with a stand-in systemctl on PATH: the drop-in it writes, the calls it makes, the
// crontab line without a user manager; and the drop-in with the packaged units, checked by systemd itself.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <regex>

#include "support/cli_run.h"
#include "support/fake_systemctl.h"

namespace yarvelin {
namespace {

using testing::CFakeSystemctl;
using testing::CliRun;
using testing::ReadBytes;
using testing::ShellQuote;
using testing::WriteBytes;

class CliScheduleTest : public ::testing::Test {
  protected:
    void SetUp() override {
        m_dir = std::filesystem::temp_directory_path() /
                ("yarvelin-cli-schedule-" +
                 std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        std::filesystem::remove_all(m_dir);
        std::filesystem::create_directories(m_dir / "config/yarvelin/jobs");
        std::filesystem::create_directories(m_dir / "runtime");
        WriteBytes(m_dir / "config/yarvelin/jobs/shop.toml",
                   "[source]\nfeed = \"shop.txt\"\n[output]\nfile = \"out.txt\"\n");
        m_systemctl = std::make_unique<CFakeSystemctl>(m_dir);
    }
    void TearDown() override { std::filesystem::remove_all(m_dir); }

    // runtime: whether the session has a runtime folder (a user manager to ask).
    CliRun Schedule(const std::string& when, bool runtime = true, const std::string& failing = {}) {
        const std::string environment =
            "PATH=" + ShellQuote(m_systemctl->Path()) +
            " XDG_CONFIG_HOME=" + ShellQuote((m_dir / "config").string()) +
            " XDG_STATE_HOME=" + ShellQuote((m_dir / "state").string()) +
            " FAKE_SYSTEMCTL_FAIL=" + ShellQuote(failing) +
            (runtime ? " XDG_RUNTIME_DIR=" + ShellQuote((m_dir / "runtime").string()) : " XDG_RUNTIME_DIR=");
        return testing::RunShellLine(YARVELIN_CLI, "schedule shop " + ShellQuote(when), m_dir, environment);
    }
    std::filesystem::path DropIn() const {
        return m_dir / "config/systemd/user/yarvelin-feed-run@shop.timer.d/schedule.conf";
    }

    std::filesystem::path m_dir;
    std::unique_ptr<CFakeSystemctl> m_systemctl;
};

TEST_F(CliScheduleTest, SchedulesThroughSystemctlOrGivesTheCrontabLine) {
    CliRun r = Schedule("weekly@mon,03:30");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(std::regex_search(r.out, std::regex("\nNext run: Mon [-0-9]+ 03:30\n$"))) << r.out;
    EXPECT_EQ(m_systemctl->Calls(),
              "--user daemon-reload\n--user enable --now yarvelin-feed-run@shop.timer\n");
    r = Schedule("status");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.substr(0, r.out.find('\n')), "Schedule: weekly on Monday at 03:30");
    EXPECT_EQ(Schedule("off").status, 0);
    EXPECT_FALSE(std::filesystem::exists(DropIn()));

    // No runtime folder: the line for crontab on standard output, naming this program, and status 1.
    r = Schedule("daily@03:30", false);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "30 3 * * * flock -n " + (m_dir / "state/yarvelin/locks/shop.cron.lock").string() + " " +
                         std::filesystem::canonical(YARVELIN_CLI).string() + " run shop\n");
    EXPECT_EQ(Schedule("daily@03:30", true, "enable").status, 1);
    EXPECT_EQ(Schedule("daily@25:00").status, 2);
}

// The packaged units as instances for the job, with the drop-in the command wrote, checked by
// systemd-analyze verify: it only warns about a line it cannot read, so any word from it fails the test.
TEST_F(CliScheduleTest, UnitsAndDropInVerify) {
    ASSERT_EQ(Schedule("hourly@6").status, 0);
    const std::filesystem::path units = m_dir / "units";
    std::filesystem::create_directories(units / "yarvelin-feed-run@shop.timer.d");
    std::filesystem::copy_file(DropIn(), units / "yarvelin-feed-run@shop.timer.d/schedule.conf");
    const std::string source = YARVELIN_SOURCE_DIR "/dist/linux/";
    for (const char* unit : {"run@.service", "alert@.service", "stale@.service"}) {
        std::string text = ReadBytes(source + "yarvelin-feed-" + unit + ".in");
        const std::string program = "@CMAKE_INSTALL_FULL_BINDIR@/yarvelin-feed";
        ASSERT_NE(text.find(program), std::string::npos) << unit;
        text.replace(text.find(program), program.size(), YARVELIN_CLI);
        std::string name = std::string("yarvelin-feed-") + unit;
        WriteBytes(units / name.insert(name.find('@') + 1, "shop"), text);
    }
    for (const char* unit : {"run@.timer", "stale@.timer"}) {
        const std::string name = std::string("yarvelin-feed-") + unit;
        std::string instance = name;
        std::filesystem::copy_file(source + name, units / instance.insert(instance.find('@') + 1, "shop"));
    }
    std::string files;
    for (const auto& entry : std::filesystem::directory_iterator(units)) {
        if (entry.is_regular_file()) {
            files += " " + ShellQuote(entry.path().string());
        }
    }
    ASSERT_EQ(files.empty(), false);
    const CliRun r = testing::RunShellLine("systemd-analyze", "verify --man=no" + files, m_dir);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out + r.err, "");
}

}  // namespace
}  // namespace yarvelin

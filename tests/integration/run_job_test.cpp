// yarvelin-feed run against the FTP test server: a job read, checked, written and uploaded with the
// safe replace, the guards that stop it, the lock that keeps a second run out, and what a run records.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <functional>
#include <memory>
#include <nlohmann/json.hpp>
#include <sstream>
#include <thread>

#include "integration/ftp_test_server.h"
#include "integration/secure_test_servers.h"
#include "support/cli_run.h"

namespace yarvelin {
namespace {

using test::CFtpTestServer;

// A folder with a feed, a job and its own state and configuration folders.
class CJobFolder {
  public:
    explicit CJobFolder(const CFtpTestServer& server)
        : CJobFolder(server.Base(), "server = \"ftp://127.0.0.1:" + std::to_string(server.Port()) +
                                        "\"\nuser = \"merchant\"\npassword-file = \"merchant.pw\"\n") {}
    // upload: the [upload] table's lines but "binary", for any server.
    CJobFolder(const std::filesystem::path& base, const std::string& upload) : m_upload(upload) {
        m_dir = base / "job";
        std::filesystem::create_directories(m_dir / "out");
        CFtpTestServer::WriteFile(m_dir / "merchant.pw", "secret\n");
        WriteFeed(1, 25);
    }
    // A feed of `count` products; `duplicates` of them repeat the offer id of the first (an error each).
    void WriteFeed(int duplicates, int count) {
        const std::string sample =
            CFtpTestServer::ReadFile(YARVELIN_SOURCE_DIR "/resources/Samples/SampleFlowers.txt");
        std::istringstream lines(sample);
        std::string header, line, body, first;
        std::getline(lines, header);
        for (int i = 0; i < count && std::getline(lines, line); ++i) {
            body += line + "\n";
            if (first.empty()) {
                first = line;
            }
        }
        for (int i = 1; i < duplicates; ++i) {
            body += first + "\n";
        }
        CFtpTestServer::WriteFile(m_dir / "in.txt", header + "\n" + body);
    }
    // About `count` products, made by repeating the sample's.
    void WriteLargeFeed(int count) {
        const std::string sample =
            CFtpTestServer::ReadFile(YARVELIN_SOURCE_DIR "/resources/Samples/SampleFlowers.txt");
        const std::size_t bodyStart = sample.find('\n') + 1;
        std::string feed = sample;
        while (feed.size() < sample.size() * static_cast<std::size_t>(count) / 25) {
            feed += sample.substr(bodyStart);
        }
        CFtpTestServer::WriteFile(m_dir / "in.txt", feed);
    }
    void WriteJob(const std::string& extraCheck = "max-errors = 5\n",
                  const std::string& source = "feed = \"in.txt\"\n", const std::string& output = {}) {
        CFtpTestServer::WriteFile(m_dir / "shop.toml", "[source]\n" + source + "[check]\n" + extraCheck +
                                                           "[output]\nfile = \"out/merchant.txt\"\n" +
                                                           output + "[upload]\n" + m_upload +
                                                           "binary = true\n");
    }
    testing::CliRun Run(const std::string& options = {}) const {
        return testing::RunShellLine(
            YARVELIN_CLI, "run " + options + " " + testing::ShellQuote((m_dir / "shop.toml").string()), m_dir,
            Environment());
    }
    pid_t Start() const {
        return testing::StartArgs(YARVELIN_CLI, {"run", "--allow-errors", (m_dir / "shop.toml").string()},
                                  m_dir / "killed-stderr.txt",
                                  {"XDG_STATE_HOME=" + (m_dir / "state").string(),
                                   "XDG_CONFIG_HOME=" + (m_dir / "config").string()});
    }
    // The writer's temporary files beside the output.
    std::vector<std::string> LocalTemporaries() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(m_dir / "out")) {
            const std::string name = entry.path().filename().string();
            if (name.rfind(".merchant.txt.", 0) == 0) {
                names.push_back(name);
            }
        }
        return names;
    }
    std::string Environment() const {
        return "XDG_STATE_HOME=" + testing::ShellQuote((m_dir / "state").string()) +
               " XDG_CONFIG_HOME=" + testing::ShellQuote((m_dir / "config").string());
    }
    std::vector<nlohmann::json> History() const {
        std::vector<nlohmann::json> lines;
        std::istringstream in(CFtpTestServer::ReadFile(m_dir / "state" / "yarvelin" / "history.jsonl"));
        std::string line;
        while (std::getline(in, line)) {
            lines.push_back(nlohmann::json::parse(line));
        }
        return lines;
    }
    const std::filesystem::path& Dir() const { return m_dir; }

  private:
    std::string m_upload;
    std::filesystem::path m_dir;
};

TEST(RunJob, PublishesThroughTheSafeReplaceAndRecords) {
    CFtpTestServer server;
    CJobFolder job(server);
    job.WriteJob();
    CFtpTestServer::WriteFile(server.Root() / "merchant.txt", "the old feed\r\n");
    const testing::CliRun r = job.Run();
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string written = CFtpTestServer::ReadFile(job.Dir() / "out" / "merchant.txt");
    EXPECT_TRUE(CFtpTestServer::ReadFile(server.Root() / "merchant.txt") == written);
    EXPECT_FALSE(std::filesystem::exists(server.Root() / "merchant.txt.part"));
    EXPECT_NE(server.Log().find("STOR merchant.txt.part"), std::string::npos);
    // The run ends with one summary line on standard error, and one history line.
    const std::size_t lastLine = r.err.rfind('\n', r.err.size() - 2) + 1;
    EXPECT_EQ(r.err.substr(lastLine).rfind("yarvelin-feed run: shop: published, 25 products, 0 errors, ", 0),
              0u)
        << r.err;
    EXPECT_EQ(r.err.substr(r.err.size() - 25), " renamed to merchant.txt\n");
    const auto history = job.History();
    ASSERT_EQ(history.size(), 1u);
    EXPECT_EQ(history[0]["job"], "shop");
    EXPECT_EQ(history[0]["status"], 0);
    EXPECT_EQ(history[0]["products"], 25);
    EXPECT_EQ(history[0]["uploaded"], true);
    EXPECT_EQ(history[0]["bytes"], written.size());
    for (const char* key : {"start", "end", "errors", "warnings", "reason", "duration"}) {
        EXPECT_TRUE(history[0].contains(key)) << key;
    }
    // The count is kept for the next run's guard, in the state folder.
    EXPECT_NE(CFtpTestServer::ReadFile(job.Dir() / "state" / "yarvelin" / "upload-counts")
                  .find("merchant.txt 25\n"),
              std::string::npos);
}

// The lock belongs to the job file: a second run of it exits at once (and is recorded), while a job of the
// same name in another folder runs.
TEST(RunJob, SecondRunExitsAtOnceWhileTheLockIsHeld) {
    CFtpTestServer server;
    CJobFolder job(server);
    job.WriteJob();
    ASSERT_EQ(job.Run().status, 0);
    std::filesystem::remove(server.Root() / "merchant.txt");
    const std::vector<std::filesystem::path> locks(
        std::filesystem::directory_iterator(job.Dir() / "state" / "yarvelin" / "locks"), {});
    ASSERT_EQ(locks.size(), 1u);
    EXPECT_EQ(locks[0].filename().string().rfind("shop-", 0), 0u) << locks[0];
    const int fd = ::open(locks[0].c_str(), O_RDWR | O_CREAT, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0);
    const testing::CliRun held = job.Run();
    EXPECT_EQ(held.status, 4);
    EXPECT_EQ(held.err, "yarvelin-feed run: shop: another run of this job is in progress\n");
    EXPECT_FALSE(std::filesystem::exists(server.Root() / "merchant.txt"));
    ASSERT_EQ(job.History().size(), 2u);
    EXPECT_EQ(job.History()[1]["status"], 4);

    std::string other = CFtpTestServer::ReadFile(job.Dir() / "shop.toml");
    other.replace(other.find("\"in.txt\""), 8, "\"../in.txt\"");
    other.replace(other.find("\"out/merchant.txt\""), 18, "\"../out/other.txt\"");
    other.replace(other.find("\"merchant.pw\""), 13, "\"../merchant.pw\"");
    std::filesystem::create_directories(job.Dir() / "other");
    CFtpTestServer::WriteFile(job.Dir() / "other" / "shop.toml", other);
    const testing::CliRun elsewhere = testing::RunShellLine(
        YARVELIN_CLI, "run " + testing::ShellQuote((job.Dir() / "other" / "shop.toml").string()), job.Dir(),
        job.Environment());
    EXPECT_EQ(elsewhere.status, 0) << elsewhere.err;
    ::close(fd);
    EXPECT_EQ(job.Run().status, 0);
}

// A job may read the shop's export through a profile and apply a rules file: it publishes what import and
// convert --rules would write.
TEST(RunJob, ShopExportThroughTheMapAndTheRules) {
    CFtpTestServer server;
    CJobFolder job(server);
    const std::string rules = YARVELIN_SOURCE_DIR "/resources/Rules/SampleFlowers.rules.toml";
    const std::string in = (job.Dir() / "in.txt").string();
    const std::string expected = (job.Dir() / "expected.txt").string();
    ASSERT_EQ(
        testing::RunArgs(YARVELIN_CLI, {"export", in, (job.Dir() / "shop.csv").string(), "--csv"}, job.Dir())
            .status,
        0);
    ASSERT_EQ(testing::RunArgs(YARVELIN_CLI, {"convert", "--rules", rules, in, expected}, job.Dir()).status,
              0);
    job.WriteJob("max-errors = 5\n",
                 "export = \"shop.csv\"\nprofile = \"generic\"\nrules = '" + rules + "'\n");
    const testing::CliRun r = job.Run("--allow-drop");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(CFtpTestServer::ReadFile(server.Root() / "merchant.txt") ==
                CFtpTestServer::ReadFile(expected));

    // A mistake in the rules stops the run before anything is read or written.
    CFtpTestServer::WriteFile(job.Dir() / "bad.rules", "[[rule]]\naction = \"drop\"\n");
    job.WriteJob("max-errors = 5\n", "export = \"shop.csv\"\nrules = \"bad.rules\"\n");
    const testing::CliRun bad = job.Run();
    EXPECT_EQ(bad.status, 2);
    EXPECT_NE(bad.err.find("bad.rules:2: "), std::string::npos) << bad.err;
}

TEST(RunJob, CheckSaysWhatItWouldDoAndTouchesNothing) {
    CFtpTestServer server;
    CJobFolder job(server);
    job.WriteJob();
    const testing::CliRun r = job.Run("--check");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("would upload to ftp://127.0.0.1:" + std::to_string(server.Port()) +
                         " as merchant.txt (through merchant.txt.part)"),
              std::string::npos)
        << r.out;
    EXPECT_FALSE(std::filesystem::exists(job.Dir() / "out" / "merchant.txt"));
    EXPECT_FALSE(std::filesystem::exists(server.Root() / "merchant.txt"));
    EXPECT_FALSE(std::filesystem::exists(job.Dir() / "state" / "yarvelin" / "history.jsonl"));
}

TEST(RunJob, NamedJobsComeFromTheJobsFolderAndMistakesNameTheirLine) {
    CFtpTestServer server;
    CJobFolder job(server);
    std::filesystem::create_directories(job.Dir() / "config" / "yarvelin" / "jobs");
    const auto path = job.Dir() / "config" / "yarvelin" / "jobs" / "nightly.toml";
    CFtpTestServer::WriteFile(path,
                              "[source]\nfeed = \"x.txt\"\n[output]\nfile = \"y.txt\"\nbinary = true\n");
    const testing::CliRun r =
        testing::RunShellLine(YARVELIN_CLI, "run nightly", job.Dir(), job.Environment());
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err,
              "yarvelin-feed run: " + path.string() +
                  ":5: unknown key binary (known: file, basic, headers, html-escaped, partial, quoted, mode, "
                  "full-every)\n");
}

// ---- faults: the run killed at each step, a dropped connection

// Polls until ready() holds; false when the run ended first.
bool WaitUntil(pid_t pid, const std::function<bool()>& ready) {
    for (;;) {
        if (ready()) {
            return true;
        }
        if (::kill(pid, 0) != 0 || ::waitpid(pid, nullptr, WNOHANG) == pid) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

struct KillCase {
    const char* name;
    const char* fault;  // of the FTP test server the killed run uploads to
    int products;
    const char* point;  // "writing", "uploading", or the command the server heard last
    // A job sending partial updates, killed once the server put the second upload in place and before the
    // run heard so: its snapshot did not move, and the next run sends the same partial update.
    bool delta = false;
};

void KilledBeforeTheSnapshotSendsTheSameDelta(const KillCase& c) {
    CFtpTestServer server(c.fault);
    CJobFolder job(server);
    job.WriteFeed(1, c.products);
    job.WriteJob("max-errors = 5\n", "feed = \"in.txt\"\n", "mode = \"delta\"\n");
    const testing::CliRun first = job.Run();
    ASSERT_EQ(first.status, 0) << first.err;
    job.WriteFeed(1, c.products - 1);
    const pid_t run = job.Start();
    ASSERT_TRUE(WaitUntil(run, [&] {
        return server.Log().find(std::string("<- ") + c.point + " merchant.txt (done") != std::string::npos;
    })) << CFtpTestServer::ReadFile(job.Dir() / "killed-stderr.txt");
    ::kill(run, SIGKILL);
    ::waitpid(run, nullptr, 0);
    const std::string sent = CFtpTestServer::ReadFile(server.Root() / "merchant.txt");
    ASSERT_NE(sent.find("updates_only=YES"), std::string::npos);

    const testing::CliRun again = job.Run();
    ASSERT_EQ(again.status, 0) << again.err;
    EXPECT_EQ(CFtpTestServer::ReadFile(server.Root() / "merchant.txt"), sent);
    EXPECT_EQ(job.History().back()["delta"], true);
}

class RunJobKilled : public ::testing::TestWithParam<KillCase> {};
TEST_P(RunJobKilled, LeavesTheOldFeedsAndTheNextRunFinishes) {
    const KillCase& c = GetParam();
    if (c.delta) {
        KilledBeforeTheSnapshotSendsTheSameDelta(c);
        return;
    }
    const std::string oldRemote = "the old feed\r\n";
    const std::string oldLocal = "the old local feed\r\n";
    CFtpTestServer faulty(c.fault);
    CJobFolder job(faulty);
    job.WriteLargeFeed(c.products);
    job.WriteJob();
    CFtpTestServer::WriteFile(faulty.Root() / "merchant.txt", oldRemote);
    CFtpTestServer::WriteFile(job.Dir() / "out" / "merchant.txt", oldLocal);

    const pid_t run = job.Start();
    const std::string point = c.point;
    const bool reached = WaitUntil(run, [&] {
        if (point == "writing") {
            return !job.LocalTemporaries().empty();
        }
        if (point == "uploading") {
            return std::filesystem::exists(faulty.Root() / "merchant.txt.part");
        }
        return faulty.Log().find("<- " + point + " merchant.txt.part (held") != std::string::npos;
    });
    ASSERT_TRUE(reached) << "the run ended before " << point << ": "
                         << CFtpTestServer::ReadFile(job.Dir() / "killed-stderr.txt");
    if (point == "uploading") {
        // A second run of the same job leaves at once while the first holds the lock.
        const testing::CliRun second = job.Run();
        EXPECT_EQ(second.status, 4);
        EXPECT_EQ(second.err, "yarvelin-feed run: shop: another run of this job is in progress\n");
    }
    ::kill(run, SIGKILL);
    ::waitpid(run, nullptr, 0);
    EXPECT_TRUE(CFtpTestServer::ReadFile(faulty.Root() / "merchant.txt") == oldRemote);
    const std::string localAfterKill = CFtpTestServer::ReadFile(job.Dir() / "out" / "merchant.txt");

    // The next run, against a server holding what the killed one left there, publishes and cleans up.
    CFtpTestServer server;
    for (const char* name : {"merchant.txt", "merchant.txt.part"}) {
        if (std::filesystem::exists(faulty.Root() / name)) {
            std::filesystem::copy_file(faulty.Root() / name, server.Root() / name);
        }
    }
    CJobFolder next(server);
    std::filesystem::rename(job.Dir() / "in.txt", next.Dir() / "in.txt");
    std::filesystem::remove_all(next.Dir() / "out");
    std::filesystem::rename(job.Dir() / "out", next.Dir() / "out");
    std::filesystem::remove_all(next.Dir() / "state");
    std::filesystem::rename(job.Dir() / "state", next.Dir() / "state");
    next.WriteJob();
    const testing::CliRun again = next.Run("--allow-errors");
    ASSERT_EQ(again.status, 0) << again.err;
    const std::string newLocal = CFtpTestServer::ReadFile(next.Dir() / "out" / "merchant.txt");
    EXPECT_TRUE(localAfterKill == oldLocal || localAfterKill == newLocal)
        << "a mix of the old and the new file";
    EXPECT_TRUE(CFtpTestServer::ReadFile(server.Root() / "merchant.txt") == newLocal);
    EXPECT_FALSE(std::filesystem::exists(server.Root() / "merchant.txt.part"));
    EXPECT_EQ(next.LocalTemporaries(), std::vector<std::string>{});
}
INSTANTIATE_TEST_SUITE_P(
    Points, RunJobKilled,
    ::testing::Values(KillCase{"WhileWritingTheLocalFile", "", 80000, "writing"},
                      KillCase{"WhileUploading", "stall=20000", 2000, "uploading"},
                      KillCase{"AfterTheUploadBeforeTheRename", "hang=RNFR", 2000, "RNFR"},
                      KillCase{"DuringTheSizeCheck", "hang=SIZE", 2000, "SIZE"},
                      KillCase{"AfterTheUploadBeforeTheSnapshot", "done=RNTO@2", 25, "RNTO", true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RunJobFaults, DroppedConnectionFailsAndLeavesTheTarget) {
    CFtpTestServer server("drop=20000");
    CJobFolder job(server);
    job.WriteLargeFeed(2000);
    job.WriteJob();
    CFtpTestServer::WriteFile(server.Root() / "merchant.txt", "the old feed\r\n");
    const testing::CliRun r = job.Run("--allow-errors");
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_NE(r.err.find("yarvelin-feed run: shop: failed, "), std::string::npos) << r.err;
    EXPECT_EQ(CFtpTestServer::ReadFile(server.Root() / "merchant.txt"), "the old feed\r\n");
    EXPECT_EQ(job.History().back()["uploaded"], false);
}

// ---- stopped on servers as hosting providers set them up: OpenSSH (with a one-step rename) and vsftpd
// with local users. A kill while the new feed is being put in place leaves a target; a clean stop (SIGTERM)
// takes its temporary file along.
struct RealStopCase {
    const char* name;
    const char* server;  // "sshd": the relay holds the rename that brings the file in ("hold") or slows
                         // every write ("slow-writes"); "vsftpd": uploads capped at 200 KB a second
    const char* relay;
    int signal;
    bool partLeft;  // merchant.txt.part is still on the server afterwards
};
class RunJobStoppedOnRealServers : public ::testing::TestWithParam<RealStopCase> {};
TEST_P(RunJobStoppedOnRealServers, LeaveATargetAndTidyUpWhenStoppedCleanly) {
    const RealStopCase& c = GetParam();
    const std::string oldRemote = "the old feed\r\n";
    std::unique_ptr<test::CServerProcess> server;
    std::filesystem::path root;
    std::filesystem::path point;  // appears when the run has reached the point to stop it at
    std::string upload;
    if (std::string(c.server) == "sshd") {
        char folder[] = "/tmp/yarvelin-point-XXXXXX";
        ASSERT_NE(mkdtemp(folder), nullptr);
        point = std::filesystem::path(folder) / "reached";
        auto sshd = std::make_unique<test::CSshdTestServer>(
            test::SshAccount::LaunchingUser, "--" + std::string(c.relay) + " " + point.string());
        root = sshd->Root();
        // The host key is known already, as after a first run that accepted it.
        std::istringstream key(CFtpTestServer::ReadFile(sshd->HostKey() + ".pub"));
        std::string type, blob;
        key >> type >> blob;
        CFtpTestServer::WriteFile(
            sshd->Base() / "known_hosts",
            "[127.0.0.1]:" + std::to_string(sshd->Port()) + " " + type + " " + blob + "\n");
        upload = "server = \"sftp://127.0.0.1:" + std::to_string(sshd->Port()) + root.string() +
                 "\"\nuser = \"" + test::CSshdTestServer::User() + "\"\nkey-file = \"" + sshd->ClientKey() +
                 "\"\nknown-hosts = \"" + (sshd->Base() / "known_hosts").string() + "\"\n";
        server = std::move(sshd);
    } else {
        auto vsftpd =
            std::make_unique<test::CVsftpdTestServer>(test::CVsftpdTestServer::Mode::LocalUser, 200000);
        root = vsftpd->Root();
        upload = "server = \"ftp://127.0.0.1:" + std::to_string(vsftpd->Port()) + "\"\nuser = \"" +
                 vsftpd->User() + "\"\npassword-file = \"merchant.pw\"\npassive = true\n";
        server = std::move(vsftpd);
    }
    CJobFolder job(server->Base(), upload);
    // Far more than the socket buffers hold, so that the stop comes before the engine has handed over the
    // last byte (from then on the server's verdict decides).
    job.WriteLargeFeed(60000);
    job.WriteJob();
    CFtpTestServer::WriteFile(root / "merchant.txt", oldRemote);

    const pid_t run = job.Start();
    const bool reached = WaitUntil(run, [&] {
        return point.empty() ? std::filesystem::exists(root / "merchant.txt.part") &&
                                   std::filesystem::file_size(root / "merchant.txt.part") > 0
                             : std::filesystem::exists(point);
    });
    ASSERT_TRUE(reached) << CFtpTestServer::ReadFile(job.Dir() / "killed-stderr.txt");
    ::kill(run, c.signal);
    int status = 0;
    ::waitpid(run, &status, 0);
    EXPECT_TRUE(CFtpTestServer::ReadFile(root / "merchant.txt") == oldRemote);
    EXPECT_EQ(std::filesystem::exists(root / "merchant.txt.part"), c.partLeft);
    if (c.signal == SIGTERM) {
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1);
        EXPECT_EQ(job.History().back()["reason"], "stopped by SIGTERM");
    }
    if (!point.empty()) {
        std::filesystem::remove_all(point.parent_path());
    }
}
INSTANTIATE_TEST_SUITE_P(
    Points, RunJobStoppedOnRealServers,
    ::testing::Values(RealStopCase{"OpenSshKilledWhilePuttingInPlace", "sshd", "hold", SIGKILL, true},
                      RealStopCase{"OpenSshStoppedWhileUploading", "sshd", "slow-writes", SIGTERM, false},
                      RealStopCase{"VsftpdKilledWhileUploading", "vsftpd", "", SIGKILL, true},
                      RealStopCase{"VsftpdStoppedWhileUploading", "vsftpd", "", SIGTERM, false}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace yarvelin

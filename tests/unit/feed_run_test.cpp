// The unattended run as core runs it: guards, the record it returns, what it writes and notes, and the run
// history it is read back from. What needs a process (lock, signals, kill points) is tested on the program.
#include "jobs/feed_run.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "jobs/upload_count_file.h"
#include "support/fake_ftp.h"

namespace yarvelin {
namespace {

std::string ReadAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteAll(const std::filesystem::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

class CRecordingRunObserver : public FeedRunObserver {
  public:
    void OnRunMessage(const std::string& text) override { m_messages += text + "\n"; }
    void OnCheckLine(const std::string& text) override { m_lines += text + "\n"; }
    CFeedFileObserver& FileObserver() override { return m_files; }
    void OnSignedIn(const std::string& server, const std::string&) override {
        m_lines += "signed in to " + server + "\n";
    }
    std::string m_messages;
    std::string m_lines;
    CQuietFeedFileObserver m_files;
};

// A job folder: a feed of `count` sample products, `duplicates` of them repeating the first offer id (an
// error each), and an upload to the scripted server.
class CRunFolder {
  public:
    CRunFolder() {
        m_dir = std::filesystem::temp_directory_path() /
                ("yarvelin-run-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(m_dir);
        std::filesystem::create_directories(m_dir);
        m_job.name = "shop";
        m_job.source.feedFile = (m_dir / "in.txt").string();
        m_job.outputFile = (m_dir / "merchant.txt").string();
        m_job.maxErrors = 1;
        m_job.upload = FeedJobUpload{};
        m_job.upload->server = "ftp.example.com";
        m_job.upload->binary = true;
        m_client.m_clock = &m_clock;
        m_client.m_keepsWhatItGets = true;
    }
    ~CRunFolder() { std::filesystem::remove_all(m_dir); }
    void WriteFeed(int duplicates, int count) {
        std::istringstream lines(ReadAll(YARVELIN_FIXTURES "/../../resources/Samples/SampleFlowers.txt"));
        std::string header, line, body, first;
        std::getline(lines, header);
        for (int i = 0; i < count && std::getline(lines, line); ++i) {
            body += line + "\n";
            first = first.empty() ? line : first;
        }
        for (int i = 1; i < duplicates; ++i) {
            body += first + "\n";
        }
        WriteAll(m_dir / "in.txt", header + "\n" + body);
    }
    RunRecord Run(const FeedRunOptions& options = {}) {
        FeedRunServices services{m_client, YARVELIN_FIXTURES "/../../resources/Maps", CountFile(),
                                 (m_dir / "snapshots").string()};
        return RunFeedJob(m_job, options, services, m_observer, m_stop);
    }
    std::string CountFile() const { return (m_dir / "upload-counts").string(); }

    std::filesystem::path m_dir;
    FeedJob m_job;
    testing::CFakeClock m_clock;
    testing::CFakeClient m_client;
    CRecordingRunObserver m_observer;
    CRunStop m_stop;
};

constexpr const char* kSent = "Sent as merchant.txt.part, size checked, renamed to merchant.txt";

struct GuardCase {
    const char* name;
    int duplicates;  // errors in the feed
    int products;    // products before the duplicates
    long long last;  // the last upload's count; -1: none
    JobGuardAllowances allow;
    int status;
    const char* reason;
};
class FeedRunGuards : public ::testing::TestWithParam<GuardCase> {};
TEST_P(FeedRunGuards, StopBeforeTheUploadUnlessAllowed) {
    const GuardCase& c = GetParam();
    CRunFolder run;
    run.WriteFeed(c.duplicates, c.products);
    if (c.last >= 0) {
        CUploadCountFile(run.CountFile()).Remember("ftp.example.com", "merchant.txt", c.last);
    }
    FeedRunOptions options;
    options.allow = c.allow;
    const RunRecord record = run.Run(options);
    EXPECT_EQ(record.status, c.status) << record.reason;
    EXPECT_EQ(record.reason, c.reason);
    EXPECT_EQ(record.uploaded, c.status == kRunOk);
    EXPECT_EQ(record.products, static_cast<std::size_t>(c.products + std::max(c.duplicates - 1, 0)));
    // The output is written either way; only what was sent is sent, and counted for the next run.
    const std::string written = ReadAll(run.m_dir / "merchant.txt");
    EXPECT_FALSE(written.empty());
    EXPECT_EQ(run.m_client.m_received, c.status == kRunOk ? written : std::string());
    EXPECT_EQ(record.bytes, c.status == kRunOk ? written.size() : 0u);
    EXPECT_EQ(CUploadCountFile(run.CountFile()).Last("ftp.example.com", "merchant.txt"),
              c.status == kRunOk ? std::optional<long long>(record.products)
                                 : (c.last >= 0 ? std::optional<long long>(c.last) : std::nullopt));
}
INSTANTIATE_TEST_SUITE_P(
    Cases, FeedRunGuards,
    ::testing::Values(
        GuardCase{"NoProducts",
                  0,
                  0,
                  -1,
                  {},
                  kRunStopped,
                  "the feed holds no products (--allow-empty uploads it all the same)"},
        GuardCase{"TooManyErrors",
                  3,
                  10,
                  -1,
                  {},
                  kRunStopped,
                  "2 errors, more than the job's limit of 1 (--allow-errors uploads it all the same)"},
        GuardCase{"ErrorsAllowed", 3, 10, -1, {false, true, false}, kRunOk, kSent},
        GuardCase{"CountDrop",
                  0,
                  10,
                  25,
                  {},
                  kRunStopped,
                  "10 products, fewer than half of the 25 of the last upload (--allow-drop uploads it all "
                  "the same)"},
        GuardCase{"DropAllowed", 0, 10, 25, {false, false, true}, kRunOk, kSent},
        GuardCase{"HalfIsNoDrop", 0, 13, 25, {}, kRunOk, kSent}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FeedRun, FailuresNameWhatFailedAndSendNothing) {
    CRunFolder run;
    // No source file.
    RunRecord record = run.Run();
    EXPECT_EQ(record.status, kRunFailed);
    EXPECT_EQ(record.reason, "cannot read " + run.m_job.source.feedFile);
    // A rules file with a mistake is the job's mistake, found before any product is read.
    run.WriteFeed(0, 5);
    WriteAll(run.m_dir / "bad.rules", "[[rule]]\naction = \"drop\"\n");
    run.m_job.source.rulesFile = (run.m_dir / "bad.rules").string();
    record = run.Run();
    EXPECT_EQ(record.status, kRunJobMistake);
    EXPECT_NE(record.reason.find("bad.rules:2: "), std::string::npos) << record.reason;
    EXPECT_FALSE(std::filesystem::exists(run.m_dir / "merchant.txt"));
    // The server refuses the upload: the failure is the server's words.
    run.m_job.source.rulesFile.clear();
    run.m_client.m_failAt = "connect";
    run.m_client.m_reply = "530 Login incorrect.\r\n";
    record = run.Run();
    EXPECT_EQ(record.status, kRunFailed);
    EXPECT_FALSE(record.reason.empty());
    EXPECT_FALSE(record.uploaded);
    // A stop asked for before the run gets far ends it with its reason.
    run.m_client.m_failAt.clear();
    run.m_stop.Request("SIGTERM");
    record = run.Run();
    EXPECT_EQ(record.status, kRunFailed);
    EXPECT_EQ(record.reason, "stopped by SIGTERM");
    EXPECT_TRUE(run.m_client.m_received.empty());
}

TEST(FeedRun, CheckSaysWhatItWouldDoAndWritesNothing) {
    CRunFolder run;
    run.WriteFeed(0, 5);
    FeedRunOptions options;
    options.check = true;
    const RunRecord record = run.Run(options);
    EXPECT_EQ(record.status, kRunOk);
    EXPECT_EQ(run.m_observer.m_lines, "job shop: " + run.m_job.source.feedFile +
                                          ", 5 products, 0 errors, 2 warnings\nwould write " +
                                          run.m_job.outputFile +
                                          "\nwould upload to ftp.example.com as merchant.txt (through "
                                          "merchant.txt.part)\nsigned in to ftp.example.com\n");
    EXPECT_FALSE(std::filesystem::exists(run.m_dir / "merchant.txt"));
    EXPECT_TRUE(run.m_client.m_received.empty());
}

TEST(RunHistory, RecordsReadBackAndTheLastRunLeavesOutRefusedStarts) {
    RunRecord published;
    published.job = "shop \"main\"";
    published.start = *ParseIsoUtcTime("2026-12-09T03:30:00Z");
    published.end = *ParseIsoUtcTime("2026-12-09T03:30:02Z");
    published.status = kRunOk;
    published.products = 25;
    published.warnings = 1;
    published.uploaded = true;
    published.bytes = 4321;
    published.reason = "renamed to merchant.txt";
    RunRecord locked = published;
    locked.status = kRunLocked;
    locked.uploaded = false;
    const std::string history = RunRecordJson(published) + "\n{\"job\": \"sho" /* cut short */ + "\n" +
                                RunRecordJson(locked) + "\nnot json\n";
    const std::optional<RunRecord> last = LastRunOfJob(history, published.job);
    ASSERT_TRUE(last);
    EXPECT_EQ(RunRecordJson(*last), RunRecordJson(published));
    EXPECT_EQ(RunsOfJob(history).size(), 2u);
    EXPECT_FALSE(LastRunOfJob(history, "other"));
    EXPECT_EQ(RunSummaryLine(*last),
              "shop \"main\": published, 25 products, 0 errors, 1 warnings, 4321 bytes, 2.0 s: renamed to "
              "merchant.txt");
    for (const char* bad : {"2026-13-01T00:00:00Z", "2026-12-09 03:30:00", "2026-12-09T03:30:00+01:00"}) {
        EXPECT_FALSE(ParseIsoUtcTime(bad)) << bad;
    }
}

}  // namespace
}  // namespace yarvelin

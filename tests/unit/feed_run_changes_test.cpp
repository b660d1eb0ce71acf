// A job's run against the snapshots of its upload place: partial updates that leave the service holding the
// new feed, the change guards, a rollback, products with errors left out, and the job keys behind them.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "app/feed_document.h"
#include "changes/delta_feed.h"
#include "changes/run_changes.h"
#include "feed/feed_file.h"
#include "handfiles/hand_file.h"
#include "jobs/feed_run.h"
#include "jobs/held_products.h"
#include "rules/rule_set.h"
#include "support/fake_ftp.h"

namespace yarvelin {
namespace {

std::string ReadAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class CQuietRunObserver : public FeedRunObserver {
  public:
    void OnRunMessage(const std::string& text) override { m_messages += text + "\n"; }
    void OnCheckLine(const std::string&) override {}
    CFeedFileObserver& FileObserver() override { return m_files; }
    void OnSignedIn(const std::string&, const std::string&) override {}
    std::string m_messages;
    CQuietFeedFileObserver m_files;
};

// The sample's 25 products as lines; each run writes a feed made from some of them.
class CChangesFolder {
  public:
    CChangesFolder() {
        m_dir = std::filesystem::temp_directory_path() /
                ("yarvelin-changes-" +
                 std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        std::filesystem::remove_all(m_dir);
        std::filesystem::create_directories(m_dir);
        std::istringstream lines(ReadAll(YARVELIN_FIXTURES "/../../resources/Samples/SampleFlowers.txt"));
        std::getline(lines, m_header);
        for (std::string line; std::getline(lines, line);) {
            m_lines.push_back(line);
        }
        m_job.name = "shop";
        m_job.source.feedFile = (m_dir / "in.txt").string();
        m_job.outputFile = (m_dir / "merchant.txt").string();
        m_job.upload = FeedJobUpload{};
        m_job.upload->server = "ftp.example.com";
        m_job.upload->binary = true;
        m_client.m_clock = &m_clock;
        m_client.m_keepsWhatItGets = true;
    }
    ~CChangesFolder() { std::filesystem::remove_all(m_dir); }

    // Column k of line i set to value.
    void Set(std::size_t i, int column, const std::string& value) {
        std::vector<std::string> fields;
        std::istringstream in(m_lines[i]);
        for (std::string f; std::getline(in, f, '\t');) {
            fields.push_back(f);
        }
        fields[static_cast<std::size_t>(column)] = value;
        std::string joined;
        for (const std::string& f : fields) {
            joined += (joined.empty() ? "" : "\t") + f;
        }
        m_lines[i] = joined;
    }
    void WriteSource() {
        std::string text = m_header + "\n";
        for (const std::string& line : m_lines) {
            text += line + "\n";
        }
        std::ofstream(m_dir / "in.txt", std::ios::binary) << text;
    }
    RunRecord Run(const FeedRunOptions& options = {}) {
        WriteSource();
        m_client.m_received.clear();
        FeedRunServices services{m_client, YARVELIN_FIXTURES "/../../resources/Maps",
                                 (m_dir / "upload-counts").string(), (m_dir / "snapshots").string()};
        return RunFeedJob(m_job, options, services, m_observer, m_stop);
    }
    CSnapshotStore Store() const { return CSnapshotStore((m_dir / "snapshots").string()); }
    // The products of a feed text, read as the service reads them.
    std::vector<COtherRecord> Products(const std::string& text) const {
        const std::filesystem::path path = m_dir / "read.txt";
        std::ofstream(path, std::ios::binary) << text;
        CFeedDocument doc;
        CQuietFeedFileObserver quiet;
        LoadFeedFile(doc, path.string(), quiet);
        return {doc.Records().begin(), doc.Records().end()};
    }

    std::filesystem::path m_dir;
    std::string m_header;
    std::vector<std::string> m_lines;
    FeedJob m_job;
    testing::CFakeClock m_clock;
    testing::CFakeClient m_client;
    CQuietRunObserver m_observer;
    CRunStop m_stop;
};

std::multiset<std::string> Lines(const std::vector<COtherRecord>& products) {
    std::multiset<std::string> lines;
    for (const COtherRecord& p : products) {
        std::string line;
        for (int c = 0; c < kColumnCount; ++c) {
            line += p.Field(c);
            line += "\t";
        }
        lines.insert(line);
    }
    return lines;
}

TEST(FeedRunChanges, PartialUpdatesLeaveTheServiceHoldingTheNewFeed) {
    CChangesFolder run;
    run.m_job.changes.delta = true;
    RunRecord record = run.Run();
    ASSERT_EQ(record.status, kRunOk) << record.reason;
    EXPECT_FALSE(record.delta);
    EXPECT_FALSE(record.changes);
    EXPECT_EQ(run.m_observer.m_messages,
              "sending the whole feed: no snapshot of an upload to this server and name\n");
    std::vector<COtherRecord> service = ServiceProducts(run.Products(run.m_client.m_received));

    // Each step changes the feed; what the service holds after the partial update is the new feed.
    run.Set(1, kColPrice, "99.00");
    run.m_lines.erase(run.m_lines.begin() + 2);
    run.m_lines.push_back(run.m_lines[0]);
    run.Set(run.m_lines.size() - 1, kColOfferId, "NEW1");
    for (int step = 0; step < 2; ++step) {
        record = run.Run();
        ASSERT_EQ(record.status, kRunOk) << record.reason;
        EXPECT_TRUE(record.delta);
        ASSERT_TRUE(record.changes);
        EXPECT_EQ(record.changes->added + record.changes->removed + record.changes->changed,
                  step == 0 ? 3u : 1u);
        EXPECT_NE(run.m_client.m_received.find("updates_only=YES"), std::string::npos);
        service = ApplyDeltaFeed(service, run.Products(run.m_client.m_received));
        EXPECT_EQ(Lines(service), Lines(run.Products(ReadAll(run.m_job.outputFile))));
        // The snapshot is the whole feed, marked as sent in part.
        const std::optional<SnapshotEntry> latest = run.Store().Latest("ftp.example.com", "merchant.txt");
        ASSERT_TRUE(latest);
        EXPECT_TRUE(latest->delta);
        EXPECT_EQ(latest->products, static_cast<long long>(run.m_lines.size()));
        run.Set(0, kColInstock, "N");
    }

    // A failed upload is followed by the whole feed; so is a job that wants no partial updates.
    run.m_client.m_failAt = "write";
    EXPECT_EQ(run.Run().status, kRunFailed);
    run.m_client.m_failAt.clear();
    run.m_observer.m_messages.clear();
    record = run.Run();
    EXPECT_FALSE(record.delta);
    EXPECT_EQ(run.m_observer.m_messages, "sending the whole feed: the last upload here failed\n");
    EXPECT_EQ(run.m_client.m_received, ReadAll(run.m_job.outputFile));
}

struct ChangeGuardCase {
    const char* name;
    const char* maxChanged;  // "" for none
    double maxDelete;
    bool delta;
    int removed;  // products taken out of the 25 of the last upload
    int repriced;
    JobGuardAllowances allow;
    int status;
    const char* reason;  // the start of it
};
class FeedRunChangeGuards : public ::testing::TestWithParam<ChangeGuardCase> {};
TEST_P(FeedRunChangeGuards, StopAtTheJobsLimits) {
    const ChangeGuardCase& c = GetParam();
    CChangesFolder run;
    run.m_job.changes.delta = c.delta;
    run.m_job.changes.maxChanged = ParseShare(c.maxChanged);
    run.m_job.changes.maxDelete = c.maxDelete;
    ASSERT_EQ(run.Run().status, kRunOk);
    for (int i = 0; i < c.repriced; ++i) {
        run.Set(static_cast<std::size_t>(i), kColPrice, "1.00");
    }
    run.m_lines.resize(run.m_lines.size() - static_cast<std::size_t>(c.removed));
    FeedRunOptions options;
    options.allow = c.allow;
    const RunRecord record = run.Run(options);
    EXPECT_EQ(record.status, c.status) << record.reason;
    EXPECT_EQ(record.reason.rfind(c.reason, 0), 0u) << record.reason;
    EXPECT_EQ(run.m_client.m_received.empty(), c.status != kRunOk);
    // A stopped run leaves the snapshot where it was.
    EXPECT_EQ(run.Store().List("ftp.example.com", "merchant.txt").size(), c.status == kRunOk ? 2u : 1u);
}
INSTANTIATE_TEST_SUITE_P(
    Cases, FeedRunChangeGuards,
    ::testing::Values(
        ChangeGuardCase{"RepricedOverMaxChanged",
                        "20%",
                        0.1,
                        false,
                        0,
                        6,
                        {},
                        kRunStopped,
                        "0 removed and 6 repriced of the 25 products of the last upload, more than the job's "
                        "max-changed of 20 %"},
        ChangeGuardCase{"AtMaxChanged", "20%", 0.1, false, 2, 3, {}, kRunOk, "Sent as"},
        ChangeGuardCase{
            "ChangesAllowed", "20%", 0.1, false, 0, 6, {false, false, false, true, false}, kRunOk, "Sent as"},
        ChangeGuardCase{"DeltaDeletesOverMaxDelete",
                        "",
                        0.1,
                        true,
                        3,
                        0,
                        {},
                        kRunStopped,
                        "the partial update deletes 3 of the 25 products"},
        ChangeGuardCase{"FullFileDeletesAreNoDeltaDeletes", "", 0.1, false, 3, 0, {}, kRunOk, "Sent as"},
        ChangeGuardCase{
            "DeletesAllowed", "", 0.1, true, 3, 0, {false, false, false, false, true}, kRunOk, "Sent as"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FeedRunChanges, RollbackSendsTheUploadBeforeTheLastWhole) {
    CChangesFolder run;
    run.m_job.changes.delta = true;
    FeedRunOptions rollback;
    rollback.rollback = 1;
    RunRecord record = run.Run(rollback);
    EXPECT_EQ(record.status, kRunFailed);
    EXPECT_EQ(record.reason, "no snapshot of an upload to ftp.example.com as merchant.txt");
    ASSERT_EQ(run.Run().status, kRunOk);
    const std::string first = ReadAll(run.m_job.outputFile);
    run.Set(0, kColPrice, "1.00");
    ASSERT_EQ(run.Run().status, kRunOk);
    ASSERT_NE(ReadAll(run.m_job.outputFile), first);

    record = run.Run(rollback);
    ASSERT_EQ(record.status, kRunOk) << record.reason;
    EXPECT_TRUE(record.rollback);
    EXPECT_FALSE(record.delta);
    EXPECT_EQ(run.m_client.m_received, first);
    ASSERT_TRUE(record.changes);
    EXPECT_EQ(record.changes->changed, 1u);
    // The rollback is the newest snapshot now, for the next comparison.
    EXPECT_EQ(run.Store().List("ftp.example.com", "merchant.txt").size(), 3u);
    EXPECT_FALSE(std::filesystem::exists(UnpackedSnapshotPath(run.m_job.outputFile)));
}

TEST(FeedRunChanges, LeaveOutPublishesWhatPassesAndListsTheRest) {
    CChangesFolder run;
    run.m_job.changes.leaveOut = true;
    run.Set(3, kColPrice, "twelve");
    run.Set(7, kColOfferId, "");
    RunRecord record = run.Run();
    ASSERT_EQ(record.status, kRunOk) << record.reason;
    EXPECT_EQ(record.held, 2u);
    EXPECT_EQ(record.products, 23u);
    EXPECT_EQ(record.errors, 0u);
    EXPECT_EQ(run.Products(run.m_client.m_received).size(), 23u);
    const std::string held = ReadAll(HeldFilePath(run.m_job.outputFile));
    EXPECT_EQ(
        held.rfind("# Left out of merchant.txt for their errors. A full upload removes these products", 0),
        0u);
    EXPECT_NE(
        held.find("\ncode,severity,row,line,offer_id,column,message\nprice-invalid,error,4,,FL204,price,"),
        std::string::npos)
        << held;
    EXPECT_NE(held.find("\nrequired-missing,error,8,,,offer_id,"), std::string::npos) << held;

    // Nothing left is the empty guard; a clean feed takes the old list away.
    for (std::size_t i = 0; i < run.m_lines.size(); ++i) {
        run.Set(i, kColPrice, "");
    }
    record = run.Run();
    EXPECT_EQ(record.status, kRunStopped);
    EXPECT_EQ(record.held, 25u);
    EXPECT_EQ(record.reason, "the feed holds no products (--allow-empty uploads it all the same)");
    CChangesFolder clean;
    clean.m_job.changes.leaveOut = true;
    std::ofstream(HeldFilePath(clean.m_job.outputFile)) << "old";
    EXPECT_EQ(clean.Run().held, 0u);
    EXPECT_FALSE(std::filesystem::exists(HeldFilePath(clean.m_job.outputFile)));
}

struct JobKeysCase {
    const char* name;
    const char* check;   // [check] lines
    const char* output;  // [output] lines after file
    const char* error;   // "" when the job reads
};
class FeedJobChangeKeys : public ::testing::TestWithParam<JobKeysCase> {};
TEST_P(FeedJobChangeKeys, ReadOrAreRefusedAtTheirLine) {
    const JobKeysCase& c = GetParam();
    const std::string text = std::string("[source]\nfeed = \"a\"\n[check]\n") + c.check +
                             "[output]\nfile = \"b\"\n" + c.output + "[snapshots]\nkeep = 3\n";
    try {
        const FeedJob job = ParseFeedJob(text, "job.toml");
        EXPECT_STREQ(c.error, "");
        // What reads comes back the same from the text the wizard saves.
        const FeedJob again = ParseFeedJob(FeedJobText(job), "job.toml");
        EXPECT_EQ(again.changes.delta, job.changes.delta);
        EXPECT_EQ(again.changes.fullEveryDays, job.changes.fullEveryDays);
        EXPECT_EQ(again.changes.keep, 3);
        EXPECT_EQ(again.changes.maxChanged, job.changes.maxChanged);
        EXPECT_EQ(again.changes.maxDelete, job.changes.maxDelete);
        EXPECT_EQ(again.changes.leaveOut, job.changes.leaveOut);
    } catch (const CHandFileError& e) {
        EXPECT_EQ(std::string(e.what()), c.error);
    }
}
INSTANTIATE_TEST_SUITE_P(
    Cases, FeedJobChangeKeys,
    ::testing::Values(
        JobKeysCase{"Defaults", "", "", ""},
        JobKeysCase{"All", "max-changed = \"20%\"\nmax-delete = \"2.5 %\"\non-error = \"leave-out\"\n",
                    "mode = \"delta\"\nfull-every = 3\n", ""},
        JobKeysCase{"UnknownMode", "", "mode = \"partial\"\n",
                    "job.toml:6: mode must be \"full\" or \"delta\""},
        JobKeysCase{"ShareWithoutPercent", "max-changed = \"0.2\"\n", "",
                    "job.toml:4: max-changed must be a share such as \"20%\""},
        JobKeysCase{"OverAHundred", "max-delete = \"120%\"\n", "",
                    "job.toml:4: max-delete must be a share such as \"20%\""},
        JobKeysCase{"FullEveryZero", "", "full-every = 0\n", "job.toml:6: full-every must be 1 to 365"},
        JobKeysCase{"UnknownOnError", "on-error = \"skip\"\n", "",
                    "job.toml:4: on-error must be \"stop\" or \"leave-out\""},
        JobKeysCase{
            "DeltaWithPartialHeader", "", "headers = true\npartial = true\nmode = \"delta\"\n",
            "job.toml:7: partial = true marks every file as partial; mode = \"delta\" sends a partial "
            "update only when one can be made"}),
    [](const auto& info) { return std::string(info.param.name); });

// finding = "code": the product's own findings as it reaches the rule, duplicates among the products
// before it included.
TEST(RuleFindings, ExcludeProductsByTheirFindings) {
    const CRuleSet rules = CRuleSet::Parse(
        "[[rule]]\naction = \"exclude\"\nwhen = { any = [{ finding = \"price-invalid\" }, "
        "{ finding = \"duplicate-offer-id\" }] }\n",
        "rules.toml");
    RuleRun run = rules.StartRun();
    COtherRecord good;
    good.SetField(kColOfferId, "A1");
    good.SetField(kColName, "Roses");
    good.SetField(kColPrice, "12.00");
    good.SetField(kColProductUrl, "https://shop.example/a1");
    COtherRecord badPrice = good;
    badPrice.SetField(kColOfferId, "A2");
    badPrice.SetField(kColPrice, "12,00 EUR");
    COtherRecord again = good;
    EXPECT_EQ(rules.Apply(good, run), RuleVerdict::kKeep);
    EXPECT_EQ(rules.Apply(badPrice, run), RuleVerdict::kExclude);
    EXPECT_EQ(rules.Apply(again, run), RuleVerdict::kExclude);
    EXPECT_EQ(run.excluded, 2u);
    for (const char* bad :
         {"{ finding = \"price-wrong\" }", "{ column = \"price\", finding = \"price-invalid\" }"}) {
        EXPECT_THROW(
            CRuleSet::Parse(std::string("[[rule]]\naction = \"exclude\"\nwhen = ") + bad + "\n", "r.toml"),
            CRulesFileError)
            << bad;
    }
}

}  // namespace
}  // namespace yarvelin

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/settings_names.h"
#include "app/settings_store.h"
#include "handfiles/hand_file.h"
#include "jobs/feed_job.h"
#include "jobs/job_guards.h"
#include "jobs/upload_count_file.h"

namespace yarvelin {
namespace {

const char* const kJob = R"(# nightly
[source]
feed = "in/shop.txt"
[check]
newlines = "quote"
special = "remove"
max-errors = 3
[output]
file = "/srv/out/merchant.txt"
headers = true
quoted = true
[upload]
server = "sftp://feeds.example/incoming"
port = 2222
user = "merchant"
password-file = "merchant.pw"
binary = true
)";

TEST(FeedJobFile, ReadsEveryTableWithPathsFromTheJobFolder) {
    const FeedJob job = ParseFeedJob(kJob, "/home/m/jobs/shop.toml");
    EXPECT_EQ(job.name, "shop");
    EXPECT_EQ(job.source.feedFile, "/home/m/jobs/in/shop.txt");
    EXPECT_EQ(job.newlines, "quote");
    EXPECT_EQ(job.special, "remove");
    EXPECT_EQ(job.maxErrors, 3);
    EXPECT_EQ(job.outputFile, "/srv/out/merchant.txt");
    EXPECT_TRUE(job.headers.includeHeaders && job.headers.quoted && !job.headers.htmlEscaped);
    ASSERT_TRUE(job.upload);
    EXPECT_EQ(job.upload->server, "sftp://feeds.example/incoming");
    EXPECT_EQ(job.upload->port, 2222);
    EXPECT_EQ(job.upload->passwordFile, "/home/m/jobs/merchant.pw");
    EXPECT_TRUE(job.upload->binary);
    EXPECT_FALSE(job.upload->passive);
}

// A job saved from the wizard reads and rewrites the file the wizard saved, with the save page's headers and
// the text check's answers, so that a run sends what the wizard sent.
TEST(FeedJobFile, WizardJobRewritesTheSavedFileAsTheWizardWroteIt) {
    WizardFeedForJob feed;
    feed.savedFile = "/home/m/feeds/merchant.txt";
    feed.basic = true;
    feed.headers = {true, true, false, false};
    FeedJobUpload upload;
    upload.server = "127.0.0.1";
    const FeedJob unchecked = JobForWizardUpload("merchant", feed, upload);
    EXPECT_EQ(unchecked.source.feedFile, feed.savedFile);
    EXPECT_EQ(unchecked.outputFile, feed.savedFile);
    EXPECT_FALSE(unchecked.newlines || unchecked.special);
    feed.headers.includeHeaders = false;  // "no headers" ticked: the other ticks do not count
    EXPECT_FALSE(JobForWizardUpload("merchant", feed, upload).headers.htmlEscaped);
    feed.headers.includeHeaders = true;
    feed.textCheck = WizardFeedForJob::TextCheck{false, true};
    const FeedJob job =
        ParseFeedJob(FeedJobText(JobForWizardUpload("merchant", feed, upload)), "/home/m/jobs/merchant.toml");
    EXPECT_EQ(job.newlines, "quote");
    EXPECT_EQ(job.special, "escape");
    EXPECT_TRUE(job.basic && job.headers.includeHeaders && job.headers.htmlEscaped && !job.headers.quoted);
    EXPECT_EQ(job.source.feedFile, feed.savedFile);
}

// Merge files are merged in the order of their tables; paths are taken from the job's folder.
TEST(FeedJobFile, ReadsMergeTablesInTheirOrder) {
    const FeedJob job = ParseFeedJob(
        "[source]\nexport = \"shop.xml\"\n[[source.merge]]\nfile = \"stock.csv\"\nkey = \"sku\"\n"
        "map = { quantity = \"{stock}\", instock = \"{stock}\" }\n[[source.merge]]\nfile = \"/p.csv\"\n"
        "key = \"id\"\n[output]\nfile = \"o.txt\"\n",
        "/home/m/jobs/shop.toml");
    ASSERT_EQ(job.source.merges.size(), 2u);
    EXPECT_EQ(job.source.merges[0].path, "/home/m/jobs/stock.csv");
    EXPECT_EQ(job.source.merges[0].columns,
              (std::vector<std::string>{"instock={stock}", "quantity={stock}"}));
    EXPECT_EQ(job.source.merges[1].path, "/p.csv");
    EXPECT_TRUE(job.source.merges[1].columns.empty());
}

TEST(FeedJobFile, WrittenTextReadsBackTheSame) {
    FeedJob job = ParseFeedJob(kJob, "/home/m/jobs/shop.toml");
    job.upload->pin = "sha256//abc=";
    job.upload->user = "m \"quoted\" \\ name";
    const FeedJob again = ParseFeedJob(FeedJobText(job), "/home/m/jobs/shop.toml");
    EXPECT_EQ(again.source.feedFile, job.source.feedFile);
    EXPECT_EQ(again.newlines, job.newlines);
    EXPECT_EQ(again.maxErrors, job.maxErrors);
    EXPECT_EQ(again.outputFile, job.outputFile);
    EXPECT_EQ(again.headers.quoted, job.headers.quoted);
    EXPECT_EQ(again.upload->user, job.upload->user);
    EXPECT_EQ(again.upload->pin, job.upload->pin);
    EXPECT_EQ(again.upload->port, job.upload->port);
}

struct JobMistake {
    const char* name;
    const char* text;
    const char* error;
};
class FeedJobMistakes : public ::testing::TestWithParam<JobMistake> {};
TEST_P(FeedJobMistakes, AreReportedAtTheirLine) {
    try {
        ParseFeedJob(GetParam().text, "job.toml");
        FAIL() << "accepted";
    } catch (const CHandFileError& e) {
        EXPECT_EQ(std::string(e.what()), GetParam().error);
    }
}
INSTANTIATE_TEST_SUITE_P(
    Cases, FeedJobMistakes,
    ::testing::Values(
        JobMistake{"NoSource", "[output]\nfile = \"o.txt\"\n",
                   "job.toml:1: the job needs a [source] table naming the feed file to read"},
        JobMistake{"MisspeltKey", "[source]\nfeed = \"a\"\n[output]\nfile = \"b\"\nbasics = true\n",
                   "job.toml:5: unknown key basics (known: file, basic, headers, html-escaped, partial, "
                   "quoted, mode, "
                   "full-every)"},
        JobMistake{"HalfATextCheck",
                   "[source]\nfeed = \"a\"\n[check]\nnewlines = \"remove\"\n[output]\nfile = \"b\"\n",
                   "job.toml:3: the text check needs both newlines and special (or neither)"},
        JobMistake{
            "UnknownAnswer",
            "[source]\nfeed = \"a\"\n[check]\nnewlines = \"keep\"\nspecial = \"remove\"\n[output]\nfile = "
            "\"b\"\n",
            "job.toml:4: newlines must be \"remove\" or \"quote\""},
        JobMistake{
            "HeaderValueWithoutHeaders", "[source]\nfeed = \"a\"\n[output]\nfile = \"b\"\nquoted = true\n",
            "job.toml:3: html-escaped, partial and quoted are header values: they need headers = true"},
        JobMistake{"BadPort",
                   "[source]\nfeed = \"a\"\n[output]\nfile = \"b\"\n[upload]\nserver = \"h\"\nport = 0\n",
                   "job.toml:7: port must be 1 to 65535"},
        JobMistake{"NegativeLimit",
                   "[source]\nfeed = \"a\"\n[check]\nmax-errors = -1\n[output]\nfile = \"b\"\n",
                   "job.toml:4: max-errors cannot be negative"},
        JobMistake{
            "FeedAndExport", "[source]\nfeed = \"a\"\nexport = \"e.csv\"\n[output]\nfile = \"b\"\n",
            "job.toml:1: [source] names one of a feed file (feed), a shop export (export) or either by "
            "URL (feed-url, export-url)"},
        JobMistake{"MapOfAFeed", "[source]\nfeed = \"a\"\nprofile = \"shopify\"\n[output]\nfile = \"b\"\n",
                   "job.toml:3: profile belongs to a shop export (export = ...), not to a feed file"},
        JobMistake{
            "MergeWithoutKey",
            "[source]\nexport = \"e.csv\"\n[[source.merge]]\nfile = \"s.csv\"\n[output]\nfile = \"b\"\n",
            "job.toml:3: key is missing"}),
    [](const auto& info) { return std::string(info.param.name); });

struct GuardCase {
    const char* name;
    std::size_t products;
    std::size_t errors;
    long long maxErrors;
    std::optional<long long> last;
    JobGuardAllowances allow;
    JobGuard guard;
    const char* reason;
};
class JobGuards : public ::testing::TestWithParam<GuardCase> {};
TEST_P(JobGuards, StopUnlessAllowed) {
    const GuardCase& c = GetParam();
    const JobGuardDecision d = DecideJobUpload(c.products, c.errors, c.maxErrors, c.last, c.allow);
    EXPECT_EQ(d.guard, c.guard);
    EXPECT_EQ(d.reason, c.reason);
}
INSTANTIATE_TEST_SUITE_P(
    Cases, JobGuards,
    ::testing::Values(
        GuardCase{"Clean", 10, 0, 0, 10, {}, JobGuard::None, ""},
        GuardCase{"Empty",
                  0,
                  0,
                  0,
                  std::nullopt,
                  {},
                  JobGuard::NoProducts,
                  "the feed holds no products (--allow-empty uploads it all the same)"},
        GuardCase{"EmptyAllowed", 0, 0, 0, std::nullopt, {true, false, false}, JobGuard::None, ""},
        GuardCase{"ErrorsAtTheLimit", 10, 2, 2, std::nullopt, {}, JobGuard::None, ""},
        GuardCase{"ErrorsAboveTheLimit",
                  10,
                  1,
                  0,
                  std::nullopt,
                  {},
                  JobGuard::TooManyErrors,
                  "1 error, more than the job's limit of 0 (--allow-errors uploads it all the same)"},
        GuardCase{"ErrorsAllowed", 10, 5, 0, std::nullopt, {false, true, false}, JobGuard::None, ""},
        GuardCase{"ExactlyHalf", 287, 0, 0, 574, {}, JobGuard::None, ""},
        GuardCase{
            "FewerThanHalf",
            141,
            0,
            0,
            574,
            {},
            JobGuard::CountDrop,
            "141 products, fewer than half of the 574 of the last upload (--allow-drop uploads it all the "
            "same)"},
        GuardCase{"DropAllowed", 141, 0, 0, 574, {false, false, true}, JobGuard::None, ""},
        GuardCase{"EmptyIsTheFirstReason",
                  0,
                  3,
                  0,
                  574,
                  {},
                  JobGuard::NoProducts,
                  "the feed holds no products (--allow-empty uploads it all the same)"}),
    [](const auto& info) { return std::string(info.param.name); });

struct StatusCase {
    const char* name;
    const char* history;
    std::optional<long long> last;
    const char* text;
};
class JobStatusLines : public ::testing::TestWithParam<StatusCase> {};
TEST_P(JobStatusLines, TellTheLastRunOfThisJobAndTheLastUpload) {
    EXPECT_EQ(JobStatusText(GetParam().history, "shop", GetParam().last), GetParam().text);
}
const char* const kHistory =
    R"({"start":"2026-12-07T03:30:00Z","end":"2026-12-07T03:30:05Z","job":"shop","status":0,"products":574,)"
    R"("errors":0,"warnings":3,"uploaded":true,"reason":"Sent as a.part","bytes":9,"duration":5.0})"
    "\n"
    R"({"start":"2026-12-08T03:30:00Z","end":"2026-12-08T03:30:02Z","job":"shop","status":3,"products":141,)"
    R"("errors":0,"warnings":0,"uploaded":false,"reason":"141 products, fewer than \"half\"","bytes":0})"
    "\n"
    R"({"start":"2026-12-08T04:00:00Z","end":"2026-12-08T04:00:01Z","job":"other","status":1,"products":2})"
    "\n";
INSTANTIATE_TEST_SUITE_P(
    Cases, JobStatusLines,
    ::testing::Values(
        StatusCase{"Nothing", "", std::nullopt, ""},
        StatusCase{"UploadOnly", "", 574, "Last upload to this server and file name: 574 products."},
        StatusCase{"LastRunOfThisJobWithItsReason", kHistory, 574,
                   "Last run of the job shop: 2026-12-08 03:30 UTC, stopped, 141 products (141 "
                   "products, fewer than \"half\").\nLast upload to this server and file name: 574 "
                   "products."}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(UploadCountFile, RemembersPerPlaceAndAdoptsOnlyWhatItLacks) {
    const auto dir = std::filesystem::temp_directory_path() /
                     ("yarvelin-counts-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
    std::filesystem::remove_all(dir);
    CUploadCountFile counts((dir / "state" / "upload-counts").string());
    EXPECT_FALSE(counts.Exists());
    EXPECT_EQ(counts.Last("FTP.example.com", "a.txt"), std::nullopt);
    ASSERT_TRUE(counts.Remember("FTP.example.com", "a.txt", 574));
    ASSERT_TRUE(counts.Remember("ftp.example.com", "b file.txt", 3));
    // The server's case does not matter; the file name's does.
    EXPECT_EQ(counts.Last("ftp.example.com ", "a.txt"), 574);
    EXPECT_EQ(counts.Last("ftp.example.com", "A.txt"), std::nullopt);
    EXPECT_EQ(counts.Last("ftp.example.com", "b file.txt"), 3);
    ASSERT_TRUE(counts.Adopt({{"ftp.example.com%20a.txt", 9}, {"old.example%20c.txt", 12}}));
    EXPECT_EQ(counts.Last("ftp.example.com", "a.txt"), 574);
    EXPECT_EQ(counts.Last("old.example", "c.txt"), 12);
    EXPECT_FALSE(std::filesystem::exists(counts.Path() + ".new"));
    std::filesystem::remove_all(dir);
}

TEST(UploadCountFile, CountsKeptInTheSettingsAreTakenOverOnceAndSharedFromThen) {
    const auto dir =
        std::filesystem::temp_directory_path() /
        ("yarvelin-migrate-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
    std::filesystem::remove_all(dir);
    const std::string file = (dir / "upload-counts").string();
    CMemorySettingsStore store;
    settings::kUploadCounts.Write(store, UploadCountKey("ftp.old.example", "a.txt"), 40);
    settings::kUploadCounts.Write(store, UploadCountKey("ftp.old.example", "b.txt"), 7);
    EXPECT_EQ(LastUploadCount(store, file, "FTP.old.example", "a.txt"), 40);
    ASSERT_TRUE(std::filesystem::exists(file));
    // yarvelin-feed reads the same record; what the wizard remembers from now on goes there only.
    RememberUploadCount(store, file, "ftp.old.example", "a.txt", 5);
    EXPECT_EQ(CUploadCountFile(file).Last("ftp.old.example", "a.txt"), 5);
    EXPECT_EQ(CUploadCountFile(file).Last("ftp.old.example", "b.txt"), 7);
    settings::kUploadCounts.Write(store, UploadCountKey("ftp.old.example", "b.txt"), 99);
    EXPECT_EQ(LastUploadCount(store, file, "ftp.old.example", "b.txt"), 7);
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace yarvelin

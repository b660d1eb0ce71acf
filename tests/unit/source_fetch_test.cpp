// The rules of a source fetched by URL and of the alerts: what a download's answer means, the back-off,
// when an unchanged source may end a run, and when an alert goes out.
#include <gtest/gtest.h>

#include "handfiles/hand_file.h"
#include "jobs/feed_job.h"
#include "jobs/run_alerts.h"
#include "jobs/source_fetch.h"

namespace yarvelin {
namespace {

using Kind = SourceVerdict::Kind;
using Transfer = SourceResponse::Transfer;

struct JudgeCase {
    const char* name;
    Transfer transfer;
    long status;
    std::optional<std::uint64_t> length;
    std::uint64_t bytes;
    const char* type;
    const char* first;
    Kind kind;
    bool retry;
    const char* reason;  // a part of it
};

class JudgeSource : public ::testing::TestWithParam<JudgeCase> {};

TEST_P(JudgeSource, Verdict) {
    const JudgeCase& c = GetParam();
    SourceResponse r;
    r.transfer = c.transfer;
    r.error = "Could not resolve host";
    r.status = c.status;
    r.contentLength = c.length;
    r.bytes = c.bytes;
    r.contentType = c.type;
    r.firstBytes = c.first;
    const SourceVerdict v = JudgeSourceResponse("https://shop/x.csv", r);
    EXPECT_EQ(v.kind, c.kind);
    EXPECT_EQ(v.retry, c.retry);
    EXPECT_NE(v.reason.find(c.reason), std::string::npos) << v.reason;
}

const char* kCsv = "sku,name,price\n1,Rose,3.50\n";

INSTANTIATE_TEST_SUITE_P(
    Rules, JudgeSource,
    ::testing::Values(
        JudgeCase{"Csv", Transfer::Complete, 200, 27, 27, "text/csv", kCsv, Kind::Fetched, false, ""},
        JudgeCase{"FtpFile", Transfer::Complete, 0, 27, 27, "", kCsv, Kind::Fetched, false, ""},
        JudgeCase{"NotModified", Transfer::Complete, 304, {}, 0, "", "", Kind::Unchanged, false, ""},
        JudgeCase{"NotFound", Transfer::Complete, 404, 9, 9, "text/html", "<html>", Kind::Failed, false,
                  "answered 404"},
        JudgeCase{"Unavailable", Transfer::Complete, 503, 0, 0, "", "", Kind::Failed, true, "answered 503"},
        JudgeCase{"TooManyRequests", Transfer::Complete, 429, 0, 0, "", "", Kind::Failed, true, "429"},
        JudgeCase{"Empty", Transfer::Complete, 200, 0, 0, "text/csv", "", Kind::Failed, false, "empty file"},
        JudgeCase{"ShortOfLength", Transfer::Complete, 200, 100, 27, "text/csv", kCsv, Kind::Failed, true,
                  "after 27 bytes of 100"},
        JudgeCase{"CutShort", Transfer::CutShort, 200, 100, 27, "text/csv", kCsv, Kind::Failed, true,
                  "broke off after 27 bytes of 100"},
        JudgeCase{
            "BrokenGzip", Transfer::BadEncoding, 200, {}, 0, "", "", Kind::Failed, false, "does not inflate"},
        JudgeCase{
            "NoConnection", Transfer::Failed, 0, {}, 0, "", "", Kind::Failed, true, "Could not resolve"},
        JudgeCase{"LoginPage", Transfer::Complete, 200, 40, 40, "text/html; charset=utf-8",
                  "\xEF\xBB\xBF\n  <!DOCTYPE HTML><html>", Kind::Failed, false, "web page"},
        JudgeCase{"HtmlWithoutType", Transfer::Complete, 200, 40, 40, "application/octet-stream",
                  "<html><head>", Kind::Failed, false, "web page"},
        JudgeCase{"XmlFeedAsHtmlType", Transfer::Complete, 200, 40, 40, "text/html",
                  "<?xml version=\"1.0\"?><rss>", Kind::Fetched, false, ""},
        JudgeCase{"CsvAsHtmlType", Transfer::Complete, 200, 27, 27, "text/html", kCsv, Kind::Fetched, false,
                  ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SourceRules, Durations) {
    const std::vector<std::pair<const char*, long long>> good = {
        {"7d", 604800}, {"36h", 129600}, {"90m", 5400}, {"45s", 45}};
    for (const auto& [text, seconds] : good) {
        EXPECT_EQ(ParseDuration(text), std::chrono::seconds(seconds)) << text;
    }
    for (const char* bad : {"", "7", "d", "7 d", "-1h", "1.5h", "7w", "h7"}) {
        EXPECT_FALSE(ParseDuration(bad)) << bad;
    }
}

TEST(SourceRules, RetryDelaysDoubleUpToFiveMinutes) {
    using s = std::chrono::seconds;
    EXPECT_EQ(RetryDelays(0, s(5)), std::vector<s>{});
    EXPECT_EQ(RetryDelays(3, s(5)), (std::vector<s>{s(5), s(10), s(20)}));
    EXPECT_EQ(RetryDelays(3, s(200)), (std::vector<s>{s(200), s(300), s(300)}));
}

// An unchanged source may end the run only while the last upload is younger than refresh-after.
TEST(SourceRules, MaySkipUnchangedAfterARecentUpload) {
    const auto t0 = std::chrono::system_clock::from_time_t(1'800'000'000);
    const auto line = [&](int hoursAgo, int status, bool uploaded) {
        RunRecord r;
        r.job = "shop";
        r.status = status;
        r.uploaded = uploaded;
        r.start = r.end = t0 - std::chrono::hours(hoursAgo);
        return RunRecordJson(r) + "\n";
    };
    const std::chrono::seconds week = std::chrono::hours(24 * 7);
    EXPECT_FALSE(MaySkipUnchanged("", "shop", t0, week));
    EXPECT_TRUE(MaySkipUnchanged(line(30, kRunOk, true), "shop", t0, week));
    EXPECT_FALSE(MaySkipUnchanged(line(200, kRunOk, true), "shop", t0, week));
    // Runs that wrote or failed since do not count as uploads.
    EXPECT_FALSE(MaySkipUnchanged(
        line(200, kRunOk, true) + line(2, kRunOk, false) + line(1, kRunFailed, false), "shop", t0, week));
    EXPECT_FALSE(MaySkipUnchanged(line(1, kRunOk, true), "other", t0, week));
}

// One alert per problem until it changes, one "recovered", nothing while all is well.
TEST(AlertRules, RunSequence) {
    struct Step {
        int status;
        const char* reason;
        AlertKind expected;
    };
    const std::vector<Step> steps = {
        {kRunOk, "", AlertKind::None},
        {kRunFailed, "x answered 404", AlertKind::Failed},
        {kRunFailed, "x answered 404", AlertKind::None},
        {kRunLocked, "another run", AlertKind::None},
        {kRunFailed, "the download broke off after 12 bytes", AlertKind::Failed},
        {kRunFailed, "the download broke off after 900 bytes", AlertKind::None},
        {kRunStopped, "the feed has no products", AlertKind::Stopped},
        {kRunOk, "source unchanged, nothing uploaded", AlertKind::Recovered},
        {kRunOk, "", AlertKind::None},
    };
    AlertState state;
    for (std::size_t i = 0; i < steps.size(); ++i) {
        RunRecord r;
        r.status = steps[i].status;
        r.reason = steps[i].reason;
        const AlertDecision d = DecideRunAlert(state, r);
        EXPECT_EQ(d.kind, steps[i].expected) << "step " << i;
        state = d.next;
    }
}

TEST(AlertRules, StaleOnceThenRecoveredByAPublishedRun) {
    const auto now = std::chrono::system_clock::from_time_t(1'800'000'000);
    const std::chrono::seconds limit = std::chrono::hours(36);
    AlertDecision d = DecideStaleAlert({}, std::nullopt, now, limit);
    EXPECT_EQ(d.kind, AlertKind::Stale);
    EXPECT_EQ(DecideStaleAlert(d.next, now - std::chrono::hours(40), now, limit).kind, AlertKind::None);
    EXPECT_EQ(DecideStaleAlert({}, now - std::chrono::hours(35), now, limit).kind, AlertKind::None);
    RunRecord published;
    published.status = kRunOk;
    published.uploaded = true;
    EXPECT_EQ(DecideRunAlert(d.next, published).kind, AlertKind::Recovered);
}

// The failure unit tells only of a run that could not tell of its own failure.
TEST(AlertRules, ServiceFailureIsToldOnceByWhoeverCan) {
    const auto now = *ParseIsoUtcTime("2026-12-09T03:40:00Z");
    const auto line = [](int status, const char* end) {
        RunRecord r;
        r.job = "shop";
        r.status = status;
        r.start = r.end = *ParseIsoUtcTime(end);
        return RunRecordJson(r) + "\n";
    };
    EXPECT_FALSE(UntoldServiceFailure(line(1, "2026-12-09T03:39:00Z"), "shop", now, "exit-code"));
    EXPECT_FALSE(UntoldServiceFailure(line(3, "2026-12-09T03:31:00Z"), "shop", now, "exit-code"));
    for (const std::string& history :
         {std::string(), line(0, "2026-12-09T03:39:00Z"), line(1, "2026-12-08T03:39:00Z")}) {
        const std::optional<RunRecord> told = UntoldServiceFailure(history, "shop", now, "timeout");
        ASSERT_TRUE(told) << history;
        EXPECT_EQ(told->status, kRunFailed);
        EXPECT_EQ(told->reason, "the run did not finish: its service ended with timeout");
    }
}

TEST(SourceJobKeys, MistakesAreReportedAtTheirLine) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"export-url = \"file:///etc/passwd\"", "must be an http, https, ftp, ftps or sftp address"},
        {"feed = \"a.txt\"\nfeed-url = \"https://shop/a.txt\"", "names one of"},
        {"feed = \"a.txt\"\nuser = \"me\"", "user belongs to a source by URL"},
        {"feed-url = \"https://shop/a.txt\"\nrefresh-after = \"soon\"", "refresh-after must be a time"},
        {"feed-url = \"https://shop/a.txt\"\nretries = 99", "retries must be 0 to 10"},
        {"feed-url = \"https://shop/a.txt\"\n[notify]\nwebhook = \"http://hooks.example/x\"",
         "webhook must be an https address"},
        {"feed-url = \"https://shop/a.txt\"\n[notify]\nmail = \"me@shop\"", "mail"},
    };
    for (const auto& [source, message] : cases) {
        try {
            ParseFeedJob("[source]\n" + source + "\n[output]\nfile = \"out.txt\"\n", "/jobs/shop.toml");
            ADD_FAILURE() << "accepted: " << source;
        } catch (const CHandFileError& e) {
            EXPECT_NE(std::string(e.what()).find(message), std::string::npos) << e.what();
        }
    }
    const FeedJob job = ParseFeedJob(
        "[source]\nexport-url = \"sftp://shop/~/export.csv\"\npassword-file = \"pw\"\nprofile = \"shopify\"\n"
        "[output]\nfile = \"out.txt\"\n[notify]\nstale-after = \"2d\"\n",
        "/jobs/shop.toml");
    ASSERT_TRUE(job.source.url);
    EXPECT_TRUE(job.source.url->isExport);
    EXPECT_EQ(job.source.url->passwordFile, "/jobs/pw");
    EXPECT_EQ(job.source.profile, "shopify");
    EXPECT_EQ(job.source.Name(), "sftp://shop/~/export.csv");
    EXPECT_EQ(job.notify.staleAfter, std::chrono::hours(48));
}

}  // namespace
}  // namespace yarvelin

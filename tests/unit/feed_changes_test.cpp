// What changed since the last upload: the diff, the partial update, the snapshots and the decisions a run
// takes from them. The properties run over random edit scripts; each failure names its seed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "changes/change_guards.h"
#include "changes/delta_feed.h"
#include "changes/feed_diff.h"
#include "changes/snapshot_store.h"
#include "feed/feed_file.h"
#include "feed_test_support.h"

namespace yarvelin {
namespace {

using test::CRecordingObserver;
using test::CTempFolder;

// The base seed; set YARVELIN_CHANGES_SEED to try others.
std::uint32_t BaseSeed() {
    const char* env = std::getenv("YARVELIN_CHANGES_SEED");
    return env != nullptr ? static_cast<std::uint32_t>(std::strtoul(env, nullptr, 10)) : 20261215u;
}

// Texts with what troubles a TAB-separated, quote-aware line: TABs, quotes alone and in runs, bytes
// 0x80-0xFF, and empty values. No line breaks: a feed cannot hold them, the writer makes them blanks.
std::string RandomText(std::mt19937& rng) {
    static const std::string kPieces[] = {"\t", "\"",   "\"\"", "a",        "Lamp 12",
                                          " ",  "\x80", "\xE9", "\xC3\xA9", "0.99"};
    std::string text;
    for (int n = std::uniform_int_distribution<int>(0, 4)(rng); n > 0; --n) {
        text += kPieces[std::uniform_int_distribution<std::size_t>(0, std::size(kPieces) - 1)(rng)];
    }
    return text;
}

COtherRecord RandomProduct(std::mt19937& rng, const std::string& id) {
    COtherRecord r;
    for (int k = 0; k < kColumnCount; ++k) {
        if (k != kColOfferId && k != kColDelete) {
            r.SetField(k, RandomText(rng));
        }
    }
    r.SetField(kColOfferId, id);
    return r;
}

// One generation of the feed edited at random: products added, removed, renamed, changed, marked deleted
// and unmarked, moved; an id removed in one generation may come back in a later one.
std::vector<COtherRecord> Edit(std::vector<COtherRecord> feed, std::mt19937& rng, int& nextId,
                               std::vector<std::string>& removedIds) {
    auto pick = [&] { return std::uniform_int_distribution<std::size_t>(0, feed.size() - 1)(rng); };
    for (int n = std::uniform_int_distribution<int>(0, 12)(rng); n > 0; --n) {
        const int what = std::uniform_int_distribution<int>(0, 6)(rng);
        if (feed.empty() || what == 0) {
            feed.push_back(RandomProduct(rng, "ID" + std::to_string(nextId++)));
        } else if (what == 1) {
            const std::size_t at = pick();
            removedIds.emplace_back(feed[at].Field(kColOfferId));
            feed.erase(feed.begin() + static_cast<std::ptrdiff_t>(at));
        } else if (what == 2 && !removedIds.empty()) {
            const std::string id = removedIds.back();
            removedIds.pop_back();
            if (std::none_of(feed.begin(), feed.end(),
                             [&](const COtherRecord& r) { return r.Field(kColOfferId) == id; })) {
                feed.insert(feed.begin() + static_cast<std::ptrdiff_t>(pick()), RandomProduct(rng, id));
            }
        } else if (what == 3) {
            COtherRecord& r = feed[pick()];
            removedIds.emplace_back(r.Field(kColOfferId));
            r.SetField(kColOfferId, "ID" + std::to_string(nextId++));
        } else if (what == 4) {
            COtherRecord& r = feed[pick()];
            for (int c = std::uniform_int_distribution<int>(1, 3)(rng); c > 0; --c) {
                const int k = std::uniform_int_distribution<int>(0, kColumnCount - 1)(rng);
                if (k != kColOfferId && k != kColDelete) {
                    r.SetField(k, RandomText(rng));
                }
            }
        } else if (what == 5) {
            COtherRecord& r = feed[pick()];
            r.SetField(kColDelete, r.IsMarkedDeleted() ? "" : "Y");
        } else {
            std::swap(feed[pick()], feed[pick()]);
        }
    }
    return feed;
}

void WriteProducts(const std::string& path, const std::vector<COtherRecord>& products) {
    CRecordingObserver observer;
    CFeedStreamWriter writer(observer);
    std::size_t tabs = 0;
    for (const COtherRecord& r : products) {
        tabs += CountValuesWithTabs(r, false);
    }
    ASSERT_TRUE(writer.Open(path, {}, false, tabs));
    for (const COtherRecord& r : products) {
        ASSERT_TRUE(writer.Add(r));
    }
    ASSERT_TRUE(writer.Commit());
}

std::vector<COtherRecord> ReadProducts(const std::string& path, FeedFileStart* start = nullptr) {
    std::vector<COtherRecord> products;
    CRecordingObserver observer;
    EXPECT_TRUE(ReadFeedProducts(
        path, observer,
        [&](const FeedFileStart& s) {
            if (start)
                *start = s;
        },
        [&](const COtherRecord& r, long long, std::size_t) { products.push_back(r); }));
    return products;
}

// Products compared as a set of lines: a diff does not keep the order.
std::vector<std::string> Lines(const std::vector<COtherRecord>& products) {
    std::vector<std::string> lines;
    for (const COtherRecord& r : products) {
        lines.push_back(FormatRecordLine(r, false));
    }
    std::sort(lines.begin(), lines.end());
    return lines;
}

TEST(FeedChanges, ApplyingTheDiffAndTheDeltaGivesTheNewFeed) {
    const std::uint32_t base = BaseSeed();
    CTempFolder folder;
    for (std::uint32_t round = 0; round < 40; ++round) {
        const std::uint32_t seed = base + round;
        SCOPED_TRACE("seed " + std::to_string(seed) + " (YARVELIN_CHANGES_SEED=" + std::to_string(base) +
                     ")");
        std::mt19937 rng(seed);
        int nextId = 0;
        std::vector<std::string> removedIds;
        std::vector<COtherRecord> feed;
        for (int n = std::uniform_int_distribution<int>(0, 20)(rng); n > 0; --n) {
            feed.push_back(RandomProduct(rng, "ID" + std::to_string(nextId++)));
        }
        WriteProducts(folder.File("g0.txt"), feed);
        std::vector<COtherRecord> service = ServiceProducts(ReadProducts(folder.File("g0.txt")));
        for (int generation = 1; generation <= 3; ++generation) {
            const std::string older = folder.File("g" + std::to_string(generation - 1) + ".txt");
            const std::string newer = folder.File("g" + std::to_string(generation) + ".txt");
            feed = Edit(std::move(feed), rng, nextId, removedIds);
            WriteProducts(newer, feed);
            const std::vector<COtherRecord> a = ReadProducts(older);
            const std::vector<COtherRecord> b = ReadProducts(newer);

            CRecordingObserver observer;
            const std::optional<FeedDiff> diff = DiffFeedFiles(older, newer, {}, observer);
            ASSERT_TRUE(diff);
            const FeedDiff inMemory = DiffProducts(a, b, {});
            EXPECT_EQ(ChangeSummaryText(*diff), ChangeSummaryText(inMemory));
            EXPECT_EQ(Lines(ApplyFeedDiff(a, *diff, {})), Lines(b)) << "generation " << generation;
            EXPECT_EQ(diff->Equal(), Lines(a) == Lines(b));

            const std::string delta = folder.File("delta.txt");
            ASSERT_TRUE(WriteDeltaFeed(*diff, delta, {}, observer));
            FeedFileStart start;
            const std::vector<COtherRecord> rows = ReadProducts(delta, &start);
            EXPECT_EQ(start.updatesOnly, "YES");
            EXPECT_EQ(rows.size(), diff->added + diff->changed + DeltaDeletes(*diff));
            service = ApplyDeltaFeed(std::move(service), rows);
            ASSERT_EQ(Lines(service), Lines(ServiceProducts(b))) << "generation " << generation;
        }
    }
}

TEST(FeedChanges, RepeatedKeysAndIgnoredColumns) {
    auto row = [](const std::string& id, const std::string& price, const std::string& name) {
        COtherRecord r;
        r.SetField(kColOfferId, id);
        r.SetField(kColPrice, price);
        r.SetField(kColName, name);
        return r;
    };
    const std::vector<COtherRecord> a = {row("A", "1.00", "x"), row("A", "2.00", "y"), row("B", "3.00", "z")};
    const std::vector<COtherRecord> b = {row("A", "1.00", "x2"), row("B", "4.00", "z")};
    const FeedDiff diff = DiffProducts(a, b, {});
    EXPECT_EQ(ChangeSummaryText(diff), "0 added, 1 removed, 2 changed (name 1, price 1)");
    EXPECT_EQ(Lines(ApplyFeedDiff(a, diff, {})), Lines(b));

    FeedDiffOptions byName;
    byName.ignoredColumns = 1u << kColName;
    EXPECT_EQ(ChangeSummaryText(DiffProducts(a, b, byName)), "0 added, 1 removed, 1 changed (price 1)");
}

TEST(FeedChanges, AKilledRunSendsTheSameDeltaAndAFailedOneAFullFile) {
    CTempFolder folder;
    CSnapshotStore store(folder.File("snapshots"));
    const std::string server = "FTP.Example.com ";
    const std::string name = "feed.txt";
    std::mt19937 rng(BaseSeed());
    int nextId = 0;
    std::vector<std::string> removedIds;
    std::vector<COtherRecord> a;
    for (int n = 0; n < 30; ++n) {
        a.push_back(RandomProduct(rng, "ID" + std::to_string(nextId++)));
    }
    const std::vector<COtherRecord> b = Edit(a, rng, nextId, removedIds);
    WriteProducts(folder.File("a.txt"), a);
    WriteProducts(folder.File("b.txt"), b);
    const long long now = 1'800'000'000;
    ASSERT_TRUE(store.Remember(server, name, folder.File("a.txt"), {0, now - 3600, 30, 0, false}));

    // One run: a delta against the snapshot, the upload started, the run killed before it heard the end.
    auto deltaRun = [&](const std::string& out) {
        const FeedModeDecision mode =
            DecideFeedMode(FeedModeInputsFor(store, "ftp.example.com", name, true, now));
        EXPECT_TRUE(mode.delta) << mode.reason;
        ASSERT_TRUE(store.Extract(server, name, store.Latest(server, name)->number, folder.File("last.txt")));
        CRecordingObserver observer;
        const auto diff = DiffFeedFiles(folder.File("last.txt"), folder.File("b.txt"), {}, observer);
        ASSERT_TRUE(diff && WriteDeltaFeed(*diff, out, {}, observer));
        ASSERT_TRUE(store.NoteAttempt(server, name, UploadAttempt::kPending));
    };
    deltaRun(folder.File("first.txt"));
    deltaRun(folder.File("again.txt"));
    EXPECT_EQ(test::ReadBytes(folder.File("first.txt")), test::ReadBytes(folder.File("again.txt")));

    ASSERT_TRUE(store.NoteAttempt(server, name, UploadAttempt::kFailed));
    EXPECT_EQ(DecideFeedMode(FeedModeInputsFor(store, server, name, true, now)).reason,
              "the last upload here failed");
    ASSERT_TRUE(store.Remember(server, name, folder.File("b.txt"), {0, now, 30, 0, true}));
    EXPECT_EQ(store.LastAttempt(server, name), UploadAttempt::kNone);
    EXPECT_TRUE(DecideFeedMode(FeedModeInputsFor(store, server, name, true, now)).delta);
}

TEST(FeedChanges, SnapshotsKeepTheNewestAndGiveBackTheBytesSent) {
    CTempFolder folder;
    CSnapshotStore store(folder.File("snapshots"));
    for (int n = 1; n <= 5; ++n) {
        test::WriteBytes(folder.File("sent.txt"), "feed " + std::to_string(n) + std::string(100000, '\xE9'));
        ASSERT_TRUE(store.Remember("host", "a/b.txt", folder.File("sent.txt"), {0, n, n, 0, false}, 3));
    }
    const std::vector<SnapshotEntry> kept = store.List("host", "a/b.txt");
    ASSERT_EQ(kept.size(), 3u);
    EXPECT_EQ(kept[0].number, 5);
    EXPECT_EQ(kept[2].number, 3);
    EXPECT_FALSE(std::filesystem::exists(store.SnapshotPath("host", "a/b.txt", 2)));
    ASSERT_TRUE(store.Extract("host", "a/b.txt", 3, folder.File("back.txt")));
    EXPECT_EQ(test::ReadBytes(folder.File("back.txt")), "feed 3" + std::string(100000, '\xE9'));
    EXPECT_FALSE(store.Latest("other", "a/b.txt"));
    EXPECT_FALSE(store.Remember("host", "a/b.txt", folder.File("missing.txt"), {}, 3));
    EXPECT_EQ(store.List("host", "a/b.txt").size(), 3u);
}

// Every decision a run takes from the changes, in one table: full or partial, and the guards.
struct ChangeDecisionCase {
    const char* name;
    // Mode: is a delta wanted, has the place a snapshot, the newest full upload's age in days (-1: none
    // kept), the last attempt.
    bool deltaWanted;
    bool snapshot;
    int fullAgeDays;
    UploadAttempt attempt;
    // Guards: products of the last upload, removed, repriced, deleted by the delta, the limits.
    std::size_t last, removed, repriced, deletes;
    const char* maxChanged;
    JobGuardAllowances allow;
    bool expectDelta;
    JobGuard expectGuard;
};

class ChangeDecisionTest : public ::testing::TestWithParam<ChangeDecisionCase> {};

TEST_P(ChangeDecisionTest, Decides) {
    const ChangeDecisionCase& c = GetParam();
    const long long now = 1'800'000'000;
    FeedModeInputs in;
    in.deltaWanted = c.deltaWanted;
    if (c.snapshot) {
        in.latest = SnapshotEntry{1, now, 10, 0, false};
    }
    if (c.fullAgeDays >= 0) {
        in.lastFullUpload = now - c.fullAgeDays * 86400LL;
    }
    in.attempt = c.attempt;
    in.now = now;
    const FeedModeDecision mode = DecideFeedMode(in);
    EXPECT_EQ(mode.delta, c.expectDelta) << mode.reason;
    EXPECT_EQ(mode.reason.empty(), mode.delta || !c.deltaWanted);

    FeedDiff diff;
    diff.oldProducts = c.last;
    diff.removed = c.removed;
    diff.columnChanges[kColPrice] = c.repriced;
    ChangeGuardLimits limits;
    if (c.maxChanged != nullptr) {
        limits.maxChanged = ParseShare(c.maxChanged);
        ASSERT_TRUE(limits.maxChanged);
    }
    const JobGuardDecision guard = DecideChangeGuards(diff, c.deletes, mode.delta, limits, c.allow);
    EXPECT_EQ(guard.guard, c.expectGuard) << guard.reason;
    EXPECT_EQ(guard.reason.empty(), c.expectGuard == JobGuard::None);
}

constexpr UploadAttempt kNo = UploadAttempt::kNone;
INSTANTIATE_TEST_SUITE_P(
    Table, ChangeDecisionTest,
    ::testing::Values(
        ChangeDecisionCase{
            "FullWanted", false, true, 1, kNo, 100, 0, 0, 0, nullptr, {}, false, JobGuard::None},
        ChangeDecisionCase{"Delta", true, true, 1, kNo, 100, 5, 5, 5, nullptr, {}, true, JobGuard::None},
        ChangeDecisionCase{"NewPlace", true, false, -1, kNo, 0, 0, 0, 0, nullptr, {}, false, JobGuard::None},
        ChangeDecisionCase{"FullIsDue", true, true, 7, kNo, 100, 0, 0, 0, nullptr, {}, false, JobGuard::None},
        ChangeDecisionCase{
            "FullAlmostDue", true, true, 6, kNo, 100, 0, 0, 0, nullptr, {}, true, JobGuard::None},
        ChangeDecisionCase{
            "NoFullKept", true, true, -1, kNo, 100, 0, 0, 0, nullptr, {}, false, JobGuard::None},
        ChangeDecisionCase{"AfterAFailure",
                           true,
                           true,
                           1,
                           UploadAttempt::kFailed,
                           100,
                           0,
                           0,
                           0,
                           nullptr,
                           {},
                           false,
                           JobGuard::None},
        ChangeDecisionCase{"AfterAKill",
                           true,
                           true,
                           1,
                           UploadAttempt::kPending,
                           100,
                           0,
                           0,
                           0,
                           nullptr,
                           {},
                           true,
                           JobGuard::None},
        ChangeDecisionCase{
            "ChangedAtTheLimit", false, true, 1, kNo, 100, 10, 10, 0, "20%", {}, false, JobGuard::None},
        ChangeDecisionCase{"ChangedOverTheLimit",
                           false,
                           true,
                           1,
                           kNo,
                           100,
                           11,
                           10,
                           0,
                           "20 %",
                           {},
                           false,
                           JobGuard::TooManyChanges},
        ChangeDecisionCase{"ChangesAllowed",
                           false,
                           true,
                           1,
                           kNo,
                           100,
                           50,
                           50,
                           0,
                           "20%",
                           {false, false, false, true, false},
                           false,
                           JobGuard::None},
        ChangeDecisionCase{
            "NoLimitNoStop", false, true, 1, kNo, 100, 90, 0, 0, nullptr, {}, false, JobGuard::None},
        ChangeDecisionCase{
            "DeletesAtTheDefault", true, true, 1, kNo, 100, 10, 0, 10, nullptr, {}, true, JobGuard::None},
        ChangeDecisionCase{"DeletesOverTheDefault",
                           true,
                           true,
                           1,
                           kNo,
                           100,
                           11,
                           0,
                           11,
                           nullptr,
                           {},
                           true,
                           JobGuard::TooManyDeletes},
        ChangeDecisionCase{
            "DeletesOfAFullFile", true, false, -1, kNo, 100, 50, 0, 50, nullptr, {}, false, JobGuard::None},
        ChangeDecisionCase{"DeletesAllowed",
                           true,
                           true,
                           1,
                           kNo,
                           100,
                           50,
                           0,
                           50,
                           nullptr,
                           {false, false, false, false, true},
                           true,
                           JobGuard::None},
        ChangeDecisionCase{
            "ChangesFirst", true, true, 1, kNo, 100, 50, 0, 50, "20%", {}, true, JobGuard::TooManyChanges}),
    [](const ::testing::TestParamInfo<ChangeDecisionCase>& info) { return std::string(info.param.name); });

TEST(FeedChanges, SharesAreWrittenInPercent) {
    EXPECT_EQ(ParseShare("20%"), 0.2);
    EXPECT_EQ(ParseShare(" 2.5 % "), 0.025);
    for (const char* bad : {"20", "%", "-1%", "101%", "20%%", "x%"}) {
        EXPECT_FALSE(ParseShare(bad)) << bad;
    }
    EXPECT_EQ(ShareText(0.2), "20 %");
    EXPECT_EQ(ShareText(0.025), "2.5 %");
}

}  // namespace
}  // namespace yarvelin

// Loading feed files into the document.
#include <gtest/gtest.h>

#include <new>

#include "app/yarvelin_app.h"
#include "feed/feed_file.h"
#include "feed_test_support.h"

namespace yarvelin {
namespace {

using test::CRecordingObserver;
using test::CTempFolder;
using test::WriteBytes;

constexpr const char* kLoaded = "File opened and succesfully loaded. Press NEXT to continue.";
const std::string kColumns = BuildColumnLine(false);

struct LoadCase {
    const char* name;
    std::string bytes;
    std::vector<std::string> offerIds;  // column 6 of each loaded record, in order
    bool success;                       // success text shown and the file became the current one
    std::string htmlEscaped, updatesOnly, productType, quoted;
};

class LoadFeedFileTest : public ::testing::TestWithParam<LoadCase> {};

TEST_P(LoadFeedFileTest, LoadsAsTheLayoutSays) {
    const LoadCase& c = GetParam();
    CTempFolder dir;
    const std::string path = dir.File("feed.txt");
    WriteBytes(path, c.bytes);
    CYarvelinApp app;
    // An earlier feed, edited, checked and generated: none of its state may stay with the new one.
    CFeedDocument& doc = app.Document();
    doc.AddOrReplaceRecord(COtherRecord());
    // Its header values included: a file without header lines starts from the defaults.
    doc.SetHeaders({"YES", "YES", "YES", "YES"});
    doc.NoteLoadedFrom(dir.File("earlier.txt"));
    doc.NoteFeedFileWritten(dir.File("shop.txt"));
    doc.MarkChanged();
    doc.SetDataVerified(true);
    const auto serial = doc.FeedSerial();
    CRecordingObserver observer;
    app.OpenFeed(path, observer);

    std::vector<std::string> ids;
    for (const COtherRecord& r : app.Document().Records()) {
        ids.emplace_back(r.Field(kColOfferId));
    }
    EXPECT_EQ(ids, c.offerIds);
    EXPECT_EQ(observer.status, c.success ? kLoaded : "");
    EXPECT_EQ(app.Document().FileName(), c.success ? path : "");
    EXPECT_EQ(app.Document().Headers().htmlEscaped, c.htmlEscaped);
    EXPECT_EQ(app.Document().Headers().updatesOnly, c.updatesOnly);
    EXPECT_EQ(app.Document().Headers().productType, c.productType);
    EXPECT_EQ(app.Document().Headers().quoted, c.quoted);
    EXPECT_TRUE(observer.fileErrors.empty());
    EXPECT_EQ(observer.formatErrors, 0);
    EXPECT_FALSE(doc.IsChanged());
    EXPECT_FALSE(doc.IsDataVerified());
    EXPECT_EQ(doc.SavedFileName(), "");
    EXPECT_EQ(doc.FeedSerial(), serial + 1);
}

const std::string kRow1 = "u\tn\td\t1.00\ti\tc\tA1";
const std::string kRow2 = "u\tn\td\t2.00\ti\tc\tA2";

INSTANTIATE_TEST_SUITE_P(
    Files, LoadFeedFileTest,
    ::testing::Values(
        LoadCase{"OnlyColumnLine", kColumns, {}, true, "", "", "", ""},
        LoadCase{"CrLfAndNoFinalBreak",
                 kColumns + "\r\n" + kRow1 + "\r\n" + kRow2,
                 {"A1", "A2"},
                 true,
                 "",
                 "",
                 "",
                 ""},
        LoadCase{"BareLfAndFinalBreak",
                 kColumns + "\n" + kRow1 + "\n" + kRow2 + "\n",
                 {"A1", "A2"},
                 true,
                 "",
                 "",
                 "",
                 ""},
        LoadCase{"EmptyLinesSkipped", kColumns + "\r\n\r\n" + kRow1 + "\n\n", {"A1"}, true, "", "", "", ""},
        LoadCase{"AllFourHeaders",
                 "# html_escaped=YES\r\n# updates_only=NO\r\n# product_type=OTHER\r\n# quoted=NO\r\n" +
                     kColumns + "\r\n" + kRow1,
                 {"A1"},
                 true,
                 "YES",
                 "NO",
                 "OTHER",
                 "NO"},
        LoadCase{"OnlyHeaders", "# html_escaped=Y\r\n# quoted=yes", {}, false, "Y", "", "", "yes"},
        LoadCase{"HeadersOutOfOrder",
                 "# updates_only=YES\r\n# html_escaped=YES\r\n" + kColumns + "\r\n" + kRow1,
                 {"offer_id", "A1"},
                 true,
                 "",
                 "YES",
                 "",
                 ""},
        LoadCase{"HeaderWithoutBlankAndBlanksAroundEquals",
                 "#quoted = yes \r\n" + kColumns,
                 {},
                 true,
                 "",
                 "",
                 "",
                 "yes"},
        LoadCase{"TwoBlanksIsNoHeader", "#  quoted=YES\r\n" + kRow1, {"A1"}, true, "", "", "", ""},
        LoadCase{"UnknownValueConsumedButNotStored",
                 "# quoted=MAYBE\r\n" + kColumns + "\r\n" + kRow1,
                 {"A1"},
                 true,
                 "",
                 "",
                 "",
                 ""},
        LoadCase{"HeaderAfterColumnLineIsAProduct",
                 kColumns + "\r\n# quoted=YES\tx\tx\tx\tx\tx\tH",
                 {"H"},
                 true,
                 "",
                 "",
                 "",
                 ""},
        LoadCase{"LineOfTabsIsAProduct", kColumns + "\r\n\t", {""}, true, "", "", "", ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(LoadFeedFileEdgeTest, EmptyFileIsAFormatErrorAndKeepsTheRecords) {
    CTempFolder dir;
    const std::string path = dir.File("empty.txt");
    WriteBytes(path, "");
    CYarvelinApp app;
    app.Document().AddOrReplaceRecord(COtherRecord());
    app.Document().MarkChanged();
    CRecordingObserver observer;
    app.OpenFeed(path, observer);
    EXPECT_EQ(observer.formatErrors, 1);
    EXPECT_EQ(app.Document().Count(), 1u);
    EXPECT_TRUE(app.Document().IsChanged());
    EXPECT_EQ(app.RecentFeeds()[0], path);  // it was added before anything was read
    EXPECT_TRUE(app.Document().FileName().empty());
}

// Memory running out on the third product line stands for any failure half way through the file.
struct CFailingObserver : CRecordingObserver {
    void SetProgressPos(int pos) override {
        CRecordingObserver::SetProgressPos(pos);
        if (positions.size() == 3) {
            throw std::bad_alloc();
        }
    }
};

TEST(LoadFeedFileEdgeTest, ReadFailingHalfWayLeavesTheFeedUnnamed) {
    CTempFolder dir;
    const std::string earlier = dir.File("earlier.txt");
    const std::string broken = dir.File("broken.txt");
    WriteBytes(earlier, kColumns + "\r\n" + kRow1);
    WriteBytes(broken, kColumns + "\r\n" + kRow1 + "\r\n" + kRow2 + "\r\n" + kRow1 + "\r\n" + kRow2);
    CYarvelinApp app;
    CRecordingObserver loaded;
    app.OpenFeed(earlier, loaded);
    ASSERT_EQ(app.Document().FileName(), earlier);
    app.Document().NoteFeedFileWritten(dir.File("shop.txt"));

    CFailingObserver observer;
    app.OpenFeed(broken, observer);
    EXPECT_EQ(observer.fileErrors, std::vector<std::string>{"Out of memory."});
    EXPECT_EQ(observer.status, "");
    // Named neither after the half-read file nor after the earlier one: a backup must not replace either.
    EXPECT_EQ(app.Document().FileName(), "");
    EXPECT_EQ(app.Document().SavedFileName(), "");
    EXPECT_EQ(app.Document().Count(), 2u);  // what was read stays
    EXPECT_FALSE(app.Document().IsChanged());
}

TEST(LoadFeedFileEdgeTest, MissingFileOrFolderReportsAndChangesNothing) {
    CTempFolder dir;
    CYarvelinApp app;
    app.Document().AddOrReplaceRecord(COtherRecord());
    CRecordingObserver observer;
    app.OpenFeed(dir.File("nope.txt"), observer);
    app.OpenFeed(dir.File("nofolder/x.txt"), observer);
    app.OpenFeed(dir.Path(), observer);
    ASSERT_EQ(observer.fileErrors.size(), 3u);
    EXPECT_EQ(observer.fileErrors[0], dir.File("nope.txt") + " was not found.");
    EXPECT_EQ(observer.fileErrors[1], dir.File("nofolder/x.txt") + " contains an invalid path.");
    EXPECT_EQ(observer.fileErrors[2], "Access to " + dir.Path() + " was denied.");
    EXPECT_EQ(app.Document().Count(), 1u);
    EXPECT_TRUE(app.RecentFeeds().NonEmpty().empty());
    EXPECT_TRUE(observer.status.empty());
}

TEST(LoadFeedFileEdgeTest, SamplesStayOutOfTheRecentList) {
    CTempFolder dir;
    const std::string sample = dir.File("SampleFlowers.txt");
    const std::string other = dir.File("mine.txt");
    WriteBytes(sample, kColumns);
    WriteBytes(other, kColumns);
    CYarvelinApp app;
    app.SampleFeeds().Add(sample);
    CRecordingObserver observer;
    app.OpenFeed(sample, observer);
    EXPECT_TRUE(app.RecentFeeds().NonEmpty().empty());
    app.OpenFeed(other, observer);
    EXPECT_EQ(app.RecentFeeds().NonEmpty(), std::vector<std::string>{other});
}

TEST(LoadFeedFileEdgeTest, ProgressStepsFromZeroToHundredAndWraps) {
    CTempFolder dir;
    std::string bytes = kColumns;
    for (int i = 0; i < 150; ++i) {
        bytes += "\r\n" + kRow1;
    }
    WriteBytes(dir.File("f.txt"), bytes);
    CYarvelinApp app;
    CRecordingObserver observer;
    app.OpenFeed(dir.File("f.txt"), observer);
    EXPECT_EQ(observer.ranges, (std::vector<std::pair<int, int>>{{0, 100}}));
    ASSERT_EQ(observer.positions.size(), 151u);
    EXPECT_EQ(observer.positions[0], 1);
    EXPECT_EQ(observer.positions[99], 100);
    EXPECT_EQ(observer.positions[100], 0);  // past 100 it starts again
    EXPECT_EQ(observer.positions.back(), 100);
}

TEST(LoadFeedFileEdgeTest, LongLinesAcrossTheReadBuffer) {
    // Lines far longer than the reader's buffer, and a CR LF split between two reads.
    CTempFolder dir;
    const std::string longText(3 << 20, 'x');
    const std::string bytes = kColumns + "\r\n" + "u\t" + longText + "\td\t1\ti\tc\tL1\r\n" + kRow2;
    WriteBytes(dir.File("long.txt"), bytes);
    CYarvelinApp app;
    CRecordingObserver observer;
    app.OpenFeed(dir.File("long.txt"), observer);
    ASSERT_EQ(app.Document().Count(), 2u);
    EXPECT_EQ(app.Document().At(0).Field(kColName), longText);
    EXPECT_EQ(app.Document().At(0).Field(kColOfferId), "L1");
    EXPECT_EQ(app.Document().At(1).Field(kColOfferId), "A2");
}

}  // namespace
}  // namespace yarvelin

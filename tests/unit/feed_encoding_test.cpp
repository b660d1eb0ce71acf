// UTF-8 feed files: which files are taken for UTF-8, and what reading them converted gives.
#include <gtest/gtest.h>

#include "app/yarvelin_app.h"
#include "feed/feed_encoding.h"
#include "feed/feed_file.h"
#include "feed_test_support.h"
#include "records/cp1252.h"

namespace yarvelin {
namespace {

using test::CTempFolder;
using test::ReadBytes;
using test::WriteBytes;

const std::string kColumns = "product_url\tname\tdescription\tprice\timage_url\tcategory\toffer_id";

struct CAnsweringObserver : test::CRecordingObserver {
    bool ConfirmUnmappable(const std::string& path, const FeedEncoding& encoding) override {
        asked.push_back(path);
        listed = encoding.unmappable;
        count = encoding.unmappableCount;
        return answer;
    }
    bool answer = false;
    std::vector<std::string> asked;
    std::vector<UnmappableCharacter> listed;
    std::size_t count = 0;
};

struct EncodingCase {
    const char* name;
    std::string file;
    bool utf8;
    std::string name1;  // the first product's name as loaded, in Windows-1252
};

class FeedEncodingTest : public ::testing::TestWithParam<EncodingCase> {};

TEST_P(FeedEncodingTest, DecidesAndConverts) {
    const EncodingCase& c = GetParam();
    CTempFolder dir;
    const std::string path = dir.File("feed.txt");
    WriteBytes(path, c.file);
    EXPECT_EQ(ScanFeedEncoding(path).utf8, c.utf8);
    CAnsweringObserver observer;
    CYarvelinApp app;
    app.OpenFeed(path, observer);
    EXPECT_TRUE(observer.asked.empty());
    ASSERT_GE(app.Document().Count(), 1u);
    EXPECT_EQ(app.Document().At(0).Field(kColName), c.name1);
    EXPECT_EQ(app.Document().FileName(), path);
}

INSTANTIATE_TEST_SUITE_P(
    Boundaries, FeedEncodingTest,
    ::testing::Values(
        EncodingCase{"PureAscii", kColumns + "\r\nu\tPlain name\td", false, "Plain name"},
        EncodingCase{"Cp1252WithOneByteAccent", kColumns + "\r\nu\tCaf\xe9 \x93x\x94\td", false,
                     "Caf\xe9 \x93x\x94"},
        EncodingCase{"Utf8WithoutMark",
                     kColumns + "\r\nu\tCaf\xc3\xa9 \xe2\x80\x9cx\xe2\x80\x9d \xe2\x82\xac\td", true,
                     "Caf\xe9 \x93x\x94 \x80"},
        EncodingCase{"Utf8WithMark", "\xef\xbb\xbf" + kColumns + "\r\nu\tCaf\xc3\xa9\td", true, "Caf\xe9"},
        EncodingCase{"MarkAndAsciiOnly", "\xef\xbb\xbf# quoted=YES\r\n" + kColumns + "\r\nu\tn\td", true,
                     "n"},
        // One line of each: the 0xE9 byte cannot be UTF-8, so the whole file is Windows-1252 and the two
        // bytes of the UTF-8 é stay two characters.
        EncodingCase{"Mixed", kColumns + "\r\nu\tCaf\xc3\xa9\td\r\nu\tCaf\xe9\td", false, "Caf\xc3\xa9"},
        EncodingCase{"MixedInTheColumnLine", "na\xefve\t" + kColumns + "\r\nu\tCaf\xc3\xa9\td", false,
                     "Caf\xc3\xa9"},
        // Windows-1252 text that happens to be valid UTF-8 throughout ("Ã©" is C3 A9) reads as UTF-8.
        EncodingCase{"Cp1252ThatIsValidUtf8", kColumns + "\r\nu\t\xc3\xa9t\xc3\xa9\td", true, "\xe9t\xe9"},
        EncodingCase{"OverlongIsNotUtf8", kColumns + "\r\nu\t\xc0\xafx\td", false, "\xc0\xafx"},
        EncodingCase{"SurrogateIsNotUtf8", kColumns + "\r\nu\t\xed\xa0\x80x\td", false, "\xed\xa0\x80x"},
        EncodingCase{"CutSequenceAtTheEnd", kColumns + "\r\nu\tx\td\xc3", false, "x"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FeedEncodingTest, UnmappableCharactersAreListedAndAskedAbout) {
    CTempFolder dir;
    const std::string path = dir.File("feed.txt");
    // Ż (U+017B), ó (kept), ł (U+0142) and a CJK character, in two products and two columns.
    WriteBytes(path, kColumns + "\r\nu\tZ\xc3\xb3\xc5\x82w\td\r\n\r\nu\tok\t\xe4\xb8\xad \xc5\xbb\td");

    CYarvelinApp app;
    COtherRecord kept;
    kept.SetField(kColName, "kept");
    app.Document().AddOrReplaceRecord(kept);
    CAnsweringObserver no;
    app.OpenFeed(path, no);
    ASSERT_EQ(no.asked, std::vector<std::string>{path});
    EXPECT_EQ(no.count, 3u);
    ASSERT_EQ(no.listed.size(), 3u);
    EXPECT_EQ(DescribeUnmappable(no.listed[0]), "Product 1, name: '\xc5\x82' (U+0142)");
    EXPECT_EQ(DescribeUnmappable(no.listed[1]), "Product 2, description: '\xe4\xb8\xad' (U+4E2D)");
    EXPECT_EQ(DescribeUnmappable(no.listed[2]), "Product 2, description: '\xc5\xbb' (U+017B)");
    // Refused: the open feed, the recent list and the current file are as they were.
    ASSERT_EQ(app.Document().Count(), 1u);
    EXPECT_EQ(app.Document().At(0).Field(kColName), "kept");
    EXPECT_TRUE(app.RecentFeeds().NonEmpty().empty());
    EXPECT_EQ(app.Document().FileName(), "");

    CAnsweringObserver yes;
    yes.answer = true;
    app.OpenFeed(path, yes);
    ASSERT_EQ(app.Document().Count(), 2u);
    EXPECT_EQ(app.Document().At(0).Field(kColName), "Z\xf3?w");
    EXPECT_EQ(app.Document().At(1).Field(kColDescription), "? ?");

    // The converter asks the same way and writes the converted texts.
    CAnsweringObserver refuse;
    EXPECT_FALSE(ConvertFeedFile(path, dir.File("out.txt"), {}, true, refuse));
    EXPECT_EQ(refuse.asked.size(), 1u);
    EXPECT_FALSE(std::filesystem::exists(dir.File("out.txt")));
    ASSERT_TRUE(ConvertFeedFile(path, dir.File("out.txt"), {}, true, yes));
    EXPECT_EQ(ReadBytes(dir.File("out.txt")), kColumns + "\r\nu\tZ\xf3?w\td\t\t\t\t\r\nu\tok\t? ?\td\t\t\t");
}

TEST(FeedEncodingTest, ListStopsAtItsLengthButCountsEverything) {
    CTempFolder dir;
    const std::string path = dir.File("feed.txt");
    std::string file = kColumns;
    for (int i = 0; i < 30; ++i) {
        file += "\r\n\xe2\x86\x92\t\xe2\x86\x92\t\xe2\x86\x92";  // three arrows (U+2192) a product
    }
    WriteBytes(path, file);
    const FeedEncoding encoding = ScanFeedEncoding(path);
    EXPECT_TRUE(encoding.utf8);
    EXPECT_EQ(encoding.unmappableCount, 90u);
    EXPECT_EQ(encoding.unmappable.size(), FeedEncoding::kListed);
    EXPECT_EQ(encoding.unmappable.back().product, FeedEncoding::kListed / 3 + 1);
    // The wizard's load finds them in its one read of the file and asks with the same list.
    CAnsweringObserver observer;
    CYarvelinApp app;
    app.OpenFeed(path, observer);
    EXPECT_EQ(observer.count, encoding.unmappableCount);
    ASSERT_EQ(observer.listed.size(), encoding.unmappable.size());
    for (std::size_t i = 0; i < observer.listed.size(); ++i) {
        EXPECT_EQ(DescribeUnmappable(observer.listed[i]), DescribeUnmappable(encoding.unmappable[i])) << i;
    }
}

TEST(Utf8ToCp1252Test, EveryCharacterOfTheCodePageMapsExactly) {
    // Every byte of Windows-1252 but the five unassigned ones, written in UTF-8, converts back to itself.
    for (int b = 0x20; b < 0x100; ++b) {
        if (b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D || b == 0x7F) {
            continue;
        }
        const char32_t cp = Cp1252ToCodePoint(static_cast<unsigned char>(b));
        std::string utf8;
        if (cp < 0x80) {
            utf8 += static_cast<char>(cp);
        } else if (cp < 0x800) {
            utf8 += static_cast<char>(0xC0 | (cp >> 6));
            utf8 += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            utf8 += static_cast<char>(0xE0 | (cp >> 12));
            utf8 += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            utf8 += static_cast<char>(0x80 | (cp & 0x3F));
        }
        CUtf8Detector detector;
        EXPECT_TRUE(detector.Feed(utf8)) << b;
        EXPECT_FALSE(detector.LastLineUnmappable()) << b;
        EXPECT_EQ(Utf8ToCp1252(utf8), 0u) << b;
        EXPECT_EQ(utf8, std::string(1, static_cast<char>(b))) << b;
    }
}

struct GuardCase {
    const char* name;
    std::vector<std::string> names;  // one product each
    std::string lines;               // the product lines as written
};

class WrittenFileIsNeverUtf8Test : public ::testing::TestWithParam<GuardCase> {};

// Windows-1252 text can happen to be valid UTF-8 ("\xC3\xA9" is "Ã©"); the file the writer makes from it
// must still read back as it was written.
TEST_P(WrittenFileIsNeverUtf8Test, ReadsBackAsWritten) {
    CTempFolder dir;
    const std::string path = dir.File("feed.txt");
    CFeedDocument doc;
    doc.SetBasicFormat(true);
    for (const std::string& name : GetParam().names) {
        COtherRecord r;
        r.SetField(kColName, name);
        doc.AddOrReplaceRecord(r);
    }
    test::CRecordingObserver observer;
    // quoted=YES, since some of the names hold TABs.
    const FeedHeaderChoices choices{true, false, false, true};
    ASSERT_TRUE(WriteFeedFile(doc, path, choices, observer));
    const std::string bytes = ReadBytes(path);
    EXPECT_EQ(bytes.substr(BuildHeaderBlock(choices).size() + kColumns.size() + 4), GetParam().lines);
    EXPECT_FALSE(ScanFeedEncoding(path).utf8);
    CYarvelinApp app;
    app.OpenFeed(path, observer);
    ASSERT_EQ(app.Document().Count(), doc.Count());
    for (std::size_t i = 0; i < doc.Count(); ++i) {
        EXPECT_EQ(app.Document().At(i).Field(kColName), doc.At(i).Field(kColName)) << i;
    }
    // Converting the written file changes nothing.
    ASSERT_TRUE(ConvertFeedFile(path, dir.File("again.txt"), choices, true, observer));
    EXPECT_EQ(ReadBytes(dir.File("again.txt")), bytes);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WrittenFileIsNeverUtf8Test,
    ::testing::Values(
        GuardCase{"SplitOutsideQuotes", {"\xc3\xa9t\xc3\xa9"}, "\t\xc3\"\"\xa9t\xc3\xa9\t\t\t\t\t"},
        GuardCase{"SplitInsideQuotes", {"a\tb\xe2\x80\x9c"}, "\t\"a\tb\xe2\"\x80\"\x9c\"\t\t\t\t\t"},
        GuardCase{"OnlyTheFirstSequenceIsSplit",
                  {"x", "\xc3\xa9", "\xc3\xa9"},
                  "\tx\t\t\t\t\t\r\n\t\xc3\"\"\xa9\t\t\t\t\t\r\n\t\xc3\xa9\t\t\t\t\t"},
        // A first high byte that cannot be UTF-8 settles it: everything is written as it stands.
        GuardCase{"Cp1252FirstNeedsNothing",
                  {"caf\xe9", "\xc3\xa9"},
                  "\tcaf\xe9\t\t\t\t\t\r\n\t\xc3\xa9\t\t\t\t\t"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace yarvelin

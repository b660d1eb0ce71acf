// The line rules of the feed file: splitting, header values and the quote rule.
#include <gtest/gtest.h>

#include <algorithm>

#include "feed/feed_file.h"
#include "records/other_record.h"

namespace yarvelin {
namespace {

struct SplitCase {
    const char* name;
    std::string line;
    std::vector<std::string> fields;
};

class SplitFeedLineTest : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitFeedLineTest, GivesTheFields) {
    EXPECT_EQ(SplitFeedLine(GetParam().line), GetParam().fields);
    // The record form of the splitter follows the same rules for the first twenty fields.
    COtherRecord record;
    record.SetField(kColCurrency, "stale");
    EXPECT_EQ(SplitFeedLine(GetParam().line, record), GetParam().fields.size());
    for (int k = 0; k < kColumnCount; ++k) {
        const auto expected =
            static_cast<std::size_t>(k) < GetParam().fields.size() ? GetParam().fields[k] : "";
        EXPECT_EQ(record.Field(k), expected) << "column " << k;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rules, SplitFeedLineTest,
    ::testing::Values(SplitCase{"Empty", "", {}}, SplitCase{"OneField", "abc", {"abc"}},
                      SplitCase{"TwoTabsEncloseAnEmptyField", "a\t\tb", {"a", "", "b"}},
                      SplitCase{"TrailingTabGivesNoFieldAfterIt", "a\t", {"a"}},
                      SplitCase{"LoneTabIsOneEmptyField", "\t", {""}},
                      SplitCase{"TwoTrailingTabs", "a\t\t", {"a", ""}},
                      SplitCase{"QuotedTabStaysInTheField", "\"x\ty\"\tz", {"x\ty", "z"}},
                      SplitCase{"QuotesInsideAFieldAreDropped", "ab\"cd\"ef", {"abcdef"}},
                      SplitCase{"TripledQuotesReadBackAsOne", "\"\"\"Big\"\"\" box", {"\"Big\" box"}},
                      SplitCase{"PairOutsideQuotesGivesNothing", "a\"\"b", {"ab"}},
                      SplitCase{"PairInsideQuotesIsOneQuoteAndCloses", "\"a\"\"b\tc\"", {"a\"b", "c"}},
                      SplitCase{"UnclosedQuoteRunsToTheEnd", "\"a\tb", {"a\tb"}},
                      SplitCase{"EmptyQuotedFieldCounts", "a\t\"\"", {"a", ""}},
                      SplitCase{"QuotedTabAtTheEnd", "a\"\t", {"a\t"}},
                      SplitCase{"CarriageReturnIsData", "a\rb\tc", {"a\rb", "c"}},
                      SplitCase{"HighBytesPassUnchanged", "caf\xe9\t\x93q\x94", {"caf\xe9", "\x93q\x94"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SplitFeedLineIntoRecordTest, KeepsTwentyFieldsAndEmptiesMissingOnes) {
    std::string wide;
    for (int k = 0; k < 25; ++k) {
        wide += (k ? "\t" : "") + std::string("f") + std::to_string(k);
    }
    COtherRecord record;
    EXPECT_EQ(SplitFeedLine(wide, record), 25u);
    EXPECT_EQ(record.Field(0), "f0");
    EXPECT_EQ(record.Field(19), "f19");

    EXPECT_EQ(SplitFeedLine("a\tb\tc", record), 3u);
    EXPECT_EQ(record.Field(2), "c");
    for (int k = 3; k < kColumnCount; ++k) {
        EXPECT_EQ(record.Field(k), "") << k;
    }
}

struct HeaderCase {
    const char* name;
    std::string line;
    std::string key;
    std::optional<std::string> value;
};

class ParseHeaderValueTest : public ::testing::TestWithParam<HeaderCase> {};

TEST_P(ParseHeaderValueTest, GivesTheValidatedValue) {
    EXPECT_EQ(ParseHeaderValue(GetParam().line, GetParam().key), GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, ParseHeaderValueTest,
    ::testing::Values(HeaderCase{"Plain", "# quoted=YES", "# quoted", "YES"},
                      HeaderCase{"LowerCaseKeptAsWritten", "#quoted=yes", "#quoted", "yes"},
                      HeaderCase{"BlanksAroundTrimmed", "# quoted =  No \t", "# quoted", "No"},
                      HeaderCase{"ShortForms", "# html_escaped=y", "# html_escaped", "y"},
                      HeaderCase{"Other", "# product_type=other", "# product_type", "other"},
                      HeaderCase{"UnknownWord", "# quoted=maybe", "# quoted", std::nullopt},
                      HeaderCase{"EmptyValue", "# quoted=  ", "# quoted", std::nullopt},
                      HeaderCase{"NoEquals", "# quoted YES", "# quoted", std::nullopt},
                      HeaderCase{"KeyMissing", "# quoted=YES", "#quoted", std::nullopt},
                      HeaderCase{"FirstEqualsCounts", "# quoted=x=YES", "# quoted", std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

struct QuoteCase {
    const char* name;
    std::string text;
    std::string quoted;
    std::string readBack;  // the quoted text through SplitFeedLine
};

class QuoteDescriptiveTextTest : public ::testing::TestWithParam<QuoteCase> {};

TEST_P(QuoteDescriptiveTextTest, AppliesTheQuoteRule) {
    const std::string quoted = QuoteDescriptiveText(GetParam().text);
    EXPECT_EQ(quoted, GetParam().quoted);
    const auto fields = SplitFeedLine(quoted);
    EXPECT_EQ(fields.empty() ? std::string() : fields[0], GetParam().readBack);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, QuoteDescriptiveTextTest,
    ::testing::Values(QuoteCase{"NoQuotes", "plain", "plain", "plain"},
                      QuoteCase{"WordInQuotes", "a \"big\" box", "a \"\"\"big\"\"\" box", "a \"big\" box"},
                      QuoteCase{"QuoteAtTheEnd", "12\"", "12\"\"\"", "12\""},
                      // A pair used to be written as it stood and so read back as nothing.
                      QuoteCase{"PairIsTwoLiteralQuotes", "a\"\"b", "a\"\"\"\"\"\"b", "a\"\"b"},
                      QuoteCase{"ThreeQuotes", "\"\"\"", std::string(9, '"'), "\"\"\""},
                      QuoteCase{"TabIsEnclosed", "a\tb", "\"a\tb\"", "a\tb"},
                      QuoteCase{"QuoteBeforeATabReopens", "a\"b\tc", "\"a\"\"\"b\tc\"", "a\"b\tc"},
                      QuoteCase{"QuoteAfterTheLastTabEndsQuotes", "a\tb\"", "\"a\tb\"\"", "a\tb\""},
                      QuoteCase{"QuotesAroundATab", "\"\t\"", "\"\"\"\"\t\"\"", "\"\t\""},
                      QuoteCase{"OnlyATab", "\t", "\"\t\"", "\t"},
                      QuoteCase{"LineBreaksBecomeBlanks", "a\r\nb\rc\nd\n\r", "a b c d  ", "a b c d  "}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FormatRecordLineTest, EveryColumnReadsBackAsWritten) {
    COtherRecord record;
    for (int k = 0; k < kColumnCount; ++k) {
        record.SetField(k, "\"v" + std::to_string(k) + "\"\t" + std::string(k % 3, '"'));
    }
    const auto fields = SplitFeedLine(FormatRecordLine(record, false));
    ASSERT_EQ(fields.size(), 20u);
    for (int k = 0; k < kColumnCount; ++k) {
        EXPECT_EQ(fields[static_cast<std::size_t>(k)], record.Field(k)) << "column " << k;
    }
}

TEST(FormatRecordLineTest, ValuesWithoutTabsQuotesOrLineBreaksAreWrittenAsTheyStand) {
    COtherRecord record;
    for (int k = 0; k < kColumnCount; ++k) {
        record.SetField(k, "v" + std::to_string(k) + " caf\xe9 \x93x\x94 \x07");
    }
    record.SetField(kColName, "12\" \"box");  // lone quotes in the name are tripled, as they always were
    std::string expected;
    for (int k = 0; k < kColumnCount; ++k) {
        expected +=
            (k ? "\t" : "") + (k == 1 ? std::string("12\"\"\" \"\"\"box") : std::string(record.Field(k)));
    }
    EXPECT_EQ(FormatRecordLine(record, false), expected);
}

TEST(FormatRecordLineTest, CountsValuesWhoseLineBreaksBecomeBlanks) {
    COtherRecord record;
    record.SetField(kColName, "two\r\nlines");
    record.SetField(kColDescription, "a\nb\rc");
    record.SetField(kColBrand, "x\r");
    std::string line;
    EXPECT_EQ(FormatRecordLine(line, record, false), 3u);
    EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos);
    EXPECT_EQ(CountValuesWithLineBreaks(record, true), 2u);  // the brand is not written in the basic format
    line.clear();
    EXPECT_EQ(FormatRecordLine(line, record, true), 2u);
}

TEST(FormatRecordLineTest, BasicFormatHasSevenColumns) {
    COtherRecord record;
    record.SetField(kColOfferId, "A1");
    record.SetField(kColDelete, "Y");
    EXPECT_EQ(BuildColumnLine(true), "product_url\tname\tdescription\tprice\timage_url\tcategory\toffer_id");
    const std::string line = FormatRecordLine(record, true);
    EXPECT_EQ(std::count(line.begin(), line.end(), '\t'), 6);
    EXPECT_EQ(line, "\t\t\t\t\t\tA1");
    const std::string full = FormatRecordLine(record, false);
    EXPECT_EQ(std::count(full.begin(), full.end(), '\t'), 19);
    EXPECT_EQ(SplitFeedLine(full)[18], "Y");
    const std::string columns = BuildColumnLine(false);
    EXPECT_EQ(std::count(columns.begin(), columns.end(), '\t'), 19);
}

}  // namespace
}  // namespace yarvelin

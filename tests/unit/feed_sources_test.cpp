// Google and Meta XML feeds read as rows, their mistakes, sale periods, and files merged into an import by
// key. Whole imports of each form are the case folders walked by cli_import_test.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <optional>

#include "feed_test_support.h"
#include "import/import_error.h"
#include "import/map_file.h"
#include "import/sale_period.h"
#include "import/shop_import.h"
#include "import/xml_feed_reader.h"

namespace yarvelin {
namespace {

using test::CTempFolder;
using test::WriteBytes;

const std::string kRss = "<rss version=\"2.0\" xmlns:g=\"http://base.google.com/ns/1.0\"><channel>";

struct XmlCase {
    const char* name;
    std::string xml;
    std::map<std::string, std::string> first;  // values of the first item by column (Windows-1252)
    long long line;
};

class XmlFeedRows : public ::testing::TestWithParam<XmlCase> {};

TEST_P(XmlFeedRows, GiveEachItemsValuesByName) {
    CTempFolder dir;
    WriteBytes(dir.File("feed.xml"), GetParam().xml);
    CXmlFeedReader reader;
    reader.Open(dir.File("feed.xml"));
    std::vector<std::string> cells;
    ASSERT_TRUE(reader.Next(cells));
    EXPECT_EQ(reader.RowLine(), GetParam().line);
    for (const auto& [name, value] : GetParam().first) {
        const auto& header = reader.Header();
        const auto at = std::find(header.begin(), header.end(), name);
        ASSERT_NE(at, header.end()) << name;
        EXPECT_EQ(cells[static_cast<std::size_t>(at - header.begin())], value) << name;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, XmlFeedRows,
    ::testing::Values(
        XmlCase{"EntitiesCdataAndLayout",
                kRss + "\n<item>\n<g:id> A&amp;1 </g:id><title><![CDATA[<b>x</b>]]> &#233;</title>"
                       "<description>one\n    two</description></item></channel></rss>",
                {{"id", "A&1"}, {"title", "<b>x</b> \xE9"}, {"description", "one two"}},
                2},
        XmlCase{"RepeatedAndNested",
                kRss +
                    "<item><g:id>A</g:id><g:product_type>X</g:product_type><g:product_type>Y</g:product_type>"
                    "<g:shipping><g:country>US</g:country><g:price>4.95 USD</g:price></g:shipping></item>",
                {{"product_type", "X,Y"}, {"shipping", "US:4.95 USD"}},
                1},
        XmlCase{
            "GoogleWinsOverAtom",
            "<feed xmlns=\"http://www.w3.org/2005/Atom\" xmlns:g=\"http://base.google.com/ns/1.0\"><entry>"
            "<g:id>G-1</g:id><id>tag:x,1</id><link rel=\"self\" href=\"s\"/><link href=\"https://a/\"/>"
            "<x:color xmlns:x=\"urn:other\">red</x:color></entry></feed>",
            {{"id", "G-1"}, {"link", "https://a/"}, {"x:color", "red"}, {"color", ""}},
            1},
        XmlCase{"DefaultNamespaceAndDeclaredEntities",
                "<!DOCTYPE rss [<!ENTITY secret SYSTEM \"/etc/hostname\">]>\n<rss><channel>"
                "<item xmlns=\"http://base.google.com/ns/1.0\"><id>D</id><title>a &secret; b</title></item>",
                {{"id", "D"}, {"title", "a  b"}},
                2}),
    [](const auto& info) { return std::string(info.param.name); });

struct XmlMistake {
    const char* name;
    std::string xml;
    const char* message;  // a part of the error's text, which starts with its line
};

class XmlFeedMistakes : public ::testing::TestWithParam<XmlMistake> {};

// A broken feed is refused with its line, wherever the mistake is, and the feed file is left as it was.
TEST_P(XmlFeedMistakes, NameTheirLineAndWriteNothing) {
    CTempFolder dir;
    WriteBytes(dir.File("feed.xml"), GetParam().xml);
    WriteBytes(dir.File("out.txt"), "earlier");
    ImportSettings settings;
    const std::vector<ColumnMap> profiles =
        LoadProfiles(std::string(YARVELIN_FIXTURES) + "/../../resources/Maps");
    settings.map = profiles[static_cast<std::size_t>(FindProfile(profiles, "google"))];
    test::CRecordingObserver observer;
    ImportCounts counts;
    try {
        ImportToFeedFile(dir.File("feed.xml"), dir.File("out.txt"), settings, {}, false, observer, counts);
        FAIL() << "accepted";
    } catch (const CImportError& e) {
        EXPECT_NE(std::string(e.what()).find(GetParam().message), std::string::npos) << e.what();
    }
    EXPECT_EQ(test::ReadBytes(dir.File("out.txt")), "earlier");
}

INSTANTIATE_TEST_SUITE_P(
    Table, XmlFeedMistakes,
    ::testing::Values(
        XmlMistake{
            "MismatchedTag",
            kRss + "\n<item><g:id>A</g:id><link>x</link></item>\n<item><g:id>B</g:id>\n<title>t</item>",
            "line 4: the XML document is broken: Opening and ending tag mismatch"},
        XmlMistake{"UndeclaredPrefix", "<rss><channel>\n<item><g:id>A</g:id></item></channel></rss>",
                   "line 2: the XML document is broken: Namespace prefix g"},
        XmlMistake{"CutOff", kRss + "<item><g:id>A</g:id></item>\n<item><g:id>B</g:id>",
                   "line 2: the XML document is broken"},
        XmlMistake{"NoItem", "<html><body>Not found</body></html>", "holds no <item> or <entry>"}),
    [](const auto& info) { return std::string(info.param.name); });

struct PeriodCase {
    const char* text;
    std::optional<long long> first;
    std::optional<long long> last;
};

class SalePeriods : public ::testing::TestWithParam<PeriodCase> {};

TEST_P(SalePeriods, GiveTheirFirstAndLastDay) {
    const SaleDays days = ReadSalePeriod(GetParam().text);
    EXPECT_EQ(days.first, GetParam().first);
    EXPECT_EQ(days.last, GetParam().last);
}

// 20454 is 2026-01-01, 20485 is 2026-02-01.
INSTANTIATE_TEST_SUITE_P(
    Table, SalePeriods,
    ::testing::Values(PeriodCase{"2026-01-01T00:00+01:00/2026-02-01T00:00+01:00", 20454, 20484},
                      PeriodCase{"2026-01-01T00:00:00Z/2026-02-01T00:00:00.000Z", 20454, 20484},
                      PeriodCase{"2026-01-01T08:00-0800/2026-02-01T13:30-0800", 20454, 20485},
                      PeriodCase{"2026-01-01/2026-02-01", 20454, 20485},
                      PeriodCase{"/2026-02-01T12:00", std::nullopt, 20485},
                      PeriodCase{"2026-01-01", std::nullopt, std::nullopt}));

// A merge file of any form the import reads (here XML) sets what its rows give; its currency is checked
// like the export's, and what it could not use is counted and noted.
TEST(MergeFiles, SetMatchedProductsAndNoteTheRest) {
    CTempFolder dir;
    WriteBytes(dir.File("in.csv"),
               "offer_id,name,price,currency\nA,One,1.00,EUR\nB,Two,2.00,EUR\nC,Three,3,EUR\n");
    WriteBytes(dir.File("prices.xml"),
               kRss +
                   "<item><g:id>A</g:id><g:price>1.50 EUR</g:price></item>\n"
                   "<item><g:id>B</g:id><g:price>9.00 USD</g:price></item>\n"
                   "<item><g:id>Z</g:id><g:price>7 EUR</g:price></item>\n"
                   "<item><g:id>A</g:id><g:price>0.10 EUR</g:price></item></channel></rss>");
    ImportSettings settings;
    settings.map.matchFeedNames = true;
    settings.map.lenient = true;
    settings.merges.push_back({dir.File("prices.xml"), "id", {"price={price}"}, 0});
    std::vector<std::string> made;
    const ImportCounts counts = ReadShopExport(dir.File("in.csv"), settings, [&](COtherRecord& r, long long) {
        made.push_back(std::string(r.Field(kColOfferId)) + "=" + std::string(r.Field(kColPrice)));
    });
    EXPECT_EQ(made, (std::vector<std::string>{"A=1.50", "C=3.00"}));
    ASSERT_EQ(counts.skippedByReason.size(), 1u);
    EXPECT_EQ(counts.skippedByReason[0].first, kCurrencyReason);
    ASSERT_EQ(counts.merges.size(), 1u);
    const MergeCounts& m = counts.merges[0];
    EXPECT_EQ(m.rows, 4);
    EXPECT_EQ(m.matched, 2);
    EXPECT_EQ(MergeReportLines(m), dir.File("prices.xml") + " line 3: the key 'Z' matches no product\n" +
                                       dir.File("prices.xml") +
                                       " line 4: the key 'A' was given before: row not used\n");
}

TEST(MergeFiles, ThatDoNotFitAreRefusedAsMapMistakes) {
    CTempFolder dir;
    WriteBytes(dir.File("in.csv"), "offer_id,name\nA,One\n");
    WriteBytes(dir.File("stock.csv"), "sku,stock\nA,3\n");
    const std::vector<std::pair<MergeFile, const char*>> cases{
        {{dir.File("stock.csv"), "SKU code", {}, 0},
         "no key column 'SKU code'; its columns are 'sku', 'stock'"},
        {{dir.File("stock.csv"), "sku", {}, 0}, "it sets no feed column"},
        {{dir.File("stock.csv"), "sku", {"offer_id={stock}"}, 0}, "a feed column other than offer_id"},
        {{dir.File("stock.csv"), "sku", {"quantity={Stock level}"}, 0}, "'Stock level'"}};
    for (const auto& [file, message] : cases) {
        ImportSettings settings;
        settings.map.matchFeedNames = true;
        settings.merges = {file};
        try {
            ReadShopExport(dir.File("in.csv"), settings, [](COtherRecord&, long long) {});
            ADD_FAILURE() << message << ": accepted";
        } catch (const CImportError& e) {
            EXPECT_EQ(e.GetKind(), CImportError::Kind::kMap) << e.what();
            EXPECT_NE(std::string(e.what()).find(message), std::string::npos) << e.what();
        }
    }
}

}  // namespace
}  // namespace yarvelin

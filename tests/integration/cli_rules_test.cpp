// yarvelin-feed rules, categories and convert --rules, run as a merchant's script would run them.
#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "support/cli_run.h"

namespace {

namespace fs = std::filesystem;
using yarvelin::testing::CliRun;
using yarvelin::testing::ReadBytes;
using yarvelin::testing::RunArgs;
using yarvelin::testing::WriteBytes;

const std::string kColumns =
    "product_url\tname\tdescription\tprice\timage_url\tcategory\toffer_id\tinstock\tshipping\tbrand\tupc\t"
    "color\tsize\tquantity\tproduct_id\tmanufacturer_id\texp_date\tproduct_type\tdelete\tcurrency";

std::string Row(const std::string& offerId, const std::string& price, const std::string& category,
                const std::string& instock = "Y") {
    return "http://s.example.com/p\tLamp " + offerId + "\tdesc\t" + price + "\thttp://s.example.com/i.jpg\t" +
           category + "\t" + offerId + "\t" + instock + "\t2.00\tAcme\t\t\t\t\t\t\t\tOTHER\t\tUSD";
}

const char kRules[] = R"(# test rules
[[rule]]
name = "Out of stock"
action = "exclude"
when = { column = "instock", equals = "N" }

[[rule]]
name = "Ten percent off"
action = "calculate"
column = "price"
multiply = 0.9
round = 2

[[rule]]
action = "map"
[rule.map]
"Home > Lighting" = "Home & Garden > Home Furnishings > Lighting"
)";

class CliRulesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "yarvelin-rules-XXXXXX").string();
        m_dir = ::mkdtemp(pattern.data());
        std::string feed = kColumns;
        for (const std::string& row :
             {Row("A1", "10.00", "Home > Lighting"), Row("A2", "20.00", "Home > Lighting", "N"),
              Row("A3", "on request", "Home > Lighting"), Row("A4", "5", "Shop > Misc")}) {
            feed += "\r\n" + row;
        }
        WriteBytes(File("feed.txt"), feed);
        WriteBytes(File("shop.rules"), kRules);
    }
    void TearDown() override { fs::remove_all(m_dir); }

    CliRun Run(const std::vector<std::string>& args) { return RunArgs(YARVELIN_CLI, args, m_dir); }
    std::string File(const std::string& name) const { return (m_dir / name).string(); }

    fs::path m_dir;
};

TEST_F(CliRulesTest, RulesPrintsEachRulesHitsAndWritesNothing) {
    const auto before = fs::last_write_time(File("feed.txt"));
    const CliRun r = Run({"rules", File("shop.rules"), File("feed.txt")});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              "         1  Out of stock (line 2, exclude)\n"
              "         2  Ten percent off (line 7, calculate)\n"
              "         2  rule 3 (line 14, map)\n"
              "4 products, 1 left out\n");
    EXPECT_EQ(fs::last_write_time(File("feed.txt")), before);

    const CliRun json = Run({"rules", "--json", File("shop.rules"), File("feed.txt")});
    EXPECT_EQ(json.status, 0) << json.err;
    std::istringstream lines(json.out);
    std::string line;
    std::vector<nlohmann::ordered_json> objects;
    while (std::getline(lines, line)) {
        objects.push_back(nlohmann::ordered_json::parse(line));
    }
    ASSERT_EQ(objects.size(), 3u);
    EXPECT_EQ(objects[1].dump(),
              R"({"rule":2,"name":"Ten percent off","line":7,"action":"calculate","hits":2})");
}

TEST_F(CliRulesTest, ConvertWithRulesWritesTheChangedProductsOnly) {
    const CliRun r = Run({"convert", "--rules", File("shop.rules"), File("feed.txt"), File("out.txt")});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string out = ReadBytes(File("out.txt"));
    EXPECT_EQ(out, kColumns + "\r\n" + Row("A1", "9.00", "Home & Garden > Home Furnishings > Lighting") +
                       "\r\n" + Row("A3", "on request", "Home & Garden > Home Furnishings > Lighting") +
                       "\r\n" + Row("A4", "4.50", "Shop > Misc"));
}

// The rules run on what the map made of an export, exactly as on a feed; left-out rows are reported.
TEST_F(CliRulesTest, ImportWithRulesGivesWhatConvertGives) {
    ASSERT_EQ(Run({"export", File("feed.txt"), File("shop.csv"), "--csv"}).status, 0);
    const CliRun r = Run({"import", "--profile", "generic", "--rules", File("shop.rules"), "--report",
                          File("skipped.txt"), File("shop.csv"), File("imported.txt")});
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_EQ(Run({"convert", "--rules", File("shop.rules"), File("feed.txt"), File("converted.txt")}).status,
              0);
    EXPECT_EQ(ReadBytes(File("imported.txt")), ReadBytes(File("converted.txt")));
    EXPECT_NE(ReadBytes(File("skipped.txt")).find("left out by a rule"), std::string::npos)
        << ReadBytes(File("skipped.txt"));
}

struct BadRulesCase {
    const char* command;
    const char* text;
    const char* message;
};

class CliBadRules : public CliRulesTest, public ::testing::WithParamInterface<BadRulesCase> {};

// A mistake in the rules stops the command before the feed is read, and an earlier OUT stays as it was.
TEST_P(CliBadRules, StopBeforeAnyProduct) {
    WriteBytes(File("bad.rules"), GetParam().text);
    WriteBytes(File("out.txt"), "earlier");
    std::vector<std::string> args{GetParam().command};
    if (args[0] == "convert") {
        args.insert(args.end(), {"--rules", File("bad.rules"), File("feed.txt"), File("out.txt")});
    } else if (args[0] == "import") {
        args.insert(args.end(), {"--rules", File("bad.rules"), File("missing.csv"), File("out.txt")});
    } else {
        args.insert(args.end(), {File("bad.rules"), File("feed.txt")});
    }
    const CliRun r = Run(args);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    // Each "@" of the expected text stands for the place prefix: the command, then the rules file.
    std::string expected;
    for (const char* c = GetParam().message; *c != '\0'; ++c) {
        expected += *c == '@' ? "yarvelin-feed " + std::string(GetParam().command) + ": " + File("bad.rules")
                              : std::string(1, *c);
    }
    EXPECT_EQ(r.err.substr(0, expected.size()), expected);
    EXPECT_EQ(ReadBytes(File("out.txt")), "earlier");
}

INSTANTIATE_TEST_SUITE_P(
    Table, CliBadRules,
    ::testing::Values(
        BadRulesCase{"rules",
                     "[[rule]]\naction = \"set\"\ncolumn = \"titel\"\nvalue = \"x\"\n\n[[rule]]\naction = "
                     "\"exclude\"\nwhen = { column = \"name\", matches = \"[\" }\n",
                     "@:3: unknown column titel (columns: product_url, name, description, price, image_url, "
                     "category, offer_id, instock, shipping, brand, upc, color, size, quantity, product_id, "
                     "manufacturer_id, exp_date, product_type, delete, currency)\n"
                     "@:8: the regular expression [ is not valid: missing ]: [\n"},
        BadRulesCase{
            "convert", "[[rule]]\naction = \"calculate\"\ncolumn = \"name\"\nadd = 1\n",
            "@:3: calculate works on the number columns price, shipping and quantity; name holds text\n"},
        BadRulesCase{"convert", "[[rule]\n", "@:1: "},
        BadRulesCase{"import", "[[rule]]\naction = \"drop\"\n", "@:2: "}));

TEST_F(CliRulesTest, CategoriesSuggestAMapThatRulesAccept) {
    const CliRun r = Run({"categories", File("feed.txt")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(
        r.out.find("\"Home > Lighting\" = \"Home & Garden > Home Furnishings > Lighting\"  # 3 products\n"),
        std::string::npos)
        << r.out;
    WriteBytes(File("suggested.rules"), r.out);
    const CliRun check = Run({"rules", File("suggested.rules"), File("feed.txt")});
    EXPECT_EQ(check.status, 0) << check.err;
    EXPECT_EQ(check.out, "         3  Category map (line 5, map)\n4 products, 0 left out\n");
}

// min and max of a file written before at_least and at_most still work, with a warning.
TEST_F(CliRulesTest, OldMinAndMaxWorkWithAWarning) {
    WriteBytes(File("old.rules"), "[[rule]]\naction = \"calculate\"\ncolumn = \"price\"\nmin = 5\n");
    const CliRun r = Run({"convert", "--rules", File("old.rules"), File("feed.txt"), File("out.txt")});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(
        r.err.find("warning: " + File("old.rules") + ":1: min and max of calculate keep their old meaning"),
        std::string::npos)
        << r.err;
}

// A shop export is read as import reads it: the WooCommerce variations count under their parent's most
// specific category, the draft not at all.
TEST_F(CliRulesTest, CategoriesReadAShopExportThroughItsProfile) {
    WriteBytes(File("export.csv"),
               "ID,Type,SKU,Name,Published,Regular price,Categories,Parent\n"
               "1,variable,LAMP,Lamp,1,,\"Home, Home > Lighting\",\n"
               "2,variation,LAMP-S,Lamp S,1,5,,LAMP\n3,variation,LAMP-L,Lamp L,1,9,,LAMP\n"
               "4,simple,OLD,Old lamp,-1,5,Home > Lighting,\n");
    const CliRun r = Run({"categories", File("export.csv"), "--profile", "auto"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(
        r.out.find("\"Home > Lighting\" = \"Home & Garden > Home Furnishings > Lighting\"  # 2 products\n"),
        std::string::npos)
        << r.out;
}

}  // namespace

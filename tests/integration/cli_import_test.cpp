// yarvelin-feed import and export, and "-" for standard input and output, run as a script would run them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "support/cli_run.h"

namespace {

namespace fs = std::filesystem;
using yarvelin::testing::CliRun;
using yarvelin::testing::ReadBytes;
using yarvelin::testing::RunArgs;
using yarvelin::testing::RunShellLine;
using yarvelin::testing::ShellQuote;
using yarvelin::testing::WriteBytes;

const fs::path kCases = fs::path(YARVELIN_FIXTURES) / "import";

class CliImportTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "yarvelin-import-XXXXXX").string();
        m_dir = ::mkdtemp(pattern.data());
    }
    void TearDown() override { fs::remove_all(m_dir); }

    CliRun Run(const std::vector<std::string>& args) { return RunArgs(YARVELIN_CLI, args, m_dir); }
    // A pipeline through sh, standard input taken from the first command's file.
    CliRun Pipe(const std::string& line) { return RunShellLine("/bin/sh", "-c " + ShellQuote(line), m_dir); }
    std::string File(const std::string& name) const { return (m_dir / name).string(); }
    // One round of the random feed round trip below.
    void RoundTripRandomFeed(unsigned seed);

    fs::path m_dir;
};

std::vector<std::string> ReadArgs(const fs::path& file) {
    std::vector<std::string> args;
    std::ifstream in(file);
    for (std::string line; std::getline(in, line);) {
        if (line.rfind('#', 0) != 0) {  // where the export comes from
            args.push_back(line);
        }
    }
    return args;
}

// Each profile's export, made up or the shop system's own sample, imports to its golden feed, which
// validate passes without errors. With
// YARVELIN_UPDATE_GOLDEN set, the golden feeds are written instead (look at the difference before keeping
// it).
TEST_F(CliImportTest, EachProfilesExportImportsToItsGoldenFeed) {
    int cases = 0;
    for (const auto& entry : fs::directory_iterator(kCases)) {
        if (!entry.is_directory()) {
            continue;
        }
        const fs::path dir = entry.path();
        const std::string name = dir.filename().string();
        fs::path input;  // export.csv, export.tsv, export.xml, ...
        for (const auto& file : fs::directory_iterator(dir)) {
            input = file.path().stem() == "export" ? file.path() : input;
        }
        if (!fs::exists(dir / "expected.txt")) {
            continue;  // a folder of another test's cases
        }
        ++cases;
        std::vector<std::string> args{"import", input.string(), File(name + ".txt")};
        for (const std::string& a : ReadArgs(dir / "args")) {
            // A file of the case (a merge file) is named by its name in the folder.
            args.push_back(fs::is_regular_file(dir / a) ? (dir / a).string() : a);
        }
        // A case with an expected report (merge files' unmatched and repeated keys) is run with --report.
        const bool report = fs::exists(dir / "expected-report.txt");
        if (report) {
            args.insert(args.end(), {"--report", File(name + ".report")});
        }
        const CliRun r = Run(args);
        ASSERT_EQ(r.status, 0) << name << ": " << r.err;
        if (report) {
            std::string text = ReadBytes(File(name + ".report"));
            for (std::size_t at; (at = text.find(dir.string() + "/")) != std::string::npos;) {
                text.erase(at, dir.string().size() + 1);
            }
            EXPECT_EQ(text, ReadBytes(dir / "expected-report.txt")) << name;
        }
        const std::string feed = ReadBytes(File(name + ".txt"));
        if (std::getenv("YARVELIN_UPDATE_GOLDEN") != nullptr) {
            WriteBytes(dir / "expected.txt", feed);
        }
        EXPECT_EQ(feed, ReadBytes(dir / "expected.txt")) << name;
        // A case whose export itself lacks what the feed needs names the errors that causes.
        const CliRun v = Run({"validate", File(name + ".txt")});
        if (fs::exists(dir / "validate-errors")) {
            EXPECT_EQ(v.status, 1) << name;
            EXPECT_NE(v.out.find(ReadBytes(dir / "validate-errors")), std::string::npos) << name << ":\n"
                                                                                         << v.out;
            continue;
        }
        EXPECT_EQ(v.status, 0) << name << ":\n" << v.out;
        EXPECT_NE(("\n" + v.out).find("\n0 errors, "), std::string::npos) << name << ":\n" << v.out;
    }
    EXPECT_GE(cases, 15);
}

// The profile is found from the header line, and a map saved from a run gives the same feed again.
TEST_F(CliImportTest, DetectedProfileAndSavedMapGiveTheSameFeed) {
    const std::string shopify = (kCases / "shopify" / "export.csv").string();
    CliRun r = Run({"import", shopify, File("auto.txt"), "--base-url", "https://northwind.example",
                    "--currency", "EUR", "--save-map", File("map.toml")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadBytes(File("auto.txt")), ReadBytes(kCases / "shopify" / "expected.txt"));
    r = Run({"import", shopify, File("again.txt"), "--map-file", File("map.toml"), "--base-url",
             "https://northwind.example", "--currency", "EUR"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadBytes(File("again.txt")), ReadBytes(File("auto.txt")));
}

TEST_F(CliImportTest, SkippedRowsAreReportedWithTheirLines) {
    WriteBytes(File("in.csv"), "offer_id,name\nA,one\n,two\nB,three\n");
    const CliRun r = Run({"import", File("in.csv"), File("out.txt"), "--report", File("report.txt")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadBytes(File("report.txt")), "line 3: no offer id: the offer_id template gave nothing\n");
}

struct Refusal {
    const char* name;
    std::string csv;
    std::vector<std::string> options;
    int status;
    const char* message;  // a part of standard error
};

class CliImportRefusals : public CliImportTest, public ::testing::WithParamInterface<Refusal> {};

// A refused import exits with its status, says why, and leaves an earlier output file as it was.
TEST_P(CliImportRefusals, ExitWithTheirStatusAndWriteNothing) {
    const Refusal& c = GetParam();
    WriteBytes(File("in.csv"), c.csv);
    WriteBytes(File("out.txt"), "earlier");
    std::vector<std::string> args{"import", File("in.csv"), File("out.txt")};
    args.insert(args.end(), c.options.begin(), c.options.end());
    const CliRun r = Run(args);
    EXPECT_EQ(r.status, c.status) << r.err;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    EXPECT_EQ(r.err.rfind("yarvelin-feed import: ", 0), 0u) << r.err;
    EXPECT_EQ(ReadBytes(File("out.txt")), "earlier");
}

INSTANTIATE_TEST_SUITE_P(
    Table, CliImportRefusals,
    ::testing::Values(
        Refusal{"ragged", "offer_id,name\nA\n", {}, 1, "in.csv: line 2: the row has 1 values"},
        Refusal{"unclosed", "offer_id,name\nA,\"x\n", {}, 1, "line 2: a quoted value"},
        Refusal{"empty", "", {}, 1, "the file is empty"},
        Refusal{
            "unmappable", "sku,title\nA,x\n", {}, 1, "line 1: no column of the header line can be mapped"},
        Refusal{
            "unknown_column",
            "SKU,Title\nA,x\n",
            {"--map", "offer_id={Sku Code}"},
            2,
            "names the column 'Sku Code', which the export does not have; its columns are 'SKU', 'Title'"},
        Refusal{
            "unknown_feed_column", "offer_id\nA\n", {"--map", "offerid=x"}, 2, "one of the 20 feed columns"},
        Refusal{"base_missing",
                "Handle,Title,Body (HTML),Variant SKU,Variant Price\nh,T,,S,1\n",
                {},
                2,
                "--base-url"},
        Refusal{"unknown_profile", "offer_id\nA\n", {"--profile", "ebay"}, 2, "no profile 'ebay'"},
        Refusal{
            "nothing_sold",
            "Handle,Title,Body (HTML),Variant SKU,Variant Price,Status\nh,T,,S,1,draft\n",
            {"--base-url", "https://s.example"},
            1,
            "was left as it was (profile shopify, detected from the header line)\n1 rows read, 0 products "
            "made, 1 rows skipped (not active: 1)\n"},
        Refusal{"no_profile_matched",
                "offer_id,name\n,x\n",
                {},
                1,
                "(profile generic, no profile matched the header line; woocommerce lacks 'Type', 'SKU'"}),
    [](const auto& info) { return std::string(info.param.name); });

// Random feeds written out with export --csv and read back with the generic profile are the same feed, in
// fifteen rounds (a failure names its seed). Feed values hold no line breaks (the writer makes them blanks);
// line breaks inside quoted CSV values are the CSV reading table's.
TEST_F(CliImportTest, ExportedCsvImportsBackToTheSameFeed) {
    const unsigned base = std::random_device{}();
    for (unsigned round = 0; round < 15; ++round) {
        RoundTripRandomFeed(base + round);
    }
}

void CliImportTest::RoundTripRandomFeed(unsigned seed) {
    std::mt19937 random(seed);
    const std::string alphabet =
        std::string("ab Z09,;.|{}\"\t\\-<>&") + "\x80\x81\x8D\x9F\xA0\xE9\xFF\xC3\xA9";
    auto text = [&](int maxLength) {
        std::string s;
        const int length = std::uniform_int_distribution<int>(0, maxLength)(random);
        for (int i = 0; i < length; ++i) {
            s += alphabet[std::uniform_int_distribution<std::size_t>(0, alphabet.size() - 1)(random)];
        }
        return s;
    };
    const char* const columns =
        "product_url\tname\tdescription\tprice\timage_url\tcategory\toffer_"
        "id\tinstock\tshipping\tbrand\tupc\t"
        "color\tsize\tquantity\tproduct_id\tmanufacturer_id\texp_date\tproduct_type\tdelete\tcurrency";
    std::string feed = columns;
    for (int product = 0; product < 60; ++product) {
        feed += "\r\n";
        for (int k = 0; k < 20; ++k) {
            std::string value;
            if (k == 3 || k == 8) {
                const int kind = std::uniform_int_distribution<int>(0, 2)(random);
                value = kind == 0 ? "" : kind == 1 ? std::to_string(product) + ".25" : "ask us";
            } else if (k == 6) {
                value = "id" + std::to_string(product) + text(4);
            } else {
                value = text(12);
            }
            // Written as the writer writes a value: quotes around a TAB, a literal quote tripled.
            std::string field;
            for (char c : value) {
                field += c == '"' ? std::string("\"\"\"") : std::string(1, c);
            }
            feed +=
                (k > 0 ? "\t" : "") + (value.find('\t') != std::string::npos ? "\"" + field + "\"" : field);
        }
    }
    WriteBytes(File("feed.txt"),
               "# html_escaped=NO\r\n# updates_only=NO\r\n# product_type=OTHER\r\n# quoted=YES\r\n" + feed);
    ASSERT_EQ(Run({"convert", File("feed.txt"), File("expected.txt"), "--headers", "--quoted"}).status, 0)
        << "seed " << seed;
    CliRun r = Run({"export", File("feed.txt"), File("feed.csv"), "--csv"});
    ASSERT_EQ(r.status, 0) << "seed " << seed << ": " << r.err;
    r = Run({"import", File("feed.csv"), File("back.txt"), "--profile", "generic", "--headers", "--quoted"});
    ASSERT_EQ(r.status, 0) << "seed " << seed << ": " << r.err;
    EXPECT_EQ(ReadBytes(File("back.txt")), ReadBytes(File("expected.txt"))) << "seed " << seed;
}

// "-" is standard input and output wherever a command reads or writes a file.
TEST_F(CliImportTest, DashIsStandardInputAndOutput) {
    const std::string cli = ShellQuote(YARVELIN_CLI);
    WriteBytes(File("in.csv"), "offer_id;name;price\nA;One;1,5\n");
    CliRun r = Pipe("cat " + ShellQuote(File("in.csv")) + " | " + cli + " import - - | " + cli +
                    " convert - - | " + cli + " clean - - --basic --newlines remove --special escape | tee " +
                    ShellQuote(File("feed.txt")) + " | " + cli + " export - - --jsonl");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadBytes(File("feed.txt")),
              "product_url\tname\tdescription\tprice\timage_url\tcategory\toffer_id\r\n\tOne\t\t1.50\t\t\tA");
    EXPECT_NE(r.out.find("\"offer_id\":\"A\""), std::string::npos) << r.out;
    r = Pipe("cat " + ShellQuote(File("feed.txt")) + " | " + cli + " validate -");
    EXPECT_EQ(r.status, 1) << r.out;  // the required values are missing
    EXPECT_NE(r.out.find("errors"), std::string::npos) << r.out;
}

struct SheetRefusal {
    const char* file;  // in fixtures/sheets-bad, or a case of fixtures/import
    std::vector<std::string> options;
    const char* message;  // a part of standard error
};

class CliImportSheetRefusals : public CliImportTest, public ::testing::WithParamInterface<SheetRefusal> {};

// A broken spreadsheet, a zip bomb or a sheet that is not there: the message names the sheet and cell where
// there is one, and an earlier output file stays as it was.
TEST_P(CliImportSheetRefusals, SayWhyAndWriteNothing) {
    const SheetRefusal& c = GetParam();
    const fs::path bad = fs::path(YARVELIN_FIXTURES) / "sheets-bad" / c.file;
    WriteBytes(File("out.txt"), "earlier");
    std::vector<std::string> args{"import", (fs::exists(bad) ? bad : kCases / c.file).string(),
                                  File("out.txt"), "--profile", "generic"};
    args.insert(args.end(), c.options.begin(), c.options.end());
    const CliRun r = Run(args);
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    EXPECT_EQ(ReadBytes(File("out.txt")), "earlier");
}

INSTANTIATE_TEST_SUITE_P(
    Table, CliImportSheetRefusals,
    ::testing::Values(
        SheetRefusal{"not-a-number.xlsx", {}, "not-a-number.xlsx: Products!B2: '12,5' is no number"},
        SheetRefusal{"no-shared-string.xlsx", {}, "Products!A2: the shared string '7' does not exist"},
        SheetRefusal{"broken-xml.ods", {}, "Sheet1!A1: content.xml line 1, column 712: Opening"},
        SheetRefusal{"bomb.xlsx", {}, "the archive is refused as a zip bomb"},
        SheetRefusal{"no-sheet.zip", {}, "a zip archive, but no spreadsheet (.xlsx or .ods)"},
        SheetRefusal{"values-ods/export.ods",
                     {"--sheet", "Prices"},
                     "no sheet 'Prices' (its sheets: 'Notes', 'Products')"}));

}  // namespace

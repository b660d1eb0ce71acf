// yarvelin-feed validate, run as a script would run it: text blocks, JSON Lines and exit statuses.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "checks/diagnostics_report.h"
#include "checks/feed_diagnosis.h"
#include "checks/feed_diagnostics.h"
#include "feed/feed_file_observer.h"
#include "import/csv_reader.h"
#include "records/cp1252_text.h"
#include "records/text_util.h"
#include "support/cli_run.h"

namespace {

namespace fs = std::filesystem;
using yarvelin::testing::CliRun;
using yarvelin::testing::ReadBytes;
using yarvelin::testing::RunArgs;
using yarvelin::testing::ShellQuote;
using yarvelin::testing::WriteBytes;

const std::string kColumns =
    "product_url\tname\tdescription\tprice\timage_url\tcategory\toffer_id\tinstock\tshipping\tbrand\tupc\t"
    "color\tsize\tquantity\tproduct_id\tmanufacturer_id\texp_date\tproduct_type\tdelete\tcurrency";

// Each offer its own UPC-A: one UPC on two offers is a finding of its own.
std::string UpcFor(const std::string& offerId) {
    const std::string body = yarvelin::Format("036%08zu", std::hash<std::string>{}(offerId) % 100000000);
    for (char c = '0'; c <= '9'; ++c) {
        if (yarvelin::HasValidGtinCheckDigit(body + c)) {
            return body + c;
        }
    }
    return body;
}

// A clean product; price and the delete mark can be changed.
std::string Row(const std::string& offerId, const std::string& price = "1.50", const std::string& del = "",
                const std::string& name = "Lamp") {
    return "http://s.example.com/p\t" + name + "\tdesc\t" + price +
           "\thttp://s.example.com/i.jpg\tFlowers > Roses\t" + offerId + "\tY\t2.00\tAcme\t" +
           UpcFor(offerId) + "\t\t\t\tP1\tM1\t\tOTHER\t" + del + "\tUSD";
}

class CliValidateTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "yarvelin-validate-XXXXXX").string();
        m_dir = ::mkdtemp(pattern.data());
    }
    void TearDown() override { fs::remove_all(m_dir); }

    CliRun Run(std::vector<std::string> args) {
        args.insert(args.begin(), "validate");
        return RunArgs(YARVELIN_CLI, args, m_dir);
    }
    std::string File(const std::string& name) const { return (m_dir / name).string(); }
    std::string Feed(const std::vector<std::string>& rows) {
        std::string bytes = kColumns;
        for (const auto& r : rows) {
            bytes += "\r\n" + r;
        }
        WriteBytes(File("feed.txt"), bytes);
        return File("feed.txt");
    }

    fs::path m_dir;
};

TEST_F(CliValidateTest, ExitStatusFollowsErrorsNotWarnings) {
    struct Case {
        const char* label;
        std::vector<std::string> rows;
        int status;
        const char* summary;
    };
    const Case cases[] = {
        {"clean", {Row("A"), Row("B")}, 0, "0 errors, 0 warnings, 0 notes in 2 products\n"},
        {"note only", {Row("A", "1.50", "Y")}, 0, "0 errors, 0 warnings, 1 notes in 1 products\n"},
        {"error", {Row("A"), Row("a")}, 1, "1 errors, 0 warnings, 0 notes in 2 products\n"},
        {"column line only", {}, 0, "0 errors, 0 warnings, 0 notes in 0 products\n"},
    };
    for (const Case& c : cases) {
        const CliRun r = Run({Feed(c.rows)});
        EXPECT_EQ(r.status, c.status) << c.label << "\n" << r.out << r.err;
        EXPECT_TRUE(
            r.out.size() >= std::string(c.summary).size() &&
            r.out.compare(r.out.size() - std::string(c.summary).size(), std::string::npos, c.summary) == 0)
            << c.label << ": " << r.out;
        EXPECT_EQ(r.err, "") << c.label;
    }
}

TEST_F(CliValidateTest, TextBlocksListTheFirstRowsOfEachCode) {
    std::vector<std::string> rows;
    for (int i = 0; i < 4; ++i) {
        rows.push_back(Row("P" + std::to_string(i), "1,5" + std::to_string(i)));
    }
    rows.push_back(Row("D", "2.00", "Y"));
    const CliRun r = Run({Feed(rows), "--max-per-code", "2"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out,
              "price-invalid (error): 4\n"
              "  row 1 (line 2), offer id P0, column price: The price \"1,50\" is not a plain number such as "
              "12.50 (digits, a decimal point, at most two decimals).\n"
              "  row 2 (line 3), offer id P1, column price: The price \"1,51\" is not a plain number such as "
              "12.50 (digits, a decimal point, at most two decimals).\n"
              "  ... and 2 more\n\n"
              "marked-deleted (info): 1\n"
              "  row 5 (line 6), offer id D, column delete: The product is marked for removal; the service "
              "deletes this offer.\n\n"
              "4 errors, 0 warnings, 1 notes in 5 products\n");
}

TEST_F(CliValidateTest, JsonLinesHoldExactlyTheKeysInUtf8) {
    // A Windows-1252 name with a tag, a curly quote and a byte the code page leaves free; a line with one
    // field too many; the header block, so line numbers and rows differ.
    const std::string feed = "# html_escaped=NO\r\n" + kColumns + "\r\n" +
                             Row("\x93Q\x94", "1.50", "", "Caf\xE9 <B>bold</B> \x81") + "\r\n" + Row("Z") +
                             "\textra";
    WriteBytes(File("feed.txt"), feed);
    const CliRun r = Run({File("feed.txt"), "--json"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "");
    std::vector<nlohmann::json> lines;
    std::istringstream in(r.out);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(nlohmann::json::parse(line));  // throws (and fails) on invalid JSON or UTF-8
    }
    ASSERT_EQ(lines.size(), 2u) << r.out;
    const nlohmann::json& html = lines[0];
    EXPECT_EQ(html.size(), 7u);
    EXPECT_EQ(html["code"], "html-in-text");
    EXPECT_EQ(html["severity"], "warning");
    EXPECT_EQ(html["row"], 1);
    EXPECT_EQ(html["line"], 3);
    EXPECT_EQ(html["offer_id"], "\xE2\x80\x9CQ\xE2\x80\x9D");
    EXPECT_EQ(html["column"], "name");
    const nlohmann::json& columns = lines[1];
    EXPECT_EQ(columns["code"], "column-count");
    EXPECT_EQ(columns["severity"], "error");
    EXPECT_EQ(columns["row"], 2);
    EXPECT_EQ(columns["line"], 4);
    EXPECT_TRUE(columns["column"].is_null());
    // Key order as documented.
    EXPECT_EQ(r.out.substr(0, r.out.find('\n')).rfind("{\"code\":", 0), 0u);
}

TEST_F(CliValidateTest, SavedFindingsHoldWhatJsonLinesHold) {
    // The diagnostics window's saved CSV, read back, against validate --json over the same file: the same
    // keys in the same order, and per finding the same values (null as an empty value).
    const std::string feed = "# html_escaped=NO\r\n" + kColumns + "\r\n" +
                             Row("\x93Q,1\x94", "1,50", "", "Caf\xE9 <B>bold</B>") + "\r\n" +
                             Row("Z", "2.00", "Y") + "\textra\r\n" + Row("\x93q,1\x94");
    WriteBytes(File("feed.txt"), feed);
    const CliRun r = Run({File("feed.txt"), "--json"});
    ASSERT_EQ(r.status, 1) << r.err;
    struct : yarvelin::CFeedFileObserver {
        void ShowFileError(const std::string& text) override { ADD_FAILURE() << text; }
        void ShowFormatError() override { ADD_FAILURE(); }
    } observer;
    const yarvelin::FeedDiagnosis diagnosis =
        yarvelin::DiagnoseFile(File("feed.txt"), {}, yarvelin::CurrentLocalDateTime(), observer);
    ASSERT_TRUE(yarvelin::SaveFindingsCsv(File("findings.csv"), diagnosis.findings, observer));

    yarvelin::CCsvReader csv;
    csv.Open(File("findings.csv"), ',');
    std::istringstream json(r.out);
    std::string line;
    std::vector<std::string> cells;
    std::size_t rows = 0;
    while (std::getline(json, line)) {
        const nlohmann::ordered_json finding = nlohmann::ordered_json::parse(line);
        ASSERT_TRUE(csv.Next(cells)) << "missing CSV row for " << line;
        ++rows;
        std::vector<std::string> keys;
        for (const auto& [key, value] : finding.items()) {
            keys.push_back(key);
            const std::size_t k = keys.size() - 1;
            ASSERT_LT(k, cells.size());
            const std::string expected = value.is_null()     ? ""
                                         : value.is_string() ? value.get<std::string>()
                                                             : value.dump();
            // The reader gives Windows-1252, as for any export it reads.
            EXPECT_EQ(yarvelin::Cp1252ToUtf8(cells[k]), expected) << key << " of " << line;
        }
        EXPECT_EQ(keys, csv.Header());
    }
    EXPECT_FALSE(csv.Next(cells));
    EXPECT_GE(rows, 4u) << r.out;
}

TEST_F(CliValidateTest, Utf8FeedIsReadAsTheOtherCommandsReadIt) {
    // The offer id holds a character Windows-1252 cannot hold, so the file is refused unless
    // --replace-unmappable is given; then that character is read as '?'.
    Feed({Row("A\xC5\x81", "1.50", "", "Caf\xC3\xA9 <B>x</B>")});
    const CliRun refused = Run({File("feed.txt")});
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("U+0141"), std::string::npos) << refused.err;
    const CliRun r = Run({File("feed.txt"), "--json", "--replace-unmappable"});
    EXPECT_EQ(r.status, 0) << r.err;
    const nlohmann::json html = nlohmann::json::parse(r.out.substr(0, r.out.find('\n')));
    EXPECT_EQ(html["code"], "html-in-text");
    EXPECT_EQ(html["offer_id"], "A?");
}

TEST_F(CliValidateTest, UnreadableFileAndUsageErrors) {
    struct Case {
        std::vector<std::string> args;
        int status;
    };
    const Case cases[] = {
        {{File("missing.txt")}, 1},
        {{}, 2},
        {{File("missing.txt"), "--max-per-code", "-1"}, 2},
        {{File("missing.txt"), "--max-per-code", "x"}, 2},
        {{File("missing.txt"), "--bogus"}, 2},
    };
    for (const Case& c : cases) {
        const CliRun r = Run(c.args);
        EXPECT_EQ(r.status, c.status) << r.err;
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err.rfind("yarvelin-feed validate: ", 0), 0u) << r.err;
    }
    WriteBytes(File("empty.txt"), "");
    EXPECT_EQ(Run({File("empty.txt")}).status, 1);
}

}  // namespace

// yarvelin-feed diff, run as a script would run it: the text and JSON forms, the snapshot as OLD, the
// partial update, and diff(1)'s exit statuses.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "changes/snapshot_store.h"
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

std::string Row(const std::string& id, const std::string& price, const std::string& name = "Lamp",
                const std::string& upc = "") {
    return "http://s.example.com/p\t" + name + "\tdesc\t" + price + "\thttp://s.example.com/i.jpg\tHome\t" +
           id + "\tY\t\tAcme\t" + upc + "\t\t\t\t\t\t\tOTHER\t\tUSD";
}

class CliDiffTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "yarvelin-diff-XXXXXX").string();
        m_dir = ::mkdtemp(pattern.data());
        Feed("old.txt", {Row("A", "1.00"), Row("B", "2.00", "Vase", "111"), Row("C", "3.00")});
        Feed("new.txt", {Row("B", "2.50", "Vase \xE9t\xE9", "111"), Row("A", "1.00"), Row("D", "4.00")});
    }
    void TearDown() override { fs::remove_all(m_dir); }

    std::string File(const std::string& name) const { return (m_dir / name).string(); }
    void Feed(const std::string& name, const std::vector<std::string>& rows) {
        std::string bytes = kColumns;
        for (const auto& r : rows) {
            bytes += "\r\n" + r;
        }
        WriteBytes(File(name), bytes);
    }
    CliRun Run(std::vector<std::string> args) {
        args.insert(args.begin(), "diff");
        return RunArgs(YARVELIN_CLI, args, m_dir);
    }

    fs::path m_dir;
};

TEST_F(CliDiffTest, TextAndStatuses) {
    struct Case {
        const char* label;
        std::vector<std::string> args;
        int status;
        std::string out;
    };
    const Case cases[] = {
        {"same", {"old.txt", "old.txt"}, 0, "0 added, 0 removed, 0 changed\n"},
        {"different",
         {"old.txt", "new.txt"},
         1,
         "1 added, 1 removed, 1 changed (name 1, price 1)\n"
         "~ B: name Vase -> Vase \xC3\xA9t\xC3\xA9; price 2.00 -> 2.50\n+ D\n- C\n"},
        {"ignored columns",
         {"--ignore", "name,price", "old.txt", "new.txt"},
         1,
         "1 added, 1 removed, 0 changed\n+ D\n- C\n"},
        // Two products of each feed share the empty UPC: they are matched in file order, so D follows C.
        {"other key",
         {"--key", "upc", "old.txt", "new.txt"},
         1,
         "0 added, 0 removed, 2 changed (name 1, price 2, offer_id 1)\n"
         "~ 111: name Vase -> Vase \xC3\xA9t\xC3\xA9; price 2.00 -> 2.50\n~ : price 3.00 -> 4.00; offer_id C "
         "-> D\n"},
        {"missing file", {"old.txt", "nowhere.txt"}, 2, ""},
        {"unknown key", {"--key", "sku", "old.txt", "new.txt"}, 2, ""},
        {"delta with another key", {"--key", "upc", "--delta", "d.txt", "old.txt", "new.txt"}, 2, ""},
        {"no snapshot", {"last:ftp.example.com/none.txt", "new.txt"}, 2, ""},
        {"no name", {"last:ftp.example.com", "new.txt"}, 2, ""},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args;
        for (const std::string& a : c.args) {
            args.push_back(a.find(".txt") != std::string::npos && a.rfind("last:", 0) != 0 ? File(a) : a);
        }
        const CliRun r = Run(args);
        EXPECT_EQ(r.status, c.status) << c.label << "\n" << r.err;
        EXPECT_EQ(r.out, c.out) << c.label;
        EXPECT_EQ(r.err.empty(), c.status != 2) << c.label << ": " << r.err;
    }
}

TEST_F(CliDiffTest, JsonLinesNameEveryColumnOldAndNew) {
    const CliRun r = Run({"--json", File("old.txt"), File("new.txt")});
    ASSERT_EQ(r.status, 1) << r.err;
    std::vector<nlohmann::json> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = r.out.find('\n', start)) != std::string::npos; start = end + 1) {
        lines.push_back(nlohmann::json::parse(r.out.substr(start, end - start)));
    }
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], nlohmann::json::parse(R"({"key":"B","kind":"changed","columns":{
        "name":{"old":"Vase","new":"Vase \u00e9t\u00e9"},"price":{"old":"2.00","new":"2.50"}}})"));
    EXPECT_EQ(lines[1]["kind"], "added");
    EXPECT_EQ(lines[1]["columns"]["price"], nlohmann::json::parse(R"({"old":null,"new":"4.00"})"));
    EXPECT_EQ(lines[2]["kind"], "removed");
    EXPECT_EQ(lines[2]["columns"]["offer_id"], nlohmann::json::parse(R"({"old":"C","new":null})"));
}

TEST_F(CliDiffTest, TheNewestSnapshotAndThePartialUpdate) {
    const char* state = std::getenv("XDG_STATE_HOME");
    ASSERT_NE(state, nullptr);
    yarvelin::CSnapshotStore store;
    ASSERT_TRUE(store.Remember("FTP.example.com", "shop.txt", File("new.txt"), {0, 1, 3, 0, false}));
    ASSERT_TRUE(store.Remember("FTP.example.com", "shop.txt", File("old.txt"), {0, 2, 3, 0, false}));

    const CliRun r = Run({"--delta", File("delta.txt"), "last:ftp.example.com/shop.txt", File("new.txt")});
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_EQ(r.out.substr(0, r.out.find('\n')), "1 added, 1 removed, 1 changed (name 1, price 1)");
    std::string c = Row("C", "3.00");
    c.replace(c.rfind("\t\tUSD"), 5, "\tY\tUSD");
    EXPECT_EQ(ReadBytes(File("delta.txt")),
              "# html_escaped=NO\r\n# updates_only=YES\r\n# product_type=OTHER\r\n# quoted=NO\r\n" +
                  kColumns + "\r\n" + Row("B", "2.50", "Vase \xE9t\xE9", "111") + "\r\n" + Row("D", "4.00") +
                  "\r\n" + c);
}

}  // namespace

// yarvelin-feed info and convert, run as a script would run them.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/cli_run.h"

namespace {

namespace fs = std::filesystem;
using yarvelin::testing::CliRun;
using yarvelin::testing::ReadBytes;
using yarvelin::testing::RunArgs;
using yarvelin::testing::ShellQuote;
using yarvelin::testing::WriteBytes;

class CliFeedTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "yarvelin-cli-XXXXXX").string();
        m_dir = ::mkdtemp(pattern.data());
    }
    void TearDown() override { fs::remove_all(m_dir); }

    CliRun Run(const std::vector<std::string>& args) { return RunArgs(YARVELIN_CLI, args, m_dir); }
    std::string File(const std::string& name) const { return (m_dir / name).string(); }

    fs::path m_dir;
};

const std::string kColumns =
    "product_url\tname\tdescription\tprice\timage_url\tcategory\toffer_"
    "id\tinstock\tshipping\tbrand\tupc\tcolor\t"
    "size\tquantity\tproduct_id\tmanufacturer_id\texp_date\tproduct_type\tdelete\tcurrency";

std::string Row(const std::string& offerId, const std::string& name, const std::string& del = "") {
    return "http://s/p\t" + name + "\tdesc\t1.50\thttp://s/i.jpg\tA > B\t" + offerId +
           "\tY\t2.00\tAcme\t123\tred\tM\t\tP1\tM1\t\tOTHER\t" + del + "\tUSD";
}

TEST_F(CliFeedTest, InfoPrintsHeadersAndSummary) {
    WriteBytes(File("in.txt"),
               "# html_escaped=NO\r\n#updates_only=yes\r\n# product_type=OTHER\r\n# quoted=YES\r\n" +
                   kColumns + "\r\n" + Row("A1", "One") + "\r\n" + Row("A2", "Two", "Y"));
    const CliRun r = Run({"info", File("in.txt")});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    for (const char* line :
         {"html_escaped: NO\n", "updates_only: yes\n", "product_type: OTHER\n", "quoted: YES\n",
          "Quorvin Account: \n", "Feed Update Type: PARTIAL-UPDATE\n", "File Name: in.txt\n",
          "Product Type: OTHERS (Generic Product)\n", "Number of Products: 2\n", "Product URL: 0 verified\n",
          "Offer IDs: Verified\n", "Marked for removal: 1\n"}) {
        EXPECT_NE(r.out.find(line), std::string::npos) << line << " missing in\n" << r.out;
    }
}

TEST_F(CliFeedTest, ConvertKeepsTheWritersOwnBytes) {
    const std::string bytes =
        kColumns + "\r\n" + Row("A1", "A \"\"\"big\"\"\" box") + "\r\n" + Row("A2", "Two");
    WriteBytes(File("in.txt"), bytes);
    const CliRun r = Run({"convert", File("in.txt"), File("out.txt")});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadBytes(File("out.txt")), bytes);
    // Converting a file onto itself is safe: it is replaced only once the new one is complete.
    EXPECT_EQ(Run({"convert", File("in.txt"), File("in.txt")}).status, 0);
    EXPECT_EQ(ReadBytes(File("in.txt")), bytes);
}

TEST_F(CliFeedTest, ConvertChoices) {
    WriteBytes(File("in.txt"), kColumns + "\n" + Row("A1", "One") + "\n");
    CliRun r =
        Run({"convert", File("in.txt"), File("out.txt"), "--headers", "--partial", "--quoted", "--basic"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadBytes(File("out.txt")),
              "# html_escaped=NO\r\n# updates_only=YES\r\n# product_type=OTHER\r\n# quoted=YES\r\n"
              "product_url\tname\tdescription\tprice\timage_url\tcategory\toffer_id\r\n"
              "http://s/p\tOne\tdesc\t1.50\thttp://s/i.jpg\tA > B\tA1");
    r = Run({"convert", File("in.txt"), File("out.txt"), "--headers", "--html-escaped"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadBytes(File("out.txt")).substr(0, 39), "# html_escaped=YES\r\n# updates_only=NO\r\n");

    // A value with a TAB is carried between quotes, so the file must say quoted=YES even when not asked to.
    WriteBytes(File("tab.txt"), kColumns + "\r\n" + Row("A1", "\"Desk\tTray\""));
    r = Run({"convert", File("tab.txt"), File("out.txt"), "--headers"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadBytes(File("out.txt")).substr(0, 74),
              "# html_escaped=NO\r\n# updates_only=NO\r\n# product_type=OTHER\r\n# quoted=YES\r\n");
    EXPECT_NE(r.err.find("convert: 1 value(s) held a TAB"), std::string::npos) << r.err;
}

struct FailureCase {
    const char* name;
    std::vector<std::string> args;  // "@" stands for the test folder
    int status;
    std::string err;  // expected start of standard error, "@" for the folder
};

class CliFeedFailureTest : public CliFeedTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(CliFeedFailureTest, ReportsAndExits) {
    WriteBytes(File("empty.txt"), "");
    WriteBytes(File("good.txt"), kColumns);
    WriteBytes(File("old.txt"), "old");
    const auto expand = [this](std::string s) {
        for (auto at = s.find('@'); at != std::string::npos; at = s.find('@', at + m_dir.string().size())) {
            s.replace(at, 1, m_dir.string());
        }
        return s;
    };
    std::vector<std::string> args;
    for (const auto& a : GetParam().args) {
        args.push_back(expand(a));
    }
    const CliRun r = Run(args);
    EXPECT_EQ(r.status, GetParam().status) << r.err;
    EXPECT_EQ(r.err.substr(0, expand(GetParam().err).size()), expand(GetParam().err));
    EXPECT_EQ(ReadBytes(File("old.txt")), "old");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CliFeedFailureTest,
    ::testing::Values(
        FailureCase{"MissingInput",
                    {"convert", "@/none.txt", "@/old.txt"},
                    1,
                    "yarvelin-feed convert: @/none.txt was not found.\n"},
        FailureCase{"EmptyInput",
                    {"convert", "@/empty.txt", "@/old.txt"},
                    1,
                    "yarvelin-feed convert: File is corrupt or it is of a different format\n"},
        FailureCase{"InfoOfEmptyFile",
                    {"info", "@/empty.txt"},
                    1,
                    "yarvelin-feed info: File is corrupt or it is of a different format\n"},
        FailureCase{"OutputInMissingFolder",
                    {"convert", "@/good.txt", "@/no/out.txt"},
                    1,
                    "yarvelin-feed convert: @/no/out.txt contains an invalid path.\n"},
        FailureCase{"OutputIsAFolder",
                    {"convert", "@/good.txt", "@"},
                    1,
                    "yarvelin-feed convert: Access to @ was denied.\n"},
        FailureCase{"InfoOfAFolder", {"info", "@"}, 1, "yarvelin-feed info: Access to @ was denied.\n"},
        FailureCase{"NoArguments",
                    {"convert"},
                    2,
                    "yarvelin-feed convert: IN is required\nRun 'yarvelin-feed convert --help'"},
        FailureCase{"UnknownOption",
                    {"convert", "@/good.txt", "@/old.txt", "--fast"},
                    2,
                    "yarvelin-feed convert: The following argument was not expected: --fast\n"},
        FailureCase{"HeaderValueWithoutHeaders",
                    {"convert", "@/good.txt", "@/old.txt", "--quoted"},
                    2,
                    "yarvelin-feed convert: --quoted requires --headers\n"},
        FailureCase{"StandardInput", {"info", "-"}, 2, "yarvelin-feed info: FEED: name a file"},
        FailureCase{"UnknownCommand", {"merge", "@/good.txt"}, 2, "yarvelin-feed: unknown command 'merge'\n"},
        FailureCase{"InfoTwoFiles",
                    {"info", "@/good.txt", "@/old.txt"},
                    2,
                    "yarvelin-feed info: The following argument was not expected"}),
    [](const auto& info) { return std::string(info.param.name); });

// "-" goes through temporary files; neither a reader that stops early nor a signal may leave them behind.
TEST_F(CliFeedTest, StandardStreamsLeaveNoTemporaryFiles) {
    std::string feed = kColumns + "\r\n";
    for (int i = 0; i < 5000; ++i) {
        feed += Row("A" + std::to_string(i), "Product " + std::to_string(i)) + "\r\n";
    }
    WriteBytes(File("big.txt"), feed);
    fs::create_directory(m_dir / "tmp");
    const std::string cli = ShellQuote(YARVELIN_CLI);
    const std::string script =
        "export TMPDIR=" + ShellQuote(File("tmp")) + "\n" +
        // The reader stops after ten bytes: the command ends quietly with the status of a closed pipe.
        "cat " + ShellQuote(File("big.txt")) + " | " + cli + " convert - - 2>" + ShellQuote(File("err.txt")) +
        " | head -c 10 >/dev/null; echo \"pipe ${PIPESTATUS[1]}\"\n" +
        // Stopped while it still reads standard input.
        "sleep 10 | " + cli + " convert - " + ShellQuote(File("out.txt")) + " & pid=$!\n" +
        "sleep 0.5; kill -TERM $pid; wait $pid; echo \"term $?\"\n" + "ls -A \"$TMPDIR\" | wc -l\n";
    const CliRun r = yarvelin::testing::RunShellLine("/bin/bash", "-c " + ShellQuote(script), m_dir);
    EXPECT_EQ(r.out, "pipe 141\nterm 143\n0\n") << r.err;
    EXPECT_EQ(ReadBytes(File("err.txt")), "");
    EXPECT_FALSE(fs::exists(File("out.txt")));
}

TEST_F(CliFeedTest, HelpExitsZero) {
    const CliRun r = Run({"convert", "--help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("Usage: yarvelin-feed convert [OPTIONS] IN OUT\n"), std::string::npos) << r.out;
    EXPECT_TRUE(r.err.empty()) << r.err;
}

// Fields of a line as the service counts them: TABs outside quotes separate, a quote inside quotes followed
// by another is one literal quote and ends the quotes.
std::size_t CountFields(const std::string& line) {
    std::size_t fields = 1;
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '"') {
            if (quoted && i + 1 < line.size() && line[i + 1] == '"') {
                ++i;
            }
            quoted = !quoted;
        } else if (line[i] == '\t' && !quoted) {
            ++fields;
        }
    }
    return fields;
}

std::vector<std::string> Lines(const std::string& bytes) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t pos; (pos = bytes.find("\r\n", start)) != std::string::npos; start = pos + 2) {
        lines.push_back(bytes.substr(start, pos - start));
    }
    lines.push_back(bytes.substr(start));
    return lines;
}

TEST_F(CliFeedTest, ConvertedSamplesHaveWholeLinesAndConvertToThemselves) {
    std::vector<fs::path> inputs;
    for (const auto& entry :
         fs::directory_iterator(fs::path(YARVELIN_SOURCE_DIR) / "resources" / "Samples")) {
        inputs.push_back(entry.path());
    }
    ASSERT_EQ(inputs.size(), 3u);
    // Quoted TABs in every column, and quotes of every kind.
    WriteBytes(File("tabs.txt"), kColumns + "\r\n" + Row("A1", "\"Big\tbox\"") + "\r\n" +
                                     "\"u\tv\"\t\"a\"\"b\tc\"\t\"\"\"x\"\"\"\t1.00\ti\t\"A\t>\tB\"\tA2");
    inputs.push_back(File("tabs.txt"));
    for (const fs::path& in : inputs) {
        for (const bool basic : {false, true}) {
            SCOPED_TRACE(in.filename().string() + (basic ? " basic" : ""));
            std::vector<std::string> args = {"convert", in.string(), File("out.txt")};
            if (basic) {
                args.push_back("--basic");
            }
            const CliRun first = Run(args);
            ASSERT_EQ(first.status, 0) << first.err;
            const std::string out = ReadBytes(File("out.txt"));
            std::vector<std::string> lines = Lines(out);
            // Files with quoted TABs get the header block, and it must say so.
            if (!lines.empty() && lines[0].rfind("# ", 0) == 0) {
                ASSERT_GE(lines.size(), 4u);
                EXPECT_EQ(lines[3], "# quoted=YES");
                lines.erase(lines.begin(), lines.begin() + 4);
            }
            ASSERT_GE(lines.size(), 2u);
            const std::size_t columns = basic ? 7 : 20;
            ASSERT_EQ(CountFields(lines[0]), columns);
            for (std::size_t k = 1; k < lines.size(); ++k) {
                EXPECT_EQ(CountFields(lines[k]), columns) << "line " << k + 1 << ": " << lines[k];
            }
            args[1] = File("out.txt");
            args[2] = File("again.txt");
            const CliRun second = Run(args);
            ASSERT_EQ(second.status, 0) << second.err;
            EXPECT_EQ(ReadBytes(File("again.txt")), out);
            // Nothing more is changed the second time; quoted=YES is added again, as it was not asked for.
            EXPECT_EQ(second.err.find("line breaks"), std::string::npos) << second.err;
        }
    }
}

TEST_F(CliFeedTest, LineBreaksInValuesAreToldOnStandardError) {
    // A CR on its own stays inside its line, and so inside a value, when the file is read.
    WriteBytes(File("in.txt"), kColumns + "\r\n" + Row("A1", "Two\rlines") + "\r\n" + Row("A2", "a\rb\rc"));
    const CliRun r = Run({"convert", File("in.txt"), File("out.txt")});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(
        r.err,
        "yarvelin-feed convert: 2 value(s) held line breaks; each line break was written as one blank\n");
    EXPECT_NE(ReadBytes(File("out.txt")).find("\tTwo lines\t"), std::string::npos);
    EXPECT_NE(ReadBytes(File("out.txt")).find("\ta b c\t"), std::string::npos);
}

TEST_F(CliFeedTest, Utf8FileWithCharactersWindows1252CannotHoldIsRefused) {
    WriteBytes(File("in.txt"), kColumns + "\n" + Row("A1", "Caf\xc3\xa9 \xc5\xbb\xc3\xb3\xc5\x82w") + "\n");
    const CliRun r = Run({"convert", File("in.txt"), File("out.txt")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "yarvelin-feed convert: " + File("in.txt") +
                         " is UTF-8 and holds 2 character(s) that Windows-1252 cannot hold:\n"
                         "  Product 1, name: '\xc5\xbb' (U+017B)\n"
                         "  Product 1, name: '\xc5\x82' (U+0142)\n"
                         "yarvelin-feed convert: nothing done; give --replace-unmappable to read each of "
                         "them as '?'\n");
    EXPECT_FALSE(fs::exists(File("out.txt")));

    // Asked for, each of them is read as '?'; the list is still shown.
    const CliRun replaced = Run({"convert", File("in.txt"), File("out.txt"), "--replace-unmappable"});
    EXPECT_EQ(replaced.status, 0) << replaced.err;
    EXPECT_NE(replaced.err.find("each of them is read as '?'"), std::string::npos) << replaced.err;
    EXPECT_EQ(ReadBytes(File("out.txt")), kColumns + "\r\n" + Row("A1", "Caf\xe9 ?\xf3?w"));
    EXPECT_EQ(Run({"info", File("in.txt")}).status, 1);
    EXPECT_EQ(Run({"info", File("in.txt"), "--replace-unmappable"}).status, 0);

    // Everything it holds fits: converted without a question.
    WriteBytes(File("in.txt"),
               "\xef\xbb\xbf" + kColumns + "\n" + Row("A1", "Caf\xc3\xa9 \xe2\x82\xac") + "\n");
    const CliRun fits = Run({"convert", File("in.txt"), File("out.txt")});
    EXPECT_EQ(fits.status, 0) << fits.err;
    EXPECT_EQ(ReadBytes(File("out.txt")), kColumns + "\r\n" + Row("A1", "Caf\xe9 \x80"));
}

}  // namespace

#include "handfiles/hand_file.h"

#include <gtest/gtest.h>

namespace yarvelin {
namespace {

struct BadHandFile {
    const char* text;
    int line;
    const char* what;  // a part of the message
};

class HandFileMistakes : public ::testing::TestWithParam<BadHandFile> {};

// Every mistake names the file and the line it is on, before anything reads the values.
TEST_P(HandFileMistakes, NameTheFileAndLine) {
    const BadHandFile& c = GetParam();
    try {
        toml::table file = ParseHandFile(c.text, "map.toml");
        CheckKnownKeys(file, {"name", "limit", "columns", "rule"});
        ReadString(file, "name");
        ReadInteger(file, "limit");
        ReadStringList(file, "columns");
        for (const toml::table* rule : ReadTableArray(file, "rule")) {
            CheckKnownKeys(*rule, {"set", "to"});
            RequireString(*rule, "set");
        }
        FAIL() << "accepted: " << c.text;
    } catch (const CHandFileError& err) {
        EXPECT_EQ(err.File(), "map.toml");
        EXPECT_EQ(err.Line(), c.line) << err.what();
        EXPECT_NE(err.What().find(c.what), std::string::npos) << err.what();
        EXPECT_EQ(std::string(err.what()).rfind("map.toml:" + std::to_string(c.line) + ": ", 0), 0u);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, HandFileMistakes,
    ::testing::Values(BadHandFile{"name = \"a\"\nname = \"b\"\n", 2, "name"},
                      BadHandFile{"# a comment\nname = 'unclosed\n", 2, ""},
                      BadHandFile{"\nlimit = \"ten\"\n", 2, "limit must be a whole number, not a text"},
                      BadHandFile{"columns = [\"a\",\n  3]\n", 2, "columns must be a list of texts"},
                      BadHandFile{"nmae = \"x\"\n", 1,
                                  "unknown key nmae (known: name, limit, columns, rule)"},
                      BadHandFile{"[[rule]]\nset = \"title\"\n\n[[rule]]\nto = \"x\"\n", 4, "set is missing"},
                      BadHandFile{"[[rule]]\nset = \"title\"\nsett = 1\n", 3, "unknown key sett"},
                      BadHandFile{"rule = 5\n", 1, "rule must be a list of tables"}));

TEST(HandFile, ReadsValuesAndQuotesTextBack) {
    toml::table file = ParseHandFile(
        "name = \"Shop\" # trailing comment\nlimit = 3\ncolumns = 'one'\n"
        "share = 0.5\non = true\n",
        "job.toml");
    EXPECT_EQ(ReadString(file, "name"), "Shop");
    EXPECT_EQ(ReadInteger(file, "limit"), 3);
    EXPECT_EQ(ReadNumber(file, "limit"), 3.0);
    EXPECT_EQ(ReadNumber(file, "share"), 0.5);
    EXPECT_EQ(ReadBool(file, "on"), true);
    EXPECT_EQ(ReadStringList(file, "columns"), std::vector<std::string>{"one"});
    EXPECT_EQ(ReadString(file, "absent"), std::nullopt);
    EXPECT_EQ(ReadTable(file, "absent"), nullptr);

    // Whatever a value holds comes back unchanged through the quoting the writers use.
    const std::string awkward = "a \"quoted\" \\ back\tslash\nline \x01 caf\xC3\xA9 {SKU}|{ID}";
    toml::table back = ParseHandFile("v = " + TomlQuoted(awkward) + "\n", "x.toml");
    EXPECT_EQ(ReadString(back, "v"), awkward);
}

TEST(HandFile, UnreadableFileSaysWhy) {
    try {
        LoadHandFile("/nonexistent/rules.toml");
        FAIL();
    } catch (const CHandFileError& err) {
        EXPECT_EQ(err.Line(), 0);
        EXPECT_STREQ(err.what(), "/nonexistent/rules.toml: No such file or directory");
    }
}

}  // namespace
}  // namespace yarvelin

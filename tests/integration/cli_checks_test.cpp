// yarvelin-feed clean and check-urls, run as a script would run them.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "support/local_http_servers.h"

namespace {

struct CRun {
    int status;
    std::string out;
};

CRun RunCli(const std::string& args) {
    const std::string cmd = std::string(YARVELIN_CLI) + " " + args + " 2>/dev/null";
    FILE* p = popen(cmd.c_str(), "r");
    CRun r{-1, {}};
    std::array<char, 4096> buf{};
    std::size_t n;
    while ((n = fread(buf.data(), 1, buf.size(), p)) > 0) {
        r.out.append(buf.data(), n);
    }
    const int raw = pclose(p);
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return r;
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string TempDir() {
    char tmpl[] = "/tmp/yarvelin-cli-XXXXXX";
    return mkdtemp(tmpl);
}

// Twenty columns: product_url, name, description, price, image_url, category, offer_id, then 13 empty.
std::string Line(const std::string& url, const std::string& name, const std::string& desc,
                 const std::string& image, const std::string& offer) {
    std::string line = url + "\t" + name + "\t" + desc + "\t9.99\t" + image + "\tToys\t" + offer;
    for (int i = 0; i < 13; ++i) {
        line += "\t";
    }
    return line + "\r\n";
}

const char kColumns[] =
    "product_url\tname\tdescription\tprice\timage_url\tcategory\toffer_id\tinstock\tshipping\tbrand\tupc\t"
    "color\tsize\tquantity\tproduct_id\tmanufacturer_id\texp_date\tproduct_type\tdelete\tcurrency\r\n";

TEST(CliCleanTest, CleansWithTheGivenAnswers) {
    const std::string dir = TempDir();
    {
        std::ofstream in(dir + "/in.txt", std::ios::binary);
        in << kColumns << Line("http://a/1", "<B>Lamp</b> \xa9", "Bright \x96 white", "http://a/1.jpg", "A1");
    }
    // Escapes the check made are announced (html_escaped=YES), and stay announced through a convert, so
    // that the service shows the characters and validate finds no HTML code shown as text.
    struct Case {
        const char* flags;
        const char* name;
        const char* description;
        bool escaped;
    } cases[] = {
        {"--newlines remove --special escape", "Lamp&#060;/b&#062; &#169;", "Bright &#150; white", true},
        {"--newlines quote --special remove", "Lamp/b ", "Bright  white", false}};
    for (const Case& c : cases) {
        const CRun r = RunCli("clean " + dir + "/in.txt " + dir + "/out.txt " + c.flags);
        ASSERT_EQ(r.status, 0) << c.flags;
        const std::string out = ReadAll(dir + "/out.txt");
        EXPECT_NE(out.find(std::string("\t") + c.name + "\t"), std::string::npos) << out;
        EXPECT_NE(out.find(std::string("\t") + c.description + "\t"), std::string::npos) << out;
        ASSERT_EQ(RunCli("convert " + dir + "/out.txt " + dir + "/converted.txt").status, 0);
        for (const char* file : {"/out.txt", "/converted.txt"}) {
            EXPECT_EQ(ReadAll(dir + file).rfind("# html_escaped=YES\r\n", 0) == 0, c.escaped) << file;
            const CRun validate = RunCli("validate " + dir + file + " --json");
            EXPECT_EQ(validate.out.find("html-entity"), std::string::npos) << file << validate.out;
        }
    }
    EXPECT_EQ(RunCli("clean " + dir + "/in.txt " + dir + "/out.txt --newlines remove").status, 2);
    EXPECT_EQ(RunCli("clean " + dir + "/in.txt " + dir + "/out.txt --newlines maybe --special escape").status,
              2);
    EXPECT_EQ(
        RunCli("clean " + dir + "/missing.txt " + dir + "/out.txt --newlines remove --special escape").status,
        1);
    std::filesystem::remove_all(dir);
}

TEST(CliCheckUrlsTest, OneLinePerProductAndExitStatus) {
    yarvelin::testing::CNginxServer server(R"(
        location = /ok { return 200 "ok"; }
        location = /missing { return 404; }
    )");
    const std::string dir = TempDir();
    {
        std::ofstream in(dir + "/feed.txt", std::ios::binary);
        in << kColumns << Line(server.Url("/ok"), "One", "d", server.Url("/missing"), "A1")
           << Line("", "Two", "d", server.Url("/ok"), "B2");
    }
    {
        std::ofstream ok(dir + "/ok.txt", std::ios::binary);
        ok << kColumns << Line(server.Url("/ok"), "One", "d", server.Url("/ok"), "A1");
    }
    for (const char* jobs : {"", " --jobs 1", " --jobs 64"}) {
        const CRun bad = RunCli("check-urls " + dir + "/feed.txt" + jobs);
        EXPECT_EQ(bad.status, 1) << jobs;
        EXPECT_EQ(bad.out,
                  "1\tA1\tOK\tERR\t200\t404\n"
                  "2\tB2\tERR\tOK\tnone\t200\n"
                  "2 products: 0 with both URLs OK, 2 with a URL error\n")
            << jobs;
    }
    for (const char* jobs : {" --jobs 0", " --jobs 65", " --jobs many", " --jobs"}) {
        EXPECT_EQ(RunCli("check-urls " + dir + "/feed.txt" + jobs).status, 2) << jobs;
    }
    const CRun good = RunCli("check-urls " + dir + "/ok.txt");
    EXPECT_EQ(good.status, 0) << good.out;
    EXPECT_EQ(RunCli("check-urls").status, 2);
    EXPECT_EQ(RunCli("check-urls " + dir + "/none.txt").status, 1);
    std::filesystem::remove_all(dir);
}

}  // namespace

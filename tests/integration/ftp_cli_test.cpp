// yarvelin-feed upload against a real FTP server: exit statuses, the engine's texts, ASCII type by default.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <array>
#include <cstdio>
#include <cstring>

#include "integration/ftp_test_server.h"

namespace yarvelin {
namespace {

using test::CFtpTestServer;

struct CCliResult {
    int status = -1;
    std::string err;
};

// Runs the command line with standard error captured (not a terminal, so no progress lines).
CCliResult RunCli(const std::string& args, const std::filesystem::path& dir) {
    const std::string errFile = (dir / "stderr.txt").string();
    // The command line uses the environment's proxy settings; the loopback server is reached directly.
    const std::string command = "no_proxy=127.0.0.1 NO_PROXY=127.0.0.1 " + std::string(YARVELIN_CLI) + " " +
                                args + " 2>" + errFile + " >/dev/null";
    CCliResult r;
    const int raw = std::system(command.c_str());
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    r.err = CFtpTestServer::ReadFile(errFile);
    return r;
}

struct CliCase {
    const char* name;
    const char* fault;
    const char* options;  // after FILE --server 127.0.0.1 --port N
    int status;
    const char* err;     // standard error starts with this
    const char* logged;  // the server saw this command
};

class FtpCli : public ::testing::TestWithParam<CliCase> {};

TEST_P(FtpCli, Upload) {
    CFtpTestServer server(GetParam().fault);
    const auto feed = server.Base() / "merchant.txt";
    const std::string bytes = test::MakeFeed(50000);
    CFtpTestServer::WriteFile(feed, bytes);
    CFtpTestServer::WriteFile(server.Base() / "good.pw", "secret\n");
    CFtpTestServer::WriteFile(server.Base() / "bad.pw", "nope\n");
    std::string options = GetParam().options;
    for (const char* pw : {"good.pw", "bad.pw"}) {
        const auto at = options.find(pw);
        if (at != std::string::npos) {
            options.replace(at, std::strlen(pw), (server.Base() / pw).string());
        }
    }
    const CCliResult r = RunCli("upload " + feed.string() + " --server 127.0.0.1 --port " +
                                    std::to_string(server.Port()) + " " + options,
                                server.Base());
    EXPECT_EQ(r.status, GetParam().status) << r.err;
    EXPECT_EQ(r.err.rfind(GetParam().err, 0), 0u) << r.err;
    if (r.status == 0) {
        EXPECT_EQ(CFtpTestServer::ReadFile(server.Root() / "merchant.txt").size() > 0, true);
    }
    if (*GetParam().logged) {
        EXPECT_NE(server.Log().find(GetParam().logged), std::string::npos) << server.Log();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FtpCli,
    ::testing::Values(CliCase{"AnonymousAsciiActive", "", "", 0, "", "<- TYPE A"},
                      CliCase{"NamedBinaryPassive", "",
                              "--user merchant --password-file good.pw --binary --passive", 0, "",
                              "<- TYPE I"},
                      CliCase{"Limited", "", "--limit 1000", 0, "", "<- STOR merchant.txt"},
                      CliCase{"WrongPassword", "", "--user merchant --password-file bad.pw", 1,
                              "yarvelin-feed upload: An error occurred connecting to the server, Error:\n530 "
                              "Authentication failed.\n",
                              ""},
                      CliCase{"RefusedStore", "refuse-stor", "", 1,
                              "yarvelin-feed upload: An error occurred while attempting to open the "
                              "specified remote file, Error:\n553 Could not "
                              "create file: quota exceeded.\n",
                              ""},
                      CliCase{"UnknownOption", "", "--fast", 2,
                              "yarvelin-feed upload: The following argument was not expected: --fast", ""},
                      CliCase{"BadPort", "", "--port 0", 2,
                              "yarvelin-feed upload: --port: Value 0 not in range 1 to 65535", ""},
                      CliCase{"PasswordWithoutUser", "", "--password-file good.pw", 2,
                              "yarvelin-feed upload: --password-file requires --user", ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FtpCliFile, MissingFileFailsWithTheOpenText) {
    CFtpTestServer server;
    const CCliResult r = RunCli("upload " + (server.Base() / "none.txt").string() +
                                    " --server 127.0.0.1 --port " + std::to_string(server.Port()),
                                server.Base());
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err,
              "yarvelin-feed upload: An error occured while opening the file to be uploaded, Error:2\n");
}

}  // namespace
}  // namespace yarvelin

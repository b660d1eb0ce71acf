// yarvelin-feed upload against a real FTP server: exit statuses, the engine's texts, ASCII type by default.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>
#include <array>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <thread>

#include "integration/ftp_test_server.h"
#include "support/cli_run.h"

namespace yarvelin {
namespace {

using test::CFtpTestServer;

// Runs the command line with its output caught (not a terminal, so no progress lines).
yarvelin::testing::CliRun RunCli(const std::string& args, const std::filesystem::path& dir) {
    return yarvelin::testing::RunShellLine(YARVELIN_CLI, args, dir);
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
    const testing::CliRun r = RunCli("upload " + feed.string() + " --server 127.0.0.1 --port " +
                                         std::to_string(server.Port()) + " " + options,
                                     server.Base());
    EXPECT_EQ(r.status, GetParam().status) << r.err;
    EXPECT_EQ(r.err.rfind(GetParam().err, 0), 0u) << r.err;
    if (r.status == 0) {
        EXPECT_EQ(CFtpTestServer::ReadFile(server.Root() / "merchant.txt").size() > 0, true);
        EXPECT_FALSE(std::filesystem::exists(server.Root() / "merchant.txt.part"));
    }
    if (*GetParam().logged) {
        EXPECT_NE(server.Log().find(GetParam().logged), std::string::npos) << server.Log();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FtpCli,
    ::testing::Values(
        CliCase{"AnonymousAsciiActive", "", "", 0, "", "<- TYPE A"},
        CliCase{"NamedBinaryPassive", "", "--user merchant --password-file good.pw --binary --passive", 0, "",
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
        CliCase{"RenameRefusedLeavesTheTarget", "refuse-rename", "", 1,
                "yarvelin-feed upload: The server refused to put the uploaded file in place of "
                "merchant.txt, so the file on the server was left as it was, Error:\n550 Renaming "
                "is not allowed here.\nThe server refused the file with the words above.\nPass "
                "--allow-direct-write to write merchant.txt directly instead.\n",
                "<- STOR merchant.txt.part"},
        CliCase{"RenameRefusedWrittenDirectly", "refuse-rename", "--allow-direct-write", 0,
                "yarvelin-feed upload: Written directly to merchant.txt: the server refused to rename "
                "the temporary file merchant.txt.part over it\n",
                "<- DELE merchant.txt.part"},
        CliCase{"UnknownOption", "", "--fast", 2,
                "yarvelin-feed upload: The following argument was not expected: --fast", ""},
        CliCase{"BadPort", "", "--port 0", 2, "yarvelin-feed upload: --port: Value 0 not in range 1 to 65535",
                ""},
        CliCase{"PasswordWithoutUser", "", "--password-file good.pw", 2,
                "yarvelin-feed upload: --password-file requires --user", ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FtpCliFile, MissingFileFailsWithTheOpenText) {
    CFtpTestServer server;
    const testing::CliRun r = RunCli("upload " + (server.Base() / "none.txt").string() +
                                         " --server 127.0.0.1 --port " + std::to_string(server.Port()),
                                     server.Base());
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err,
              "yarvelin-feed upload: An error occured while opening the file to be uploaded, Error:2\n");
}

// Ctrl-C stops an upload that a silent server holds at once, as Cancel does in the wizard, instead of
// waiting for the minute-long time-out; the local file is left as it was.
TEST(FtpCliInterrupt, CtrlCStopsAHeldUploadAtOnce) {
    CFtpTestServer server("silent");
    const auto feed = server.Base() / "merchant.txt";
    const std::string bytes = test::MakeFeed(5000);
    CFtpTestServer::WriteFile(feed, bytes);
    const std::string errFile = (server.Base() / "stderr.txt").string();
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        std::freopen(errFile.c_str(), "w", stderr);
        const std::string port = std::to_string(server.Port());
        setenv("no_proxy", "127.0.0.1", 1);
        execl(YARVELIN_CLI, YARVELIN_CLI, "upload", feed.c_str(), "--server", "127.0.0.1", "--port",
              port.c_str(), nullptr);
        _exit(127);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1000));
    const auto interrupted = std::chrono::steady_clock::now();
    kill(pid, SIGINT);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_LT(std::chrono::steady_clock::now() - interrupted, std::chrono::seconds(2));
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 130);
    EXPECT_EQ(CFtpTestServer::ReadFile(errFile),
              "yarvelin-feed upload: interrupted, " + feed.string() + " was not uploaded completely\n");
    EXPECT_EQ(CFtpTestServer::ReadFile(feed), bytes);
}

}  // namespace
}  // namespace yarvelin

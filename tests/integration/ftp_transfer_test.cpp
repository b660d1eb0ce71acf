// The transfer engine with the libcurl client against a real FTP server (pyftpdlib) on loopback.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

#include "integration/ftp_test_server.h"
#include "platform/curl_ftp_client.h"
#include "upload/ftp_transfer_engine.h"

namespace yarvelin {
namespace {

using test::CFtpTestServer;
using test::MakeFeed;

// Keeps what the worker reported; safe to read from the test thread.
class CRecordingObserver : public FtpTransferObserver {
  public:
    void OnStatus(const std::string& text) override { Add(m_statuses, text); }
    void OnPercent(int percent, const std::string& title) override {
        std::lock_guard lock(m_mutex);
        m_percents.push_back(percent);
        m_title = title;
    }
    void OnRate(const std::string& text) override { Add(m_rates, text); }
    void OnTimeLeft(const std::string& text) override { Add(m_timeLefts, text); }
    bool AskReplaceRemote(const std::string& question) override {
        Add(m_questions, question);
        return m_replace;
    }
    void OnEnded(bool failed) override {
        std::lock_guard lock(m_mutex);
        m_failed = failed;
        m_ended = true;
    }
    int Percent() {
        std::lock_guard lock(m_mutex);
        return m_percents.empty() ? 0 : m_percents.back();
    }
    bool Ended() {
        std::lock_guard lock(m_mutex);
        return m_ended;
    }

    std::mutex m_mutex;
    std::vector<std::string> m_statuses, m_rates, m_timeLefts, m_questions;
    std::vector<int> m_percents;
    std::string m_title;
    bool m_replace = true;
    bool m_failed = false;
    bool m_ended = false;

  private:
    void Add(std::vector<std::string>& to, const std::string& text) {
        std::lock_guard lock(m_mutex);
        to.push_back(text);
    }
};

FtpTransferRequest Upload(const CFtpTestServer& server, const std::string& local, const std::string& remote) {
    FtpTransferRequest r;
    r.download = false;
    r.server = "127.0.0.1";
    r.port = static_cast<std::uint16_t>(server.Port());
    r.localFile = local;
    r.remoteFile = remote;
    r.userName = "merchant";
    r.password = "secret";
    r.promptOverwrite = false;
    r.usePreConfig = false;  // straight to loopback, whatever proxy the environment names
    return r;
}

FtpTransferRequest Download(const CFtpTestServer& server, const std::string& remote,
                            const std::string& local) {
    FtpTransferRequest r = Upload(server, local, remote);
    r.download = true;
    r.promptOverwrite = false;
    return r;
}

struct CRun {
    CCurlFtpClient client;
    CRecordingObserver observer;
    CFtpTransferEngine engine{client, observer};
    explicit CRun(const FtpTransferRequest& request, CurlFtpTimeouts timeouts = {}) : client(timeouts) {
        engine.m_request = request;
    }
    // Prepares and runs the worker thread to its end; false when preparing failed.
    bool Go() {
        if (engine.Prepare([](const std::string&) { return true; }) !=
            CFtpTransferEngine::PrepareResult::Ready) {
            return false;
        }
        EXPECT_TRUE(engine.Start());
        engine.Wait();
        EXPECT_TRUE(observer.m_ended);
        return true;
    }
};

// pyftpdlib stores an ASCII upload with this system's line ends: each CR LF on the wire becomes LF.
std::string StoredAscii(const std::string& sent) {
    std::string s;
    s.reserve(sent.size());
    for (std::size_t i = 0; i < sent.size(); ++i) {
        if (!(sent[i] == '\r' && i + 1 < sent.size() && sent[i + 1] == '\n')) {
            s += sent[i];
        }
    }
    return s;
}

struct LoginCase {
    const char* name;
    bool anonymous;
    bool passive;
};

class FtpLoginModes : public ::testing::TestWithParam<LoginCase> {};

TEST_P(FtpLoginModes, AsciiFeedArrivesComplete) {
    CFtpTestServer server;
    const std::string feed = MakeFeed(300 * 1024);
    const auto local = server.Base() / "shop.txt";
    CFtpTestServer::WriteFile(local, feed);
    FtpTransferRequest r = Upload(server, local.string(), "shop.txt");
    r.binary = false;
    r.passive = GetParam().passive;
    if (GetParam().anonymous) {
        r.userName.clear();
        r.password = "typed but not sent";
    }
    CRun run(r);
    ASSERT_TRUE(run.Go());
    EXPECT_FALSE(run.observer.m_failed) << run.engine.ErrorText();
    EXPECT_EQ(run.engine.ErrorText(), "");
    // The feed's CR LF lines go over the wire unchanged (no CR doubled), and the server stores them its way.
    EXPECT_EQ(CFtpTestServer::ReadFile(server.Root() / "shop.txt"), StoredAscii(feed));
    EXPECT_EQ(run.observer.m_title, "100% of shop.txt Completed");
    const std::string log = server.Log();
    EXPECT_NE(log.find(GetParam().anonymous ? "USER 'anonymous' logged in" : "USER 'merchant' logged in"),
              std::string::npos)
        << log;
    EXPECT_NE(log.find(GetParam().passive ? "<- EPSV" : "<- EPRT"), std::string::npos) << log;
    EXPECT_NE(log.find("<- TYPE A"), std::string::npos) << log;
}

INSTANTIATE_TEST_SUITE_P(Modes, FtpLoginModes,
                         ::testing::Values(LoginCase{"NamedActive", false, false},
                                           LoginCase{"NamedPassive", false, true},
                                           LoginCase{"AnonymousActive", true, false},
                                           LoginCase{"AnonymousPassive", true, true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(FtpTransfer, BinaryUploadIsByteExactAndReportsStatusInOrder) {
    CFtpTestServer server;
    std::string data(200000, '\0');
    for (std::size_t i = 0; i < data.size(); ++i) {
        data[i] = static_cast<char>(i * 7 + 3);
    }
    const auto local = server.Base() / "blob.bin";
    CFtpTestServer::WriteFile(local, data);
    CRun run(Upload(server, local.string(), "blob.bin"));
    ASSERT_TRUE(run.Go());
    EXPECT_FALSE(run.observer.m_failed) << run.engine.ErrorText();
    EXPECT_EQ(CFtpTestServer::ReadFile(server.Root() / "blob.bin"), data);
    const std::string port = " port " + std::to_string(server.Port());
    const std::vector<std::string> expected{"Resolving name: 127.0.0.1",      "Resolved name to 127.0.0.1",
                                            "Connecting to 127.0.0.1" + port, "Connected to 127.0.0.1" + port,
                                            "Getting file information",       "Uploading the file"};
    EXPECT_EQ(run.observer.m_statuses, expected);
    // The bar moves on whole percents only, never backwards.
    EXPECT_TRUE(std::is_sorted(run.observer.m_percents.begin(), run.observer.m_percents.end()));
    EXPECT_EQ(run.observer.m_percents.back(), 100);
}

TEST(FtpTransfer, EmptyFileUploadsAsEmptyFile) {
    CFtpTestServer server;
    const auto local = server.Base() / "empty.txt";
    CFtpTestServer::WriteFile(local, "");
    FtpTransferRequest r = Upload(server, local.string(), "empty.txt");
    r.binary = false;
    CRun run(r);
    ASSERT_TRUE(run.Go());
    EXPECT_FALSE(run.observer.m_failed) << run.engine.ErrorText();
    ASSERT_TRUE(std::filesystem::exists(server.Root() / "empty.txt"));
    EXPECT_EQ(std::filesystem::file_size(server.Root() / "empty.txt"), 0u);
    EXPECT_TRUE(run.observer.m_percents.empty());
    EXPECT_TRUE(run.observer.m_rates.empty());
    EXPECT_TRUE(run.observer.m_timeLefts.empty());
}

struct FailureCase {
    const char* name;
    const char* fault;
    bool wrongPassword;
    const char* expected;  // the whole error text
};

class FtpUploadFailures : public ::testing::TestWithParam<FailureCase> {};

TEST_P(FtpUploadFailures, EndWithTheServersReply) {
    CFtpTestServer server(GetParam().fault);
    const auto local = server.Base() / "shop.txt";
    CFtpTestServer::WriteFile(local, MakeFeed(2 * 1024 * 1024));
    FtpTransferRequest r = Upload(server, local.string(), "shop.txt");
    r.binary = false;
    if (GetParam().wrongPassword) {
        r.password = "wrong";
    }
    CRun run(r);
    ASSERT_TRUE(run.Go());
    EXPECT_TRUE(run.observer.m_failed);
    EXPECT_EQ(run.engine.ErrorText(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, FtpUploadFailures,
    ::testing::Values(
        FailureCase{"WrongPassword", "", true,
                    "An error occurred connecting to the server, Error:\n530 Authentication failed."},
        FailureCase{"RefusedStore", "refuse-stor", false,
                    "An error occurred while attempting to open the specified remote file, "
                    "Error:\n553 Could not create file: quota exceeded."},
        FailureCase{"DroppedMidTransfer", "drop=100000", false,
                    "An error occurred while uploading the file, Error:12030"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FtpTransfer, ServerThatStopsAnsweringTimesOut) {
    CFtpTestServer server("silent");
    const auto local = server.Base() / "shop.txt";
    CFtpTestServer::WriteFile(local, MakeFeed(1000));
    CRun run(Upload(server, local.string(), "shop.txt"), CurlFtpTimeouts{2, 2, 2});
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(run.Go());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
    EXPECT_TRUE(run.observer.m_failed);
    EXPECT_EQ(run.engine.ErrorText(), "An error occurred connecting to the server, Error:12002");
}

// A server that stops answering in any phase: Cancel ends the transfer at once, long before the
// time-outs (a minute each, as in the wizard) would.
struct StallCase {
    const char* name;
    const char* fault;
    bool promptOverwrite;
};
class FtpTransferCancel : public ::testing::TestWithParam<StallCase> {};
TEST_P(FtpTransferCancel, EndsEveryPhaseAtOnce) {
    CFtpTestServer server(GetParam().fault);
    const auto local = server.Base() / "shop.txt";
    // Only the stalled transfer needs more than the socket buffers hold.
    const bool transfer = std::string(GetParam().fault).rfind("stall=", 0) == 0;
    CFtpTestServer::WriteFile(local, MakeFeed(transfer ? 12 * 1024 * 1024 : 1000));
    FtpTransferRequest r = Upload(server, local.string(), "shop.txt");
    r.promptOverwrite = GetParam().promptOverwrite;
    CRun run(r);
    ASSERT_EQ(run.engine.Prepare([](const std::string&) { return true; }),
              CFtpTransferEngine::PrepareResult::Ready);
    ASSERT_TRUE(run.engine.Start());
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));  // well into the silence
    {
        std::lock_guard lock(run.observer.m_mutex);
        EXPECT_FALSE(run.observer.m_ended) << "the server was meant to hold the transfer";
    }
    const auto cancelled = std::chrono::steady_clock::now();
    run.engine.Abort();
    run.engine.Wait();
    EXPECT_LT(std::chrono::steady_clock::now() - cancelled, std::chrono::seconds(2));
    EXPECT_TRUE(run.observer.m_ended);
    EXPECT_FALSE(run.observer.m_failed);
    EXPECT_EQ(run.engine.ErrorText(), "");
}
INSTANTIATE_TEST_SUITE_P(Phases, FtpTransferCancel,
                         ::testing::Values(StallCase{"NoGreeting", "silent", false},
                                           StallCase{"SignIn", "hang=PASS", false},
                                           StallCase{"Listing", "hang=SIZE", true},
                                           StallCase{"OpeningTheFile", "hang=STOR", false},
                                           StallCase{"Transfer", "stall=1048576", false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(FtpTransfer, CancelDuringLimitedUploadEndsQuietly) {
    CFtpTestServer server;
    const auto local = server.Base() / "shop.txt";
    CFtpTestServer::WriteFile(local, MakeFeed(400 * 1024));
    FtpTransferRequest r = Upload(server, local.string(), "shop.txt");
    r.bandwidthLimit = 20;  // 20 KB a second: twenty seconds for the whole file
    CRun run(r);
    ASSERT_EQ(run.engine.Prepare([](const std::string&) { return true; }),
              CFtpTransferEngine::PrepareResult::Ready);
    ASSERT_TRUE(run.engine.Start());
    for (int i = 0; i < 200 && run.observer.Percent() < 2; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
    const auto cancelled = std::chrono::steady_clock::now();
    run.engine.Abort();
    run.engine.Wait();
    EXPECT_LT(std::chrono::steady_clock::now() - cancelled, std::chrono::seconds(3));
    EXPECT_FALSE(run.observer.m_failed);
    EXPECT_EQ(run.engine.ErrorText(), "");
    EXPECT_LT(run.observer.Percent(), 50);
    EXPECT_TRUE(std::filesystem::exists(local));
}

// Cancel once the last byte is out, while the server holds back its 226: the file is on the server, and
// its confirmation makes the upload a success; the safe replace, which every caller asks for, still puts
// it in place. (Cancel before the end stays a cancel: see above.)
TEST(FtpTransfer, CancelAfterTheLastByteEndsWithTheServersConfirmation) {
    CFtpTestServer server("slow-226=1");
    const auto local = server.Base() / "shop.txt";
    const std::string feed = MakeFeed(1000);
    CFtpTestServer::WriteFile(local, feed);
    CFtpTestServer::WriteFile(server.Root() / "shop.txt", "the old feed\r\n");
    FtpTransferRequest request = Upload(server, local.string(), "shop.txt");
    request.safeReplace = true;
    CRun run(request);
    ASSERT_EQ(run.engine.Prepare([](const std::string&) { return true; }),
              CFtpTransferEngine::PrepareResult::Ready);
    ASSERT_TRUE(run.engine.Start());
    while (!server.Confirming() && !run.observer.Ended()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    run.engine.Abort();
    run.engine.Wait();
    EXPECT_FALSE(run.observer.m_failed) << run.engine.ErrorText();
    EXPECT_FALSE(run.engine.IsAborted());
    EXPECT_EQ(run.observer.Percent(), 100);
    EXPECT_EQ(CFtpTestServer::ReadFile(server.Root() / "shop.txt"), feed);
    EXPECT_FALSE(std::filesystem::exists(server.Root() / "shop.txt.part"));
}

TEST(FtpTransfer, RemoteOverwriteAnsweredNoLeavesTheServerFile) {
    CFtpTestServer server;
    CFtpTestServer::WriteFile(server.Root() / "shop.txt", "old contents\r\n");
    const auto local = server.Base() / "shop.txt";
    CFtpTestServer::WriteFile(local, MakeFeed(5000));
    FtpTransferRequest r = Upload(server, local.string(), "shop.txt");
    r.promptOverwrite = true;
    CRun run(r);
    run.observer.m_replace = false;
    ASSERT_TRUE(run.Go());
    EXPECT_TRUE(run.observer.m_failed);
    EXPECT_EQ(run.engine.ErrorText(), "");
    EXPECT_EQ(run.observer.m_questions,
              std::vector<std::string>{"The file 'shop.txt' already exists.\nDo you want to replace it?"});
    EXPECT_EQ(CFtpTestServer::ReadFile(server.Root() / "shop.txt"), "old contents\r\n");
}

TEST(FtpTransfer, RemoteOverwriteAnsweredYesReplaces) {
    CFtpTestServer server;
    CFtpTestServer::WriteFile(server.Root() / "shop.txt", "old contents\r\n");
    const auto local = server.Base() / "shop.txt";
    CFtpTestServer::WriteFile(local, "new\r\n");
    FtpTransferRequest r = Upload(server, local.string(), "shop.txt");
    r.promptOverwrite = true;
    CRun run(r);
    ASSERT_TRUE(run.Go());
    EXPECT_FALSE(run.observer.m_failed) << run.engine.ErrorText();
    EXPECT_EQ(run.observer.m_questions.size(), 1u);
    EXPECT_EQ(CFtpTestServer::ReadFile(server.Root() / "shop.txt"), "new\r\n");
}

TEST(FtpTransfer, DownloadResumesAtTheOffset) {
    CFtpTestServer server;
    const std::string remote = MakeFeed(100000);
    CFtpTestServer::WriteFile(server.Root() / "feed.txt", remote);
    const auto local = server.Base() / "feed.txt";
    // The first 4000 bytes are here already; what follows them is stale and must go.
    CFtpTestServer::WriteFile(local, remote.substr(0, 4000) + std::string(500000, 'x'));
    FtpTransferRequest r = Download(server, "feed.txt", local.string());
    r.startOffset = 4000;
    CRun run(r);
    ASSERT_TRUE(run.Go());
    EXPECT_FALSE(run.observer.m_failed) << run.engine.ErrorText();
    EXPECT_EQ(CFtpTestServer::ReadFile(local), remote);
    EXPECT_NE(server.Log().find("<- REST 4000"), std::string::npos);
    EXPECT_NE(server.Log().find("<- TYPE I"), std::string::npos);
}

TEST(FtpTransfer, RefusedResumeEndsWithTheReplyAndDeletesTheLocalFile) {
    CFtpTestServer server("refuse-rest");
    CFtpTestServer::WriteFile(server.Root() / "feed.txt", MakeFeed(10000));
    const auto local = server.Base() / "feed.txt";
    CFtpTestServer::WriteFile(local, std::string(4000, 'a'));
    FtpTransferRequest r = Download(server, "feed.txt", local.string());
    r.startOffset = 4000;
    CRun run(r);
    ASSERT_TRUE(run.Go());
    EXPECT_TRUE(run.observer.m_failed);
    EXPECT_EQ(
        run.engine.ErrorText(),
        "The server reports that resume is not supported, Error:502 Command REST not implemented by this "
        "server.");
    EXPECT_FALSE(std::filesystem::exists(local));
}

TEST(FtpTransfer, DownloadOfAMissingFileFailsAndDeletesTheLocalFile) {
    CFtpTestServer server;
    const auto local = server.Base() / "nothing.txt";
    CRun run(Download(server, "nothing.txt", local.string()));
    ASSERT_TRUE(run.Go());
    EXPECT_TRUE(run.observer.m_failed);
    EXPECT_EQ(run.engine.ErrorText().rfind(
                  "An error occurred while attempting to open the specified remote file, Error:\n550 ", 0),
              0u)
        << run.engine.ErrorText();
    EXPECT_FALSE(std::filesystem::exists(local));
    // Without a size the title shows no percent and there is no time left, ever.
    EXPECT_TRUE(run.observer.m_percents.empty());
}

TEST(FtpTransfer, DownloadCutMidTransferFailsAndDeletesThePartialFile) {
    CFtpTestServer server("drop=60000");
    CFtpTestServer::WriteFile(server.Root() / "feed.txt", MakeFeed(300000));
    const auto local = server.Base() / "feed.txt";
    CRun run(Download(server, "feed.txt", local.string()));
    ASSERT_TRUE(run.Go());
    EXPECT_TRUE(run.observer.m_failed);
    EXPECT_EQ(run.engine.ErrorText().rfind("An error occurred while downloading the file, Error:", 0), 0u)
        << run.engine.ErrorText();
    EXPECT_FALSE(std::filesystem::exists(local));
}

TEST(FtpTransfer, CancelledResumedDownloadDeletesThePartialFile) {
    CFtpTestServer server;
    CFtpTestServer::WriteFile(server.Root() / "feed.txt", MakeFeed(400000));
    const auto local = server.Base() / "feed.txt";
    CFtpTestServer::WriteFile(local, std::string(1000, 'p'));
    FtpTransferRequest r = Download(server, "feed.txt", local.string());
    r.startOffset = 1000;
    r.bandwidthLimit = 20;
    CRun run(r);
    ASSERT_EQ(run.engine.Prepare([](const std::string&) { return true; }),
              CFtpTransferEngine::PrepareResult::Ready);
    ASSERT_TRUE(run.engine.Start());
    for (int i = 0; i < 200 && run.observer.Percent() < 2; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
    run.engine.Abort();
    run.engine.Wait();
    EXPECT_FALSE(run.observer.m_failed);
    EXPECT_EQ(run.engine.ErrorText(), "");
    EXPECT_FALSE(std::filesystem::exists(local));
}

}  // namespace
}  // namespace yarvelin

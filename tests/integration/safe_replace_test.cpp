// Uploads that replace a remote file safely, against real servers on loopback: the file goes to a
// temporary name beside the target, its size is checked and it is renamed over the target (pyftpdlib,
// vsftpd over TLS, and sshd, whose SFTP rename does not overwrite).
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "integration/secure_test_servers.h"
#include "platform/curl_ftp_client.h"
#include "upload/ftp_transfer_engine.h"
#include "upload/upload_request.h"

namespace yarvelin {
namespace {

using test::CFtpTestServer;
using test::CServerProcess;
using test::CSftpPasswordServer;
using test::CSshdTestServer;
using test::CVsftpdTestServer;
using test::MakeFeed;
using test::SshAccount;

class CReplaceObserver : public FtpTransferObserver {
  public:
    void OnStatus(const std::string& text) override {
        std::lock_guard lock(m_mutex);
        m_statuses.push_back(text);
    }
    void OnPercent(int, const std::string&) override {}
    void OnRate(const std::string&) override {}
    void OnTimeLeft(const std::string&) override {}
    bool AskReplaceRemote(const std::string&) override { return true; }
    bool AskWriteDirectly(const std::string& question) override {
        std::lock_guard lock(m_mutex);
        m_directQuestions.push_back(question);
        return m_writeDirectly;
    }
    bool AskTrustHostKey(const HostKeyQuestion&) override { return true; }
    bool AskTrustCertificate(const CertificateQuestion&) override { return true; }
    void OnEnded(bool failed) override { m_failed = failed; }

    std::mutex m_mutex;
    std::vector<std::string> m_statuses, m_directQuestions;
    bool m_writeDirectly = false;
    bool m_failed = true;
};

// One server of each kind, with what the test needs to reach its upload folder.
struct CServer {
    std::unique_ptr<CFtpTestServer> ftp;
    std::unique_ptr<CServerProcess> other;
    FtpTransferRequest request;
    std::filesystem::path root;
    std::filesystem::path base;
};

FtpTransferRequest BaseRequest(int port, FtpProtocol protocol) {
    FtpTransferRequest r;
    r.download = false;
    r.server = "127.0.0.1";
    r.port = static_cast<std::uint16_t>(port);
    r.promptOverwrite = false;
    r.usePreConfig = false;
    r.passive = protocol != FtpProtocol::Ftp;
    r.safeReplace = true;
    r.security.protocol = protocol;
    return r;
}

CServer StartServer(const std::string& kind, const std::string& fault = {}) {
    CServer s;
    if (kind == "pyftpdlib") {
        s.ftp = std::make_unique<CFtpTestServer>(fault);
        s.request = BaseRequest(s.ftp->Port(), FtpProtocol::Ftp);
        s.request.userName = "merchant";
        s.request.password = "secret";
        s.root = s.ftp->Root();
        s.base = s.ftp->Base();
        s.request.remoteFile = "shop.txt";
    } else if (kind == "vsftpd-tls") {
        s.other = std::make_unique<CVsftpdTestServer>(CVsftpdTestServer::Mode::ExplicitTls);
        s.request = BaseRequest(s.other->Port(), FtpProtocol::FtpExplicitTls);
        s.request.remoteFile = "shop.txt";
    } else {
        auto sshd = std::make_unique<CSshdTestServer>();
        s.request = BaseRequest(sshd->Port(), FtpProtocol::Sftp);
        s.request.userName = CSshdTestServer::User();
        s.request.security.identityFile = sshd->ClientKey();
        s.request.remoteFile = (sshd->Root() / "shop.txt").string();
        s.other = std::move(sshd);
    }
    if (s.other) {
        s.root = s.other->Root();
        s.base = s.other->Base();
    }
    s.request.security.knownHostsFile = (s.base / "known_hosts").string();
    s.request.localFile = (s.base / "shop.txt").string();
    return s;
}

// What an ASCII upload leaves on a server that stores LF line ends.
std::string WithLf(const std::string& sent) {
    std::string s;
    for (std::size_t i = 0; i < sent.size(); ++i) {
        if (!(sent[i] == '\r' && i + 1 < sent.size() && sent[i + 1] == '\n')) {
            s += sent[i];
        }
    }
    return s;
}

struct ReplaceCase {
    const char* name;
    const char* server;
    bool binary;
    bool storesLf;        // the server turns CR LF into LF in ASCII type
    bool staleTemporary;  // a killed run left a temporary file behind
};
class SafeReplaceServers : public ::testing::TestWithParam<ReplaceCase> {};
TEST_P(SafeReplaceServers, TargetChangesOnlyByTheRename) {
    const ReplaceCase& c = GetParam();
    CServer server = StartServer(c.server);
    const std::string feed = MakeFeed(200 * 1024);
    CFtpTestServer::WriteFile(server.request.localFile, feed);
    CFtpTestServer::WriteFile(server.root / "shop.txt", "the old feed\r\n");
    if (c.staleTemporary) {
        CFtpTestServer::WriteFile(server.root / "shop.txt.part", std::string(300 * 1024, 'x'));
    }
    server.request.binary = c.binary;
    CCurlFtpClient client;
    CReplaceObserver observer;
    CFtpTransferEngine engine(client, observer);
    engine.m_request = server.request;
    ASSERT_EQ(engine.Prepare([](const std::string&) { return true; }),
              CFtpTransferEngine::PrepareResult::Ready);
    engine.Run();
    EXPECT_FALSE(observer.m_failed) << engine.ErrorText();
    EXPECT_TRUE(CFtpTestServer::ReadFile(server.root / "shop.txt") == (c.storesLf ? WithLf(feed) : feed));
    EXPECT_FALSE(std::filesystem::exists(server.root / "shop.txt.part"));
    ASSERT_GE(observer.m_statuses.size(), 3u);
    const std::string part = server.request.remoteFile + ".part";
    EXPECT_EQ(observer.m_statuses[observer.m_statuses.size() - 3], "Checking the size of " + part);
    EXPECT_EQ(observer.m_statuses.back(),
              "Sent as " + part + ", size checked, renamed to " + server.request.remoteFile);
    EXPECT_EQ(engine.OutcomeText(), observer.m_statuses.back());
    EXPECT_TRUE(observer.m_directQuestions.empty());
}
INSTANTIATE_TEST_SUITE_P(Servers, SafeReplaceServers,
                         ::testing::Values(ReplaceCase{"FtpAscii", "pyftpdlib", false, true, false},
                                           ReplaceCase{"FtpBinaryOverStaleTemporary", "pyftpdlib", true,
                                                       false, true},
                                           ReplaceCase{"FtpTlsAscii", "vsftpd-tls", false, true, false},
                                           ReplaceCase{"SftpOverExistingTarget", "sshd", true, false, true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SafeReplaceRefused, RenameRefusalKeepsTheOldFeedUnlessTheUserWritesDirectly) {
    for (const bool direct : {false, true}) {
        SCOPED_TRACE(direct);
        CServer server = StartServer("pyftpdlib", "refuse-rename");
        const std::string feed = MakeFeed(50 * 1024);
        CFtpTestServer::WriteFile(server.request.localFile, feed);
        CFtpTestServer::WriteFile(server.root / "shop.txt", "the old feed\r\n");
        server.request.binary = true;
        CCurlFtpClient client;
        CReplaceObserver observer;
        observer.m_writeDirectly = direct;
        CFtpTransferEngine engine(client, observer);
        engine.m_request = server.request;
        ASSERT_EQ(engine.Prepare([](const std::string&) { return true; }),
                  CFtpTransferEngine::PrepareResult::Ready);
        engine.Run();
        ASSERT_EQ(observer.m_directQuestions.size(), 1u);
        EXPECT_EQ(
            observer.m_directQuestions[0],
            "The server refused to put the uploaded file in place of shop.txt:\n550 Renaming is not "
            "allowed here.\n\nDo you want to write shop.txt directly instead? Until that upload ends, the "
            "service may read a partial file.");
        EXPECT_EQ(observer.m_failed, !direct);
        EXPECT_TRUE(CFtpTestServer::ReadFile(server.root / "shop.txt") ==
                    (direct ? feed : "the old feed\r\n"));
        // Declined, the whole new feed waits beside the target; written directly, nothing is left over.
        EXPECT_EQ(std::filesystem::exists(server.root / "shop.txt.part"), !direct);
        EXPECT_EQ(engine.ErrorText(),
                  direct ? ""
                         : "The server refused to put the uploaded file in place of shop.txt, "
                           "so the file on the server was left as it was, Error:\n550 "
                           "Renaming is not allowed here.");
        EXPECT_EQ(engine.OutcomeText(), direct ? "Written directly to shop.txt: the server refused to rename "
                                                 "the temporary file shop.txt.part over it"
                                               : "");
    }
}

// ---- SFTP accounts as hosting providers set them up, with the paths their users write

// The request the wizard and the command line build for the folder part of an sftp:// address.
FtpTransferRequest SftpRequest(const CSshdTestServer& sshd, const std::string& folder) {
    UploadAccount account;
    account.server = "sftp://127.0.0.1:" + std::to_string(sshd.Port()) + folder;
    account.userName = sshd.Login();
    account.keyFile = sshd.ClientKey();
    account.knownHostsFile = (sshd.Base() / "known_hosts").string();
    account.binary = true;
    FtpTransferRequest r = *BuildUploadRequest((sshd.Base() / "shop.txt").string(), account, {}).request;
    r.usePreConfig = false;
    return r;
}

struct AccountCase {
    const char* name;
    SshAccount account;
    const char* folder;  // "": the login folder; "~": "/~/feeds"; "/": its absolute path; "dir": "feeds/"
};
class SafeReplaceSftpAccounts : public ::testing::TestWithParam<AccountCase> {};
TEST_P(SafeReplaceSftpAccounts, ReplacesTheTargetWhereTheUserMeansIt) {
    const AccountCase& c = GetParam();
    CSshdTestServer sshd(c.account);
    const std::string folder = c.folder;
    const std::string address = folder == "~"   ? "/~/feeds"
                                : folder == "/" ? sshd.LoginFolder() + "/feeds"
                                                : "";
    FtpTransferRequest request = SftpRequest(sshd, address);
    if (folder == "dir") {
        request.remoteFile = "feeds/shop.txt";
    }
    const auto target = sshd.LoginFolderOnDisk() / (folder.empty() ? "" : "feeds") / "shop.txt";
    test::CThrowawayUser::OwnAs(sshd.Login(), target.parent_path());
    const std::string feed = MakeFeed(100 * 1024);
    CFtpTestServer::WriteFile(request.localFile, feed);
    CFtpTestServer::WriteFile(target, "the old feed\r\n");
    CCurlFtpClient client;
    CReplaceObserver observer;
    CFtpTransferEngine engine(client, observer);
    engine.m_request = request;
    ASSERT_EQ(engine.Prepare([](const std::string&) { return true; }),
              CFtpTransferEngine::PrepareResult::Ready);
    engine.Run();
    EXPECT_FALSE(observer.m_failed) << engine.ErrorText();
    EXPECT_TRUE(CFtpTestServer::ReadFile(target) == feed) << target;
    EXPECT_FALSE(std::filesystem::exists(target.string() + ".part"));
    EXPECT_EQ(engine.OutcomeText(),
              "Sent as " + request.remoteFile + ".part, size checked, renamed to " + request.remoteFile);
    EXPECT_TRUE(observer.m_directQuestions.empty());
}
INSTANTIATE_TEST_SUITE_P(
    Accounts, SafeReplaceSftpAccounts,
    ::testing::Values(AccountCase{"OrdinaryLoginFolder", SshAccount::Ordinary, ""},
                      AccountCase{"OrdinaryTildeFolder", SshAccount::Ordinary, "~"},
                      AccountCase{"OrdinaryAbsoluteFolder", SshAccount::Ordinary, "/"},
                      AccountCase{"OrdinaryRelativeFolder", SshAccount::Ordinary, "dir"},
                      AccountCase{"ChrootLoginFolder", SshAccount::Chroot, ""},
                      AccountCase{"ChrootTildeFolder", SshAccount::Chroot, "~"},
                      AccountCase{"ChrootAbsoluteFolder", SshAccount::Chroot, "/"},
                      AccountCase{"StartFolderLoginFolder", SshAccount::StartFolder, ""},
                      AccountCase{"StartFolderTildeFolder", SshAccount::StartFolder, "~"},
                      AccountCase{"StartFolderAbsoluteFolder", SshAccount::StartFolder, "/"}),
    [](const auto& info) { return std::string(info.param.name); });

// An SFTP server that refuses every rename: written directly as the user allows, the temporary file in the
// login folder goes too.
TEST(SafeReplaceRefused, SftpDirectWriteInTheLoginFolderLeavesNoTemporaryFile) {
    CSshdTestServer sshd(SshAccount::Ordinary, "--refuse-rename");
    const FtpTransferRequest request = SftpRequest(sshd, "/~");
    const std::string feed = MakeFeed(50 * 1024);
    CFtpTestServer::WriteFile(request.localFile, feed);
    CCurlFtpClient client;
    CReplaceObserver observer;
    observer.m_writeDirectly = true;
    CFtpTransferEngine engine(client, observer);
    engine.m_request = request;
    ASSERT_EQ(engine.Prepare([](const std::string&) { return true; }),
              CFtpTransferEngine::PrepareResult::Ready);
    engine.Run();
    EXPECT_FALSE(observer.m_failed) << engine.ErrorText();
    ASSERT_EQ(observer.m_directQuestions.size(), 1u);
    EXPECT_NE(observer.m_directQuestions[0].find("Permission denied"), std::string::npos)
        << observer.m_directQuestions[0];
    EXPECT_TRUE(engine.WroteDirectly());
    EXPECT_TRUE(CFtpTestServer::ReadFile(sshd.LoginFolderOnDisk() / "shop.txt") == feed);
    EXPECT_FALSE(std::filesystem::exists(sshd.LoginFolderOnDisk() / "shop.txt.part"));
}

// Cancel once the server holds every byte (it holds back its answer to the file's close): the safe
// replace still puts the file in place, on a server without a one-step rename too.
TEST(SafeReplaceCancel, SftpCancelAfterTheLastByteStillReplacesTheTarget) {
    CSftpPasswordServer server("slow-close=1");
    FtpTransferRequest r = BaseRequest(server.Port(), FtpProtocol::Sftp);
    r.userName = "merchant";
    r.password = "secret";
    r.remoteFile = "shop.txt";
    r.localFile = (server.Base() / "shop.txt").string();
    r.security.knownHostsFile = (server.Base() / "known_hosts").string();
    const std::string feed = MakeFeed(20 * 1024);
    CFtpTestServer::WriteFile(r.localFile, feed);
    CFtpTestServer::WriteFile(server.Root() / "shop.txt", "the old feed\r\n");
    CCurlFtpClient client;
    CReplaceObserver observer;
    CFtpTransferEngine engine(client, observer);
    engine.m_request = r;
    ASSERT_EQ(engine.Prepare([](const std::string&) { return true; }),
              CFtpTransferEngine::PrepareResult::Ready);
    ASSERT_TRUE(engine.Start());
    while (!std::filesystem::exists(server.Base() / "confirming")) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    engine.Abort();
    engine.Wait();
    EXPECT_FALSE(observer.m_failed) << engine.ErrorText();
    EXPECT_FALSE(engine.IsAborted());
    EXPECT_TRUE(CFtpTestServer::ReadFile(server.Root() / "shop.txt") == feed);
    EXPECT_FALSE(std::filesystem::exists(server.Root() / "shop.txt.part"));
}

}  // namespace
}  // namespace yarvelin

// The transfer engine with the libcurl client against real secure servers on loopback: sshd and a paramiko
// SFTP server for SSH, vsftpd for FTP over explicit and implicit TLS, and vsftpd without active mode for
// the passive retry.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <atomic>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "integration/secure_test_servers.h"
#include "platform/curl_ftp_client.h"
#include "upload/ftp_transfer_engine.h"

namespace yarvelin {
namespace {

using test::CFtpTestServer;
using test::CSftpPasswordServer;
using test::CSshdTestServer;
using test::CVsftpdTestServer;
using test::MakeFeed;

// Records what the worker reported and answers the trust questions as the test says.
class CTrustObserver : public FtpTransferObserver {
  public:
    void OnStatus(const std::string& text) override { Add(m_statuses, text); }
    void OnPercent(int percent, const std::string&) override { m_percent = percent; }
    void OnRate(const std::string&) override {}
    void OnTimeLeft(const std::string&) override {}
    bool AskReplaceRemote(const std::string&) override { return true; }
    bool AskTrustHostKey(const HostKeyQuestion& q) override {
        std::lock_guard lock(m_mutex);
        m_hostKeys.push_back(q);
        return m_trustHostKey;
    }
    void OnHostKeyChanged(const HostKeyQuestion& q) override {
        std::lock_guard lock(m_mutex);
        m_changedKeys.push_back(q);
    }
    bool AskTrustCertificate(const CertificateQuestion& q) override {
        std::lock_guard lock(m_mutex);
        m_certificates.push_back(q);
        return m_trustCertificate;
    }
    void OnCertificateReplaced(const CertificateQuestion& q) override {
        std::lock_guard lock(m_mutex);
        m_replaced.push_back(q);
    }
    void OnEnded(bool failed) override {
        m_failed = failed;
        m_ended = true;
    }

    std::mutex m_mutex;
    std::vector<std::string> m_statuses;
    std::vector<HostKeyQuestion> m_hostKeys, m_changedKeys;
    std::vector<CertificateQuestion> m_certificates, m_replaced;
    bool m_trustHostKey = false;
    bool m_trustCertificate = false;
    bool m_failed = false;
    std::atomic<int> m_percent{0};
    std::atomic<bool> m_ended{false};

  private:
    void Add(std::vector<std::string>& to, const std::string& text) {
        std::lock_guard lock(m_mutex);
        to.push_back(text);
    }
};

struct CRun {
    CCurlFtpClient client;
    CTrustObserver observer;
    CFtpTransferEngine engine{client, observer};
    explicit CRun(const FtpTransferRequest& request) { engine.m_request = request; }
    void Go() {
        ASSERT_EQ(engine.Prepare([](const std::string&) { return true; }),
                  CFtpTransferEngine::PrepareResult::Ready);
        engine.Run();
    }
};

FtpTransferRequest Upload(const test::CServerProcess& server, FtpProtocol protocol, const std::string& local,
                          const std::string& remote) {
    FtpTransferRequest r;
    r.download = false;
    r.server = "127.0.0.1";
    r.port = static_cast<std::uint16_t>(server.Port());
    r.localFile = local;
    r.remoteFile = remote;
    r.binary = true;
    r.promptOverwrite = false;
    r.passive = IsTlsProtocol(protocol);
    r.usePreConfig = false;
    r.security.protocol = protocol;
    r.security.knownHostsFile = (server.Base() / "known_hosts").string();
    return r;
}

std::string RandomBytes(std::size_t size) {
    std::string s(size, '\0');
    unsigned x = 12345;
    for (char& c : s) {
        x = x * 1103515245 + 12345;
        c = static_cast<char>(x >> 16);
    }
    return s;
}

// ---- SFTP with sshd: key sign-in and host keys

TEST(SecureSftp, UnknownHostKeyRefusedThenTrustedAndRemembered) {
    CSshdTestServer server;
    const std::string data = RandomBytes(700 * 1024);
    const auto local = server.Base() / "shop.txt";
    CFtpTestServer::WriteFile(local, data);
    FtpTransferRequest r =
        Upload(server, FtpProtocol::Sftp, local.string(), (server.Root() / "shop.txt").string());
    r.userName = CSshdTestServer::User();
    r.security.identityFile = server.ClientKey();
    const std::string fingerprint = CSshdTestServer::FingerprintOf(server.HostKey() + ".pub");
    ASSERT_EQ(fingerprint.rfind("SHA256:", 0), 0u);

    {  // No: nothing is stored, nothing is sent.
        CRun run(r);
        run.Go();
        EXPECT_TRUE(run.observer.m_failed);
        EXPECT_EQ(run.engine.ErrorText(), "An error occurred connecting to the server, Error:12045");
        ASSERT_EQ(run.observer.m_hostKeys.size(), 1u);
        EXPECT_EQ(run.observer.m_hostKeys[0].fingerprint, fingerprint);
        EXPECT_EQ(run.observer.m_hostKeys[0].keyType, "ED25519");
        EXPECT_EQ(run.observer.m_hostKeys[0].host, "[127.0.0.1]:" + std::to_string(server.Port()));
        EXPECT_EQ(CFtpTestServer::ReadFile(r.security.knownHostsFile), "");
        EXPECT_FALSE(std::filesystem::exists(server.Root() / "shop.txt"));
    }
    {  // Yes: the key goes into the known-hosts file, readable by its owner only, and the file arrives.
        CRun run(r);
        run.observer.m_trustHostKey = true;
        run.Go();
        EXPECT_FALSE(run.observer.m_failed) << run.engine.ErrorText();
        EXPECT_EQ(run.observer.m_hostKeys.size(), 1u);
        EXPECT_TRUE(CFtpTestServer::ReadFile(server.Root() / "shop.txt") == data);
        struct stat st {};
        ASSERT_EQ(stat(r.security.knownHostsFile.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0600u);
        const std::string publicKey = CFtpTestServer::ReadFile(server.HostKey() + ".pub");
        const std::string keyText = publicKey.substr(0, publicKey.rfind(' '));
        EXPECT_NE(CFtpTestServer::ReadFile(r.security.knownHostsFile).find(keyText), std::string::npos);
    }
    {  // Known now: no question.
        CRun run(r);
        run.Go();
        EXPECT_FALSE(run.observer.m_failed) << run.engine.ErrorText();
        EXPECT_TRUE(run.observer.m_hostKeys.empty());
    }
}

TEST(SecureSftp, ChangedHostKeyIsRefusedWithBothFingerprints) {
    CSshdTestServer server;
    const auto local = server.Base() / "shop.txt";
    CFtpTestServer::WriteFile(local, "data");
    FtpTransferRequest r =
        Upload(server, FtpProtocol::Sftp, local.string(), (server.Root() / "shop.txt").string());
    r.userName = CSshdTestServer::User();
    r.security.identityFile = server.ClientKey();
    // The record holds another key for this host.
    test::MustRun("ssh-keygen -q -t ed25519 -N '' -f " + (server.Base() / "old_key").string());
    const std::string oldKey = CFtpTestServer::ReadFile(server.Base() / "old_key.pub");
    CFtpTestServer::WriteFile(
        r.security.knownHostsFile,
        "[127.0.0.1]:" + std::to_string(server.Port()) + " " + oldKey.substr(0, oldKey.rfind(' ')) + "\n");

    CRun run(r);
    run.observer.m_trustHostKey = true;  // never asked: a changed key is no question
    run.Go();
    EXPECT_TRUE(run.observer.m_failed);
    EXPECT_EQ(run.engine.ErrorText(), "An error occurred connecting to the server, Error:12045");
    EXPECT_TRUE(run.observer.m_hostKeys.empty());
    ASSERT_EQ(run.observer.m_changedKeys.size(), 1u);
    const HostKeyQuestion& q = run.observer.m_changedKeys[0];
    EXPECT_EQ(q.oldFingerprint, CSshdTestServer::FingerprintOf((server.Base() / "old_key.pub").string()));
    EXPECT_EQ(q.fingerprint, CSshdTestServer::FingerprintOf(server.HostKey() + ".pub"));
    EXPECT_NE(HostKeyChangedText(q).find(r.security.knownHostsFile), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(server.Root() / "shop.txt"));
}

// Two SSH servers on two ports of one host, each with its own key: accepting the second keeps the first.
TEST(SecureSftp, ServersOnTwoPortsOfOneHostKeepTheirOwnKeys) {
    CSshdTestServer first, second;
    const std::string knownHosts = (first.Base() / "known_hosts").string();
    for (const bool firstRound : {true, false}) {
        for (const CSshdTestServer* server : {&first, &second}) {
            const auto local = server->Base() / "shop.txt";
            CFtpTestServer::WriteFile(local, "data");
            FtpTransferRequest r =
                Upload(*server, FtpProtocol::Sftp, local.string(), (server->Root() / "shop.txt").string());
            r.userName = CSshdTestServer::User();
            r.security.identityFile = server->ClientKey();
            r.security.knownHostsFile = knownHosts;
            CRun run(r);
            run.observer.m_trustHostKey = firstRound;
            run.Go();
            const std::string name = "[127.0.0.1]:" + std::to_string(server->Port());
            EXPECT_FALSE(run.observer.m_failed) << name << ": " << run.engine.ErrorText();
            EXPECT_TRUE(run.observer.m_changedKeys.empty()) << name;
            ASSERT_EQ(run.observer.m_hostKeys.size(), firstRound ? 1u : 0u) << name;
            if (firstRound) {
                EXPECT_EQ(run.observer.m_hostKeys[0].host, name);
                EXPECT_EQ(run.observer.m_hostKeys[0].fingerprint,
                          CSshdTestServer::FingerprintOf(server->HostKey() + ".pub"));
            }
        }
    }
    // Both keys are on record under their own port, as OpenSSH writes them.
    const std::string file = CFtpTestServer::ReadFile(knownHosts);
    for (const CSshdTestServer* server : {&first, &second}) {
        const std::string publicKey = CFtpTestServer::ReadFile(server->HostKey() + ".pub");
        EXPECT_NE(file.find("[127.0.0.1]:" + std::to_string(server->Port()) + " " +
                            publicKey.substr(0, publicKey.rfind(' '))),
                  std::string::npos)
            << file;
    }
}

// libssh2 signs with an RSA key the old way (ssh-rsa, SHA-1), which sshd refuses by default: the user is
// told so, not sent after the password.
TEST(SecureSftp, RsaKeyRefusedByTheServerIsExplained) {
    CSshdTestServer server("rsa");
    const auto local = server.Base() / "shop.txt";
    CFtpTestServer::WriteFile(local, "data");
    FtpTransferRequest r =
        Upload(server, FtpProtocol::Sftp, local.string(), (server.Root() / "shop.txt").string());
    r.userName = CSshdTestServer::User();
    r.security.identityFile = server.ClientKey();
    CRun run(r);
    run.observer.m_trustHostKey = true;
    run.Go();
    EXPECT_TRUE(run.observer.m_failed);
    EXPECT_EQ(run.engine.ErrorText(), "An error occurred connecting to the server, Error:12015");
    EXPECT_EQ(run.engine.ErrorHint(), RsaKeyRefusedHint());
    EXPECT_FALSE(std::filesystem::exists(server.Root() / "shop.txt"));
}

// ---- SFTP with password sign-in

TEST(SecureSftp, PasswordSignInUploadsIntoTheStartingFolderAndResumes) {
    CSftpPasswordServer server;
    const std::string data = RandomBytes(500 * 1024);
    const auto local = server.Base() / "shop.bin";
    CFtpTestServer::WriteFile(local, data);
    FtpTransferRequest r = Upload(server, FtpProtocol::Sftp, local.string(), "shop.bin");
    r.userName = "merchant";
    r.password = "secret";
    {
        CRun run(r);
        run.observer.m_trustHostKey = true;
        run.Go();
        EXPECT_FALSE(run.observer.m_failed) << run.engine.ErrorText();
        EXPECT_TRUE(CFtpTestServer::ReadFile(server.Root() / "shop.bin") == data);
    }
    // The server holds the first part only; the rest follows from there.
    CFtpTestServer::WriteFile(server.Root() / "shop.bin", data.substr(0, 200000));
    r.startOffset = 200000;
    CRun run(r);
    run.Go();
    EXPECT_FALSE(run.observer.m_failed) << run.engine.ErrorText();
    EXPECT_TRUE(CFtpTestServer::ReadFile(server.Root() / "shop.bin") == data);
}

// A folder the server does not have is named as missing, the temporary name never asked about.
TEST(SecureSftp, MissingRemoteFolderGetsThePlainSentence) {
    CSshdTestServer server;
    const auto local = server.Base() / "shop.txt";
    CFtpTestServer::WriteFile(local, "data");
    FtpTransferRequest r = Upload(server, FtpProtocol::Sftp, local.string(),
                                  (server.Root() / "no-such-folder" / "shop.txt").string());
    r.userName = CSshdTestServer::User();
    r.security.identityFile = server.ClientKey();
    r.safeReplace = true;
    CRun run(r);
    run.observer.m_trustHostKey = true;
    run.Go();
    EXPECT_TRUE(run.observer.m_failed);
    EXPECT_EQ(run.engine.ErrorText(),
              "The folder " + (server.Root() / "no-such-folder").string() +
                  " does not exist on the server, so nothing was sent. Create the "
                  "folder on the server, or correct the folder in the server address.");
    EXPECT_EQ(run.engine.ErrorHint(), "");
}

TEST(SecureSftp, WrongPasswordAndDroppedConnectionSayWhatHappened) {
    {
        CSftpPasswordServer server;
        const auto local = server.Base() / "shop.txt";
        CFtpTestServer::WriteFile(local, "data");
        FtpTransferRequest r = Upload(server, FtpProtocol::Sftp, local.string(), "shop.txt");
        r.userName = "merchant";
        r.password = "wrong";
        CRun run(r);
        run.observer.m_trustHostKey = true;
        run.Go();
        EXPECT_TRUE(run.observer.m_failed);
        EXPECT_EQ(run.engine.ErrorText(), "An error occurred connecting to the server, Error:12015");
        EXPECT_NE(run.engine.ErrorHint().find("refused the sign-in"), std::string::npos);
    }
    {
        CSftpPasswordServer server("drop=300000");
        const auto local = server.Base() / "shop.bin";
        CFtpTestServer::WriteFile(local, RandomBytes(1000 * 1024));
        FtpTransferRequest r = Upload(server, FtpProtocol::Sftp, local.string(), "shop.bin");
        r.userName = "merchant";
        r.password = "secret";
        CRun run(r);
        run.observer.m_trustHostKey = true;
        run.Go();
        EXPECT_TRUE(run.observer.m_failed);
        EXPECT_EQ(run.engine.ErrorText().rfind("An error occurred while uploading the file, Error:", 0), 0u)
            << run.engine.ErrorText();
    }
}

TEST(SecureSftp, CancelStopsALimitedTransfer) {
    CSftpPasswordServer server;
    const auto local = server.Base() / "shop.bin";
    CFtpTestServer::WriteFile(local, RandomBytes(2000 * 1024));
    FtpTransferRequest r = Upload(server, FtpProtocol::Sftp, local.string(), "shop.bin");
    r.userName = "merchant";
    r.password = "secret";
    r.bandwidthLimit = 50;  // 50 KB a second: 40 seconds for the whole file
    CRun run(r);
    run.observer.m_trustHostKey = true;
    ASSERT_EQ(run.engine.Prepare([](const std::string&) { return true; }),
              CFtpTransferEngine::PrepareResult::Ready);
    ASSERT_TRUE(run.engine.Start());
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    const auto cancelled = std::chrono::steady_clock::now();
    run.engine.Abort();
    run.engine.Wait();
    EXPECT_LT(std::chrono::steady_clock::now() - cancelled, std::chrono::seconds(3));
    EXPECT_FALSE(run.observer.m_failed);
    EXPECT_LT(std::filesystem::file_size(server.Root() / "shop.bin"), 2000u * 1024u);
}

// ---- FTP over TLS with vsftpd

struct TlsCase {
    const char* name;
    CVsftpdTestServer::Mode mode;
    FtpProtocol protocol;
    bool binary;
};
class SecureTls : public ::testing::TestWithParam<TlsCase> {};

TEST_P(SecureTls, SelfSignedCertificateRefusedThenPinned) {
    CVsftpdTestServer server(GetParam().mode);
    const std::string feed = MakeFeed(400 * 1024);
    const auto local = server.Base() / "shop.txt";
    CFtpTestServer::WriteFile(local, GetParam().binary ? RandomBytes(400 * 1024) : feed);
    FtpTransferRequest r = Upload(server, GetParam().protocol, local.string(), "shop.txt");
    r.binary = GetParam().binary;
    {  // No: nothing is signed in to, nothing sent.
        CRun run(r);
        run.Go();
        EXPECT_TRUE(run.observer.m_failed);
        EXPECT_EQ(run.engine.ErrorText(), "An error occurred connecting to the server, Error:12045");
        ASSERT_EQ(run.observer.m_certificates.size(), 1u);
        const CertificateQuestion& q = run.observer.m_certificates[0];
        EXPECT_EQ(q.server, "127.0.0.1:" + std::to_string(server.Port()));
        EXPECT_EQ(q.subject, "CN = localhost");
        EXPECT_EQ(q.issuer, "CN = localhost");
        EXPECT_EQ(q.fingerprint, server.Fingerprint());
        EXPECT_EQ(q.pin, server.Pin());
        EXPECT_NE(q.problem.find("self-signed"), std::string::npos) << q.problem;
        EXPECT_FALSE(std::filesystem::exists(server.Root() / "shop.txt"));
    }
    std::string pin;
    {  // Yes: the upload goes through, byte for byte (ASCII: vsftpd stores LF lines).
        CRun run(r);
        run.observer.m_trustCertificate = true;
        run.Go();
        EXPECT_FALSE(run.observer.m_failed) << run.engine.ErrorText() << server.Log();
        ASSERT_EQ(run.observer.m_certificates.size(), 1u);
        pin = run.observer.m_certificates[0].pin;
        std::string expected = CFtpTestServer::ReadFile(local);
        if (!r.binary) {
            std::erase(expected, '\r');
        }
        EXPECT_TRUE(CFtpTestServer::ReadFile(server.Root() / "shop.txt") == expected);
    }
    {  // Pinned: no question.
        r.security.pinnedKey = pin;
        CRun run(r);
        run.Go();
        EXPECT_FALSE(run.observer.m_failed) << run.engine.ErrorText();
        EXPECT_TRUE(run.observer.m_certificates.empty());
    }
    {  // The pin of another key: the certificate was replaced. No question, a refusal naming both keys.
        r.security.pinnedKey = "sha256//" + Base64Encode(std::string(32, 'x'));
        CRun run(r);
        run.observer.m_trustCertificate = true;  // never asked
        run.Go();
        EXPECT_TRUE(run.observer.m_failed);
        EXPECT_EQ(run.engine.ErrorText(), "An error occurred connecting to the server, Error:12045");
        EXPECT_TRUE(run.observer.m_certificates.empty());
        ASSERT_EQ(run.observer.m_replaced.size(), 1u);
        EXPECT_EQ(run.observer.m_replaced[0].pinnedKey, r.security.pinnedKey);
        EXPECT_EQ(run.observer.m_replaced[0].pin, pin);
        EXPECT_EQ(run.observer.m_replaced[0].fingerprint, server.Fingerprint());
    }
}
INSTANTIATE_TEST_SUITE_P(Modes, SecureTls,
                         ::testing::Values(TlsCase{"ExplicitAscii", CVsftpdTestServer::Mode::ExplicitTls,
                                                   FtpProtocol::FtpExplicitTls, false},
                                           TlsCase{"ExplicitBinary", CVsftpdTestServer::Mode::ExplicitTls,
                                                   FtpProtocol::FtpExplicitTls, true},
                                           TlsCase{"ImplicitBinary", CVsftpdTestServer::Mode::ImplicitTls,
                                                   FtpProtocol::FtpImplicitTls, true}),
                         [](const auto& info) { return std::string(info.param.name); });

// A TLS upload that goes wrong half way and is taken up again, on one server: the server's session dies
// mid-transfer, then Cancel mid-transfer, then a resume (REST) from what the server holds.
TEST(SecureTlsFaults, DroppedCancelledThenResumedToTheExactBytes) {
    CVsftpdTestServer server(CVsftpdTestServer::Mode::ExplicitTls);
    const std::string data = RandomBytes(600 * 1024);
    const auto local = server.Base() / "shop.bin";
    CFtpTestServer::WriteFile(local, data);
    const auto remote = server.Root() / "shop.bin";
    FtpTransferRequest r = Upload(server, FtpProtocol::FtpExplicitTls, local.string(), "shop.bin");
    r.security.pinnedKey = server.Pin();
    r.bandwidthLimit = 100;  // 100 KB a second: six seconds for the whole file
    // Starts the upload and, a tenth of the way in, does what the step says; the engine then ends.
    const auto interrupted = [&](const std::function<void(CFtpTransferEngine&)>& interrupt, CRun& run) {
        ASSERT_EQ(run.engine.Prepare([](const std::string&) { return true; }),
                  CFtpTransferEngine::PrepareResult::Ready);
        ASSERT_TRUE(run.engine.Start());
        while (run.observer.m_percent < 10 && !run.observer.m_ended) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        interrupt(run.engine);
        run.engine.Wait();
    };
    {  // Dropped: the connection breaks off, and the upload says so.
        CRun run(r);
        interrupted([&](CFtpTransferEngine&) { server.DropSessions(); }, run);
        EXPECT_TRUE(run.observer.m_failed);
        EXPECT_FALSE(run.engine.IsAborted());
        EXPECT_EQ(run.engine.ErrorText(), "An error occurred while uploading the file, Error:12030");
        EXPECT_EQ(run.engine.ErrorHint(), "The connection to the server broke off.");
        EXPECT_TRUE(CFtpTestServer::ReadFile(local) == data);
    }
    {  // Cancelled: no error, part of the file on the server, the local file as it was.
        CRun run(r);
        interrupted([](CFtpTransferEngine& engine) { engine.Abort(); }, run);
        EXPECT_FALSE(run.observer.m_failed);
        EXPECT_TRUE(run.engine.IsAborted());
        EXPECT_EQ(run.engine.ErrorText(), "");
        EXPECT_TRUE(CFtpTestServer::ReadFile(local) == data);
    }
    const std::uint64_t held = std::filesystem::file_size(remote);
    ASSERT_GT(held, 0u);
    ASSERT_LT(held, data.size());
    {  // Resumed where the server stopped: the rest goes, and the server has the file byte for byte.
        r.bandwidthLimit = 0;
        r.startOffset = held;
        CRun run(r);
        run.Go();
        EXPECT_FALSE(run.observer.m_failed) << run.engine.ErrorText();
        EXPECT_TRUE(CFtpTestServer::ReadFile(remote) == data);
    }
}

TEST(SecureTlsSignIn, WrongPasswordGivesTheServersWords) {
    CVsftpdTestServer server(CVsftpdTestServer::Mode::ExplicitTls);
    const auto local = server.Base() / "shop.txt";
    CFtpTestServer::WriteFile(local, "data");
    FtpTransferRequest r = Upload(server, FtpProtocol::FtpExplicitTls, local.string(), "shop.txt");
    r.userName = "no-such-merchant";
    r.password = "wrong";
    r.security.pinnedKey = server.Pin();
    CRun run(r);
    run.Go();
    EXPECT_TRUE(run.observer.m_failed);
    EXPECT_EQ(run.engine.ErrorText(),
              "An error occurred connecting to the server, Error:\n530 Login incorrect.");
    EXPECT_NE(run.engine.ErrorHint().find("refused the sign-in"), std::string::npos);
}

// ---- Active mode refused: one retry in passive mode

TEST(PassiveRetry, RefusedActiveModeIsRetriedPassiveAndSaidSo) {
    CVsftpdTestServer server(CVsftpdTestServer::Mode::PlainPassiveOnly);
    const std::string data = RandomBytes(300 * 1024);
    const auto local = server.Base() / "shop.bin";
    CFtpTestServer::WriteFile(local, data);
    FtpTransferRequest r = Upload(server, FtpProtocol::Ftp, local.string(), "shop.bin");
    r.passive = false;
    CRun run(r);
    run.Go();
    EXPECT_FALSE(run.observer.m_failed) << run.engine.ErrorText();
    EXPECT_TRUE(CFtpTestServer::ReadFile(server.Root() / "shop.bin") == data);
    const auto& s = run.observer.m_statuses;
    EXPECT_NE(std::find(s.begin(), s.end(), "Active mode failed; retrying in passive mode"), s.end());
    EXPECT_NE(std::find(s.begin(), s.end(), "Uploading the file (passive mode: active mode failed)"),
              s.end());
}

}  // namespace
}  // namespace yarvelin

// yarvelin-feed upload against sshd and vsftpd over TLS: unknown host keys and unverified certificates are
// refused with the value to pass, and pass with it.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include "integration/secure_test_servers.h"
#include "support/cli_run.h"

namespace yarvelin {
namespace {

using test::CFtpTestServer;
using test::CSshdTestServer;
using test::CVsftpdTestServer;

// Runs the command line with its output caught (not a terminal, so no progress lines).
yarvelin::testing::CliRun RunCli(const std::string& args, const std::filesystem::path& dir) {
    return yarvelin::testing::RunShellLine(YARVELIN_CLI, args, dir);
}

TEST(SecureCli, SftpHostKeyIsRefusedUntilAccepted) {
    CSshdTestServer server;
    const auto feed = server.Base() / "merchant.txt";
    CFtpTestServer::WriteFile(feed, test::MakeFeed(100000));
    const std::string args =
        "upload " + feed.string() + " --server sftp://127.0.0.1:" + std::to_string(server.Port()) +
        server.Root().string() + " --user " + CSshdTestServer::User() + " --identity " + server.ClientKey() +
        " --known-hosts " + (server.Base() / "known_hosts").string();
    const std::string fingerprint = CSshdTestServer::FingerprintOf(server.HostKey() + ".pub");

    testing::CliRun r = RunCli(args, server.Base());
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("host key fingerprint is " + fingerprint), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("--accept-new-host-key"), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(server.Root() / "merchant.txt"));

    r = RunCli(args + " --accept-new-host-key", server.Base());
    EXPECT_EQ(r.status, 0) << r.err;
    // SFTP moves the bytes as they are.
    EXPECT_TRUE(CFtpTestServer::ReadFile(server.Root() / "merchant.txt") == CFtpTestServer::ReadFile(feed));

    r = RunCli(args, server.Base());
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
}

TEST(SecureCli, UnverifiedCertificateIsRefusedUntilPinned) {
    CVsftpdTestServer server(CVsftpdTestServer::Mode::ExplicitTls);
    const auto feed = server.Base() / "merchant.txt";
    CFtpTestServer::WriteFile(feed, test::MakeFeed(100000));
    const std::string args =
        "upload " + feed.string() + " --binary --server ftpes://127.0.0.1:" + std::to_string(server.Port());

    testing::CliRun r = RunCli(args, server.Base());
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("SHA256 fingerprint: " + server.Fingerprint()), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("Pass --pin-sha256 " + server.Pin() + " to trust it."), std::string::npos) << r.err;

    r = RunCli(args + " --pin-sha256 " + server.Pin(), server.Base());
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(CFtpTestServer::ReadFile(server.Root() / "merchant.txt") == CFtpTestServer::ReadFile(feed));

    // A pin the certificate no longer matches: refused as replaced, with both keys and no value to pass.
    const std::string oldPin = "sha256//" + std::string(43, 'A') + "=";
    r = RunCli(args + " --pin-sha256 " + oldPin, server.Base());
    EXPECT_EQ(r.status, 1);
    for (const std::string& part :
         {"the certificate of the server 127.0.0.1:" + std::to_string(server.Port()) + " was replaced",
          "The public key you trusted:\n" + oldPin, "The public key the server shows now:\n" + server.Pin(),
          "SHA256 fingerprint: " + server.Fingerprint(), "leave out --pin-sha256 " + oldPin}) {
        EXPECT_NE(r.err.find(part), std::string::npos) << part << "\n" << r.err;
    }
    EXPECT_EQ(r.err.find("to trust it"), std::string::npos) << r.err;

    r = RunCli(args + " --pin-sha256 nonsense", server.Base());
    EXPECT_EQ(r.status, 2);
    r = RunCli(args + " --identity " + feed.string(), server.Base());
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("--identity works with sftp:// servers only"), std::string::npos) << r.err;
}

// The first night's check: `run --check` signs in to an ordinary OpenSSH account without sending anything,
// and the first time says how to accept the server's key.
TEST(SecureCli, RunCheckSignsInAndSaysHowToAcceptTheHostKey) {
    test::CSshdTestServer server(test::SshAccount::Ordinary);
    const auto job = server.Base() / "shop.toml";
    const auto knownHosts = server.Base() / "known_hosts";
    const std::string address = "sftp://127.0.0.1:" + std::to_string(server.Port());
    CFtpTestServer::WriteFile(job, "[source]\nfeed = \"" YARVELIN_SOURCE_DIR
                                   "/resources/Samples/SampleFlowers.txt\"\n[output]\nfile = \"" +
                                       (server.Base() / "merchant.txt").string() +
                                       "\"\n[upload]\nserver = \"" + address + "\"\nuser = \"" +
                                       server.Login() + "\"\nkey-file = \"" + server.ClientKey() +
                                       "\"\nknown-hosts = \"" + knownHosts.string() + "\"\n");
    const std::string check = "run --check --allow-errors " + job.string();

    testing::CliRun r = RunCli(check, server.Base());
    EXPECT_EQ(r.status, 1) << r.out;
    EXPECT_NE(r.err.find(CSshdTestServer::FingerprintOf(server.HostKey() + ".pub")), std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("Pass --accept-new-host-key once to trust it."), std::string::npos) << r.err;
    EXPECT_EQ(CFtpTestServer::ReadFile(knownHosts), "");

    for (const char* accept : {" --accept-new-host-key", ""}) {
        r = RunCli(check + accept, server.Base());
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_NE(r.out.find("signed in to " + address + " as " + server.Login() + "\n"), std::string::npos)
            << r.out;
    }
    EXPECT_TRUE(std::filesystem::is_empty(server.LoginFolderOnDisk()));
    EXPECT_FALSE(std::filesystem::exists(server.Base() / "merchant.txt"));
}

}  // namespace
}  // namespace yarvelin

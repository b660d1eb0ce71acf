// yarvelin-feed run with its source fetched from the shop (nginx, vsftpd and sshd on loopback), and the
// alerts of failing, recovering and stale jobs.
#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <sstream>
#include <thread>

#include "integration/ftp_test_server.h"
#include "integration/secure_test_servers.h"
#include "support/cli_run.h"
#include "support/local_http_servers.h"

namespace yarvelin {
namespace {

using test::CFtpTestServer;
namespace fs = std::filesystem;

const std::string kFeed =
    CFtpTestServer::ReadFile(YARVELIN_SOURCE_DIR "/resources/Samples/SampleFlowers.txt");

// A job folder with its own state; the job writes out/feed.txt and uploads only when given an [upload].
class CSourceJob {
  public:
    explicit CSourceJob(const fs::path& base) : m_dir(base / "job") { fs::create_directories(m_dir / "out"); }
    void Write(const std::string& source, const std::string& more = {}) const {
        CFtpTestServer::WriteFile(m_dir / "shop.toml",
                                  "[source]\n" + source + "\n[output]\nfile = \"out/feed.txt\"\n" + more);
    }
    testing::CliRun Run(const std::string& options = {}) const {
        return testing::RunShellLine(
            YARVELIN_CLI, "run " + options + " " + testing::ShellQuote((m_dir / "shop.toml").string()), m_dir,
            "XDG_STATE_HOME=" + testing::ShellQuote((m_dir / "state").string()));
    }
    nlohmann::json LastRecord() const {
        std::istringstream in(CFtpTestServer::ReadFile(m_dir / "state" / "yarvelin" / "history.jsonl"));
        std::string line, last;
        while (std::getline(in, line)) {
            last = line;
        }
        return nlohmann::json::parse(last);
    }
    bool Written() const { return fs::exists(m_dir / "out" / "feed.txt"); }
    // Nothing of the download is left beside the output.
    std::size_t FilesInOut() const {
        return static_cast<std::size_t>(std::distance(fs::directory_iterator(m_dir / "out"), {}));
    }
    const fs::path& Dir() const { return m_dir; }

  private:
    fs::path m_dir;
};

class CTempDir {
  public:
    CTempDir() {
        char pattern[] = "/tmp/yarvelin-source-XXXXXX";
        m_path = mkdtemp(pattern);
    }
    ~CTempDir() {
        std::error_code ignored;
        fs::remove_all(m_path, ignored);
    }
    const fs::path& Path() const { return m_path; }

  private:
    fs::path m_path;
};

// nginx as a shop serving its export: a static file (ETag, Last-Modified), basic auth, a redirect to a
// login page answered with 200, an empty and a broken compressed body, a web hook sink.
std::string ShopLocations(const fs::path& files) {
    CFtpTestServer::WriteFile(files / "htpasswd",
                              "merchant:" + test::OutputOf("openssl passwd -apr1 secret") + "\n");
    const std::string root = files.string();
    return "    location /feed.txt { root " + root +
           "; }\n"
           "    location /private/ { auth_basic shop; auth_basic_user_file " +
           root + "/htpasswd; alias " + root +
           "/; }\n"
           "    location /export { return 302 /login; }\n"
           "    location /login { default_type text/html; return 200 '<!DOCTYPE html><html><body>Sign "
           "in</body></html>'; }\n"
           "    location /empty { return 200 ''; }\n"
           "    location /broken { default_type text/plain; add_header Content-Encoding gzip; return 200 'no "
           "gzip'; }\n"
           "    location /gzip/ { alias " +
           root +
           "/; gzip on; gzip_types text/plain; gzip_min_length 1; }\n"
           "    location /missing { return 404; }\n"
           "    location /hook { return 200 'ok'; }\n";
}

// A server that announces more than it sends and closes: a body cut short.
class CCutShortServer {
  public:
    CCutShortServer() : m_port(testing::FreeLoopbackPort()) {
        m_listen = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const int yes = 1;
        setsockopt(m_listen, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        sockaddr_in a = testing::detail::Loopback(m_port);
        if (bind(m_listen, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || listen(m_listen, 8) != 0) {
            throw std::runtime_error("cannot listen");
        }
        m_thread = std::thread([this] {
            const int conn = accept(m_listen, nullptr, nullptr);
            char request[4096];
            [[maybe_unused]] const ssize_t got = recv(conn, request, sizeof request, 0);
            const std::string reply =
                "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: 100000\r\n\r\n" +
                kFeed.substr(0, 1000);
            [[maybe_unused]] const ssize_t sent = send(conn, reply.data(), reply.size(), MSG_NOSIGNAL);
            close(conn);
        });
    }
    ~CCutShortServer() {
        m_thread.join();
        close(m_listen);
    }
    std::string Url() const { return "http://127.0.0.1:" + std::to_string(m_port) + "/feed.txt"; }

  private:
    int m_port;
    int m_listen = -1;
    std::thread m_thread;
};

struct BadSourceCase {
    const char* name;
    const char* path;  // on nginx
    const char* reason;
};

class RunSourceFails : public ::testing::TestWithParam<BadSourceCase> {};

// A source that cannot be read fails the run before anything is written or uploaded, and says why.
TEST_P(RunSourceFails, NothingIsWrittenOrUploaded) {
    CTempDir temp;
    CFtpTestServer::WriteFile(temp.Path() / "feed.txt", kFeed);
    testing::CNginxServer shop(ShopLocations(temp.Path()));
    CFtpTestServer upload;
    CFtpTestServer::WriteFile(upload.Root() / "feed.txt", "the feed the service has\r\n");
    CSourceJob job(temp.Path());
    job.Write("feed-url = \"" + shop.Url(GetParam().path) + "\"\nretries = 0\n",
              "[upload]\nserver = \"ftp://127.0.0.1:" + std::to_string(upload.Port()) +
                  "\"\nuser = \"merchant\"\npassword-file = \"pw\"\nbinary = true\n");
    CFtpTestServer::WriteFile(job.Dir() / "pw", "secret\n");
    const testing::CliRun r = job.Run();
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_FALSE(job.Written());
    EXPECT_EQ(job.FilesInOut(), 0u);
    EXPECT_EQ(CFtpTestServer::ReadFile(upload.Root() / "feed.txt"), "the feed the service has\r\n");
    const nlohmann::json record = job.LastRecord();
    EXPECT_EQ(record["status"], 1);
    EXPECT_NE(record["reason"].get<std::string>().find(GetParam().reason), std::string::npos)
        << record.dump();
}

INSTANTIATE_TEST_SUITE_P(Http, RunSourceFails,
                         ::testing::Values(BadSourceCase{"NotFound", "/missing", "answered 404"},
                                           BadSourceCase{"NoPassword", "/private/feed.txt", "answered 401"},
                                           BadSourceCase{"LoginRedirect", "/export", "sent a web page"},
                                           BadSourceCase{"Empty", "/empty", "sent an empty file"},
                                           BadSourceCase{"BrokenGzip", "/broken",
                                                         "compressed body that does not inflate"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(RunSource, BodyCutShortFails) {
    CTempDir temp;
    CCutShortServer server;
    CSourceJob job(temp.Path());
    job.Write("feed-url = \"" + server.Url() + "\"\nretries = 0\n");
    const testing::CliRun r = job.Run();
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_FALSE(job.Written());
    EXPECT_NE(job.LastRecord()["reason"].get<std::string>().find("broke off after 1000 bytes of 100000"),
              std::string::npos)
        << r.err;
}

// Basic auth and a compressed body are read; the second run finds the source unchanged (ETag) and ends
// with status 0, nothing written; with refresh-after passed it sends the feed again.
TEST(RunSource, FetchesThenFindsTheSourceUnchanged) {
    CTempDir temp;
    CFtpTestServer::WriteFile(temp.Path() / "feed.txt", kFeed);
    testing::CNginxServer shop(ShopLocations(temp.Path()));
    CFtpTestServer upload;
    CSourceJob job(temp.Path());
    CFtpTestServer::WriteFile(job.Dir() / "pw", "secret\n");
    const std::string uploadTable = "[upload]\nserver = \"ftp://127.0.0.1:" + std::to_string(upload.Port()) +
                                    "\"\nuser = \"merchant\"\npassword-file = \"pw\"\nbinary = true\n";
    job.Write(
        "feed-url = \"" + shop.Url("/private/feed.txt") + "\"\nuser = \"merchant\"\npassword-file = \"pw\"\n",
        uploadTable);
    testing::CliRun r = job.Run();
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(job.LastRecord()["products"], 25);
    EXPECT_TRUE(job.LastRecord()["uploaded"]);
    EXPECT_EQ(job.FilesInOut(), 1u);  // the feed, no download left over

    r = job.Run();
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_FALSE(job.LastRecord()["uploaded"]);
    EXPECT_EQ(job.LastRecord()["reason"], "source unchanged, nothing uploaded");
    EXPECT_EQ(job.LastRecord()["unchanged"], true);
    EXPECT_NE(shop.AccessLog().back().find("GET /private/feed.txt"), std::string::npos);

    // The last upload is "older" than a refresh-after of one second once a second has passed.
    job.Write("feed-url = \"" + shop.Url("/gzip/feed.txt") + "\"\nrefresh-after = \"1s\"\n", uploadTable);
    r = job.Run();
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(job.LastRecord()["uploaded"]);
    std::this_thread::sleep_for(std::chrono::milliseconds(2100));
    r = job.Run();
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(job.LastRecord()["uploaded"]) << r.err;
    EXPECT_EQ(CFtpTestServer::ReadFile(upload.Root() / "feed.txt"),
              CFtpTestServer::ReadFile(job.Dir() / "out" / "feed.txt"));
}

// --check asks for the size only: nothing is downloaded or written.
TEST(RunSource, CheckSendsAHeadOnly) {
    CTempDir temp;
    CFtpTestServer::WriteFile(temp.Path() / "feed.txt", kFeed);
    testing::CNginxServer shop(ShopLocations(temp.Path()));
    CSourceJob job(temp.Path());
    job.Write("feed-url = \"" + shop.Url("/feed.txt") + "\"\n");
    const testing::CliRun r = job.Run("--check");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("would download " + shop.Url("/feed.txt") + " (" + std::to_string(kFeed.size()) +
                         " bytes)"),
              std::string::npos)
        << r.out;
    ASSERT_EQ(shop.AccessLogOf(1).size(), 1u);
    EXPECT_NE(shop.AccessLog()[0].find("HEAD /feed.txt"), std::string::npos);
    EXPECT_FALSE(job.Written());
}

// An export on the shop's own FTP and SFTP accounts, addressed relative to the login folder.
TEST(RunSource, ReadsFromFtpAndSftpAccounts) {
    test::CVsftpdTestServer ftp(test::CVsftpdTestServer::Mode::LocalUser);
    CFtpTestServer::WriteFile(ftp.Root() / "feed.txt", kFeed);
    CSourceJob job(ftp.Base());
    CFtpTestServer::WriteFile(job.Dir() / "pw", "secret\n");
    job.Write("feed-url = \"ftp://127.0.0.1:" + std::to_string(ftp.Port()) + "/feed.txt\"\nuser = \"" +
              ftp.User() + "\"\npassword-file = \"pw\"\n");
    testing::CliRun r = job.Run();
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(job.LastRecord()["products"], 25);

    test::CSshdTestServer sshd(test::SshAccount::Ordinary);
    CFtpTestServer::WriteFile(sshd.LoginFolderOnDisk() / "feed.txt", kFeed);
    const std::string hostKey = test::OutputOf("cut -d' ' -f1,2 " + sshd.HostKey() + ".pub");
    CFtpTestServer::WriteFile(job.Dir() / "known_hosts",
                              "[127.0.0.1]:" + std::to_string(sshd.Port()) + " " + hostKey + "\n");
    const std::string sftp = "feed-url = \"sftp://127.0.0.1:" + std::to_string(sshd.Port()) +
                             "/~/feed.txt\"\nuser = \"" + sshd.Login() + "\"\nkey-file = \"" +
                             sshd.ClientKey() + "\"\n";
    job.Write(sftp + "known-hosts = \"known_hosts\"\n");
    r = job.Run();
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(job.LastRecord()["products"], 25);
    // A server whose key is not known is refused: nobody is there to vouch for it.
    CFtpTestServer::WriteFile(job.Dir() / "empty_known_hosts", "");
    job.Write(sftp + "known-hosts = \"empty_known_hosts\"\nretries = 0\n");
    r = job.Run();
    EXPECT_EQ(r.status, 1) << r.err;
}

// Three failing runs give one alert, the run that goes through one "recovered"; a job never published is
// stale once.
TEST(RunSource, AlertsOncePerProblemAndOnRecovery) {
    CTempDir temp;
    CFtpTestServer::WriteFile(temp.Path() / "feed.txt", kFeed);
    testing::CNginxServer shop(ShopLocations(temp.Path()));
    CSourceJob job(temp.Path());
    const std::string notify = "[notify]\nwebhook = \"" + shop.Url("/hook") + "\"\ncommand = \"cat >> '" +
                               (job.Dir() / "alerts.jsonl").string() +
                               "'\"\nmail-to = \"shop@example.org\"\n";
    const auto posts = [&] {
        int n = 0;
        for (const std::string& line : shop.AccessLog()) {
            n += line.find("POST /hook") != std::string::npos;
        }
        return n;
    };
    const auto alerts = [&] {
        std::vector<nlohmann::json> lines;
        std::istringstream in(CFtpTestServer::ReadFile(job.Dir() / "alerts.jsonl"));
        for (std::string line; std::getline(in, line);) {
            lines.push_back(nlohmann::json::parse(line));
        }
        return lines;
    };
    job.Write("feed-url = \"" + shop.Url("/missing") + "\"\nretries = 0\n", notify);
    for (int i = 0; i < 3; ++i) {
        const testing::CliRun r = job.Run();
        EXPECT_EQ(r.status, 1) << r.err;
    }
    shop.AccessLogOf(4);
    EXPECT_EQ(posts(), 1);
    ASSERT_EQ(alerts().size(), 1u);
    EXPECT_EQ(alerts()[0]["alert"], "failed");
    EXPECT_EQ(alerts()[0]["status"], 1);

    job.Write("feed-url = \"" + shop.Url("/feed.txt") + "\"\n", notify);
    const testing::CliRun good = job.Run();
    EXPECT_EQ(good.status, 0) << good.err;
    shop.AccessLogOf(6);
    EXPECT_EQ(posts(), 2);
    ASSERT_EQ(alerts().size(), 2u);
    EXPECT_EQ(alerts()[1]["alert"], "recovered");
    if (test::OutputOf("command -v sendmail || true").empty()) {
        EXPECT_NE(good.err.find("no sendmail is installed"), std::string::npos) << good.err;
    }

    // Written but never published: stale, alerted once.
    for (int i = 0; i < 2; ++i) {
        const testing::CliRun stale = job.Run("--stale-check");
        EXPECT_EQ(stale.status, 1) << stale.err;
        EXPECT_NE(stale.err.find("shop: never published, stale"), std::string::npos) << stale.err;
    }
    ASSERT_EQ(alerts().size(), 3u);
    EXPECT_EQ(alerts()[2]["alert"], "stale");
}

}  // namespace
}  // namespace yarvelin

// Upload of a 100 MB feed to a local vsftpd: the transfer engine with the libcurl client against
// `curl -T` to the same server in the same mode, one run each.
//   ftp_upload_bench [MEGABYTES]
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "platform/curl_ftp_client.h"
#include "upload/ftp_transfer_engine.h"

namespace fs = std::filesystem;
using namespace yarvelin;

namespace {

int FreePort() {
    const int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t len = sizeof a;
    getsockname(s, reinterpret_cast<sockaddr*>(&a), &len);
    close(s);
    return ntohs(a.sin_port);
}

class CQuietObserver : public FtpTransferObserver {
  public:
    void OnStatus(const std::string&) override {}
    void OnPercent(int, const std::string&) override {}
    void OnRate(const std::string&) override {}
    void OnTimeLeft(const std::string&) override {}
    bool AskReplaceRemote(const std::string&) override { return true; }
    void OnEnded(bool failed) override { m_failed = failed; }
    bool m_failed = false;
};

double Seconds(std::chrono::steady_clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

}  // namespace

int main(int argc, char** argv) {
    const std::size_t megabytes = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 100;
    char pattern[] = "/tmp/yarvelin-bench-XXXXXX";
    const fs::path dir = mkdtemp(pattern);
    const fs::path pub = dir / "pub";
    fs::create_directories(pub / "in");
    fs::permissions(pub, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                             fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);
    fs::permissions(pub / "in", fs::perms::all);

    // The feed: tab-separated lines with CR LF, as the writer makes them.
    const fs::path feed = dir / "feed.txt";
    {
        std::ofstream out(feed, std::ios::binary);
        std::string line;
        for (std::size_t i = 0, total = 0; total < megabytes * 1024 * 1024; ++i) {
            line = "https://shop.example/p/" + std::to_string(i) + "\tProduct " + std::to_string(i) +
                   "\tA fine product for every day of the year\t" + std::to_string(10 + i % 90) + ".99\r\n";
            out << line;
            total += line.size();
        }
    }
    const auto size = fs::file_size(feed);

    const int port = FreePort();
    const fs::path conf = dir / "vsftpd.conf";
    std::ofstream(conf)
        << "listen=YES\nlisten_address=127.0.0.1\nlisten_port=" << port
        << "\nbackground=NO\nrun_as_launching_user=YES\nanonymous_enable=YES\nno_anon_password=YES\n"
           "anon_root="
        << pub.string()
        << "\nwrite_enable=YES\nanon_upload_enable=YES\nanon_other_write_enable=YES\n"
           "local_enable=NO\nseccomp_sandbox=NO\nconnect_from_port_20=NO\nxferlog_enable=NO\n";
    const pid_t server = fork();
    if (server == 0) {
        execl("/usr/sbin/vsftpd", "vsftpd", conf.c_str(), nullptr);
        _exit(127);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(500));

    std::printf("feed: %.1f MB, server: vsftpd on 127.0.0.1:%d\n", size / 1048576.0, port);
    std::printf("%-22s %10s %10s %10s %8s\n", "mode", "engine s", "curl s", "engine MB/s", "ratio");
    struct Mode {
        const char* name;
        bool binary;
        bool passive;
    } modes[] = {{"ASCII, active (page)", false, false}, {"binary, passive", true, true}};
    int status = 0;
    for (const Mode& m : modes) {
        const std::string remote = std::string("in/engine-") + (m.binary ? "bin" : "ascii") + ".txt";
        CCurlFtpClient client;
        CQuietObserver observer;
        double engineSeconds = 0;
        {
            CFtpTransferEngine engine(client, observer);
            engine.m_request.download = false;
            engine.m_request.server = "127.0.0.1";
            engine.m_request.port = static_cast<std::uint16_t>(port);
            engine.m_request.localFile = feed.string();
            engine.m_request.remoteFile = remote;
            engine.m_request.binary = m.binary;
            engine.m_request.passive = m.passive;
            engine.m_request.promptOverwrite = false;
            engine.m_request.usePreConfig = false;
            if (engine.Prepare([](const std::string&) { return true; }) !=
                CFtpTransferEngine::PrepareResult::Ready) {
                std::fprintf(stderr, "%s\n", engine.ErrorText().c_str());
                return 1;
            }
            const auto start = std::chrono::steady_clock::now();
            engine.Run();
            engineSeconds = Seconds(std::chrono::steady_clock::now() - start);
            if (observer.m_failed) {
                std::fprintf(stderr, "engine: %s\n", engine.ErrorText().c_str());
                status = 1;
            }
        }
        const std::string curlRemote = std::string("in/curl-") + (m.binary ? "bin" : "ascii") + ".txt";
        const std::string command = std::string("curl -s --noproxy '*' ") + (m.binary ? "" : "-B ") +
                                    (m.passive ? "" : "--ftp-port - ") + "-T " + feed.string() +
                                    " ftp://127.0.0.1:" + std::to_string(port) + "/" + curlRemote;
        const auto start = std::chrono::steady_clock::now();
        if (std::system(command.c_str()) != 0) {
            std::fprintf(stderr, "curl failed: %s\n", command.c_str());
            status = 1;
        }
        const double curlSeconds = Seconds(std::chrono::steady_clock::now() - start);
        // The engine's copy must be the file byte for byte in size; curl -B puts a CR before every LF of its
        // copy (CR CR LF for a CR LF feed), so its size is only reported.
        const bool same = fs::file_size(pub / remote) == size;
        std::printf("%-22s %10.3f %10.3f %10.1f %8.2f%s\n", m.name, engineSeconds, curlSeconds,
                    size / 1048576.0 / engineSeconds, curlSeconds / engineSeconds,
                    same ? "" : "  SIZE MISMATCH");
        std::printf("  stored: engine %llu bytes, curl %llu bytes\n",
                    static_cast<unsigned long long>(fs::file_size(pub / remote)),
                    static_cast<unsigned long long>(fs::file_size(pub / curlRemote)));
        status |= same ? 0 : 1;
        std::printf("  baseline: %s\n", command.c_str());
        fs::remove(pub / remote);
        fs::remove(pub / curlRemote);
    }
    std::printf("ratio = engine throughput / curl throughput (>= 0.8 wanted)\n");
    kill(server, SIGTERM);
    waitpid(server, nullptr, 0);
    fs::remove_all(dir);
    return status;
}

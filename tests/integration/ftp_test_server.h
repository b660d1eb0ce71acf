// Starts tests/fixtures/ftp_server.py (pyftpdlib) on a free loopback port for the life of the object.
#pragma once

#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <thread>

#include "../support/file_bytes.h"

namespace yarvelin::test {

class CFtpTestServer {
  public:
    // fault: "", "refuse-rest", "refuse-stor", "drop=N", "silent", "hang=CMD", "stall=N" or "slow-226=S"
    // (see ftp_server.py).
    explicit CFtpTestServer(const std::string& fault = {}) {
        char pattern[] = "/tmp/yarvelin-ftp-XXXXXX";
        if (!mkdtemp(pattern)) {
            throw std::runtime_error("no temporary folder");
        }
        m_base = pattern;
        m_root = m_base / "root";
        std::filesystem::create_directory(m_root);
        int out[2];
        if (pipe(out) != 0) {
            throw std::runtime_error("no pipe");
        }
        const std::string script = std::string(YARVELIN_FIXTURES) + "/ftp_server.py";
        const std::string log = (m_base / "server.log").string();
        m_pid = fork();
        if (m_pid == 0) {
            prctl(PR_SET_PDEATHSIG, SIGKILL);  // never outlives a test that died
            dup2(out[1], STDOUT_FILENO);
            std::freopen(log.c_str(), "w", stderr);
            close(out[0]);
            close(out[1]);
            const std::string root = m_root.string();
            if (fault.empty()) {
                execl("/usr/bin/python3", "python3", script.c_str(), "--root", root.c_str(), nullptr);
            } else {
                execl("/usr/bin/python3", "python3", script.c_str(), "--root", root.c_str(), "--fault",
                      fault.c_str(), nullptr);
            }
            _exit(127);
        }
        close(out[1]);
        // The first line is "PORT <n>"; nothing at all means the server could not start (a failure, not a
        // skip).
        FILE* in = fdopen(out[0], "r");
        char line[64] = {};
        if (!in || !std::fgets(line, sizeof line, in) || std::sscanf(line, "PORT %d", &m_port) != 1) {
            if (in) {
                std::fclose(in);
            }
            Stop();
            throw std::runtime_error("the FTP test server did not start (is python3-pyftpdlib installed?)");
        }
        std::fclose(in);
    }
    ~CFtpTestServer() {
        Stop();
        std::error_code ignored;
        std::filesystem::remove_all(m_base, ignored);
    }

    int Port() const { return m_port; }
    const std::filesystem::path& Root() const { return m_root; }
    const std::filesystem::path& Base() const { return m_base; }
    std::string Log() const { return ReadFile(m_base / "server.log"); }
    // With "slow-226=S": an upload is stored and its 226 reply is being held back.
    bool Confirming() const { return std::filesystem::exists(m_base / "confirming"); }

    static std::string ReadFile(const std::filesystem::path& path) { return testing::ReadBytes(path); }
    static void WriteFile(const std::filesystem::path& path, const std::string& bytes) {
        testing::WriteBytes(path, bytes);
    }

  private:
    void Stop() {
        if (m_pid > 0) {
            kill(m_pid, SIGTERM);
            int status = 0;
            waitpid(m_pid, &status, 0);
            m_pid = -1;
        }
    }
    std::filesystem::path m_base;
    std::filesystem::path m_root;
    pid_t m_pid = -1;
    int m_port = 0;
};

// A feed-like text of about the given size: tab-separated columns, CR LF line ends.
inline std::string MakeFeed(std::size_t bytes) {
    std::string s = "product_url\tname\tdescription\tprice\r\n";
    for (int i = 0; s.size() < bytes; ++i) {
        s += "https://shop.example/p/" + std::to_string(i) + "\tProduct " + std::to_string(i) +
             "\tA fine product for every day\t" + std::to_string(10 + i % 90) + ".99\r\n";
    }
    return s;
}

}  // namespace yarvelin::test

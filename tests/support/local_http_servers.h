// HTTP servers on loopback for tests and benchmarks: nginx with a written configuration, and a tiny
// threaded server that answers every request after a delay.
#pragma once

#include <sys/types.h>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <pwd.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>

extern char** environ;

namespace yarvelin::testing {

// A loopback port nobody listens on at the moment of the call.
inline int FreeLoopbackPort();

class CNginxServer {
  public:
    // Starts /usr/sbin/nginx in the foreground with the given server-block locations. Throws with the error
    // log's text when it does not come up.
    explicit CNginxServer(const std::string& locations);
    ~CNginxServer();
    CNginxServer(const CNginxServer&) = delete;
    CNginxServer& operator=(const CNginxServer&) = delete;

    int Port() const { return m_port; }
    std::string Url(const std::string& path) const;
    // The access log so far: one line per request, "<connection> <request line> <user agent>".
    std::vector<std::string> AccessLog() const;
    // The access log once it has at least n lines (nginx writes a line just after its answer), or after 3 s.
    std::vector<std::string> AccessLogOf(std::size_t n) const;

  private:
    std::string m_dir;
    int m_port = 0;
    pid_t m_pid = -1;
};

class CSlowHttpServer {
  public:
    explicit CSlowHttpServer(std::chrono::milliseconds delay);
    ~CSlowHttpServer();
    CSlowHttpServer(const CSlowHttpServer&) = delete;
    CSlowHttpServer& operator=(const CSlowHttpServer&) = delete;

    int Port() const { return m_port; }
    std::string Url(const std::string& path) const;
    // Blocks until at least n requests have arrived (not necessarily been answered), or the time is up.
    bool WaitForRequests(int n, std::chrono::milliseconds timeout);
    int Requests() const { return m_requests.load(); }

  private:
    void Serve();
    std::chrono::milliseconds m_delay;
    int m_listen = -1;
    int m_port = 0;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_requests{0};
    std::mutex m_mutex;
    std::condition_variable m_arrived;
    std::thread m_thread;
};

// ---- implementation

namespace detail {

inline sockaddr_in Loopback(int port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return a;
}

inline bool CanConnect(int port) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const sockaddr_in a = detail::Loopback(port);
    const bool ok = connect(fd, reinterpret_cast<const sockaddr*>(&a), sizeof a) == 0;
    close(fd);
    return ok;
}

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

}  // namespace detail

inline int FreeLoopbackPort() {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a = detail::Loopback(0);
    socklen_t len = sizeof a;
    if (bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
        getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) != 0) {
        close(fd);
        throw std::runtime_error("no free loopback port");
    }
    close(fd);
    return ntohs(a.sin_port);
}

inline CNginxServer::CNginxServer(const std::string& locations) {
    char dirTemplate[] = "/tmp/yarvelin-nginx-XXXXXX";
    if (!mkdtemp(dirTemplate)) {
        throw std::runtime_error("mkdtemp failed");
    }
    m_dir = dirTemplate;
    m_port = FreeLoopbackPort();
    const std::string nginx = "/usr/sbin/nginx";
    if (access(nginx.c_str(), X_OK) != 0) {
        throw std::runtime_error(nginx + " is missing: run scripts/install-deps.sh");
    }
    std::string user;
    if (geteuid() == 0) {  // as root nginx would switch to "nobody", who cannot write our temporary folder
        const passwd* pw = getpwuid(0);
        user = std::string("user ") + (pw ? pw->pw_name : "root") + ";\n";
    }
    const std::string& d = m_dir;
    std::ofstream conf(d + "/nginx.conf");
    conf << user << "daemon off;\nmaster_process off;\nworker_processes 1;\npid " << d << "/nginx.pid;\n"
         << "error_log " << d << "/error.log;\n"
         << "events { worker_connections 512; }\n"
         << "http {\n"
         << "  log_format plain '$connection $request $http_user_agent';\n"
         << "  access_log " << d << "/access.log plain;\n"
         << "  client_body_temp_path " << d << "/body;\n  proxy_temp_path " << d << "/proxy;\n"
         << "  fastcgi_temp_path " << d << "/fastcgi;\n  uwsgi_temp_path " << d << "/uwsgi;\n"
         << "  scgi_temp_path " << d << "/scgi;\n"
         << "  keepalive_requests 1000000;\n  keepalive_timeout 60s;\n"
         << "  server {\n    listen 127.0.0.1:" << m_port << ";\n"
         << locations << "\n  }\n}\n";
    conf.close();

    const std::string confPath = d + "/nginx.conf";
    const std::string errPath = d + "/error.log";
    std::vector<std::string> args = {nginx, "-p", d + "/", "-c", confPath, "-e", errPath};
    std::vector<char*> argv;
    for (auto& a : args) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    if (posix_spawn(&m_pid, nginx.c_str(), nullptr, nullptr, argv.data(), environ) != 0) {
        throw std::runtime_error("cannot start nginx");
    }
    for (int i = 0; i < 100; ++i) {
        if (detail::CanConnect(m_port)) {
            return;
        }
        int status = 0;
        if (waitpid(m_pid, &status, WNOHANG) == m_pid) {
            m_pid = -1;
            throw std::runtime_error("nginx ended at once: " + detail::ReadFile(errPath));
        }
        usleep(50 * 1000);
    }
    throw std::runtime_error("nginx did not come up: " + detail::ReadFile(errPath));
}

inline CNginxServer::~CNginxServer() {
    if (m_pid > 0) {
        kill(m_pid, SIGTERM);
        int status = 0;
        waitpid(m_pid, &status, 0);
    }
    if (!m_dir.empty()) {
        const std::string cmd = "rm -rf '" + m_dir + "'";
        [[maybe_unused]] const int rc = std::system(cmd.c_str());
    }
}

inline std::string CNginxServer::Url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(m_port) + path;
}

inline std::vector<std::string> CNginxServer::AccessLog() const {
    std::vector<std::string> lines;
    std::ifstream in(m_dir + "/access.log");
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

inline std::vector<std::string> CNginxServer::AccessLogOf(std::size_t n) const {
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    std::vector<std::string> lines = AccessLog();
    while (lines.size() < n && std::chrono::steady_clock::now() < until) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        lines = AccessLog();
    }
    return lines;
}

inline CSlowHttpServer::CSlowHttpServer(std::chrono::milliseconds delay) : m_delay(delay) {
    m_listen = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a = detail::Loopback(0);
    socklen_t len = sizeof a;
    if (bind(m_listen, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || listen(m_listen, 8) != 0 ||
        getsockname(m_listen, reinterpret_cast<sockaddr*>(&a), &len) != 0) {
        throw std::runtime_error("slow server: cannot listen");
    }
    m_port = ntohs(a.sin_port);
    m_thread = std::thread([this] { Serve(); });
}

inline CSlowHttpServer::~CSlowHttpServer() {
    m_stop.store(true);
    m_thread.join();
    close(m_listen);
}

inline std::string CSlowHttpServer::Url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(m_port) + path;
}

inline bool CSlowHttpServer::WaitForRequests(int n, std::chrono::milliseconds timeout) {
    std::unique_lock lock(m_mutex);
    return m_arrived.wait_for(lock, timeout, [&] { return m_requests.load() >= n; });
}

// One connection at a time; every request (headers only) gets "200 OK" after the delay, kept alive.
inline void CSlowHttpServer::Serve() {
    while (!m_stop.load()) {
        pollfd p{m_listen, POLLIN, 0};
        if (poll(&p, 1, 50) <= 0) {
            continue;
        }
        const int conn = accept4(m_listen, nullptr, nullptr, SOCK_CLOEXEC);
        if (conn < 0) {
            continue;
        }
        std::string pending;
        while (!m_stop.load()) {
            pollfd c{conn, POLLIN, 0};
            if (poll(&c, 1, 50) <= 0) {
                continue;
            }
            char buf[4096];
            const ssize_t n = recv(conn, buf, sizeof buf, 0);
            if (n <= 0) {
                break;
            }
            pending.append(buf, static_cast<size_t>(n));
            std::size_t end;
            while ((end = pending.find("\r\n\r\n")) != std::string::npos) {
                pending.erase(0, end + 4);
                {
                    std::lock_guard lock(m_mutex);
                    ++m_requests;
                }
                m_arrived.notify_all();
                const auto until = std::chrono::steady_clock::now() + m_delay;
                while (!m_stop.load() && std::chrono::steady_clock::now() < until) {
                    std::this_thread::sleep_for(std::chrono::milliseconds(10));
                }
                static const char reply[] =
                    "HTTP/1.1 200 OK\r\nContent-Length: 2\r\nContent-Type: text/plain\r\n\r\nok";
                send(conn, reply, sizeof reply - 1, MSG_NOSIGNAL);
            }
        }
        close(conn);
    }
}

}  // namespace yarvelin::testing

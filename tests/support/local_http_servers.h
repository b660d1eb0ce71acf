// HTTP servers on loopback for tests and benchmarks: nginx with a written configuration, and a tiny
// threaded server that answers every request after a delay.
#pragma once

#include <sys/types.h>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <pwd.h>
#include <sys/prctl.h>
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
#include "file_bytes.h"

namespace yarvelin::testing {

// A loopback port nobody listens on at the moment of the call.
inline int FreeLoopbackPort();

class CNginxServer {
  public:
    // Starts /usr/sbin/nginx in the foreground with the given server-block locations. Throws with the error
    // log's text when it does not come up. With tls, it serves https and HTTP/2 with a certificate for
    // 127.0.0.1 made for it (CertificateFile).
    explicit CNginxServer(const std::string& locations, bool tls = false);
    ~CNginxServer();
    CNginxServer(const CNginxServer&) = delete;
    CNginxServer& operator=(const CNginxServer&) = delete;

    int Port() const { return m_port; }
    std::string Url(const std::string& path) const;
    std::string CertificateFile() const { return m_dir + "/cert.pem"; }
    // The access log so far: one line per request, "<connection> <request line> <user agent>".
    std::vector<std::string> AccessLog() const;
    // The access log once it has at least n lines (nginx writes a line just after its answer), or after 3 s.
    std::vector<std::string> AccessLogOf(std::size_t n) const;

  private:
    std::string m_dir;
    int m_port = 0;
    pid_t m_pid = -1;
    bool m_tls = false;
};

// What a scripted server answers to one request.
struct ScriptedReply {
    int status = 200;
    std::string headers;  // extra header lines, each ending in "\r\n"
    long long bodyBytes = 2;
    std::chrono::milliseconds delay{0};
    bool silent = false;  // never answer; the connection stays open until the server stops
};

// A small threaded HTTP/1.1 server, one thread per connection, kept alive, that answers each request as a
// script says, and counts what a test wants to know: requests, requests and connections open at once, body
// bytes sent.
class CScriptedHttpServer {
  public:
    using Script = std::function<ScriptedReply(const std::string& method, const std::string& path)>;

    explicit CScriptedHttpServer(Script script, const std::string& address = "127.0.0.1");
    ~CScriptedHttpServer();
    CScriptedHttpServer(const CScriptedHttpServer&) = delete;
    CScriptedHttpServer& operator=(const CScriptedHttpServer&) = delete;

    int Port() const { return m_port; }
    std::string Url(const std::string& path) const;
    // Blocks until at least n requests have arrived (not necessarily been answered), or the time is up.
    bool WaitForRequests(int n, std::chrono::milliseconds timeout);
    int Requests() const { return m_requests.load(); }
    int Connections() const { return m_connections.load(); }
    int OpenConnections() const { return m_open.load(); }
    int MostConnectionsAtOnce() const { return m_mostOpen.load(); }
    // The most requests under way at one moment: from the arrival of a request until its answer goes out
    // (counted off just before, so that a client that sends its next request on the answer never overlaps).
    int MostRequestsAtOnce() const { return m_mostInFlight.load(); }
    long long BodyBytesSent() const { return m_bodyBytes.load(); }
    // Starts counting MostConnectionsAtOnce afresh from the connections open now.
    void ResetMostConnectionsAtOnce() { m_mostOpen.store(m_open.load()); }
    // "METHOD path" of every request so far, in the order they arrived.
    std::vector<std::string> RequestLog() const;

  private:
    void Accept();
    void Serve(int conn);
    bool SendAll(int conn, const char* data, std::size_t size, bool countBody);

    Script m_script;
    std::string m_address;
    int m_listen = -1;
    int m_port = 0;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_requests{0};
    std::atomic<int> m_connections{0};
    std::atomic<int> m_open{0};
    std::atomic<int> m_mostOpen{0};
    std::atomic<int> m_inFlight{0};
    std::atomic<int> m_mostInFlight{0};
    std::atomic<long long> m_bodyBytes{0};
    mutable std::mutex m_mutex;
    std::condition_variable m_arrived;
    std::vector<std::string> m_log;
    std::vector<std::thread> m_connectionThreads;
    std::thread m_thread;
};

// Answers every request with "200 OK" after a delay.
class CSlowHttpServer : public CScriptedHttpServer {
  public:
    explicit CSlowHttpServer(std::chrono::milliseconds delay, const std::string& address = "127.0.0.1")
        : CScriptedHttpServer(
              [delay](const std::string&, const std::string&) {
                  ScriptedReply reply;
                  reply.delay = delay;
                  return reply;
              },
              address) {}
};

// ---- implementation

namespace detail {

// Raises most to value when value is larger, whatever other threads do meanwhile.
inline void RaiseTo(std::atomic<int>& most, int value) {
    int seen = most.load();
    while (value > seen && !most.compare_exchange_weak(seen, value)) {
    }
}

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

inline CNginxServer::CNginxServer(const std::string& locations, bool tls) : m_tls(tls) {
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
    std::string listen = "127.0.0.1:" + std::to_string(m_port);
    if (tls) {
        const std::string cmd =
            "openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=127.0.0.1 "
            "-addext subjectAltName=IP:127.0.0.1 -keyout '" +
            d + "/key.pem' -out '" + d + "/cert.pem' 2>/dev/null";
        if (std::system(cmd.c_str()) != 0) {
            throw std::runtime_error("openssl could not make a test certificate");
        }
        listen +=
            " ssl http2;\n    ssl_certificate " + d + "/cert.pem;\n    ssl_certificate_key " + d + "/key.pem";
    }
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
         << "  server {\n    listen " << listen << ";\n"
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
    m_pid = fork();
    if (m_pid == 0) {
        // A test that dies (a sanitizer's halt, a crash) must not leave nginx behind holding the test
        // runner's output pipe, or the runner waits for it for ever.
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        execv(nginx.c_str(), argv.data());
        _exit(127);
    }
    if (m_pid < 0) {
        throw std::runtime_error("cannot start nginx");
    }
    for (int i = 0; i < 100; ++i) {
        if (detail::CanConnect(m_port)) {
            return;
        }
        int status = 0;
        if (waitpid(m_pid, &status, WNOHANG) == m_pid) {
            m_pid = -1;
            throw std::runtime_error("nginx ended at once: " + ReadBytes(errPath));
        }
        usleep(50 * 1000);
    }
    throw std::runtime_error("nginx did not come up: " + ReadBytes(errPath));
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
    return (m_tls ? "https://127.0.0.1:" : "http://127.0.0.1:") + std::to_string(m_port) + path;
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

inline CScriptedHttpServer::CScriptedHttpServer(Script script, const std::string& address)
    : m_script(std::move(script)), m_address(address) {
    m_listen = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a = detail::Loopback(0);
    inet_pton(AF_INET, address.c_str(), &a.sin_addr);
    socklen_t len = sizeof a;
    const int yes = 1;
    setsockopt(m_listen, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    if (bind(m_listen, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || listen(m_listen, 128) != 0 ||
        getsockname(m_listen, reinterpret_cast<sockaddr*>(&a), &len) != 0) {
        throw std::runtime_error("scripted server: cannot listen on " + address);
    }
    m_port = ntohs(a.sin_port);
    m_thread = std::thread([this] { Accept(); });
}

inline CScriptedHttpServer::~CScriptedHttpServer() {
    m_stop.store(true);
    m_thread.join();
    for (std::thread& t : m_connectionThreads) {
        t.join();
    }
    close(m_listen);
}

inline std::string CScriptedHttpServer::Url(const std::string& path) const {
    return "http://" + m_address + ":" + std::to_string(m_port) + path;
}

inline bool CScriptedHttpServer::WaitForRequests(int n, std::chrono::milliseconds timeout) {
    std::unique_lock lock(m_mutex);
    return m_arrived.wait_for(lock, timeout, [&] { return m_requests.load() >= n; });
}

inline std::vector<std::string> CScriptedHttpServer::RequestLog() const {
    std::lock_guard lock(m_mutex);
    return m_log;
}

inline void CScriptedHttpServer::Accept() {
    while (!m_stop.load()) {
        pollfd p{m_listen, POLLIN, 0};
        if (poll(&p, 1, 20) <= 0) {
            continue;
        }
        const int conn = accept4(m_listen, nullptr, nullptr, SOCK_CLOEXEC);
        if (conn < 0) {
            continue;
        }
        // Header and body go out in separate writes; without this the client's delayed ACK would hold
        // the body back by 40 ms.
        const int one = 1;
        setsockopt(conn, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        ++m_connections;
        detail::RaiseTo(m_mostOpen, ++m_open);
        m_connectionThreads.emplace_back([this, conn] { Serve(conn); });
    }
}

// Waits for the socket to take more bytes, giving up when the server stops or the client has gone.
inline bool CScriptedHttpServer::SendAll(int conn, const char* data, std::size_t size, bool countBody) {
    while (size > 0 && !m_stop.load()) {
        pollfd p{conn, POLLOUT, 0};
        if (poll(&p, 1, 20) <= 0) {
            continue;
        }
        if (p.revents & (POLLERR | POLLHUP)) {
            return false;
        }
        const ssize_t n = send(conn, data, size, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n < 0) {
            if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) {
                continue;
            }
            return false;
        }
        if (countBody) {
            m_bodyBytes += n;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return size == 0;
}

inline void CScriptedHttpServer::Serve(int conn) {
    std::string pending;
    bool open = true;
    while (open && !m_stop.load()) {
        pollfd c{conn, POLLIN, 0};
        if (poll(&c, 1, 20) <= 0) {
            continue;
        }
        char buf[4096];
        const ssize_t n = recv(conn, buf, sizeof buf, 0);
        if (n <= 0) {
            break;
        }
        pending.append(buf, static_cast<size_t>(n));
        std::size_t end;
        while (open && (end = pending.find("\r\n\r\n")) != std::string::npos) {
            const std::string head = pending.substr(0, end);
            pending.erase(0, end + 4);
            const std::size_t sp1 = head.find(' ');
            const std::size_t sp2 = head.find(' ', sp1 + 1);
            const std::string method = head.substr(0, sp1);
            const std::string path = head.substr(sp1 + 1, sp2 - sp1 - 1);
            {
                std::lock_guard lock(m_mutex);
                m_log.push_back(method + " " + path);
                ++m_requests;
            }
            detail::RaiseTo(m_mostInFlight, ++m_inFlight);
            m_arrived.notify_all();
            const ScriptedReply reply = m_script(method, path);
            const auto until = std::chrono::steady_clock::now() + reply.delay;
            while (!m_stop.load() && (reply.silent || std::chrono::steady_clock::now() < until)) {
                std::this_thread::sleep_for(std::chrono::milliseconds(reply.silent ? 10 : 1));
            }
            --m_inFlight;
            const std::string header = "HTTP/1.1 " + std::to_string(reply.status) +
                                       " Scripted\r\nContent-Length: " + std::to_string(reply.bodyBytes) +
                                       "\r\nContent-Type: text/plain\r\n" + reply.headers + "\r\n";
            open = SendAll(conn, header.data(), header.size(), false);
            if (method != "HEAD") {
                static const std::string chunk(64 * 1024, 'x');
                for (long long left = reply.bodyBytes; open && left > 0;) {
                    const std::size_t size = static_cast<std::size_t>(std::min<long long>(left, 64 * 1024));
                    open = SendAll(conn, chunk.data(), size, true);
                    left -= static_cast<long long>(size);
                }
            }
        }
    }
    close(conn);
    --m_open;
}

}  // namespace yarvelin::testing

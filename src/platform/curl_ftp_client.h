// The FTP client on libcurl: one easy handle (and one multi handle to drive it) per session, so the control
// connection stays open from the login to the end of the transfer. Streaming reads and writes are served
// from a buffer that the multi handle fills or drains between the caller's chunks.
#pragma once

#include <curl/curl.h>
#include <atomic>
#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "upload/ftp_client.h"

namespace yarvelin {

// Limits that keep a silent server from holding a transfer forever, in seconds. The defaults are those of
// a desktop internet client; tests shorten them.
struct CurlFtpTimeouts {
    long connectSeconds = 60;   // name lookup, TCP connection, greeting and login
    long responseSeconds = 60;  // any single reply on the control connection
    long stallSeconds = 60;     // a transfer that moves no byte for this long
};

class CCurlFtpClient : public FtpClient {
  public:
    explicit CCurlFtpClient(CurlFtpTimeouts timeouts = {});
    ~CCurlFtpClient() override;
    CCurlFtpClient(const CCurlFtpClient&) = delete;
    CCurlFtpClient& operator=(const CCurlFtpClient&) = delete;

    bool OpenSession(const std::string& agent, FtpAccess access, const std::string& proxy) override;
    bool SetStatusCallback(StatusCallback callback) override;
    void SetSecurity(const FtpSecurity& security, FtpTrust* trust) override;
    void SetRestartOffset(std::uint64_t offset) override { m_restOffset = offset; }
    bool Connect(const std::string& server, std::uint16_t port, const std::optional<std::string>& user,
                 const std::optional<std::string>& password, bool passive) override;
    std::optional<std::uint64_t> FindFile(const std::string& remoteFile) override;
    bool Command(const std::string& command) override;
    bool RenameFile(const std::string& from, const std::string& to) override;
    bool RenameReplacesInOneStep() const override { return m_renameInOneStep; }
    bool DeleteFile(const std::string& remoteFile) override;
    bool OpenFile(const std::string& remoteFile, bool write, bool binary) override;
    bool ReadFile(char* buffer, std::size_t size, std::size_t& read) override;
    bool WriteFile(const char* buffer, std::size_t size, std::size_t& written) override;
    bool FinishFile() override;
    void CloseFile() override;
    void Close() override;
    void SetCancelFlag(const std::atomic<bool>* flag) override {
        m_cancel = flag;
        m_cancelSeen.reset();
    }
    void SetCancelGrace(std::uint64_t ms) override {
        m_cancelGraceMs = ms;
        m_cancelSeen.reset();
    }
    int LastError() const override { return m_lastError; }
    std::string LastResponse() const override { return m_lastReply; }

  private:
    static size_t HeaderCallback(char* data, size_t size, size_t count, void* self);
    static size_t DiscardCallback(char* data, size_t size, size_t count, void* self);
    static size_t ReadCallback(char* data, size_t size, size_t count, void* self);
    static size_t WriteCallback(char* data, size_t size, size_t count, void* self);
    static curl_socket_t OpenSocketCallback(void* self, curlsocktype purpose, struct curl_sockaddr* address);
    static int CloseSocketCallback(void* self, curl_socket_t socket);
    static int SeekCallback(void* self, curl_off_t offset, int origin);
    static int ProgressCallback(void* self, curl_off_t, curl_off_t, curl_off_t, curl_off_t);
    // Cancel breaks off the request in progress, except an upload whose every byte libcurl already holds:
    // what it has not sent yet goes out at once, and the server's verdict on the whole file is awaited.
    // With a grace, Cancel breaks off only once the grace has run out since it was first seen.
    bool Cancelled() const;
    static CURLcode SslContextCallback(CURL* easy, void* sslContext, void* self);
    static int HostKeyCallback(CURL* easy, const struct curl_khkey* known, const struct curl_khkey* found,
                               enum curl_khmatch match, void* self);

    bool IsFtp() const { return m_security.protocol != FtpProtocol::Sftp; }
    bool IsTls() const { return IsTlsProtocol(m_security.protocol); }
    // Options of the protocol and its trust settings, for Reset().
    void SetProtocolOptions();
    // A certificate that failed to verify: asks whether to pin it. True when the user trusts it.
    bool TrustUnverifiedCertificate();
    // How the known-hosts file names this server.
    std::string KnownHostName() const;

    void OnReplyLine(const std::string& line);
    std::string UrlFor(const std::string& remoteFile) const;
    // Sets the options every request shares.
    void Reset();
    // Runs a request that moves no file data to its end.
    bool Perform();
    // Sends file commands on the control connection (FTP) or the SSH session (SFTP) in one request; the
    // first refusal ends it and is the error.
    bool FileCommands(const std::vector<std::string>& commands);
    // A remote path as the SFTP quote commands take it: quoted, and relative to the login folder unless
    // absolute (libcurl expands "/~/" only in paths it finds unquoted, and none with a space).
    static std::string SftpQuotePath(const std::string& remoteFile);
    // SFTP: renames over an existing `to` in one step on a connection of our own, where the server offers
    // it. Nothing when it cannot tell (no such connection, or the server does not offer it).
    std::optional<bool> RenameInOneStep(const std::string& from, const std::string& to);
    void BeginOperation();
    void StartTransfer();
    // Drives the running request until enough() holds or the request has ended.
    void Drive(const std::function<bool()>& enough);
    void Resume();
    // Takes the handle out of the multi handle once the request is over (or abandons it).
    void EndTransfer();
    bool Failed(CURLcode code);
    std::size_t Pending() const { return m_buffer.size() - m_bufferPos; }
    void Consume(std::size_t n);

    CurlFtpTimeouts m_timeouts;
    const std::atomic<bool>* m_cancel = nullptr;
    std::uint64_t m_cancelGraceMs = 0;
    mutable std::optional<std::chrono::steady_clock::time_point> m_cancelSeen;
    CURL* m_easy = nullptr;
    CURLM* m_multi = nullptr;
    std::string m_agent;
    FtpAccess m_access = FtpAccess::PreConfigured;
    std::string m_proxy;
    std::string m_base;  // "ftp://host:port/", "sftp://host:port"
    std::string m_host;
    std::uint16_t m_port = 0;
    FtpSecurity m_security;
    FtpTrust* m_trust = nullptr;
    std::string m_pin;              // the server's public key the user trusts (TLS)
    std::string m_peerCertificate;  // DER of the certificate the server showed in this request (TLS)
    bool m_trustRefused = false;    // a host key or certificate was not trusted in this request
    std::string m_hostKey;          // SFTP: the host key the user trusts for this session, and its type
    int m_hostKeyType = 0;
    bool m_oneStepRenameOffered = true;  // SFTP: until the server shows it does not
    bool m_renameInOneStep = false;
    char m_errorBuffer[CURL_ERROR_SIZE] = {};
    std::optional<std::string> m_user;
    std::optional<std::string> m_password;
    bool m_passive = false;
    StatusCallback m_status;
    bool m_connecting = false;
    std::string m_connectedTo;
    std::uint64_t m_restOffset = 0;  // a REST the server accepted, for the next transfer

    // Replies of the server: the last complete one, and the one being read.
    std::string m_lastReply;
    std::string m_reply;
    bool m_inMultiLineReply = false;
    unsigned m_replyCount = 0;
    unsigned m_replyCountAtStart = 0;
    int m_lastError = 0;

    // The running request.
    bool m_inMulti = false;
    bool m_done = false;
    CURLcode m_result = CURLE_OK;
    bool m_started = false;      // the server opened the data transfer (125/150)
    bool m_readPaused = false;   // upload: libcurl waits for data
    bool m_writePaused = false;  // download: the buffer is full
    bool m_endOfData = false;    // upload: no more data follows
    std::string m_buffer;
    std::size_t m_bufferPos = 0;
    std::chrono::steady_clock::time_point m_lastDrive;
    curl_socket_t m_controlSocket = CURL_SOCKET_BAD;  // FTP: the control connection, while it is open
    curl_slist* m_quote = nullptr;
    curl_slist* m_prequote = nullptr;
    bool m_serverInAscii = false;  // an ASCII transfer left the server in TYPE A
};

}  // namespace yarvelin

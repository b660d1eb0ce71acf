// The FTP side of the internet client, as the transfer engine sees it. One object is one session: it holds
// one control connection for the whole transfer. Calls are synchronous and made from one thread.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "upload/ftp_trust.h"

namespace yarvelin {

// How the session reaches the network.
enum class FtpAccess { PreConfigured, Proxy, Direct };

// Status notices the client gives while it connects.
enum class FtpStatus {
    ResolvingName = 10,
    NameResolved = 11,
    ConnectingToServer = 20,
    ConnectedToServer = 21,
    // Active mode could not open the data connection; the transfer starts again in passive mode.
    RetryingPassive = 30
};

// Error codes of LastError(), numbered as the desktop internet library numbers them so users and support
// staff see the familiar figures. kFtpErrorExtended means the server answered with a refusal: its reply is
// in LastResponse().
inline constexpr int kFtpErrorTimeout = 12002;
inline constexpr int kFtpErrorExtended = 12003;
inline constexpr int kFtpErrorInternal = 12004;
inline constexpr int kFtpErrorNameNotResolved = 12007;
inline constexpr int kFtpErrorLoginFailure = 12015;
inline constexpr int kFtpErrorCannotConnect = 12029;
inline constexpr int kFtpErrorConnectionAborted = 12030;
inline constexpr int kFtpErrorConnectionReset = 12031;
// The server's certificate or host key was not trusted, so nothing was sent.
inline constexpr int kFtpErrorNotTrusted = 12045;
// TLS or SSH could not be set up with the server.
inline constexpr int kFtpErrorSecureChannel = 12157;

class FtpClient {
  public:
    using StatusCallback = std::function<void(FtpStatus status, const std::string& info)>;

    virtual ~FtpClient() = default;

    // Starts the session. agent names the program to proxies; proxy is used with FtpAccess::Proxy.
    virtual bool OpenSession(const std::string& agent, FtpAccess access, const std::string& proxy) = 0;
    // Installs (or, with an empty function, removes) the status callback. False when it cannot be installed.
    virtual bool SetStatusCallback(StatusCallback callback) = 0;
    // The protocol and its trust settings for the next Connect(); trust answers the questions it raises and
    // must outlive the session. Plain FTP needs neither.
    virtual void SetSecurity(const FtpSecurity& security, FtpTrust* trust) {
        (void)security;
        (void)trust;
    }
    // Where the next transfer starts, for protocols that resume without a REST command.
    virtual void SetRestartOffset(std::uint64_t offset) { (void)offset; }
    // Connects and logs in. Without a user name the login is anonymous.
    virtual bool Connect(const std::string& server, std::uint16_t port,
                         const std::optional<std::string>& user, const std::optional<std::string>& password,
                         bool passive) = 0;
    // The size of a remote file, or nothing when the server does not know the file.
    virtual std::optional<std::uint64_t> FindFile(const std::string& remoteFile) = 0;
    // Sends a raw command on the control connection. True when the server answered (whatever the answer);
    // the answer is then LastResponse().
    virtual bool Command(const std::string& command) = 0;
    // A flag another thread sets to stop the session: while it is set, any call in progress (connecting,
    // signing in, waiting for a reply, moving data) gives up within a fraction of a second and fails.
    // Not FinishFile once it holds every byte of an upload: they go out, and the server's verdict decides.
    // nullptr: none.
    virtual void SetCancelFlag(const std::atomic<bool>* flag) { (void)flag; }
    // Lets the calls that follow run on for up to ms milliseconds after the cancel flag is set, for the few
    // requests that must still finish once the server holds the whole file (0: Cancel breaks off at once).
    virtual void SetCancelGrace(std::uint64_t ms) { (void)ms; }
    // Renames a remote file on the server (FTP RNFR/RNTO, SFTP rename); paths as OpenFile takes them.
    // Whether an existing `to` is overwritten is the server's affair: SFTP servers often refuse instead.
    virtual bool RenameFile(const std::string& from, const std::string& to) {
        (void)from;
        (void)to;
        return false;
    }
    // Whether the last RenameFile asked the server to replace an existing `to` in one step (an SFTP server
    // offering "posix-rename@openssh.com"): its refusal then stands, and removing the target first would
    // only leave a moment without one.
    virtual bool RenameReplacesInOneStep() const { return false; }
    // Deletes a remote file (FTP DELE, SFTP rm).
    virtual bool DeleteFile(const std::string& remoteFile) {
        (void)remoteFile;
        return false;
    }
    // Whether Command() is available at all.
    virtual bool SupportsCommand() const { return true; }
    // Opens a remote file for reading (download) or writing (upload) with the given transfer type.
    virtual bool OpenFile(const std::string& remoteFile, bool write, bool binary) = 0;
    // Reads up to size bytes of the open remote file; 0 bytes read means the end of the file.
    virtual bool ReadFile(char* buffer, std::size_t size, std::size_t& read) = 0;
    // Writes bytes to the open remote file; written may be less than size.
    virtual bool WriteFile(const char* buffer, std::size_t size, std::size_t& written) = 0;
    // Ends the transfer of the open remote file and waits for the server's verdict on it.
    virtual bool FinishFile() = 0;
    // Drops the open remote file, finished or not.
    virtual void CloseFile() = 0;
    // Ends the connection and the session.
    virtual void Close() = 0;

    // The code of the last failure (see the constants above) and the server's last reply, code first.
    virtual int LastError() const = 0;
    virtual std::string LastResponse() const = 0;
};

}  // namespace yarvelin

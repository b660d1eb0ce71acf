// Moves one file between a local path and an FTP server on a worker thread, in a fixed order of steps:
// session, status callback, connection, size, remote overwrite question, resume, remote file, 1024-byte
// chunks with an optional bandwidth limit, and progress at most once a second (and once at the end).
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <thread>

#include "app/program_names.h"
#include "upload/ftp_client.h"
#include "upload/ftp_texts.h"
#include "upload/ftp_transfer_observer.h"
#include "upload/local_transfer_file.h"

namespace yarvelin {

struct FtpTransferRequest {
    bool download = true;
    std::string server;
    std::uint16_t port = 21;
    std::string remoteFile;
    std::string localFile;
    std::string userName;  // empty: anonymous, neither name nor password is sent
    std::string password;
    bool binary = true;
    bool promptOverwrite = true;
    bool passive = false;
    bool usePreConfig = true;  // takes precedence over the proxy
    bool useProxy = false;
    std::string proxy;
    double bandwidthLimit = 0;  // bytes per millisecond; 0 or less: none
    std::uint64_t startOffset = 0;
    std::string agent = kFtpAgent;
    FtpSecurity security;  // the protocol (plain FTP unless said otherwise) and its trust settings
    // Upload: send to PartFileName(remoteFile) beside the target, compare its size on the server with what
    // was sent, then rename it over remoteFile, so the target is never a partial file. A resume continues
    // the temporary file.
    bool safeReplace = false;
};

class CFtpTransferEngine : private FtpTrust {
  public:
    enum class PrepareResult { Ready, Declined, Failed };
    inline static constexpr std::size_t kChunkSize = 1024;
    // How long the requests that tidy up or finish the safe replace may still take once Cancel is pressed.
    inline static constexpr std::uint64_t kGraceAfterCancelMs = 10000;

    CFtpTransferEngine(FtpClient& client, FtpTransferObserver& observer, FtpClock& clock = SystemFtpClock());
    // Waits for the worker, then closes the remote file and the session.
    ~CFtpTransferEngine();
    CFtpTransferEngine(const CFtpTransferEngine&) = delete;
    CFtpTransferEngine& operator=(const CFtpTransferEngine&) = delete;

    FtpTransferRequest m_request;

    // On the caller's thread, before the worker: the local file. askOverwrite gets the question for an
    // existing download target and returns true for Yes. Failed leaves the message in ErrorText().
    PrepareResult Prepare(const std::function<bool(const std::string& question)>& askOverwrite);
    // "shop.txt to ftp.example.com"
    std::string FileLine() const;
    // Starts the worker; false when no thread could be made.
    bool Start();
    // On the calling thread: connects and signs in as Run() would, with the same trust questions, and
    // moves no file. False with ErrorText() (and ErrorHint()) when that fails; Abort() stops it.
    bool CheckConnection();
    // Runs the worker's steps on the calling thread instead.
    void Run();
    void Wait();

    void Abort() { m_abort = true; }
    // Cancel was pressed and took effect. Cancel after the whole file went through does not: the server
    // confirmed the file, and the transfer counts as done (with the safe replace: once renamed, or it failed
    // with its own error).
    bool IsAborted() const { return m_abort && !m_confirmed; }
    // The message the worker (or Prepare) left for the user; may be empty after a failure.
    const std::string& ErrorText() const { return m_errorText; }
    // A plain sentence that explains ErrorText(), to show after it; may be empty.
    const std::string& ErrorHint() const { return m_errorHint; }
    // The user refused to trust the server, or was warned that it is not the one on record: the failure
    // that follows has been said already.
    bool TrustRefused() const { return m_trustRefused; }
    // After an upload with safeReplace: how the remote file was put in place (also the last status line).
    const std::string& OutcomeText() const { return m_outcome; }
    // The server refused the safe replace and the target was written directly, as the user allowed.
    bool WroteDirectly() const { return m_wroteDirectly; }

  private:
    int Work();
    int Report(FtpText text, int code = 0);
    bool Resume();
    int TransferLoop();
    // Safe replace once the temporary file is confirmed: size check, then rename over the target. Cancel
    // from then on lets it finish within kGraceAfterCancelMs; what fails after Cancel removes the
    // temporary file.
    int PutInPlace();
    int ReplaceTarget();
    // After Cancel before the whole file was sent: the temporary file goes.
    void RemovePartAfterStop();
    // The server refused the temporary file or the rename, and the user chose the old way.
    int WriteDirectly(bool removePart);
    // What the server answered to a call it refused.
    struct RefusedCall {
        int error = 0;
        std::string response;
    };
    int SendFailedRename(const RefusedCall& refusal);
    int ReportRefusal(FtpText text, const RefusedCall& refusal);
    // The folder of an upload's target, when the server has none of that name: after a refused upload,
    // from the refusal over SFTP; over FTP, whose 550 does not tell a missing folder from a locked one, by
    // asking the server.
    std::optional<std::string> MissingTargetFolder(const RefusedCall& refusal);
    void BandwidthPause(std::uint64_t bytes);
    // last: the data is through; the figures are shown once more unless they already stand.
    void Progress(std::uint64_t bytes, bool last = false);
    void OnClientStatus(FtpStatus status, const std::string& info);
    bool TrustNewHostKey(const HostKeyQuestion& question) override;
    void HostKeyChanged(const HostKeyQuestion& question) override;
    bool TrustCertificate(const CertificateQuestion& question) override;
    void CertificateReplaced(const CertificateQuestion& question) override;

    FtpClient& m_client;
    FtpTransferObserver& m_observer;
    FtpClock& m_clock;
    CLocalTransferFile m_local;
    std::thread m_thread;
    std::atomic<bool> m_abort{false};
    std::atomic<bool> m_confirmed{false};  // the server confirmed the whole file
    std::atomic<bool> m_trustRefused{false};
    std::string m_errorText;
    std::string m_errorHint;
    bool m_callbackInstalled = false;
    bool m_inTransfer = false;  // the chunk loop has begun (a cancelled download is deleted from then on)
    bool m_retriedPassive = false;

    // Progress of the running transfer (worker only).
    std::uint64_t m_size = 0;
    bool m_sizeKnown = false;
    std::uint64_t m_startTick = 0;
    std::uint64_t m_lastTick = 0;
    std::uint64_t m_lastBytes = 0;
    std::uint64_t m_lastShownBytes = 0;
    int m_lastPercent = 0;
    std::uint64_t m_handed = 0;      // upload: bytes given to the client in this pass
    std::uint64_t m_crlfHanded = 0;  // upload: CR LF pairs among them (a server may store LF alone)
    bool m_lastHandedCr = false;
    std::string m_outcome;
    bool m_wroteDirectly = false;
};

}  // namespace yarvelin

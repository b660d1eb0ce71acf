// Driving one transfer from its request to its outcome, the same way for the transfer window, `upload` and
// `run`: the engine is prepared, run (on a worker for a window, on the caller's thread for a command), and
// its end turned into one outcome; what follows a confirmed upload (the upload count, the snapshot) runs
// here, only once the server holds the whole file.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "upload/ftp_transfer_engine.h"

namespace yarvelin {

// The first line of a password file, without a trailing CR; nothing when the file cannot be read.
std::optional<std::string> ReadPasswordFile(const std::string& path);

struct TransferOutcome {
    enum class Kind { Sent, Failed, Stopped };
    Kind kind = Kind::Failed;
    std::string error;  // the engine's message, may be empty
    std::string hint;   // a plain sentence explaining error, may be empty
    // The user refused to trust the server, or was warned it is not the one on record: the failure that
    // follows was said already.
    bool saidAlready = false;
    std::string outcomeText;  // after an upload: how the remote file was put in place
    bool wroteDirectly = false;
    std::uint64_t bytes = 0;  // the size of the local file sent
    // error and hint joined by separator (the fallback when the engine left no words).
    std::string Message(const std::string& separator, const std::string& fallback = {}) const;
};

class CTransferDrive {
  public:
    CTransferDrive(FtpClient& client, FtpTransferObserver& observer, FtpClock& clock = SystemFtpClock());

    // Runs after a confirmed transfer, before Finish returns.
    void SetOnConfirmed(std::function<void()> onConfirmed) { m_onConfirmed = std::move(onConfirmed); }

    // askOverwrite answers the question for an existing download target (none: yes).
    CFtpTransferEngine::PrepareResult Prepare(
        const FtpTransferRequest& request, const std::function<bool(const std::string&)>& askOverwrite = {});
    // On a worker thread (a window), or on the caller's thread (a command).
    bool Start() { return m_engine.Start(); }
    void RunHere() { m_engine.Run(); }
    // Safe from a signal handler and from another thread.
    void Abort() { m_engine.Abort(); }
    // Once the engine ended, with what it told the observer's OnEnded.
    TransferOutcome Finish(bool failed);

    const CFtpTransferEngine& Engine() const { return m_engine; }
    CFtpTransferEngine& Engine() { return m_engine; }

  private:
    CFtpTransferEngine m_engine;
    std::function<void()> m_onConfirmed;
    bool m_finished = false;
};

}  // namespace yarvelin

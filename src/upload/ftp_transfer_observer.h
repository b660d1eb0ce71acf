// What the transfer engine tells its owner while it works, and the clock it measures with. The worker
// thread calls the observer; an observer that owns windows must hand the calls to its own thread.
#pragma once

#include <cstdint>
#include <string>

#include "upload/ftp_trust.h"

namespace yarvelin {

class FtpTransferObserver {
  public:
    virtual ~FtpTransferObserver() = default;
    virtual void OnStatus(const std::string& text) = 0;
    // The connection stands: the dialog starts its animation.
    virtual void OnConnected() {}
    // The whole percent changed: the progress bar and the title.
    virtual void OnPercent(int percent, const std::string& title) = 0;
    virtual void OnRate(const std::string& text) = 0;
    virtual void OnTimeLeft(const std::string& text) = 0;
    // The remote file exists; true replaces it. The worker waits for the answer.
    virtual bool AskReplaceRemote(const std::string& question) = 0;
    // An upload meant to replace the remote file safely could not (the server refused the temporary file or
    // the rename): true writes the remote file directly instead. The worker waits for the answer.
    virtual bool AskWriteDirectly(const std::string& question) {
        (void)question;
        return false;
    }
    // The secure protocols' trust questions (see FtpTrust); the worker waits for the answer. Without an
    // answer nothing unknown is trusted.
    virtual bool AskTrustHostKey(const HostKeyQuestion&) { return false; }
    virtual void OnHostKeyChanged(const HostKeyQuestion&) {}
    virtual bool AskTrustCertificate(const CertificateQuestion&) { return false; }
    virtual void OnCertificateReplaced(const CertificateQuestion&) {}
    // The worker's last call. failed: it stopped on an error or a refusal.
    virtual void OnEnded(bool failed) = 0;
};

// Milliseconds and sleeping, replaceable in tests.
class FtpClock {
  public:
    virtual ~FtpClock() = default;
    virtual std::uint64_t NowMs() = 0;
    virtual void SleepMs(std::uint64_t ms) = 0;
};

// The steady clock of the machine.
FtpClock& SystemFtpClock();

}  // namespace yarvelin

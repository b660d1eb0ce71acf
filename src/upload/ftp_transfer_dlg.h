// The modal progress dialog of an FTP transfer. The caller fills m_request, runs exec() and reads the
// result and m_bCompleted. The work happens on the engine's worker thread, which reaches the dialog only
// through queued calls; for the remote overwrite question it waits until this thread has the answer.
#pragma once

#include <QDialog>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "upload/ftp_client.h"
#include "upload/ftp_transfer_engine.h"
#include "upload/transfer_drive.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace yarvelin {

class CTransferAnimationWidget;
class UiServices;

class CFTPTransferDlg : public QDialog, private FtpTransferObserver {
    Q_OBJECT
  public:
    // client: the FTP client the transfer uses (tests give one with short time-outs); null: libcurl's.
    explicit CFTPTransferDlg(UiServices& ui, QWidget* parent = nullptr,
                             std::unique_ptr<FtpClient> client = nullptr);
    // Waits for the worker before the window goes.
    ~CFTPTransferDlg() override;

    // Prepares the local file, starts the worker and runs the dialog. Rejected when anything fails.
    int exec() override;

    FtpTransferRequest m_request;
    bool m_bCompleted = false;
    // After a completed upload: how the remote file was put in place (empty for a plain upload).
    std::string m_outcome;
    // Called on the interface thread when the user trusts a certificate: the server ("host:port") and the
    // pin of its public key, for the next sessions.
    std::function<void(const std::string& server, const std::string& pin)> m_onCertificatePinned;
    // The settings file that keeps the pins, named in the warning about a replaced certificate.
    std::string m_pinsFile;
    // Called once the server confirmed the whole file (the upload count), on the interface thread.
    std::function<void()> m_onConfirmed;

  public slots:
    // Cancel and Escape: the worker is asked to stop; the dialog closes when it has.
    void reject() override;

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    bool Initialise();
    void OnEndedOnUi(bool failed);
    // Queues call for the interface thread. The calls travel through m_posted under m_postLock, so the
    // worker's hand-over is ordered by a lock of our own rather than only by Qt's event queue.
    void Post(std::function<void()> call);
    void RunPosted();
    // Runs ask on the interface thread and waits for its answer there; false when the dialog goes first.
    bool AskOnUi(std::function<bool()> ask);

    // FtpTransferObserver, called on the worker thread.
    void OnStatus(const std::string& text) override;
    void OnConnected() override;
    void OnPercent(int percent, const std::string& title) override;
    void OnRate(const std::string& text) override;
    void OnTimeLeft(const std::string& text) override;
    bool AskReplaceRemote(const std::string& question) override;
    bool AskWriteDirectly(const std::string& question) override;
    bool AskTrustHostKey(const HostKeyQuestion& question) override;
    void OnHostKeyChanged(const HostKeyQuestion& question) override;
    bool AskTrustCertificate(const CertificateQuestion& question) override;
    void OnCertificateReplaced(const CertificateQuestion& question) override;
    void OnEnded(bool failed) override;

    UiServices& m_ui;
    std::unique_ptr<FtpClient> m_client;
    std::unique_ptr<CTransferDrive> m_drive;
    bool m_bFinished = false;

    std::mutex m_postLock;
    std::vector<std::function<void()>> m_posted;
    bool m_bPostClosed = false;

    CTransferAnimationWidget* m_animation = nullptr;
    QLabel* m_status = nullptr;
    QLabel* m_fileLine = nullptr;
    QProgressBar* m_progress = nullptr;
    QLabel* m_timeLeft = nullptr;
    QLabel* m_rate = nullptr;
    QPushButton* m_cancel = nullptr;
};

}  // namespace yarvelin

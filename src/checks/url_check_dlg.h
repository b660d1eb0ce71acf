// The modal progress dialog of the URL check. It runs the check on a worker thread and stays open until
// the worker has ended; Close and Cancel before then only ask the worker to stop.
#pragma once

#include <QDialog>
#include <atomic>
#include <cstddef>
#include <memory>
#include <thread>

#include "checks/url_check_worker.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace yarvelin {

class CYarvelinGui;
class HttpClient;

class CUrlCheckDlg : public QDialog {
    Q_OBJECT
  public:
    CUrlCheckDlg(CYarvelinGui& gui, QWidget* parent);
    // With another HTTP client than the default libcurl one (tests use short time-outs).
    CUrlCheckDlg(CYarvelinGui& gui, QWidget* parent, std::unique_ptr<HttpClient> client);
    // Waits for the worker: it is never left running behind a destroyed dialog.
    ~CUrlCheckDlg() override;

    bool IsDone() const { return m_bDone; }
    bool IsCancelRequested() const { return m_cancel.load(); }

    void accept() override;
    void reject() override;

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    class CPostingObserver;

    void Start();
    void StepProgress();
    void RequestCancel();
    void OnProgress(std::size_t handled);
    void OnDone();

    CYarvelinGui& m_gui;
    std::unique_ptr<HttpClient> m_client;
    std::unique_ptr<CPostingObserver> m_observer;
    UrlCheckOptions m_options;  // read before the worker starts, only read by it
    std::atomic<bool> m_cancel{false};
    std::thread m_worker;
    bool m_bStarted = false;
    bool m_bDone = false;
    std::size_t m_nChecked = 0;  // records whose results were applied

    QProgressBar* m_progress = nullptr;
    QLabel* m_status = nullptr;
    QLabel* m_findingsLabel = nullptr;
    std::size_t m_findings = 0;  // findings about what the addresses serve, in this run
    QPushButton* m_close = nullptr;
    QPushButton* m_cancelButton = nullptr;
};

}  // namespace yarvelin

#include "checks/url_check_dlg.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMetaObject>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "app/yarvelin_gui.h"
#include "checks/http_session.h"
#include "checks/url_check_worker.h"
#include "platform/curl_http_client.h"
#include "platform/text_codec.h"
#include "platform/ui_services.h"
#include "records/text_util.h"

namespace yarvelin {

// The worker's reports become queued calls on the dialog's thread; the worker never touches a widget.
class CUrlCheckDlg::CPostingObserver : public CUrlCheckObserver {
  public:
    explicit CPostingObserver(CUrlCheckDlg* dlg) : m_dlg(dlg) {}
    void OnProgress(std::size_t handled) override {
        CUrlCheckDlg* dlg = m_dlg;
        QMetaObject::invokeMethod(
            dlg, [dlg, handled] { dlg->OnProgress(handled); }, Qt::QueuedConnection);
    }
    void OnDone() override {
        CUrlCheckDlg* dlg = m_dlg;
        QMetaObject::invokeMethod(
            dlg, [dlg] { dlg->OnDone(); }, Qt::QueuedConnection);
    }
    // The results are stored by the interface thread, in the order they come, before the record's progress.
    void OnRecordChecked(const UrlCheckResult& result) override {
        CUrlCheckDlg* dlg = m_dlg;
        QMetaObject::invokeMethod(
            dlg,
            [dlg, result] {
                ApplyUrlCheckResult(dlg->m_gui.Document(), result);
                ++dlg->m_nChecked;
                dlg->m_findings += result.findings[0].size() + result.findings[1].size();
            },
            Qt::QueuedConnection);
    }

  private:
    CUrlCheckDlg* m_dlg;
};

namespace {

std::unique_ptr<HttpClient> ConfiguredHttpClient(const SettingsStore& store) {
    CurlHttpLimits limits;
    limits.maxRequests = UrlCheckJobs(store);
    limits.maxPerHost = kUrlCheckMaxPerHost;
    return std::make_unique<CCurlHttpClient>(CurlHttpTimeouts::FromEnvironment(), limits);
}

}  // namespace

CUrlCheckDlg::CUrlCheckDlg(CYarvelinGui& gui, QWidget* parent)
    : CUrlCheckDlg(gui, parent, ConfiguredHttpClient(gui.Store())) {}

CUrlCheckDlg::CUrlCheckDlg(CYarvelinGui& gui, QWidget* parent, std::unique_ptr<HttpClient> client)
    : QDialog(parent),
      m_gui(gui),
      m_client(std::move(client)),
      m_observer(std::make_unique<CPostingObserver>(this)) {
    setObjectName(QStringLiteral("urlCheckDlg"));
    setWindowTitle(A("Checking Product & Image Paths (URLs)"));
    setModal(true);

    auto* intro =
        new QLabel(A("Checking all URLs in your data. This may take a few minutes depending on the speed "
                     "of your internet connection and the number of products your have."),
                   this);
    intro->setObjectName(QStringLiteral("introLabel"));
    intro->setWordWrap(true);
    intro->setTextFormat(Qt::PlainText);

    auto* progressLabel = new QLabel(A("Verification progress..."), this);
    progressLabel->setObjectName(QStringLiteral("progressLabel"));

    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("progressBar"));
    m_progress->setAccessibleName(A("Verification progress"));
    m_progress->setTextVisible(false);
    m_progress->setRange(0, 0);
    m_progress->setValue(0);

    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("statusLabel"));
    m_status->setTextFormat(Qt::PlainText);

    // Shown at the end only when the pictures or pages gave findings.
    m_findingsLabel = new QLabel(this);
    m_findingsLabel->setObjectName(QStringLiteral("findingsLabel"));
    m_findingsLabel->setTextFormat(Qt::PlainText);
    m_findingsLabel->setWordWrap(true);
    m_findingsLabel->hide();

    m_close = new QPushButton(A("Close"), this);
    m_close->setObjectName(QStringLiteral("closeButton"));
    m_close->setDefault(true);
    m_cancelButton = new QPushButton(A("Cancel"), this);
    m_cancelButton->setObjectName(QStringLiteral("cancelButton"));
    m_cancelButton->setAutoDefault(false);
    connect(m_close, &QPushButton::clicked, this, &CUrlCheckDlg::accept);
    connect(m_cancelButton, &QPushButton::clicked, this, &CUrlCheckDlg::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_close);
    buttons->addWidget(m_cancelButton);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 16, 16, 12);
    layout->addWidget(intro);
    layout->addSpacing(8);
    layout->addWidget(progressLabel);
    layout->addWidget(m_progress);
    layout->addWidget(m_status);
    layout->addWidget(m_findingsLabel);
    layout->addSpacing(6);
    layout->addLayout(buttons);
    setMinimumWidth(460);
}

CUrlCheckDlg::~CUrlCheckDlg() {
    if (m_worker.joinable()) {
        m_cancel.store(true);
        m_worker.join();
    }
}

void CUrlCheckDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!m_bStarted) {
        m_bStarted = true;
        Start();
    }
}

void CUrlCheckDlg::Start() {
    // While the dialog is open it is modal: nothing changes the records but the results applied here, on
    // this thread, and the worker only reads them.
    const auto count = static_cast<int>(m_gui.Document().Count());
    m_progress->setRange(0, count);
    m_progress->setValue(0);
    m_status->setText(A("Establishing connections..."));
    StepProgress();
    const CFeedDocument& doc = m_gui.Document();
    HttpClient& client = *m_client;
    CUrlCheckObserver& observer = *m_observer;
    m_options = ConfiguredUrlCheckOptions(m_gui.Store());
    m_worker = std::thread(
        [&doc, &client, &observer, this] { UrlCheckWorker(doc, client, m_cancel, observer, m_options); });
    m_status->setText(A("Verification of URLs started..."));
    StepProgress();
}

// The bar runs two steps ahead of the records; it stops at its end rather than wrapping round.
void CUrlCheckDlg::StepProgress() {
    m_progress->setValue(std::min(m_progress->value() + 1, m_progress->maximum()));
}

void CUrlCheckDlg::OnProgress(std::size_t handled) {
    m_status->setText(FromCp1252(Format("%d records verified and marked...", static_cast<int>(handled))));
    StepProgress();
}

void CUrlCheckDlg::OnDone() {
    if (m_worker.joinable()) {
        m_worker.join();  // it has posted its last report and is ending by itself
    }
    m_bDone = true;
    if (m_cancel.load()) {
        // A stopped check says how far it got; the bar stays where it was.
        m_status->setText(
            FromCp1252(Format("Verification stopped: %zu of %zu products were checked. Press "
                              "Close to exit.",
                              m_nChecked, m_gui.Document().Count())));
    } else {
        m_progress->setValue(m_progress->maximum());
        m_status->setText(A("Verification complete. Press Close to exit."));
    }
    if (m_findings > 0) {
        m_findingsLabel->setText(FromCp1252(UrlCheckFindingsText(m_findings)));
        m_findingsLabel->show();
        adjustSize();  // one line more: the window grows rather than squeezing the others
    }
    m_gui.Ui().Beep();
}

void CUrlCheckDlg::RequestCancel() {
    m_cancel.store(true);
    m_cancelButton->setEnabled(false);
}

void CUrlCheckDlg::accept() {
    if (!m_bDone) {
        RequestCancel();
        return;
    }
    QDialog::accept();
}

void CUrlCheckDlg::reject() {
    if (!m_bDone) {
        RequestCancel();
        return;
    }
    QDialog::reject();
}

}  // namespace yarvelin

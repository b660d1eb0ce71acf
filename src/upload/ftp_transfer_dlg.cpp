#include "upload/ftp_transfer_dlg.h"

#include <QCloseEvent>
#include <QFile>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <future>
#include <memory>

#include "app/program_names.h"
#include "app/settings_names.h"
#include "platform/curl_ftp_client.h"
#include "platform/text_codec.h"
#include "platform/ui_services.h"
#include "upload/transfer_animation_widget.h"

namespace yarvelin {

namespace {

// The engine's texts carry file names and server replies: they are in the system's own 8-bit form.
QString Local(const std::string& text) {
    return FromPath(text);
}

}  // namespace

CFTPTransferDlg::CFTPTransferDlg(UiServices& ui, QWidget* parent, std::unique_ptr<FtpClient> client)
    : QDialog(parent), m_ui(ui), m_client(client ? std::move(client) : std::make_unique<CCurlFtpClient>()) {
    setObjectName(QStringLiteral("CFTPTransferDlg"));
    setWindowTitle(A(FtpString(FtpText::DownloadTitle)));
    auto* layout = new QVBoxLayout(this);
    m_animation = new CTransferAnimationWidget(this);
    m_animation->setObjectName(QStringLiteral("animation"));
    layout->addWidget(m_animation);
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("statusLine"));
    m_fileLine = new QLabel(this);
    m_fileLine->setObjectName(QStringLiteral("fileLine"));
    for (QLabel* l : {m_status, m_fileLine}) {
        l->setMinimumWidth(360);
        l->setTextFormat(Qt::PlainText);
        layout->addWidget(l);
    }
    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("progress"));
    m_progress->setAccessibleName(A("Transfer progress"));
    m_progress->setRange(0, 100);
    m_progress->setValue(0);
    m_progress->setTextVisible(false);
    layout->addWidget(m_progress);

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(A("Estimated time left:"), this), 0, 0);
    grid->addWidget(new QLabel(A("Transfer rate:"), this), 1, 0);
    m_timeLeft = new QLabel(this);
    m_timeLeft->setObjectName(QStringLiteral("timeLeft"));
    m_rate = new QLabel(this);
    m_rate->setObjectName(QStringLiteral("transferRate"));
    grid->addWidget(m_timeLeft, 0, 1);
    grid->addWidget(m_rate, 1, 1);
    grid->setColumnStretch(1, 1);
    layout->addLayout(grid);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    m_cancel = new QPushButton(A("Cancel"), this);
    m_cancel->setObjectName(QStringLiteral("cancelButton"));
    m_cancel->setDefault(true);
    buttons->addWidget(m_cancel);
    layout->addLayout(buttons);
    connect(m_cancel, &QPushButton::clicked, this, &CFTPTransferDlg::reject);
}

CFTPTransferDlg::~CFTPTransferDlg() {
    // Calls still queued are dropped, which answers a waiting question with No, so the worker can end.
    std::vector<std::function<void()>> dropped;
    {
        std::lock_guard<std::mutex> lock(m_postLock);
        m_bPostClosed = true;
        dropped.swap(m_posted);
    }
    dropped.clear();
    // The engine waits for its worker, then closes the remote file and the session.
    m_drive.reset();
    m_client.reset();
}

int CFTPTransferDlg::exec() {
    if (!Initialise()) {
        return QDialog::Rejected;
    }
    return QDialog::exec();
}

bool CFTPTransferDlg::Initialise() {
    if (!m_request.download) {
        setWindowTitle(A(FtpString(FtpText::UploadTitle)));
    }
    m_progress->setRange(0, 100);
    m_drive = std::make_unique<CTransferDrive>(*m_client, static_cast<FtpTransferObserver&>(*this));
    m_drive->SetOnConfirmed(m_onConfirmed);
    FtpTransferRequest request = m_request;
    request.agent = kFtpAgent;
    const auto prepared = m_drive->Prepare(request, [this](const std::string& question) {
        return m_ui.MessageBox(this, A("Yarvelin"), Local(question), MsgIcon::Question, MsgButtons::YesNo) ==
               MsgAnswer::Yes;
    });
    if (prepared == CFtpTransferEngine::PrepareResult::Failed) {
        m_ui.MessageBox(this, A(kAppTitle), Local(m_drive->Engine().ErrorText()), MsgIcon::Stop,
                        MsgButtons::Ok);
    }
    if (prepared != CFtpTransferEngine::PrepareResult::Ready) {
        return false;
    }
    m_fileLine->setText(Local(m_drive->Engine().FileLine()));
    return m_drive->Start();
}

void CFTPTransferDlg::Post(std::function<void()> call) {
    {
        std::lock_guard<std::mutex> lock(m_postLock);
        if (m_bPostClosed) {
            return;  // dropped: a question waiting on it is answered No
        }
        m_posted.push_back(std::move(call));
    }
    QMetaObject::invokeMethod(
        this, [this] { RunPosted(); }, Qt::QueuedConnection);
}

void CFTPTransferDlg::RunPosted() {
    std::vector<std::function<void()>> calls;
    {
        std::lock_guard<std::mutex> lock(m_postLock);
        calls.swap(m_posted);
    }
    for (auto& call : calls) {
        call();
    }
}

void CFTPTransferDlg::OnStatus(const std::string& text) {
    Post([this, t = Local(text)] {
        // Once Cancel was pressed the status line keeps saying so.
        if (!m_drive->Engine().IsAborted()) {
            m_status->setText(t);
        }
    });
}

void CFTPTransferDlg::OnConnected() {
    Post([this] { m_animation->Play(); });
}

void CFTPTransferDlg::OnPercent(int percent, const std::string& title) {
    Post([this, percent, t = Local(title)] {
        m_progress->setValue(std::min(percent, 100));
        setWindowTitle(t);
    });
}

void CFTPTransferDlg::OnRate(const std::string& text) {
    Post([this, t = Local(text)] { m_rate->setText(t); });
}

void CFTPTransferDlg::OnTimeLeft(const std::string& text) {
    Post([this, t = Local(text)] { m_timeLeft->setText(t); });
}

bool CFTPTransferDlg::AskOnUi(std::function<bool()> ask) {
    // The worker waits for the answer. A dialog that goes away before asking counts as No.
    // Only the queued call owns the promise: when the call is dropped unrun, the future breaks.
    auto answer = std::make_shared<std::promise<bool>>();
    std::future<bool> reply = answer->get_future();
    Post([answer = std::move(answer), ask = std::move(ask)] { answer->set_value(ask()); });
    try {
        return reply.get();
    } catch (const std::future_error&) {
        return false;
    }
}

bool CFTPTransferDlg::AskReplaceRemote(const std::string& question) {
    return AskOnUi([this, q = Local(question)] {
        return m_ui.MessageBox(this, A("Yarvelin"), q, MsgIcon::Question, MsgButtons::YesNo) ==
               MsgAnswer::Yes;
    });
}

bool CFTPTransferDlg::AskWriteDirectly(const std::string& question) {
    // No is the default: the old feed stays on the server, and the new one waits beside it.
    return AskOnUi([this, q = Local(question)] {
        return m_ui.MessageBox(this, A(kAppTitle), q, MsgIcon::Question, MsgButtons::YesNoDefaultNo) ==
               MsgAnswer::Yes;
    });
}

bool CFTPTransferDlg::AskTrustHostKey(const HostKeyQuestion& question) {
    return AskOnUi([this, q = Local(HostKeyQuestionText(question))] {
        return m_ui.MessageBox(this, A(kAppTitle), q, MsgIcon::Question, MsgButtons::YesNoDefaultNo) ==
               MsgAnswer::Yes;
    });
}

void CFTPTransferDlg::OnHostKeyChanged(const HostKeyQuestion& question) {
    // Shown while the worker waits, so the warning comes before the connection error.
    AskOnUi([this, q = Local(HostKeyChangedText(question))] {
        m_ui.MessageBox(this, A(kAppTitle), q, MsgIcon::Stop, MsgButtons::Ok);
        return false;
    });
}

bool CFTPTransferDlg::AskTrustCertificate(const CertificateQuestion& question) {
    return AskOnUi([this, question, q = Local(CertificateQuestionText(question))] {
        const bool yes = m_ui.MessageBox(this, A(kAppTitle), q, MsgIcon::Exclamation,
                                         MsgButtons::YesNoDefaultNo) == MsgAnswer::Yes;
        if (yes && m_onCertificatePinned) {
            m_onCertificatePinned(question.server, question.pin);
        }
        return yes;
    });
}

void CFTPTransferDlg::OnCertificateReplaced(const CertificateQuestion& question) {
    const std::string forget =
        "If your provider confirms the new certificate, close this program, remove the line with\n" +
        question.pinnedKey + "\nfrom the section [" + settings::kSectionPinnedCertificates + "] of\n" +
        (m_pinsFile.empty() ? std::string("the settings file") : m_pinsFile) +
        "\nand upload again: you will then be asked about the new certificate.";
    // Shown while the worker waits, so the warning comes before the connection error.
    AskOnUi([this, q = Local(CertificateReplacedText(question, forget))] {
        m_ui.MessageBox(this, A(kAppTitle), q, MsgIcon::Stop, MsgButtons::Ok);
        return false;
    });
}

void CFTPTransferDlg::OnEnded(bool failed) {
    Post([this, failed] { OnEndedOnUi(failed); });
}

void CFTPTransferDlg::OnEndedOnUi(bool failed) {
    m_bFinished = true;
    m_bCompleted = true;
    m_animation->Stop();
    const TransferOutcome outcome = m_drive->Finish(failed);
    if (outcome.kind == TransferOutcome::Kind::Stopped) {
        done(QDialog::Rejected);
        return;
    }
    if (outcome.kind == TransferOutcome::Kind::Failed) {
        // A refused server was the user's own answer, or came with its warning: a second box adds nothing.
        if (!outcome.error.empty() && !outcome.saidAlready) {
            m_ui.MessageBox(this, A(kAppTitle), Local(outcome.Message("\n\n")), MsgIcon::Stop,
                            MsgButtons::Ok);
        }
        done(QDialog::Rejected);
        return;
    }
    m_outcome = outcome.outcomeText;
    done(QDialog::Accepted);
}

void CFTPTransferDlg::reject() {
    if (m_bFinished || !m_drive) {
        QDialog::reject();
        return;
    }
    m_drive->Abort();
    m_cancel->setEnabled(false);
    m_status->setText(A(FtpString(FtpText::Aborting)));
}

void CFTPTransferDlg::closeEvent(QCloseEvent* event) {
    if (m_bFinished || !m_drive) {
        QDialog::closeEvent(event);
        return;
    }
    event->ignore();
    reject();
}

}  // namespace yarvelin

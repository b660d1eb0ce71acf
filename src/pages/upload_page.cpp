#include "pages/upload_page.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "app/password_vault.h"
#include "app/program_names.h"
#include "app/remembered_alert.h"
#include "app/settings_names.h"
#include "app/settings_store.h"
#include "app/wizard_property_sheet.h"
#include "app/yarvelin_gui.h"
#include "changes/changes_dlg.h"
#include "changes/run_changes.h"
#include "changes/upload_changes.h"
#include "dialogs/account_setup_dlg.h"
#include "dialogs/diagnostics_dlg.h"
#include "dialogs/summary_dlg.h"
#include "feed/feed_file.h"
#include "feed/feed_file_writer.h"
#include "jobs/feed_job.h"
#include "jobs/job_scheduler.h"
#include "jobs/schedule_dlg.h"
#include "jobs/upload_count_file.h"
#include "platform/posix_user_systemctl.h"
#include "platform/text_codec.h"
#include "platform/ui_services.h"
#include "upload/ftp_transfer_dlg.h"
#include "upload/remote_file_name.h"
#include "upload/server_address.h"
#include "widgets/animated_label.h"
#include "widgets/dialog_parts.h"

namespace yarvelin {

namespace {

// The room the SSH Key button keeps for the key file's name: the longest of OpenSSH's own names, and a blank
// to spare because a name's width measured whole can come out below the sum that shortening goes by.
QString KeyNameRoom() {
    return QStringLiteral("id_ecdsa_sk.key ");
}

QString PathText(const std::string& path) {
    return FromPath(path);
}
std::string PathBytes(const QString& path) {
    return ToPath(path);
}

}  // namespace

CPage5::CPage5(CYarvelinGui& gui, QWidget* parent)
    : CWizardPage(gui, A("Yarvelin : Step 4 > Upload To Quorvin"), parent) {
    setObjectName(QStringLiteral("CPage5"));
    auto* outer = new QVBoxLayout(this);
    m_heading = new CAnimatedLabel(this);
    m_heading->setObjectName(QStringLiteral("heading"));
    m_heading->SetBackgroundColor(palette().color(QPalette::Button));
    m_heading->SetBorder(false);
    m_heading->SetMainFontBold(true);
    outer->addWidget(m_heading);

    auto* columns = new QHBoxLayout;
    outer->addLayout(columns, 1);

    auto* group = new QGroupBox(A("FTP Connection Settings"), this);
    group->setObjectName(QStringLiteral("connectionGroup"));
    columns->addWidget(group, 3);
    auto* g = new QVBoxLayout(group);
    g->addWidget(MakeWrappedLabel(
        "You have successfully created your Quorvin data feed file. You can optionally upload "
        "your Quorvin here.",
        group));

    auto* top = new QGridLayout;
    QPushButton* accountInfo = MakePushButton("&Account Info...", "accountInfoButton", group);
    QPushButton* preview = MakePushButton("Final &Preview...", "finalPreviewButton", group);
    CGridRows topRows(top);
    topRows.Add(accountInfo, MakeWrappedLabel("Setup your Quorvin account information to upload.", group));
    topRows.Add(preview, MakeWrappedLabel("View a final summary of all the products in this feed.", group));
    top->setColumnStretch(1, 1);
    g->addLayout(top);

    auto* fields = new QGridLayout;
    // The captions are made after all the fields; the children keep the order they have always had.
    m_server = MakeLineEdit("serverEdit", group);
    m_fileName = MakeLineEdit("fileNameEdit", group);
    m_fileName->setReadOnly(true);
    QPushButton* browse = MakePushButton("&Browse...", "browseButton", group);
    m_userName = MakeLineEdit("userNameEdit", group);
    m_password = MakeLineEdit("passwordEdit", group);
    m_password->setEchoMode(QLineEdit::Password);
    m_savePassword = MakeCheckBox("Save Password", "savePasswordCheck", group);
    m_savePassword->setChecked(true);
    CGridRows fieldRows(fields);
    fieldRows.Add(new QLabel(A("Quorvin Server: "), group), m_server, 2);
    fieldRows.Add(new QLabel(A("File Name: "), group), m_fileName, 1, browse);
    fieldRows.Add(new QLabel(A("Username: "), group), m_userName, 2);
    fieldRows.Add(new QLabel(A("Your Password: "), group), m_password, 2);
    // ASCII transfers let the server change the line ends; the choice sits beside "Save Password" so
    // that nothing else on the page moves.
    m_binary = MakeCheckBox("Binary transfer", "binaryCheck", group);
    m_binary->setToolTip(
        A("The file arrives byte for byte. Without it the file is sent as text (ASCII), and the server may "
          "change its line ends."));
    auto* checks = new QHBoxLayout;
    checks->addWidget(m_savePassword);
    checks->addWidget(m_binary);
    checks->addStretch(1);
    fields->addLayout(checks, 4, 1);
    // Beside the check box, under the Browse button: the only free place in the grid.
    m_keyFile = new QPushButton(group);
    m_keyFile->setObjectName(QStringLiteral("keyFileButton"));
    fields->addWidget(m_keyFile, 4, 2);
    // One width whatever key is chosen, enough for the usual name: a longer one is shortened instead of
    // widening the column and squeezing the File Name box.
    m_keyFile->setText(A("SSH &Key: ") + KeyNameRoom());
    m_keyFile->setFixedWidth(m_keyFile->sizeHint().width());
    UpdateKeyButton();
    fields->setColumnStretch(1, 1);
    g->addLayout(fields);

    auto* uploadRow = new QHBoxLayout;
    m_upload = MakePushButton("&Upload", "uploadButton", group);
    m_upload->setDefault(true);
    uploadRow->addWidget(m_upload);
    // Beside Upload, so that the controls above and the result line below stay where they were.
    m_saveJob = MakePushButton("Save as &Job...", "saveJobButton", group);
    m_saveJob->setToolTip(
        A("Save this upload as a job that yarvelin-feed run repeats unattended, for instance every night."));
    uploadRow->addWidget(m_saveJob);
    m_schedule = MakePushButton("&Schedule...", "scheduleButton", group);
    m_schedule->setToolTip(A("Run the saved job by itself: every few hours, daily or weekly."));
    uploadRow->addWidget(m_schedule);
    uploadRow->addStretch(1);
    g->addLayout(uploadRow);
    m_result = new QLabel(group);
    m_result->setObjectName(QStringLiteral("resultLine"));
    m_result->setWordWrap(true);
    m_result->setMinimumHeight(m_result->fontMetrics().lineSpacing() * 2);
    g->addWidget(m_result);
    m_replaceLine = new QLabel(group);
    m_replaceLine->setObjectName(QStringLiteral("replaceLine"));
    m_replaceLine->setWordWrap(true);
    g->addWidget(m_replaceLine);
    m_jobLine = new QLabel(group);
    m_jobLine->setObjectName(QStringLiteral("jobLine"));
    m_jobLine->setWordWrap(true);
    // The look back at the last upload sits beside the last-run line.
    auto* jobRow = new QHBoxLayout;
    jobRow->addWidget(m_jobLine, 1);
    m_changesLine = new QLabel(group);
    m_changesLine->setObjectName(QStringLiteral("changesLine"));
    jobRow->addWidget(m_changesLine);
    m_changes = MakePushButton("C&hanges...", "changesButton", group);
    m_changes->setToolTip(A("List the products added, removed and changed since the last upload here."));
    m_changes->hide();
    jobRow->addWidget(m_changes);
    m_rollback = MakePushButton("&Roll Back...", "rollBackButton", group);
    m_rollback->setToolTip(A("Send the feed uploaded before the last one again, whole."));
    m_rollback->hide();
    jobRow->addWidget(m_rollback);
    g->addLayout(jobRow);
    m_comparisonPoll = new QTimer(this);
    m_comparisonPoll->setInterval(50);
    connect(m_comparisonPoll, &QTimer::timeout, this, &CPage5::TakeComparison);
    g->addStretch(1);

    auto* points = new QGroupBox(A("A few points to remember..."), this);
    points->setObjectName(QStringLiteral("pointsPanel"));
    columns->addWidget(points, 2);
    auto* p = new QVBoxLayout(points);
    for (
        const char* point :
        {"1. Quorvin requires you to upload ATLEAST once a month. We suggest that you upload atleast once a "
         "week to "
         "avoid errors or ommissions.",
         "2. Quorvin's FTP server (upload location) does not allow for FTP directory listing, so - you might "
         "encounter unusual messages.",
         "3. Make sure your product pages on your site reflects the same information - name, price, "
         "description as "
         "the feed file.",
         "4. Try not to modify the feed file yourself as this might result in errors causing a delay in your "
         "listings.",
         "5. Don't upload more than once a day as Quorvin doesn't currently allow this."}) {
        p->addWidget(MakeWrappedLabel(point, points));
    }
    p->addStretch(1);

    connect(m_upload, &QPushButton::clicked, this, &CPage5::OnUpload);
    connect(browse, &QPushButton::clicked, this, &CPage5::OnBrowse);
    connect(accountInfo, &QPushButton::clicked, this, &CPage5::OnAccountInfo);
    connect(m_saveJob, &QPushButton::clicked, this, &CPage5::OnSaveJob);
    connect(m_schedule, &QPushButton::clicked, this, &CPage5::OnSchedule);
    connect(m_changes, &QPushButton::clicked, this, &CPage5::OnChanges);
    connect(m_rollback, &QPushButton::clicked, this, &CPage5::OnRollBack);
    connect(preview, &QPushButton::clicked, this, &CPage5::OnFinalPreview);
    connect(m_keyFile, &QPushButton::clicked, this, &CPage5::OnKeyFile);
}

bool CPage5::UpdateData(bool save) {
    if (save) {
        m_strServer = ToCp1252(m_server->text());
        m_strFileName = PathBytes(m_fileName->text());
        m_strUserName = ToCp1252(m_userName->text());
        m_strPassword = ToCp1252(m_password->text());
        m_bSavePassword = m_savePassword->isChecked();
        m_bBinary = m_binary->isChecked();
    } else {
        m_server->setText(FromCp1252(m_strServer));
        m_fileName->setText(PathText(m_strFileName));
        m_fileName->setCursorPosition(0);  // the start of a long path says more than its end
        m_userName->setText(FromCp1252(m_strUserName));
        m_password->setText(FromCp1252(m_strPassword));
        m_savePassword->setChecked(m_bSavePassword);
        m_binary->setChecked(m_bBinary);
    }
    return true;
}

void CPage5::UpdateUploadButton() {
    m_upload->setEnabled(!m_gui.Document().SavedFileName().empty());
    m_saveJob->setEnabled(m_upload->isEnabled());
    m_schedule->setEnabled(m_upload->isEnabled());
}

void CPage5::UpdateJobLine() {
    const std::string& saved = m_gui.Document().SavedFileName();
    if (saved.empty()) {
        m_jobLine->clear();
        return;
    }
    const std::string& countFile = m_gui.Config().uploadCountFile;
    std::ifstream in(HistoryPath(), std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::string job = m_jobName.empty() ? m_gui.Document().Account() : m_jobName;
    m_jobLine->setText(FromCp1252(JobStatusText(
        text, job, LastUploadCount(m_gui.Store(), countFile, m_strServer, RemoteFileNameFor(saved)))));
}

std::string CPage5::HistoryPath() const {
    // The run history lies beside the upload counts (both in the state folder).
    const std::string& countFile = m_gui.Config().uploadCountFile;
    return (countFile.empty() ? StateFolder() : std::filesystem::path(countFile).parent_path().string()) +
           "/history.jsonl";
}

void CPage5::OnSchedule() {
    // The timer runs a job saved in the jobs folder: this session's, or one saved earlier for this feed.
    const auto job = [this] {
        return !m_jobName.empty() ? m_jobName
                                  : std::filesystem::path(m_gui.Document().SavedFileName()).stem().string();
    };
    if (const std::string why = CJobScheduler::WhyNotSchedulable(job()); !why.empty()) {
        if (m_gui.Ui().MessageBox(this, A(kAppTitle),
                                  A("The upload must be saved as a job in ") + PathText(JobsFolder()) +
                                      A(" before it can be scheduled.\nSave it as a job now?"),
                                  MsgIcon::Question, MsgButtons::YesNo) != MsgAnswer::Yes) {
            return;
        }
        OnSaveJob();
        // The scheduler's reason holds the job's name and folder: path text.
        if (const std::string still = CJobScheduler::WhyNotSchedulable(job()); !still.empty()) {
            if (!m_jobName.empty()) {
                m_gui.Ui().MessageBox(this, A(kAppTitle),
                                      A("The job cannot be scheduled: ") + PathText(still) + A("."),
                                      MsgIcon::Exclamation, MsgButtons::Ok);
            }
            return;
        }
    }
    CPosixUserSystemctl systemctl;
    // The crontab line starts the yarvelin-feed installed beside the wizard.
    CScheduleDlg dlg(job(), systemctl, PathBytes(QCoreApplication::applicationDirPath()) + "/yarvelin-feed",
                     HistoryPath(), this);
    if (m_runSchedule) {
        m_runSchedule(dlg);
    } else {
        dlg.exec();
    }
    UpdateJobLine();
}

void CPage5::OnSaveJob() {
    const CFeedDocument& doc = m_gui.Document();
    if (doc.SavedFileName().empty() || RefuseUnstorableFields() || !UpdateData(true)) {
        return;
    }
    // Named after the feed file, in the folder where `yarvelin-feed run NAME` and the timer look; the folder
    // is made first so that the dialog opens in it on a fresh account.
    const std::string feedName = std::filesystem::path(doc.SavedFileName()).stem().string();
    const std::string name = !m_jobName.empty()  ? m_jobName
                             : !feedName.empty() ? feedName
                                                 : (doc.Account().empty() ? "feed" : doc.Account());
    std::error_code ignored;
    std::filesystem::create_directories(JobsFolder(), ignored);
    FileDialogRequest request;
    request.title = A("Save as Job");
    request.filter = A("Job Files (*.toml)|*.toml|All Files (*.*)|*.*||");
    request.defaultExt = QStringLiteral("toml");
    request.proposedName = PathText(JobsFolder() + "/" + name + ".toml");
    request.overwritePrompt = true;
    const std::optional<QString> chosen = m_gui.Ui().SaveFileDialog(this, request);
    if (!chosen) {
        return;
    }
    const std::string path = PathBytes(*chosen);
    FeedJobUpload upload;
    upload.server = m_strServer;
    upload.user = m_strUserName;
    upload.keyFile = m_strKeyFile;
    upload.binary = m_bBinary;
    upload.knownHostsFile = m_gui.Config().knownHostsFile;
    const ServerAddressResult address = ParseServerAddress(m_strServer);
    if (address.address && IsTlsProtocol(address.address->protocol)) {
        upload.pin = settings::kPinnedCertificates.Read(
            m_gui.Store(), HostAndPort(address.address->host, address.address->port));
    }
    WizardFeedForJob feed;
    feed.savedFile = doc.SavedFileName();
    feed.basic = doc.IsBasicFormat();
    // A file picked on this page brings its own header lines.
    feed.headers = doc.SavedHeaderChoices().value_or(HeaderChoicesOfFile(doc.SavedFileName()));
    if (doc.IsDataVerified()) {
        // The text check stores every answer it is given (and answers from it when told not to ask).
        feed.textCheck = WizardFeedForJob::TextCheck{
            CRememberedAlert(m_gui.Store(), settings::kDontShowWhiteSpace, settings::kDontShowWhiteSpaceValue)
                    .RememberedAnswer() == kAnswerYes,
            CRememberedAlert(m_gui.Store(), settings::kDontShowEscape, settings::kDontShowEscapeValue)
                    .RememberedAnswer() == kAnswerYes};
    }
    const std::string jobName = std::filesystem::path(path).stem().string();
    const FeedJob job = JobForWizardUpload(jobName, feed, upload);
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ignored);
    if (!WriteFileSafely(path, FeedJobText(job))) {
        m_gui.Ui().MessageBox(this, A(kAppTitle), A("The job could not be saved in ") + *chosen + A("."),
                              MsgIcon::Exclamation, MsgButtons::Ok);
        return;
    }
    m_jobName = jobName;
    UpdateJobLine();
    m_gui.Ui().MessageBox(
        this, A(kAppTitle),
        A("The job was saved in ") + *chosen +
            A(".\nyarvelin-feed run checks, writes and uploads this feed with it. The password "
              "stays in the keyring: add a password file to the job to run it unattended."),
        MsgIcon::Information, MsgButtons::Ok);
}

bool CPage5::OnSetActive() {
    // The result line told of an upload of an earlier feed.
    if (m_nFeedSerial != m_gui.Document().FeedSerial()) {
        m_nFeedSerial = m_gui.Document().FeedSerial();
        m_result->clear();
        m_replaceLine->clear();
    }
    UpdateData(true);
    m_strServer = settings::kFtpServer.Read(m_gui.Store());
    // A user name saved with "Save Password" comes back with its password; otherwise the account name
    // stands for the user and the password is typed again (the page never keeps a typed one).
    m_strUserName = settings::kFtpUserId.Read(m_gui.Store());
    m_strPassword.clear();
    if (m_strUserName.empty()) {
        m_strUserName = m_gui.Document().Account();
    } else {
        m_strPassword = LoadFtpPassword(m_gui.Store(), m_gui.Vault(), m_strServer, m_strUserName);
    }
    m_strFileName = m_gui.Document().SavedFileName();
    if (m_strServer.empty()) {
        m_strServer = m_gui.Config().uploadHost;
    }
    m_strKeyFile = settings::kFtpKeyFile.Read(m_gui.Store());
    m_bBinary = settings::kFtpBinary.Read(m_gui.Store()) == "1";
    UpdateKeyButton();
    UpdateData(false);
    UpdateUploadButton();
    UpdateJobLine();
    RefreshChangesLine();
    m_heading->SetText(A("Upload your data-feed file to your account with Quorvin."), QString(), 10);
    return true;
}

void CPage5::showEvent(QShowEvent* event) {
    CWizardPage::showEvent(event);
    UpdateUploadButton();
}

bool CPage5::RefuseUnstorableFields() {
    return RefuseUnstorableText(
        m_gui.Ui(), this,
        {{m_server, m_server->text()}, {m_userName, m_userName->text()}, {m_password, m_password->text()}});
}

int CPage5::OnWizardNext() {
    // Without "Save Password" the boxes are not stored, so nothing can be lost.
    if (m_savePassword->isChecked() && RefuseUnstorableFields()) {
        return kWizardStay;
    }
    UpdateData(true);
    StoreConnectionSettings();
    return kWizardMoveOn;
}

void CPage5::StoreConnectionSettings() {
    SettingsStore& store = m_gui.Store();
    const auto keep = [this](const std::string& value) { return m_bSavePassword ? value : std::string(); };
    settings::kFtpServer.Write(store, keep(m_strServer));
    settings::kFtpUserId.Write(store, keep(m_strUserName));
    settings::kFtpFileName.Write(store, keep(m_strFileName));
    KeepFtpPassword(store, m_gui.Vault(), m_strServer, m_strUserName, keep(m_strPassword));
    settings::kFtpKeyFile.Write(store, m_strKeyFile);
    settings::kFtpBinary.Write(store, m_bBinary ? "1" : "0");
    store.Flush();
}

void CPage5::OnUpload() {
    const std::string& saved = m_gui.Document().SavedFileName();
    if (saved.empty()) {
        m_upload->setEnabled(false);
        return;
    }
    if (RefuseUnstorableFields()) {
        return;
    }
    if (!UpdateData(true)) {
        return;
    }
    const std::string remoteFile = RemoteFileNameFor(saved);
    const auto check = CDiagnosticsDlg::ConfirmBeforeUpload(m_gui, this, saved, m_strServer, remoteFile);
    if (!check.goOn) {
        return;
    }
    CFTPTransferDlg dlg(m_gui.Ui(), this, m_makeFtpClient ? m_makeFtpClient() : nullptr);
    if (!FillRequest(dlg, saved)) {
        return;
    }
    if (check.products) {
        dlg.m_onConfirmed = [this, remoteFile, saved, products = *check.products] {
            RememberUploadCount(m_gui.Store(), m_gui.Config().uploadCountFile, m_strServer, remoteFile,
                                products);
            // What the service now holds, for the next comparison.
            CSnapshotStore snapshots = Snapshots();
            if (!IsPartialUpdateFile(saved)) {
                RememberUpload(snapshots, m_strServer, remoteFile, saved, products, false,
                               kDefaultSnapshotsKept);
            }
        };
    }
    const int result = m_runTransfer ? m_runTransfer(dlg) : dlg.exec();
    m_replaceLine->setText(FromCp1252(dlg.m_outcome));
    const bool uploaded = result == QDialog::Accepted && dlg.m_bCompleted;
    // After the count is kept, so that the line speaks of this upload, not of the one before.
    UpdateJobLine();
    RefreshChangesLine();
    if (uploaded) {
        // Settings that just worked are kept at once: the user may well leave with Cancel now.
        StoreConnectionSettings();
        m_result->setText(
            A("Your data feed file has been uploaded to Quorvin successfully.\nPlease remember that "
              "attempting to "
              "upload it again within 24 hours may results in an error."));
        m_gui.Ui().MessageBox(this, A(kAppTitle),
                              A("Success. The data feed file has been uploaded to Quorvin."),
                              MsgIcon::Information, MsgButtons::Ok);
    } else if (result == QDialog::Accepted) {
        m_result->setText(A("Data feed file upload cancelled."));
    } else {
        m_result->setText(A("Data feed file NOT uploaded completely. Please try again later."));
    }
}

CSnapshotStore CPage5::Snapshots() const {
    const std::string& counts = m_gui.Config().uploadCountFile;
    return CSnapshotStore(counts.empty()
                              ? std::string()
                              : (std::filesystem::path(counts).parent_path() / "snapshots").string());
}

void CPage5::RefreshChangesLine() {
    const std::string& saved = m_gui.Document().SavedFileName();
    const std::string remoteFile = saved.empty() ? std::string() : RemoteFileNameFor(saved);
    const CSnapshotStore snapshots = Snapshots();
    const std::vector<SnapshotEntry> kept =
        saved.empty() ? std::vector<SnapshotEntry>() : snapshots.List(m_strServer, remoteFile);
    m_rollback->setVisible(ChooseRollbackSnapshot(kept).has_value());
    if (m_comparison.valid()) {
        // One comparison at a time: the running one is followed by another when it ends.
        m_compareAgain = true;
        return;
    }
    m_diff.reset();
    m_changes->hide();
    if (kept.empty()) {
        m_changesLine->clear();
        return;
    }
    m_changesLine->setText(A("since the last upload here: comparing..."));
    // A rollback unpacks beside the same file; it waits until the comparison has ended.
    m_rollback->setEnabled(false);
    m_comparison = std::async(std::launch::async, [snapshots, server = m_strServer, remoteFile, saved] {
        return CompareWithNewestSnapshot(snapshots, server, remoteFile, saved);
    });
    m_comparisonPoll->start();
}

void CPage5::TakeComparison() {
    if (!m_comparison.valid() ||
        m_comparison.wait_for(std::chrono::seconds(0)) != std::future_status::ready) {
        return;
    }
    m_comparisonPoll->stop();
    LastUploadComparison result = m_comparison.get();
    m_rollback->setEnabled(true);
    if (m_compareAgain) {
        m_compareAgain = false;
        RefreshChangesLine();
        return;
    }
    if (!result.error.empty()) {
        m_changesLine->setText(A("since the last upload here: ") + FromCp1252(result.error));
    } else if (result.diff) {
        m_changesLine->setText(FromCp1252(SinceLastUploadText(*result.diff)));
        m_diff = std::make_shared<const FeedDiff>(std::move(*result.diff));
        m_changes->show();
    } else {
        m_changesLine->clear();
    }
}

void CPage5::WaitForChangesLine() {
    while (m_comparison.valid()) {
        m_comparison.wait();
        TakeComparison();
    }
}

void CPage5::OnChanges() {
    if (!m_diff) {
        return;
    }
    CChangesDlg dlg(m_gui, m_diff, m_changesLine->text(), this);
    if (m_runChanges) {
        m_runChanges(dlg);
    } else {
        dlg.exec();
    }
}

void CPage5::OnRollBack() {
    const std::string saved = m_gui.Document().SavedFileName();
    if (saved.empty() || RefuseUnstorableFields() || !UpdateData(true)) {
        return;
    }
    const std::string remoteFile = RemoteFileNameFor(saved);
    CSnapshotStore snapshots = Snapshots();
    const std::optional<RollbackChoice> choice =
        ChooseRollbackSnapshot(snapshots.List(m_strServer, remoteFile));
    if (!choice || m_gui.Ui().MessageBox(this, A(kAppTitle),
                                         FromCp1252(RollbackQuestion(*choice, m_strServer, remoteFile)),
                                         MsgIcon::Question, MsgButtons::YesNo) != MsgAnswer::Yes) {
        return;
    }
    const std::string unpacked = UnpackedSnapshotPath(saved);
    if (const std::string error = UnpackSnapshot(snapshots, m_strServer, remoteFile, choice->back, unpacked);
        !error.empty()) {
        m_gui.Ui().MessageBox(this, A(kAppTitle), A("The earlier feed cannot be sent: ") + FromCp1252(error),
                              MsgIcon::Exclamation, MsgButtons::Ok);
        return;
    }
    CFTPTransferDlg dlg(m_gui.Ui(), this, m_makeFtpClient ? m_makeFtpClient() : nullptr);
    std::error_code ignored;
    if (!FillRequest(dlg, saved)) {
        std::filesystem::remove(unpacked, ignored);
        return;
    }
    // Sent under the saved file's remote name, through the same safe replace as an upload.
    dlg.m_request.localFile = unpacked;
    const auto products = static_cast<std::size_t>(choice->entry.products);
    dlg.m_onConfirmed = [this, &snapshots, remoteFile, unpacked, products] {
        RememberUploadCount(m_gui.Store(), m_gui.Config().uploadCountFile, m_strServer, remoteFile, products);
        // The service holds the earlier feed again: the next comparison is against it.
        RememberUpload(snapshots, m_strServer, remoteFile, unpacked, products, false, kDefaultSnapshotsKept);
    };
    const int result = m_runTransfer ? m_runTransfer(dlg) : dlg.exec();
    m_replaceLine->setText(FromCp1252(dlg.m_outcome));
    const bool uploaded = result == QDialog::Accepted && dlg.m_bCompleted;
    std::filesystem::remove(unpacked, ignored);
    UpdateJobLine();
    RefreshChangesLine();
    if (uploaded) {
        StoreConnectionSettings();
        const QString done = FromCp1252(RollbackDoneText(*choice, remoteFile));
        m_result->setText(done);
        m_gui.Ui().MessageBox(this, A(kAppTitle), done, MsgIcon::Information, MsgButtons::Ok);
    } else if (result == QDialog::Accepted) {
        m_result->setText(A("Rollback cancelled."));
    } else {
        m_result->setText(A("The earlier feed was NOT uploaded completely. Please try again later."));
    }
}

bool CPage5::FillRequest(CFTPTransferDlg& dlg, const std::string& localFile) {
    const UploadRequestResult built =
        BuildUploadRequest(localFile, Account(), [this](const std::string& server) {
            return settings::kPinnedCertificates.Read(m_gui.Store(), server);
        });
    if (!built.request) {
        m_gui.Ui().MessageBox(this, A(kAppTitle), FromCp1252(built.error), MsgIcon::Exclamation,
                              MsgButtons::Ok);
        return false;
    }
    dlg.m_request = *built.request;
    if (IsTlsProtocol(built.address.protocol)) {
        dlg.m_pinsFile = m_gui.Store().Location();
        dlg.m_onCertificatePinned = [this](const std::string& pinned, const std::string& pin) {
            settings::kPinnedCertificates.Write(m_gui.Store(), pinned, pin);
            m_gui.Store().Flush();
        };
    }
    return true;
}

UploadAccount CPage5::Account() const {
    UploadAccount account;
    account.server = m_strServer;
    account.userName = m_strUserName;
    account.password = m_strPassword;
    account.keyFile = m_strKeyFile;
    account.binary = m_bBinary;
    account.knownHostsFile = m_gui.Config().knownHostsFile;
    return account;
}

void CPage5::UpdateKeyButton() {
    if (m_strKeyFile.empty()) {
        m_keyFile->setText(A("SSH &Key..."));
        m_keyFile->setToolTip(
            A("Sign in to sftp:// servers with a private key file instead of the password"));
    } else {
        // A long key file name is shortened in the middle to fit the button's fixed width; the tool tip
        // has the whole path. An ampersand in the name is shown, not taken for a shortcut.
        const QFontMetrics metrics = m_keyFile->fontMetrics();
        QString name = metrics.elidedText(PathText(RemoteFileNameFor(m_strKeyFile)), Qt::ElideMiddle,
                                          metrics.horizontalAdvance(KeyNameRoom()));
        m_keyFile->setText(A("SSH &Key: ") + name.replace(QLatin1Char('&'), QStringLiteral("&&")));
        m_keyFile->setToolTip(PathText(m_strKeyFile));
    }
}

void CPage5::OnKeyFile() {
    FileDialogRequest request;
    request.title = A("SSH Private Key File");
    request.filter = A("All Files (*.*)|*.*||");
    request.proposedName = PathText(m_strKeyFile);
    // Keys live in ~/.ssh, where the dialog hides them unless told otherwise.
    request.startFolder = QDir::homePath() + QStringLiteral("/.ssh");
    request.showHidden = true;
    const auto path = m_gui.Ui().OpenFileDialog(this, request);
    if (path) {
        m_strKeyFile = PathBytes(*path);
    } else if (!m_strKeyFile.empty() &&
               m_gui.Ui().MessageBox(this, A(kAppTitle),
                                     A("Stop signing in with the key file\n") + PathText(m_strKeyFile) +
                                         A("\nand use the password instead?"),
                                     MsgIcon::Question, MsgButtons::YesNo) == MsgAnswer::Yes) {
        m_strKeyFile.clear();
    }
    UpdateKeyButton();
}

void CPage5::OnBrowse() {
    UpdateData(true);
    FileDialogRequest request;
    request.filter = A("Text Files (*.txt)|*.txt|All Files (*.*)|*.*||");
    request.defaultExt = A("txt");
    const auto path = m_gui.Ui().OpenFileDialog(this, request);
    if (!path) {
        return;
    }
    m_strFileName = PathBytes(*path);
    m_gui.Document().NoteFeedFileWritten(m_strFileName);
    UpdateData(false);
    UpdateUploadButton();
}

void CPage5::OnAccountInfo() {
    CAccountSetupDlg dlg(m_gui, this);
    dlg.exec();
    // Whatever the answer, the user name follows the account name.
    UpdateData(true);
    m_strUserName = m_gui.Document().Account();
    UpdateData(false);
}

void CPage5::OnFinalPreview() {
    CSummaryDlg dlg(m_gui, this);
    dlg.exec();
}

}  // namespace yarvelin

// Step 4 of the wizard: uploads the generated feed file to the service's FTP server and keeps the
// connection settings in the "FTPInfo" section.
#pragma once

#include <cstdint>
#include <functional>
#include <future>
#include <memory>
#include <string>

#include "changes/upload_changes.h"
#include "pages/wizard_page.h"
#include "upload/ftp_client.h"
#include "upload/ftp_transfer_engine.h"
#include "upload/upload_request.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

namespace yarvelin {

class CAnimatedLabel;
class CChangesDlg;
class CFTPTransferDlg;
class CScheduleDlg;

class CPage5 : public CWizardPage {
    Q_OBJECT
  public:
    explicit CPage5(CYarvelinGui& gui, QWidget* parent = nullptr);

    bool OnSetActive() override;
    int OnWizardNext() override;
    bool OnQueryCancel() override { return QueryCancelWithSaveQuestion(); }
    QPushButton* DefaultButton() const override { return m_upload; }

    // Runs the transfer dialog and gives its result; tests put their own runner here.
    std::function<int(CFTPTransferDlg&)> m_runTransfer;
    // Makes the FTP client of the next transfer; empty: libcurl's. Tests reach their own servers with it.
    std::function<std::unique_ptr<FtpClient>()> m_makeFtpClient;
    // Runs the Schedule window; tests put their own runner here.
    std::function<int(CScheduleDlg&)> m_runSchedule;
    // Runs the Changes window; tests put their own runner here.
    std::function<int(CChangesDlg&)> m_runChanges;
    // Waits for a comparison with the last upload that is still running and shows its line.
    void WaitForChangesLine();
    // The server, sign-in and transfer choices as the page holds them (the fields, not the boxes).
    UploadAccount Account() const;

  public slots:
    void OnUpload();
    void OnBrowse();
    void OnAccountInfo();
    void OnFinalPreview();
    // Chooses (or stops using) the private key file for SFTP sign-in.
    void OnKeyFile();
    // Saves what this page would upload, and from where, as a job for `yarvelin-feed run`.
    void OnSaveJob();
    // Opens the Schedule window for the saved job, offering to save one first.
    void OnSchedule();
    // Lists what changed since the last upload to the page's place.
    void OnChanges();
    // Sends the feed uploaded before the last one again, whole, after asking.
    void OnRollBack();

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    // true: controls into the fields; false: fields into the controls.
    bool UpdateData(bool save);
    void UpdateUploadButton();
    // Tells the user of the first box holding a character the settings and the FTP login cannot carry (it
    // would go out as '?'); true when one was found.
    bool RefuseUnstorableFields();
    void UpdateKeyButton();
    // Writes the fields to the settings (and the password to the keyring), or empties them when "Save
    // Password" is off.
    void StoreConnectionSettings();
    // The dialog's transfer request for localFile, built from the page's account as yarvelin-feed builds
    // it; false (after saying why) when the server box holds no address.
    bool FillRequest(CFTPTransferDlg& dlg, const std::string& localFile);
    // The last run of the open feed's job and the last upload to the page's server and file name.
    void UpdateJobLine();
    // The run history, beside the upload counts in the state folder.
    std::string HistoryPath() const;
    // The snapshots of what was uploaded, beside a count file chosen elsewhere.
    CSnapshotStore Snapshots() const;
    // Compares the saved file with the last upload to the page's place on a worker (a large feed takes a
    // while); the line and the Changes button follow when it ends. Roll Back shows when there is an older
    // upload to go back to.
    void RefreshChangesLine();
    void TakeComparison();

    // The page's fields, 8-bit texts as the settings keep them (the file name is a path).
    std::string m_strServer;
    std::string m_strFileName;
    std::string m_strUserName;
    std::string m_strPassword;
    bool m_bSavePassword = true;
    bool m_bBinary = false;  // binary transfer type: the file arrives byte for byte
    // The feed the result line speaks of.
    std::uint64_t m_nFeedSerial = 0;
    std::string m_strKeyFile;  // a path; empty: SFTP signs in with the password

    CAnimatedLabel* m_heading = nullptr;
    QLineEdit* m_server = nullptr;
    QLineEdit* m_fileName = nullptr;
    QLineEdit* m_userName = nullptr;
    QLineEdit* m_password = nullptr;
    QCheckBox* m_savePassword = nullptr;
    QCheckBox* m_binary = nullptr;
    QPushButton* m_keyFile = nullptr;
    QPushButton* m_upload = nullptr;
    QLabel* m_result = nullptr;
    QLabel* m_replaceLine = nullptr;  // how the last upload put the file in place on the server
    QPushButton* m_saveJob = nullptr;
    QPushButton* m_schedule = nullptr;
    QLabel* m_jobLine = nullptr;
    QLabel* m_changesLine = nullptr;
    QPushButton* m_changes = nullptr;
    QPushButton* m_rollback = nullptr;
    QTimer* m_comparisonPoll = nullptr;
    std::future<LastUploadComparison> m_comparison;
    bool m_compareAgain = false;  // the place or the file changed while a comparison ran
    std::shared_ptr<const FeedDiff> m_diff;
    std::string m_jobName;  // the job saved for the open feed; empty: the account's name
};

}  // namespace yarvelin

// The upload page driven headless: stored settings, activation, the request it hands to the transfer
// dialog, and the result lines.
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>
#include <filesystem>
#include <fstream>

#include "app/main_property_sheet.h"
#include "app/password_vault.h"
#include "app/program_names.h"
#include "app/settings_names.h"
#include "app/wizard_rules.h"
#include "dialogs/account_setup_dlg.h"
#include "dialogs/summary_dlg.h"
#include "jobs/feed_job.h"
#include "jobs/upload_count_file.h"
#include "pages/upload_page.h"
#include "platform/text_codec.h"
#include "support/memory_password_vault.h"
#include "support/test_gui.h"
#include "support/widget_lookup.h"
#include "upload/ftp_transfer_dlg.h"
#include "upload/server_address.h"
#include "upload/upload_request.h"
#include "widgets/animated_label.h"

namespace yarvelin {

using namespace settings;

class UploadPageTest : public QObject {
    Q_OBJECT

  private:
  private slots:
    void ActivationTakesStoreDocumentAndDefaults();
    void PasswordIsClearedOnEveryActivation();
    void SavedSignInComesBack_data();
    void SavedSignInComesBack();
    void SuccessfulUploadKeepsTheSettings();
    void NextStoresOrClearsTheSettings_data();
    void NextStoresOrClearsTheSettings();
    void RequestIsTheSharedOneForTheBoxes_data();
    void RequestIsTheSharedOneForTheBoxes();
    void UnreadableServerIsRefusedBeforeAnyTransfer();
    void TrustedCertificateIsPinnedForThatServer();
    void KeyFileIsChosenKeptAndDropped();
    void ResultLines_data();
    void ResultLines();
    void UploadWithoutSavedFileDisablesTheButton();
    void BinaryChoiceIsSentAndKept();
    void CharactersOutsideTheCodePageAreRefused_data();
    void CharactersOutsideTheCodePageAreRefused();
    void BrowseSetsTheSavedFile();
    void AccountInfoRefreshesTheUserName();
    void FinalPreviewShowsTheSummary();
    void SaveAsJobWritesWhatThePageUploadsAndShowsTheLastRun();
    void Screenshot();
};

void UploadPageTest::ActivationTakesStoreDocumentAndDefaults() {
    CTestGui t;
    t.Doc().SetAccount("merchant\xe9");
    t.Doc().NoteFeedFileWritten("/home/m/merchant.txt");
    CPage5 page(t.Gui());
    page.OnSetActive();
    QCOMPARE(FindChild<QLineEdit>(page, "serverEdit")->text(), A("ftp.quorvin.example"));
    QCOMPARE(FindChild<QLineEdit>(page, "userNameEdit")->text(), A("merchant\xe9"));
    QCOMPARE(FindChild<QLineEdit>(page, "fileNameEdit")->text(), QStringLiteral("/home/m/merchant.txt"));
    QVERIFY(FindChild<QLineEdit>(page, "fileNameEdit")->isReadOnly());
    QVERIFY(FindChild<QPushButton>(page, "uploadButton")->isEnabled());
    QCOMPARE(FindChild<CAnimatedLabel>(page, "heading")->Text(),
             A("Upload your data-feed file to your account with Quorvin."));
    QCOMPARE(FindChild<CAnimatedLabel>(page, "heading")->FadeSteps(), 10);

    kFtpServer.Write(t.m_store, "ftp.mine.example");
    t.Doc().NoteFeedFileWritten("");
    page.OnSetActive();
    QCOMPARE(FindChild<QLineEdit>(page, "serverEdit")->text(), QStringLiteral("ftp.mine.example"));
    QVERIFY(!FindChild<QPushButton>(page, "uploadButton")->isEnabled());
    QVERIFY2(t.m_ui.Done(), qPrintable(t.m_ui.Failure()));
}

void UploadPageTest::PasswordIsClearedOnEveryActivation() {
    CTestGui t;
    CPage5 page(t.Gui());
    page.OnSetActive();
    FindChild<QLineEdit>(page, "passwordEdit")->setText(QStringLiteral("typed"));
    QCOMPARE(FindChild<QLineEdit>(page, "passwordEdit")->echoMode(), QLineEdit::Password);
    page.OnSetActive();
    QCOMPARE(FindChild<QLineEdit>(page, "passwordEdit")->text(), QString());
}

void UploadPageTest::SavedSignInComesBack_data() {
    QTest::addColumn<bool>("keyring");
    QTest::addColumn<bool>("save");
    QTest::newRow("keyring") << true << true;
    QTest::newRow("settings file") << false << true;
    QTest::newRow("not saved") << true << false;
}

void UploadPageTest::SavedSignInComesBack() {
    QFETCH(bool, keyring);
    QFETCH(bool, save);
    CTestGui t;
    CMemoryPasswordVault vault;
    if (keyring) {
        t.Gui().SetVault(&vault);
    }
    t.Doc().SetAccount("account");
    {
        CPage5 page(t.Gui());
        page.OnSetActive();
        FindChild<QLineEdit>(page, "serverEdit")->setText(QStringLiteral("ftp.shop.example"));
        FindChild<QLineEdit>(page, "userNameEdit")->setText(QStringLiteral("shop"));
        FindChild<QLineEdit>(page, "passwordEdit")->setText(QStringLiteral("s3cret"));
        FindChild<QCheckBox>(page, "savePasswordCheck")->setChecked(save);
        QCOMPARE(page.OnWizardNext(), kWizardMoveOn);
    }
    QCOMPARE(kFtpPassword.Read(t.m_store), std::string(save && !keyring ? "s3cret" : ""));
    QCOMPARE(vault.m_saved.size(), std::size_t(save && keyring ? 1 : 0));
    // The next start of the page.
    CPage5 page(t.Gui());
    page.OnSetActive();
    QCOMPARE(FindChild<QLineEdit>(page, "userNameEdit")->text(),
             save ? QStringLiteral("shop") : QStringLiteral("account"));
    QCOMPARE(FindChild<QLineEdit>(page, "passwordEdit")->text(), save ? QStringLiteral("s3cret") : QString());
}

void UploadPageTest::SuccessfulUploadKeepsTheSettings() {
    CTestGui t;
    CMemoryPasswordVault vault;
    t.Gui().SetVault(&vault);
    t.Doc().SetAccount("shop");
    t.Doc().NoteFeedFileWritten("/feeds/shop.txt");
    CPage5 page(t.Gui());
    page.OnSetActive();
    FindChild<QLineEdit>(page, "serverEdit")->setText(QStringLiteral("ftp.shop.example"));
    FindChild<QLineEdit>(page, "passwordEdit")->setText(QStringLiteral("pw"));
    page.m_runTransfer = [&](CFTPTransferDlg& dlg) {
        dlg.m_bCompleted = true;
        return int(QDialog::Accepted);
    };
    t.m_ui.ExpectMessage(A(kAppTitle), A("Success. The data feed file has been uploaded to Quorvin."),
                         MsgIcon::Information, MsgButtons::Ok, MsgAnswer::Ok);
    page.OnUpload();
    // Kept without any Next: the user may leave with Cancel now.
    QCOMPARE(kFtpServer.Read(t.m_store), std::string("ftp.shop.example"));
    QCOMPARE(kFtpUserId.Read(t.m_store), std::string("shop"));
    QCOMPARE(vault.m_saved[FtpPasswordKey("ftp.shop.example", "shop")], std::string("pw"));
    QVERIFY2(t.m_ui.Done(), qPrintable(t.m_ui.Failure()));
}

void UploadPageTest::NextStoresOrClearsTheSettings_data() {
    QTest::addColumn<bool>("save");
    QTest::newRow("save password on") << true;
    QTest::newRow("save password off") << false;
}

void UploadPageTest::NextStoresOrClearsTheSettings() {
    QFETCH(bool, save);
    CTestGui t;
    for (const settings::Text& setting : {kFtpServer, kFtpUserId, kFtpFileName, kFtpPassword}) {
        setting.Write(t.m_store, "old");
    }
    t.Doc().SetAccount("merchant");
    t.Doc().NoteFeedFileWritten("/feeds/merchant.txt");
    CPage5 page(t.Gui());
    page.OnSetActive();
    FindChild<QLineEdit>(page, "serverEdit")->setText(QStringLiteral("ftp.other.example"));
    FindChild<QLineEdit>(page, "passwordEdit")->setText(QStringLiteral("pa ss"));
    FindChild<QCheckBox>(page, "savePasswordCheck")->setChecked(save);
    QCOMPARE(page.OnWizardNext(), kWizardMoveOn);
    QCOMPARE(t.m_store.GetString(kFtpServer.section, kFtpServer.name, "?"),
             save ? std::string("ftp.other.example") : "");
    // The saved user name came back into its box and stays.
    QCOMPARE(t.m_store.GetString(kFtpUserId.section, kFtpUserId.name, "?"), save ? std::string("old") : "");
    QCOMPARE(t.m_store.GetString(kFtpFileName.section, kFtpFileName.name, "?"),
             save ? std::string("/feeds/merchant.txt") : "");
    QCOMPARE(t.m_store.GetString(kFtpPassword.section, kFtpPassword.name, "?"),
             save ? std::string("pa ss") : "");
    // A cleared server shows the default host again at the next visit.
    page.OnSetActive();
    QCOMPARE(FindChild<QLineEdit>(page, "serverEdit")->text(),
             save ? QStringLiteral("ftp.other.example") : QStringLiteral("ftp.quorvin.example"));
}

void UploadPageTest::BinaryChoiceIsSentAndKept() {
    CTestGui t;
    t.Doc().NoteFeedFileWritten("/feeds/merchant.txt");
    std::vector<bool> sent;
    const auto upload = [&](CPage5& page) {
        page.m_runTransfer = [&](CFTPTransferDlg& dlg) {
            sent.push_back(dlg.m_request.binary);
            return int(QDialog::Rejected);
        };
        FindChild<QPushButton>(page, "uploadButton")->click();
    };
    {
        CPage5 page(t.Gui());
        page.OnSetActive();
        QVERIFY(!FindChild<QCheckBox>(page, "binaryCheck")->isChecked());  // ASCII unless chosen
        upload(page);
        FindChild<QCheckBox>(page, "binaryCheck")->setChecked(true);
        upload(page);
        // Kept with the other settings, whatever "Save Password" says.
        FindChild<QCheckBox>(page, "savePasswordCheck")->setChecked(false);
        QCOMPARE(page.OnWizardNext(), kWizardMoveOn);
    }
    QCOMPARE(kFtpBinary.Read(t.m_store), std::string("1"));
    CPage5 page(t.Gui());
    page.OnSetActive();
    QVERIFY(FindChild<QCheckBox>(page, "binaryCheck")->isChecked());
    upload(page);
    QCOMPARE(sent, (std::vector<bool>{false, true, true}));
}

void UploadPageTest::CharactersOutsideTheCodePageAreRefused_data() {
    QTest::addColumn<QString>("box");
    QTest::addColumn<bool>("next");  // leaving with Next (stores the boxes) instead of Upload
    for (const bool next : {false, true}) {
        const char* way = next ? "next" : "upload";
        QTest::addRow("%s server", way) << QStringLiteral("serverEdit") << next;
        QTest::addRow("%s user", way) << QStringLiteral("userNameEdit") << next;
        QTest::addRow("%s password", way) << QStringLiteral("passwordEdit") << next;
    }
}

void UploadPageTest::CharactersOutsideTheCodePageAreRefused() {
    QFETCH(QString, box);
    QFETCH(bool, next);
    CTestGui t;
    t.Doc().NoteFeedFileWritten("/tmp/shop.txt");
    CPage5 page(t.Gui());
    page.OnSetActive();
    auto* edit = page.findChild<QLineEdit*>(box);
    QVERIFY(edit);
    edit->setText(edit->text() + QString::fromUtf8("\u0142"));
    int runs = 0;
    page.m_runTransfer = [&](CFTPTransferDlg&) {
        ++runs;
        return int(QDialog::Rejected);
    };
    t.m_ui.ExpectMessage(A(kAppTitle),
                         QString::fromUtf8("The character \u0142 (U+0142) cannot be stored in the feed file. "
                                           "Please remove it or replace it."),
                         MsgIcon::Exclamation, MsgButtons::Ok, MsgAnswer::Ok);
    if (next) {
        QCOMPARE(page.OnWizardNext(), kWizardStay);
        for (const settings::Text& setting : {kFtpServer, kFtpUserId, kFtpPassword}) {
            QCOMPARE(t.m_store.GetString(setting.section, setting.name, "unset"), std::string("unset"));
        }
    } else {
        FindChild<QPushButton>(page, "uploadButton")->click();
        QCOMPARE(runs, 0);
    }
    QVERIFY2(t.m_ui.Done(), qPrintable(t.m_ui.Failure()));
    // Not kept, the boxes are not stored, so there is nothing to refuse.
    if (next) {
        FindChild<QCheckBox>(page, "savePasswordCheck")->setChecked(false);
        QCOMPARE(page.OnWizardNext(), kWizardMoveOn);
    }
}

// The page hands the transfer exactly the request yarvelin-feed builds from the same account (its rules are
// tested once, in core); what the page adds is reading its boxes and the pinned certificates.
void UploadPageTest::RequestIsTheSharedOneForTheBoxes_data() {
    QTest::addColumn<QString>("server");
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("saved");
    QTest::newRow("bare host") << "ftp.example.com"
                               << "merchant"
                               << "/feeds/merchant.txt";
    QTest::newRow("anonymous") << "ftp.example.com:2121"
                               << ""
                               << "/feeds/merchant.txt";
    QTest::newRow("folder, backslash path") << "ftp://[::1]:2121/in?passive"
                                            << "m"
                                            << "C:\\feeds\\shop.txt";
    QTest::newRow("TLS with a pin") << "ftpes://h"
                                    << "m"
                                    << "/feeds/merchant.txt";
    QTest::newRow("sftp with a key") << "sftp://h/~/feeds"
                                     << "m"
                                     << "/feeds/merchant.txt";
}

void UploadPageTest::RequestIsTheSharedOneForTheBoxes() {
    QFETCH(QString, server);
    QFETCH(QString, user);
    QFETCH(QString, saved);
    CTestGui t;
    kFtpServer.Write(t.m_store, server.toStdString());
    kFtpKeyFile.Write(t.m_store, "/home/merchant/.ssh/id_ed25519");
    kPinnedCertificates.Write(t.m_store, "h:21", "sha256//pinned");
    t.Doc().NoteFeedFileWritten(saved.toStdString());
    CPage5 page(t.Gui());
    page.OnSetActive();
    FindChild<QLineEdit>(page, "userNameEdit")->setText(user);
    FindChild<QLineEdit>(page, "passwordEdit")->setText(QStringLiteral("pw"));
    FtpTransferRequest sent;
    int runs = 0;
    page.m_runTransfer = [&](CFTPTransferDlg& dlg) {
        sent = dlg.m_request;
        ++runs;
        return int(QDialog::Rejected);
    };
    FindChild<QPushButton>(page, "uploadButton")->click();
    QCOMPARE(runs, 1);

    UploadAccount account;
    account.server = server.toStdString();
    account.userName = user.toStdString();
    account.password = "pw";
    account.keyFile = "/home/merchant/.ssh/id_ed25519";
    account.knownHostsFile = t.Gui().Config().knownHostsFile;
    const UploadRequestResult expected =
        BuildUploadRequest(saved.toStdString(), account,
                           [&](const std::string& s) { return kPinnedCertificates.Read(t.m_store, s); });
    QVERIFY(expected.request);
    const FtpTransferRequest& e = *expected.request;
    const auto fields = [](const FtpTransferRequest& r) {
        return std::make_tuple(r.download, r.server, r.port, r.remoteFile, r.localFile, r.userName,
                               r.password, r.binary, r.promptOverwrite, r.passive, r.usePreConfig, r.useProxy,
                               r.proxy, r.bandwidthLimit, r.startOffset, r.agent, r.security.protocol,
                               r.security.identityFile, r.security.knownHostsFile, r.security.pinnedKey);
    };
    QVERIFY(fields(sent) == fields(e));
}

void UploadPageTest::UnreadableServerIsRefusedBeforeAnyTransfer() {
    CTestGui t;
    kFtpServer.Write(t.m_store, "http://shop.example");
    t.Doc().NoteFeedFileWritten("/feeds/merchant.txt");
    CPage5 page(t.Gui());
    page.OnSetActive();
    int runs = 0;
    page.m_runTransfer = [&](CFTPTransferDlg&) { return ++runs; };
    t.m_ui.ExpectMessage(A(kAppTitle), FromCp1252(ParseServerAddress("http://shop.example").error),
                         MsgIcon::Exclamation, MsgButtons::Ok, MsgAnswer::Ok);
    FindChild<QPushButton>(page, "uploadButton")->click();
    QCOMPARE(runs, 0);
}

void UploadPageTest::TrustedCertificateIsPinnedForThatServer() {
    CTestGui t;
    kFtpServer.Write(t.m_store, "ftpes://ftp.example.com:2121");
    kPinnedCertificates.Write(t.m_store, "ftp.example.com:2121", "sha256//old=");
    t.Doc().NoteFeedFileWritten("/feeds/merchant.txt");
    CPage5 page(t.Gui());
    page.OnSetActive();
    page.m_runTransfer = [&](CFTPTransferDlg& dlg) {
        // The pin on record goes with the request; the one the user trusts now replaces it.
        [&] {
            QCOMPARE(QString::fromStdString(dlg.m_request.security.pinnedKey),
                     QStringLiteral("sha256//old="));
        }();
        dlg.m_onCertificatePinned("ftp.example.com:2121", "sha256//new=");
        return int(QDialog::Rejected);
    };
    FindChild<QPushButton>(page, "uploadButton")->click();
    QCOMPARE(kPinnedCertificates.Read(t.m_store, "ftp.example.com:2121"), std::string("sha256//new="));
}

void UploadPageTest::KeyFileIsChosenKeptAndDropped() {
    CTestGui t;
    CPage5 page(t.Gui());
    page.OnSetActive();
    page.resize(860, 460);
    page.show();
    auto* button = FindChild<QPushButton>(page, "keyFileButton");
    auto* fileName = FindChild<QLineEdit>(page, "fileNameEdit");
    QCOMPARE(button->text(), QStringLiteral("SSH &Key..."));
    QCoreApplication::processEvents();
    const int buttonWidth = button->width();
    const int fileNameWidth = fileName->width();
    t.m_ui.ExpectOpenFile(A("All Files (*.*)|*.*||"), QStringLiteral("/home/merchant/.ssh/id_ed25519"));
    button->click();
    // The dialog starts where keys are kept, with the hidden files shown.
    QCOMPARE(t.m_ui.m_lastFileRequest.startFolder, QDir::homePath() + QStringLiteral("/.ssh"));
    QVERIFY(t.m_ui.m_lastFileRequest.showHidden);
    QCOMPARE(button->text(), QStringLiteral("SSH &Key: id_ed25519"));
    // A long name with an ampersand: shortened in the middle, no stray shortcut, the whole path in the tip.
    const QString longKey = QStringLiteral("/keys/shop&co_deploy_key_for_the_quorvin_feed_upload");
    t.m_ui.ExpectOpenFile(A("All Files (*.*)|*.*||"), longKey);
    button->click();
    QVERIFY(button->text().startsWith(QStringLiteral("SSH &Key: shop&&")));
    QVERIFY(button->text().contains(QChar(0x2026)));
    QVERIFY2(button->text().endsWith(QStringLiteral("load")), qPrintable(button->text()));
    QCOMPARE(button->toolTip(), longKey);
    // Neither the button nor the File Name box beside it changed size with the names.
    QCoreApplication::processEvents();
    QCOMPARE(button->width(), buttonWidth);
    QCOMPARE(fileName->width(), fileNameWidth);
    QVERIFY(SaveScreenshot(page, QStringLiteral("upload_page_long_key.png")));
    t.m_ui.ExpectOpenFile(A("All Files (*.*)|*.*||"), QStringLiteral("/home/merchant/.ssh/id_ed25519"));
    button->click();
    page.OnWizardNext();
    QCOMPARE(kFtpKeyFile.Read(t.m_store), std::string("/home/merchant/.ssh/id_ed25519"));
    // Cancelling the file dialog offers to go back to the password.
    t.m_ui.ExpectOpenFile(A("All Files (*.*)|*.*||"), std::nullopt);
    t.m_ui.ExpectMessage(A(kAppTitle),
                         A("Stop signing in with the key file\n/home/merchant/.ssh/id_ed25519\nand use the "
                           "password instead?"),
                         MsgIcon::Question, MsgButtons::YesNo, MsgAnswer::Yes);
    button->click();
    QCOMPARE(button->text(), QStringLiteral("SSH &Key..."));
    QVERIFY2(t.m_ui.Done(), qPrintable(t.m_ui.Failure()));
}

void UploadPageTest::ResultLines_data() {
    QTest::addColumn<int>("result");
    QTest::addColumn<bool>("completed");
    QTest::addColumn<QString>("line");
    QTest::newRow("uploaded")
        << int(QDialog::Accepted) << true
        << A("Your data feed file has been uploaded to Quorvin successfully.\nPlease remember "
             "that attempting to upload it again within 24 hours may results in an error.");
    QTest::newRow("ok without completion")
        << int(QDialog::Accepted) << false << A("Data feed file upload cancelled.");
    QTest::newRow("cancel or error") << int(QDialog::Rejected) << true
                                     << A("Data feed file NOT uploaded completely. Please try again later.");
}

void UploadPageTest::ResultLines() {
    QFETCH(int, result);
    QFETCH(bool, completed);
    QFETCH(QString, line);
    CTestGui t;
    t.Doc().NoteFeedFileWritten("/feeds/m.txt");
    CPage5 page(t.Gui());
    page.OnSetActive();
    QVERIFY(FindChild<QLabel>(page, "resultLine")->text().isEmpty());
    page.m_runTransfer = [&](CFTPTransferDlg& dlg) {
        dlg.m_bCompleted = completed;
        return result;
    };
    if (result == QDialog::Accepted && completed) {
        t.m_ui.ExpectMessage(A(kAppTitle), A("Success. The data feed file has been uploaded to Quorvin."),
                             MsgIcon::Information, MsgButtons::Ok, MsgAnswer::Ok);
    }
    page.OnUpload();
    QCOMPARE(FindChild<QLabel>(page, "resultLine")->text(), line);
    QVERIFY2(t.m_ui.Done(), qPrintable(t.m_ui.Failure()));
}

void UploadPageTest::UploadWithoutSavedFileDisablesTheButton() {
    CTestGui t;
    t.Doc().NoteFeedFileWritten("/feeds/m.txt");
    CPage5 page(t.Gui());
    page.OnSetActive();
    QVERIFY(FindChild<QPushButton>(page, "uploadButton")->isEnabled());
    t.Doc().NoteFeedFileWritten("");
    int runs = 0;
    page.m_runTransfer = [&](CFTPTransferDlg&) { return ++runs; };
    page.OnUpload();
    QCOMPARE(runs, 0);
    QVERIFY(!FindChild<QPushButton>(page, "uploadButton")->isEnabled());
    QVERIFY(FindChild<QLabel>(page, "resultLine")->text().isEmpty());
}

void UploadPageTest::BrowseSetsTheSavedFile() {
    CTestGui t;
    CPage5 page(t.Gui());
    page.OnSetActive();
    const QString filter = A("Text Files (*.txt)|*.txt|All Files (*.*)|*.*||");
    t.m_ui.ExpectOpenFile(filter, std::nullopt);
    t.m_ui.ExpectOpenFile(filter, QStringLiteral("/data/f\u00e9ed.txt"));
    page.OnBrowse();
    QCOMPARE(t.Doc().SavedFileName(), std::string());
    page.OnBrowse();
    QCOMPARE(t.m_ui.m_lastFileRequest.defaultExt, QStringLiteral("txt"));
    QCOMPARE(t.Doc().SavedFileName(), std::string("/data/f\xc3\xa9"
                                                  "ed.txt"));
    QCOMPARE(FindChild<QLineEdit>(page, "fileNameEdit")->text(), QStringLiteral("/data/f\u00e9ed.txt"));
    // The chosen file can be sent at once.
    QVERIFY(FindChild<QPushButton>(page, "uploadButton")->isEnabled());
    QVERIFY2(t.m_ui.Done(), qPrintable(t.m_ui.Failure()));
}

void UploadPageTest::AccountInfoRefreshesTheUserName() {
    CTestGui t;
    t.Doc().SetAccount("before");
    CPage5 page(t.Gui());
    page.OnSetActive();
    FindChild<QLineEdit>(page, "userNameEdit")->setText(QStringLiteral("typed over"));
    bool sawDialog = false;
    QTimer::singleShot(0, [&] {
        auto* dlg = qobject_cast<CAccountSetupDlg*>(QApplication::activeModalWidget());
        sawDialog = dlg != nullptr;
        if (dlg) {
            dlg->UserNameEdit()->setText(QStringLiteral("GreenLeaf"));
            dlg->accept();
        }
    });
    page.OnAccountInfo();
    QVERIFY(sawDialog);
    QCOMPARE(FindChild<QLineEdit>(page, "userNameEdit")->text(), QStringLiteral("GreenLeaf"));

    // Closing the dialog without a change still puts the account name back into the field.
    FindChild<QLineEdit>(page, "userNameEdit")->setText(QStringLiteral("typed over"));
    QTimer::singleShot(0, [] {
        if (auto* dlg = qobject_cast<CAccountSetupDlg*>(QApplication::activeModalWidget())) {
            dlg->reject();
        }
    });
    page.OnAccountInfo();
    QCOMPARE(FindChild<QLineEdit>(page, "userNameEdit")->text(), QStringLiteral("GreenLeaf"));
}

void UploadPageTest::FinalPreviewShowsTheSummary() {
    CTestGui t;
    CPage5 page(t.Gui());
    page.OnSetActive();
    bool sawDialog = false;
    QTimer::singleShot(0, [&] {
        auto* dlg = qobject_cast<CSummaryDlg*>(QApplication::activeModalWidget());
        sawDialog = dlg != nullptr;
        if (dlg) {
            dlg->reject();
        }
    });
    page.OnFinalPreview();
    QVERIFY(sawDialog);
}

// The job's last run and the last upload, as `yarvelin-feed run` records them beside the upload counts.
void WriteRunHistory(CTestGui& t, const std::string& job) {
    const std::filesystem::path folder =
        std::filesystem::path(t.Gui().Config().uploadCountFile).parent_path();
    std::ofstream(folder / "history.jsonl", std::ios::binary)
        << R"({"start":"2026-12-08T03:30:00Z","end":"2026-12-08T03:30:04Z","job":")" << job
        << R"(","status":0,"products":25,"errors":0,"warnings":2,"uploaded":true,"reason":"","bytes":6780})"
        << "\n";
}

void UploadPageTest::SaveAsJobWritesWhatThePageUploadsAndShowsTheLastRun() {
    CTestGui t;
    t.Doc().SetAccount("GreenLeafGardens");
    t.Doc().NoteLoadedFrom("/home/merchant/feeds/export.txt");
    const std::string saved = ToPath(t.m_dir.filePath(QStringLiteral("GreenLeafGardens.txt")));
    t.Doc().NoteFeedFileWritten(saved);
    t.Doc().SetBasicFormat(true);
    kFtpServer.Write(t.m_store, "sftp://feeds.quorvin.example/incoming");
    kFtpKeyFile.Write(t.m_store, "/home/merchant/.ssh/id_ed25519");
    kFtpBinary.Write(t.m_store, "1");
    CPage5 page(t.Gui());
    page.OnSetActive();
    QVERIFY(FindChild<QLabel>(page, "jobLine")->text().isEmpty());
    const QString jobFile = t.m_dir.filePath(QStringLiteral("jobs/nightly.toml"));
    t.m_ui.ExpectSaveFile(A("Job Files (*.toml)|*.toml|All Files (*.*)|*.*||"), jobFile,
                          FromPath(JobsFolder() + "/GreenLeafGardens.toml"));
    t.m_ui.ExpectMessage(
        A(kAppTitle),
        A("The job was saved in ") + jobFile +
            A(".\nyarvelin-feed run checks, writes and uploads this feed with it. The password "
              "stays in the keyring: add a password file to the job to run it unattended."),
        MsgIcon::Information, MsgButtons::Ok, MsgAnswer::Ok);
    FindChild<QPushButton>(page, "saveJobButton")->click();
    QVERIFY2(t.m_ui.Done(), qPrintable(t.m_ui.Failure()));
    const FeedJob job = LoadFeedJob(ToPath(jobFile));
    QCOMPARE(job.name, std::string("nightly"));
    QCOMPARE(job.source.feedFile, saved);  // the file the wizard saved, not the one it opened
    QCOMPARE(job.outputFile, saved);
    QVERIFY(job.basic);
    QVERIFY(job.upload.has_value());
    QCOMPARE(job.upload->server, std::string("sftp://feeds.quorvin.example/incoming"));
    QCOMPARE(job.upload->user, std::string("GreenLeafGardens"));
    QCOMPARE(job.upload->keyFile, std::string("/home/merchant/.ssh/id_ed25519"));
    QCOMPARE(job.upload->knownHostsFile, t.Gui().Config().knownHostsFile);
    QVERIFY(job.upload->binary);

    // The page now speaks of the saved job: its last run, and the last upload to the same place.
    WriteRunHistory(t, "nightly");
    RememberUploadCount(t.m_store, t.Gui().Config().uploadCountFile, "sftp://feeds.quorvin.example/incoming",
                        "GreenLeafGardens.txt", 25);
    page.OnSetActive();
    QCOMPARE(
        FindChild<QLabel>(page, "jobLine")->text(),
        A("Last run of the job nightly: 2026-12-08 03:30 UTC, published, 25 products.\nLast upload to this "
          "server and file name: 25 products."));
}

void UploadPageTest::Screenshot() {
    CTestGui t;
    WriteRunHistory(t, "GreenLeafGardens");
    t.Doc().SetAccount("GreenLeafGardens");
    t.Doc().NoteFeedFileWritten("/home/merchant/feeds/GreenLeafGardens.txt");
    CMainPropertySheet sheet(t.Gui(), false);
    sheet.resize(860, 560);
    sheet.show();
    sheet.SetActivePage(3);
    sheet.SetWizardButtons(kWizBack | kWizNext);  // as the save page leaves them
    auto* page = sheet.findChild<CPage5*>();
    QVERIFY(page);
    FindChild<QLineEdit>(*page, "passwordEdit")->setText(QStringLiteral("secret"));
    QTest::qWait(1200);  // let the heading finish fading in
    QVERIFY(SaveScreenshot(sheet, QStringLiteral("upload_page.png")));
}

}  // namespace yarvelin

QTEST_MAIN(yarvelin::UploadPageTest)
#include "upload_page_test.moc"

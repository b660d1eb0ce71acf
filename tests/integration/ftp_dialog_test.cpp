// CFTPTransferDlg with the libcurl client against a real FTP server: results, the error box, Cancel and
// close while running, and the remote overwrite question answered on the interface thread.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include "app/program_names.h"
#include "integration/ftp_test_server.h"
#include "platform/text_codec.h"
#include "support/scripted_ui_services.h"
#include "support/widget_lookup.h"
#include "upload/ftp_transfer_dlg.h"

namespace yarvelin {
namespace {

using test::CFtpTestServer;
using test::MakeFeed;

class FtpDialog : public ::testing::Test {
  protected:
    void TearDown() override { EXPECT_TRUE(m_ui.Done()) << m_ui.Failure().toStdString(); }

    void Prepare(CFTPTransferDlg& dlg, const CFtpTestServer& server, const std::string& local) {
        FtpTransferRequest& r = dlg.m_request;
        r.download = false;
        r.server = "127.0.0.1";
        r.port = static_cast<std::uint16_t>(server.Port());
        r.localFile = local;
        r.remoteFile = "shop.txt";
        r.userName = "merchant";
        r.password = "secret";
        r.binary = false;
        r.promptOverwrite = false;
        r.usePreConfig = false;
    }
    // Calls check every 20 ms until it returns true.
    static void Poll(QObject* context, std::function<bool()> check) {
        auto* timer = new QTimer(context);
        QObject::connect(timer, &QTimer::timeout, context, [timer, check] {
            if (check()) {
                timer->stop();
            }
        });
        timer->start(20);
    }

    CScriptedUiServices m_ui;
};

TEST_F(FtpDialog, UploadEndsWithOkAndTheCompletedFlag) {
    CFtpTestServer server;
    const auto local = server.Base() / "shop.txt";
    const std::string feed = MakeFeed(200000);
    CFtpTestServer::WriteFile(local, feed);
    CFTPTransferDlg dlg(m_ui);
    Prepare(dlg, server, local.string());
    EXPECT_EQ(dlg.windowTitle(), A("File Download"));
    EXPECT_EQ(dlg.exec(), QDialog::Accepted);
    EXPECT_TRUE(dlg.m_bCompleted);
    EXPECT_EQ(dlg.windowTitle(), A("100% of shop.txt Completed"));
    EXPECT_EQ(FindChild<QLabel>(dlg, "fileLine")->text(), A("shop.txt to 127.0.0.1"));
    EXPECT_EQ(FindChild<QProgressBar>(dlg, "progress")->value(), 100);
    // Sent in ASCII type; the server keeps each CR LF line as LF.
    const auto lines = static_cast<std::size_t>(std::count(feed.begin(), feed.end(), '\n'));
    EXPECT_EQ(CFtpTestServer::ReadFile(server.Root() / "shop.txt").size(), feed.size() - lines);
}

// A server that takes the temporary file but refuses the rename: the window asks (No is the default) and
// Yes writes the target directly, as uploads always did; No keeps the old file on the server.
TEST_F(FtpDialog, RefusedRenameAsksWhetherToWriteTheTargetDirectly) {
    for (const MsgAnswer answer : {MsgAnswer::No, MsgAnswer::Yes}) {
        CFtpTestServer server("refuse-rename");
        const auto local = server.Base() / "shop.txt";
        const std::string feed = MakeFeed(20000);
        CFtpTestServer::WriteFile(local, feed);
        CFtpTestServer::WriteFile(server.Root() / "shop.txt", "the old feed\n");
        CFTPTransferDlg dlg(m_ui);
        Prepare(dlg, server, local.string());
        dlg.m_request.binary = true;
        dlg.m_request.safeReplace = true;
        m_ui.ExpectMessage(
            A(kAppTitle),
            A("The server refused to put the uploaded file in place of shop.txt:\n550 Renaming is "
              "not allowed here.\n\nDo you want to write shop.txt directly instead? Until that "
              "upload ends, the service may read a partial file."),
            MsgIcon::Question, MsgButtons::YesNoDefaultNo, answer);
        if (answer == MsgAnswer::No) {
            m_ui.ExpectMessage(
                A(kAppTitle),
                A("The server refused to put the uploaded file in place of shop.txt, so the file on "
                  "the server was left as it was, Error:\n550 Renaming is not allowed here.\n\nThe "
                  "server refused the file with the words above."),
                MsgIcon::Stop, MsgButtons::Ok, MsgAnswer::Ok);
        }
        EXPECT_EQ(dlg.exec(), answer == MsgAnswer::Yes ? QDialog::Accepted : QDialog::Rejected);
        EXPECT_EQ(CFtpTestServer::ReadFile(server.Root() / "shop.txt") == feed, answer == MsgAnswer::Yes);
        EXPECT_EQ(dlg.m_outcome,
                  answer == MsgAnswer::Yes
                      ? "Written directly to shop.txt: the server refused to rename the temporary file "
                        "shop.txt.part over it"
                      : "");
        EXPECT_TRUE(m_ui.Done()) << m_ui.Failure().toStdString();
    }
}

// A target folder the server lacks is said once, with or without the temporary name: no question about
// writing directly, which could not help, and the working folder the session started in is kept.
TEST_F(FtpDialog, MissingFolderIsSaidInOneBox) {
    for (const bool safe : {true, false}) {
        CFtpTestServer server;
        const auto local = server.Base() / "shop.txt";
        CFtpTestServer::WriteFile(local, "data\r\n");
        CFTPTransferDlg dlg(m_ui);
        Prepare(dlg, server, local.string());
        dlg.m_request.remoteFile = "incoming/shop.txt";
        dlg.m_request.safeReplace = safe;
        m_ui.ExpectMessage(A(kAppTitle),
                           A("The folder incoming does not exist on the server, so nothing was sent. Create "
                             "the folder on the server, or correct the folder in the server address."),
                           MsgIcon::Stop, MsgButtons::Ok, MsgAnswer::Ok);
        EXPECT_EQ(dlg.exec(), QDialog::Rejected) << safe;
        EXPECT_TRUE(m_ui.Done()) << m_ui.Failure().toStdString();
    }
}

TEST_F(FtpDialog, WrongPasswordShowsTheServersReply) {
    CFtpTestServer server;
    const auto local = server.Base() / "shop.txt";
    CFtpTestServer::WriteFile(local, MakeFeed(1000));
    CFTPTransferDlg dlg(m_ui);
    Prepare(dlg, server, local.string());
    dlg.m_request.password = "wrong";
    m_ui.ExpectMessage(A(kAppTitle),
                       A("An error occurred connecting to the server, Error:\n530 Authentication failed.\n\n"
                         "The server refused the sign-in with the words above: check the user name and the "
                         "password."),
                       MsgIcon::Stop, MsgButtons::Ok, MsgAnswer::Ok);
    EXPECT_EQ(dlg.exec(), QDialog::Rejected);
    EXPECT_TRUE(dlg.m_bCompleted);
}

TEST_F(FtpDialog, MissingLocalFileClosesBeforeAnyWorker) {
    CFtpTestServer server;
    CFTPTransferDlg dlg(m_ui);
    Prepare(dlg, server, (server.Base() / "missing.txt").string());
    m_ui.ExpectMessage(A(kAppTitle), A("An error occured while opening the file to be uploaded, Error:2"),
                       MsgIcon::Stop, MsgButtons::Ok, MsgAnswer::Ok);
    EXPECT_EQ(dlg.exec(), QDialog::Rejected);
    EXPECT_FALSE(dlg.m_bCompleted);
    EXPECT_EQ(dlg.windowTitle(), A("File Upload"));
}

TEST_F(FtpDialog, CancelDuringALimitedTransferEndsQuietly) {
    CFtpTestServer server;
    const auto local = server.Base() / "shop.txt";
    CFtpTestServer::WriteFile(local, MakeFeed(400000));
    CFTPTransferDlg dlg(m_ui);
    Prepare(dlg, server, local.string());
    dlg.m_request.bandwidthLimit = 40;
    QString statusAfterCancel;
    bool cancelDisabled = false;
    Poll(&dlg, [&] {
        // Wait until the rate and time-left lines have been filled, then picture the dialog and cancel.
        if (FindChild<QLabel>(dlg, "timeLeft")->text().isEmpty() ||
            FindChild<QProgressBar>(dlg, "progress")->value() < 20) {
            return false;
        }
        SaveScreenshot(dlg, QStringLiteral("ftp_transfer.png"));
        FindChild<QPushButton>(dlg, "cancelButton")->click();
        statusAfterCancel = FindChild<QLabel>(dlg, "statusLine")->text();
        cancelDisabled = !FindChild<QPushButton>(dlg, "cancelButton")->isEnabled();
        return true;
    });
    EXPECT_EQ(dlg.exec(), QDialog::Rejected);
    EXPECT_EQ(statusAfterCancel, A("Aborting transfer"));
    EXPECT_TRUE(cancelDisabled);
    EXPECT_TRUE(dlg.m_bCompleted);
    EXPECT_LT(FindChild<QProgressBar>(dlg, "progress")->value(), 100);
}

// A server that accepts the connection and never answers: Cancel closes the window at once, not after the
// minute the connection would take to time out, and no error box follows.
TEST_F(FtpDialog, CancelWhileTheServerIsSilentClosesAtOnce) {
    CFtpTestServer server("silent");
    const auto local = server.Base() / "shop.txt";
    CFtpTestServer::WriteFile(local, MakeFeed(1000));
    CFTPTransferDlg dlg(m_ui);
    Prepare(dlg, server, local.string());
    std::chrono::steady_clock::time_point cancelled;
    const auto started = std::chrono::steady_clock::now();
    Poll(&dlg, [&] {
        if (std::chrono::steady_clock::now() - started < std::chrono::milliseconds(800)) {
            return false;
        }
        cancelled = std::chrono::steady_clock::now();
        FindChild<QPushButton>(dlg, "cancelButton")->click();
        return true;
    });
    EXPECT_EQ(dlg.exec(), QDialog::Rejected);
    EXPECT_LT(std::chrono::steady_clock::now() - cancelled, std::chrono::seconds(1));
    EXPECT_EQ(FindChild<QLabel>(dlg, "statusLine")->text(), A("Aborting transfer"));
}

// Cancel after the last byte, while the server holds back its 226: the server confirms the file, so the
// window ends with OK and the completed flag, and the upload page records the upload.
TEST_F(FtpDialog, CancelAfterTheLastByteEndsWithOk) {
    CFtpTestServer server("slow-226=1");
    const auto local = server.Base() / "shop.txt";
    CFtpTestServer::WriteFile(local, MakeFeed(1000));
    CFTPTransferDlg dlg(m_ui);
    Prepare(dlg, server, local.string());
    Poll(&dlg, [&] {
        if (!server.Confirming()) {
            return false;
        }
        FindChild<QPushButton>(dlg, "cancelButton")->click();
        return true;
    });
    EXPECT_EQ(dlg.exec(), QDialog::Accepted);
    EXPECT_TRUE(dlg.m_bCompleted);
    EXPECT_EQ(FindChild<QProgressBar>(dlg, "progress")->value(), 100);
}

TEST_F(FtpDialog, CloseWhileRunningActsLikeCancel) {
    CFtpTestServer server;
    const auto local = server.Base() / "shop.txt";
    CFtpTestServer::WriteFile(local, MakeFeed(400000));
    CFTPTransferDlg dlg(m_ui);
    Prepare(dlg, server, local.string());
    dlg.m_request.bandwidthLimit = 40;
    bool stillOpen = false;
    Poll(&dlg, [&] {
        if (FindChild<QProgressBar>(dlg, "progress")->value() < 5) {
            return false;
        }
        dlg.close();
        stillOpen = dlg.isVisible();
        return true;
    });
    EXPECT_EQ(dlg.exec(), QDialog::Rejected);
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(FindChild<QLabel>(dlg, "statusLine")->text(), A("Aborting transfer"));
}

TEST_F(FtpDialog, RemoteOverwriteQuestionAnsweredNo) {
    CFtpTestServer server;
    CFtpTestServer::WriteFile(server.Root() / "shop.txt", "old\r\n");
    const auto local = server.Base() / "shop.txt";
    CFtpTestServer::WriteFile(local, MakeFeed(5000));
    CFTPTransferDlg dlg(m_ui);
    Prepare(dlg, server, local.string());
    dlg.m_request.promptOverwrite = true;
    m_ui.ExpectMessage(A("Yarvelin"), A("The file 'shop.txt' already exists.\nDo you want to replace it?"),
                       MsgIcon::Question, MsgButtons::YesNo, MsgAnswer::No);
    EXPECT_EQ(dlg.exec(), QDialog::Rejected);
    EXPECT_EQ(CFtpTestServer::ReadFile(server.Root() / "shop.txt"), "old\r\n");
}

}  // namespace
}  // namespace yarvelin

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

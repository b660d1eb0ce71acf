// The transfer window against real secure servers: the host-key and certificate questions reach the user
// through the desktop services with the server's own fingerprints, on the interface thread, and their
// answers decide the upload. With the real message boxes the two questions are pictured for the docs.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <filesystem>
#include <thread>
#include <vector>

#include "app/program_names.h"
#include "integration/secure_test_servers.h"
#include "platform/text_codec.h"
#include "platform/ui_services.h"
#include "support/scripted_ui_services.h"
#include "support/widget_lookup.h"
#include "upload/ftp_transfer_dlg.h"

namespace yarvelin {
namespace {

using test::CFtpTestServer;
using test::CSshdTestServer;
using test::CVsftpdTestServer;
using test::MakeFeed;

QString Local(const std::string& text) {
    return QString::fromUtf8(text.c_str());
}

void PrepareSftp(CFTPTransferDlg& dlg, const CSshdTestServer& server, const std::string& local) {
    FtpTransferRequest& r = dlg.m_request;
    r.download = false;
    r.server = "127.0.0.1";
    r.port = static_cast<std::uint16_t>(server.Port());
    r.localFile = local;
    r.remoteFile = (server.Root() / "shop.txt").string();
    r.userName = CSshdTestServer::User();
    r.promptOverwrite = false;
    r.usePreConfig = false;
    r.security.protocol = FtpProtocol::Sftp;
    r.security.identityFile = server.ClientKey();
    r.security.knownHostsFile = (server.Base() / "known_hosts").string();
}

void PrepareTls(CFTPTransferDlg& dlg, const CVsftpdTestServer& server, const std::string& local) {
    FtpTransferRequest& r = dlg.m_request;
    r.download = false;
    r.server = "127.0.0.1";
    r.port = static_cast<std::uint16_t>(server.Port());
    r.localFile = local;
    r.remoteFile = "shop.txt";
    r.binary = true;
    r.passive = true;
    r.promptOverwrite = false;
    r.usePreConfig = false;
    r.security.protocol = FtpProtocol::FtpExplicitTls;
}

TEST(SecureDialog, HostKeyQuestionShowsTheFingerprintAndYesUploads) {
    CSshdTestServer server;
    const auto local = server.Base() / "shop.txt";
    CFtpTestServer::WriteFile(local, MakeFeed(100000));
    CScriptedUiServices ui;
    CFTPTransferDlg dlg(ui);
    PrepareSftp(dlg, server, local.string());
    HostKeyQuestion q;
    q.host = "[127.0.0.1]:" + std::to_string(server.Port());
    q.keyType = "ED25519";
    q.fingerprint = CSshdTestServer::FingerprintOf(server.HostKey() + ".pub");
    q.knownHostsFile = dlg.m_request.security.knownHostsFile;
    ui.ExpectMessage(A(kAppTitle), Local(HostKeyQuestionText(q)), MsgIcon::Question,
                     MsgButtons::YesNoDefaultNo, MsgAnswer::Yes);
    EXPECT_EQ(dlg.exec(), QDialog::Accepted);
    EXPECT_TRUE(CFtpTestServer::ReadFile(server.Root() / "shop.txt") == CFtpTestServer::ReadFile(local));
}

// No to the question is the whole story: no error box follows it, and nothing is stored or sent.
TEST(SecureDialog, NoToTheHostKeyQuestionIsTheOnlyBox) {
    CSshdTestServer server;
    const auto local = server.Base() / "shop.txt";
    CFtpTestServer::WriteFile(local, "data");
    CScriptedUiServices ui;
    CFTPTransferDlg dlg(ui);
    PrepareSftp(dlg, server, local.string());
    HostKeyQuestion q;
    q.host = "[127.0.0.1]:" + std::to_string(server.Port());
    q.keyType = "ED25519";
    q.fingerprint = CSshdTestServer::FingerprintOf(server.HostKey() + ".pub");
    q.knownHostsFile = dlg.m_request.security.knownHostsFile;
    ui.ExpectMessage(A(kAppTitle), Local(HostKeyQuestionText(q)), MsgIcon::Question,
                     MsgButtons::YesNoDefaultNo, MsgAnswer::No);
    EXPECT_EQ(dlg.exec(), QDialog::Rejected);
    EXPECT_EQ(CFtpTestServer::ReadFile(q.knownHostsFile), "");
    EXPECT_FALSE(std::filesystem::exists(server.Root() / "shop.txt"));
}

// The window goes while the worker still has to ask about the unknown host: the question is never shown,
// counts as No, and the window's end does not wait for an answer that cannot come.
TEST(SecureDialog, WindowClosedBeforeTheHostKeyQuestionCountsAsNo) {
    CSshdTestServer server;
    const auto local = server.Base() / "shop.txt";
    CFtpTestServer::WriteFile(local, "data");
    CScriptedUiServices ui;
    std::string knownHosts;
    {
        CFTPTransferDlg dlg(ui);
        PrepareSftp(dlg, server, local.string());
        knownHosts = dlg.m_request.security.knownHostsFile;
        QTimer::singleShot(0, &dlg, [&dlg] { dlg.done(QDialog::Rejected); });
        EXPECT_EQ(dlg.exec(), QDialog::Rejected);
        // No events run from here on, so the question the worker posts stays queued until the window goes.
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
    }
    EXPECT_EQ(CFtpTestServer::ReadFile(knownHosts), "");  // the key was not stored
    EXPECT_FALSE(std::filesystem::exists(server.Root() / "shop.txt"));
}

TEST(SecureDialog, ChangedHostKeyWarnsAndRefuses) {
    CSshdTestServer server;
    const auto local = server.Base() / "shop.txt";
    CFtpTestServer::WriteFile(local, "data");
    CScriptedUiServices ui;
    CFTPTransferDlg dlg(ui);
    PrepareSftp(dlg, server, local.string());
    test::MustRun("ssh-keygen -q -t ed25519 -N '' -f " + (server.Base() / "old_key").string());
    const std::string oldKey = CFtpTestServer::ReadFile(server.Base() / "old_key.pub");
    CFtpTestServer::WriteFile(
        dlg.m_request.security.knownHostsFile,
        "[127.0.0.1]:" + std::to_string(server.Port()) + " " + oldKey.substr(0, oldKey.rfind(' ')) + "\n");
    HostKeyQuestion q;
    q.host = "[127.0.0.1]:" + std::to_string(server.Port());
    q.keyType = "ED25519";
    q.fingerprint = CSshdTestServer::FingerprintOf(server.HostKey() + ".pub");
    q.oldFingerprint = CSshdTestServer::FingerprintOf((server.Base() / "old_key.pub").string());
    q.knownHostsFile = dlg.m_request.security.knownHostsFile;
    // The warning is the only box: the refused connection it announces needs no error box of its own.
    ui.ExpectMessage(A(kAppTitle), Local(HostKeyChangedText(q)), MsgIcon::Stop, MsgButtons::Ok,
                     MsgAnswer::Ok);
    EXPECT_EQ(dlg.exec(), QDialog::Rejected);
    EXPECT_FALSE(std::filesystem::exists(server.Root() / "shop.txt"));
}

TEST(SecureDialog, CertificateQuestionAnsweredYesPinsTheKey) {
    CVsftpdTestServer server(CVsftpdTestServer::Mode::ExplicitTls);
    const auto local = server.Base() / "shop.txt";
    CFtpTestServer::WriteFile(local, MakeFeed(100000));
    CScriptedUiServices ui;
    CFTPTransferDlg dlg(ui);
    PrepareTls(dlg, server, local.string());
    std::string pinnedServer, pin;
    dlg.m_onCertificatePinned = [&](const std::string& s, const std::string& p) {
        pinnedServer = s;
        pin = p;
    };
    CertificateQuestion q;
    q.server = "127.0.0.1:" + std::to_string(server.Port());
    q.problem = "SSL certificate problem: self-signed certificate";
    q.subject = q.issuer = "CN = localhost";
    const auto date = [&](const char* which) {
        const std::string line =
            test::OutputOf("openssl x509 -noout -" + std::string(which) + " -in " + server.Certificate());
        return line.substr(line.find('=') + 1);
    };
    q.validFrom = date("startdate");
    q.validUntil = date("enddate");
    q.fingerprint = server.Fingerprint();
    ui.ExpectMessage(A(kAppTitle), Local(CertificateQuestionText(q)), MsgIcon::Exclamation,
                     MsgButtons::YesNoDefaultNo, MsgAnswer::Yes);
    EXPECT_EQ(dlg.exec(), QDialog::Accepted);
    EXPECT_EQ(pinnedServer, q.server);
    EXPECT_EQ(pin, server.Pin());
    EXPECT_TRUE(CFtpTestServer::ReadFile(server.Root() / "shop.txt") == CFtpTestServer::ReadFile(local));
}

constexpr char kPinsFile[] = "/home/merchant/.config/Yarvelin1.0/Yarvelin1.0.ini";

// The real message boxes: each question and the warning about a replaced certificate are pictured; the
// questions have No as their default button and are answered with Enter, which must refuse.
TEST(SecureDialog, QuestionsAsTheUserSeesThem) {
    CQtUiServices ui;
    std::vector<std::string> seen;  // per box: the picture's name, and the button Enter pressed
    const char* picture = nullptr;
    auto* watcher = new QTimer;
    QObject::connect(watcher, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible()) {
            return;
        }
        const bool question = box->button(QMessageBox::No) != nullptr;
        const bool replaced = box->text().contains(QStringLiteral("was replaced"));
        if (picture && (question || replaced)) {
            SaveScreenshot(*box, QLatin1String(picture));
        }
        if (question) {
            QTest::keyClick(box, Qt::Key_Return);
            seen.push_back(std::string(picture) + (box->isVisible() ? " kept open" : " closed") +
                           " by Enter, " +
                           (box->clickedButton() == box->button(QMessageBox::No) ? "No" : "not No"));
        } else if (box->button(QMessageBox::Ok)) {
            if (replaced) {  // it says where the pin is kept
                seen.push_back(
                    std::string(picture) + " warning, " +
                    (box->text().contains(A("[PinnedCertificates] of\n") + A(kPinsFile)) ? "" : "not ") +
                    "naming the settings file");
            }
            box->button(QMessageBox::Ok)->click();  // the warning: no error box follows it
        }
    });
    watcher->start(50);
    {
        CSshdTestServer server;
        const auto local = server.Base() / "shop.txt";
        CFtpTestServer::WriteFile(local, "data");
        CFTPTransferDlg dlg(ui);
        PrepareSftp(dlg, server, local.string());
        picture = "host_key_question.png";
        EXPECT_EQ(dlg.exec(), QDialog::Rejected);
        EXPECT_EQ(CFtpTestServer::ReadFile(dlg.m_request.security.knownHostsFile), "");
    }
    {
        CVsftpdTestServer server(CVsftpdTestServer::Mode::ExplicitTls);
        const auto local = server.Base() / "shop.txt";
        CFtpTestServer::WriteFile(local, "data");
        CFTPTransferDlg dlg(ui);
        PrepareTls(dlg, server, local.string());
        picture = "certificate_question.png";
        EXPECT_EQ(dlg.exec(), QDialog::Rejected);
        picture = "certificate_replaced.png";
        CFTPTransferDlg pinned(ui);
        PrepareTls(pinned, server, local.string());
        pinned.m_request.security.pinnedKey = "sha256//" + std::string(43, 'A') + "=";
        pinned.m_pinsFile = kPinsFile;
        EXPECT_EQ(pinned.exec(), QDialog::Rejected);
        EXPECT_FALSE(std::filesystem::exists(server.Root() / "shop.txt"));
    }
    delete watcher;
    EXPECT_EQ(seen, (std::vector<std::string>{"host_key_question.png closed by Enter, No",
                                              "certificate_question.png closed by Enter, No",
                                              "certificate_replaced.png warning, naming the settings file"}));
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

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include "app/program_names.h"
#include "dialogs/account_setup_dlg.h"
#include "platform/text_codec.h"
#include "support/test_gui.h"

using namespace yarvelin;

class AccountSetupTest : public QObject {
    Q_OBJECT
  private slots:
    void showsTheTextsAndTheCurrentName();
    void confirmStoresExactlyWhatWasTyped_data();
    void confirmStoresExactlyWhatWasTyped();
    void nameOutsideTheCodePageIsRefused();
    void cancelAndCloseLeaveTheName_data();
    void cancelAndCloseLeaveTheName();
    void gettingAnAccountOpensTheSignUpPageAndStaysOpen();
    void runsModallyThroughExec();
};

void AccountSetupTest::showsTheTextsAndTheCurrentName() {
    CTestGui t;
    t.Doc().SetAccount("Caf\xE9 Shop");
    CAccountSetupDlg dlg(t.Gui());
    QCOMPARE(dlg.windowTitle(), A("Account Setup"));
    QCOMPARE(dlg.UserNameEdit()->text(), A("Caf\xE9 Shop"));
    QCOMPARE(dlg.findChild<QLabel*>(QStringLiteral("userNameLabel"))->text(), A("Username : "));
    QCOMPARE(dlg.findChild<QLabel*>(QStringLiteral("introNote"))->text(),
             A("Please enter your Quorvin Account information here. Yarvelin uses your Quorvin account "
               "information "
               "to customize certain features for you."));
    QCOMPARE(
        dlg.findChild<QLabel*>(QStringLiteral("howToNote"))->text(),
        A("For information on how to get a Quorvin Account for your online store. Please click the button "
          "below."));
    QCOMPARE(
        dlg.findChild<QLabel*>(QStringLiteral("footNote"))->text(),
        A("You can use Yarvelin without entering your Quorvin Account information; however you need to save "
          "your file manually each time and use a 3rd party FTP software to upload your feed file."));
    auto* setup = dlg.findChild<QPushButton*>(QStringLiteral("setupAccountButton"));
    QCOMPARE(setup->text(), A("Setup Account"));
    QVERIFY(setup->isDefault());
    QCOMPARE(dlg.findChild<QPushButton*>(QStringLiteral("cancelButton"))->text(), A("Cancel"));
    QCOMPARE(dlg.findChild<QPushButton*>(QStringLiteral("gettingAccountButton"))->text(),
             A("Getting A Quorvin Account"));
    QVERIFY2(t.m_ui.Done(), qPrintable(t.m_ui.Failure()));
}

void AccountSetupTest::confirmStoresExactlyWhatWasTyped_data() {
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QByteArray>("after");
    QTest::newRow("unchanged") << QByteArray("myshop") << QStringLiteral("myshop") << QByteArray("myshop");
    QTest::newRow("blanks kept") << QByteArray("myshop") << QStringLiteral("  my shop ")
                                 << QByteArray("  my shop ");
    QTest::newRow("letter case counts")
        << QByteArray("myshop") << QStringLiteral("MyShop") << QByteArray("MyShop");
    QTest::newRow("emptied") << QByteArray("myshop") << QString() << QByteArray("");
    QTest::newRow("first name") << QByteArray("") << QStringLiteral("flowers4u") << QByteArray("flowers4u");
    QTest::newRow("Windows-1252 letters")
        << QByteArray("") << QString::fromUtf8("Caf\u00e9 \u00a9") << QByteArray("Caf\xE9 \xA9");
}

void AccountSetupTest::confirmStoresExactlyWhatWasTyped() {
    QFETCH(QByteArray, before);
    QFETCH(QString, typed);
    QFETCH(QByteArray, after);
    CTestGui t;
    t.Doc().SetAccount(before.toStdString());
    CAccountSetupDlg dlg(t.Gui());
    dlg.show();
    dlg.UserNameEdit()->selectAll();
    dlg.UserNameEdit()->del();
    dlg.UserNameEdit()->insert(typed);
    QTest::mouseClick(dlg.findChild<QPushButton*>(QStringLiteral("setupAccountButton")), Qt::LeftButton);
    QCOMPARE(dlg.result(), int(QDialog::Accepted));
    QCOMPARE(QByteArray::fromStdString(t.Doc().Account()), after);
    QVERIFY(t.m_store.m_values.empty());  // the name reaches the store only at exit
    QVERIFY2(t.m_ui.Done(), qPrintable(t.m_ui.Failure()));
}

void AccountSetupTest::nameOutsideTheCodePageIsRefused() {
    CTestGui t;
    t.Doc().SetAccount("shop");
    CAccountSetupDlg dlg(t.Gui());
    dlg.show();
    dlg.UserNameEdit()->setText(QString::fromUtf8("\u017b\u00f3\u0142w-shop"));
    t.m_ui.ExpectMessage(A(kAppTitle),
                         QString::fromUtf8("The character \u017b (U+017B) cannot be stored in the feed file. "
                                           "Please remove it or replace it."),
                         MsgIcon::Exclamation, MsgButtons::Ok, MsgAnswer::Ok);
    QTest::mouseClick(dlg.findChild<QPushButton*>(QStringLiteral("setupAccountButton")), Qt::LeftButton);
    QVERIFY(dlg.isVisible());
    QCOMPARE(t.Doc().Account(), std::string("shop"));
    QVERIFY2(t.m_ui.Done(), qPrintable(t.m_ui.Failure()));
}

void AccountSetupTest::cancelAndCloseLeaveTheName_data() {
    QTest::addColumn<int>("how");
    QTest::newRow("Cancel button") << 0;
    QTest::newRow("Escape") << 1;
    QTest::newRow("close box") << 2;
}

void AccountSetupTest::cancelAndCloseLeaveTheName() {
    QFETCH(int, how);
    CTestGui t;
    t.Doc().SetAccount("myshop");
    CAccountSetupDlg dlg(t.Gui());
    dlg.show();
    dlg.UserNameEdit()->setText(QStringLiteral("other"));
    if (how == 0) {
        QTest::mouseClick(dlg.findChild<QPushButton*>(QStringLiteral("cancelButton")), Qt::LeftButton);
    } else if (how == 1) {
        QTest::keyClick(dlg.UserNameEdit(), Qt::Key_Escape);
    } else {
        dlg.close();
    }
    QCOMPARE(dlg.result(), int(QDialog::Rejected));
    QCOMPARE(t.Doc().Account(), std::string("myshop"));
}

void AccountSetupTest::gettingAnAccountOpensTheSignUpPageAndStaysOpen() {
    CTestGui t;
    CAccountSetupDlg dlg(t.Gui());
    dlg.show();
    QTest::mouseClick(dlg.findChild<QPushButton*>(QStringLiteral("gettingAccountButton")), Qt::LeftButton);
    QCOMPARE(t.m_ui.m_openedUrls, QStringList{FromCp1252(AppConfig{}.signUpUrl)});
    QVERIFY(dlg.isVisible());
}

void AccountSetupTest::runsModallyThroughExec() {
    CTestGui t;
    t.Doc().SetAccount("old");
    QTimer::singleShot(0, [] {
        auto* dlg = qobject_cast<CAccountSetupDlg*>(QApplication::activeModalWidget());
        QVERIFY(dlg);
        dlg->UserNameEdit()->setText(QStringLiteral("new"));
        QTest::keyClick(dlg->UserNameEdit(), Qt::Key_Return);  // the default button
    });
    CAccountSetupDlg dlg(t.Gui());
    QCOMPARE(dlg.exec(), int(QDialog::Accepted));
    QCOMPARE(t.Doc().Account(), std::string("new"));
}

QTEST_MAIN(AccountSetupTest)
#include "account_setup_test.moc"

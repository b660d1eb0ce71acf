// The text check as the list page runs it: the two alerts, their remembered answers, progress and status.
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QtTest>
#include <functional>

#include "app/remembered_alert.h"
#include "app/settings_names.h"
#include "checks/data_check_view.h"
#include "dialogs/escape_alert_dlg.h"
#include "dialogs/whitespace_alert_dlg.h"
#include "platform/text_codec.h"
#include "support/test_gui.h"
#include "support/widget_lookup.h"

namespace yarvelin {

namespace {

// Runs handle on the next modal dialog once it is up.
void OnNextModal(std::function<void(QWidget*)> handle) {
    QTimer::singleShot(10, qApp, [handle] {
        if (QWidget* w = QApplication::activeModalWidget()) {
            handle(w);
        } else {
            OnNextModal(handle);
        }
    });
}

void Answer(QWidget* dlg, const char* button, bool tick) {
    dlg->findChild<QCheckBox*>(QStringLiteral("dontShowCheck"))->setChecked(tick);
    dlg->findChild<QPushButton*>(QString::fromLatin1(button))->click();
}

void SaveShot(QWidget* w, const char* name) {
    SaveScreenshot(*w, QString::fromLatin1(name));
}

QString Label(QWidget* dlg, int line) {
    return dlg->findChild<QLabel*>(QStringLiteral("line%1Label").arg(line))->text();
}

}  // namespace

class DataCheckTest : public QObject {
    Q_OBJECT
  private slots:
    void alertTexts_data();
    void alertTexts();
    void alertAnswers_data();
    void alertAnswers();
    void runAsksRemembersAndReports();
    void runWithSilencedAlertsShowsNothing();
};

void DataCheckTest::alertTexts_data() {
    QTest::addColumn<bool>("whitespace");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("line1");
    QTest::addColumn<QString>("line2");
    QTest::addColumn<QString>("line3");
    QTest::addColumn<QString>("anchor");
    QTest::newRow("whitespace")
        << true << A("Data Validation Alert - Newline / Tabs Found")
        << A("There are newlines, tabs or carriage returns in your product information. Do you want to "
             "remove "
             "them? ")
        << A("Pressing YES will REMOVE the newline, tab and carriage returns \nfrom your product information "
             "(recommended).")
        << A("Pressing NO will enclose the relevant fields in quotes.") << QStringLiteral("#newlines-tabs");
    QTest::newRow("escape")
        << false << A("Data Validation Alert - Escape Sequences Found")
        << A("There are extended characters in your product information. Do you want to "
             "replace them with the correct HTML escape sequences?")
        << A("Pressing YES will REPLACE the extended characters with the correct HTML escape "
             "sequences (recommended).")
        << A("Pressing NO will REMOVE these extended characters.") << QStringLiteral("#escape-sequences");
}

void DataCheckTest::alertTexts() {
    QFETCH(bool, whitespace);
    QFETCH(QString, title);
    QFETCH(QString, line1);
    QFETCH(QString, line2);
    QFETCH(QString, line3);
    QFETCH(QString, anchor);
    CTestGui t;
    std::unique_ptr<CDataAlertDlg> dlg;
    if (whitespace) {
        dlg = std::make_unique<CWhitespaceAlertDlg>(t.Gui(), nullptr);
    } else {
        dlg = std::make_unique<CEscapeAlertDlg>(t.Gui(), nullptr);
    }
    QCOMPARE(dlg->windowTitle(), title);
    QCOMPARE(Label(dlg.get(), 1), line1);
    QCOMPARE(Label(dlg.get(), 2), line2);
    QCOMPARE(Label(dlg.get(), 3), line3);
    auto* box = dlg->findChild<QCheckBox*>(QStringLiteral("dontShowCheck"));
    QCOMPARE(box->text(), A("In the future, do not show this warning or ask again."));
    QVERIFY(!box->isChecked());
    auto* yes = dlg->findChild<QPushButton*>(QStringLiteral("yesButton"));
    QCOMPARE(yes->text(), A("Yes"));
    QVERIFY(yes->isDefault());
    QCOMPARE(dlg->findChild<QPushButton*>(QStringLiteral("noButton"))->text(), A("No"));
    auto* more = dlg->findChild<QPushButton*>(QStringLiteral("moreInfoButton"));
    QCOMPARE(more->text(), A("&More Info"));

    // More Info opens the help page and leaves the question open.
    OnNextModal([&](QWidget* w) {
        more->click();
        QVERIFY(w->isVisible());
        SaveShot(w, whitespace ? "whitespace_alert.png" : "escape_alert.png");
        Answer(w, "yesButton", false);
    });
    QCOMPARE(dlg->exec(), kAnswerYes);
    QCOMPARE(t.m_ui.m_openedUrls.size(), 1);
    QVERIFY(t.m_ui.m_openedUrls[0].endsWith(anchor));
}

void DataCheckTest::alertAnswers_data() {
    QTest::addColumn<QString>("how");
    QTest::addColumn<int>("answer");
    QTest::newRow("yes") << QStringLiteral("yesButton") << kAnswerYes;
    QTest::newRow("no") << QStringLiteral("noButton") << kAnswerNo;
    QTest::newRow("escape key") << QStringLiteral("escape") << kAnswerNo;
    QTest::newRow("window closed") << QStringLiteral("close") << kAnswerNo;
}

void DataCheckTest::alertAnswers() {
    QFETCH(QString, how);
    QFETCH(int, answer);
    CTestGui t;
    CEscapeAlertDlg dlg(t.Gui(), nullptr);
    OnNextModal([how](QWidget* w) {
        if (how == QStringLiteral("escape")) {
            QTest::keyClick(w, Qt::Key_Escape);
        } else if (how == QStringLiteral("close")) {
            w->close();
        } else {
            w->findChild<QPushButton*>(how)->click();
        }
    });
    QCOMPARE(dlg.exec(), answer);
}

void DataCheckTest::runAsksRemembersAndReports() {
    CTestGui t;
    COtherRecord a;
    a.SetField(kColName, "Desk\tlamp");               // newline question: No, ticked
    a.SetField(kColDescription, "<B>Bold</b> \xa9");  // escape question: Yes, not ticked
    COtherRecord b;
    b.SetField(kColName, "Chair\nwhite");     // silenced now: the remembered No, without a dialog
    b.SetField(kColDescription, "Red \x99");  // asked again: Yes
    t.Doc().AddOrReplaceRecord(a);
    t.Doc().AddOrReplaceRecord(b);
    QProgressBar progress;
    progress.hide();
    QLabel status;
    int positionWhileAsked = -1;
    bool shownWhileAsked = false;
    QStringList asked;
    std::function<void(QWidget*)> answerNext;
    answerNext = [&](QWidget* w) {
        asked << w->objectName();
        if (asked.size() == 1) {
            positionWhileAsked = progress.value();
            shownWhileAsked = !progress.isHidden();
            Answer(w, "noButton", true);
        } else {
            Answer(w, "yesButton", false);
        }
        if (asked.size() < 3) {
            OnNextModal(answerNext);
        }
    };
    OnNextModal(answerNext);
    CDataCheckView::Run(t.Gui(), nullptr, &progress, &status);

    QCOMPARE(asked, QStringList({QStringLiteral("whitespaceAlertDlg"), QStringLiteral("escapeAlertDlg"),
                                 QStringLiteral("escapeAlertDlg")}));
    QCOMPARE(positionWhileAsked, 0);
    QVERIFY(shownWhileAsked);
    QVERIFY(progress.isHidden());
    QCOMPARE(progress.maximum(), 2);
    QCOMPARE(progress.value(), 2);
    QCOMPARE(status.text(), A("All records checked"));
    // No keeps the TAB (the writer quotes it) and makes the line break the blank the file will hold.
    QCOMPARE(std::string(t.Doc().At(0).Field(kColName)), std::string("Desk\tlamp"));
    QCOMPARE(std::string(t.Doc().At(0).Field(kColDescription)), std::string("Bold&#060;/b&#062; &#169;"));
    QCOMPARE(std::string(t.Doc().At(1).Field(kColName)), std::string("Chair white"));
    QCOMPARE(std::string(t.Doc().At(1).Field(kColDescription)), std::string("Red &#153;"));
    QCOMPARE(settings::kDontShowWhiteSpace.Read(t.m_store), std::string("T"));
    QCOMPARE(settings::kDontShowWhiteSpaceValue.Read(t.m_store), kAnswerNo);
    QCOMPARE(t.m_store.GetString(settings::kDontShowEscape.section, settings::kDontShowEscape.name),
             std::string("F"));
    QCOMPARE(t.m_store.GetInt(settings::kDontShowEscapeValue.section, settings::kDontShowEscapeValue.name, 0),
             kAnswerYes);
    QCOMPARE(t.Doc().Headers().quoted, std::string("YES"));
    QVERIFY(t.Doc().IsDataVerified());
    QVERIFY(t.Doc().IsChanged());
}

void DataCheckTest::runWithSilencedAlertsShowsNothing() {
    CTestGui t;
    settings::kDontShowWhiteSpace.Write(t.m_store, "T");
    settings::kDontShowWhiteSpaceValue.Write(t.m_store, kAnswerYes);
    settings::kDontShowEscape.Write(t.m_store, "T");
    settings::kDontShowEscapeValue.Write(t.m_store, kAnswerNo);
    for (int i = 0; i < 1000; ++i) {
        COtherRecord r;
        r.SetField(kColName, "Lamp\r\n\xae");
        t.Doc().AddOrReplaceRecord(r);
    }
    bool dialogSeen = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, &watch, [&] {
        if (QWidget* w = QApplication::activeModalWidget()) {
            dialogSeen = true;
            w->close();
        }
    });
    watch.start(1);
    CDataCheckView::Run(t.Gui(), nullptr, nullptr, nullptr);
    QVERIFY(!dialogSeen);
    QCOMPARE(std::string(t.Doc().At(999).Field(kColName)), std::string("Lamp"));
    QVERIFY(t.Doc().At(999).data_checked);
}

}  // namespace yarvelin

QTEST_MAIN(yarvelin::DataCheckTest)
#include "data_check_test.moc"

// The wizard's button rule, navigation and closing, driven headless.
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

#include "app/main_property_sheet.h"
#include "app/wizard_property_sheet.h"
#include "app/wizard_rules.h"
#include "pages/wizard_page.h"
#include "platform/text_codec.h"
#include "support/test_gui.h"
#include "support/widget_lookup.h"

using namespace yarvelin;

namespace {

// A page whose answers the test sets.
class CTestPage : public CWizardPage {
  public:
    CTestPage(CYarvelinGui& gui, int index) : CWizardPage(gui, QStringLiteral("Page %1").arg(index)) {}
    bool OnSetActive() override {
        ++m_activations;
        return true;
    }
    int OnWizardNext() override { return m_next; }
    bool OnQueryCancel() override { return m_useSaveQuestion ? QueryCancelWithSaveQuestion() : m_mayCancel; }
    int m_next = kWizardMoveOn;
    bool m_mayCancel = true;
    bool m_useSaveQuestion = false;
    int m_activations = 0;
};

const QString kSaveQuestion =
    A("This data in this file has changed. \nDo you want to save the changes you made to this file?");

}  // namespace

class WizardSheetTest : public QObject {
    Q_OBJECT
  private:
    struct Fixture {
        CTestGui t;
        CWizardPropertySheet sheet{A("Yarvelin")};
        std::vector<CTestPage*> pages;
        explicit Fixture(int n = 4) {
            for (int i = 0; i < n; ++i) {
                pages.push_back(new CTestPage(t.Gui(), i));
                sheet.AddPage(pages.back());
            }
            sheet.Start();
        }
    };

  private slots:
    void startsWithNextOnly() {
        Fixture f;
        QCOMPARE(f.sheet.WizardButtons(), unsigned(kWizNext));
        QVERIFY(!f.sheet.BackButton()->isEnabled());
        QVERIFY(f.sheet.NextButton()->isVisible() || !f.sheet.isVisible());
        QCOMPARE(f.sheet.ActiveIndex(), 0);
        QCOMPARE(f.pages[0]->m_activations, 1);
        Fixture single(1);
        QCOMPARE(single.sheet.WizardButtons(), unsigned(kWizFinish));
    }

    void nextAndBackFollowTheRule() {
        Fixture f;
        f.sheet.PressNext();
        QCOMPARE(f.sheet.ActiveIndex(), 1);
        QCOMPARE(f.sheet.WizardButtons(), unsigned(kWizBack | kWizNext));
        f.sheet.PressNext();
        QCOMPARE(f.sheet.ActiveIndex(), 2);
        QCOMPARE(f.sheet.WizardButtons(), unsigned(kWizBack | kWizNext));
        f.sheet.PressNext();
        QCOMPARE(f.sheet.ActiveIndex(), 3);
        QCOMPARE(f.sheet.WizardButtons(), unsigned(kWizBack | kWizFinish));
        QVERIFY(!f.sheet.NextButton()->isEnabled() || f.sheet.NextButton()->isHidden());
        f.sheet.PressBack();
        QCOMPARE(f.sheet.ActiveIndex(), 2);
        QCOMPARE(f.sheet.WizardButtons(), unsigned(kWizBack | kWizNext));
        f.sheet.PressBack();
        f.sheet.PressBack();
        QCOMPARE(f.sheet.ActiveIndex(), 0);
        QCOMPARE(f.sheet.WizardButtons(), unsigned(kWizNext));
        f.sheet.PressBack();  // disabled on the first page
        QCOMPARE(f.sheet.ActiveIndex(), 0);
    }

    // A page that refuses to move keeps its own buttons (no "< Back" on the first page, no Finish before
    // the last).
    void refusedNextKeepsThePagesButtons_data() {
        QTest::addColumn<int>("page");
        QTest::addColumn<unsigned>("buttons");
        QTest::newRow("first") << 0 << unsigned(kWizNext);
        QTest::newRow("middle") << 1 << unsigned(kWizBack | kWizNext);
        QTest::newRow("before the last") << 2 << unsigned(kWizBack | kWizNext);
    }
    void refusedNextKeepsThePagesButtons() {
        QFETCH(int, page);
        QFETCH(unsigned, buttons);
        Fixture f;
        for (int i = 0; i < page; ++i) {
            f.sheet.PressNext();
        }
        f.pages[std::size_t(page)]->m_next = kWizardStay;
        f.sheet.PressNext();
        QCOMPARE(f.sheet.ActiveIndex(), page);
        QCOMPARE(f.sheet.WizardButtons(), buttons);
        QCOMPARE(f.sheet.BackButton()->isEnabled(), page > 0);
        f.pages[std::size_t(page)]->m_next = kWizardMoveOn;
        f.sheet.PressNext();
        QCOMPARE(f.sheet.ActiveIndex(), page + 1);
    }

    void cancelAsksThePage() {
        Fixture f;
        QSignalSpy rejected(&f.sheet, &QDialog::rejected);
        f.pages[0]->m_mayCancel = false;
        f.sheet.reject();
        QCOMPARE(rejected.count(), 0);
        f.pages[0]->m_mayCancel = true;
        f.sheet.reject();
        QCOMPARE(rejected.count(), 1);
    }

    void saveQuestionOnCancel_data() {
        QTest::addColumn<bool>("changed");
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("closes");
        QTest::addColumn<int>("pageAfter");
        QTest::newRow("unchanged closes without asking") << false << -1 << true << 1;
        QTest::newRow("yes shows the save page") << true << int(MsgAnswer::Yes) << false << 2;
        QTest::newRow("no closes") << true << int(MsgAnswer::No) << true << 1;
        QTest::newRow("cancel stays") << true << int(MsgAnswer::Cancel) << false << 1;
    }
    void saveQuestionOnCancel() {
        QFETCH(bool, changed);
        QFETCH(int, answer);
        QFETCH(bool, closes);
        QFETCH(int, pageAfter);
        Fixture f;
        for (auto* p : f.pages) {
            p->m_useSaveQuestion = true;
        }
        f.sheet.PressNext();
        if (changed) {
            f.t.Doc().MarkChanged();
        } else {
            f.t.Doc().MarkSaved();
        }
        if (answer >= 0) {
            f.t.m_ui.ExpectMessage(A("Yarvelin"), kSaveQuestion, MsgIcon::Question, MsgButtons::YesNoCancel,
                                   MsgAnswer(answer));
        }
        QSignalSpy rejected(&f.sheet, &QDialog::rejected);
        f.sheet.reject();
        QCOMPARE(rejected.count(), closes ? 1 : 0);
        QCOMPARE(f.sheet.ActiveIndex(), pageAfter);
        QVERIFY2(f.t.m_ui.Done(), qPrintable(f.t.m_ui.Failure()));
    }

    void finishCloses() {
        Fixture f(2);
        f.sheet.PressNext();
        QCOMPARE(f.sheet.WizardButtons(), unsigned(kWizBack | kWizFinish));
        QSignalSpy accepted(&f.sheet, &QDialog::accepted);
        f.sheet.PressFinish();
        QCOMPARE(accepted.count(), 1);
    }

    void mainSheetHelpTopicsAndHelpError() {
        CTestGui t;
        CMainPropertySheet sheet(t.Gui(), false);
        QCOMPARE(sheet.windowTitle(), A("Yarvelin"));
        QCOMPARE(sheet.PageCount(), 4);
        QCOMPARE(sheet.Page(2)->Caption(), A("Yarvelin : Step 3 > Extended Format Headers & Save"));
        sheet.PressHelp();
        QCOMPARE(t.m_ui.m_helpTopics, QStringList{A("yvhelp.chm::/HTML/3.htm")});
        sheet.SetActivePage(3);
        t.m_ui.m_helpError = A("Topic missing");
        t.m_ui.ExpectMessage(A("Help Error"), A("Topic missing"), MsgIcon::Exclamation, MsgButtons::Ok,
                             MsgAnswer::Ok);
        sheet.PressHelp();
        QCOMPARE(t.m_ui.m_helpTopics.last(), A("yvhelp.chm::/HTML/6.htm"));
        QVERIFY2(t.m_ui.Done(), qPrintable(t.m_ui.Failure()));
        // The sheet's font is a tenth larger than the application's.
        QVERIFY(qAbs(sheet.font().pointSizeF() - QApplication::font().pointSizeF() * 1.1) < 0.01);
        QVERIFY(sheet.windowFlags() & Qt::WindowMinimizeButtonHint);
        QCOMPARE(sheet.SystemMenu()->actions().first()->text(), A("Minimize"));
    }

    void aboutBoxOffersTechSupport() {
        CTestGui t;
        QString caption;
        QString name;
        QTimer::singleShot(0, [&] {
            QWidget* box = QApplication::activeModalWidget();
            QVERIFY(box != nullptr);
            caption = box->windowTitle();
            name = box->findChild<QLabel*>(QStringLiteral("aboutName"))->text();
            SaveScreenshot(*box, QStringLiteral("about.png"));
            box->findChild<QPushButton*>(QStringLiteral("techSupportButton"))->click();
            box->close();
        });
        t.Gui().ShowAbout(nullptr);
        QCOMPARE(caption, A("About Yarvelin"));
        QVERIFY(name.contains(A("1.0")));
        QCOMPARE(t.m_ui.m_openedUrls, QStringList{FromCp1252(t.Gui().Config().techSupportUrl)});
    }
};

QTEST_MAIN(WizardSheetTest)
#include "wizard_sheet_test.moc"

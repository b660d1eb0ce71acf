// The wizard as a whole, driven headless: what one page leaves behind for the others when the feed is
// replaced, where the save question leads, which button Enter presses, and the end of the run.
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

#include "app/main_property_sheet.h"
#include "app/program_names.h"
#include "app/wizard_rules.h"
#include "pages/product_list_page.h"
#include "pages/save_page.h"
#include "pages/start_page.h"
#include "pages/upload_page.h"
#include "platform/qt_settings_store.h"
#include "platform/text_codec.h"
#include "support/test_gui.h"
#include "support/widget_lookup.h"
#include "upload/ftp_transfer_dlg.h"
#include "widgets/hover_button.h"

using namespace yarvelin;

namespace {

const QString kFilter = A("Text Files (*.txt)|*.txt|All Files (*.*)|*.*||");
const QString kChangedQuestion =
    A("This data in this file has changed. \nDo you want to save the changes you made to this file?");
const QString kGenerateQuestion =
    A("Quorvin requires that you name your file the same as your account name.\n Would you like to save your "
      "feed file now?");

const QByteArray kFeed =
    "product_url\tname\tdescription\tprice\timage_url\tcategory\toffer_id\r\n"
    "http://a.example/1\tKettle\tSteel kettle\t20.00\thttp://a.example/1.jpg\tKitchen\tK1\r\n"
    "http://a.example/2\tToaster\tTwo slots\t25.00\thttp://a.example/2.jpg\tKitchen\tK2";

struct Wizard {
    explicit Wizard(const QStringList& recent = {}) {
        for (const QString& path : recent) {
            t.m_app.RecentFeeds().Add(ToPath(path));
        }
        sheet = std::make_unique<CMainPropertySheet>(t.Gui(), false);
        sheet->show();
    }
    QString Write(const QString& name, const QByteArray& bytes) {
        const QString path = t.m_dir.filePath(name);
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(bytes);
        return path;
    }
    void Open(const QString& path) {
        CPage1* start = sheet->StartPage();
        if (!FindChild<QRadioButton>(*start, "openFileRadio")->isChecked()) {
            QTest::mouseClick(FindChild<QRadioButton>(*start, "openFileRadio"), Qt::LeftButton);
        }
        auto* list = FindChild<QListWidget>(*start, "fileList");
        list->setCurrentItem(list->findItems(path, Qt::MatchExactly).value(0));
        QTest::mouseClick(FindChild<QPushButton>(*start, "openButton"), Qt::LeftButton);
    }
    bool UiDone() {
        const bool ok = t.m_ui.Done();
        if (!ok) {
            qWarning("%s", qPrintable(t.m_ui.Failure()));
        }
        return ok;
    }
    CTestGui t;
    std::unique_ptr<CMainPropertySheet> sheet;
};

}  // namespace

class WizardFlowTest : public QObject {
    Q_OBJECT
  private slots:
    // A feed is checked, generated and uploaded; then another one is opened. Nothing of the first may
    // show on any page, and nothing may be skipped because of it.
    void openingAnotherFeedLeavesNothingOfTheLastOne() {
        CTestGui scratch;
        const QString first = scratch.m_dir.filePath(QStringLiteral("first.txt"));
        const QString second = scratch.m_dir.filePath(QStringLiteral("second.txt"));
        Wizard w({second, first});
        for (const QString& path : {first, second}) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(kFeed);
        }
        w.Open(first);
        w.sheet->PressNext();
        CPage3* list = w.sheet->ProductListPage();
        list->VerifyDataButton()->click();
        QCOMPARE(list->StatusText()->text(), A("All records checked"));
        w.sheet->PressNext();
        const QString generated = w.t.m_dir.filePath(QStringLiteral("YourAccount.txt"));
        w.t.m_ui.ExpectSaveFile(kFilter, generated);
        FindChild<QPushButton>(*w.sheet->SavePage(), "generateButton")->click();
        w.sheet->PressNext();
        CPage5* upload = w.sheet->UploadPage();
        QCOMPARE(w.sheet->ActiveIndex(), 3);
        upload->m_runTransfer = [](CFTPTransferDlg&) { return int(QDialog::Rejected); };
        FindChild<QPushButton>(*upload, "uploadButton")->click();
        QVERIFY(!FindChild<QLabel>(*upload, "resultLine")->text().isEmpty());
        for (int i = 0; i < 3; ++i) {
            w.sheet->PressBack();
        }
        QCOMPARE(w.sheet->ActiveIndex(), 0);

        // The check left the first feed changed: replacing it asks, and No lets it go.
        w.t.m_ui.ExpectMessage(A("Yarvelin"), kChangedQuestion, MsgIcon::Question, MsgButtons::YesNoCancel,
                               MsgAnswer::No);
        w.Open(second);
        const CFeedDocument& doc = w.t.Doc();
        QVERIFY(!doc.IsChanged());
        QVERIFY(!doc.IsDataVerified());
        QVERIFY(doc.SavedFileName().empty());
        QCOMPARE(doc.FileName(), ToPath(second));

        w.sheet->PressNext();
        QVERIFY(list->StatusText()->text().isEmpty());
        w.sheet->PressNext();
        QCOMPARE(FindChild<QLabel>(*w.sheet->SavePage(), "summaryNewlinesTabs")->text(), A("Un-verified"));
        // Nothing was generated from this feed: Next asks again.
        w.t.m_ui.ExpectMessage(A("Yarvelin"), kGenerateQuestion, MsgIcon::Question, MsgButtons::YesNoCancel,
                               MsgAnswer::No);
        w.sheet->PressNext();
        QCOMPARE(w.sheet->ActiveIndex(), 3);
        QVERIFY(FindChild<QLineEdit>(*upload, "fileNameEdit")->text().isEmpty());
        QVERIFY(!FindChild<QPushButton>(*upload, "uploadButton")->isEnabled());
        QVERIFY(FindChild<QLabel>(*upload, "resultLine")->text().isEmpty());
        // The untouched feed closes without a question.
        w.sheet->reject();
        QVERIFY(!w.sheet->isVisible());
        QVERIFY(w.UiDone());
    }

    // Yes to the save-changes question shows the save page with the save page's buttons.
    void saveQuestionLeadsToTheSavePageButtons_data() {
        QTest::addColumn<int>("from");
        QTest::newRow("product list") << 1;
        QTest::newRow("upload page") << 3;
    }
    void saveQuestionLeadsToTheSavePageButtons() {
        QFETCH(int, from);
        Wizard w;
        w.sheet->PressNext();
        if (from == 3) {
            w.sheet->PressNext();
            // Nothing generated yet: the save page asks first, and No moves on.
            w.t.m_ui.ExpectMessage(A("Yarvelin"), kGenerateQuestion, MsgIcon::Question,
                                   MsgButtons::YesNoCancel, MsgAnswer::No);
            w.sheet->PressNext();
        }
        QCOMPARE(w.sheet->ActiveIndex(), from);
        w.t.Doc().MarkChanged();
        w.t.m_ui.ExpectMessage(A("Yarvelin"), kChangedQuestion, MsgIcon::Question, MsgButtons::YesNoCancel,
                               MsgAnswer::Yes);
        w.sheet->reject();
        QCOMPARE(w.sheet->ActiveIndex(), 2);
        QCOMPARE(w.sheet->WizardButtons(), unsigned(kWizBack | kWizNext));
        QVERIFY(w.sheet->NextButton()->isVisible());
        QVERIFY(!w.sheet->FinishButton()->isVisible());
        QVERIFY(w.UiDone());
    }

    // On the upload page Enter in a field uploads; elsewhere it is Next.
    void enterOnTheUploadPageUploads() {
        Wizard w;
        w.t.Doc().NoteFeedFileWritten("/feeds/shop.txt");
        w.sheet->SetActivePage(3);
        w.sheet->SetWizardButtons(kWizBack | kWizFinish);
        CPage5* upload = w.sheet->UploadPage();
        int runs = 0;
        upload->m_runTransfer = [&runs](CFTPTransferDlg&) {
            ++runs;
            return int(QDialog::Rejected);
        };
        auto* upButton = FindChild<QPushButton>(*upload, "uploadButton");
        QVERIFY(upButton->isDefault());
        QVERIFY(!w.sheet->FinishButton()->isDefault());
        QTest::keyClick(FindChild<QLineEdit>(*upload, "serverEdit"), Qt::Key_Return);
        QCOMPARE(runs, 1);
        QVERIFY(w.sheet->isVisible());
        // Back on an earlier page Enter is Next again.
        w.sheet->PressBack();
        QVERIFY(w.sheet->NextButton()->isDefault());
        QVERIFY(w.UiDone());
    }

    // The product list's Options button has the raised look.
    void optionsButtonIsRaised() {
        Wizard w;
        w.sheet->PressNext();
        QVERIFY(!FindChild<CHoverButton>(*w.sheet->ProductListPage(), "optionsButton")->IsFlat());
    }

    // A settings file that cannot be written at the end of the run is told, with its path and the reason.
    void unwritableSettingsAreTold() {
        CTestGui t;
        const QString blocker = t.m_dir.filePath(QStringLiteral("not-a-folder"));
        QFile f(blocker);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.close();
        const QString path =
            blocker + QLatin1Char('/') + QString::fromLatin1(kSettingsRoot) + QStringLiteral(".ini");
        CQtSettingsStore store(path);
        t.m_ui.ExpectMessage(A(kAppTitle),
                             A("The settings could not be saved to %1:\nNot a directory\nChanges to your "
                               "options, defaults and recent files from this session are lost.")
                                 .arg(path),
                             MsgIcon::Exclamation, MsgButtons::Ok, MsgAnswer::Ok);
        QVERIFY(!ExitAndReportSettings(t.m_app, store, t.m_ui));
        QVERIFY2(t.m_ui.Done(), qPrintable(t.m_ui.Failure()));

        CQtSettingsStore good(t.m_dir.filePath(QStringLiteral("good.ini")));
        QVERIFY(ExitAndReportSettings(t.m_app, good, t.m_ui));
        QVERIFY2(t.m_ui.Done(), qPrintable(t.m_ui.Failure()));
    }
};

QTEST_MAIN(WizardFlowTest)
#include "wizard_flow_test.moc"

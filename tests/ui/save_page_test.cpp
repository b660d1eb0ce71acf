// The save page driven headless: its choices, the summary, both saves and the questions it asks.
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include "app/feed_document.h"
#include "app/main_property_sheet.h"
#include "app/program_names.h"
#include "app/wizard_property_sheet.h"
#include "app/wizard_rules.h"
#include "feed/feed_file.h"
#include "pages/save_page.h"
#include "platform/text_codec.h"
#include "support/file_bytes.h"
#include "support/test_gui.h"
#include "support/widget_lookup.h"
#include "widgets/animated_label.h"

using namespace yarvelin;

namespace {

const QString kFilter = A("Text Files (*.txt)|*.txt|All Files (*.*)|*.*||");

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

std::string Native(const QString& path) {
    return ToPath(path);
}

// Complete products, so that the diagnostics ask nothing before a save.
void AddProducts(CFeedDocument& doc, int count) {
    for (int i = 0; i < count; ++i) {
        COtherRecord r;
        r.SetFields({"http://shop.example.com/p", "Name", "Text", "1.00", "http://shop.example.com/i",
                     "Flowers > Roses", "A" + std::to_string(i)});
        doc.AddOrReplaceRecord(r);
    }
}

// What happens to the backup after Yes to the closing question.
enum Backup { kNoBackup, kBackupCancelled, kBackupFails, kBackupWritten };

}  // namespace

class SavePageTest : public QObject {
    Q_OBJECT

  private:
    static QString Summary(CPage4& page, const char* name) { return FindChild<QLabel>(page, name)->text(); }

  private slots:
    void generateProposesTheAccountName_data() {
        QTest::addColumn<QString>("account");
        QTest::addColumn<QString>("proposed");
        QTest::newRow("no account") << QString() << QStringLiteral("YourAccount.txt");
        QTest::newRow("shop1") << QStringLiteral("shop1") << QStringLiteral("shop1.txt");
    }
    void generateProposesTheAccountName() {
        QFETCH(QString, account);
        QFETCH(QString, proposed);
        CTestGui t;
        t.Doc().SetAccount(ToCp1252(account));
        t.Doc().MarkChanged();
        AddProducts(t.Doc(), 2);
        CPage4 page(t.Gui());
        page.OnSetActive();
        const QString path = t.m_dir.filePath(proposed);
        t.m_ui.ExpectSaveFile(kFilter, path, proposed);
        FindChild<QPushButton>(page, "generateButton")->click();
        QVERIFY2(t.m_ui.Done(), qPrintable(t.m_ui.Failure()));
        QCOMPARE(t.m_ui.m_lastFileRequest.defaultExt, QStringLiteral("txt"));
        QVERIFY(t.m_ui.m_lastFileRequest.overwritePrompt);
        QVERIFY(page.IsSaved());
        QCOMPARE(t.Doc().SavedFileName(), Native(path));
        QCOMPARE(t.m_app.RecentFeeds()[0], Native(path));
        QVERIFY(t.Doc().IsChanged());  // the generated file is not the opened one
        QVERIFY(t.Doc().FileName().empty());
        // Default choices: no header block, all twenty columns.
        const QList<QByteArray> lines = ReadAll(path).split('\n');
        QCOMPARE(lines.size(), 3);
        QVERIFY(lines[0].startsWith("product_url\tname"));
        QCOMPARE(lines[0].count('\t'), 19);
    }

    void backupProposesTheCurrentFileAndBecomesIt() {
        CTestGui t;
        t.Doc().MarkChanged();
        CPage4 page(t.Gui());
        page.OnSetActive();
        QCOMPARE(Summary(page, "summaryFileName"), QStringLiteral("Untitled"));
        QCOMPARE(Summary(page, "summaryFileSize"), QStringLiteral("0 BYTES"));
        const QString path = t.m_dir.filePath(QStringLiteral("backup.txt"));
        t.m_ui.ExpectSaveFile(kFilter, path, QStringLiteral("QuorvinFeed1.txt"));
        FindChild<QPushButton>(page, "backupButton")->click();
        QVERIFY(!t.Doc().IsChanged());
        QCOMPARE(t.Doc().FileName(), Native(path));
        QVERIFY(t.Doc().SavedFileName().empty());
        QVERIFY(!page.IsSaved());
        QCOMPARE(t.m_app.RecentFeeds()[0], Native(path));
        // The next backup proposes that file; the summary shows it at the next refresh.
        t.m_ui.ExpectSaveFile(kFilter, std::nullopt, path);
        page.SaveBackup();
        page.OnSetActive();
        QCOMPARE(Summary(page, "summaryFileName"), QStringLiteral("backup.txt"));
        QVERIFY2(t.m_ui.Done(), qPrintable(t.m_ui.Failure()));
    }

    // Each save says on the page what it wrote, and the summary follows at once.
    void eachSaveSaysWhatItWrote_data() {
        QTest::addColumn<bool>("backup");
        QTest::addColumn<int>("products");
        QTest::newRow("feed file") << false << 2;
        QTest::newRow("backup, one product") << true << 1;
    }
    void eachSaveSaysWhatItWrote() {
        QFETCH(bool, backup);
        QFETCH(int, products);
        CTestGui t;
        AddProducts(t.Doc(), products);
        CPage4 page(t.Gui());
        page.OnSetActive();
        QVERIFY(Summary(page, "savedLine").isEmpty());
        QVERIFY(FindChild<QLabel>(page, "savedLine")->isHidden());
        const QString path = t.m_dir.filePath(QStringLiteral("written.txt"));
        t.m_ui.ExpectSaveFile(kFilter, path);
        QVERIFY(backup ? page.SaveBackup() : page.GenerateFeed());
        const QString size = QStringLiteral("%1 BYTES").arg(QFileInfo(path).size());
        QCOMPARE(
            Summary(page, "savedLine"),
            (backup ? QStringLiteral("Backup saved: ") : QStringLiteral("Feed file saved: ")) + path +
                QStringLiteral(" (%1, %2)")
                    .arg(size, products == 1 ? QStringLiteral("1 product") : QStringLiteral("2 products")));
        QVERIFY(!FindChild<QLabel>(page, "savedLine")->isHidden());
        if (backup) {
            QCOMPARE(Summary(page, "summaryFileName"), QStringLiteral("written.txt"));
            QCOMPARE(Summary(page, "summaryFileSize"), size);
        }
        QVERIFY2(t.m_ui.Done(), qPrintable(t.m_ui.Failure()));
    }

    // The line that says what was written takes its room from the list, never from the heading.
    void headingStaysAfterASave() {
        CTestGui t;
        AddProducts(t.Doc(), 3);
        CMainPropertySheet sheet(t.Gui(), false);
        sheet.resize(860, 560);
        sheet.show();
        QVERIFY(QTest::qWaitForWindowExposed(&sheet));
        sheet.SetActivePage(2);
        auto* page = sheet.findChild<CPage4*>();
        QVERIFY(page);
        t.m_ui.ExpectSaveFile(kFilter, t.m_dir.filePath(QStringLiteral("written.txt")));
        QVERIFY(page->GenerateFeed());
        QTest::qWait(200);  // the layout settles and the title fades in
        auto* title = FindChild<CAnimatedLabel>(*page, "titleLabel");
        QVERIFY(title->isVisible());
        QVERIFY2(title->height() >= title->sizeHint().height(), qPrintable(QString::number(title->height())));
        QCOMPARE(title->Text(), A("Include Optional Extended Header Information and Save your file."));
        QVERIFY(SaveScreenshot(sheet, QStringLiteral("save_page_after_save.png")));
        QVERIFY2(t.m_ui.Done(), qPrintable(t.m_ui.Failure()));
    }

    void lineBreaksAreToldBeforeWriting() {
        CTestGui t;
        AddProducts(t.Doc(), 3);
        t.Doc().At(0).SetField(kColDescription, "Two\r\nlines");
        t.Doc().At(2).SetField(kColName, "a\rb");
        t.Doc().At(2).SetField(kColBrand, "x\ny");  // not written in the basic format
        CPage4 page(t.Gui());
        page.OnSetActive();
        const QString path = t.m_dir.filePath(QStringLiteral("feed.txt"));
        t.m_ui.ExpectSaveFile(kFilter, path);
        t.m_ui.ExpectMessage(
            A("Yarvelin"),
            A("3 values hold line breaks, which a line of the feed file cannot hold. Each line "
              "break will be written as one blank."),
            MsgIcon::Information, MsgButtons::OkCancel, MsgAnswer::Cancel);
        QVERIFY(!page.GenerateFeed());
        QVERIFY(!QFile::exists(path));
        // In the basic format the brand is not written, so it is not counted.
        FindChild<QCheckBox>(page, "basicFormatCheck")->click();
        t.m_ui.ExpectSaveFile(kFilter, path);
        t.m_ui.ExpectMessage(
            A("Yarvelin"),
            A("2 values hold line breaks, which a line of the feed file cannot hold. Each line "
              "break will be written as one blank."),
            MsgIcon::Information, MsgButtons::OkCancel, MsgAnswer::Ok);
        QVERIFY(page.GenerateFeed());
        const QByteArray written = ReadAll(path);
        QVERIFY(written.contains("\tTwo lines\t"));
        QVERIFY(written.contains("\ta b\t"));
        QCOMPARE(written.count('\n'), 3);
        QVERIFY2(t.m_ui.Done(), qPrintable(t.m_ui.Failure()));
    }

    // A value with a TAB can only be written between quotes: the page says so, writes quoted=YES (and the
    // header block when none was chosen) and then shows those choices.
    void tabsTurnQuotedOnAndThePageShowsIt() {
        CTestGui t;
        AddProducts(t.Doc(), 2);
        t.Doc().At(1).SetField(kColName, "Desk\tTray");
        CPage4 page(t.Gui());
        page.OnSetActive();
        QVERIFY(FindChild<QCheckBox>(page, "noHeadersCheck")->isChecked());
        const QString path = t.m_dir.filePath(QStringLiteral("feed.txt"));
        const QString notice =
            A("1 value holds a TAB, which the feed file can only carry between quotes. The file will be "
              "written "
              "with the extended-format header quoted=YES, so that the service reads each of them as one "
              "value.");
        t.m_ui.ExpectSaveFile(kFilter, path);
        t.m_ui.ExpectMessage(A("Yarvelin"), notice, MsgIcon::Information, MsgButtons::OkCancel,
                             MsgAnswer::Cancel);
        QVERIFY(!page.GenerateFeed());
        QVERIFY(!QFile::exists(path));
        t.m_ui.ExpectSaveFile(kFilter, path);
        t.m_ui.ExpectMessage(A("Yarvelin"), notice, MsgIcon::Information, MsgButtons::OkCancel,
                             MsgAnswer::Ok);
        QVERIFY(page.GenerateFeed());
        QVERIFY(
            ReadAll(path).startsWith("# html_escaped=NO\r\n# updates_only=NO\r\n# product_type=OTHER\r\n"
                                     "# quoted=YES\r\n"));
        QVERIFY(!FindChild<QCheckBox>(page, "noHeadersCheck")->isChecked());
        QVERIFY(FindChild<QCheckBox>(page, "quotedCheck")->isChecked());
        QVERIFY(FindChild<QCheckBox>(page, "quotedCheck")->isEnabled());
        // The choices now say quoted=YES, so the next save asks nothing.
        t.m_ui.ExpectSaveFile(kFilter, path);
        QVERIFY(page.GenerateFeed());
        QVERIFY2(t.m_ui.Done(), qPrintable(t.m_ui.Failure()));
    }

    void failedWriteChangesNothing() {
        CTestGui t;
        t.Doc().MarkChanged();
        CPage4 page(t.Gui());
        const QString path = t.m_dir.filePath(QStringLiteral("missing/feed.txt"));
        t.m_ui.ExpectSaveFile(kFilter, path);
        t.m_ui.ExpectMessage(A(kAppTitle), path + A(" contains an invalid path."), MsgIcon::Exclamation,
                             MsgButtons::Ok, MsgAnswer::Ok);
        QVERIFY(!page.GenerateFeed());
        t.m_ui.ExpectSaveFile(kFilter, path);
        t.m_ui.ExpectMessage(A(kAppTitle), path + A(" contains an invalid path."), MsgIcon::Exclamation,
                             MsgButtons::Ok, MsgAnswer::Ok);
        QVERIFY(!page.SaveBackup());
        QVERIFY2(t.m_ui.Done(), qPrintable(t.m_ui.Failure()));
        QVERIFY(!page.IsSaved());
        QVERIFY(t.Doc().IsChanged());
        QVERIFY(t.Doc().SavedFileName().empty());
        QVERIFY(t.m_app.RecentFeeds().NonEmpty().empty());
    }

    void summaryRows_data() {
        QTest::addColumn<int>("bytes");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("shownSize");
        QTest::addColumn<QString>("shownName");
        QTest::newRow("10000 bytes") << 10000 << QStringLiteral("f.txt") << QStringLiteral("10000 BYTES")
                                     << QStringLiteral("f.txt");
        QTest::newRow("10001 bytes") << 10001 << QStringLiteral("f.txt") << QStringLiteral("9 KB")
                                     << QStringLiteral("f.txt");
        QTest::newRow("long name") << 20480 << QStringLiteral("a_really_long_feed_file_name_0123456789.txt")
                                   << QStringLiteral("20 KB")
                                   << QStringLiteral("a_really_long_feed_file_name_01");
        QTest::newRow("non-ascii name")
            << 1 << QStringLiteral("caf\u00e9 \u2013 f\u00fcr alle Blumen und mehr.txt")
            << QStringLiteral("1 BYTES") << QStringLiteral("caf\u00e9 \u2013 f\u00fcr alle Blumen und mehr");
    }
    void summaryRows() {
        QFETCH(int, bytes);
        QFETCH(QString, name);
        QFETCH(QString, shownSize);
        QFETCH(QString, shownName);
        CTestGui t;
        const QString path = t.m_dir.filePath(name);
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(bytes, 'x'));
        f.close();
        CFeedDocument& doc = t.Doc();
        doc.NoteLoadedFrom(Native(path));
        doc.SetAccount("shop\x92s");
        AddProducts(doc, 3);
        doc.At(0).SetField(kColDelete, "Y");
        doc.At(1).product_url_ok = true;
        doc.At(1).image_url_ok = true;
        doc.At(2).image_url_ok = true;
        CPage4 page(t.Gui());
        page.OnSetActive();
        QCOMPARE(Summary(page, "summaryFileSize"), shownSize);
        QCOMPARE(Summary(page, "summaryFileName"), shownName);
        QCOMPARE(Summary(page, "summaryAccount"), QStringLiteral("shop\u2019s"));
        QCOMPARE(Summary(page, "summaryUpdateType"), QStringLiteral("FULL-FILE"));
        QCOMPARE(Summary(page, "summaryProductType"), QStringLiteral("OTHERS (Generic Product)"));
        QCOMPARE(Summary(page, "summaryProducts"), QStringLiteral("3"));
        QCOMPARE(Summary(page, "summaryProductUrls"), QStringLiteral("1 verified"));
        QCOMPARE(Summary(page, "summaryImageUrls"), QStringLiteral("2 verified"));
        QCOMPARE(Summary(page, "summaryMarked"), QStringLiteral("1"));
        QCOMPARE(Summary(page, "summaryHtmlTags"), QStringLiteral("Un-verified"));
        // The file goes away: the size row keeps what it showed.
        QVERIFY(QFile::remove(path));
        doc.SetDataVerified(true);
        page.OnSetActive();
        QCOMPARE(Summary(page, "summaryFileSize"), shownSize);
        QCOMPARE(Summary(page, "summaryOfferIds"), QStringLiteral("Verified"));
        QCOMPARE(Summary(page, "summaryMarked"), QStringLiteral("1"));
    }

    void headerChoicesReachTheFile_data() {
        QTest::addColumn<bool>("fullFile");
        QTest::addColumn<QByteArray>("secondLine");
        QTest::addColumn<QString>("updateType");
        QTest::newRow("full file") << true << QByteArray("# updates_only=NO\r")
                                   << QStringLiteral("FULL-FILE");
        QTest::newRow("partial") << false << QByteArray("# updates_only=YES\r")
                                 << QStringLiteral("PARTIAL-UPDATE");
    }
    void headerChoicesReachTheFile() {
        QFETCH(bool, fullFile);
        QFETCH(QByteArray, secondLine);
        QFETCH(QString, updateType);
        CTestGui t;
        AddProducts(t.Doc(), 1);
        CPage4 page(t.Gui());
        page.OnSetActive();
        auto* noHeaders = FindChild<QCheckBox>(page, "noHeadersCheck");
        auto* full = FindChild<QCheckBox>(page, "fullFileUpdateCheck");
        QVERIFY(!full->isEnabled());
        noHeaders->click();  // cleared: the three header boxes become available
        QVERIFY(full->isEnabled());
        QVERIFY(FindChild<QCheckBox>(page, "quotedCheck")->isEnabled());
        if (!fullFile) {
            full->click();
        }
        QCOMPARE(Summary(page, "summaryUpdateType"), QStringLiteral("FULL-FILE"));  // not refreshed yet
        const QString path = t.m_dir.filePath(QStringLiteral("h.txt"));
        t.m_ui.ExpectSaveFile(kFilter, path);
        QVERIFY(page.GenerateFeed());
        const QList<QByteArray> lines = ReadAll(path).split('\n');
        QCOMPARE(lines.value(0), QByteArray("# html_escaped=NO\r"));
        QCOMPARE(lines.value(1), secondLine);
        QCOMPARE(lines.value(3), QByteArray("# quoted=NO\r"));
        page.OnSetActive();
        QCOMPARE(Summary(page, "summaryUpdateType"), updateType);
    }

    void basicFormatDisablesWithoutChanging() {
        CTestGui t;
        AddProducts(t.Doc(), 1);
        CPage4 page(t.Gui());
        page.OnSetActive();
        auto* basic = FindChild<QCheckBox>(page, "basicFormatCheck");
        auto* noHeaders = FindChild<QCheckBox>(page, "noHeadersCheck");
        auto* html = FindChild<QCheckBox>(page, "htmlEscapedCheck");
        noHeaders->click();
        html->click();
        basic->click();
        QVERIFY(t.Doc().IsBasicFormat());
        for (const char* name :
             {"noHeadersCheck", "htmlEscapedCheck", "fullFileUpdateCheck", "quotedCheck"}) {
            QVERIFY2(!FindChild<QCheckBox>(page, name)->isEnabled(), name);
        }
        QVERIFY(!noHeaders->isChecked());
        QVERIFY(html->isChecked());
        // A basic-format file still carries the header block chosen before.
        const QString path = t.m_dir.filePath(QStringLiteral("basic.txt"));
        t.m_ui.ExpectSaveFile(kFilter, path);
        QVERIFY(page.GenerateFeed());
        const QList<QByteArray> lines = ReadAll(path).split('\n');
        QCOMPARE(lines.value(0), QByteArray("# html_escaped=YES\r"));
        QCOMPARE(lines.value(4).count('\t'), 6);
        QCOMPARE(lines.value(5).count('\t'), 6);
        basic->click();
        QVERIFY(!t.Doc().IsBasicFormat());
        QVERIFY(noHeaders->isEnabled());
        QVERIFY(html->isEnabled());
        // Coming back to the page with basic format on enables the header boxes again.
        basic->click();
        page.OnSetActive();
        QVERIFY(html->isEnabled());
    }

    void documentHeadersAreTakenUpWhenTheyChange() {
        CTestGui t;
        CPage4 page(t.Gui());
        auto* quoted = FindChild<QCheckBox>(page, "quotedCheck");
        auto* html = FindChild<QCheckBox>(page, "htmlEscapedCheck");
        QVERIFY(!quoted->isChecked());
        t.Doc().NoteQuoted();  // a load or the data check
        page.OnSetActive();
        QVERIFY(quoted->isChecked());
        QVERIFY(!html->isChecked());
        quoted->setChecked(false);  // the user's choice outlives going back and forth
        page.OnSetActive();
        QVERIFY(!quoted->isChecked());
        t.Doc().SetHeaders({"yes", "", "", ""});
        page.OnSetActive();
        QVERIFY(html->isChecked());
    }

    // A feed read after one with header lines is written with the defaults, not with the earlier values.
    void headersOfAnEarlierFeedAreNotWrittenIntoTheNext() {
        CTestGui t;
        CPage4 page(t.Gui());
        auto* quoted = FindChild<QCheckBox>(page, "quotedCheck");
        auto* html = FindChild<QCheckBox>(page, "htmlEscapedCheck");
        struct : CFeedFileObserver {
            void ShowFileError(const std::string&) override { QFAIL("file error"); }
            void ShowFormatError() override { QFAIL("format error"); }
        } quiet;
        const std::string first = Native(t.m_dir.filePath(QStringLiteral("first.txt")));
        const std::string second = Native(t.m_dir.filePath(QStringLiteral("second.txt")));
        testing::WriteBytes(
            first, "# html_escaped=YES\r\n# updates_only=NO\r\n# product_type=OTHER\r\n# quoted=YES\r\n" +
                       BuildColumnLine(false));
        testing::WriteBytes(second, BuildColumnLine(false));
        t.m_app.OpenFeed(first, quiet);
        page.OnSetActive();
        QVERIFY(html->isChecked() && quoted->isChecked());
        t.m_app.OpenFeed(second, quiet);
        page.OnSetActive();
        QVERIFY(!html->isChecked());
        QVERIFY(!quoted->isChecked());
    }

    void nextAsksUntilAFeedWasGenerated_data() {
        QTest::addColumn<int>("answer");
        QTest::addColumn<int>("result");
        QTest::newRow("no moves on") << int(MsgAnswer::No) << kWizardMoveOn;
        QTest::newRow("cancel stays") << int(MsgAnswer::Cancel) << kWizardStay;
        QTest::newRow("yes generates and stays") << int(MsgAnswer::Yes) << kWizardStay;
    }
    void nextAsksUntilAFeedWasGenerated() {
        QFETCH(int, answer);
        QFETCH(int, result);
        CTestGui t;
        CPage4 page(t.Gui());
        t.m_ui.ExpectMessage(
            A("Yarvelin"),
            A("Quorvin requires that you name your file the same as your account name.\n Would you "
              "like to save your feed file now?"),
            MsgIcon::Question, MsgButtons::YesNoCancel, MsgAnswer(answer));
        if (MsgAnswer(answer) == MsgAnswer::Yes) {
            t.m_ui.ExpectSaveFile(kFilter, t.m_dir.filePath(QStringLiteral("YourAccount.txt")));
        }
        QCOMPARE(page.OnWizardNext(), result);
        QVERIFY2(t.m_ui.Done(), qPrintable(t.m_ui.Failure()));
        if (MsgAnswer(answer) == MsgAnswer::No) {
            QVERIFY(t.Doc().SavedFileName().empty());
        }
        if (page.IsSaved()) {
            QCOMPARE(page.OnWizardNext(), kWizardMoveOn);  // no further question
        }
    }

    // Yes to the backup question closes the wizard only once the backup is on disk.
    void cancelAsksForABackupOfChanges_data() {
        QTest::addColumn<bool>("changed");
        QTest::addColumn<int>("answer");
        QTest::addColumn<int>("backup");
        QTest::addColumn<bool>("closes");
        QTest::newRow("unchanged") << false << -1 << int(kNoBackup) << true;
        QTest::newRow("yes, written") << true << int(MsgAnswer::Yes) << int(kBackupWritten) << true;
        QTest::newRow("yes, dialog cancelled")
            << true << int(MsgAnswer::Yes) << int(kBackupCancelled) << false;
        QTest::newRow("yes, write fails") << true << int(MsgAnswer::Yes) << int(kBackupFails) << false;
        QTest::newRow("no") << true << int(MsgAnswer::No) << int(kNoBackup) << true;
        QTest::newRow("cancel") << true << int(MsgAnswer::Cancel) << int(kNoBackup) << false;
    }
    void cancelAsksForABackupOfChanges() {
        QFETCH(bool, changed);
        QFETCH(int, answer);
        QFETCH(int, backup);
        QFETCH(bool, closes);
        CTestGui t;
        if (changed) {
            t.Doc().MarkChanged();
        } else {
            t.Doc().MarkSaved();
        }
        CPage4 page(t.Gui());
        if (answer >= 0) {
            t.m_ui.ExpectMessage(
                A("Yarvelin"),
                A("This data in this file has changed. \nDo you want to save a backup of the changes "
                  "you made to this file?"),
                MsgIcon::Question, MsgButtons::YesNoCancel, MsgAnswer(answer));
        }
        const QString written = t.m_dir.filePath(QStringLiteral("backup.txt"));
        const QString unwritable = t.m_dir.filePath(QStringLiteral("no-such-folder/backup.txt"));
        if (backup == kBackupCancelled) {
            t.m_ui.ExpectSaveFile(kFilter, std::nullopt, QStringLiteral("QuorvinFeed1.txt"));
        } else if (backup == kBackupWritten) {
            t.m_ui.ExpectSaveFile(kFilter, written, QStringLiteral("QuorvinFeed1.txt"));
        } else if (backup == kBackupFails) {
            t.m_ui.ExpectSaveFile(kFilter, unwritable, QStringLiteral("QuorvinFeed1.txt"));
            t.m_ui.ExpectMessage(A(kAppTitle), unwritable + A(" contains an invalid path."),
                                 MsgIcon::Exclamation, MsgButtons::Ok, MsgAnswer::Ok);
        }
        QCOMPARE(page.OnQueryCancel(), closes);
        QVERIFY2(t.m_ui.Done(), qPrintable(t.m_ui.Failure()));
        QCOMPARE(t.Doc().IsChanged(), changed && backup != kBackupWritten);
        QCOMPARE(QFile::exists(written), backup == kBackupWritten);
    }

    // A shipped sample is never proposed for overwriting: its backup goes to the documents folder, or
    // to the folder the user saved to last in this run.
    void backupOfASampleProposesAnotherFolder() {
        CTestGui t;
        QDir(t.m_dir.path()).mkdir(QStringLiteral("Samples"));
        QDir(t.m_dir.path()).mkdir(QStringLiteral("out"));
        const QString sample = t.m_dir.filePath(QStringLiteral("Samples/SampleFlowers.txt"));
        t.m_app.SampleFeeds().Add(Native(sample));
        t.Doc().NoteLoadedFrom(Native(sample));
        AddProducts(t.Doc(), 1);
        CPage4 page(t.Gui());
        page.OnSetActive();
        QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        if (!QDir(documents).exists()) {
            documents = QDir::homePath();  // see backupOfASampleFallsBackToHome
        }
        t.m_ui.ExpectSaveFile(kFilter, std::nullopt, documents + QStringLiteral("/SampleFlowers.txt"));
        QVERIFY(!page.SaveBackup());
        const QString generated = t.m_dir.filePath(QStringLiteral("out/shop.txt"));
        t.m_ui.ExpectSaveFile(kFilter, generated);
        QVERIFY(page.GenerateFeed());
        t.m_ui.ExpectSaveFile(kFilter, std::nullopt,
                              t.m_dir.filePath(QStringLiteral("out/SampleFlowers.txt")));
        QVERIFY(!page.SaveBackup());
        QVERIFY2(t.m_ui.Done(), qPrintable(t.m_ui.Failure()));
        QCOMPARE(t.Doc().FileName(), Native(sample));
    }

    // Without a documents folder, the backup of a sample is proposed in the home folder.
    void backupOfASampleFallsBackToHome_data() {
        QTest::addColumn<bool>("documents");
        QTest::newRow("documents folder") << true;
        QTest::newRow("none") << false;
    }
    void backupOfASampleFallsBackToHome() {
        QFETCH(bool, documents);
        QTemporaryDir home;
        if (documents) {
            QDir(home.path()).mkdir(QStringLiteral("Documents"));
        }
        const QByteArray savedHome = qgetenv("HOME");
        const QByteArray savedConfig = qgetenv("XDG_CONFIG_HOME");
        qputenv("HOME", QFile::encodeName(home.path()));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath(QStringLiteral(".config"))));
        CTestGui t;
        const QString sample = t.m_dir.filePath(QStringLiteral("SampleFlowers.txt"));
        t.m_app.SampleFeeds().Add(Native(sample));
        t.Doc().NoteLoadedFrom(Native(sample));
        CPage4 page(t.Gui());
        t.m_ui.ExpectSaveFile(kFilter, std::nullopt,
                              home.path() + (documents ? QStringLiteral("/Documents") : QString()) +
                                  QStringLiteral("/SampleFlowers.txt"));
        QVERIFY(!page.SaveBackup());
        qputenv("HOME", savedHome);
        savedConfig.isEmpty() ? qunsetenv("XDG_CONFIG_HOME") : qputenv("XDG_CONFIG_HOME", savedConfig);
        QVERIFY2(t.m_ui.Done(), qPrintable(t.m_ui.Failure()));
    }

    // The offer id row tells what a look at the offer ids finds, not whether the text check ran.
    // The page in the wizard with a loaded feed; pictured by the screenshots target.
    void screenshotWithALoadedFeed() {
        CTestGui t;
        t.Doc().SetAccount("flowershop");
        const QString feed = t.m_dir.filePath(QStringLiteral("SpringFlowers.txt"));
        QFile f(feed);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("# html_escaped=NO\r\n# updates_only=NO\r\n# product_type=OTHER\r\n# quoted=YES\r\n");
        f.write(BuildColumnLine(false).c_str());
        for (int i = 0; i < 240; ++i) {
            f.write(QStringLiteral("\r\nhttp://shop/p%1\tTulips %1\tFresh \"\"\"red\"\"\" "
                                   "tulips\t%1.50\thttp://shop/i%1.jpg\t"
                                   "Flowers > Tulips\tT%1\tY\t4.00\t\t\t\t\t\t\t\t\tOTHER\t%2\tUSD")
                        .arg(i)
                        .arg(i % 40 == 0 ? QStringLiteral("Y") : QString())
                        .toLatin1());
        }
        f.close();
        struct : CFeedFileObserver {
            void ShowFileError(const std::string&) override { QFAIL("file error"); }
            void ShowFormatError() override { QFAIL("format error"); }
        } quiet;
        t.m_app.OpenFeed(Native(feed), quiet);
        QCOMPARE(t.Doc().Count(), std::size_t(240));
        for (std::size_t i = 0; i < 200; ++i) {
            t.Doc().At(i).product_url_ok = true;
            t.Doc().At(i).image_url_ok = i % 3 != 0;
        }
        CWizardPropertySheet sheet(A("Yarvelin"));
        auto* page = new CPage4(t.Gui());
        // Neighbours, so that the sheet shows the page as the third step with Back and Next.
        sheet.AddPage(new CWizardPage(t.Gui(), A("Start")));
        sheet.AddPage(new CWizardPage(t.Gui(), A("List")));
        sheet.AddPage(page);
        sheet.AddPage(new CWizardPage(t.Gui(), A("Upload")));
        sheet.resize(640, 600);
        sheet.Start();
        sheet.SetActivePage(2);
        sheet.SetWizardButtons(kWizBack | kWizNext);
        sheet.show();
        QVERIFY(QTest::qWaitForWindowExposed(&sheet));
        QCOMPARE(Summary(*page, "summaryProducts"), QStringLiteral("240"));
        QCOMPARE(Summary(*page, "summaryMarked"), QStringLiteral("6"));
        QCOMPARE(FindChild<QCheckBox>(*page, "quotedCheck")->isChecked(), true);
        QTest::qWait(200);  // let the title finish fading in
        QVERIFY(!sheet.grab().isNull());
        QVERIFY(SaveScreenshot(sheet, QStringLiteral("save_page.png")));
    }
};

QTEST_MAIN(SavePageTest)
#include "save_page_test.moc"

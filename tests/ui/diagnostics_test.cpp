// The diagnostics window and the questions before a save and an upload. The screenshots target pictures
// the window, the upload question and the progress window of a long check.
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QTimer>
#include <QTreeView>
#include <QtTest>

#include "app/program_names.h"
#include "app/settings_names.h"
#include "dialogs/diagnostics_dlg.h"
#include "dialogs/diagnostics_model.h"
#include "feed/feed_file.h"
#include "feed/file_error.h"
#include "jobs/upload_count_file.h"
#include "pages/product_list_page.h"
#include "pages/save_page.h"
#include "pages/upload_page.h"
#include "platform/text_codec.h"
#include "support/test_gui.h"
#include "support/widget_lookup.h"
#include "upload/ftp_transfer_dlg.h"

using namespace yarvelin;

namespace {

COtherRecord Product(const std::string& offerId) {
    COtherRecord r;
    r.SetFields({"http://shop.example.com/p/" + offerId, "Desk Lamp " + offerId, "A lamp for the desk.",
                 "12.50", "http://shop.example.com/i/" + offerId + ".jpg",
                 "Home & Garden > Home Furnishings > Lighting", offerId});
    r.SetField(kColCurrency, "USD");
    return r;
}

// Three clean products, then: a bad price (error), a second bad price plus a duplicate id (two errors), a
// wrong check digit (warning) and a product marked deleted (note).
void AddMixedProducts(CFeedDocument& doc) {
    for (const char* id : {"A1", "A2", "A3"}) {
        doc.AddOrReplaceRecord(Product(id));
    }
    COtherRecord price = Product("B1");
    price.SetField(kColPrice, "12,50");
    doc.AddOrReplaceRecord(price);
    COtherRecord twice = Product("a1");
    twice.SetField(kColPrice, "$3");
    doc.AddOrReplaceRecord(twice);
    COtherRecord upc = Product("C1");
    upc.SetField(kColUpc, "036000291453");
    doc.AddOrReplaceRecord(upc);
    COtherRecord gone = Product("D1");
    gone.SetField(kColDelete, "Y");
    doc.AddOrReplaceRecord(gone);
}

void SaveImage(const QImage& image, const char* name) {
    QVERIFY(!image.isNull());
    QVERIFY(SaveScreenshot(image, QLatin1String(name)));
}

// Runs check on the next modal window once it is up, then closes it.
void WithNextModal(std::function<void(QWidget*)> check) {
    QTimer::singleShot(0, [check] {
        QWidget* modal = QApplication::activeModalWidget();
        check(modal);
        if (auto* dialog = qobject_cast<QDialog*>(modal)) {
            dialog->reject();
        }
    });
}

QString GroupText(const CDiagnosticsModel& model, int row) {
    return model.index(row, 0).data().toString();
}

std::string WriteFeed(CTestGui& t, const char* name) {
    const std::string path = ToPath(t.m_dir.filePath(QLatin1String(name)));
    struct : CFeedFileObserver {
        void ShowFileError(const std::string&) override { QFAIL("write failed"); }
        void ShowFormatError() override {}
    } observer;
    WriteFeedFile(t.Doc(), path, FeedHeaderChoices{}, observer);
    return path;
}

const QString kErrorsBeforeSave =
    A("The feed has 3 errors in 2 products that Quorvin would refuse.\nDo you want to see them now? Press No "
      "to save the feed file anyway.");
const QString kErrorsBeforeUpload =
    A("The feed has 3 errors in 2 products that Quorvin would refuse.\nDo you want to see them now? Press No "
      "to upload the feed file anyway.");

}  // namespace

class DiagnosticsTest : public QObject {
    Q_OBJECT
  private slots:
    void groupsErrorsFirstWithCounts();
    void doubleClickOpensTheEditorAndChecksAgain();
    void productListButtonOpensTheWindow();
    void savePageShowsWhatWasCorrectedInTheWindow();
    void saveAsksWhenErrorsExist_data();
    void saveAsksWhenErrorsExist();
    void uploadAsksAboutErrorsAndACountDrop_data();
    void uploadAsksAboutErrorsAndACountDrop();
    void uploadWindowListsTheFirstFindingsOfALargeFile();
    void uploadCheckOnTheWorkerGivesTheSameFindings();
    void saveFindingsAsksForTheFileAndWritesIt();
    void screenshots();
};

void DiagnosticsTest::groupsErrorsFirstWithCounts() {
    CTestGui t;
    AddMixedProducts(t.Doc());
    CDiagnosticsDlg window(t.Gui(), false);
    const CDiagnosticsModel& model = *window.Model();
    QCOMPARE(model.rowCount(), 4);
    QCOMPARE(GroupText(model, 0),
             QStringLiteral("Offer ID used more than once (duplicate-offer-id, error): 1"));
    QCOMPARE(GroupText(model, 1), QStringLiteral("Price is not a number (price-invalid, error): 2"));
    QCOMPARE(GroupText(model, 2), QStringLiteral("UPC check digit is wrong (upc-check-digit, warning): 1"));
    QCOMPARE(GroupText(model, 3), QStringLiteral("Marked for removal (marked-deleted, info): 1"));
    const QModelIndex prices = model.index(1, 0);
    QCOMPARE(model.rowCount(prices), 2);
    QCOMPARE(model.index(0, CDiagnosticsModel::kRow, prices).data().toInt(), 4);
    QCOMPARE(model.index(1, CDiagnosticsModel::kRow, prices).data().toInt(), 5);
    QCOMPARE(model.index(1, CDiagnosticsModel::kOfferId, prices).data().toString(), QStringLiteral("a1"));
    QCOMPARE(model.index(1, CDiagnosticsModel::kColumn, prices).data().toString(), QStringLiteral("price"));
    QVERIFY(window.Tree()->isExpanded(prices));
    QCOMPARE(window.SummaryLabel()->text(), QStringLiteral("3 errors, 1 warning, 1 note in 7 products"));
}

void DiagnosticsTest::doubleClickOpensTheEditorAndChecksAgain() {
    CTestGui t;
    AddMixedProducts(t.Doc());
    CDiagnosticsDlg window(t.Gui(), false);
    window.resize(700, 400);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    std::vector<std::size_t> opened;
    window.SetEditorRunner([&](std::size_t position) {
        opened.push_back(position);
        COtherRecord fixed = t.Doc().At(position);
        fixed.SetField(kColPrice, "12.50");
        t.Doc().AddOrReplaceRecord(fixed, position);
        return true;
    });
    const QModelIndex prices = window.Model()->GroupIndex(DiagnosticCode::kPriceInvalid);
    const QModelIndex first = window.Model()->index(0, CDiagnosticsModel::kMessage, prices);
    const QRect rect = window.Tree()->visualRect(first);
    QVERIFY(rect.isValid());
    // As a real double-click: a click, then the second press that the view reads as the double-click.
    QTest::mouseClick(window.Tree()->viewport(), Qt::LeftButton, {}, rect.center());
    QTest::mouseDClick(window.Tree()->viewport(), Qt::LeftButton, {}, rect.center());
    QCOMPARE(opened, std::vector<std::size_t>{3});
    QVERIFY(window.ProductsChanged());
    QVERIFY(t.Doc().IsChanged());
    // Checked again: one bad price left, and it is the current finding.
    const QModelIndex after = window.Model()->GroupIndex(DiagnosticCode::kPriceInvalid);
    QCOMPARE(window.Model()->rowCount(after), 1);
    QCOMPARE(window.Model()->FindingAt(window.Tree()->currentIndex())->row, std::size_t(5));
    QCOMPARE(window.SummaryLabel()->text(), QStringLiteral("2 errors, 1 warning, 1 note in 7 products"));
    // A group row and a feed without products open nothing.
    QVERIFY(!window.OpenFinding(after));
    QCOMPARE(opened.size(), std::size_t(1));
}

void DiagnosticsTest::productListButtonOpensTheWindow() {
    CTestGui t;
    AddMixedProducts(t.Doc());
    CPage3 page(t.Gui());
    page.OnSetActive();
    QPushButton* button = page.DiagnosticsButton();
    QCOMPARE(button->text(), A("Dia&gnostics..."));
    bool shown = false;
    WithNextModal([&](QWidget* modal) {
        auto* window = qobject_cast<CDiagnosticsDlg*>(modal);
        QVERIFY(window != nullptr);
        shown = window->Model()->rowCount() == 4;
    });
    button->click();
    QVERIFY(shown);
}

void DiagnosticsTest::savePageShowsWhatWasCorrectedInTheWindow() {
    CTestGui t;
    AddMixedProducts(t.Doc());
    CPage4 page(t.Gui());
    page.OnSetActive();
    auto* offerIds = FindChild<QLabel>(page, "summaryOfferIds");
    const QString before = offerIds->text();
    QVERIFY(before != QStringLiteral("Verified"));
    auto* button = FindChild<QPushButton>(page, "diagnosticsButton");
    // What the editor opened from the window would store: every product gets an offer id of its own.
    WithNextModal([&](QWidget* modal) {
        QVERIFY(qobject_cast<CDiagnosticsDlg*>(modal) != nullptr);
        for (std::size_t i = 0; i < t.Doc().Count(); ++i) {
            COtherRecord fixed = t.Doc().At(i);
            fixed.SetField(kColOfferId, "fixed-" + std::to_string(i));
            t.Doc().AddOrReplaceRecord(fixed, i);
        }
    });
    button->click();
    QCOMPARE(offerIds->text(), QStringLiteral("Verified"));
}

void DiagnosticsTest::saveAsksWhenErrorsExist_data() {
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("windowShown");
    QTest::addColumn<bool>("saved");
    QTest::newRow("yes shows them") << int(MsgAnswer::Yes) << true << false;
    QTest::newRow("no saves anyway") << int(MsgAnswer::No) << false << true;
    QTest::newRow("cancel stops") << int(MsgAnswer::Cancel) << false << false;
}

void DiagnosticsTest::saveAsksWhenErrorsExist() {
    QFETCH(int, answer);
    QFETCH(bool, windowShown);
    QFETCH(bool, saved);
    CTestGui t;
    AddMixedProducts(t.Doc());
    CPage4 page(t.Gui());
    page.OnSetActive();
    t.m_ui.ExpectMessage(A("Yarvelin"), kErrorsBeforeSave, MsgIcon::Question, MsgButtons::YesNoCancel,
                         MsgAnswer(answer));
    const QString path = t.m_dir.filePath(QStringLiteral("YourAccount.txt"));
    if (saved) {
        t.m_ui.ExpectSaveFile(A("Text Files (*.txt)|*.txt|All Files (*.*)|*.*||"), path);
    }
    bool shown = false;
    if (windowShown) {
        WithNextModal([&](QWidget* modal) { shown = qobject_cast<CDiagnosticsDlg*>(modal) != nullptr; });
    }
    QCOMPARE(page.GenerateFeed(), saved);
    QCOMPARE(shown, windowShown);
    QCOMPARE(QFile::exists(path), saved);
    QVERIFY2(t.m_ui.Done(), qPrintable(t.m_ui.Failure()));
}

void DiagnosticsTest::uploadAsksAboutErrorsAndACountDrop_data() {
    QTest::addColumn<bool>("withErrors");
    QTest::addColumn<int>("errorAnswer");
    QTest::addColumn<int>("lastCount");   // -1: no upload remembered
    QTest::addColumn<int>("dropAnswer");  // -1: not asked
    QTest::addColumn<bool>("uploaded");
    QTest::newRow("clean, first upload") << false << -1 << -1 << -1 << true;
    QTest::newRow("clean, as many as before") << false << -1 << 6 << -1 << true;
    QTest::newRow("errors, no goes on") << true << int(MsgAnswer::No) << -1 << -1 << true;
    QTest::newRow("errors, cancel stops") << true << int(MsgAnswer::Cancel) << -1 << -1 << false;
    QTest::newRow("errors, yes shows them") << true << int(MsgAnswer::Yes) << -1 << -1 << false;
    QTest::newRow("drop, yes goes on") << false << -1 << 7 << int(MsgAnswer::Yes) << true;
    QTest::newRow("drop, no stops") << false << -1 << 7 << int(MsgAnswer::No) << false;
}

void DiagnosticsTest::uploadAsksAboutErrorsAndACountDrop() {
    QFETCH(bool, withErrors);
    QFETCH(int, errorAnswer);
    QFETCH(int, lastCount);
    QFETCH(int, dropAnswer);
    QFETCH(bool, uploaded);
    CTestGui t;
    if (withErrors) {
        AddMixedProducts(t.Doc());
    } else {
        for (const char* id : {"A1", "A2", "A3"}) {
            t.Doc().AddOrReplaceRecord(Product(id));
        }
    }
    const std::string path = WriteFeed(t, "shop1.txt");
    t.Doc().NoteFeedFileWritten(path);
    const std::string server = "ftp.quorvin.example";
    if (lastCount >= 0) {
        RememberUploadCount(t.m_store, t.Gui().Config().uploadCountFile, "FTP.Quorvin.example", "shop1.txt",
                            std::size_t(lastCount));
    }
    CPage5 page(t.Gui());
    page.OnSetActive();
    int runs = 0;
    page.m_runTransfer = [&](CFTPTransferDlg& dlg) {
        ++runs;
        dlg.m_bCompleted = true;
        // The server confirmed the file: what follows a confirmed upload runs.
        if (dlg.m_onConfirmed) {
            dlg.m_onConfirmed();
        }
        return int(QDialog::Accepted);
    };
    if (withErrors) {
        t.m_ui.ExpectMessage(A("Yarvelin"), kErrorsBeforeUpload, MsgIcon::Question, MsgButtons::YesNoCancel,
                             MsgAnswer(errorAnswer));
    }
    if (dropAnswer >= 0) {
        t.m_ui.ExpectMessage(
            A("Yarvelin"),
            A("The feed holds 3 products, less than half of the 7 products of the last upload "
              "to the same server and file name.\nDo you want to upload it anyway?"),
            MsgIcon::Question, MsgButtons::YesNoDefaultNo, MsgAnswer(dropAnswer));
    }
    if (uploaded) {
        t.m_ui.ExpectMessage(A(kAppTitle), A("Success. The data feed file has been uploaded to Quorvin."),
                             MsgIcon::Information, MsgButtons::Ok, MsgAnswer::Ok);
    }
    bool shown = false;
    if (errorAnswer == int(MsgAnswer::Yes)) {
        WithNextModal([&](QWidget* modal) {
            auto* window = qobject_cast<CDiagnosticsDlg*>(modal);
            shown = window != nullptr && window->Model()->rowCount() == 4;
        });
    }
    page.OnUpload();
    QCOMPARE(runs, uploaded ? 1 : 0);
    QCOMPARE(shown, errorAnswer == int(MsgAnswer::Yes));
    // A successful upload remembers the file's products for the next one.
    const auto remembered = LastUploadCount(t.m_store, t.Gui().Config().uploadCountFile, server, "shop1.txt");
    const int expected = uploaded ? (withErrors ? 7 : 3) : lastCount;
    QCOMPARE(remembered.value_or(-1), (long long)expected);
    // ... and the page's line says so at once.
    QCOMPARE(
        FindChild<QLabel>(page, "jobLine")->text(),
        expected < 0 ? QString() : A("Last upload to this server and file name: %1 products.").arg(expected));
    QVERIFY2(t.m_ui.Done(), qPrintable(t.m_ui.Failure()));
}

void DiagnosticsTest::uploadWindowListsTheFirstFindingsOfALargeFile() {
    // More bad prices than the window lists: the question and the counts are those of the whole file.
    CTestGui t;
    const std::size_t bad = kDiagnosticsWindowPerCode + 3;
    for (std::size_t i = 0; i < bad; ++i) {
        COtherRecord r = Product("P" + std::to_string(i));
        r.SetField(kColPrice, "12,50");
        t.Doc().AddOrReplaceRecord(r);
    }
    const std::string path = WriteFeed(t, "large.txt");
    t.m_ui.ExpectMessage(
        A("Yarvelin"),
        A("The feed has %1 errors in %1 products that Quorvin would refuse.\nDo you want to see "
          "them now? Press No to upload the feed file anyway.")
            .arg(bad),
        MsgIcon::Question, MsgButtons::YesNoCancel, MsgAnswer::Yes);
    QString group;
    QString summary;
    int listed = -1;
    bool saved = false;
    const QString csv = t.m_dir.filePath(QStringLiteral("all.csv"));
    WithNextModal([&](QWidget* modal) {
        auto* window = qobject_cast<CDiagnosticsDlg*>(modal);
        QVERIFY(window != nullptr);
        group = GroupText(*window->Model(), 0);
        summary = window->SummaryLabel()->text();
        listed = window->Model()->rowCount(window->Model()->index(0, 0));
        // The file gets every finding, not only the listed ones.
        t.m_ui.ExpectSaveFile(A("CSV Files (*.csv)|*.csv|All Files (*.*)|*.*||"), csv,
                              t.m_dir.filePath(QStringLiteral("large-findings.csv")));
        saved = window->SaveFindings();
    });
    const auto check =
        CDiagnosticsDlg::ConfirmBeforeUpload(t.Gui(), nullptr, path, "ftp.example", "large.txt");
    QVERIFY(!check.goOn);
    QCOMPARE(check.products.value_or(0), bad);
    QCOMPARE(group, QStringLiteral("Price is not a number (price-invalid, error): %1 (first %2 listed)")
                        .arg(bad)
                        .arg(kDiagnosticsWindowPerCode));
    QCOMPARE(listed, int(kDiagnosticsWindowPerCode));
    QVERIFY2(
        summary.endsWith(A("\nListed: the first %1 findings of each kind, %1 of %2. Save Findings writes "
                           "all of them.")
                             .arg(kDiagnosticsWindowPerCode)
                             .arg(bad)),
        qPrintable(summary));
    QVERIFY(saved);
    QFile written(csv);
    QVERIFY(written.open(QIODevice::ReadOnly));
    QCOMPARE(written.readAll().count("price-invalid,error,"), qsizetype(bad));
    QVERIFY2(t.m_ui.Done(), qPrintable(t.m_ui.Failure()));
}

void DiagnosticsTest::uploadCheckOnTheWorkerGivesTheSameFindings() {
    CTestGui t;
    for (int i = 0; i < 3000; ++i) {
        COtherRecord r = Product("W" + std::to_string(i));
        r.SetField(kColPrice, i % 7 == 0 ? "12,50" : "12.50");
        r.SetField(kColUpc, i % 5 == 0 ? "036000291453" : "");
        t.Doc().AddOrReplaceRecord(r);
    }
    const std::string path = WriteFeed(t, "worker.txt");
    struct : CFeedFileObserver {
        void ShowFileError(const std::string&) override {}
        void ShowFormatError() override {}
    } observer;
    const FeedDiagnosis direct =
        DiagnoseFile(path, t.m_app.Categories(), CurrentLocalDateTime(), observer, kDiagnosticsWindowPerCode);
    // No quiet time: the progress window runs while the worker checks.
    const FeedDiagnosis worker =
        CDiagnosticsDlg::DiagnoseFileForUpload(t.Gui(), nullptr, path, std::chrono::milliseconds(0));
    QVERIFY(worker.readOk);
    QCOMPARE(worker.totals.products, std::size_t(3000));
    QCOMPARE(worker.totals.perCode, direct.totals.perCode);
    QCOMPARE(worker.findings.size(), direct.findings.size());
    QCOMPARE(worker.findings.back().row, direct.findings.back().row);
    QVERIFY(QApplication::activeModalWidget() == nullptr);  // the window went with the check
    const FeedDiagnosis missing = CDiagnosticsDlg::DiagnoseFileForUpload(t.Gui(), nullptr, path + ".gone",
                                                                         std::chrono::milliseconds(0));
    QVERIFY(!missing.readOk);

    // The question before a save checks the open feed on a worker too, keeping only the first findings of
    // each code; its counts are those of every product.
    const std::size_t errors = direct.totals.errors;
    QVERIFY(errors > kDiagnosticsWindowPerCode);
    t.m_ui.ExpectMessage(
        A("Yarvelin"),
        A("The feed has %1 errors in %2 products that Quorvin would refuse.\nDo you want to see "
          "them now? Press No to save the feed file anyway.")
            .arg(errors)
            .arg(direct.totals.productsWithErrors),
        MsgIcon::Question, MsgButtons::YesNoCancel, MsgAnswer::No);
    QVERIFY(CDiagnosticsDlg::ConfirmBeforeSave(t.Gui(), nullptr, false, std::chrono::milliseconds(0)));
    QVERIFY(QApplication::activeModalWidget() == nullptr);
    QVERIFY2(t.m_ui.Done(), qPrintable(t.m_ui.Failure()));
}

void DiagnosticsTest::saveFindingsAsksForTheFileAndWritesIt() {
    CTestGui t;
    AddMixedProducts(t.Doc());
    const std::string feed = WriteFeed(t, "shop.txt");
    t.Doc().NoteLoadedFrom(feed);
    t.Doc().MarkSaved();  // as it stands after opening that file
    CDiagnosticsDlg window(t.Gui(), false);
    QPushButton* button = FindChild<QPushButton>(window, "saveFindingsButton");
    QCOMPARE(button->text(), A("&Save Findings..."));
    const QString filter = A("CSV Files (*.csv)|*.csv|All Files (*.*)|*.*||");
    const QString chosen = t.m_dir.filePath(QStringLiteral("chosen.csv"));
    t.m_ui.ExpectSaveFile(filter, chosen, t.m_dir.filePath(QStringLiteral("shop-findings.csv")));
    button->click();
    QFile written(chosen);
    QVERIFY(written.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = written.readAll().split('\n');
    // The header, the five findings of the window in product order, and nothing after the last CR LF.
    QCOMPARE(lines.size(), 7);
    QCOMPARE(lines[0], QByteArray("code,severity,row,line,offer_id,column,message\r"));
    // The file's own line, as validate --json gives it.
    QVERIFY2(lines[1].startsWith("price-invalid,error,4,5,B1,price,"), lines[1].constData());
    QCOMPARE(lines[6], QByteArray());
    QCOMPARE(FindChild<QLabel>(window, "savedFindingsLine")->text(),
             A("Findings saved in ") + chosen + A("."));

    // Cancel writes nothing; a file that cannot be written is said so.
    t.m_ui.ExpectSaveFile(filter, std::nullopt);
    QVERIFY(!window.SaveFindings());
    const QString missing = t.m_dir.filePath(QStringLiteral("no/such.csv"));
    t.m_ui.ExpectSaveFile(filter, missing);
    t.m_ui.ExpectMessage(A(kAppTitle), FromPath(FileErrorText(FileErrorCause::kBadPath, ToPath(missing))),
                         MsgIcon::Exclamation, MsgButtons::Ok, MsgAnswer::Ok);
    QVERIFY(!window.SaveFindings());
}

void DiagnosticsTest::screenshots() {
    CTestGui t;
    AddMixedProducts(t.Doc());
    for (int i = 0; i < 3; ++i) {
        COtherRecord r = Product("E" + std::to_string(i));
        r.SetField(kColCategory, "Garden > Gnomes");
        r.SetField(kColProductUrl, i == 1 ? "ftp://shop.example.com/p" : r.Field(kColProductUrl));
        r.SetField(kColExpDate, "202301011200");
        t.Doc().AddOrReplaceRecord(r);
    }
    CDiagnosticsDlg window(t.Gui(), false);
    window.resize(820, 480);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.Tree()->setCurrentIndex(window.Model()->index(0, 0, window.Model()->index(1, 0)));
    t.m_ui.ExpectSaveFile(A("CSV Files (*.csv)|*.csv|All Files (*.*)|*.*||"),
                          t.m_dir.filePath(QStringLiteral("shop-findings.csv")));
    QVERIFY(window.SaveFindings());
    QTest::qWait(50);
    SaveImage(window.grab().toImage(), "diagnostics.png");

    // The question before an upload, as the desktop services show it.
    QMessageBox box(QMessageBox::Question, A("Yarvelin"), kErrorsBeforeUpload,
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    QTest::qWait(50);
    SaveImage(box.grab().toImage(), "upload_question.png");

    // The window of a long check before an upload; only pictured, as its timing is the machine's.
    if (!qEnvironmentVariableIsSet("YARVELIN_SCREENSHOT_DIR")) {
        return;
    }
    for (int i = 0; i < 60000; ++i) {
        t.Doc().AddOrReplaceRecord(Product("L" + std::to_string(i)));
    }
    const std::string path = WriteFeed(t, "long.txt");
    QImage progress;
    QTimer grab;
    QObject::connect(&grab, &QTimer::timeout, &grab, [&] {
        if (auto* window = qobject_cast<QProgressDialog*>(QApplication::activeModalWidget());
            window != nullptr && progress.isNull() && window->labelText().contains(QLatin1Char(','))) {
            progress = window->grab().toImage();
        }
    });
    grab.start(20);
    CDiagnosticsDlg::DiagnoseFileForUpload(t.Gui(), nullptr, path, std::chrono::milliseconds(0));
    SaveImage(progress, "upload_check_progress.png");
}

QTEST_MAIN(DiagnosticsTest)
#include "diagnostics_test.moc"

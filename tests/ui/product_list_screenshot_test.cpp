// The product list and the summary over a sample feed, as the user sees them; the screenshots target
// writes the pictures to docs/screenshots.
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>
#include <QtTest>

#include "app/main_property_sheet.h"
#include "checks/feed_diagnostics.h"
#include "dialogs/find_replace_dlg.h"
#include "dialogs/set_column_dlg.h"
#include "dialogs/summary_dlg.h"
#include "feed/feed_file.h"
#include "pages/product_list_page.h"
#include "pages/product_table_model.h"
#include "support/test_gui.h"
#include "support/widget_lookup.h"

using namespace yarvelin;

namespace {

// The products of a sample feed, read with the feed line rules (header and column lines skipped).
void LoadSample(CFeedDocument& doc, const QString& path) {
    QFile file(path);
    QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(path));
    bool columnLineSeen = false;
    while (!file.atEnd()) {
        QByteArray line = file.readLine();
        while (line.endsWith('\n') || line.endsWith('\r')) {
            line.chop(1);
        }
        if (line.startsWith('#') || line.isEmpty()) {
            continue;
        }
        if (!columnLineSeen) {
            columnLineSeen = true;
            continue;
        }
        COtherRecord record;
        SplitFeedLine(std::string_view(line.constData(), static_cast<std::size_t>(line.size())), record);
        doc.AddOrReplaceRecord(record);
    }
}

// Some products checked, some with URL faults, two marked deleted: what a feed looks like mid-way.
void Vary(CFeedDocument& doc) {
    for (std::size_t i = 0; i < doc.Count(); ++i) {
        COtherRecord& r = doc.At(i);
        r.data_checked = i < 20;
        r.urls_checked = i < 14;
        r.product_url_ok = i % 7 != 3;
        r.image_url_ok = i % 5 != 2;
    }
    doc.At(4).SetField(kColDelete, "Y");
    doc.At(9).SetField(kColDelete, "Y");
    // Addresses that answered but serve what the service refuses.
    doc.At(0).SetUrlFindings({{static_cast<int>(DiagnosticCode::kPageDisallowedByRobots), kColProductUrl,
                               "robots.txt closes the page to the crawler"}});
    doc.At(1).SetUrlFindings(
        {{static_cast<int>(DiagnosticCode::kImageTooSmall), kColImageUrl, "The picture is 40x40 pixels"},
         {static_cast<int>(DiagnosticCode::kImageTypeRefused), kColImageUrl, "The picture is an SVG"}});
}

// The sheet on screen at the product list; null when it did not come up.
CPage3* ShowListPage(CMainPropertySheet& sheet) {
    sheet.resize(900, 620);
    sheet.show();
    if (!QTest::qWaitForWindowExposed(&sheet)) {
        return nullptr;
    }
    sheet.SetActivePage(1);
    return qobject_cast<CPage3*>(sheet.Page(1));
}

void Save(QWidget& widget, const char* name) {
    QVERIFY(SaveScreenshot(widget, QString::fromLatin1(name)));
}

}  // namespace

class ProductListScreenshotTest : public QObject {
    Q_OBJECT
  private slots:
    void productList();
    void filteredAndOrdered();
    void summary();
};

void ProductListScreenshotTest::productList() {
    CTestGui t;
    LoadSample(t.Doc(), QStringLiteral(YARVELIN_SOURCE_DIR "/resources/Samples/SampleOffice.txt"));
    QVERIFY(t.Doc().Count() >= 25);
    Vary(t.Doc());
    t.Doc().NoteLoadedFrom("SampleOffice.txt");
    CMainPropertySheet sheet(t.Gui(), false);
    CPage3* page = ShowListPage(sheet);
    QVERIFY(page);
    page->SelectRows({2, 5, 6});
    page->UpdateButtonStates();
    QTest::qWait(400);  // the heading fades in
    // Every product has its row, and the table shows many of them at once.
    QCOMPARE(page->Model()->rowCount(), static_cast<int>(t.Doc().Count()));
    // The findings behind a "URLs Check" cell are a pointer's rest away.
    QCOMPARE(page->Model()->index(1, kListUrlsCheck).data(Qt::ToolTipRole).toString(),
             QStringLiteral("The picture is 40x40 pixels\nThe picture is an SVG"));
    QVERIFY(page->Table()->rowAt(page->Table()->viewport()->height() - 1) >= 10 ||
            page->Table()->rowAt(page->Table()->viewport()->height() - 1) == -1);
    Save(sheet, "product_list.png");
}

// A merchant looking for one brand, dearest first, about to change the selected prices.
void ProductListScreenshotTest::filteredAndOrdered() {
    CTestGui t;
    LoadSample(t.Doc(), QStringLiteral(YARVELIN_SOURCE_DIR "/resources/Samples/SampleOffice.txt"));
    Vary(t.Doc());
    CMainPropertySheet sheet(t.Gui(), false);
    CPage3* page = ShowListPage(sheet);
    QVERIFY(page);
    page->FilterBox()->setText(QStringLiteral("brand:scriba"));
    page->OnHeaderClicked(kListPrice);
    page->OnHeaderClicked(kListPrice);
    QCOMPARE(page->StatusText()->text(), QStringLiteral("7 of %1 products shown").arg(t.Doc().Count()));
    page->SelectAllRows();
    page->UpdateButtonStates();
    QTest::qWait(400);
    Save(sheet, "product_list_filtered.png");

    CSetColumnDlg setColumn(t.Gui(), page->SelectedRows(), &sheet);
    setColumn.ValueBox()->setText(QStringLiteral("+5%"));
    setColumn.show();
    QVERIFY(QTest::qWaitForWindowExposed(&setColumn));
    Save(setColumn, "set_column.png");

    CFindReplaceDlg findReplace(t.Gui(), page->SelectedRows(), &sheet);
    findReplace.ColumnBox()->setCurrentIndex(findReplace.ColumnBox()->findText(QStringLiteral("name")));
    findReplace.FindBox()->setText(QStringLiteral("Pack of (\\d+)"));
    findReplace.ReplaceBox()->setText(QStringLiteral("\\1-Pack"));
    findReplace.RegexBox()->setChecked(true);
    findReplace.UpdatePreview();
    findReplace.show();
    QVERIFY(QTest::qWaitForWindowExposed(&findReplace));
    Save(findReplace, "find_replace.png");
}

void ProductListScreenshotTest::summary() {
    CTestGui t;
    LoadSample(t.Doc(), QStringLiteral(YARVELIN_SOURCE_DIR "/resources/Samples/SampleOffice.txt"));
    Vary(t.Doc());
    CSummaryDlg dlg(t.Gui());
    dlg.resize(1000, 520);
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    // The two products marked "Y" are left out until asked for.
    QCOMPARE(dlg.Table()->model()->rowCount(), static_cast<int>(t.Doc().Count()) - 2);
    Save(dlg, "summary.png");
}

QTEST_MAIN(ProductListScreenshotTest)
#include "product_list_screenshot_test.moc"

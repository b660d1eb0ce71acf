// The import window and the start page's import choice, over the shipped profiles and a fixture export.
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTimer>
#include <QtTest>

#include "app/main_property_sheet.h"
#include "import/import_dlg.h"
#include "import/map_file.h"
#include "pages/start_page.h"
#include "platform/text_codec.h"
#include "support/test_gui.h"
#include "support/widget_lookup.h"

using namespace yarvelin;

namespace {

const QString kShopify = QStringLiteral(YARVELIN_FIXTURES "/import/shopify/export.csv");
const QString kCsvFilter =
    A("Shop Exports (*.csv;*.tsv;*.txt;*.xml;*.xlsx;*.ods)|*.csv;*.tsv;*.txt;*.xml;*.xlsx;*.ods|"
      "CSV Files (*.csv;*.txt)|*.csv;*.txt|Spreadsheets (*.xlsx;*.ods)|*.xlsx;*.ods|"
      "All Files (*.*)|*.*||");
const QString kMapFilter = A("Column maps (*.toml)|*.toml|All Files (*.*)|*.*||");

// A program folder holding the shipped profiles, as the build folder does.
struct ImportGui {
    ImportGui() {
        QDir(t.m_dir.path()).mkdir(QStringLiteral("Maps"));
        for (const char* name : kProfileNames) {
            const QString file = QLatin1String(name) + QStringLiteral(".toml");
            QFile::copy(QStringLiteral(YARVELIN_SOURCE_DIR "/resources/Maps/") + file,
                        t.m_dir.path() + QStringLiteral("/Maps/") + file);
        }
    }
    CTestGui t;
};

QString Counts(const CImportDlg& dlg) {
    return FindChild<QLabel>(dlg, "countsLabel")->text();
}

void SetBase(CImportDlg& dlg) {
    FindChild<QLineEdit>(dlg, "baseUrlEdit")->setText(QStringLiteral("https://northwind.example"));
    QTest::keyClicks(FindChild<QLineEdit>(dlg, "currencyEdit"), QStringLiteral("eur"));
    QTest::mouseClick(FindChild<QPushButton>(dlg, "previewButton"), Qt::LeftButton);
}

}  // namespace

class ImportWindowTest : public QObject {
    Q_OBJECT
  private slots:
    void showsTheDetectedProfileAndWhatItMakes();
    void aTemplateNamingAMissingColumnIsShownAndRefused();
    void savedMapLoadsBackWithTheEdits();
    void startPageImportFillsANewUnnamedFeed();
    void unsavedEditsAreAskedForAfterOk();
    void mergeFileOffersItsColumnsAsKeyAndCountsInThePreview();
};

void ImportWindowTest::showsTheDetectedProfileAndWhatItMakes() {
    ImportGui g;
    CImportDlg dlg(g.t.Gui(), kShopify);
    QCOMPARE(FindChild<QComboBox>(dlg, "profileCombo")->currentText(), A("Shopify products CSV"));
    // The profile builds page addresses from the shop's address: until it is given, nothing can be made.
    QVERIFY2(Counts(dlg).contains(A("{base}")), qPrintable(Counts(dlg)));
    QVERIFY(!FindChild<QPushButton>(dlg, "okButton")->isEnabled());
    SetBase(dlg);
    QCOMPARE(Counts(dlg), A("Rows read: 64    Products made: 48    Rows skipped: 0"));
    auto* preview = FindChild<QTableWidget>(dlg, "previewTable");
    QCOMPARE(preview->rowCount(), CImportDlg::kPreviewRows);
    QCOMPARE(preview->item(1, 6)->text(), A("HD0-RM"));
    QCOMPARE(preview->item(1, 19)->text(), A("EUR"));
    QCOMPARE(FindChild<QLineEdit>(dlg, "currencyEdit")->text(), A("EUR"));
    QVERIFY(FindChild<QPushButton>(dlg, "okButton")->isEnabled());
    // The pick list offers the export's columns.
    QVERIFY(FindChild<QComboBox>(dlg, "template_brand")->findText(A("{Vendor}")) >= 0);
    dlg.show();
    QVERIFY(SaveScreenshot(dlg, QStringLiteral("import_window.png")));
}

void ImportWindowTest::aTemplateNamingAMissingColumnIsShownAndRefused() {
    ImportGui g;
    CImportDlg dlg(g.t.Gui(), kShopify);
    SetBase(dlg);
    FindChild<QComboBox>(dlg, "template_brand")->setEditText(A("{Maker}|Acme"));
    QTest::mouseClick(FindChild<QPushButton>(dlg, "previewButton"), Qt::LeftButton);
    QVERIFY2(Counts(dlg).contains(A("'Maker'")), qPrintable(Counts(dlg)));
    QCOMPARE(FindChild<QTableWidget>(dlg, "previewTable")->rowCount(), 0);
    QVERIFY(!FindChild<QPushButton>(dlg, "okButton")->isEnabled());
}

void ImportWindowTest::savedMapLoadsBackWithTheEdits() {
    ImportGui g;
    const QString path = g.t.m_dir.filePath(QStringLiteral("mine.toml"));
    {
        CImportDlg dlg(g.t.Gui(), kShopify);
        FindChild<QComboBox>(dlg, "template_brand")->setEditText(A("Northwind Outfitters"));
        g.t.m_ui.ExpectSaveFile(kMapFilter, path);
        QTest::mouseClick(FindChild<QPushButton>(dlg, "saveMapButton"), Qt::LeftButton);
    }
    QCOMPARE(LoadColumnMap(ToPath(path)).templates[9], std::string("Northwind Outfitters"));
    CImportDlg dlg(g.t.Gui(), kShopify);
    SetBase(dlg);
    g.t.m_ui.ExpectOpenFile(kMapFilter, path);
    QTest::mouseClick(FindChild<QPushButton>(dlg, "loadMapButton"), Qt::LeftButton);
    QCOMPARE(FindChild<QComboBox>(dlg, "template_brand")->currentText(), A("Northwind Outfitters"));
    QCOMPARE(FindChild<QTableWidget>(dlg, "previewTable")->item(0, 9)->text(), A("Northwind Outfitters"));
    QVERIFY(g.t.m_ui.Done());
}

void ImportWindowTest::mergeFileOffersItsColumnsAsKeyAndCountsInThePreview() {
    ImportGui g;
    CImportDlg dlg(g.t.Gui(), QStringLiteral(YARVELIN_FIXTURES "/import/merge-stock/export.tsv"));
    const QString stock = QStringLiteral(YARVELIN_FIXTURES "/import/merge-stock/stock.csv");
    g.t.m_ui.ExpectOpenFile(
        A("Shop files (*.csv;*.tsv;*.txt;*.xml;*.xlsx;*.ods)|*.csv;*.tsv;*.txt;*.xml;*.xlsx;"
          "*.ods|All Files (*.*)|*.*||"),
        stock);
    QTest::mouseClick(FindChild<QPushButton>(dlg, "mergeFileButton"), Qt::LeftButton);
    QVERIFY(g.t.m_ui.Done());
    QCOMPARE(FindChild<QLineEdit>(dlg, "mergePathEdit")->text(), stock);
    QCOMPARE(FindChild<QComboBox>(dlg, "mergeKeyCombo")->currentText(), A("SKU"));
    // No column of the stock file is named like the feed's: the preview says so until a map is given.
    QVERIFY2(Counts(dlg).contains(A("it sets no feed column")), qPrintable(Counts(dlg)));
    const ImportSettings settings = dlg.Settings();
    QCOMPARE(settings.merges.size(), std::size_t{1});
    QCOMPARE(settings.merges[0].key, std::string("SKU"));
}

void ImportWindowTest::startPageImportFillsANewUnnamedFeed() {
    ImportGui g;
    CMainPropertySheet sheet(g.t.Gui(), false);
    sheet.show();
    CPage1* page = sheet.StartPage();
    QVERIFY(SaveScreenshot(sheet, QStringLiteral("start_page_import.png")));
    g.t.m_ui.ExpectOpenFile(kCsvFilter, kShopify);
    bool sawWindow = false;
    QTimer::singleShot(0, [&sawWindow] {
        auto* dlg = qobject_cast<CImportDlg*>(QApplication::activeModalWidget());
        sawWindow = dlg != nullptr;
        if (dlg != nullptr) {
            SetBase(*dlg);
            QTest::mouseClick(FindChild<QPushButton>(*dlg, "okButton"), Qt::LeftButton);
        }
    });
    QTest::mouseClick(FindChild<QRadioButton>(*page, "importRadio"), Qt::LeftButton);
    QVERIFY(sawWindow);
    QCOMPARE(int(g.t.Doc().Count()), 48);
    QCOMPARE(g.t.Doc().FileName(), std::string());
    QVERIFY(g.t.Doc().IsChanged());
    QCOMPARE(page->CurrentMode(), int(CPage1::kModeImport));
    QCOMPARE(FindChild<QLabel>(*page, "statusLine")->text(),
             A("48 products imported. Press NEXT to continue."));
    QVERIFY(FindChild<QRadioButton>(*page, "importRadio")->isChecked());
    QVERIFY(g.t.m_ui.Done());
}

// OK asks the save-changes question of an edited feed; Cancel keeps the feed as it was.
void ImportWindowTest::unsavedEditsAreAskedForAfterOk() {
    ImportGui g;
    CMainPropertySheet sheet(g.t.Gui(), false);
    sheet.show();
    g.t.Doc().AddOrReplaceRecord(COtherRecord());
    g.t.Doc().MarkChanged();
    g.t.m_ui.ExpectOpenFile(kCsvFilter, kShopify);
    g.t.m_ui.ExpectMessage(
        A("Yarvelin"),
        A("This data in this file has changed. \nDo you want to save the changes you made to this file?"),
        MsgIcon::Question, MsgButtons::YesNoCancel, MsgAnswer::Cancel);
    QTimer::singleShot(0, [] {
        if (auto* dlg = qobject_cast<CImportDlg*>(QApplication::activeModalWidget())) {
            SetBase(*dlg);
            QTest::mouseClick(FindChild<QPushButton>(*dlg, "okButton"), Qt::LeftButton);
        }
    });
    QTest::mouseClick(FindChild<QRadioButton>(*sheet.StartPage(), "importRadio"), Qt::LeftButton);
    QVERIFY(g.t.m_ui.Done());
    QCOMPARE(int(g.t.Doc().Count()), 1);
    QVERIFY(g.t.Doc().IsChanged());
    QVERIFY(FindChild<QRadioButton>(*sheet.StartPage(), "newFileRadio")->isChecked());
}

QTEST_MAIN(ImportWindowTest)
#include "import_window_test.moc"

#include <QCheckBox>
#include <QFont>
#include <QHeaderView>
#include <QPushButton>
#include <QTableView>
#include <QtTest>

#include "dialogs/summary_dlg.h"
#include "dialogs/summary_table_model.h"
#include "platform/text_codec.h"
#include "support/test_gui.h"
#include "support/widget_lookup.h"

using namespace yarvelin;

namespace {

COtherRecord Product(const char* name, const char* deleteMark, const char* price = "1.00",
                     const char* currency = "USD") {
    COtherRecord r;
    r.SetField(kColName, name);
    r.SetField(kColPrice, price);
    r.SetField(kColCurrency, currency);
    r.SetField(kColDelete, deleteMark);
    r.SetField(kColDescription, std::string("About ") + name);
    r.SetField(kColUpc, std::string("UPC-") + name);
    return r;
}

QStringList HeaderTitles(const QAbstractItemModel& model) {
    QStringList titles;
    for (int c = 0; c < model.columnCount(); ++c) {
        titles << model.headerData(c, Qt::Horizontal).toString();
    }
    return titles;
}

QStringList Column(const QAbstractItemModel& model, int column) {
    QStringList cells;
    for (int r = 0; r < model.rowCount(); ++r) {
        cells << model.index(r, column).data().toString();
    }
    return cells;
}

QCheckBox* Check(QWidget& dlg, const char* name) {
    auto* box = dlg.findChild<QCheckBox*>(QString::fromLatin1(name));
    Q_ASSERT(box);
    return box;
}

}  // namespace

class SummaryTest : public QObject {
    Q_OBJECT
  private slots:
    void columnGroups_data();
    void columnGroups();
    void deletedRowsHiddenAndNumberedAsInTheList();
    void cellTextsAndPrice();
    void widthsFillTheList();
    void everyOpeningStartsFromTheDefaults();
};

void SummaryTest::columnGroups_data() {
    QTest::addColumn<bool>("basic");
    QTest::addColumn<bool>("common");
    QTest::addColumn<bool>("all");
    QTest::addColumn<QStringList>("titles");
    const QStringList always{QStringLiteral("#"), QStringLiteral("Name")};
    const QStringList basic{QStringLiteral("Price"), QStringLiteral("Description"),
                            QStringLiteral("Product URL"), QStringLiteral("Image URL"),
                            QStringLiteral("Category")};
    const QStringList common{QStringLiteral("Shipping"), QStringLiteral("Expiry Date"),
                             QStringLiteral("Manu ID"), QStringLiteral("Product ID")};
    const QStringList all{QStringLiteral("Brand"),    QStringLiteral("Color"),    QStringLiteral("Size"),
                          QStringLiteral("In-stock"), QStringLiteral("Quantity"), QStringLiteral("UPC")};
    QTest::newRow("opening") << true << true << false << always + basic + common;
    QTest::newRow("none") << false << false << false << always;
    QTest::newRow("all extended alone") << false << false << true << always + all;
    QTest::newRow("every group") << true << true << true << always + basic + common + all;
    QTest::newRow("basic and all") << true << false << true << always + basic + all;
}

void SummaryTest::columnGroups() {
    QFETCH(bool, basic);
    QFETCH(bool, common);
    QFETCH(bool, all);
    QFETCH(QStringList, titles);
    CTestGui t;
    t.Doc().AddOrReplaceRecord(Product("Lamp", ""));
    CSummaryDlg dlg(t.Gui());
    // Click only the boxes that must change, as a user would.
    if (!basic)
        Check(dlg, "basicFieldsCheck")->click();
    if (!common)
        Check(dlg, "commonExtendedCheck")->click();
    if (all)
        Check(dlg, "allExtendedCheck")->click();
    QCOMPARE(HeaderTitles(*dlg.Table()->model()), titles);
    QCOMPARE(dlg.Table()->model()->rowCount(), 1);
}

void SummaryTest::deletedRowsHiddenAndNumberedAsInTheList() {
    CTestGui t;
    for (const auto& [name, mark] : std::initializer_list<std::pair<const char*, const char*>>{{"A", ""},
                                                                                               {"B", "y"},
                                                                                               {"C", "N"},
                                                                                               {"D", "yes"},
                                                                                               {"E", "YeS"},
                                                                                               {"F", ""},
                                                                                               {"G", "Y"},
                                                                                               {"H", "no"}}) {
        t.Doc().AddOrReplaceRecord(Product(name, mark));
    }
    CSummaryDlg dlg(t.Gui());
    const QAbstractItemModel& model = *dlg.Table()->model();
    QCOMPARE(Column(model, 1), (QStringList{QStringLiteral("A"), QStringLiteral("C"), QStringLiteral("F"),
                                            QStringLiteral("H")}));
    // The product list's numbers: each product's place in the feed.
    QCOMPARE(Column(model, 0), (QStringList{QStringLiteral("1"), QStringLiteral("3"), QStringLiteral("6"),
                                            QStringLiteral("8")}));
    dlg.show();
    QVERIFY(SaveScreenshot(dlg, QStringLiteral("summary_marked_hidden.png")));

    for (int row = 0; row < 4; ++row) {
        QVERIFY(!model.index(row, 1).data(Qt::ForegroundRole).isValid());
    }
    Check(dlg, "includeDeletedCheck")->click();
    QCOMPARE(model.rowCount(), 8);
    QCOMPARE(model.index(7, 0).data().toString(), QStringLiteral("8"));
    QCOMPARE(model.index(1, 1).data().toString(), QStringLiteral("B"));
    // Only the rows marked for removal (B, D, E, G) look apart.
    QString marked;
    for (int row = 0; row < 8; ++row) {
        const bool apart = model.index(row, 1).data(Qt::ForegroundRole).isValid() &&
                           model.index(row, 0).data(Qt::FontRole).value<QFont>().italic();
        marked += apart ? QLatin1Char('x') : QLatin1Char('.');
    }
    QCOMPARE(marked, QStringLiteral(".x.xx.x."));

    // Changing a group keeps the deleted-items choice.
    Check(dlg, "basicFieldsCheck")->click();
    QCOMPARE(model.rowCount(), 8);
    Check(dlg, "includeDeletedCheck")->click();
    QCOMPARE(model.rowCount(), 4);
    QVERIFY(t.m_ui.Done());
}

void SummaryTest::cellTextsAndPrice() {
    CTestGui t;
    COtherRecord dollars = Product("Desk \x96 oak", "", "12.50", "USD");
    dollars.SetField(kColProductUrl, "http://shop.example/desk");
    dollars.SetField(kColShipping, "4.00");
    dollars.SetField(kColExpDate, "200312311800");
    t.Doc().AddOrReplaceRecord(dollars);
    t.Doc().AddOrReplaceRecord(Product("Chair", "", "3.00", "usd"));
    t.Doc().AddOrReplaceRecord(Product("Stool", "", "7.25", "EUR"));
    CSummaryDlg dlg(t.Gui());
    Check(dlg, "allExtendedCheck")->click();
    const QAbstractItemModel& model = *dlg.Table()->model();
    const QStringList titles = HeaderTitles(model);
    const auto cell = [&](int row, const char* title) {
        return model.index(row, static_cast<int>(titles.indexOf(QString::fromLatin1(title))))
            .data()
            .toString();
    };
    QCOMPARE(cell(0, "Name"), A("Desk \x96 oak"));
    QCOMPARE(cell(0, "Price"), QStringLiteral("$12.50"));
    QCOMPARE(cell(1, "Price"), QStringLiteral("3.00 usd"));
    QCOMPARE(cell(2, "Price"), QStringLiteral("7.25 EUR"));
    QCOMPARE(cell(0, "Product URL"), QStringLiteral("http://shop.example/desk"));
    QCOMPARE(cell(0, "Shipping"), QStringLiteral("4.00"));
    QCOMPARE(cell(0, "Expiry Date"), QStringLiteral("200312311800"));
    QCOMPARE(cell(1, "UPC"), QStringLiteral("UPC-Chair"));
    const int priceColumn = static_cast<int>(titles.indexOf(QStringLiteral("Price")));
    QVERIFY(model.index(0, priceColumn).data(Qt::TextAlignmentRole).value<Qt::Alignment>() & Qt::AlignRight);
    QVERIFY(model.index(0, 1).data(Qt::TextAlignmentRole).value<Qt::Alignment>() & Qt::AlignLeft);
}

void SummaryTest::widthsFillTheList() {
    CTestGui t;
    t.Doc().AddOrReplaceRecord(Product("Lamp", ""));
    CSummaryDlg dlg(t.Gui());
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    const int unit = (dlg.Table()->viewport()->width() - 25) / 10;
    QHeaderView* header = dlg.Table()->horizontalHeader();
    const QList<int> expected{25,       2 * unit, unit, 3 * unit, 2 * unit, 2 * unit,
                              2 * unit, unit,     unit, unit,     unit};
    QList<int> actual;
    for (int c = 0; c < header->count(); ++c) {
        actual << header->sectionSize(c);
    }
    QCOMPARE(actual, expected);
}

void SummaryTest::everyOpeningStartsFromTheDefaults() {
    CTestGui t;
    {
        CSummaryDlg first(t.Gui());
        Check(first, "basicFieldsCheck")->click();
        Check(first, "allExtendedCheck")->click();
        Check(first, "includeDeletedCheck")->click();
    }
    CSummaryDlg second(t.Gui());
    QVERIFY(Check(second, "basicFieldsCheck")->isChecked());
    QVERIFY(Check(second, "commonExtendedCheck")->isChecked());
    QVERIFY(!Check(second, "allExtendedCheck")->isChecked());
    QVERIFY(!Check(second, "includeDeletedCheck")->isChecked());
    QCOMPARE(second.windowTitle(), QStringLiteral("Product Information - Summary "));

    // Close (and Escape) end the modal run.
    QTimer::singleShot(0, &second,
                       [&second] { second.findChild<QPushButton*>(QStringLiteral("closeButton"))->click(); });
    second.exec();
    QVERIFY(!second.isVisible());
}

QTEST_MAIN(SummaryTest)
#include "summary_test.moc"

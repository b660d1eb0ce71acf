// The product list's filter box, header clicks, Set column, Find and replace and Ctrl+Z as the page wires
// them; the rules themselves are tested in the core's unit tests.
#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QtTest>

#include "app/settings_names.h"
#include "dialogs/find_replace_dlg.h"
#include "dialogs/set_column_dlg.h"
#include "pages/product_list_page.h"
#include "pages/product_table_model.h"
#include "platform/text_codec.h"
#include "support/test_gui.h"

using namespace yarvelin;

namespace {

void AddProducts(CFeedDocument& doc, std::initializer_list<std::pair<const char*, const char*>> products) {
    int i = 0;
    for (const auto& [name, price] : products) {
        COtherRecord r;
        r.SetField(kColName, name);
        r.SetField(kColPrice, price);
        r.SetField(kColOfferId, "id" + std::to_string(i++));
        r.data_checked = true;
        doc.AddOrReplaceRecord(r);
    }
    doc.MarkSaved();
}

QString Column(const CPage3& page, int column) {
    QStringList cells;
    for (int r = 0; r < page.Model()->rowCount(); ++r) {
        cells << page.Model()->index(r, column).data().toString();
    }
    return cells.join(QLatin1Char(','));
}

QString Names(const CFeedDocument& doc) {
    QStringList names;
    for (const COtherRecord& r : doc.Records()) {
        names << FromCp1252(std::string(r.Field(kColName)));
    }
    return names.join(QLatin1Char(','));
}

struct ShownPage {
    explicit ShownPage(CTestGui& t) : page(t.Gui()) {
        page.resize(760, 460);
        page.show();
        QVERIFY(QTest::qWaitForWindowExposed(&page));
        QApplication::setActiveWindow(&page);
        QVERIFY(QTest::qWaitForWindowActive(&page));
        page.OnSetActive();
    }
    CPage3 page;
};

void ClickHeader(CPage3& page, int column) {
    QHeaderView* header = page.Table()->horizontalHeader();
    const QPoint at(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                    header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier, at);
}

}  // namespace

class ProductGridPageTest : public QObject {
    Q_OBJECT
  private slots:
    void filterBoxShowsWhatMatchesAndCommandsActOnIt();
    void headerClicksOrderTheList();
    void setColumnAndFindReplaceWithUndo();
};

void ProductGridPageTest::filterBoxShowsWhatMatchesAndCommandsActOnIt() {
    CTestGui t;
    settings::kDontShowDelete.Write(t.m_store, "T");
    settings::kDontShowDeleteValue.Write(t.m_store, 1);
    AddProducts(t.Doc(), {{"Red Rose", "5.00"}, {"Lily", "3.00"}, {"Rose white", "4.00"}, {"Tulip", "2.00"}});
    ShownPage sp(t);
    CPage3& page = sp.page;

    // Ctrl+F comes to the box from the list.
    page.Table()->setFocus();
    QTest::keyClick(page.Table(), Qt::Key_F, Qt::ControlModifier);
    QCOMPARE(QApplication::focusWidget(), page.FilterBox());
    QTest::keyClicks(page.FilterBox(), QStringLiteral("rose"));
    QCOMPARE(Column(page, kListName), QStringLiteral("Red Rose,Rose white"));
    QCOMPARE(Column(page, kListNumber), QStringLiteral("1,3"));  // the products' own numbers
    QCOMPARE(page.StatusText()->text(), QStringLiteral("2 of 4 products shown"));

    // Every row shown selected: Mark Deleted and Remove touch those two only.
    page.SelectAllRows();
    QCOMPARE(page.SelectedRows(), (std::vector<std::size_t>{0, 2}));
    page.OnMarkDeleted();
    QCOMPARE(t.Doc().At(1).IsMarkedDeleted(), false);
    QCOMPARE(t.Doc().At(2).IsMarkedDeleted(), true);
    page.OnRemove();
    QCOMPARE(Names(t.Doc()), QStringLiteral("Lily,Tulip"));
    QCOMPARE(page.Model()->rowCount(), 0);

    // Ctrl+Z on the list brings them back in their places.
    page.Table()->setFocus();
    QTest::keyClick(page.Table(), Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(Names(t.Doc()), QStringLiteral("Red Rose,Lily,Rose white,Tulip"));
    QCOMPARE(page.StatusText()->text(), QStringLiteral("Undone: Remove 2 products."));

    // Escape clears the box and the whole list is back; a second Escape is the wizard's again.
    QTest::keyClick(page.FilterBox(), Qt::Key_Escape);
    QVERIFY(page.FilterBox()->text().isEmpty());
    QCOMPARE(page.Model()->rowCount(), 4);
    QVERIFY(page.StatusText()->text().isEmpty());

    // A filter that cannot be read says why and shows nothing.
    page.FilterBox()->setText(QStringLiteral("code:nonsense"));
    QCOMPARE(page.Model()->rowCount(), 0);
    QCOMPARE(page.StatusText()->text(), QStringLiteral("There is no diagnostic code \"nonsense\"."));
    // These products have no addresses: every one has that finding, none has a bad price.
    page.FilterBox()->setText(QStringLiteral("code:required-missing"));
    QCOMPARE(page.Model()->rowCount(), 4);
    page.FilterBox()->setText(QStringLiteral("code:price-invalid"));
    QCOMPARE(page.Model()->rowCount(), 0);
    QVERIFY(t.m_ui.Done());
}

void ProductGridPageTest::headerClicksOrderTheList() {
    CTestGui t;
    AddProducts(t.Doc(), {{"b", "10.00"}, {"a", "9.00"}, {"c", ""}, {"d", "100.00"}});
    ShownPage sp(t);
    CPage3& page = sp.page;
    page.SelectRows({1});

    ClickHeader(page, kListPrice);
    QCOMPARE(Column(page, kListName), QStringLiteral("a,b,d,c"));
    QCOMPARE(page.SelectedRows(), (std::vector<std::size_t>{1}));  // the same product stays selected
    ClickHeader(page, kListPrice);
    QCOMPARE(Column(page, kListName), QStringLiteral("d,b,a,c"));
    QCOMPARE(page.Table()->horizontalHeader()->sortIndicatorOrder(), Qt::DescendingOrder);
    ClickHeader(page, kListPrice);
    QCOMPARE(Column(page, kListName), QStringLiteral("b,a,c,d"));
    QVERIFY(!page.Table()->horizontalHeader()->isSortIndicatorShown());

    // The order stays over an edit; the feed itself keeps its order.
    ClickHeader(page, kListName);
    page.SetEditorRunner([&](std::optional<std::size_t> position) {
        COtherRecord r(t.Doc().At(*position));
        r.SetField(kColName, "e");
        t.Doc().AddOrReplaceRecord(r, position);
        return true;
    });
    page.SelectRows({1});
    page.OnEdit();
    QCOMPARE(Column(page, kListName), QStringLiteral("b,c,d,e"));
    QCOMPARE(Names(t.Doc()), QStringLiteral("b,e,c,d"));
    QCOMPARE(page.SelectedRows(), (std::vector<std::size_t>{1}));
}

void ProductGridPageTest::setColumnAndFindReplaceWithUndo() {
    CTestGui t;
    AddProducts(t.Doc(), {{"Red rose", "10.00"}, {"Lily", "20.00"}, {"White rose", "30.00"}});
    ShownPage sp(t);
    CPage3& page = sp.page;
    page.SelectRows({0, 2});
    page.UpdateButtonStates();
    QVERIFY(page.SetColumnButton()->isEnabled());

    // A refused value is named with its product and the window stays open; a good one is stored.
    int shown = 0;
    page.SetBulkDialogRunner([&](QDialog& window) {
        auto& dlg = dynamic_cast<CSetColumnDlg&>(window);
        ++shown;
        dlg.ColumnBox()->setCurrentIndex(dlg.ColumnBox()->findText(QStringLiteral("price")));
        dlg.ValueBox()->setText(QStringLiteral("-50"));
        dlg.accept();
        if (dlg.result() == QDialog::Accepted) {
            return int(QDialog::Accepted);
        }
        dlg.ValueBox()->setText(QStringLiteral("+10%"));
        dlg.accept();
        return dlg.result();
    });
    t.m_ui.ExpectMessage(QStringLiteral("Yarvelin"),
                         QStringLiteral("Product 1, column price:\nPlease enter a number of 0 or more."),
                         MsgIcon::Exclamation, MsgButtons::Ok, MsgAnswer::Ok);
    page.OnSetColumn();
    QCOMPARE(shown, 1);
    QCOMPARE(Column(page, kListPrice), QStringLiteral("11.00,20.00,33.00"));
    QCOMPARE(Column(page, kListDataCheck), QStringLiteral("Unverified,Yes, All OK,Unverified"));
    QCOMPARE(page.StatusText()->text(), QStringLiteral("Set price on 2 products. Ctrl+Z takes it back."));
    QCOMPARE(page.SelectedRows(), (std::vector<std::size_t>{0, 2}));

    page.SetBulkDialogRunner([&](QDialog& window) {
        auto& dlg = dynamic_cast<CFindReplaceDlg&>(window);
        dlg.FindBox()->setText(QStringLiteral("ROSE"));
        dlg.ReplaceBox()->setText(QStringLiteral("tulip"));
        dlg.UpdatePreview();
        if (dlg.PreviewLabel()->text() != QStringLiteral("2 replacement(s) in 2 product(s).")) {
            return int(QDialog::Rejected);
        }
        dlg.accept();
        return dlg.result();
    });
    page.OnFindReplace();
    QCOMPARE(Names(t.Doc()), QStringLiteral("Red tulip,Lily,White tulip"));

    // Ctrl+Z takes back one step after the other.
    page.OnUndo();
    QCOMPARE(Names(t.Doc()), QStringLiteral("Red rose,Lily,White rose"));
    page.OnUndo();
    QCOMPARE(Column(page, kListPrice), QStringLiteral("10.00,20.00,30.00"));
    QCOMPARE(Column(page, kListDataCheck), QStringLiteral("Yes, All OK,Yes, All OK,Yes, All OK"));
    page.OnUndo();
    QCOMPARE(page.StatusText()->text(), QStringLiteral("There is nothing to undo."));
    QVERIFY(t.Doc().IsChanged());
    QVERIFY(t.m_ui.Done());
}

QTEST_MAIN(ProductGridPageTest)
#include "product_grid_page_test.moc"

#include <QApplication>
#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QtTest>

#include "app/main_property_sheet.h"
#include "app/settings_names.h"
#include "checks/url_check_dlg.h"
#include "dialogs/delete_warning_dlg.h"
#include "dialogs/product_editor_dlg.h"
#include "dialogs/summary_dlg.h"
#include "pages/product_list_page.h"
#include "pages/product_table_model.h"
#include "platform/text_codec.h"
#include "support/test_gui.h"
#include "support/widget_lookup.h"

using namespace yarvelin;

namespace {

const char* const kSelectionButtons[] = {"editButton",      "markDeletedButton", "unmarkButton",
                                         "removeButton",    "removeAllButton",   "verifyUrlsButton",
                                         "verifyDataButton"};

void AddProducts(CFeedDocument& doc, const QString& names) {
    for (const QString& name : names.split(QLatin1Char(','))) {
        COtherRecord r;
        r.SetField(kColName, ToCp1252(name));
        r.SetField(kColPrice, "9.99");
        r.SetField(kColCurrency, "USD");
        doc.AddOrReplaceRecord(r);
    }
    doc.MarkSaved();  // as it stands after opening its file
}

QString Names(const CFeedDocument& doc) {
    QStringList names;
    for (const COtherRecord& r : doc.Records()) {
        names << FromCp1252(r.Field(kColName));
    }
    return names.join(QLatin1Char(','));
}

// The enabled selection-dependent buttons as a string of 0/1, in the order of kSelectionButtons.
QString EnabledPattern(const CPage3& page) {
    QString pattern;
    for (const char* name : kSelectionButtons) {
        pattern += page.findChild<QPushButton*>(QString::fromLatin1(name))->isEnabled() ? QLatin1Char('1')
                                                                                        : QLatin1Char('0');
    }
    return pattern;
}

QPushButton* Button(const CPage3& page, const char* name) {
    auto* b = page.findChild<QPushButton*>(QString::fromLatin1(name));
    Q_ASSERT(b);
    return b;
}

QPoint RowCenter(const CPage3& page, int row) {
    return page.Table()->visualRect(page.Model()->index(row, 1)).center();
}

void ClickRow(CPage3& page, int row, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::mouseClick(page.Table()->viewport(), Qt::LeftButton, modifiers, RowCenter(page, row));
}

QStringList MarkedColumn(const CPage3& page) {
    QStringList cells;
    for (int r = 0; r < page.Model()->rowCount(); ++r) {
        cells << page.Model()->index(r, kListMarked).data().toString();
    }
    return cells;
}

std::vector<std::size_t> Rows(std::initializer_list<std::size_t> rows) {
    return rows;
}

// A page on screen, activated, as the sheet would show it.
struct ShownPage {
    explicit ShownPage(CTestGui& t) : page(t.Gui()) {
        page.resize(760, 420);
        page.show();
        QVERIFY(QTest::qWaitForWindowExposed(&page));
        page.OnSetActive();
    }
    CPage3 page;
};

// Answers the delete warning when it comes up: ticks the box if asked, then Yes or No.
void AnswerDeleteWarning(bool tick, bool yes, bool* seen) {
    QTimer::singleShot(0, [=] {
        auto* dlg = qobject_cast<CDeleteWarningDlg*>(QApplication::activeModalWidget());
        if (!dlg) {
            return;
        }
        *seen = true;
        SaveScreenshot(*dlg, QStringLiteral("delete_warning.png"));
        if (tick) {
            dlg->findChild<QCheckBox*>(QStringLiteral("dontShowCheck"))->click();
        }
        dlg->findChild<QPushButton*>(yes ? QStringLiteral("yesButton") : QStringLiteral("noButton"))->click();
    });
}

}  // namespace

class ProductListPageTest : public QObject {
    Q_OBJECT
  private slots:
    void buttonStatesFollowClicksAndActivation();
    void columnsAndCells();
    void markAndUnmarkNonAdjacentRows();
    void removeWithDeleteWarning_data();
    void removeWithDeleteWarning();
    void removeAllAsksFirst_data();
    void removeAllAsksFirst();
    void removeAllSaysWhatTheFilterHides();
    void newAndEditThroughTheEditor();
    void runsTheRealEditor();
    void acceleratorsRunTheCommands();
    void listHasTheFirstFocusAndCtrlFWorksFromTheWizardButtons();
    void rebuildAndSelectAllForTheChecks();
    void viewAllAndOptionsOpenTheirDialogs();
    void verifyButtonsRunTheChecks();
};

void ProductListPageTest::buttonStatesFollowClicksAndActivation() {
    CTestGui t;
    ShownPage shown(t);
    CPage3& page = shown.page;
    // Empty feed: the seven are off; New, View All and Options stay on.
    QCOMPARE(EnabledPattern(page), QStringLiteral("0000000"));
    for (const char* name : {"newButton", "viewAllButton", "optionsButton"}) {
        QVERIFY(Button(page, name)->isEnabled());
    }

    AddProducts(t.Doc(), QStringLiteral("a,b,c"));
    page.OnSetActive();
    QCOMPARE(EnabledPattern(page), QStringLiteral("0000111"));

    ClickRow(page, 1);
    QCOMPARE(EnabledPattern(page), QStringLiteral("1111111"));

    // Keyboard selection alone leaves the buttons until the next click or activation.
    page.Table()->setFocus();
    QTest::keyClick(page.Table(), Qt::Key_Space, Qt::ControlModifier);
    QVERIFY(!page.Table()->selectionModel()->hasSelection());
    QCOMPARE(EnabledPattern(page), QStringLiteral("1111111"));
    page.OnSetActive();
    QCOMPARE(EnabledPattern(page), QStringLiteral("0000111"));

    // A click below the last row clears the selection and the buttons follow.
    ClickRow(page, 0);
    QTest::mouseClick(page.Table()->viewport(), Qt::LeftButton, Qt::NoModifier,
                      QPoint(20, page.Table()->viewport()->height() - 5));
    QCOMPARE(EnabledPattern(page), QStringLiteral("0000111"));
    QVERIFY(t.m_ui.Done());
}

void ProductListPageTest::columnsAndCells() {
    CTestGui t;
    COtherRecord r;
    r.SetField(kColName, "Caf\xe9 \x93Noir\x94 mug");
    r.SetField(kColPrice, "4.50");
    r.SetField(kColCurrency, "usd");
    r.SetField(kColDelete, "N");
    r.data_checked = true;
    r.urls_checked = true;
    r.product_url_ok = true;
    t.Doc().AddOrReplaceRecord(r);
    ShownPage shown(t);
    const CProductTableModel& model = *shown.page.Model();
    QStringList titles;
    QStringList cells;
    for (int c = 0; c < model.columnCount(); ++c) {
        titles << model.headerData(c, Qt::Horizontal).toString();
        cells << model.index(0, c).data().toString();
    }
    QCOMPARE(titles, (QStringList{QStringLiteral("#"), QStringLiteral("Name"), QStringLiteral("Price"),
                                  QStringLiteral("Data Check"), QStringLiteral("URLs Check"),
                                  QStringLiteral("Marked")}));
    QCOMPARE(cells, (QStringList{QStringLiteral("1"), QString::fromUtf8("Caf\u00e9 \u201cNoir\u201d mug"),
                                 QStringLiteral("4.50 usd"), QStringLiteral("Yes, All OK"),
                                 QStringLiteral("Err:Img Url"), QStringLiteral("DELETE")}));
    // The six columns fill the list.
    QHeaderView* header = shown.page.Table()->horizontalHeader();
    const int unit = (shown.page.Table()->viewport()->width() - 25) / 7;
    QCOMPARE(header->sectionSize(0), 25);
    QCOMPARE(header->sectionSize(1), 3 * unit);
    QCOMPARE(header->sectionSize(5), unit);
}

void ProductListPageTest::markAndUnmarkNonAdjacentRows() {
    CTestGui t;
    AddProducts(t.Doc(), QStringLiteral("a,b,c,d,e,f"));
    ShownPage shown(t);
    CPage3& page = shown.page;
    ClickRow(page, 0);
    ClickRow(page, 2, Qt::ControlModifier);
    ClickRow(page, 5, Qt::ControlModifier);
    QCOMPARE(page.SelectedRows(), Rows({0, 2, 5}));

    QTest::mouseClick(Button(page, "markDeletedButton"), Qt::LeftButton);
    const QString del = QStringLiteral("DELETE");
    QCOMPARE(MarkedColumn(page), (QStringList{del, {}, del, {}, {}, del}));
    QCOMPARE(page.SelectedRows(), Rows({0, 2, 5}));
    QVERIFY(t.Doc().IsChanged());
    QCOMPARE(std::string(t.Doc().At(2).Field(kColDelete)), std::string("Y"));

    // Un-mark two of them, one of which was never marked.
    t.Doc().MarkSaved();
    ClickRow(page, 2);
    ClickRow(page, 3, Qt::ControlModifier);
    QTest::mouseClick(Button(page, "unmarkButton"), Qt::LeftButton);
    QCOMPARE(MarkedColumn(page), (QStringList{del, {}, {}, {}, {}, del}));
    QCOMPARE(page.SelectedRows(), Rows({2, 3}));
    QVERIFY(t.Doc().IsChanged());
    QCOMPARE(Names(t.Doc()), QStringLiteral("a,b,c,d,e,f"));
}

void ProductListPageTest::removeWithDeleteWarning_data() {
    QTest::addColumn<QString>("flag");  // empty: nothing stored yet
    QTest::addColumn<int>("value");
    QTest::addColumn<bool>("shown");
    QTest::addColumn<bool>("tick");
    QTest::addColumn<bool>("yes");
    QTest::addColumn<QString>("left");
    QTest::addColumn<QString>("storedFlag");
    QTest::addColumn<int>("storedValue");
    QTest::newRow("first time, yes") << QString() << 0 << true << false << true << "a,c,e"
                                     << "F" << 1;
    QTest::newRow("first time, no") << QString() << 0 << true << false << false << "a,b,c,d,e"
                                    << "F" << 2;
    QTest::newRow("tick and no") << "F" << 1 << true << true << false << "a,b,c,d,e"
                                 << "T" << 2;
    QTest::newRow("tick and yes") << "F" << 2 << true << true << true << "a,c,e"
                                  << "T" << 1;
    QTest::newRow("remembered no") << "T" << 2 << false << false << false << "a,b,c,d,e"
                                   << "T" << 2;
    QTest::newRow("remembered yes") << "T" << 1 << false << false << false << "a,c,e"
                                    << "T" << 1;
    // Anything but exactly "F" means: do not ask.
    QTest::newRow("lower-case f") << "f" << 1 << false << false << false << "a,c,e"
                                  << "f" << 1;
}

void ProductListPageTest::removeWithDeleteWarning() {
    QFETCH(QString, flag);
    QFETCH(int, value);
    QFETCH(bool, shown);
    QFETCH(bool, tick);
    QFETCH(bool, yes);
    QFETCH(QString, left);
    QFETCH(QString, storedFlag);
    QFETCH(int, storedValue);
    CTestGui t;
    if (!flag.isEmpty()) {
        settings::kDontShowDelete.Write(t.m_store, ToCp1252(flag));
        settings::kDontShowDeleteValue.Write(t.m_store, value);
    }
    AddProducts(t.Doc(), QStringLiteral("a,b,c,d,e"));
    ShownPage sp(t);
    CPage3& page = sp.page;
    ClickRow(page, 1);
    ClickRow(page, 3, Qt::ControlModifier);
    bool seen = false;
    AnswerDeleteWarning(tick, yes, &seen);
    QTest::mouseClick(Button(page, "removeButton"), Qt::LeftButton);
    QCOMPARE(seen, shown);
    QCOMPARE(Names(t.Doc()), left);
    QCOMPARE(page.Model()->rowCount(), static_cast<int>(t.Doc().Count()));
    QCOMPARE(t.Doc().IsChanged(), left != QStringLiteral("a,b,c,d,e"));
    QCOMPARE(FromCp1252(
                 t.m_store.GetString(settings::kDontShowDelete.section, settings::kDontShowDelete.name, "")),
             storedFlag);
    QCOMPARE(t.m_store.GetInt(settings::kDontShowDeleteValue.section, settings::kDontShowDeleteValue.name, 0),
             storedValue);
    if (left != QStringLiteral("a,b,c,d,e")) {
        // Nothing is selected after a removal.
        QCOMPARE(EnabledPattern(page), QStringLiteral("0000111"));
    }
    QTimer::singleShot(0, [] {});  // drain a warning answerer that found nothing to answer
    QTest::qWait(1);
}

void ProductListPageTest::removeAllAsksFirst_data() {
    QTest::addColumn<int>("answer");
    QTest::addColumn<int>("left");
    QTest::newRow("yes") << static_cast<int>(MsgAnswer::Yes) << 0;
    QTest::newRow("no") << static_cast<int>(MsgAnswer::No) << 3;
    QTest::newRow("cancel") << static_cast<int>(MsgAnswer::Cancel) << 3;
}

void ProductListPageTest::removeAllAsksFirst() {
    QFETCH(int, answer);
    QFETCH(int, left);
    CTestGui t;
    AddProducts(t.Doc(), QStringLiteral("a,b,c"));
    ShownPage sp(t);
    t.m_ui.ExpectMessage(
        A("Yarvelin"),
        A("This will remove all the records in your file.\nAre you sure you want to delete all records?"),
        MsgIcon::Question, MsgButtons::YesNoCancelDefaultNo, static_cast<MsgAnswer>(answer));
    QTest::mouseClick(Button(sp.page, "removeAllButton"), Qt::LeftButton);
    QVERIFY2(t.m_ui.Done(), qPrintable(t.m_ui.Failure()));
    QCOMPARE(static_cast<int>(t.Doc().Count()), left);
    QCOMPARE(sp.page.Model()->rowCount(), left);
    QCOMPARE(t.Doc().IsChanged(), left == 0);
    QCOMPARE(EnabledPattern(sp.page), left == 0 ? QStringLiteral("0000000") : QStringLiteral("0000111"));

    // On an empty list Remove All asks nothing; Ctrl+Z brings every product back.
    if (left == 0) {
        sp.page.OnRemoveAll();
        QVERIFY(t.m_ui.Done());
        sp.page.OnUndo();
        QCOMPARE(sp.page.Model()->rowCount(), 3);
    }
}

void ProductListPageTest::removeAllSaysWhatTheFilterHides() {
    CTestGui t;
    AddProducts(t.Doc(), QStringLiteral("rose,tulip,lily"));
    ShownPage sp(t);
    sp.page.FilterBox()->setText(QStringLiteral("rose"));
    QCOMPARE(sp.page.Model()->rowCount(), 1);
    t.m_ui.ExpectMessage(
        A("Yarvelin"),
        A("This will remove all the records in your file.\nAre you sure you want to delete all records?\n\n"
          "2 of the 3 records are hidden by the filter and will be removed too."),
        MsgIcon::Question, MsgButtons::YesNoCancelDefaultNo, MsgAnswer::Yes);
    sp.page.OnRemoveAll();
    QVERIFY2(t.m_ui.Done(), qPrintable(t.m_ui.Failure()));
    QCOMPARE(t.Doc().Count(), std::size_t{0});
}

void ProductListPageTest::newAndEditThroughTheEditor() {
    CTestGui t;
    AddProducts(t.Doc(), QStringLiteral("a,b,c"));
    ShownPage sp(t);
    CPage3& page = sp.page;
    bool store = false;
    std::vector<std::optional<std::size_t>> calls;
    page.SetEditorRunner([&](std::optional<std::size_t> position) {
        calls.push_back(position);
        if (store) {
            COtherRecord r;
            r.SetField(kColName, position ? "edited" : "new");
            t.Doc().AddOrReplaceRecord(r, position);
        }
        return store;
    });

    // New, cancelled: nothing added, nothing changed.
    ClickRow(page, 1);
    QTest::mouseClick(Button(page, "newButton"), Qt::LeftButton);
    QCOMPARE(t.Doc().Count(), std::size_t{3});
    QVERIFY(!t.Doc().IsChanged());
    QCOMPARE(page.SelectedRows(), Rows({1}));

    // New, stored: the new last row is selected.
    store = true;
    QTest::mouseClick(Button(page, "newButton"), Qt::LeftButton);
    QCOMPARE(page.Model()->rowCount(), 4);
    QCOMPARE(page.SelectedRows(), Rows({3}));
    QCOMPARE(EnabledPattern(page), QStringLiteral("1111111"));

    // Edit, cancelled: no change; the row stays selected.
    t.Doc().MarkSaved();
    store = false;
    ClickRow(page, 2);
    ClickRow(page, 0, Qt::ControlModifier);
    QTest::mouseClick(Button(page, "editButton"), Qt::LeftButton);
    QVERIFY(!t.Doc().IsChanged());
    QCOMPARE(calls.back(), std::optional<std::size_t>(0));  // the first selected row in list order

    // Edit, stored: replaced in place and selected again.
    store = true;
    ClickRow(page, 2);
    QTest::mouseDClick(page.Table()->viewport(), Qt::LeftButton, Qt::NoModifier, RowCenter(page, 2));
    QVERIFY(t.Doc().IsChanged());
    QCOMPARE(Names(t.Doc()), QStringLiteral("a,b,edited,new"));
    QCOMPARE(page.Model()->index(2, 1).data().toString(), QStringLiteral("edited"));
    QCOMPARE(page.SelectedRows(), Rows({2}));

    // Edit without a selection does not open the editor.
    const std::size_t before = calls.size();
    page.Table()->clearSelection();
    page.OnEdit();
    QCOMPARE(calls.size(), before);
}

void ProductListPageTest::runsTheRealEditor() {
    CTestGui t;
    AddProducts(t.Doc(), QStringLiteral("a,b"));
    ShownPage sp(t);
    std::optional<bool> editing;
    const auto cancelEditor = [&editing] {
        QTimer::singleShot(0, [&editing] {
            if (auto* editor = qobject_cast<CNewProductDlg*>(QApplication::activeModalWidget())) {
                editing = editor->IsEditing();
                editor->reject();
            }
        });
    };
    cancelEditor();
    QTest::mouseClick(Button(sp.page, "newButton"), Qt::LeftButton);
    QCOMPARE(editing, std::optional<bool>(false));
    QVERIFY(!t.Doc().IsChanged());  // a cancelled new product changes nothing
    QCOMPARE(t.Doc().Count(), std::size_t{2});

    t.Doc().MarkSaved();
    editing.reset();
    ClickRow(sp.page, 1);
    cancelEditor();
    QTest::mouseClick(Button(sp.page, "editButton"), Qt::LeftButton);
    QCOMPARE(editing, std::optional<bool>(true));
    QVERIFY(!t.Doc().IsChanged());
    QCOMPARE(sp.page.SelectedRows(), Rows({1}));
}

void ProductListPageTest::acceleratorsRunTheCommands() {
    CTestGui t;
    settings::kDontShowDelete.Write(t.m_store, "T");
    settings::kDontShowDeleteValue.Write(t.m_store, 1);
    AddProducts(t.Doc(), QStringLiteral("a,b,c"));
    ShownPage sp(t);
    CPage3& page = sp.page;
    QApplication::setActiveWindow(&page);
    QVERIFY(QTest::qWaitForWindowActive(&page));
    std::vector<std::optional<std::size_t>> calls;
    page.SetEditorRunner([&](std::optional<std::size_t> position) {
        calls.push_back(position);
        return false;
    });
    page.Table()->setFocus();

    QTest::keyClick(page.Table(), Qt::Key_Insert);
    ClickRow(page, 1);
    QTest::keyClick(page.Table(), Qt::Key_F2);
    QCOMPARE(calls, (std::vector<std::optional<std::size_t>>{std::nullopt, std::size_t{1}}));

    QTest::keyClick(page.Table(), Qt::Key_Delete);
    QCOMPARE(Names(t.Doc()), QStringLiteral("a,c"));
    // With the buttons in the no-selection state the keys still work, and do nothing without a selection.
    QCOMPARE(EnabledPattern(page), QStringLiteral("0000111"));
    QTest::keyClick(page.Table(), Qt::Key_Delete);
    QTest::keyClick(page.Table(), Qt::Key_F2);
    QCOMPARE(Names(t.Doc()), QStringLiteral("a,c"));
    QCOMPARE(calls.size(), std::size_t{2});
}

void ProductListPageTest::listHasTheFirstFocusAndCtrlFWorksFromTheWizardButtons() {
    CTestGui t;
    AddProducts(t.Doc(), QStringLiteral("a,b"));
    CMainPropertySheet sheet(t.Gui(), false);
    sheet.show();
    QApplication::setActiveWindow(&sheet);
    QVERIFY(QTest::qWaitForWindowActive(&sheet));
    auto* next = sheet.findChild<QPushButton*>(QStringLiteral("nextButton"));
    QVERIFY(next);
    next->setFocus();  // where a keyboard user stands after Next >
    sheet.SetActivePage(1);
    auto* page = qobject_cast<CPage3*>(sheet.Page(1));
    QCOMPARE(QApplication::focusWidget(), page->Table());
    next->setFocus();
    QTest::keyClick(next, Qt::Key_F, Qt::ControlModifier);
    QCOMPARE(QApplication::focusWidget(), page->findChild<QLineEdit*>(QStringLiteral("filterBox")));
}

void ProductListPageTest::rebuildAndSelectAllForTheChecks() {
    CTestGui t;
    AddProducts(t.Doc(), QStringLiteral("a,b,c,d"));
    ShownPage sp(t);
    CPage3& page = sp.page;
    QCOMPARE(page.VerifyDataButton()->objectName(), QStringLiteral("verifyDataButton"));
    QCOMPARE(page.VerifyUrlsButton()->objectName(), QStringLiteral("verifyUrlsButton"));
    QVERIFY(page.ProgressBar()->isHidden());
    QVERIFY(page.StatusText()->text().isEmpty());

    // What a check does after it changed the records.
    t.Doc().At(3).urls_checked = true;
    t.Doc().At(3).product_url_ok = true;
    t.Doc().At(3).image_url_ok = true;
    page.RebuildList();
    page.SelectAllRows();
    QCOMPARE(page.Model()->index(3, kListUrlsCheck).data().toString(), QStringLiteral("All OK"));
    QCOMPARE(page.SelectedRows(), Rows({0, 1, 2, 3}));

    // The table out of step with the list: rows past the end show nothing and commands skip them.
    t.Doc().At(3).removal_mark = true;
    t.Doc().RemoveMarkedRecords();
    QVERIFY(page.Model()->index(3, kListName).data().toString().isEmpty());
    page.OnMarkDeleted();
    QCOMPARE(page.Model()->rowCount(), 3);
    QCOMPARE(page.SelectedRows(), Rows({0, 1, 2}));
}

void ProductListPageTest::viewAllAndOptionsOpenTheirDialogs() {
    CTestGui t;
    AddProducts(t.Doc(), QStringLiteral("a,b"));
    ShownPage sp(t);
    ClickRow(sp.page, 1);
    QString opened;
    const auto closeModal = [&opened] {
        QTimer::singleShot(0, [&opened] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                opened = QString::fromLatin1(modal->metaObject()->className());
                qobject_cast<QDialog*>(modal)->reject();
            }
        });
    };
    closeModal();
    QTest::mouseClick(Button(sp.page, "viewAllButton"), Qt::LeftButton);
    QCOMPARE(opened, QStringLiteral("yarvelin::CSummaryDlg"));
    // Nothing on the page changes afterwards.
    QCOMPARE(sp.page.SelectedRows(), Rows({1}));
    QVERIFY(!t.Doc().IsChanged());

    opened.clear();
    t.m_ui.ExpectMessage(A("Warning: Changes Not Reflected"),
                         A("The changes that you made to the default values will not be reflected until the "
                           "next new product that you enter or edit."),
                         MsgIcon::Information, MsgButtons::Ok, MsgAnswer::Ok);
    closeModal();
    QTest::mouseClick(Button(sp.page, "optionsButton"), Qt::LeftButton);
    QCOMPARE(opened, QStringLiteral("yarvelin::COptionsSheet"));
    QVERIFY2(t.m_ui.Done(), qPrintable(t.m_ui.Failure()));
    QCOMPARE(sp.page.SelectedRows(), Rows({1}));
}

// The two check buttons run their checks and leave every row selected with the results shown.
void ProductListPageTest::verifyButtonsRunTheChecks() {
    CTestGui t;
    settings::kDontShowWhiteSpace.Write(t.m_store, "T");
    settings::kDontShowWhiteSpaceValue.Write(t.m_store, 1);
    settings::kDontShowEscape.Write(t.m_store, "T");
    settings::kDontShowEscapeValue.Write(t.m_store, 2);
    AddProducts(t.Doc(), QStringLiteral("Desk<b>Lamp,Chair"));
    ShownPage sp(t);
    CPage3& page = sp.page;
    ClickRow(page, 0);

    page.VerifyDataButton()->click();
    QCOMPARE(Names(t.Doc()), QStringLiteral("DeskLamp,Chair"));
    QVERIFY(t.Doc().IsChanged());
    QVERIFY(t.Doc().IsDataVerified());
    QCOMPARE(page.Model()->index(0, kListDataCheck).data().toString(), QStringLiteral("Yes, All OK"));
    QCOMPARE(page.SelectedRows(), Rows({0, 1}));
    QVERIFY(page.ProgressBar()->isHidden());

    // Products without addresses: the check requests nothing and marks both as failed.
    page.Table()->clearSelection();
    bool dialogSeen = false;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, &closer, [&] {
        // Close before the end is a request to stop, so wait for the check to finish (slow under sanitizers).
        auto* dlg = qobject_cast<CUrlCheckDlg*>(QApplication::activeModalWidget());
        auto* close =
            dlg && dlg->IsDone() ? dlg->findChild<QPushButton*>(QStringLiteral("closeButton")) : nullptr;
        if (close) {
            dialogSeen = true;
            close->click();
        }
    });
    closer.start(20);
    page.VerifyUrlsButton()->click();
    closer.stop();
    QVERIFY(dialogSeen);
    QVERIFY(t.Doc().At(1).urls_checked);
    QCOMPARE(page.Model()->index(1, kListUrlsCheck).data().toString(), QStringLiteral("Err:All Url"));
    QCOMPARE(page.SelectedRows(), Rows({0, 1}));
    QVERIFY2(t.m_ui.Done(), qPrintable(t.m_ui.Failure()));
}

QTEST_MAIN(ProductListPageTest)
#include "product_list_page_test.moc"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QtTest>
#include <functional>

#include "app/program_names.h"
#include "app/remembered_alert.h"
#include "app/settings_names.h"
#include "dialogs/name_dlg.h"
#include "dialogs/options_defaults_page.h"
#include "dialogs/options_parameters_page.h"
#include "dialogs/options_sheet.h"
#include "platform/text_codec.h"
#include "support/test_gui.h"

using namespace yarvelin;

namespace {

// Runs action on the next modal dialog once it is up.
void WhenModal(std::function<void(QDialog*)> action) {
    QTimer::singleShot(0, qApp, [action] {
        auto* dlg = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        QVERIFY(dlg);
        action(dlg);
    });
}

// Types a name into the name dialog and presses OK; the dialog may stay open (then it is cancelled).
void AnswerName(const QString& name) {
    WhenModal([name](QDialog* dlg) {
        QVERIFY(qobject_cast<CNameDlg*>(dlg));
        dlg->findChild<QLineEdit*>(QStringLiteral("nameEdit"))->setText(name);
        dlg->accept();
        if (dlg->isVisible()) {
            dlg->reject();
        }
    });
}

QStringList Entries(QListWidget* list) {
    QStringList out;
    for (int i = 0; i < list->count(); ++i) {
        out << list->item(i)->text();
    }
    return out;
}

int Selected(QListWidget* list) {
    const auto items = list->selectedItems();
    return items.isEmpty() ? -1 : list->row(items.first());
}

const QString kWarningText =
    A("The changes that you made to the default values will not be reflected until the next new product that "
      "you enter or edit.");

}  // namespace

class OptionsSheetTest : public QObject {
    Q_OBJECT
  private slots:
    void sheetOpensWithCancelAndApplyOff();
    void closingAlwaysShowsTheWarning_data();
    void closingAlwaysShowsTheWarning();
    void addTrimsAndRefusesDuplicatesIgnoringCase();
    void emptyNameIsRefused();
    void nameOutsideTheCodePageIsRefused();
    void editUnchangedIsADuplicateAndEditReplacesInPlace();
    void defaultsRemoveAndRemoveAll();
    void defaultValuesAreWrittenOnOk();
    void outOfRangeNumbersKeepTheSheetOpen_data();
    void outOfRangeNumbersKeepTheSheetOpen();
    void unshownDefaultValuesPageChangesNothing();
    void defaultValuesAreStoredAsTyped();
    void helpOpensTheOptionsPage();
    void showAllWarningsAgain_data();
    void showAllWarningsAgain();
};

// Every alert the user stopped is shown again; the remembered answers stay.
void OptionsSheetTest::showAllWarningsAgain_data() {
    QTest::addColumn<QStringList>("flags");  // blanks, escapes, removing products
    QTest::addColumn<bool>("enabled");
    QTest::newRow("none hidden") << QStringList{QStringLiteral("F"), QStringLiteral("F"), QStringLiteral("F")}
                                 << false;
    QTest::newRow("removing products hidden")
        << QStringList{QStringLiteral("F"), QStringLiteral("F"), QStringLiteral("T")} << true;
    QTest::newRow("all hidden") << QStringList{QStringLiteral("T"), QStringLiteral("T"), QStringLiteral("T")}
                                << true;
}

void OptionsSheetTest::showAllWarningsAgain() {
    QFETCH(QStringList, flags);
    QFETCH(bool, enabled);
    CTestGui t;
    const settings::Text* alerts[] = {&settings::kDontShowWhiteSpace, &settings::kDontShowEscape,
                                      &settings::kDontShowDelete};
    for (int i = 0; i < 3; ++i) {
        alerts[i]->Write(t.m_store, flags[i].toStdString());
    }
    settings::kDontShowDeleteValue.Write(t.m_store, kAnswerNo);
    COptionsSheet sheet(t.Gui());
    auto* button = sheet.findChild<QPushButton*>(QStringLiteral("showWarningsButton"));
    QVERIFY(button);
    QCOMPARE(button->isEnabled(), enabled);
    QCOMPARE(CountHiddenAlerts(t.m_store), int(flags.count(QStringLiteral("T"))));
    if (enabled) {
        button->click();
    }
    for (const settings::Text* alert : alerts) {
        QCOMPARE(alert->Read(t.m_store), std::string("F"));
    }
    QVERIFY(!button->isEnabled());
    QCOMPARE(settings::kDontShowDeleteValue.Read(t.m_store), kAnswerNo);
}

void OptionsSheetTest::sheetOpensWithCancelAndApplyOff() {
    CTestGui t;
    COptionsSheet sheet(t.Gui());
    QCOMPARE(sheet.windowTitle(), A("Options & Settings"));
    QCOMPARE(sheet.Tabs()->count(), 2);
    QCOMPARE(sheet.Tabs()->tabText(0), A("Parameters"));
    QCOMPARE(sheet.Tabs()->tabText(1), A("Default Values"));
    QVERIFY(!sheet.CancelButton()->isEnabled());
    QVERIFY(!sheet.ApplyButton()->isEnabled());
    sheet.show();
    sheet.Tabs()->setCurrentIndex(1);  // loading the page is no change
    QVERIFY(!sheet.ApplyButton()->isEnabled());
    sheet.findChild<QLineEdit*>(QStringLiteral("defBrand"))->setText(A("Acme"));
    QVERIFY(sheet.ApplyButton()->isEnabled());
    sheet.PressApply();
    QVERIFY(!sheet.ApplyButton()->isEnabled());
    QCOMPARE(t.m_app.Defaults()[kDefBrand], std::string("Acme"));
    QVERIFY2(t.m_ui.Done(), qPrintable(t.m_ui.Failure()));
}

void OptionsSheetTest::closingAlwaysShowsTheWarning_data() {
    QTest::addColumn<bool>("viaOk");
    QTest::newRow("ok") << true;
    QTest::newRow("close box") << false;
}

void OptionsSheetTest::closingAlwaysShowsTheWarning() {
    QFETCH(bool, viaOk);
    CTestGui t;
    t.m_ui.ExpectMessage(A("Warning: Changes Not Reflected"), kWarningText, MsgIcon::Information,
                         MsgButtons::Ok, MsgAnswer::Ok);
    WhenModal([viaOk](QDialog* dlg) {
        auto* sheet = qobject_cast<COptionsSheet*>(dlg);
        QVERIFY(sheet);
        if (viaOk) {
            sheet->PressOk();
        } else {
            sheet->close();
        }
    });
    t.Gui().ShowOptions(nullptr);
    QVERIFY2(t.m_ui.Done(), qPrintable(t.m_ui.Failure()));
}

void OptionsSheetTest::addTrimsAndRefusesDuplicatesIgnoringCase() {
    CTestGui t;
    t.m_app.Colors() = {"red"};
    COptions1 page(t.Gui());
    QListWidget* colors = page.ListBox(OptionListKind::Colors);
    t.m_ui.ExpectMessage(A("Error: Duplicate Color"),
                         A("This color already exists. Please enter a different color name."), MsgIcon::Stop,
                         MsgButtons::Ok, MsgAnswer::Ok);
    AnswerName(A("  Red "));
    page.Add(OptionListKind::Colors);
    QCOMPARE(Entries(colors), QStringList{A("red")});
    AnswerName(A(" Navy\t"));
    page.Add(OptionListKind::Colors);
    QCOMPARE(Entries(colors), (QStringList{A("red"), A("Navy")}));
    QCOMPARE(t.m_app.Colors(), (std::vector<std::string>{"red", "Navy"}));
    QCOMPARE(Selected(colors), 1);
    AnswerName(A("Olive"));
    page.Add(OptionListKind::Colors);
    QCOMPARE(Selected(colors), 1);  // the second entry, not the new one
    QVERIFY2(t.m_ui.Done(), qPrintable(t.m_ui.Failure()));
}

void OptionsSheetTest::emptyNameIsRefused() {
    CTestGui t;
    COptions1 page(t.Gui());
    t.m_ui.ExpectMessage(A("Error: Empty Category Name"),
                         A("The category name is empty. Please enter a category name."), MsgIcon::Stop,
                         MsgButtons::Ok, MsgAnswer::Ok);
    WhenModal([](QDialog* dlg) {
        QCOMPARE(dlg->windowTitle(), A("Add New Category"));
        dlg->findChild<QLineEdit*>()->setText(A("   "));
        dlg->accept();
        QVERIFY(dlg->isVisible());
        dlg->reject();
    });
    page.Add(OptionListKind::Categories);
    QVERIFY(t.m_app.Categories().empty());
    QVERIFY2(t.m_ui.Done(), qPrintable(t.m_ui.Failure()));
}

void OptionsSheetTest::nameOutsideTheCodePageIsRefused() {
    CTestGui t;
    COptions1 page(t.Gui());
    t.m_ui.ExpectMessage(A(kAppTitle),
                         QString::fromUtf8("The character \u0141 (U+0141) cannot be stored in the feed file. "
                                           "Please remove it or replace it."),
                         MsgIcon::Exclamation, MsgButtons::Ok, MsgAnswer::Ok);
    WhenModal([](QDialog* dlg) {
        dlg->findChild<QLineEdit*>()->setText(QString::fromUtf8("\u0141\u00f3d\u017a"));
        dlg->accept();
        QVERIFY(dlg->isVisible());
        dlg->reject();
    });
    page.Add(OptionListKind::Colors);
    QVERIFY(t.m_app.Colors().empty());
    QVERIFY2(t.m_ui.Done(), qPrintable(t.m_ui.Failure()));
}

void OptionsSheetTest::editUnchangedIsADuplicateAndEditReplacesInPlace() {
    CTestGui t;
    t.m_app.Sizes() = {"S", "M", "L"};
    COptions1 page(t.Gui());
    QListWidget* sizes = page.ListBox(OptionListKind::Sizes);
    sizes->setCurrentRow(2);
    t.m_ui.ExpectMessage(A("Error: Duplicate Size"),
                         A("This size already exists. Please enter a different size name."), MsgIcon::Stop,
                         MsgButtons::Ok, MsgAnswer::Ok);
    WhenModal([](QDialog* dlg) {
        QCOMPARE(dlg->windowTitle(), A("New Size"));
        auto* edit = dlg->findChild<QLineEdit*>();
        QCOMPARE(edit->text(), A("L"));
        dlg->accept();  // unchanged: a duplicate
        edit->setText(A(" XL "));
        dlg->accept();
    });
    page.Edit(OptionListKind::Sizes);
    QCOMPARE(t.m_app.Sizes(), (std::vector<std::string>{"S", "M", "XL"}));
    QCOMPARE(Selected(sizes), 1);
    QVERIFY2(t.m_ui.Done(), qPrintable(t.m_ui.Failure()));
}

void OptionsSheetTest::defaultsRemoveAndRemoveAll() {
    CTestGui t;
    COptions1 page(t.Gui());
    page.Defaults(OptionListKind::Categories);
    QCOMPARE(t.m_app.Categories().size(), std::size_t{276});
    QCOMPARE(page.ListBox(OptionListKind::Categories)->count(), 276);
    page.Defaults(OptionListKind::Sizes);
    QCOMPARE(t.m_app.Sizes().size(), std::size_t{74});
    QListWidget* sizes = page.ListBox(OptionListKind::Sizes);
    QCOMPARE(Selected(sizes), 1);
    sizes->clearSelection();
    page.Remove(OptionListKind::Sizes);  // nothing selected
    QCOMPARE(t.m_app.Sizes().size(), std::size_t{74});
    sizes->setCurrentRow(0);
    page.Remove(OptionListKind::Sizes);
    QCOMPARE(t.m_app.Sizes().size(), std::size_t{73});
    QCOMPARE(t.m_app.Sizes().front(), std::string("12"));
    page.RemoveAll(OptionListKind::Categories);
    QVERIFY(t.m_app.Categories().empty());
    QCOMPARE(page.ListBox(OptionListKind::Categories)->count(), 0);
}

void OptionsSheetTest::defaultValuesAreWrittenOnOk() {
    CTestGui t;
    t.m_app.Colors() = {"Red", "Blue"};
    t.m_app.Defaults()[kDefPrice] = "3.000000";
    COptionsSheet sheet(t.Gui());
    sheet.show();
    sheet.Tabs()->setCurrentIndex(1);
    QCOMPARE(sheet.findChild<QLineEdit*>(QStringLiteral("defPrice"))->text(), A("3"));
    auto* colors = sheet.findChild<QComboBox*>(QStringLiteral("defColors"));
    QCOMPARE(colors->count(), 2);
    sheet.findChild<QLineEdit*>(QStringLiteral("defPrice"))->setText(A("12.5"));
    sheet.findChild<QLineEdit*>(QStringLiteral("defShipping"))->setText(A(" 4.95 "));
    colors->setEditText(A("Blue"));
    sheet.findChild<QCheckBox*>(QStringLiteral("defAutoGen"))->setChecked(false);
    sheet.PressOk();
    QCOMPARE(sheet.result(), int(QDialog::Accepted));
    QCOMPARE(t.m_app.Defaults()[kDefPrice], std::string("12.500000"));
    QCOMPARE(t.m_app.Defaults()[kDefShipping], std::string("4.950000"));
    QCOMPARE(t.m_app.Defaults()[kDefColor], std::string("Blue"));
    QVERIFY(!t.m_app.AutoGenOfferId());
    QVERIFY2(t.m_ui.Done(), qPrintable(t.m_ui.Failure()));
}

void OptionsSheetTest::outOfRangeNumbersKeepTheSheetOpen_data() {
    QTest::addColumn<QString>("price");
    QTest::addColumn<QString>("shipping");
    QTest::addColumn<QString>("message");
    QTest::newRow("price too high") << A("100001") << A("0")
                                    << A("Please enter a number between 0 and 100000.");
    QTest::newRow("negative shipping")
        << A("1") << A("-1") << A("Please enter a number between 0 and 10000.");
    QTest::newRow("price not a number") << A("12$") << A("0") << A("Please enter a number.");
}

void OptionsSheetTest::outOfRangeNumbersKeepTheSheetOpen() {
    QFETCH(QString, price);
    QFETCH(QString, shipping);
    QFETCH(QString, message);
    CTestGui t;
    COptionsSheet sheet(t.Gui());
    sheet.show();
    sheet.Tabs()->setCurrentIndex(1);
    sheet.findChild<QLineEdit*>(QStringLiteral("defPrice"))->setText(price);
    sheet.findChild<QLineEdit*>(QStringLiteral("defShipping"))->setText(shipping);
    t.m_ui.ExpectMessage(A(kAppTitle), message, MsgIcon::Exclamation, MsgButtons::Ok, MsgAnswer::Ok);
    sheet.PressOk();
    QVERIFY(sheet.isVisible());
    t.m_ui.ExpectMessage(A(kAppTitle), message, MsgIcon::Exclamation, MsgButtons::Ok, MsgAnswer::Ok);
    sheet.Tabs()->setCurrentIndex(0);  // leaving the page is refused as well
    QCOMPARE(sheet.Tabs()->currentIndex(), 1);
    QCOMPARE(t.m_app.Defaults()[kDefPrice], std::string());
    QVERIFY2(t.m_ui.Done(), qPrintable(t.m_ui.Failure()));
}

void OptionsSheetTest::unshownDefaultValuesPageChangesNothing() {
    CTestGui t;
    t.m_app.Defaults()[kDefPrice] = "7";
    t.m_app.SetNoExpiryDate(false);
    COptionsSheet sheet(t.Gui());
    sheet.show();
    sheet.PressOk();
    QCOMPARE(t.m_app.Defaults()[kDefPrice], std::string("7"));
    QVERIFY(!t.m_app.NoExpiryDate());
}

void OptionsSheetTest::helpOpensTheOptionsPage() {
    CTestGui t;
    COptionsSheet sheet(t.Gui());
    sheet.HelpButton()->click();
    QCOMPARE(t.m_ui.m_openedUrls, QStringList{FromCp1252(AppConfig{}.optionsHelpUrl)});
}

void OptionsSheetTest::defaultValuesAreStoredAsTyped() {
    CTestGui t;
    t.m_app.Categories() = {"Office > Office Equipment > Calculators"};
    COptionsSheet sheet(t.Gui());
    sheet.show();
    QApplication::setActiveWindow(&sheet);
    QVERIFY(QTest::qWaitForWindowActive(&sheet));
    sheet.Tabs()->setCurrentIndex(1);
    // Typed text is not completed from the list.
    auto* category = sheet.findChild<QComboBox*>(QStringLiteral("defCategories"));
    category->setEditText(QString());
    category->setFocus();
    QTest::keyClicks(category->lineEdit(), A("Office"));
    QCOMPARE(category->currentText(), A("Office"));
    // A character the code page cannot hold is refused, naming it, and keeps the sheet open.
    auto* brand = sheet.findChild<QLineEdit*>(QStringLiteral("defBrand"));
    brand->setText(QString::fromUtf8("Acme \u2192"));
    t.m_ui.ExpectMessage(A(kAppTitle),
                         QString::fromUtf8("The character \u2192 (U+2192) cannot be stored in the feed file. "
                                           "Please remove it or replace it."),
                         MsgIcon::Exclamation, MsgButtons::Ok, MsgAnswer::Ok);
    sheet.PressOk();
    QVERIFY(sheet.isVisible());
    QCOMPARE(t.m_app.Defaults()[kDefBrand], std::string());
    QVERIFY2(t.m_ui.Done(), qPrintable(t.m_ui.Failure()));
    brand->setText(A("Acme"));
    sheet.PressOk();
    QCOMPARE(t.m_app.Defaults()[kDefCategory], std::string("Office"));
    QCOMPARE(t.m_app.Defaults()[kDefBrand], std::string("Acme"));
}

QTEST_MAIN(OptionsSheetTest)
#include "options_sheet_test.moc"

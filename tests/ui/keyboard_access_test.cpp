// Every page and dialog through the keyboard and a screen reader's eyes: no two controls of one window
// share a mnemonic letter, and every control that takes input is announced by a name (its caption).
#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QAccessible>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QTabBar>
#include <QtTest>
#include <functional>
#include <memory>

#include "app/main_property_sheet.h"
#include "dialogs/account_setup_dlg.h"
#include "dialogs/delete_warning_dlg.h"
#include "dialogs/diagnostics_dlg.h"
#include "dialogs/escape_alert_dlg.h"
#include "dialogs/name_dlg.h"
#include "dialogs/options_sheet.h"
#include "dialogs/product_editor_dlg.h"
#include "dialogs/summary_dlg.h"
#include "dialogs/whitespace_alert_dlg.h"
#include "import/import_dlg.h"
#include "platform/text_codec.h"
#include "support/test_gui.h"
#include "support/widget_lookup.h"

using namespace yarvelin;

namespace {

// The letter after a single '&' ("&&" is a shown ampersand), in lower case; none: a null character.
QChar Mnemonic(const QString& text) {
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        if (text[i] == QLatin1Char('&')) {
            if (text[i + 1] != QLatin1Char('&')) {
                return text[i + 1].toLower();
            }
            ++i;
        }
    }
    return {};
}

// What is wrong with the window as it shows now: letters used twice, inputs without a name.
QStringList Problems(QWidget& window) {
    QMap<QChar, QStringList> letters;
    QStringList problems;
    const auto note = [&](const QString& text) {
        if (const QChar c = Mnemonic(text); !c.isNull()) {
            letters[c] << text;
        }
    };
    for (QWidget* w : window.findChildren<QWidget*>()) {
        if (!w->isVisibleTo(&window)) {
            continue;
        }
        if (auto* button = qobject_cast<QAbstractButton*>(w)) {
            note(button->text());
        } else if (auto* label = qobject_cast<QLabel*>(w); label && label->buddy()) {
            note(label->text());
        } else if (auto* group = qobject_cast<QGroupBox*>(w)) {
            note(group->title());
        } else if (auto* tabs = qobject_cast<QTabBar*>(w)) {
            for (int i = 0; i < tabs->count(); ++i) {
                note(tabs->tabText(i));
            }
        }
        const bool input = qobject_cast<QLineEdit*>(w) || qobject_cast<QPlainTextEdit*>(w) ||
                           qobject_cast<QComboBox*>(w) || qobject_cast<QAbstractSpinBox*>(w) ||
                           qobject_cast<QAbstractButton*>(w) || qobject_cast<QAbstractItemView*>(w);
        // Parts of a compound control (a combo box's own edit and list) are named by that control.
        const bool part = qobject_cast<QHeaderView*>(w) || qobject_cast<QComboBox*>(w->parentWidget()) ||
                          qobject_cast<QAbstractSpinBox*>(w->parentWidget()) ||
                          (w->parentWidget() && qobject_cast<QComboBox*>(w->parentWidget()->parentWidget()));
        if (input && !part && !qobject_cast<QTabBar*>(w->parentWidget())) {
            QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
            if (!a || a->text(QAccessible::Name).trimmed().isEmpty()) {
                problems << QStringLiteral("no name: %1 %2")
                                .arg(QString::fromLatin1(w->metaObject()->className()), w->objectName());
            }
        }
    }
    for (auto it = letters.cbegin(); it != letters.cend(); ++it) {
        if (it.value().size() > 1) {
            problems
                << QStringLiteral("&%1 used by: %2").arg(it.key(), it.value().join(QStringLiteral(" | ")));
        }
    }
    return problems;
}

}  // namespace

class KeyboardAccessTest : public QObject {
    Q_OBJECT
  private slots:
    void wizardPages_data() {
        QTest::addColumn<int>("page");
        QTest::newRow("start") << 0;
        QTest::newRow("product list") << 1;
        QTest::newRow("save") << 2;
        QTest::newRow("upload") << 3;
    }
    void wizardPages() {
        QFETCH(int, page);
        CTestGui t;
        CMainPropertySheet sheet(t.Gui(), false);
        sheet.show();
        sheet.SetActivePage(page);
        const QStringList problems = Problems(sheet);
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
    }

    void dialogs_data() {
        QTest::addColumn<QString>("name");
        for (const char* name :
             {"product editor", "options parameters", "options defaults", "account setup", "summary",
              "diagnostics", "name", "delete warning", "blanks alert", "escapes alert"}) {
            QTest::newRow(name) << QString::fromLatin1(name);
        }
    }
    void dialogs() {
        QFETCH(QString, name);
        CTestGui t;
        std::unique_ptr<QWidget> window;
        if (name == QStringLiteral("product editor")) {
            window = std::make_unique<CNewProductDlg>(t.Gui(), std::nullopt);
        } else if (name.startsWith(QStringLiteral("options"))) {
            auto sheet = std::make_unique<COptionsSheet>(t.Gui());
            sheet->findChild<QTabWidget*>()->setCurrentIndex(name.endsWith(QStringLiteral("defaults")) ? 1
                                                                                                       : 0);
            window = std::move(sheet);
        } else if (name == QStringLiteral("account setup")) {
            window = std::make_unique<CAccountSetupDlg>(t.Gui());
        } else if (name == QStringLiteral("summary")) {
            window = std::make_unique<CSummaryDlg>(t.Gui());
        } else if (name == QStringLiteral("diagnostics")) {
            window = std::make_unique<CDiagnosticsDlg>(t.Gui(), false);
        } else if (name == QStringLiteral("name")) {
            window = std::make_unique<CNameDlg>(t.Gui(), OptionListKind::Colors, QString());
        } else if (name == QStringLiteral("delete warning")) {
            window = std::make_unique<CDeleteWarningDlg>();
        } else if (name == QStringLiteral("blanks alert")) {
            window = std::make_unique<CWhitespaceAlertDlg>(t.Gui(), nullptr);
        } else {
            window = std::make_unique<CEscapeAlertDlg>(t.Gui(), nullptr);
        }
        window->show();
        const QStringList problems = Problems(*window);
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
    }

    // Each letter of the import window presses one control.
    void importWindowMnemonics() {
        CTestGui t;
        CImportDlg window(t.Gui(), QStringLiteral(YARVELIN_FIXTURES "/import/shopify/export.csv"));
        window.show();
        const QStringList clashes = Problems(window).filter(QRegularExpression(QStringLiteral("^&")));
        QVERIFY2(clashes.isEmpty(), qPrintable(clashes.join(QLatin1Char('\n'))));
    }

    // Fields are announced by their own captions, not by the group around them.
    void fieldsAreNamedByTheirCaptions_data() {
        QTest::addColumn<int>("page");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("name");
        QTest::newRow("new file") << 0 << "newFileRadio"
                                  << "Create a NEW Quorvin datafeed file";
        QTest::newRow("open file") << 0 << "openFileRadio"
                                   << "Open An Existing File";
        QTest::newRow("heading") << 0 << "headingLabel"
                                 << "Welcome to Yarvelin. How would you like to start?";
        QTest::newRow("server") << 3 << "serverEdit"
                                << "Quorvin Server: ";
        QTest::newRow("file name") << 3 << "fileNameEdit"
                                   << "File Name: ";
        QTest::newRow("user") << 3 << "userNameEdit"
                              << "Username: ";
        QTest::newRow("password") << 3 << "passwordEdit"
                                  << "Your Password: ";
    }
    void fieldsAreNamedByTheirCaptions() {
        QFETCH(int, page);
        QFETCH(QString, field);
        QFETCH(QString, name);
        CTestGui t;
        CMainPropertySheet sheet(t.Gui(), false);
        sheet.show();
        sheet.SetActivePage(page);
        QWidget* shown =
            sheet.findChild<QWidget*>(page == 0 ? QStringLiteral("CPage1") : QStringLiteral("CPage5"));
        QVERIFY(shown);
        QWidget* w = shown->findChild<QWidget*>(field);
        QVERIFY(w);
        QCOMPARE(QAccessible::queryAccessibleInterface(w)->text(QAccessible::Name), name);
    }

    void requiredFieldsSaySo() {
        CTestGui t;
        CNewProductDlg editor(t.Gui(), std::nullopt);
        QAccessibleInterface* a =
            QAccessible::queryAccessibleInterface(FindChild<QWidget>(editor, "priceEdit"));
        QCOMPARE(a->text(QAccessible::Name), QStringLiteral("Product Price (*):"));
        QCOMPARE(a->text(QAccessible::Description), QStringLiteral("Required"));
        a = QAccessible::queryAccessibleInterface(FindChild<QWidget>(editor, "brandEdit"));
        QCOMPARE(a->text(QAccessible::Name), QStringLiteral("Brand: "));
        QVERIFY(a->text(QAccessible::Description).isEmpty());
    }

    // The editor opens on the first field the user can type into, never on the check box.
    void productEditorStartsOnTheFirstField_data() {
        QTest::addColumn<bool>("autogenerate");
        QTest::addColumn<bool>("editing");
        QTest::addColumn<QString>("first");
        QTest::newRow("new, offer ID made") << true << false << QStringLiteral("nameEdit");
        QTest::newRow("new, offer ID typed") << false << false << QStringLiteral("offerIdEdit");
        QTest::newRow("editing") << true << true << QStringLiteral("offerIdEdit");
    }
    void productEditorStartsOnTheFirstField() {
        QFETCH(bool, autogenerate);
        QFETCH(bool, editing);
        QFETCH(QString, first);
        CTestGui t;
        t.m_app.SetAutoGenOfferId(autogenerate);
        t.Doc().AddOrReplaceRecord(COtherRecord());
        CNewProductDlg editor(t.Gui(), editing ? std::optional<std::size_t>(0) : std::nullopt);
        editor.show();
        QVERIFY(editor.focusWidget());
        QCOMPARE(editor.focusWidget()->objectName(), first);
    }
};

QTEST_MAIN(KeyboardAccessTest)
#include "keyboard_access_test.moc"

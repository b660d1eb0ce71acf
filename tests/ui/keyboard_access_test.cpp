// Every page and dialog through the keyboard and a screen reader's eyes: no two controls of one window
// share a mnemonic letter, every control that takes input, every table and progress bar is announced by a
// name (its caption, not its value), Tab reaches every control, and message boxes show their picture.
#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QRegularExpression>
#include <QSet>
#include <QTabBar>
#include <QTextEdit>
#include <QTimer>
#include <QtTest>
#include <functional>
#include <memory>

#include "app/main_property_sheet.h"
#include "changes/changes_dlg.h"
#include "checks/url_check_dlg.h"
#include "dialogs/account_setup_dlg.h"
#include "dialogs/delete_warning_dlg.h"
#include "dialogs/diagnostics_dlg.h"
#include "dialogs/escape_alert_dlg.h"
#include "dialogs/find_replace_dlg.h"
#include "dialogs/name_dlg.h"
#include "dialogs/options_sheet.h"
#include "dialogs/product_editor_dlg.h"
#include "dialogs/set_column_dlg.h"
#include "dialogs/summary_dlg.h"
#include "dialogs/whitespace_alert_dlg.h"
#include "import/import_dlg.h"
#include "jobs/schedule_dlg.h"
#include "jobs/user_systemctl.h"
#include "platform/text_codec.h"
#include "platform/ui_services.h"
#include "rules/category_map_dlg.h"
#include "rules/rule_form_dlg.h"
#include "rules/rules_dlg.h"
#include "support/test_gui.h"
#include "support/widget_lookup.h"
#include "upload/ftp_transfer_dlg.h"

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

// What is wrong with the window as it shows now: letters used twice, inputs without a name, drop-down
// lists announced by their entry, tables, text boxes and progress bars without a name, controls Tab never
// reaches, a message box without its picture.
QStringList Problems(QWidget& window) {
    QMap<QChar, QStringList> letters;
    QStringList problems;
    const auto note = [&](const QString& text) {
        if (const QChar c = Mnemonic(text); !c.isNull()) {
            letters[c] << text;
        }
    };
    const auto what = [](QWidget* w) {
        return QStringLiteral("%1 %2").arg(QString::fromLatin1(w->metaObject()->className()),
                                           w->objectName());
    };
    QList<QWidget*> tabStops;
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
                           qobject_cast<QTextEdit*>(w) || qobject_cast<QComboBox*>(w) ||
                           qobject_cast<QAbstractSpinBox*>(w) || qobject_cast<QAbstractButton*>(w) ||
                           qobject_cast<QAbstractItemView*>(w) || qobject_cast<QProgressBar*>(w);
        // Parts of a compound control (a combo box's own edit and list, a table's cell widgets) are named by
        // that control.
        const bool part =
            qobject_cast<QHeaderView*>(w) || qobject_cast<QComboBox*>(w->parentWidget()) ||
            qobject_cast<QAbstractSpinBox*>(w->parentWidget()) ||
            qobject_cast<QAbstractItemView*>(w->parentWidget()) ||
            (w->parentWidget() && qobject_cast<QComboBox*>(w->parentWidget()->parentWidget())) ||
            (w->parentWidget() && qobject_cast<QAbstractItemView*>(w->parentWidget()->parentWidget()));
        if (!input || part || qobject_cast<QTabBar*>(w->parentWidget())) {
            continue;
        }
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
        const QString name = a ? a->text(QAccessible::Name).trimmed() : QString();
        if (name.isEmpty()) {
            problems << QStringLiteral("no name: ") + what(w);
        } else if (auto* combo = qobject_cast<QComboBox*>(w); combo && !combo->isEditable() &&
                                                              !combo->currentText().isEmpty() &&
                                                              name == combo->currentText().trimmed()) {
            problems << QStringLiteral("named by its entry \"%1\": %2").arg(name, what(w));
        }
        if (w->isEnabled() && (w->focusPolicy() & Qt::TabFocus) == Qt::TabFocus) {
            tabStops << w;
        }
    }
    // Tab from the window's first control reaches every control that takes the focus.
    QSet<QWidget*> reached;
    QWidget* w = &window;
    for (int i = 0; i < 10000; ++i) {
        w = w->nextInFocusChain();
        if (w == &window) {
            break;
        }
        reached.insert(w);
    }
    for (QWidget* stop : tabStops) {
        if (!reached.contains(stop)) {
            problems << QStringLiteral("not reached by Tab: ") + what(stop);
        }
    }
    if (auto* box = qobject_cast<QMessageBox*>(&window); box && box->icon() == QMessageBox::NoIcon) {
        problems << QStringLiteral("message box without its picture: ") + box->text();
    }
    for (auto it = letters.cbegin(); it != letters.cend(); ++it) {
        if (it.value().size() > 1) {
            problems
                << QStringLiteral("&%1 used by: %2").arg(it.key(), it.value().join(QStringLiteral(" | ")));
        }
    }
    return problems;
}

// Opens a window and hands it to check while it shows. Modal windows (About, message boxes) are checked
// from inside their own event loop and closed again.
using Opener = std::function<void(CTestGui& t, const std::function<void(QWidget&)>& check)>;

template <typename Make>
Opener Modeless(Make make) {
    return [make](CTestGui& t, const std::function<void(QWidget&)>& check) {
        std::unique_ptr<QWidget> window = make(t);
        window->show();
        check(*window);
    };
}

template <typename Run>
Opener Modal(Run run) {
    return [run](CTestGui& t, const std::function<void(QWidget&)>& check) {
        bool checked = false;
        QTimer::singleShot(0, [&] {
            QWidget* shown = QApplication::activeModalWidget();
            if (shown != nullptr) {
                check(*shown);
                checked = true;
                shown->close();
            }
        });
        run(t);
        QVERIFY2(checked, "the window did not open");
    };
}

std::unique_ptr<QWidget> Sheet(CTestGui& t, int page) {
    auto sheet = std::make_unique<CMainPropertySheet>(t.Gui(), false);
    sheet->show();
    sheet->SetActivePage(page);
    return sheet;
}

std::unique_ptr<QWidget> Options(CTestGui& t, int tab) {
    auto sheet = std::make_unique<COptionsSheet>(t.Gui());
    sheet->findChild<QTabWidget*>()->setCurrentIndex(tab);
    return sheet;
}

// A feed of two products, so that windows over selected products have something to work on.
void AddProducts(CTestGui& t) {
    for (const char* id : {"A1", "B2"}) {
        COtherRecord record;
        record.SetField(kColOfferId, id);
        record.SetField(kColCategory, "Home > Garden");
        t.Doc().AddOrReplaceRecord(record);
    }
}

// No user manager: the schedule window shows the crontab line and starts nothing.
class CNoUserManager : public UserSystemctl {
  public:
    bool HasUserManager() const override { return false; }
    SystemctlResult Run(const std::vector<std::string>&) override { return {}; }
};

QMap<QString, Opener> Windows() {
    const QString shopExport = QStringLiteral(YARVELIN_FIXTURES "/import/shopify/export.csv");
    QMap<QString, Opener> w;
    w[QStringLiteral("start page")] = Modeless([](CTestGui& t) { return Sheet(t, 0); });
    w[QStringLiteral("product list")] = Modeless([](CTestGui& t) { return Sheet(t, 1); });
    w[QStringLiteral("save page")] = Modeless([](CTestGui& t) { return Sheet(t, 2); });
    w[QStringLiteral("upload page")] = Modeless([](CTestGui& t) { return Sheet(t, 3); });
    w[QStringLiteral("product editor")] = Modeless([](CTestGui& t) -> std::unique_ptr<QWidget> {
        return std::make_unique<CNewProductDlg>(t.Gui(), std::nullopt);
    });
    w[QStringLiteral("options parameters")] = Modeless([](CTestGui& t) { return Options(t, 0); });
    w[QStringLiteral("options defaults")] = Modeless([](CTestGui& t) { return Options(t, 1); });
    w[QStringLiteral("account setup")] = Modeless(
        [](CTestGui& t) -> std::unique_ptr<QWidget> { return std::make_unique<CAccountSetupDlg>(t.Gui()); });
    w[QStringLiteral("summary")] = Modeless(
        [](CTestGui& t) -> std::unique_ptr<QWidget> { return std::make_unique<CSummaryDlg>(t.Gui()); });
    w[QStringLiteral("changes")] = Modeless([](CTestGui& t) -> std::unique_ptr<QWidget> {
        return std::make_unique<CChangesDlg>(t.Gui(), std::make_shared<const FeedDiff>(),
                                             A("since the last upload here: +0 -0 ~0"));
    });
    w[QStringLiteral("diagnostics")] = Modeless([](CTestGui& t) -> std::unique_ptr<QWidget> {
        return std::make_unique<CDiagnosticsDlg>(t.Gui(), false);
    });
    w[QStringLiteral("name")] = Modeless([](CTestGui& t) -> std::unique_ptr<QWidget> {
        return std::make_unique<CNameDlg>(t.Gui(), OptionListKind::Colors, QString());
    });
    w[QStringLiteral("delete warning")] =
        Modeless([](CTestGui&) -> std::unique_ptr<QWidget> { return std::make_unique<CDeleteWarningDlg>(); });
    w[QStringLiteral("blanks alert")] = Modeless([](CTestGui& t) -> std::unique_ptr<QWidget> {
        return std::make_unique<CWhitespaceAlertDlg>(t.Gui(), nullptr);
    });
    w[QStringLiteral("escapes alert")] = Modeless([](CTestGui& t) -> std::unique_ptr<QWidget> {
        return std::make_unique<CEscapeAlertDlg>(t.Gui(), nullptr);
    });
    w[QStringLiteral("set column")] = Modeless([](CTestGui& t) -> std::unique_ptr<QWidget> {
        AddProducts(t);
        return std::make_unique<CSetColumnDlg>(t.Gui(), std::vector<std::size_t>{0, 1});
    });
    w[QStringLiteral("find and replace")] = Modeless([](CTestGui& t) -> std::unique_ptr<QWidget> {
        AddProducts(t);
        return std::make_unique<CFindReplaceDlg>(t.Gui(), std::vector<std::size_t>{0, 1});
    });
    w[QStringLiteral("import window")] = Modeless([shopExport](CTestGui& t) -> std::unique_ptr<QWidget> {
        return std::make_unique<CImportDlg>(t.Gui(), shopExport);
    });
    w[QStringLiteral("rules window")] = Modeless([](CTestGui& t) -> std::unique_ptr<QWidget> {
        AddProducts(t);
        return std::make_unique<CRulesDlg>(t.Gui());
    });
    w[QStringLiteral("rule form")] = Modeless(
        [](CTestGui& t) -> std::unique_ptr<QWidget> { return std::make_unique<CRuleFormDlg>(t.Gui().Ui()); });
    w[QStringLiteral("category map")] = Modeless([](CTestGui& t) -> std::unique_ptr<QWidget> {
        AddProducts(t);
        return std::make_unique<CCategoryMapDlg>(t.Gui().Ui(), t.Doc().Records(), QStringLiteral("shop.txt"));
    });
    w[QStringLiteral("url check")] = Modeless([](CTestGui& t) -> std::unique_ptr<QWidget> {
        return std::make_unique<CUrlCheckDlg>(t.Gui(), nullptr);
    });
    w[QStringLiteral("transfer")] = Modeless(
        [](CTestGui& t) -> std::unique_ptr<QWidget> { return std::make_unique<CFTPTransferDlg>(t.m_ui); });
    w[QStringLiteral("schedule")] = Modeless([](CTestGui&) -> std::unique_ptr<QWidget> {
        static CNoUserManager none;
        return std::make_unique<CScheduleDlg>("shop", none, "/usr/bin/yarvelin-feed", "/nonexistent/history");
    });
    w[QStringLiteral("about")] = Modal([](CTestGui& t) { t.Gui().ShowAbout(nullptr); });
    const std::pair<const char*, MsgIcon> boxes[] = {{"error box", MsgIcon::Stop},
                                                     {"warning box", MsgIcon::Exclamation},
                                                     {"information box", MsgIcon::Information},
                                                     {"question box", MsgIcon::Question}};
    for (const auto& [name, icon] : boxes) {
        w[QLatin1String(name)] = Modal([icon = icon](CTestGui&) {
            CQtUiServices ui;
            ui.MessageBox(nullptr, A("Yarvelin"), A("Something to say."), icon,
                          icon == MsgIcon::Question ? MsgButtons::YesNoCancel : MsgButtons::Ok);
        });
    }
    return w;
}

}  // namespace

class KeyboardAccessTest : public QObject {
    Q_OBJECT
  private slots:
    void everyWindow_data() {
        QTest::addColumn<QString>("name");
        for (const QString& name : Windows().keys()) {
            QTest::newRow(qPrintable(name)) << name;
        }
    }
    void everyWindow() {
        QFETCH(QString, name);
        CTestGui t;
        QStringList problems;
        Windows().value(name)(t, [&](QWidget& window) {
            problems = Problems(window);
            if (name == QStringLiteral("error box")) {
                SaveScreenshot(window, QStringLiteral("error_box.png"));
            }
        });
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
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

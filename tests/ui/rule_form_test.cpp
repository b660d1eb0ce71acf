// Rules without TOML: Add... in the rules window opens a form whose rule is counted like a typed one, its
// TOML text stays one click away, and Category Map... turns the confirmed suggestions into a map rule. The
// screenshots target pictures the form and the Category Map window.
#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QtTest>
#include <functional>

#include "platform/text_codec.h"
#include "rules/category_map_dlg.h"
#include "rules/rule_form_dlg.h"
#include "rules/rules_dlg.h"
#include "support/test_gui.h"
#include "support/widget_lookup.h"

using namespace yarvelin;

namespace {

void AddProduct(CTestGui& t, const char* id, const char* price, const char* category) {
    COtherRecord r;
    r.SetFields({std::string("http://shop.example.com/p/") + id, std::string("Lamp ") + id, "A lamp.", price,
                 "http://shop.example.com/i.jpg", category, id});
    t.Doc().AppendLoadedRecord(std::move(r));
}

// Runs the window's action while answer works in the modal window it opens.
void WhileOpen(const std::function<void(QWidget&)>& answer, const std::function<void()>& action) {
    bool seen = false;
    QTimer::singleShot(0, [&] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            seen = true;
            answer(*modal);
            // A failed check inside answer leaves the window open; close it so that the test ends.
            if (modal->isVisible()) {
                modal->close();
            }
        }
    });
    action();
    QVERIFY(seen);
}

QStringList RuleNames(const CRulesDlg& window) {
    auto* table = FindChild<QTableWidget>(window, "rulesTable");
    QStringList names;
    for (int row = 0; row < table->rowCount(); ++row) {
        names << table->item(row, 0)->text() + QLatin1Char('/') + table->item(row, 2)->text();
    }
    return names;
}

}  // namespace

class RuleFormTest : public QObject {
    Q_OBJECT
  private slots:
    void formAddsACountedRule();
    void formRefusesWhatDoesNotCompile();
    void tomlTextIsOneClickAway();
    void categoryMapTakesTheTickedRows();
};

void RuleFormTest::formAddsACountedRule() {
    CTestGui t;
    AddProduct(t, "A1", "10.00", "Shop > Lamps");
    AddProduct(t, "A2", "25.00", "Shop > Lamps");
    CRulesDlg window(t.Gui());
    WhileOpen(
        [](QWidget& form) {
            FindChild<QLineEdit>(form, "ruleNameEdit")->setText(A("Cheap lamps"));
            FindChild<QComboBox>(form, "conditionColumn1")->setCurrentText(A("price"));
            FindChild<QComboBox>(form, "conditionTest1")->setCurrentIndex(7);  // is a number
            FindChild<QLineEdit>(form, "conditionValue1")->setText(A("< 20"));
            FindChild<QComboBox>(form, "actionCombo")->setCurrentText(A("prepend"));
            FindChild<QComboBox>(form, "actionColumnCombo")->setCurrentText(A("name"));
            FindChild<QLineEdit>(form, "actionValueEdit")->setText(A("Sale: "));
            QVERIFY(FindChild<QLineEdit>(form, "actionValueEdit")->isVisibleTo(&form));
            QVERIFY(!FindChild<QLineEdit>(form, "multiplyEdit")->isVisibleTo(&form));
            form.resize(620, form.sizeHint().height());
            QVERIFY(SaveScreenshot(form, QStringLiteral("rule_form.png")));
            QMetaObject::invokeMethod(&form, "accept");
        },
        [&] { FindChild<QPushButton>(window, "addRuleButton")->click(); });
    QCOMPARE(RuleNames(window), QStringList{QStringLiteral("Cheap lamps/1")});
    QCOMPARE(FindChild<QLabel>(window, "rulesStatus")->text(), A("2 products, 0 left out"));
}

void RuleFormTest::formRefusesWhatDoesNotCompile() {
    CTestGui t;
    CRuleFormDlg form(t.m_ui);
    const struct {
        const char* action;
        const char* field;
        const char* text;
        const char* mistake;
    } cases[] = {
        {"calculate", "multiplyEdit", "lots", "Multiply by needs a number."},
        {"calculate", "roundEdit", "9", "round must be a number of fraction digits from 0 to 6"},
        {"calculate", "roundEdit", "",
         "calculate needs at least one of multiply, add, at_least, at_most, round"},
        {"replace", "findEdit", "", "find needs a text to look for"},
    };
    for (const auto& c : cases) {
        FindChild<QComboBox>(form, "actionCombo")->setCurrentText(A(c.action));
        FindChild<QLineEdit>(form, c.field)->setText(A(c.text));
        const int beeps = t.m_ui.m_beeps;
        form.accept();
        QCOMPARE(form.result(), int(QDialog::Rejected));
        QCOMPARE(t.m_ui.m_beeps, beeps + 1);
        QVERIFY2(FindChild<QLabel>(form, "ruleFormMistake")->text().contains(A(c.mistake)),
                 qPrintable(FindChild<QLabel>(form, "ruleFormMistake")->text()));
        FindChild<QLineEdit>(form, c.field)->clear();
    }
}

void RuleFormTest::tomlTextIsOneClickAway() {
    CTestGui t;
    CRulesDlg window(t.Gui());
    QString shownText;
    window.SetRuleEditor({});
    WhileOpen(
        [&](QWidget& form) {
            FindChild<QComboBox>(form, "conditionColumn1")->setCurrentText(A("brand"));
            FindChild<QLineEdit>(form, "conditionValue1")->setText(A("Acme"));
            // The text editor opens from the form's button, holding what the form has so far.
            QTimer::singleShot(0, [&] {
                QWidget* editor = QApplication::activeModalWidget();
                auto* text =
                    editor ? editor->findChild<QPlainTextEdit*>(QStringLiteral("ruleTextEdit")) : nullptr;
                if (text != nullptr) {
                    shownText = text->toPlainText();
                    editor->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
                }
            });
            FindChild<QPushButton>(form, "tomlTextButton")->click();
        },
        [&] { window.OnAdd(); });
    QCOMPARE(shownText, A("[[rule]]\nname = \"New rule\"\naction = \"exclude\"\n"
                          "when = { column = \"brand\", equals = \"Acme\" }\n"));
    QCOMPARE(RuleNames(window), QStringList{QStringLiteral("New rule/0")});
}

void RuleFormTest::categoryMapTakesTheTickedRows() {
    CTestGui t;
    AddProduct(t, "A1", "10.00", "Home > Lamps");
    AddProduct(t, "A2", "12.00", "home > lamps ");
    AddProduct(t, "A3", "5.00", "Shop > Vases");
    AddProduct(t, "A4", "5.00", "Misc");
    t.Doc().NoteLoadedFrom(ToPath(t.m_dir.filePath(QStringLiteral("shop.txt"))));
    CRulesDlg window(t.Gui());
    WhileOpen(
        [](QWidget& map) {
            auto* table = FindChild<QTableWidget>(map, "categoryTable");
            QCOMPARE(table->rowCount(), 3);
            QCOMPARE(table->item(0, 1)->text(), A("Home > Lamps"));
            QCOMPARE(table->item(0, 2)->text(), A("2"));
            QVERIFY(!table->item(0, 3)->text().isEmpty());  // a suggestion to confirm
            QCOMPARE(table->item(0, 0)->checkState(), Qt::Unchecked);
            table->item(0, 0)->setCheckState(Qt::Checked);
            // Typing a category of one's own ticks the row.
            table->item(2, 3)->setText(A("Home & Garden > Decor > Vases"));
            QCOMPARE(table->item(2, 0)->checkState(), Qt::Checked);
            map.resize(760, 300);
            QVERIFY(SaveScreenshot(map, QStringLiteral("category_map.png")));
            QMetaObject::invokeMethod(&map, "accept");
        },
        [&] { FindChild<QPushButton>(window, "categoryMapButton")->click(); });
    QCOMPARE(RuleNames(window), QStringList{QStringLiteral("Category map/3")});
}

QTEST_MAIN(RuleFormTest)
#include "rule_form_test.moc"

// The rules window: its list and hit counts follow every change, Apply to Feed edits the open feed, and
// the rules file is remembered for the feed. The screenshots target pictures the window.
#include <QApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QtTest>

#include "pages/product_list_page.h"
#include "pages/product_table_model.h"
#include "platform/text_codec.h"
#include "rules/rules_dlg.h"
#include "support/test_gui.h"
#include "support/widget_lookup.h"

using namespace yarvelin;

namespace {

COtherRecord Product(const std::string& offerId, const std::string& price, const std::string& instock) {
    COtherRecord r;
    r.SetFields({"http://shop.example.com/p/" + offerId, "Lamp " + offerId, "A lamp.", price,
                 "http://shop.example.com/i.jpg", "Shop > Lamps", offerId});
    r.SetField(kColInstock, instock);
    r.SetField(kColCurrency, "USD");
    r.data_checked = r.urls_checked = r.product_url_ok = r.image_url_ok = true;
    return r;
}

const char kRules[] =
    "# the shop's rules\n"
    "[[rule]]\nname = \"Out of stock\"\naction = \"exclude\"\nwhen = { column = \"instock\", equals = \"N\" "
    "}\n"
    "\n"
    "[[rule]]\nname = \"Lighting\"\naction = \"map\"\n[rule.map]\n\"Shop > Lamps\" = \"Home & Garden > Home "
    "Furnishings > Lighting\"\n";

struct Fixture {
    CTestGui t;
    QString rulesPath;

    Fixture() {
        t.Doc().AppendLoadedRecord(Product("A1", "10.00", "Y"));
        t.Doc().AppendLoadedRecord(Product("A2", "12.00", "N"));
        t.Doc().AppendLoadedRecord(Product("A3", "8.00", "Y"));
        t.Doc().NoteLoadedFrom(ToPath(t.m_dir.filePath(QStringLiteral("shop.txt"))));
        rulesPath = t.m_dir.filePath(QStringLiteral("shop.rules.toml"));
        QFile file(rulesPath);
        if (file.open(QIODevice::WriteOnly)) {
            file.write(kRules);
        }
        RememberRulesFile(t.m_store, t.Doc().FileName(), ToPath(rulesPath));
    }
};

QStringList Column(const CRulesDlg& window, int column) {
    auto* table = FindChild<QTableWidget>(window, "rulesTable");
    QStringList texts;
    for (int row = 0; row < table->rowCount(); ++row) {
        texts << table->item(row, column)->text();
    }
    return texts;
}

QString Status(const CRulesDlg& window) {
    return FindChild<QLabel>(window, "rulesStatus")->text();
}

QByteArray FileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

class RulesWindowTest : public QObject {
    Q_OBJECT
  private slots:
    void opensTheFeedsRulesWithTheirHits();
    void countsFollowEveryChange();
    void aRuleWithAMistakeStopsApplying();
    void applyEditsTheOpenFeed();
    void closingAsksToSaveChanges();
    void productListButtonOpensTheWindow();
    void tabLeavesTheRuleText();
};

void RulesWindowTest::opensTheFeedsRulesWithTheirHits() {
    Fixture f;
    CRulesDlg window(f.t.Gui());
    QCOMPARE(Column(window, 0), QStringList({QStringLiteral("Out of stock"), QStringLiteral("Lighting")}));
    QCOMPARE(Column(window, 1), QStringList({QStringLiteral("exclude"), QStringLiteral("map")}));
    QCOMPARE(Column(window, 2), QStringList({QStringLiteral("1"), QStringLiteral("2")}));
    QCOMPARE(Status(window), QStringLiteral("3 products, 1 left out"));
    QCOMPARE(FindChild<QLabel>(window, "rulesFileLabel")->text(), f.rulesPath);
    QCOMPARE(f.t.Doc().Count(), std::size_t{3});  // counting changes nothing
    FindChild<QTableWidget>(window, "rulesTable")->selectRow(1);
    window.resize(640, 300);
    QVERIFY(SaveScreenshot(window, QStringLiteral("rules_window.png")));
}

void RulesWindowTest::countsFollowEveryChange() {
    Fixture f;
    CRulesDlg window(f.t.Gui());
    auto* table = FindChild<QTableWidget>(window, "rulesTable");
    window.SetRuleEditor([](const std::string&) -> std::optional<std::string> {
        return std::string(
            "[[rule]]\naction = \"exclude\"\nwhen = { column = \"price\", number = \"< 9\" }\n");
    });
    table->selectRow(0);
    window.OnAdd();  // after the selected rule
    QCOMPARE(Column(window, 0), QStringList({QStringLiteral("Out of stock"), QStringLiteral("rule 2"),
                                             QStringLiteral("Lighting")}));
    QCOMPARE(Column(window, 2), QStringList({QStringLiteral("1"), QStringLiteral("1"), QStringLiteral("1")}));
    QCOMPARE(FindChild<QLabel>(window, "rulesFileLabel")->text(), f.rulesPath + QStringLiteral(" (changed)"));

    window.OnMove(-1);  // the new rule first: the cheap product in stock and out goes before "Out of stock"
    QCOMPARE(Column(window, 0).front(), QStringLiteral("rule 1"));
    QVERIFY(FindChild<QPushButton>(window, "moveRuleDownButton")->isEnabled());
    QVERIFY(!FindChild<QPushButton>(window, "moveRuleUpButton")->isEnabled());

    window.OnDelete();
    QCOMPARE(Column(window, 2), QStringList({QStringLiteral("1"), QStringLiteral("2")}));

    QVERIFY(window.OnSave());
    QCOMPARE(FileBytes(f.rulesPath), QByteArray(kRules));  // comments and order back as they were
    QVERIFY2(f.t.m_ui.Done(), qPrintable(f.t.m_ui.Failure()));
}

void RulesWindowTest::aRuleWithAMistakeStopsApplying() {
    Fixture f;
    QFile file(f.rulesPath);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("[[rule]]\naction = \"set\"\ncolumn = \"titel\"\nvalue = \"x\"\n");
    file.close();
    CRulesDlg window(f.t.Gui());
    QCOMPARE(Column(window, 1), QStringList({QStringLiteral("mistake")}));
    QVERIFY(Status(window).startsWith(QStringLiteral("rule 1:3: unknown column titel")));
    QVERIFY(!FindChild<QPushButton>(window, "applyRulesButton")->isEnabled());
}

void RulesWindowTest::applyEditsTheOpenFeed() {
    Fixture f;
    CRulesDlg window(f.t.Gui());
    QVERIFY(!f.t.Doc().IsChanged());
    // Products a rule leaves out go only after a question whose default is No.
    const QString question = QStringLiteral(
        "The rules leave 1 of 3 products out of the feed: they will be removed from the product list.\n\n"
        "Apply the rules?");
    f.t.m_ui.ExpectMessage(QStringLiteral("Yarvelin1.0"), question, MsgIcon::Question,
                           MsgButtons::YesNoDefaultNo, MsgAnswer::No);
    window.OnApply();
    QVERIFY(!window.FeedChanged() && !f.t.Doc().IsChanged());
    QCOMPARE(f.t.Doc().Count(), std::size_t{3});
    f.t.m_ui.ExpectMessage(QStringLiteral("Yarvelin1.0"), question, MsgIcon::Question,
                           MsgButtons::YesNoDefaultNo, MsgAnswer::Yes);
    window.OnApply();
    QVERIFY(window.FeedChanged());
    QVERIFY(f.t.Doc().IsChanged());
    QCOMPARE(f.t.Doc().Count(), std::size_t{2});
    QCOMPARE(std::string(f.t.Doc().At(1).Field(kColCategory)),
             std::string("Home & Garden > Home Furnishings > Lighting"));
    QVERIFY(!f.t.Doc().At(1).data_checked && !f.t.Doc().At(1).urls_checked);
    QCOMPARE(Status(window), QStringLiteral("Applied: 2 products changed, 1 left out of the feed."));
    // The counts now speak of the changed feed.
    QCOMPARE(Column(window, 2), QStringList({QStringLiteral("0"), QStringLiteral("0")}));
}

void RulesWindowTest::closingAsksToSaveChanges() {
    Fixture f;
    CRulesDlg window(f.t.Gui());
    FindChild<QTableWidget>(window, "rulesTable")->selectRow(0);
    window.OnDelete();
    f.t.m_ui.ExpectMessage(QStringLiteral("Yarvelin1.0"), QStringLiteral("Save the changes to the rules?"),
                           MsgIcon::Question, MsgButtons::YesNoCancel, MsgAnswer::Cancel);
    window.show();
    window.reject();
    QVERIFY(window.isVisible());
    f.t.m_ui.ExpectMessage(QStringLiteral("Yarvelin1.0"), QStringLiteral("Save the changes to the rules?"),
                           MsgIcon::Question, MsgButtons::YesNoCancel, MsgAnswer::Yes);
    window.reject();
    QVERIFY(!window.isVisible());
    QCOMPARE(FileBytes(f.rulesPath).count("[[rule]]"), 1);
    QVERIFY2(f.t.m_ui.Done(), qPrintable(f.t.m_ui.Failure()));
}

void RulesWindowTest::productListButtonOpensTheWindow() {
    Fixture f;
    CPage3 page(f.t.Gui());
    page.resize(760, 460);
    page.show();
    page.OnSetActive();
    QPushButton* rules = page.RulesButton();
    QCOMPARE(rules->text(), QStringLiteral("Ru&les..."));
    // Beside the checks, below Diagnostics...
    QCOMPARE(rules->x(), page.DiagnosticsButton()->x());
    QVERIFY(rules->y() > page.DiagnosticsButton()->y());
    QVERIFY(SaveScreenshot(page, QStringLiteral("product_list_rules_button.png")));
    bool shown = false;
    page.SetRulesRunner([&](QDialog& window) {
        shown = true;
        static_cast<CRulesDlg&>(window).OnApply();
    });
    f.t.m_ui.ExpectMessage(
        QStringLiteral("Yarvelin1.0"),
        QStringLiteral(
            "The rules leave 1 of 3 products out of the feed: they will be removed from the product "
            "list. Ctrl+Z on the product list brings them back.\n\nApply the rules?"),
        MsgIcon::Question, MsgButtons::YesNoDefaultNo, MsgAnswer::Yes);
    rules->click();
    QVERIFY(shown);
    QCOMPARE(page.Model()->rowCount(), 2);  // the list shows the edited feed
    // One Ctrl+Z takes the whole application back: the product left out and the changed categories.
    page.OnUndo();
    QCOMPARE(page.Model()->rowCount(), 3);
    QCOMPARE(std::string(f.t.Doc().At(1).Field(kColInstock)), std::string("N"));
    QCOMPARE(std::string(f.t.Doc().At(0).Field(kColCategory)), std::string("Shop > Lamps"));
    QVERIFY2(f.t.m_ui.Done(), qPrintable(f.t.m_ui.Failure()));
}

QTEST_MAIN(RulesWindowTest)
void RulesWindowTest::tabLeavesTheRuleText() {
    Fixture f;
    CRulesDlg window(f.t.Gui());
    window.show();
    bool left = false;
    QTimer::singleShot(0, &window, [&left] {
        QWidget* editor = QApplication::activeModalWidget();
        auto* text = editor ? editor->findChild<QPlainTextEdit*>(QStringLiteral("ruleTextEdit")) : nullptr;
        if (text) {
            text->setFocus();
            QTest::keyClick(text, Qt::Key_Tab);
            left = editor->focusWidget() != text && !text->toPlainText().contains(QLatin1Char('\t'));
        }
        if (editor) {
            QMetaObject::invokeMethod(editor, "reject");
        }
    });
    FindChild<QTableWidget>(window, "rulesTable")->selectRow(0);
    FindChild<QPushButton>(window, "editRuleButton")->click();
    QVERIFY(left);
}

#include "rules_window_test.moc"

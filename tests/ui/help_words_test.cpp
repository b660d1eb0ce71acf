// The help topics name buttons, boxes and choices in bold: each of those words must be one the windows show,
// so that a renamed button or box fails here until the help says the new name.
#include <QAbstractButton>
#include <QAction>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QRegularExpression>
#include <QSet>
#include <QTabWidget>
#include <QTextDocumentFragment>
#include <QtTest>
#include <functional>
#include <memory>

#include "app/main_property_sheet.h"
#include "dialogs/diagnostics_dlg.h"
#include "dialogs/find_replace_dlg.h"
#include "dialogs/options_sheet.h"
#include "dialogs/product_editor_dlg.h"
#include "dialogs/set_column_dlg.h"
#include "import/import_dlg.h"
#include "rules/category_map_dlg.h"
#include "rules/rule_form_dlg.h"
#include "rules/rules_dlg.h"
#include "support/test_gui.h"

using namespace yarvelin;

namespace {

// A control's words as the help may name them: no mnemonic, no "..." or ":" after them, no wizard arrows.
QString Words(QString text) {
    text.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
    text.remove(QLatin1Char('&'));
    text.replace(QStringLiteral("\x01"), QStringLiteral("&"));
    text = text.simplified();
    for (const QString& cut :
         {QStringLiteral("..."), QStringLiteral(":"), QStringLiteral(">"), QStringLiteral("<")}) {
        if (text.endsWith(cut)) {
            text.chop(cut.size());
        }
        if (text.startsWith(cut)) {
            text.remove(0, cut.size());
        }
        text = text.trimmed();
    }
    return text;
}

void Collect(QWidget& window, QSet<QString>& words) {
    words << Words(window.windowTitle());
    for (QWidget* w : window.findChildren<QWidget*>()) {
        words << Words(w->accessibleName());
        if (auto* button = qobject_cast<QAbstractButton*>(w)) {
            words << Words(button->text());
        } else if (auto* label = qobject_cast<QLabel*>(w)) {
            words << Words(label->text());
        } else if (auto* group = qobject_cast<QGroupBox*>(w)) {
            words << Words(group->title());
        } else if (auto* tabs = qobject_cast<QTabWidget*>(w)) {
            for (int i = 0; i < tabs->count(); ++i) {
                words << Words(tabs->tabText(i));
            }
        } else if (auto* list = qobject_cast<QListWidget*>(w)) {
            for (int i = 0; i < list->count(); ++i) {
                words << Words(list->item(i)->text());
            }
        }
    }
    for (QAction* action : window.findChildren<QAction*>()) {
        words << Words(action->text());
    }
}

// Every word the program's windows show, and the answers of its message boxes.
QSet<QString> WindowWords(CTestGui& t) {
    QSet<QString> words{QStringLiteral("Yes"), QStringLiteral("No"), QStringLiteral("Cancel"),
                        QStringLiteral("OK")};
    COtherRecord product;
    product.SetField(kColCategory, "Home > Lamps");
    t.Doc().AddOrReplaceRecord(product);
    {
        CMainPropertySheet sheet(t.Gui(), false);
        sheet.show();
        for (int page = 0; page < 4; ++page) {
            sheet.SetActivePage(page);
            Collect(sheet, words);
        }
    }
    std::vector<std::unique_ptr<QWidget>> windows;
    windows.push_back(std::make_unique<COptionsSheet>(t.Gui()));
    windows.push_back(std::make_unique<CNewProductDlg>(t.Gui(), std::nullopt));
    windows.push_back(std::make_unique<CDiagnosticsDlg>(t.Gui(), false));
    windows.push_back(std::make_unique<CSetColumnDlg>(t.Gui(), std::vector<std::size_t>{0}));
    windows.push_back(std::make_unique<CFindReplaceDlg>(t.Gui(), std::vector<std::size_t>{0}));
    windows.push_back(std::make_unique<CImportDlg>(
        t.Gui(), QStringLiteral(YARVELIN_FIXTURES "/import/shopify/export.csv")));
    windows.push_back(std::make_unique<CRulesDlg>(t.Gui()));
    windows.push_back(std::make_unique<CRuleFormDlg>(t.m_ui));
    windows.push_back(
        std::make_unique<CCategoryMapDlg>(t.m_ui, t.Doc().Records(), QStringLiteral("shop.txt")));
    for (const auto& window : windows) {
        Collect(*window, words);
    }
    return words;
}

}  // namespace

class HelpWordsTest : public QObject {
    Q_OBJECT
  private slots:
    void boldWordsAreTheWindowsOwn_data() {
        QTest::addColumn<QString>("topic");
        const QDir help(QStringLiteral(YARVELIN_SOURCE_DIR "/resources/help/HTML"));
        for (const QString& name : help.entryList({QStringLiteral("*.htm")}, QDir::Files, QDir::Name)) {
            QTest::newRow(qPrintable(name)) << help.filePath(name);
        }
    }
    void boldWordsAreTheWindowsOwn() {
        QFETCH(QString, topic);
        QFile file(topic);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString html = QString::fromUtf8(file.readAll());
        CTestGui t;
        const QSet<QString> known = WindowWords(t);
        QStringList unknown;
        static const QRegularExpression bold(QStringLiteral("<b>(.*?)</b>"),
                                             QRegularExpression::DotMatchesEverythingOption);
        for (auto it = bold.globalMatch(html); it.hasNext();) {
            // The help's "&" is the character itself, as "&&" is on a button.
            const QString words = Words(QTextDocumentFragment::fromHtml(it.next().captured(1))
                                            .toPlainText()
                                            .replace(QLatin1Char('&'), QStringLiteral("&&")));
            if (!known.contains(words)) {
                unknown << words;
            }
        }
        QVERIFY2(unknown.isEmpty(),
                 qPrintable(QStringLiteral("not in any window: ") + unknown.join(QStringLiteral(" | "))));
    }
};

QTEST_MAIN(HelpWordsTest)
#include "help_words_test.moc"

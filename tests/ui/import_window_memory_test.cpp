// What the import window keeps and says in its own words: a saved map brings back the shop's address and
// currency, each row's transformations are shown and chosen, a missing address points at the window's own
// box, the empty currency box says what it stands for, and Save Map starts in the maps folder.
#include <QAction>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include "import/import_dlg.h"
#include "import/map_file.h"
#include "platform/text_codec.h"
#include "support/test_gui.h"
#include "support/widget_lookup.h"

using namespace yarvelin;

namespace {

const QString kShopify = QStringLiteral(YARVELIN_FIXTURES "/import/shopify/export.csv");
const QString kMapFilter = A("Column maps (*.toml)|*.toml|All Files (*.*)|*.*||");

struct ImportGui {
    ImportGui() {
        QDir(t.m_dir.path()).mkdir(QStringLiteral("Maps"));
        for (const char* name : kProfileNames) {
            const QString file = QLatin1String(name) + QStringLiteral(".toml");
            QFile::copy(QStringLiteral(YARVELIN_SOURCE_DIR "/resources/Maps/") + file,
                        t.m_dir.path() + QStringLiteral("/Maps/") + file);
        }
        // The maps folder of this run's own configuration.
        m_savedConfig = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config.path()));
    }
    ~ImportGui() {
        m_savedConfig.isEmpty() ? qunsetenv("XDG_CONFIG_HOME") : qputenv("XDG_CONFIG_HOME", m_savedConfig);
    }
    CTestGui t;
    QTemporaryDir m_config;
    QByteArray m_savedConfig;
};

QString Counts(const CImportDlg& dlg) {
    return FindChild<QLabel>(dlg, "countsLabel")->text();
}

QAction* Transform(QPushButton* button, const char* name) {
    for (QAction* action : button->menu()->actions()) {
        if (action->text() == QLatin1String(name)) {
            return action;
        }
    }
    return nullptr;
}

}  // namespace

class ImportWindowMemoryTest : public QObject {
    Q_OBJECT
  private slots:
    void savedMapBringsBackAddressAndCurrency();
    void transformationsAreShownAndChosenPerRow();
    void messagesSpeakOfTheWindowsBoxes();
};

void ImportWindowMemoryTest::savedMapBringsBackAddressAndCurrency() {
    ImportGui g;
    const QString path = g.t.m_dir.filePath(QStringLiteral("mine.toml"));
    {
        CImportDlg dlg(g.t.Gui(), kShopify);
        FindChild<QLineEdit>(dlg, "baseUrlEdit")->setText(QStringLiteral("https://northwind.example"));
        FindChild<QLineEdit>(dlg, "currencyEdit")->setText(QStringLiteral("EUR"));
        g.t.m_ui.ExpectSaveFile(kMapFilter, path);
        FindChild<QPushButton>(dlg, "saveMapButton")->click();
        QCOMPARE(g.t.m_ui.m_lastFileRequest.startFolder,
                 g.m_config.filePath(QStringLiteral("yarvelin/maps")));
        QVERIFY(QDir(g.m_config.filePath(QStringLiteral("yarvelin/maps"))).exists());
    }
    const ColumnMap saved = LoadColumnMap(ToPath(path));
    QCOMPARE(saved.baseUrl, std::string("https://northwind.example"));
    QCOMPARE(saved.currency, std::string("EUR"));

    CImportDlg dlg(g.t.Gui(), kShopify);
    QVERIFY(FindChild<QLineEdit>(dlg, "baseUrlEdit")->text().isEmpty());
    g.t.m_ui.ExpectOpenFile(kMapFilter, path);
    FindChild<QPushButton>(dlg, "loadMapButton")->click();
    QCOMPARE(FindChild<QLineEdit>(dlg, "baseUrlEdit")->text(), QStringLiteral("https://northwind.example"));
    QCOMPARE(FindChild<QLineEdit>(dlg, "currencyEdit")->text(), QStringLiteral("EUR"));
    QVERIFY2(Counts(dlg).startsWith(A("Rows read: 64")), qPrintable(Counts(dlg)));
}

void ImportWindowMemoryTest::transformationsAreShownAndChosenPerRow() {
    ImportGui g;
    CImportDlg dlg(g.t.Gui(), kShopify);
    auto* category = FindChild<QPushButton>(dlg, "transforms_category");
    auto* name = FindChild<QPushButton>(dlg, "transforms_name");
    QCOMPARE(category->text(), A("category_path"));
    QCOMPARE(name->text(), A("none"));
    for (const char* known : {"first_item", "category_path", "yes_no", "keep_html"}) {
        QVERIFY2(Transform(name, known) != nullptr, known);
    }
    Transform(name, "first_item")->trigger();
    QCOMPARE(name->text(), A("first_item"));
    QCOMPARE(dlg.Settings().map.transforms[kColName], TransformFromName("first_item"));
    Transform(category, "category_path")->trigger();
    QCOMPARE(category->text(), A("none"));
    QCOMPARE(dlg.Settings().map.transforms[kColCategory], 0u);
    dlg.resize(1200, 660);
    dlg.show();
    QVERIFY(SaveScreenshot(dlg, QStringLiteral("import_window_transforms.png")));
}

void ImportWindowMemoryTest::messagesSpeakOfTheWindowsBoxes() {
    ImportGui g;
    CImportDlg dlg(g.t.Gui(), kShopify);
    // The profile builds page addresses from the shop's address, which is not given yet.
    QVERIFY2(Counts(dlg).endsWith(A("enter it in the Shop address box.")), qPrintable(Counts(dlg)));
    QVERIFY2(!Counts(dlg).contains(A("--base-url")), qPrintable(Counts(dlg)));
    // The profile has no currency column: an empty box leaves the currency empty, and says so.
    QCOMPARE(FindChild<QLineEdit>(dlg, "currencyEdit")->placeholderText(), A("none: left empty"));
}

QTEST_MAIN(ImportWindowMemoryTest)
#include "import_window_memory_test.moc"

// Renders the start of the wizard, the account dialog and the splash as the user sees them; the
// screenshots target writes the pictures to docs/screenshots.
#include <QDir>
#include <QFile>
#include <QImage>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QtTest>

#include "app/compiled_resources.h"
#include "app/main_property_sheet.h"
#include "app/settings_store.h"
#include "app/yarvelin_gui.h"
#include "dialogs/account_setup_dlg.h"
#include "pages/start_page.h"
#include "support/scripted_ui_services.h"
#include "support/widget_lookup.h"
#include "widgets/splash_screen.h"

using namespace yarvelin;

namespace {

void Save(const QImage& image, const char* name) {
    QVERIFY(!image.isNull());
    QVERIFY(image.width() > 100 && image.height() > 100);
    QVERIFY(SaveScreenshot(image, QLatin1String(name)));
}

// A program folder with a readable name, so the sample paths in the picture look like an installation.
// It is this run's own, so two runs never share it.
QString ProgramFolder() {
    static QTemporaryDir base(QDir::tempPath() + QStringLiteral("/Yarvelin-XXXXXX"));
    const QString dir = base.path();
    QDir().mkpath(dir + QStringLiteral("/Samples"));
    for (const char* name : {"SampleElectronics.txt", "SampleFlowers.txt", "SampleOffice.txt"}) {
        QFile::copy(QStringLiteral(YARVELIN_SOURCE_DIR "/resources/Samples/") + QLatin1String(name),
                    dir + QStringLiteral("/Samples/") + QLatin1String(name));
    }
    return dir;
}

}  // namespace

class ScreenshotsTest : public QObject {
    Q_OBJECT
  private slots:
    // The splash picture is compiled in; without the program object nothing else registers it.
    void initTestCase() { RegisterGuiResources(); }
    void wizardOnStepOne();
    void accountSetup();
    void splash();
};

void ScreenshotsTest::wizardOnStepOne() {
    CYarvelinApp app;
    CMemorySettingsStore store;
    CScriptedUiServices ui;
    CYarvelinGui gui(app, store, ui, AppConfig{}, ProgramFolder());
    app.RecentFeeds().Add("/home/merchant/feeds/summer-catalogue.txt");
    app.RecentFeeds().Add("/home/merchant/feeds/myshop.txt");
    CMainPropertySheet sheet(gui, false);
    sheet.resize(760, 540);
    sheet.show();
    QVERIFY(QTest::qWaitForWindowExposed(&sheet));
    CPage1* page = sheet.StartPage();
    QTest::qWait(50);
    Save(page->grab().toImage(), "start_page.png");

    QTest::mouseClick(page->findChild<QRadioButton*>(QStringLiteral("openFileRadio")), Qt::LeftButton);
    auto* list = page->findChild<QListWidget*>(QStringLiteral("fileList"));
    list->setCurrentRow(list->count() - 1);
    QTest::mouseClick(page->findChild<QPushButton*>(QStringLiteral("openButton")), Qt::LeftButton);
    QCOMPARE(app.Document().Count(), std::size_t(30));
    QTest::qWait(50);
    Save(sheet.grab().toImage(), "wizard.png");
    QVERIFY2(ui.Done(), qPrintable(ui.Failure()));
}

void ScreenshotsTest::accountSetup() {
    CYarvelinApp app;
    CMemorySettingsStore store;
    CScriptedUiServices ui;
    CYarvelinGui gui(app, store, ui, AppConfig{}, QDir::tempPath());
    app.Document().SetAccount("myshop");
    CAccountSetupDlg dlg(gui);
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    Save(dlg.grab().toImage(), "account_setup.png");
}

void ScreenshotsTest::splash() {
    CSplashScreenEx* splash = new CSplashScreenEx;
    splash->Create(nullptr, QString(), 0, kSplashCenterOnScreen);
    QVERIFY(splash->SetBitmap(QStringLiteral(":/splash.png"), 255, 0, 255));
    splash->Show();
    // The window cut to its region, over a plain desktop, as a shaped window appears.
    const QImage window = splash->grab().toImage();
    QImage desktop(window.width() + 40, window.height() + 40, QImage::Format_RGB32);
    desktop.fill(QColor(58, 110, 165));
    QPainter p(&desktop);
    p.setClipRegion(splash->WindowRegion().translated(20, 20));
    p.drawImage(20, 20, window);
    p.end();
    Save(desktop, "splash.png");
    delete splash;
}

QTEST_MAIN(ScreenshotsTest)
#include "screenshots_test.moc"

// The wizard: loads the settings, runs the four-step sheet, writes the settings back.
#include <QApplication>
#include <QGuiApplication>
#include <cstdio>
#include <cstdlib>

#include <QFileInfo>

#include "app/main_property_sheet.h"
#include "app/password_vault.h"
#include "app/yarvelin_gui.h"
#include "build_config.h"
#include "platform/data_dir.h"
#include "platform/keychain_password_vault.h"
#include "platform/qt_settings_store.h"
#include "platform/text_codec.h"
#include "platform/ui_services.h"

namespace {

bool HasDisplay() {
    if (std::getenv("QT_QPA_PLATFORM") != nullptr) {
        return true;  // the caller chose a platform (offscreen, xcb, wayland ...)
    }
    auto set = [](const char* name) {
        const char* v = std::getenv(name);
        return v != nullptr && *v != '\0';
    };
    return set("DISPLAY") || set("WAYLAND_DISPLAY");
}

}  // namespace

int main(int argc, char** argv) {
    if (!HasDisplay()) {
        std::fprintf(stderr,
                     "yarvelin: no display found (neither DISPLAY nor WAYLAND_DISPLAY is set).\n"
                     "Start it from a desktop session, under a virtual display (xvfb-run ./yarvelin),\n"
                     "or with QT_QPA_PLATFORM=offscreen.\n");
        return 1;
    }
    QApplication qapp(argc, argv);  // the command line is otherwise ignored
    QApplication::setApplicationName(QStringLiteral("Yarvelin"));
    QApplication::setApplicationVersion(QStringLiteral(YARVELIN_VERSION));
    // Lets the desktop match the windows to the installed desktop entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral(YARVELIN_APP_ID));

    yarvelin::CYarvelinApp app;
    yarvelin::CQtSettingsStore store;
    app.LoadSettings(store);
    yarvelin::CQtUiServices ui;
    yarvelin::AppConfig config = yarvelin::AppConfig::FromStore(store);
    config.knownHostsFile =
        yarvelin::ToPath(QFileInfo(store.FilePath()).absolutePath() + QStringLiteral("/known_hosts"));
    // The keyring keeps the FTP password where one answers; a password an earlier version left in the
    // settings file moves there.
    yarvelin::CKeychainPasswordVault vault;
    yarvelin::MoveFtpPasswordToVault(store, &vault);
    yarvelin::CYarvelinGui gui(app, store, ui, config, yarvelin::ApplicationDataDir());
    gui.SetVault(&vault);
    {
        yarvelin::CMainPropertySheet sheet(gui);
        sheet.exec();
    }
    if (!yarvelin::ExitAndReportSettings(app, store, ui)) {
        std::fprintf(stderr, "yarvelin: the settings could not be written to %s: %s\n",
                     store.FilePath().toLocal8Bit().constData(),
                     store.LastFlushReason().toLocal8Bit().constData());
        return 1;
    }
    return 0;
}

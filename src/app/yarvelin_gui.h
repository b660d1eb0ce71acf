// What every page and dialog reaches: the application object, the settings store, the desktop services and
// the configuration, plus the two application-level windows (About, Options).
#pragma once

#include <QString>

#include "app/app_config.h"
#include "app/yarvelin_app.h"

class QWidget;

namespace yarvelin {

class PasswordVault;
class SettingsStore;
class UiServices;

class CYarvelinGui {
  public:
    CYarvelinGui(CYarvelinApp& app, SettingsStore& store, UiServices& ui, AppConfig config,
                 QString programDir);

    CYarvelinApp& App() { return m_app; }
    CFeedDocument& Document() { return m_app.Document(); }
    SettingsStore& Store() { return m_store; }
    UiServices& Ui() { return m_ui; }
    const AppConfig& Config() const { return m_config; }
    // The keyring for the FTP password; null: the settings file keeps it.
    PasswordVault* Vault() { return m_vault; }
    void SetVault(PasswordVault* vault) { m_vault = vault; }
    // Folder holding the sample feeds (Samples/): the program's own folder when it runs from its build
    // folder, the installed data folder otherwise (see DataDir). No trailing separator.
    const QString& ProgramDir() const { return m_programDir; }

    // The modal About box.
    void ShowAbout(QWidget* parent);
    // The modal options sheet.
    void ShowOptions(QWidget* parent);

  private:
    CYarvelinApp& m_app;
    SettingsStore& m_store;
    UiServices& m_ui;
    AppConfig m_config;
    QString m_programDir;
    PasswordVault* m_vault = nullptr;
};

class CQtSettingsStore;

// The end of the run: the exit sequence writes the settings; when their file cannot be written the user
// is told which file and why, since the changes of this run are lost. False in that case.
bool ExitAndReportSettings(CYarvelinApp& app, CQtSettingsStore& store, UiServices& ui);

}  // namespace yarvelin

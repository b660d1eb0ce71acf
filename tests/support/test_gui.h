// A complete program context for page and dialog tests: application object, in-memory settings,
// scripted desktop services and a temporary program folder.
#pragma once

#include <QTemporaryDir>
#include <memory>

#include "app/settings_store.h"
#include "app/yarvelin_app.h"
#include "app/yarvelin_gui.h"
#include "support/scripted_ui_services.h"

namespace yarvelin {

struct CTestGui {
    CTestGui();
    QTemporaryDir m_dir;  // stands in for the program folder
    CYarvelinApp m_app;
    CMemorySettingsStore m_store;
    CScriptedUiServices m_ui;
    std::unique_ptr<CYarvelinGui> m_gui;

    CYarvelinGui& Gui() { return *m_gui; }
    CFeedDocument& Doc() { return m_app.Document(); }
};

}  // namespace yarvelin

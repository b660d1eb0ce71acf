#include "app/remembered_alert.h"

#include "app/settings_names.h"
#include "app/settings_store.h"

namespace yarvelin {

namespace {

constexpr const settings::Text* kAlertFlags[] = {&settings::kDontShowWhiteSpace, &settings::kDontShowEscape,
                                                 &settings::kDontShowDelete};

}  // namespace

int CountHiddenAlerts(const SettingsStore& store) {
    int hidden = 0;
    for (const settings::Text* flag : kAlertFlags) {
        hidden += flag->Read(store) == "F" ? 0 : 1;
    }
    return hidden;
}

void ShowAllAlertsAgain(SettingsStore& store) {
    for (const settings::Text* flag : kAlertFlags) {
        flag->Write(store, "F");
    }
    store.Flush();
}

bool CRememberedAlert::ShouldShow() const {
    return m_flag.Read(m_store) == "F";
}

int CRememberedAlert::RememberedAnswer() const {
    return m_answer.Read(m_store);
}

void CRememberedAlert::Record(bool dontShowAgain, int answer) {
    m_flag.Write(m_store, dontShowAgain ? "T" : "F");
    m_answer.Write(m_store, answer);
    m_store.Flush();
}

}  // namespace yarvelin

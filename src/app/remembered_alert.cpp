#include "app/remembered_alert.h"

#include "app/settings_names.h"
#include "app/settings_store.h"

namespace yarvelin {

bool CRememberedAlert::ShouldShow() const {
    return m_store.GetString(settings::kSectionShow, m_flagName, "F") == "F";
}

int CRememberedAlert::RememberedAnswer() const {
    return m_store.GetInt(settings::kSectionShow, m_valueName, kAnswerYes);
}

void CRememberedAlert::Record(bool dontShowAgain, int answer) {
    m_store.WriteString(settings::kSectionShow, m_flagName, dontShowAgain ? "T" : "F");
    m_store.WriteInt(settings::kSectionShow, m_valueName, answer);
    m_store.Flush();
}

}  // namespace yarvelin

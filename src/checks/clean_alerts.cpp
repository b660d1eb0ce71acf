#include "checks/clean_alerts.h"

#include "app/remembered_alert.h"
#include "app/settings_names.h"

namespace yarvelin {

int CRememberedCleanAlerts::Ask(CleanAlertKind kind) {
    CRememberedAlert alert =
        kind == CleanAlertKind::Whitespace
            ? CRememberedAlert(m_store, settings::kDontShowWhiteSpace, settings::kDontShowWhiteSpaceValue)
            : CRememberedAlert(m_store, settings::kDontShowEscape, settings::kDontShowEscapeValue);
    if (!alert.ShouldShow()) {
        return alert.RememberedAnswer();
    }
    const DialogResult result = ShowDialog(kind);
    alert.Record(result.dontShowAgain, result.answer);
    return result.answer;
}

}  // namespace yarvelin

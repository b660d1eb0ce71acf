#include "app/remembered_alert.h"

#include "app/settings_store.h"

namespace yarvelin {

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

// A Yes/No alert whose answer can be remembered in the "Show" section.
#pragma once

#include <cstdint>
#include <string>

#include "app/setting.h"

namespace yarvelin {

inline constexpr int kAnswerYes = 1;
inline constexpr int kAnswerNo = 2;

class CRememberedAlert {
  public:
    // flag holds "T"/"F"; answer the last answer (1 Yes, 2 No).
    CRememberedAlert(SettingsStore& store, const Setting<std::string>& flag,
                     const Setting<std::int32_t>& answer)
        : m_store(store), m_flag(flag), m_answer(answer) {}

    // The alert is shown only while its flag reads exactly "F".
    bool ShouldShow() const;
    // The answer to use when the alert is not shown.
    int RememberedAnswer() const;
    // Stores the flag ("T" when the user ticked the box) and the answer, at once.
    void Record(bool dontShowAgain, int answer);

  private:
    SettingsStore& m_store;
    Setting<std::string> m_flag;
    Setting<std::int32_t> m_answer;
};

// How many of the remembered alerts the user has stopped ("do not show this again").
int CountHiddenAlerts(const SettingsStore& store);
// Every remembered alert is shown again from now on; the answers stay as they were.
void ShowAllAlertsAgain(SettingsStore& store);

}  // namespace yarvelin

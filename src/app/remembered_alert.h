// A Yes/No alert whose answer can be remembered in the "Show" section.
#pragma once

#include <string>

namespace yarvelin {

class SettingsStore;

inline constexpr int kAnswerYes = 1;
inline constexpr int kAnswerNo = 2;

class CRememberedAlert {
  public:
    // flagName holds "T"/"F"; valueName the last answer (1 Yes, 2 No).
    CRememberedAlert(SettingsStore& store, const char* flagName, const char* valueName)
        : m_store(store), m_flagName(flagName), m_valueName(valueName) {}

    // The alert is shown only while its flag reads exactly "F".
    bool ShouldShow() const;
    // The answer to use when the alert is not shown.
    int RememberedAnswer() const;
    // Stores the flag ("T" when the user ticked the box) and the answer, at once.
    void Record(bool dontShowAgain, int answer);

  private:
    SettingsStore& m_store;
    std::string m_flagName;
    std::string m_valueName;
};

}  // namespace yarvelin

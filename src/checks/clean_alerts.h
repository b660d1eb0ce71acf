// The two questions the text check may ask, and the rule that remembers their answers in "Show".
#pragma once

namespace yarvelin {

class SettingsStore;

enum class CleanAlertKind {
    Whitespace,  // newlines, tabs or carriage returns found
    Escape,      // special or extended characters found
};

// Answers kAnswerYes (1) or kAnswerNo (2) of app/remembered_alert.h.
class CleanAlerts {
  public:
    virtual ~CleanAlerts() = default;
    virtual int Ask(CleanAlertKind kind) = 0;
};

// Asks through a dialog only while the user has not silenced it; the answer and the tick are stored at once.
class CRememberedCleanAlerts : public CleanAlerts {
  public:
    struct DialogResult {
        int answer;
        bool dontShowAgain;
    };

    explicit CRememberedCleanAlerts(SettingsStore& store) : m_store(store) {}
    int Ask(CleanAlertKind kind) final;

  protected:
    // Shows the modal dialog of this kind.
    virtual DialogResult ShowDialog(CleanAlertKind kind) = 0;

  private:
    SettingsStore& m_store;
};

// Fixed answers, for runs without a user (the command-line companion, benchmarks).
class CFixedCleanAlerts : public CleanAlerts {
  public:
    CFixedCleanAlerts(int whitespaceAnswer, int escapeAnswer)
        : m_whitespace(whitespaceAnswer), m_escape(escapeAnswer) {}
    int Ask(CleanAlertKind kind) override {
        return kind == CleanAlertKind::Whitespace ? m_whitespace : m_escape;
    }

  private:
    int m_whitespace;
    int m_escape;
};

}  // namespace yarvelin

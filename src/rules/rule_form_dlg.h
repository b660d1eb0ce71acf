// A rule chosen in a form rather than typed as TOML: a name, up to three conditions on columns combined
// with all or any, and an action with its fields. OK gives the same [[rule]] text a merchant would type;
// "TOML Text..." hands what is chosen so far to the text editor for what the form does not offer.
#pragma once

#include <QDialog>
#include <array>
#include <string>

#include "rules/rule_text.h"

class QCheckBox;
class QComboBox;
class QFormLayout;
class QLabel;
class QLineEdit;

namespace yarvelin {

class UiServices;

class CRuleFormDlg : public QDialog {
    Q_OBJECT
  public:
    static constexpr int kConditionRows = 3;

    explicit CRuleFormDlg(UiServices& ui, QWidget* parent = nullptr);

    // The form as it stands.
    RuleForm Form() const;
    // After OK or TOML Text...: the rule's text (UTF-8), which compiles after OK.
    const std::string& RuleText() const { return m_text; }
    // Whether the user asked for the text editor instead.
    bool WantsText() const { return m_wantsText; }

    // OK: takes the rule only when it compiles; its mistake shows in the form.
    void accept() override;

  private:
    void UpdateRows();
    // A number box: nothing when empty; false (and the mistake shown) when it holds no number.
    bool ReadNumber(QLineEdit* box, const char* caption, std::optional<double>& out);

    UiServices& m_ui;
    std::string m_text;
    bool m_wantsText = false;
    QFormLayout* m_layout = nullptr;
    QLineEdit* m_name = nullptr;
    QComboBox* m_match = nullptr;
    std::array<QComboBox*, kConditionRows> m_condColumn{};
    std::array<QComboBox*, kConditionRows> m_condTest{};
    std::array<QLineEdit*, kConditionRows> m_condValue{};
    QComboBox* m_action = nullptr;
    QComboBox* m_column = nullptr;
    QLineEdit* m_value = nullptr;
    QLineEdit* m_find = nullptr;
    QCheckBox* m_pattern = nullptr;
    QLineEdit* m_with = nullptr;
    QLineEdit* m_multiply = nullptr;
    QLineEdit* m_add = nullptr;
    QLineEdit* m_atLeast = nullptr;
    QLineEdit* m_atMost = nullptr;
    QLineEdit* m_round = nullptr;
    QLabel* m_mistake = nullptr;
};

}  // namespace yarvelin

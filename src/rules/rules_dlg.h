// The rules window: the rules of one rules file in order, each with the number of products of the open
// feed it changes or leaves out, counted again after every change; rules are added, edited as their text,
// moved and deleted here, and Apply to Feed changes the open feed with them. Add... opens a form for a rule
// (its TOML text one click away); Category Map... starts a map rule from the open feed's categories.
#pragma once

#include <QDialog>
#include <functional>
#include <optional>
#include <string>

#include "rules/document_rules.h"

class QLabel;
class QPushButton;
class QTableWidget;

namespace yarvelin {

class CEditHistory;
class CYarvelinGui;

class CRulesDlg : public QDialog {
    Q_OBJECT
  public:
    // Opens the rules file last used with the open feed, when there is one.
    explicit CRulesDlg(CYarvelinGui& gui, QWidget* parent = nullptr);

    // Edits the text of one rule; nothing when cancelled. The text given back compiles. Tests put a
    // scripted editor here.
    using RuleEditor = std::function<std::optional<std::string>(const std::string& text)>;
    void SetRuleEditor(RuleEditor editor) { m_editRule = std::move(editor); }

    // Reads a rules file into the window; false (after telling the user) when it cannot be read.
    bool OpenFile(const std::string& path);
    void OnOpen();
    bool OnSave();
    bool OnSaveAs();
    void OnAdd();
    void OnCategoryMap();
    // Puts a rule's text (UTF-8, one [[rule]]) after the selected rule, or last.
    void AddRule(std::string text);
    void OnEdit();
    void OnMove(int by);
    void OnDelete();
    void OnApply();

    // Where Apply to Feed keeps what it changed and removed, so that the product list can take it back.
    void SetEditHistory(CEditHistory* history) { m_history = history; }

    // Whether Apply to Feed changed the open feed.
    bool FeedChanged() const { return m_feedChanged; }

    // Close (and Escape): asks first whether to save changed rules.
    void reject() override;

  private:
    // Compiles the rules and counts their hits on the open feed, then shows them.
    void Recount();
    bool WriteFile(const std::string& path);
    std::optional<std::string> EditRuleText(const std::string& text);
    int CurrentRow() const;
    void UpdateButtons();

    CYarvelinGui& m_gui;
    RuleTexts m_texts;
    std::string m_path;
    bool m_modified = false;
    bool m_feedChanged = false;
    std::optional<CRuleSet> m_rules;  // nothing while a rule has a mistake
    RuleEditor m_editRule;
    CEditHistory* m_history = nullptr;
    QLabel* m_fileLabel = nullptr;
    QTableWidget* m_table = nullptr;
    QLabel* m_status = nullptr;
    QPushButton* m_edit = nullptr;
    QPushButton* m_up = nullptr;
    QPushButton* m_down = nullptr;
    QPushButton* m_delete = nullptr;
    QPushButton* m_apply = nullptr;
    QPushButton* m_categoryMap = nullptr;
};

}  // namespace yarvelin

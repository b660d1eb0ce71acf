// "Find and replace...": a text or a regular expression replaced in one column or in all of the selected
// products, with a count of what it would change as the search is typed.
#pragma once

#include <cstddef>
#include <vector>

#include "dialogs/bulk_edit_dlg.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QTimer;

namespace yarvelin {

class CFindReplaceDlg : public CBulkEditDlg {
    Q_OBJECT
  public:
    CFindReplaceDlg(CYarvelinGui& gui, std::vector<std::size_t> positions, QWidget* parent = nullptr);

    QComboBox* ColumnBox() const { return m_column; }
    QLineEdit* FindBox() const { return m_find; }
    QLineEdit* ReplaceBox() const { return m_replace; }
    QCheckBox* RegexBox() const { return m_regex; }
    QCheckBox* MatchCaseBox() const { return m_matchCase; }
    QLabel* PreviewLabel() const { return m_preview; }
    // Counts again at once rather than after the pause in typing.
    void UpdatePreview();

    void accept() override;

  private:
    FindReplaceSpec Spec() const;

    QComboBox* m_column = nullptr;
    QLineEdit* m_find = nullptr;
    QLineEdit* m_replace = nullptr;
    QCheckBox* m_regex = nullptr;
    QCheckBox* m_matchCase = nullptr;
    QLabel* m_preview = nullptr;
    QTimer* m_previewTimer = nullptr;
};

}  // namespace yarvelin

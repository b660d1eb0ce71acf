// "Set column...": one value for one column of the selected products. OK plans the change and, when a
// product would break a rule of the product editor, says which one and stays open.
#pragma once

#include <cstddef>
#include <vector>

#include "dialogs/bulk_edit_dlg.h"

class QComboBox;
class QLabel;
class QLineEdit;

namespace yarvelin {

class CSetColumnDlg : public CBulkEditDlg {
    Q_OBJECT
  public:
    CSetColumnDlg(CYarvelinGui& gui, std::vector<std::size_t> positions, QWidget* parent = nullptr);

    QComboBox* ColumnBox() const { return m_column; }
    QLineEdit* ValueBox() const { return m_value; }
    void accept() override;

  private:
    void UpdateHint();

    QComboBox* m_column = nullptr;
    QLineEdit* m_value = nullptr;
    QLabel* m_hint = nullptr;
};

}  // namespace yarvelin

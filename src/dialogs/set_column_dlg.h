// "Set column...": one value for one column of the selected products. OK plans the change and, when a
// product would break a rule of the product editor, says which one and stays open.
#pragma once

#include <QDialog>
#include <cstddef>
#include <vector>

#include "pages/bulk_edit.h"

class QComboBox;
class QLabel;
class QLineEdit;

namespace yarvelin {

class CYarvelinGui;

class CSetColumnDlg : public QDialog {
    Q_OBJECT
  public:
    CSetColumnDlg(CYarvelinGui& gui, std::vector<std::size_t> positions, QWidget* parent = nullptr);

    QComboBox* ColumnBox() const { return m_column; }
    QLineEdit* ValueBox() const { return m_value; }
    // The planned change after OK.
    BulkChange TakeChange() { return std::move(m_change); }

    void accept() override;

  private:
    void UpdateHint();

    CYarvelinGui& m_gui;
    std::vector<std::size_t> m_positions;
    QComboBox* m_column = nullptr;
    QLineEdit* m_value = nullptr;
    QLabel* m_hint = nullptr;
    BulkChange m_change;
};

// The message for a refused change: which product (its number in the list) and column, and the rule.
QString BulkRefusalText(const BulkRefusal& refusal);
// The columns the two windows offer, by their names in the feed file.
void FillBulkColumnBox(QComboBox* box, bool withAllColumns);

}  // namespace yarvelin

// What the two windows that change many products at once share: the selected products, the change planned
// when OK is pressed, and the refusal box.
#pragma once

#include <QDialog>
#include <cstddef>
#include <vector>

#include "pages/bulk_edit.h"

class QComboBox;
class QDialogButtonBox;

namespace yarvelin {

class CYarvelinGui;

class CBulkEditDlg : public QDialog {
    Q_OBJECT
  public:
    // The planned change after OK.
    BulkChange TakeChange() { return std::move(m_change); }

  protected:
    CBulkEditDlg(CYarvelinGui& gui, std::vector<std::size_t> positions, QWidget* parent);

    // OK (with this text) and Cancel.
    QDialogButtonBox* MakeButtons(const char* okText);
    // Keeps a change that may be stored; otherwise says why not and leaves the window open.
    bool Keep(BulkChange&& change);

    CYarvelinGui& m_gui;
    std::vector<std::size_t> m_positions;

  private:
    BulkChange m_change;
};

// The message for a refused change: which product (its number in the list) and column, and the rule.
QString BulkRefusalText(const BulkRefusal& refusal);
// The columns the two windows offer, by their names in the feed file.
void FillBulkColumnBox(QComboBox* box, bool withAllColumns);

}  // namespace yarvelin

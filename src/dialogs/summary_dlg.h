// The read-only summary of every product with the field groups the user picks.
#pragma once

#include <QDialog>

class QCheckBox;
class QPushButton;
class QTableView;

namespace yarvelin {

class CYarvelinGui;
class CSummaryTableModel;

class CSummaryDlg : public QDialog {
    Q_OBJECT
  public:
    explicit CSummaryDlg(CYarvelinGui& gui, QWidget* parent = nullptr);

    QTableView* Table() const { return m_table; }
    CSummaryTableModel* Model() const { return m_model; }

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    // Reads the four check boxes, then builds the columns and fills the rows.
    void Rebuild();
    void BuildColumnWidths();

    CSummaryTableModel* m_model = nullptr;
    QTableView* m_table = nullptr;
    QCheckBox* m_basicCheck = nullptr;
    QCheckBox* m_commonCheck = nullptr;
    QCheckBox* m_allCheck = nullptr;
    QCheckBox* m_deletedCheck = nullptr;
    QPushButton* m_closeButton = nullptr;
    bool m_bBasic = true;
    bool m_bCommonExtended = true;
    bool m_bAllExtended = false;
    bool m_bIncludeDeleted = false;
};

}  // namespace yarvelin

// Step 2 of the wizard: the table of every product of the open feed and the commands that change them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <vector>

#include "pages/edit_history.h"
#include "pages/product_list_rules.h"
#include "pages/product_view.h"
#include "pages/wizard_page.h"

class QDialog;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTableView;

namespace yarvelin {

class CAnimatedLabel;
class CBulkEditDlg;
class CHoverButton;
class CProductTableModel;

class CPage3 : public CWizardPage {
    Q_OBJECT
  public:
    explicit CPage3(CYarvelinGui& gui, QWidget* parent = nullptr);

    bool OnSetActive() override;
    bool OnQueryCancel() override { return QueryCancelWithSaveQuestion(); }

    // Runs the product editor for a new product (no position) or the one at a position; true when it
    // stored the product. Tests put a scripted editor here.
    using EditorRunner = std::function<bool(std::optional<std::size_t> position)>;
    void SetEditorRunner(EditorRunner runner) { m_runEditor = std::move(runner); }

    // For the two checks: they attach to these buttons, report in the status line and progress bar, and
    // afterwards rebuild the table and select every row.
    QPushButton* VerifyDataButton() const { return m_verifyData; }
    QPushButton* VerifyUrlsButton() const { return m_verifyUrls; }
    QLabel* StatusText() const { return m_status; }
    QProgressBar* ProgressBar() const { return m_progress; }
    QTableView* Table() const { return m_table; }
    QPushButton* DiagnosticsButton() const { return m_diagnostics; }
    QPushButton* RulesButton() const { return m_rules; }
    QLineEdit* FilterBox() const { return m_filter; }
    QPushButton* SetColumnButton() const { return m_setColumn; }
    QPushButton* FindReplaceButton() const { return m_findReplace; }
    CProductTableModel* Model() const { return m_model; }
    const ListSort& Sort() const { return m_sort; }

    // Removes all rows and shows one row per product the filter keeps, in the chosen order; an empty table
    // turns the buttons to the no-selection state.
    void RebuildList();
    // Selects every row shown.
    void SelectAllRows();
    // The feed positions of the selected products in ascending order. Without a filter and an order, row
    // and position are the same.
    std::vector<std::size_t> SelectedRows() const;
    // Selects the rows that show the products at these positions (ascending); hidden ones are skipped.
    void SelectRows(const std::vector<std::size_t>& positions);
    // The state rule applied after a click and on activation.
    void UpdateButtonStates();

    void OnNew();
    void OnEdit();
    void OnMarkDeleted() { MarkSelected(true); }
    void OnUnmark() { MarkSelected(false); }
    void OnRemove();
    void OnRemoveAll();
    void OnViewAll();
    void OnOptions();
    void OnVerifyData();
    void OnVerifyUrls();
    void OnDiagnostics();
    void OnRules();
    // Runs the rules window; tests script the window here.
    using RulesRunner = std::function<void(QDialog& window)>;
    void SetRulesRunner(RulesRunner runner) { m_runRules = std::move(runner); }
    void OnSetColumn();
    void OnFindReplace();
    // Ctrl+Z: takes back the last Set column, Find and replace or Remove.
    void OnUndo();
    // A click on a column's header: ascending, descending, file order.
    void OnHeaderClicked(int column);
    // Runs the Set column and Find and replace windows (exec unless a test scripts them); returns the
    // window's result.
    using BulkDialogRunner = std::function<int(QDialog& window)>;
    void SetBulkDialogRunner(BulkDialogRunner runner) { m_runBulkDialog = std::move(runner); }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

  private:
    QPushButton* AddButton(const char* text, const char* objectName, void (CPage3::*command)());
    void ApplyButtonStates(const CListButtonStates& states);
    void ApplyColumnWidths();
    void MarkSelected(bool marked);
    bool RunEditor(std::optional<std::size_t> position);
    // The selection state when some row is selected; otherwise the buttons stay as they are.
    void SelectionStateIfSelected();
    void OnFilterEdited();
    // The rows for the current filter and order. narrowFrom: the filter the shown rows were made with, when
    // the current one only keeps fewer of them.
    void ApplyView(const ProductFilter* narrowFrom = nullptr);
    void ShowFilterStatus();
    // Which products have a finding of a diagnostic code, worked out once per state of the feed.
    const std::vector<bool>& CodePositions(int code);
    void ForgetCodePositions() { m_codePositions.clear(); }
    // Runs a window that changes the selected products and stores what it planned.
    void RunBulkEdit(CBulkEditDlg& window, const std::vector<std::size_t>& selected);
    // After a change to many products: rebuild, select them again and say what happened.
    void ShowChanged(const std::vector<std::size_t>& positions, const std::string& what);

    CProductTableModel* m_model = nullptr;
    QTableView* m_table = nullptr;
    CAnimatedLabel* m_heading = nullptr;
    QLabel* m_status = nullptr;
    QProgressBar* m_progress = nullptr;
    QPushButton* m_new = nullptr;
    QPushButton* m_edit = nullptr;
    QPushButton* m_markDeleted = nullptr;
    QPushButton* m_unmark = nullptr;
    QPushButton* m_verifyUrls = nullptr;
    QPushButton* m_verifyData = nullptr;
    QPushButton* m_remove = nullptr;
    QPushButton* m_removeAll = nullptr;
    QPushButton* m_viewAll = nullptr;
    QPushButton* m_diagnostics = nullptr;
    QPushButton* m_rules = nullptr;
    RulesRunner m_runRules;
    CHoverButton* m_options = nullptr;
    EditorRunner m_runEditor;
    // The feed the status line speaks of.
    std::uint64_t m_nFeedSerial = 0;
    QLineEdit* m_filter = nullptr;
    QPushButton* m_setColumn = nullptr;
    QPushButton* m_findReplace = nullptr;
    BulkDialogRunner m_runBulkDialog;
    ProductFilter m_filterSpec;
    ListSort m_sort;
    CEditHistory m_history;
    std::map<int, std::vector<bool>> m_codePositions;
    std::uint64_t m_codeEditCount = 0;
    std::uint64_t m_codeFeedSerial = 0;
    // The state of the feed the shown rows were made from.
    std::uint64_t m_rowsEditCount = 0;
    std::uint64_t m_rowsFeedSerial = 0;
};

}  // namespace yarvelin

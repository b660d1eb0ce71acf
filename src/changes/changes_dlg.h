// The Changes window of the upload page: what changed between the last upload to the page's place and the
// file it would send now, filtered by kind and by column; a product still in the open feed opens in the
// product editor.
#pragma once

#include <QDialog>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>

#include "changes/feed_diff.h"

class QComboBox;
class QLabel;
class QTableView;

namespace yarvelin {

class CChangeTableModel;
class CYarvelinGui;

class CChangesDlg : public QDialog {
    Q_OBJECT
  public:
    // summary: the page's "since the last upload here" line.
    CChangesDlg(CYarvelinGui& gui, std::shared_ptr<const FeedDiff> diff, const QString& summary,
                QWidget* parent = nullptr);

    // Runs the product editor on a record position; true when it stored the product. Tests put a scripted
    // editor here.
    using EditorRunner = std::function<bool(std::size_t position)>;
    void SetEditorRunner(EditorRunner runner) { m_runEditor = std::move(runner); }

    // The product of a row in the open feed: the first with its key; none when the feed has no such product.
    std::optional<std::size_t> PositionOf(const QModelIndex& index) const;
    // The editor on the product of a row; true when it stored the product.
    bool OpenChange(const QModelIndex& index);

    CChangeTableModel* Model() const { return m_model; }
    QTableView* Table() const { return m_table; }

  private:
    void ApplyFilter();

    CYarvelinGui& m_gui;
    std::shared_ptr<const FeedDiff> m_diff;
    CChangeTableModel* m_model = nullptr;
    QTableView* m_table = nullptr;
    QComboBox* m_kind = nullptr;
    QComboBox* m_column = nullptr;
    QLabel* m_note = nullptr;
    EditorRunner m_runEditor;
};

}  // namespace yarvelin

// The changes since the last upload as a table for the Changes window: key, kind, column, old, new.
#pragma once

#include <QAbstractTableModel>
#include <memory>
#include <vector>

#include "changes/upload_changes.h"

namespace yarvelin {

class CChangeTableModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    enum Column { kKey, kKind, kColumn, kOld, kNew, kColumns };

    explicit CChangeTableModel(std::shared_ptr<const FeedDiff> diff, QObject* parent = nullptr);

    // Lists only the rows the filter lets through.
    void SetFilter(const ChangeRowFilter& filter);
    const ChangeRow* RowAt(int row) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

  private:
    std::shared_ptr<const FeedDiff> m_diff;
    std::vector<ChangeRow> m_rows;
};

}  // namespace yarvelin

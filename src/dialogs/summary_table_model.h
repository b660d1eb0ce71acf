// The summary's table over the feed document: one row per listed product, no copies of the texts.
#pragma once

#include <QAbstractTableModel>
#include <cstdint>
#include <vector>

#include "dialogs/summary_rules.h"

namespace yarvelin {

class CFeedDocument;

class CSummaryTableModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    explicit CSummaryTableModel(const CFeedDocument& document, QObject* parent = nullptr);

    // Chooses the columns and the listed products and rebuilds the table.
    void Rebuild(const CSummaryGroups& groups, bool includeDeleted);

    const std::vector<CSummaryColumn>& Columns() const { return m_columns; }
    // Position in the document of the product shown in this row.
    std::size_t RecordPosition(int row) const { return m_shown[static_cast<std::size_t>(row)]; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

  private:
    const CFeedDocument& m_document;
    std::vector<CSummaryColumn> m_columns;
    // Record positions of the listed rows.
    std::vector<std::uint32_t> m_shown;
};

}  // namespace yarvelin

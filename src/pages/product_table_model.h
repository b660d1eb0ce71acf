// The product list's table over the feed document. It holds no texts of its own: a rebuild is a model reset
// that only takes the new row map (which product each row shows, four bytes a row), and cells are read from
// the records when the view paints them.
#pragma once

#include <QAbstractTableModel>
#include <QString>
#include <cstddef>
#include <optional>

#include "pages/product_view.h"

namespace yarvelin {

class CFeedDocument;

class CProductTableModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    explicit CProductTableModel(const CFeedDocument& document, QObject* parent = nullptr);

    // Removes all rows and shows one row per product of the document, in order.
    void Rebuild();
    // Shows the products at these positions, in this order.
    void SetRows(RowMap rows);
    // The feed position of the product a row shows; nothing for a row past the end.
    std::optional<std::size_t> PositionAt(int row) const;
    // The row that shows the product at a position; -1 when it is not shown. Linear for a filtered or
    // ordered list: for one lookup, not for each of many.
    int RowOf(std::size_t position) const;
    // Whether row i shows the product at position i for every row of the feed.
    bool ShowsEveryProductInOrder() const { return m_identity; }
    const RowMap& Rows() const { return m_rows; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

  private:
    const CFeedDocument& m_document;
    // Row -> position, as of the last rebuild; the document may have moved on until the next one.
    RowMap m_rows;
    bool m_identity = true;
};

}  // namespace yarvelin

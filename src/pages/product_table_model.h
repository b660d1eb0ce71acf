// The product list's table over the feed document. It holds no texts of its own: a rebuild is a model reset
// that only takes the new row count, and cells are read from the records when the view paints them.
#pragma once

#include <QAbstractTableModel>
#include <QString>
#include <cstddef>

namespace yarvelin {

class CFeedDocument;

class CProductTableModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    explicit CProductTableModel(const CFeedDocument& document, QObject* parent = nullptr);

    // Removes all rows and shows one row per product of the document, in order.
    void Rebuild();

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

  private:
    const CFeedDocument& m_document;
    // Rows shown since the last rebuild; the document may have moved on until the next one.
    int m_rowCount = 0;
};

}  // namespace yarvelin

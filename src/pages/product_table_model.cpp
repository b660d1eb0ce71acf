#include "pages/product_table_model.h"

#include <algorithm>

#include "app/feed_document.h"
#include "pages/product_list_rules.h"
#include "platform/text_codec.h"

namespace yarvelin {

CProductTableModel::CProductTableModel(const CFeedDocument& document, QObject* parent)
    : QAbstractTableModel(parent), m_document(document) {}

void CProductTableModel::Rebuild() {
    beginResetModel();
    m_rowCount = static_cast<int>(m_document.Count());
    endResetModel();
}

int CProductTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_rowCount;
}

int CProductTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kListColumnCount;
}

QVariant CProductTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= m_rowCount) {
        return {};
    }
    if (role == Qt::TextAlignmentRole) {
        return QVariant::fromValue(
            (IsListColumnRightAligned(index.column()) ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
    }
    if (role != Qt::DisplayRole) {
        return {};
    }
    // A row whose product has gone since the last rebuild shows nothing rather than reading past the list.
    const auto row = static_cast<std::size_t>(index.row());
    if (row >= m_document.Count()) {
        return {};
    }
    return FromCp1252(ListCellText(m_document.At(row), row, index.column()));
}

QVariant CProductTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= kListColumnCount) {
        return {};
    }
    if (role == Qt::DisplayRole) {
        return A(ListColumnTitle(section));
    }
    if (role == Qt::TextAlignmentRole) {
        return QVariant::fromValue((IsListColumnRightAligned(section) ? Qt::AlignRight : Qt::AlignLeft) |
                                   Qt::AlignVCenter);
    }
    return {};
}

}  // namespace yarvelin

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

void CProductTableModel::Freeze(int firstRow, int lastRow) {
    m_frozenCells.clear();
    m_frozenFirst = std::max(firstRow, 0);
    const int last = std::min(lastRow, m_rowCount - 1);
    for (int row = m_frozenFirst; row <= last; ++row) {
        for (int column = 0; column < kListColumnCount; ++column) {
            m_frozenCells.push_back(data(index(row, column)).toString());
        }
    }
    m_bFrozen = true;
}

void CProductTableModel::Thaw() {
    m_bFrozen = false;
    m_frozenCells.clear();
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
    if (m_bFrozen) {
        const qsizetype cell =
            static_cast<qsizetype>(index.row() - m_frozenFirst) * kListColumnCount + index.column();
        return index.row() >= m_frozenFirst && cell < m_frozenCells.size() ? QVariant(m_frozenCells[cell])
                                                                           : QVariant();
    }
    // A row whose product has gone since the last rebuild shows nothing rather than reading past the list.
    const auto row = static_cast<std::size_t>(index.row());
    if (row >= m_document.Count() || !m_document.m_records[row]) {
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

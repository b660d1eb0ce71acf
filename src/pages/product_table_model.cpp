#include "pages/product_table_model.h"

#include <algorithm>

#include "app/feed_document.h"
#include "pages/product_list_rules.h"
#include "platform/text_codec.h"

namespace yarvelin {

CProductTableModel::CProductTableModel(const CFeedDocument& document, QObject* parent)
    : QAbstractTableModel(parent), m_document(document) {}

void CProductTableModel::Rebuild() {
    SetRows(FilterPositions(m_document, {}, {}));
}

void CProductTableModel::SetRows(RowMap rows) {
    beginResetModel();
    m_rows = std::move(rows);
    m_identity = m_rows.size() == m_document.Count();
    for (std::size_t i = 0; m_identity && i < m_rows.size(); ++i) {
        m_identity = m_rows[i] == i;
    }
    endResetModel();
}

std::optional<std::size_t> CProductTableModel::PositionAt(int row) const {
    if (row < 0 || static_cast<std::size_t>(row) >= m_rows.size()) {
        return std::nullopt;
    }
    return m_rows[static_cast<std::size_t>(row)];
}

int CProductTableModel::RowOf(std::size_t position) const {
    if (m_identity) {
        return position < m_rows.size() ? static_cast<int>(position) : -1;
    }
    const auto it = std::find(m_rows.begin(), m_rows.end(), position);
    return it == m_rows.end() ? -1 : static_cast<int>(it - m_rows.begin());
}

int CProductTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int CProductTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kListColumnCount;
}

QVariant CProductTableModel::data(const QModelIndex& index, int role) const {
    const std::optional<std::size_t> position = PositionAt(index.isValid() ? index.row() : -1);
    if (!position) {
        return {};
    }
    if (role == Qt::TextAlignmentRole) {
        return QVariant::fromValue(
            (IsListColumnRightAligned(index.column()) ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
    }
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole) {
        return {};
    }
    // A row whose product has gone since the last rebuild shows nothing rather than reading past the list.
    if (*position >= m_document.Count()) {
        return {};
    }
    if (role == Qt::ToolTipRole) {
        // The findings themselves, where the cell only counts them.
        if (index.column() != kListUrlsCheck) {
            return {};
        }
        const std::string detail = UrlsCheckDetail(m_document.At(*position));
        return detail.empty() ? QVariant() : QVariant(FromCp1252(detail));
    }
    return FromCp1252(ListCellText(m_document.At(*position), *position, index.column()));
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

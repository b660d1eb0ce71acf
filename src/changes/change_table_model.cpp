#include "changes/change_table_model.h"

#include <utility>

#include "platform/text_codec.h"

namespace yarvelin {

CChangeTableModel::CChangeTableModel(std::shared_ptr<const FeedDiff> diff, QObject* parent)
    : QAbstractTableModel(parent), m_diff(std::move(diff)) {
    SetFilter({});
}

void CChangeTableModel::SetFilter(const ChangeRowFilter& filter) {
    beginResetModel();
    m_rows = m_diff ? ListChangeRows(*m_diff, filter) : std::vector<ChangeRow>();
    endResetModel();
}

const ChangeRow* CChangeTableModel::RowAt(int row) const {
    return row >= 0 && static_cast<std::size_t>(row) < m_rows.size() ? &m_rows[static_cast<std::size_t>(row)]
                                                                     : nullptr;
}

int CChangeTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int CChangeTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumns;
}

QVariant CChangeTableModel::data(const QModelIndex& index, int role) const {
    const ChangeRow* row = RowAt(index.row());
    if (row == nullptr || (role != Qt::DisplayRole && role != Qt::ToolTipRole)) {
        return {};
    }
    switch (index.column()) {
        case kKey:
            return FromCp1252(row->key);
        case kKind:
            return A(ChangeKindName(row->kind));
        case kColumn:
            return row->column < 0 ? QString() : A(kColumnNames[row->column]);
        case kOld:
            return FromCp1252(row->before);
        case kNew:
            return FromCp1252(row->after);
        default:
            return {};
    }
}

QVariant CChangeTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    static const char* const kHeaders[kColumns] = {"Key", "Kind", "Column", "Old", "New"};
    return section >= 0 && section < kColumns ? A(kHeaders[section]) : QVariant();
}

}  // namespace yarvelin

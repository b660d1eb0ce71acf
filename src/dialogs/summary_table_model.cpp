#include "dialogs/summary_table_model.h"

#include <QColor>
#include <QFont>

#include "app/feed_document.h"
#include "platform/text_codec.h"

namespace yarvelin {

CSummaryTableModel::CSummaryTableModel(const CFeedDocument& document, QObject* parent)
    : QAbstractTableModel(parent), m_document(document), m_columns(SummaryColumns(CSummaryGroups{})) {}

void CSummaryTableModel::Rebuild(const CSummaryGroups& groups, bool includeDeleted) {
    beginResetModel();
    m_columns = SummaryColumns(groups);
    m_shown.clear();
    m_shown.reserve(m_document.Count());
    for (std::size_t i = 0; i < m_document.Count(); ++i) {
        if (IsListedInSummary(m_document.At(i), includeDeleted)) {
            m_shown.push_back(static_cast<std::uint32_t>(i));
        }
    }
    m_shown.shrink_to_fit();
    endResetModel();
}

int CSummaryTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_shown.size());
}

int CSummaryTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_columns.size());
}

QVariant CSummaryTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= columnCount()) {
        return {};
    }
    const CSummaryColumn& column = m_columns[static_cast<std::size_t>(index.column())];
    if (role == Qt::TextAlignmentRole) {
        return QVariant::fromValue((column.rightAligned ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
    }
    const std::size_t position = m_shown[static_cast<std::size_t>(index.row())];
    if (position >= m_document.Count()) {
        return {};
    }
    // Products marked for removal (shown only with View All) stand apart: grey and slanted.
    if (role == Qt::ForegroundRole || role == Qt::FontRole || role == Qt::ToolTipRole) {
        if (IsListedInSummary(m_document.At(position), false)) {
            return {};
        }
        if (role == Qt::ForegroundRole) {
            return QColor(Qt::gray);
        }
        if (role == Qt::ToolTipRole) {
            return A("Marked for removal");
        }
        QFont font;
        font.setItalic(true);
        return font;
    }
    if (role != Qt::DisplayRole) {
        return {};
    }
    return FromCp1252(
        // Numbered by place in the feed as the product list numbers them, gaps of hidden products kept.
        SummaryCellText(m_document.At(position), position, column));
}

QVariant CSummaryTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= columnCount()) {
        return {};
    }
    const CSummaryColumn& column = m_columns[static_cast<std::size_t>(section)];
    if (role == Qt::DisplayRole) {
        return A(column.title);
    }
    if (role == Qt::TextAlignmentRole) {
        return QVariant::fromValue((column.rightAligned ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
    }
    return {};
}

}  // namespace yarvelin

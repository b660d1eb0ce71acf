#include "dialogs/diagnostics_model.h"

#include <QApplication>
#include <QFont>
#include <QStyle>
#include <algorithm>

#include "platform/text_codec.h"
#include "records/other_record.h"

namespace yarvelin {

namespace {
// internalId of a group row; a finding row carries its group's position + 1.
constexpr quintptr kGroupId = 0;

QIcon SeverityIcon(DiagnosticSeverity severity) {
    QStyle* style = QApplication::style();
    switch (severity) {
        case DiagnosticSeverity::kError:
            return style->standardIcon(QStyle::SP_MessageBoxCritical);
        case DiagnosticSeverity::kWarning:
            return style->standardIcon(QStyle::SP_MessageBoxWarning);
        case DiagnosticSeverity::kInfo:
            break;
    }
    return style->standardIcon(QStyle::SP_MessageBoxInformation);
}
}  // namespace

CDiagnosticsModel::CDiagnosticsModel(QObject* parent) : QAbstractItemModel(parent) {}

void CDiagnosticsModel::SetDiagnosis(FeedDiagnosis diagnosis) {
    beginResetModel();
    m_diagnosis = std::move(diagnosis);
    std::array<std::vector<std::uint32_t>, kDiagnosticCodeCount> byCode;
    for (std::size_t i = 0; i < m_diagnosis.findings.size(); ++i) {
        byCode[static_cast<std::size_t>(m_diagnosis.findings[i].code)].push_back(
            static_cast<std::uint32_t>(i));
    }
    m_groups.clear();
    for (DiagnosticCode code : CodesInReportOrder()) {
        auto& positions = byCode[static_cast<std::size_t>(code)];
        if (!positions.empty()) {
            m_groups.push_back({code, std::move(positions)});
        }
    }
    endResetModel();
}

const Diagnostic* CDiagnosticsModel::FindingAt(const QModelIndex& index) const {
    if (!index.isValid() || index.internalId() == kGroupId) {
        return nullptr;
    }
    const Group& group = m_groups[index.internalId() - 1];
    return &m_diagnosis.findings[group.findings[static_cast<std::size_t>(index.row())]];
}

QModelIndex CDiagnosticsModel::GroupIndex(DiagnosticCode code) const {
    for (std::size_t g = 0; g < m_groups.size(); ++g) {
        if (m_groups[g].code == code) {
            return createIndex(static_cast<int>(g), 0, kGroupId);
        }
    }
    return {};
}

QModelIndex CDiagnosticsModel::index(int row, int column, const QModelIndex& parent) const {
    if (row < 0 || column < 0 || column >= kColumnCount) {
        return {};
    }
    if (!parent.isValid()) {
        return row < static_cast<int>(m_groups.size()) ? createIndex(row, column, kGroupId) : QModelIndex();
    }
    if (parent.internalId() != kGroupId) {
        return {};
    }
    const auto& group = m_groups[static_cast<std::size_t>(parent.row())];
    if (row >= static_cast<int>(group.findings.size())) {
        return {};
    }
    return createIndex(row, column, static_cast<quintptr>(parent.row()) + 1);
}

QModelIndex CDiagnosticsModel::parent(const QModelIndex& child) const {
    if (!child.isValid() || child.internalId() == kGroupId) {
        return {};
    }
    return createIndex(static_cast<int>(child.internalId() - 1), 0, kGroupId);
}

int CDiagnosticsModel::rowCount(const QModelIndex& parent) const {
    if (!parent.isValid()) {
        return static_cast<int>(m_groups.size());
    }
    if (parent.internalId() != kGroupId || parent.column() != 0) {
        return 0;
    }
    return static_cast<int>(m_groups[static_cast<std::size_t>(parent.row())].findings.size());
}

int CDiagnosticsModel::columnCount(const QModelIndex&) const {
    return kColumnCount;
}

QVariant CDiagnosticsModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) {
        return {};
    }
    if (index.internalId() == kGroupId) {
        const Group& group = m_groups[static_cast<std::size_t>(index.row())];
        const DiagnosticSeverity severity = SeverityOf(group.code);
        if (role == Qt::DisplayRole && index.column() == kWhat) {
            // The count is that of the whole feed; a file's findings may be listed only in part.
            const std::size_t listed = group.findings.size();
            const std::size_t count =
                std::max(listed, m_diagnosis.totals.perCode[static_cast<std::size_t>(group.code)]);
            // Words for the merchant, the code beside them for scripts and searches.
            QString text =
                QStringLiteral("%1 (%2, %3): %4")
                    .arg(QLatin1String(DiagnosticCodeTitle(group.code)),
                         QLatin1String(DiagnosticCodeName(group.code)), QLatin1String(SeverityName(severity)))
                    .arg(count);
            if (count > listed) {
                text += QStringLiteral(" (first %1 listed)").arg(listed);
            }
            return text;
        }
        if (role == Qt::DecorationRole && index.column() == kWhat) {
            return SeverityIcon(severity);
        }
        if (role == Qt::FontRole) {
            QFont font;
            font.setBold(true);
            return font;
        }
        return {};
    }
    const Diagnostic* d = FindingAt(index);
    if (d == nullptr || (role != Qt::DisplayRole && role != Qt::ToolTipRole)) {
        return {};
    }
    switch (index.column()) {
        case kRow:
            return d->row > 0 ? QVariant(static_cast<qulonglong>(d->row)) : QVariant();
        case kOfferId:
            return FromCp1252(d->offerId);
        case kColumn:
            return d->column >= 0 ? QVariant(QLatin1String(kColumnNames[d->column])) : QVariant();
        case kMessage:
            return FromCp1252(d->message);
        default:
            return {};
    }
}

QVariant CDiagnosticsModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
        return {};
    }
    switch (section) {
        case kWhat:
            return QStringLiteral("Finding");
        case kRow:
            return QStringLiteral("Row");
        case kOfferId:
            return QStringLiteral("Offer ID");
        case kColumn:
            return QStringLiteral("Column");
        case kMessage:
            return QStringLiteral("Message");
        default:
            return {};
    }
}

}  // namespace yarvelin

// The diagnostics window's tree: one group per code (errors first) with its count, and under it the
// findings in product order. Holds the findings of one diagnosis; no item objects per row.
#pragma once

#include <QAbstractItemModel>
#include <array>
#include <cstdint>
#include <vector>

#include "checks/feed_diagnosis.h"

namespace yarvelin {

class CDiagnosticsModel : public QAbstractItemModel {
    Q_OBJECT
  public:
    enum Column { kWhat, kRow, kOfferId, kColumn, kMessage, kColumnCount };

    explicit CDiagnosticsModel(QObject* parent = nullptr);

    // Shows a new diagnosis (a model reset).
    void SetDiagnosis(FeedDiagnosis diagnosis);
    const FeedDiagnosis& Diagnosis() const { return m_diagnosis; }

    // The finding an index stands for, or nullptr for a group row.
    const Diagnostic* FindingAt(const QModelIndex& index) const;
    // The group row of a code, or an invalid index when the diagnosis has no such finding.
    QModelIndex GroupIndex(DiagnosticCode code) const;
    DiagnosticCode GroupCode(int groupRow) const { return m_groups[static_cast<std::size_t>(groupRow)].code; }

    QModelIndex index(int row, int column, const QModelIndex& parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

  private:
    struct Group {
        DiagnosticCode code;
        std::vector<std::uint32_t> findings;  // positions in m_diagnosis.findings
    };
    FeedDiagnosis m_diagnosis;
    std::vector<Group> m_groups;
};

}  // namespace yarvelin

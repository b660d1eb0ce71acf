#include "changes/changes_dlg.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>
#include <utility>

#include "app/yarvelin_gui.h"
#include "changes/change_table_model.h"
#include "dialogs/product_editor_dlg.h"
#include "platform/text_codec.h"

namespace yarvelin {

CChangesDlg::CChangesDlg(CYarvelinGui& gui, std::shared_ptr<const FeedDiff> diff, const QString& summary,
                         QWidget* parent)
    : QDialog(parent), m_gui(gui), m_diff(std::move(diff)) {
    setObjectName(QStringLiteral("CChangesDlg"));
    setWindowTitle(A("Changes Since the Last Upload"));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    resize(760, 460);
    auto* layout = new QVBoxLayout(this);

    auto* summaryLabel = new QLabel(summary, this);
    summaryLabel->setObjectName(QStringLiteral("summaryLabel"));
    layout->addWidget(summaryLabel);

    auto* filters = new QHBoxLayout;
    m_kind = new QComboBox(this);
    m_kind->setObjectName(QStringLiteral("kindFilter"));
    m_kind->addItem(A("All kinds"), -1);
    for (const ProductChangeKind kind :
         {ProductChangeKind::kAdded, ProductChangeKind::kRemoved, ProductChangeKind::kChanged}) {
        m_kind->addItem(A(ChangeKindName(kind)), static_cast<int>(kind));
    }
    auto* kindLabel = new QLabel(A("&Kind:"), this);
    kindLabel->setBuddy(m_kind);
    m_column = new QComboBox(this);
    m_column->setObjectName(QStringLiteral("columnFilter"));
    m_column->addItem(A("All columns"), -1);
    for (int k = 0; k < kColumnCount; ++k) {
        m_column->addItem(A(kColumnNames[k]), k);
    }
    auto* columnLabel = new QLabel(A("C&olumn:"), this);
    columnLabel->setBuddy(m_column);
    filters->addWidget(kindLabel);
    filters->addWidget(m_kind);
    filters->addWidget(columnLabel);
    filters->addWidget(m_column);
    filters->addStretch(1);
    layout->addLayout(filters);

    m_model = new CChangeTableModel(m_diff, this);
    m_table = new QTableView(this);
    m_table->setObjectName(QStringLiteral("changesTable"));
    m_table->setAccessibleName(A("Changes"));
    m_table->setModel(m_model);
    m_table->setAlternatingRowColors(true);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->horizontalHeader()->resizeSection(CChangeTableModel::kKey, 110);
    m_table->horizontalHeader()->resizeSection(CChangeTableModel::kKind, 70);
    m_table->horizontalHeader()->resizeSection(CChangeTableModel::kColumn, 100);
    m_table->horizontalHeader()->resizeSection(CChangeTableModel::kOld, 220);
    layout->addWidget(m_table, 1);

    m_note = new QLabel(A("Double-click a product to open it in the product editor."), this);
    m_note->setObjectName(QStringLiteral("noteLabel"));
    layout->addWidget(m_note);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->button(QDialogButtonBox::Close)->setObjectName(QStringLiteral("closeButton"));
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);

    connect(m_kind, &QComboBox::currentIndexChanged, this, &CChangesDlg::ApplyFilter);
    connect(m_column, &QComboBox::currentIndexChanged, this, &CChangesDlg::ApplyFilter);
    connect(m_table, &QTableView::doubleClicked, this,
            [this](const QModelIndex& index) { OpenChange(index); });
}

void CChangesDlg::ApplyFilter() {
    ChangeRowFilter filter;
    if (const int kind = m_kind->currentData().toInt(); kind >= 0) {
        filter.kind = static_cast<ProductChangeKind>(kind);
    }
    filter.column = m_column->currentData().toInt();
    m_model->SetFilter(filter);
}

std::optional<std::size_t> CChangesDlg::PositionOf(const QModelIndex& index) const {
    const ChangeRow* row = m_model->RowAt(index.row());
    if (row == nullptr) {
        return std::nullopt;
    }
    // The open feed may differ from the saved file; the key finds the product wherever it is now.
    const CFeedDocument& doc = m_gui.Document();
    for (std::size_t i = 0; i < doc.Count(); ++i) {
        if (doc.At(i).Field(kColOfferId) == row->key) {
            return i;
        }
    }
    return std::nullopt;
}

bool CChangesDlg::OpenChange(const QModelIndex& index) {
    const std::optional<std::size_t> position = PositionOf(index);
    if (!position) {
        if (const ChangeRow* row = m_model->RowAt(index.row())) {
            m_note->setText(A("The open feed has no product ") + FromCp1252(row->key) + A("."));
        }
        return false;
    }
    bool stored = false;
    if (m_runEditor) {
        stored = m_runEditor(*position);
    } else {
        CNewProductDlg editor(m_gui, *position, this);
        stored = editor.exec() == QDialog::Accepted;
    }
    m_gui.Document().NoteEditorClosed(stored);
    return stored;
}

}  // namespace yarvelin

#include "dialogs/summary_dlg.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include "app/yarvelin_gui.h"
#include "dialogs/summary_table_model.h"
#include "platform/text_codec.h"
#include "widgets/dialog_parts.h"

namespace yarvelin {

namespace {

QCheckBox* MakeCheck(const char* text, const char* objectName, bool checked, QWidget* parent) {
    auto* box = new QCheckBox(A(text), parent);
    box->setObjectName(QString::fromLatin1(objectName));
    box->setChecked(checked);
    return box;
}

}  // namespace

CSummaryDlg::CSummaryDlg(CYarvelinGui& gui, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("summaryDlg"));
    setWindowTitle(A("Product Information - Summary "));
    setModal(true);
    resize(820, 460);

    m_model = new CSummaryTableModel(gui.Document(), this);
    m_table = new QTableView(this);
    m_table->setObjectName(QStringLiteral("summaryTable"));
    m_table->setAccessibleName(A("Products"));
    m_table->setModel(m_model);
    ConfigureReportTable(m_table);
    m_table->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    m_table->horizontalHeader()->setStretchLastSection(false);

    // Every opening starts from these states; nothing is remembered between openings.
    m_basicCheck = MakeCheck("Basic Fields", "basicFieldsCheck", true, this);
    m_commonCheck = MakeCheck("Common Extended Fields", "commonExtendedCheck", true, this);
    m_allCheck = MakeCheck("All Extended Fields", "allExtendedCheck", false, this);
    m_deletedCheck = MakeCheck("Include Items Marked Deleted", "includeDeletedCheck", false, this);
    m_closeButton = new QPushButton(A("&Close"), this);
    m_closeButton->setObjectName(QStringLiteral("closeButton"));
    m_closeButton->setDefault(true);

    for (QCheckBox* box : {m_basicCheck, m_commonCheck, m_allCheck, m_deletedCheck}) {
        connect(box, &QCheckBox::clicked, this, [this] { Rebuild(); });
    }
    connect(m_closeButton, &QPushButton::clicked, this, &QDialog::reject);

    auto* checks = new QHBoxLayout;
    checks->addWidget(m_basicCheck);
    checks->addWidget(m_commonCheck);
    checks->addWidget(m_allCheck);
    checks->addSpacing(12);
    checks->addWidget(m_deletedCheck);
    checks->addStretch(1);
    checks->addWidget(m_closeButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_table, 1);
    layout->addLayout(checks);

    Rebuild();
}

void CSummaryDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // The list has its real width only now.
    BuildColumnWidths();
}

void CSummaryDlg::Rebuild() {
    m_bBasic = m_basicCheck->isChecked();
    m_bCommonExtended = m_commonCheck->isChecked();
    m_bAllExtended = m_allCheck->isChecked();
    m_bIncludeDeleted = m_deletedCheck->isChecked();
    m_model->Rebuild(CSummaryGroups{m_bBasic, m_bCommonExtended, m_bAllExtended}, m_bIncludeDeleted);
    BuildColumnWidths();
}

void CSummaryDlg::BuildColumnWidths() {
    const int unit = SummaryWidthUnit(m_table->viewport()->width());
    const auto& columns = m_model->Columns();
    for (std::size_t i = 0; i < columns.size(); ++i) {
        m_table->horizontalHeader()->resizeSection(static_cast<int>(i), SummaryColumnWidth(columns[i], unit));
    }
}

}  // namespace yarvelin

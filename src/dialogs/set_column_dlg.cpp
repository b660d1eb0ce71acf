#include "dialogs/set_column_dlg.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/yarvelin_gui.h"
#include "platform/text_codec.h"
#include "platform/ui_services.h"
#include "widgets/dialog_parts.h"

namespace yarvelin {

QString BulkRefusalText(const BulkRefusal& refusal) {
    QString where = A("Product %1").arg(refusal.position + 1);
    if (refusal.column >= 0 && refusal.column < kColumnCount) {
        where += A(", column %1").arg(A(kColumnNames[refusal.column]));
    }
    return where + A(":\n") + FromCp1252(refusal.message);
}

void FillBulkColumnBox(QComboBox* box, bool withAllColumns) {
    if (withAllColumns) {
        box->addItem(A("All columns"), -1);
    }
    for (int k = 0; k < kColumnCount; ++k) {
        if (IsBulkEditableColumn(k)) {
            box->addItem(A(kColumnNames[k]), k);
        }
    }
}

CSetColumnDlg::CSetColumnDlg(CYarvelinGui& gui, std::vector<std::size_t> positions, QWidget* parent)
    : QDialog(parent), m_gui(gui), m_positions(std::move(positions)) {
    setObjectName(QStringLiteral("CSetColumnDlg"));
    setWindowTitle(A("Set Column"));
    auto* intro = new QLabel(A("Give one column the same value in the %1 selected product(s). They will need "
                               "to be verified again.")
                                 .arg(m_positions.size()),
                             this);
    intro->setWordWrap(true);
    m_column = new QComboBox(this);
    m_column->setObjectName(QStringLiteral("columnBox"));
    FillBulkColumnBox(m_column, false);
    m_column->setCurrentIndex(m_column->findData(static_cast<int>(kColPrice)));
    m_value = MakeLineEdit("valueBox", this);
    m_hint = new QLabel(this);
    m_hint->setObjectName(QStringLiteral("hintLabel"));
    m_hint->setWordWrap(true);
    connect(m_column, &QComboBox::currentIndexChanged, this, [this] { UpdateHint(); });

    auto* form = new QFormLayout;
    auto* columnLabel = new QLabel(A("&Column:"), this);
    columnLabel->setBuddy(m_column);
    auto* valueLabel = new QLabel(A("&Value:"), this);
    valueLabel->setBuddy(m_value);
    form->addRow(columnLabel, m_column);
    form->addRow(valueLabel, m_value);
    form->addRow(QString(), m_hint);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(A("&Set"));
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("okButton"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addLayout(form);
    layout->addWidget(buttons);
    setMinimumWidth(420);
    UpdateHint();
    m_value->setFocus();
}

void CSetColumnDlg::UpdateHint() {
    const int column = m_column->currentData().toInt();
    const char* hint = "";
    switch (column) {
        case kColPrice:
        case kColShipping:
            hint = "An amount such as 12.50, or a change of each product's own amount: +5%, -10%, +2.50.";
            break;
        case kColInstock:
            hint = "Y or N.";
            break;
        case kColCurrency:
            hint = "A currency code, such as USD or EUR.";
            break;
        case kColExpDate:
            hint = "YYYYMMDDHHMM, or nothing when the offer does not expire.";
            break;
        default:
            break;
    }
    m_hint->setText(A(hint));
}

void CSetColumnDlg::accept() {
    m_change = PlanSetColumn(m_gui.Document(), m_positions, m_column->currentData().toInt(),
                             ToCp1252(m_value->text()));
    if (m_change.refusal) {
        m_gui.Ui().MessageBox(this, A("Yarvelin"), BulkRefusalText(*m_change.refusal), MsgIcon::Exclamation,
                              MsgButtons::Ok);
        m_value->setFocus();
        return;
    }
    QDialog::accept();
}

}  // namespace yarvelin

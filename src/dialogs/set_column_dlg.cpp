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
#include "widgets/dialog_parts.h"

namespace yarvelin {

CSetColumnDlg::CSetColumnDlg(CYarvelinGui& gui, std::vector<std::size_t> positions, QWidget* parent)
    : CBulkEditDlg(gui, std::move(positions), parent) {
    setObjectName(QStringLiteral("CSetColumnDlg"));
    setWindowTitle(A("Set Column"));
    auto* intro = new QLabel(A("Give one column the same value in the %1 selected product(s). They will need "
                               "to be verified again.")
                                 .arg(m_positions.size()),
                             this);
    intro->setWordWrap(true);
    m_column = new QComboBox(this);
    m_column->setObjectName(QStringLiteral("columnBox"));
    m_column->setAccessibleName(A("Column:"));
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

    QDialogButtonBox* buttons = MakeButtons("&Set");

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
    if (!Keep(PlanSetColumn(m_gui.Document(), m_positions, m_column->currentData().toInt(),
                            ToCp1252(m_value->text())))) {
        m_value->setFocus();
        return;
    }
    QDialog::accept();
}

}  // namespace yarvelin

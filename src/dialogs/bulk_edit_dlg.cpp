#include "dialogs/bulk_edit_dlg.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QPushButton>

#include "app/yarvelin_gui.h"
#include "platform/text_codec.h"
#include "platform/ui_services.h"

namespace yarvelin {

CBulkEditDlg::CBulkEditDlg(CYarvelinGui& gui, std::vector<std::size_t> positions, QWidget* parent)
    : QDialog(parent), m_gui(gui), m_positions(std::move(positions)) {}

QDialogButtonBox* CBulkEditDlg::MakeButtons(const char* okText) {
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(A(okText));
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("okButton"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    return buttons;
}

bool CBulkEditDlg::Keep(BulkChange&& change) {
    if (change.refusal) {
        m_gui.Ui().MessageBox(this, A("Yarvelin"), BulkRefusalText(*change.refusal), MsgIcon::Exclamation,
                              MsgButtons::Ok);
        return false;
    }
    m_change = std::move(change);
    return true;
}

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

}  // namespace yarvelin

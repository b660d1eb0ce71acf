#include "dialogs/delete_warning_dlg.h"

#include <QApplication>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include "app/remembered_alert.h"
#include "app/settings_names.h"
#include "app/yarvelin_gui.h"
#include "platform/text_codec.h"
#include "widgets/dialog_parts.h"

namespace yarvelin {

CDeleteWarningDlg::CDeleteWarningDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("deleteWarningDlg"));
    setWindowTitle(A("Warning - Permenant Delete"));
    setModal(true);

    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("warningIcon"));
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(32, 32));
    icon->setAlignment(Qt::AlignTop);
    auto* text = new QLabel(A("You've chosen to delete records. Deleting these records will remove them from "
                              "your file. Ctrl+Z brings them back as long as nothing else has changed "
                              "your products since.\n\n"
                              "Are you sure you want to continue?"),
                            this);
    text->setObjectName(QStringLiteral("warningText"));
    text->setWordWrap(true);
    text->setMinimumWidth(320);
    const CRememberedAlertControls controls = MakeRememberedAlertControls(this);
    m_dontShowCheck = controls.dontShow;
    QPushButton* yes = controls.yes;
    QPushButton* no = controls.no;
    connect(yes, &QPushButton::clicked, this, &QDialog::accept);
    connect(no, &QPushButton::clicked, this, &QDialog::reject);

    auto* top = new QHBoxLayout;
    top->addWidget(icon);
    top->addWidget(text, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(yes);
    buttons->addWidget(no);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_dontShowCheck);
    layout->addLayout(buttons);
    setFixedSize(sizeHint());
}

bool CDeleteWarningDlg::DontShowAgain() const {
    return m_dontShowCheck->isChecked();
}

int CDeleteWarningDlg::Run(CYarvelinGui& gui, QWidget* parent) {
    CRememberedAlert alert(gui.Store(), settings::kDontShowDelete, settings::kDontShowDeleteValue);
    if (!alert.ShouldShow()) {
        return alert.RememberedAnswer();
    }
    CDeleteWarningDlg dlg(parent);
    // Only Yes accepts; the close box and Escape answer No.
    const int answer = dlg.exec() == QDialog::Accepted ? kAnswerYes : kAnswerNo;
    alert.Record(dlg.DontShowAgain(), answer);
    return answer;
}

}  // namespace yarvelin

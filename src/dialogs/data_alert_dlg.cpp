#include "dialogs/data_alert_dlg.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include "app/remembered_alert.h"
#include "app/yarvelin_gui.h"
#include "platform/text_codec.h"
#include "platform/ui_services.h"
#include "widgets/dialog_parts.h"

namespace yarvelin {

CDataAlertDlg::CDataAlertDlg(CYarvelinGui& gui, const Texts& texts, QWidget* parent)
    : QDialog(parent), m_gui(gui), m_moreInfoUrl(texts.moreInfoUrl) {
    setWindowTitle(texts.title);
    setModal(true);

    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("iconLabel"));
    const int iconSize = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning, nullptr, this).pixmap(iconSize));
    icon->setAlignment(Qt::AlignTop | Qt::AlignHCenter);

    auto* textColumn = new QVBoxLayout;
    textColumn->setSpacing(10);
    for (int i = 0; i < 3; ++i) {
        auto* line = new QLabel(texts.lines[i], this);
        line->setObjectName(QStringLiteral("line%1Label").arg(i + 1));
        line->setWordWrap(true);
        // Wide enough that each sentence wraps at most once, as in the message boxes of the desktop.
        line->setMinimumWidth(470);
        line->setTextFormat(Qt::PlainText);
        if (i == 0) {
            QFont bold = line->font();
            bold.setBold(true);
            line->setFont(bold);
        }
        textColumn->addWidget(line);
    }

    auto* top = new QHBoxLayout;
    top->setSpacing(16);
    top->addWidget(icon, 0, Qt::AlignTop);
    top->addLayout(textColumn, 1);

    const CRememberedAlertControls controls = MakeRememberedAlertControls(this);
    m_dontShow = controls.dontShow;
    QPushButton* yes = controls.yes;
    QPushButton* no = controls.no;
    auto* more = new QPushButton(A("&More Info"), this);
    more->setObjectName(QStringLiteral("moreInfoButton"));
    more->setAutoDefault(false);
    connect(yes, &QPushButton::clicked, this, [this] { done(kAnswerYes); });
    connect(no, &QPushButton::clicked, this, [this] { done(kAnswerNo); });
    // The help page opens beside the dialog, which stays for the answer; a browser that fails says nothing.
    connect(more, &QPushButton::clicked, this, [this] { OpenWebAddress(m_gui.Ui(), this, m_moreInfoUrl); });

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(yes);
    buttons->addWidget(no);
    buttons->addWidget(more);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(18, 18, 18, 14);
    layout->setSpacing(14);
    layout->addLayout(top);
    layout->addWidget(m_dontShow);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    yes->setFocus();
}

bool CDataAlertDlg::DontShowAgain() const {
    return m_dontShow->isChecked();
}

void CDataAlertDlg::reject() {
    done(kAnswerNo);
}

}  // namespace yarvelin

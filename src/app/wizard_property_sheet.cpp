#include "app/wizard_property_sheet.h"

#include <QCloseEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

#include "app/wizard_rules.h"
#include "pages/wizard_page.h"
#include "platform/text_codec.h"

namespace yarvelin {

CWizardPropertySheet::CWizardPropertySheet(const QString& title, QWidget* parent) : QDialog(parent) {
    setWindowTitle(title);
    auto* layout = new QVBoxLayout(this);
    m_captionLabel = new QLabel(this);
    m_captionLabel->setObjectName(QStringLiteral("pageCaption"));
    QFont captionFont = m_captionLabel->font();
    captionFont.setBold(true);
    m_captionLabel->setFont(captionFont);
    layout->addWidget(m_captionLabel);
    m_stack = new QStackedWidget(this);
    layout->addWidget(m_stack, 1);
    auto* line = new QFrame(this);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    layout->addWidget(line);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    m_back = new QPushButton(A("< Ba&ck"), this);
    m_next = new QPushButton(A("Ne&xt >"), this);
    m_finish = new QPushButton(A("Finish"), this);
    m_cancel = new QPushButton(A("Cancel"), this);
    m_help = new QPushButton(A("Help"), this);
    for (QPushButton* b : {m_back, m_next, m_finish, m_cancel, m_help}) {
        b->setAutoDefault(false);
        buttons->addWidget(b);
    }
    m_back->setObjectName(QStringLiteral("backButton"));
    m_next->setObjectName(QStringLiteral("nextButton"));
    m_finish->setObjectName(QStringLiteral("finishButton"));
    m_cancel->setObjectName(QStringLiteral("cancelButton"));
    m_help->setObjectName(QStringLiteral("helpButton"));
    layout->addLayout(buttons);

    connect(m_back, &QPushButton::clicked, this, &CWizardPropertySheet::PressBack);
    connect(m_next, &QPushButton::clicked, this, &CWizardPropertySheet::PressNext);
    connect(m_finish, &QPushButton::clicked, this, &CWizardPropertySheet::PressFinish);
    connect(m_cancel, &QPushButton::clicked, this, &CWizardPropertySheet::reject);
    connect(m_help, &QPushButton::clicked, this, &CWizardPropertySheet::PressHelp);
}

void CWizardPropertySheet::AddPage(CWizardPage* page) {
    page->AttachToSheet(this);
    m_pages.push_back(page);
    m_stack->addWidget(page);
}

void CWizardPropertySheet::Start() {
    SetWizardButtons(InitialWizardButtons(PageCount()));
    if (!m_pages.empty()) {
        ShowPage(0);
    }
}

void CWizardPropertySheet::SetWizardButtons(unsigned flags) {
    m_buttons = flags;
    m_back->setEnabled(flags & kWizBack);
    // Next and Finish share their place: Finish replaces Next when it is on.
    const bool finish = (flags & (kWizFinish | kWizDisabledFinish)) != 0;
    m_finish->setVisible(finish);
    m_finish->setEnabled(flags & kWizFinish);
    m_next->setVisible(!finish);
    m_next->setEnabled(flags & kWizNext);
    UpdateDefaultButton();
}

void CWizardPropertySheet::UpdateDefaultButton() {
    QPushButton* pageDefault = ActivePage() ? ActivePage()->DefaultButton() : nullptr;
    const bool finish = (m_buttons & (kWizFinish | kWizDisabledFinish)) != 0;
    QPushButton* def = pageDefault ? pageDefault : (finish ? m_finish : m_next);
    m_next->setDefault(def == m_next);
    m_finish->setDefault(def == m_finish);
    if (pageDefault) {
        pageDefault->setDefault(true);
    }
}

void CWizardPropertySheet::ShowPage(int index) {
    if (index < 0 || index >= PageCount()) {
        return;
    }
    m_active = index;
    CWizardPage* page = Page(index);
    m_stack->setCurrentWidget(page);
    m_captionLabel->setText(page->Caption());
    page->OnSetActive();
    UpdateDefaultButton();
}

void CWizardPropertySheet::SetActivePage(int index) {
    if (index == m_active) {
        return;
    }
    ShowPage(index);
}

void CWizardPropertySheet::PressBack() {
    if (!(m_buttons & kWizBack) || m_active < 0) {
        return;
    }
    const unsigned before = m_buttons;
    const int at = m_active;
    const unsigned preceding = ButtonsOnBack(m_active);
    SetWizardButtons(preceding);
    CWizardPage* page = ActivePage();
    if (page->OnWizardBack() != kWizardMoveOn || !page->OnKillActive()) {
        if (m_active == at && m_buttons == preceding) {
            SetWizardButtons(before);
        }
        return;
    }
    ShowPage(m_active - 1);
}

void CWizardPropertySheet::PressNext() {
    if (!(m_buttons & kWizNext) || (m_buttons & (kWizFinish | kWizDisabledFinish)) || m_active < 0) {
        return;
    }
    // The buttons of the following page are set before the page decides whether to move; a page that
    // stays gets its own back, unless it moved the sheet or set buttons itself.
    const unsigned before = m_buttons;
    const int at = m_active;
    const unsigned following = ButtonsOnNext(m_active, PageCount());
    SetWizardButtons(following);
    CWizardPage* page = ActivePage();
    if (page->OnWizardNext() != kWizardMoveOn || !page->OnKillActive()) {
        if (m_active == at && m_buttons == following) {
            SetWizardButtons(before);
        }
        return;
    }
    ShowPage(m_active + 1);
}

void CWizardPropertySheet::PressFinish() {
    if (!(m_buttons & kWizFinish) || m_active < 0) {
        return;
    }
    if (ActivePage()->OnWizardFinish()) {
        done(QDialog::Accepted);
    }
}

void CWizardPropertySheet::PressHelp() {
    OnHelp(m_active);
}

void CWizardPropertySheet::OnHelp(int) {}

void CWizardPropertySheet::reject() {
    CWizardPage* page = ActivePage();
    if (page && !page->OnQueryCancel()) {
        return;
    }
    QDialog::reject();
}

void CWizardPropertySheet::closeEvent(QCloseEvent* event) {
    event->ignore();
    reject();
}

void CWizardPropertySheet::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F1) {
        PressHelp();
        return;
    }
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        QPushButton* pageDefault = ActivePage() ? ActivePage()->DefaultButton() : nullptr;
        if (pageDefault && pageDefault->isEnabled() && pageDefault->isVisible()) {
            pageDefault->click();
        } else if (m_buttons & kWizFinish) {
            PressFinish();
        } else {
            PressNext();
        }
        return;
    }
    QDialog::keyPressEvent(event);
}

}  // namespace yarvelin

#include "dialogs/options_sheet.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QVBoxLayout>

#include "app/remembered_alert.h"
#include "app/settings_store.h"
#include "app/yarvelin_gui.h"
#include "dialogs/options_defaults_page.h"
#include "dialogs/options_parameters_page.h"
#include "platform/text_codec.h"
#include "platform/ui_services.h"

namespace yarvelin {

COptionsSheet::COptionsSheet(CYarvelinGui& gui, QWidget* parent) : QDialog(parent), m_gui(gui) {
    setObjectName(QStringLiteral("optionsSheet"));
    setWindowTitle(A("Options & Settings"));
    auto* layout = new QVBoxLayout(this);
    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("optionsTabs"));
    m_parameters = new COptions1(gui, m_tabs);
    m_defaults = new COptions2(gui, m_tabs);
    m_tabs->addTab(m_parameters, A("Parameters"));
    m_tabs->addTab(m_defaults, A("Default Values"));
    layout->addWidget(m_tabs, 1);

    auto* row = new QHBoxLayout;
    // On the left, apart from the buttons that close the sheet: it acts at once, nothing to apply.
    m_showWarnings = new QPushButton(A("Show all &warnings again"), this);
    m_showWarnings->setObjectName(QStringLiteral("showWarningsButton"));
    m_showWarnings->setAutoDefault(false);
    m_showWarnings->setToolTip(
        A("The warnings you asked not to see again (blanks, escapes, removing products) are shown again"));
    m_showWarnings->setEnabled(CountHiddenAlerts(gui.Store()) > 0);
    row->addWidget(m_showWarnings);
    row->addStretch(1);
    const auto makeButton = [&](const char* text, const QString& name) {
        auto* button = new QPushButton(A(text), this);
        button->setObjectName(name);
        button->setAutoDefault(false);
        row->addWidget(button);
        return button;
    };
    m_ok = makeButton("OK", QStringLiteral("okButton"));
    m_ok->setDefault(true);
    m_cancel = makeButton("Cancel", QStringLiteral("cancelButton"));
    m_cancel->setEnabled(false);
    m_apply = makeButton("&Apply", QStringLiteral("applyButton"));
    m_apply->setEnabled(false);
    m_help = makeButton("Help", QStringLiteral("helpButton"));
    layout->addLayout(row);

    for (COptionsPage* page :
         {static_cast<COptionsPage*>(m_parameters), static_cast<COptionsPage*>(m_defaults)}) {
        page->SetModifiedHandler([this] { m_apply->setEnabled(true); });
    }
    connect(m_ok, &QPushButton::clicked, this, &COptionsSheet::PressOk);
    connect(m_apply, &QPushButton::clicked, this, &COptionsSheet::PressApply);
    connect(m_help, &QPushButton::clicked, this, &COptionsSheet::PressHelp);
    connect(m_showWarnings, &QPushButton::clicked, this, [this] {
        ShowAllAlertsAgain(m_gui.Store());
        m_showWarnings->setEnabled(false);
    });
    connect(m_tabs, &QTabWidget::currentChanged, this, &COptionsSheet::OnTabChanged);
    resize(620, 560);
}

COptionsPage* COptionsSheet::Page(int index) const {
    return static_cast<COptionsPage*>(m_tabs->widget(index));
}

void COptionsSheet::OnTabChanged(int index) {
    if (index == m_activeIndex) {
        return;
    }
    // The page being left may refuse (a bad number): it stays in front.
    if (!Page(m_activeIndex)->OnKillActive()) {
        const QSignalBlocker block(m_tabs);
        m_tabs->setCurrentIndex(m_activeIndex);
        return;
    }
    m_activeIndex = index;
}

void COptionsSheet::ApplyAll() {
    m_parameters->OnApply();
    m_defaults->OnApply();
    m_apply->setEnabled(false);
}

void COptionsSheet::PressOk() {
    if (!Page(m_activeIndex)->OnKillActive()) {
        return;
    }
    ApplyAll();
    accept();
}

void COptionsSheet::PressApply() {
    if (!Page(m_activeIndex)->OnKillActive()) {
        return;
    }
    ApplyAll();
}

void COptionsSheet::PressHelp() {
    OpenWebAddress(m_gui.Ui(), this, FromCp1252(m_gui.Config().optionsHelpUrl));
}

void COptionsSheet::keyPressEvent(QKeyEvent* event) {
    // With Cancel off, Escape does not close the sheet; F1 asks for help.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_F1) {
        PressHelp();
        return;
    }
    QDialog::keyPressEvent(event);
}

void CYarvelinGui::ShowOptions(QWidget* parent) {
    {
        COptionsSheet sheet(*this, parent);
        sheet.exec();
    }
    m_ui.MessageBox(parent, A("Warning: Changes Not Reflected"),
                    A("The changes that you made to the default values will not be reflected until the next "
                      "new product that you enter or edit."),
                    MsgIcon::Information, MsgButtons::Ok);
}

}  // namespace yarvelin

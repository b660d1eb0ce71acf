#include "pages/wizard_page.h"

#include "app/wizard_property_sheet.h"
#include "app/wizard_rules.h"
#include "app/yarvelin_gui.h"
#include "platform/text_codec.h"
#include "platform/ui_services.h"

namespace yarvelin {

inline constexpr int kSavePageIndex = 2;

CWizardPage::CWizardPage(CYarvelinGui& gui, const QString& caption, QWidget* parent)
    : QWidget(parent), m_gui(gui), m_caption(caption) {}

bool CWizardPage::QueryCancelWithSaveQuestion() {
    if (!m_gui.Document().IsChanged()) {
        return true;
    }
    const MsgAnswer answer = m_gui.Ui().MessageBox(
        this, A("Yarvelin"),
        A("This data in this file has changed. \nDo you want to save the changes you made to this file?"),
        MsgIcon::Question, MsgButtons::YesNoCancel);
    if (answer == MsgAnswer::Yes) {
        if (m_sheet) {
            m_sheet->SetActivePage(kSavePageIndex);
            // The save page's own buttons, whichever page the jump came from.
            m_sheet->SetWizardButtons(kWizBack | kWizNext);
        }
        return false;
    }
    return answer == MsgAnswer::No;
}

}  // namespace yarvelin

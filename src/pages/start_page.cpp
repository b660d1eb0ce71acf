#include "pages/start_page.h"

#include "platform/text_codec.h"

namespace yarvelin {

CPage1::CPage1(CYarvelinGui& gui, QWidget* parent)
    : CWizardPage(gui, A("Yarvelin : Step 1 > Create New Data Feed or Open Existing Feed File"), parent) {
    setObjectName(QStringLiteral("CPage1"));
}

}  // namespace yarvelin

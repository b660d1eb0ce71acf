#include "pages/save_page.h"

#include "platform/text_codec.h"

namespace yarvelin {

CPage4::CPage4(CYarvelinGui& gui, QWidget* parent)
    : CWizardPage(gui, A("Yarvelin : Step 3 > Extended Format Headers & Save"), parent) {
    setObjectName(QStringLiteral("CPage4"));
}

}  // namespace yarvelin

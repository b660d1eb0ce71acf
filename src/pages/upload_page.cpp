#include "pages/upload_page.h"

#include "platform/text_codec.h"

namespace yarvelin {

CPage5::CPage5(CYarvelinGui& gui, QWidget* parent)
    : CWizardPage(gui, A("Yarvelin : Step 4 > Upload To Quorvin"), parent) {
    setObjectName(QStringLiteral("CPage5"));
}

}  // namespace yarvelin

#include "pages/product_list_page.h"

#include "platform/text_codec.h"

namespace yarvelin {

CPage3::CPage3(CYarvelinGui& gui, QWidget* parent)
    : CWizardPage(gui, A("Yarvelin : Step 2 > Add or Modify Product Information"), parent) {
    setObjectName(QStringLiteral("CPage3"));
}

}  // namespace yarvelin

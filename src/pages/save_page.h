#pragma once

#include "pages/wizard_page.h"

namespace yarvelin {

class CPage4 : public CWizardPage {
    Q_OBJECT
  public:
    explicit CPage4(CYarvelinGui& gui, QWidget* parent = nullptr);
};

}  // namespace yarvelin

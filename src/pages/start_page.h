#pragma once

#include "pages/wizard_page.h"

namespace yarvelin {

class CPage1 : public CWizardPage {
    Q_OBJECT
  public:
    explicit CPage1(CYarvelinGui& gui, QWidget* parent = nullptr);

    bool OnQueryCancel() override { return QueryCancelWithSaveQuestion(); }
};

}  // namespace yarvelin

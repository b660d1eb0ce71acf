// The text check's question about extended characters: escape them (Yes) or remove them (No).
#pragma once

#include "dialogs/data_alert_dlg.h"

namespace yarvelin {

class CEscapeAlertDlg : public CDataAlertDlg {
    Q_OBJECT
  public:
    CEscapeAlertDlg(CYarvelinGui& gui, QWidget* parent);
};

}  // namespace yarvelin

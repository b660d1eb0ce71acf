// The text check's question about newlines and tabs: remove them (Yes) or quote the text (No).
#pragma once

#include "dialogs/data_alert_dlg.h"

namespace yarvelin {

class CWhitespaceAlertDlg : public CDataAlertDlg {
    Q_OBJECT
  public:
    CWhitespaceAlertDlg(CYarvelinGui& gui, QWidget* parent);
};

}  // namespace yarvelin

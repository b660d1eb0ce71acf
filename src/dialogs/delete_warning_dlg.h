// The warning before products are deleted for good, with the answer the user can ask to be remembered.
#pragma once

#include <QDialog>

class QCheckBox;

namespace yarvelin {

class CYarvelinGui;

class CDeleteWarningDlg : public QDialog {
    Q_OBJECT
  public:
    explicit CDeleteWarningDlg(QWidget* parent = nullptr);

    bool DontShowAgain() const;

    // Shows the warning unless the user asked not to see it again, and gives the answer: kAnswerYes or
    // kAnswerNo (the remembered one when nothing was shown).
    static int Run(CYarvelinGui& gui, QWidget* parent);

  private:
    QCheckBox* m_dontShowCheck = nullptr;
};

}  // namespace yarvelin

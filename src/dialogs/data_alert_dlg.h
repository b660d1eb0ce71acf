// The look and answers shared by the text check's two alerts: an icon, three lines, the "do not show again"
// box and Yes / No / More Info. exec() gives 1 for Yes and 2 for No, however else the dialog is closed.
#pragma once

#include <QDialog>
#include <QString>

class QCheckBox;

namespace yarvelin {

class CYarvelinGui;

class CDataAlertDlg : public QDialog {
    Q_OBJECT
  public:
    struct Texts {
        QString title;
        QString lines[3];
        QString moreInfoUrl;
    };

    CDataAlertDlg(CYarvelinGui& gui, const Texts& texts, QWidget* parent);

    bool DontShowAgain() const;
    void reject() override;

  private:
    CYarvelinGui& m_gui;
    QString m_moreInfoUrl;
    QCheckBox* m_dontShow = nullptr;
};

}  // namespace yarvelin

// The small dialog in which the merchant enters the user name of the Quorvin account.
#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;

namespace yarvelin {

class CYarvelinGui;

class CAccountSetupDlg : public QDialog {
    Q_OBJECT
  public:
    // Shows the document's account name; "Setup Account" stores the text as typed and closes with
    // Accepted, anything else leaves the name alone.
    explicit CAccountSetupDlg(CYarvelinGui& gui, QWidget* parent = nullptr);

    QLineEdit* UserNameEdit() const { return m_userName; }

  public slots:
    void accept() override;

  private:
    void OnGettingAccount();

    CYarvelinGui& m_gui;
    QLineEdit* m_userName = nullptr;
};

}  // namespace yarvelin

// A page of the wizard sheet. The sheet calls these hooks; a page overrides the ones it has rules for.
#pragma once

#include <QString>
#include <QWidget>

class QPushButton;

namespace yarvelin {

class CYarvelinGui;
class CWizardPropertySheet;

inline constexpr int kWizardMoveOn = 0;  // OnWizardNext/OnWizardBack: go to the neighbouring page
inline constexpr int kWizardStay = -1;   // ... stay on this page

class CWizardPage : public QWidget {
    Q_OBJECT
  public:
    CWizardPage(CYarvelinGui& gui, const QString& caption, QWidget* parent = nullptr);

    const QString& Caption() const { return m_caption; }
    CWizardPropertySheet* Sheet() const { return m_sheet; }
    void AttachToSheet(CWizardPropertySheet* sheet) { m_sheet = sheet; }

    // The page is about to be shown.
    virtual bool OnSetActive() { return true; }
    // The page is about to be left; false keeps it.
    virtual bool OnKillActive() { return true; }
    virtual int OnWizardNext() { return kWizardMoveOn; }
    virtual int OnWizardBack() { return kWizardMoveOn; }
    virtual bool OnWizardFinish() { return true; }
    // Cancel, the close box or Escape: true lets the wizard close.
    virtual bool OnQueryCancel() { return true; }
    // A button of the page that Enter presses instead of the sheet's Next or Finish (nullptr: none).
    virtual QPushButton* DefaultButton() const { return nullptr; }

  protected:
    // The save-changes question shared by steps 1, 2 and 4: Yes shows the save page and keeps the wizard
    // open, No closes it, Cancel stays. Without changes the wizard closes.
    bool QueryCancelWithSaveQuestion();

    CYarvelinGui& m_gui;

  private:
    QString m_caption;
    CWizardPropertySheet* m_sheet = nullptr;
};

}  // namespace yarvelin

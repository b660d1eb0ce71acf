// A property sheet in wizard mode: pages one at a time, Back / Next / Finish / Cancel / Help, and the
// button rule that keeps them consistent with the page shown.
#pragma once

#include <QDialog>
#include <QFont>
#include <vector>

class QLabel;
class QPushButton;
class QStackedWidget;
class QMenu;

namespace yarvelin {

class CWizardPage;

class CWizardPropertySheet : public QDialog {
    Q_OBJECT
  public:
    explicit CWizardPropertySheet(const QString& title, QWidget* parent = nullptr);

    void AddPage(CWizardPage* page);
    int PageCount() const { return static_cast<int>(m_pages.size()); }
    CWizardPage* Page(int index) const { return m_pages[static_cast<std::size_t>(index)]; }
    int ActiveIndex() const { return m_active; }
    CWizardPage* ActivePage() const { return m_active >= 0 ? Page(m_active) : nullptr; }

    // Shows the page with the given index (the current page is not asked).
    void SetActivePage(int index);
    // Which of Back, Next and Finish are on (kWizBack | kWizNext | kWizFinish).
    void SetWizardButtons(unsigned flags);
    unsigned WizardButtons() const { return m_buttons; }

    // The buttons, for keyboard use and for tests.
    QPushButton* BackButton() const { return m_back; }
    QPushButton* NextButton() const { return m_next; }
    QPushButton* FinishButton() const { return m_finish; }
    QPushButton* CancelButton() const { return m_cancel; }
    QPushButton* HelpButton() const { return m_help; }

    // Starts the sheet: initial buttons, then the first page.
    void Start();

  public slots:
    void PressBack();
    void PressNext();
    void PressFinish();
    void PressHelp();
    // Cancel, the close box and Escape all come here.
    void reject() override;

  protected:
    virtual void OnHelp(int pageIndex);
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

    QLabel* m_captionLabel = nullptr;
    QMenu* m_systemMenu = nullptr;

  private:
    void ShowPage(int index);
    // Enter's button: the page's own default when it has one, else Next or Finish.
    void UpdateDefaultButton();

    std::vector<CWizardPage*> m_pages;
    QStackedWidget* m_stack = nullptr;
    QPushButton* m_back = nullptr;
    QPushButton* m_next = nullptr;
    QPushButton* m_finish = nullptr;
    QPushButton* m_cancel = nullptr;
    QPushButton* m_help = nullptr;
    int m_active = -1;
    unsigned m_buttons = 0;
};

}  // namespace yarvelin

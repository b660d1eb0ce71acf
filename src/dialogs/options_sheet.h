// "Options & Settings": the tabbed sheet with the Parameters and Default Values pages. Cancel is off;
// the sheet is left with OK or its close box.
#pragma once

#include <QDialog>

class QPushButton;
class QTabWidget;

namespace yarvelin {

class CYarvelinGui;
class COptions1;
class COptions2;
class COptionsPage;

class COptionsSheet : public QDialog {
    Q_OBJECT
  public:
    explicit COptionsSheet(CYarvelinGui& gui, QWidget* parent = nullptr);

    COptions1* ParametersPage() const { return m_parameters; }
    COptions2* DefaultValuesPage() const { return m_defaults; }
    QTabWidget* Tabs() const { return m_tabs; }
    QPushButton* OkButton() const { return m_ok; }
    QPushButton* CancelButton() const { return m_cancel; }
    QPushButton* ApplyButton() const { return m_apply; }
    QPushButton* HelpButton() const { return m_help; }

  public slots:
    void PressOk();
    void PressApply();
    void PressHelp();

  protected:
    void keyPressEvent(QKeyEvent* event) override;

  private:
    COptionsPage* Page(int index) const;
    void OnTabChanged(int index);
    void ApplyAll();

    CYarvelinGui& m_gui;
    QTabWidget* m_tabs = nullptr;
    COptions1* m_parameters = nullptr;
    COptions2* m_defaults = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
    QPushButton* m_apply = nullptr;
    QPushButton* m_help = nullptr;
    QPushButton* m_showWarnings = nullptr;  // undoes every "do not show this warning again"
    int m_activeIndex = 0;
};

}  // namespace yarvelin

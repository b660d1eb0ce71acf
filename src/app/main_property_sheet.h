// The wizard's window: the four pages, the enlarged font, the icon, the minimize box, help per page.
#pragma once

#include "app/wizard_property_sheet.h"

namespace yarvelin {

class CYarvelinGui;
class CPage1;
class CPage3;
class CPage4;
class CPage5;

class CMainPropertySheet : public CWizardPropertySheet {
    Q_OBJECT
  public:
    // Builds the pages, applies the font and starts on the first page. showSplash: show the splash
    // screen while the sheet sets itself up (off in tests).
    explicit CMainPropertySheet(CYarvelinGui& gui, bool showSplash = true, QWidget* parent = nullptr);
    ~CMainPropertySheet() override;

    CPage1* StartPage() const { return m_page1; }
    CPage3* ProductListPage() const { return m_page3; }
    CPage4* SavePage() const { return m_page4; }
    CPage5* UploadPage() const { return m_page5; }

    // The system menu's "Minimize" item.
    QMenu* SystemMenu() const { return m_systemMenu; }

  protected:
    void OnHelp(int pageIndex) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

  private:
    void ApplyEnlargedFont();

    CYarvelinGui& m_gui;
    CPage1* m_page1 = nullptr;
    CPage3* m_page3 = nullptr;
    CPage4* m_page4 = nullptr;
    CPage5* m_page5 = nullptr;
};

}  // namespace yarvelin

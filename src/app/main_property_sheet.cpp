#include "app/main_property_sheet.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QIcon>
#include <QMenu>
#include <QPointer>
#include <QShortcut>

#include "app/wizard_rules.h"
#include "app/yarvelin_gui.h"
#include "pages/product_list_page.h"
#include "pages/save_page.h"
#include "pages/start_page.h"
#include "pages/upload_page.h"
#include "platform/text_codec.h"
#include "platform/ui_services.h"
#include "widgets/splash_screen.h"

namespace yarvelin {

CMainPropertySheet::CMainPropertySheet(CYarvelinGui& gui, bool showSplash, QWidget* parent)
    : CWizardPropertySheet(A("Yarvelin"), parent), m_gui(gui) {
    setObjectName(QStringLiteral("mainSheet"));
    // The splash covers the time the sheet takes to set itself up; it goes when the sheet is ready.
    QPointer<CSplashScreenEx> splash;
    if (showSplash) {
        splash = new CSplashScreenEx;
        if (splash->Create(this, QString(), 2000,
                           kSplashFadeIn | kSplashFadeOut | kSplashShadow | kSplashCenterOnScreen) &&
            splash->SetBitmap(QStringLiteral(":/splash.png"), 255, 0, 255)) {
            splash->Show();
        }
    }
    m_page1 = new CPage1(gui, this);
    m_page3 = new CPage3(gui, this);
    m_page4 = new CPage4(gui, this);
    m_page5 = new CPage5(gui, this);
    AddPage(m_page1);
    AddPage(m_page3);
    AddPage(m_page4);
    AddPage(m_page5);

    // Icon, minimize box, and a system menu (Alt+Space or a right click on the frame) with "Minimize".
    setWindowIcon(QIcon(QStringLiteral(":/icons/yarvelin.png")));
    setWindowFlags(windowFlags() | Qt::WindowMinimizeButtonHint | Qt::WindowSystemMenuHint);
    m_systemMenu = new QMenu(this);
    QAction* minimize = m_systemMenu->addAction(A("Minimize"));
    connect(minimize, &QAction::triggered, this, [this] { showMinimized(); });
    auto* menuKey = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_Space), this);
    connect(menuKey, &QShortcut::activated, this, [this] { m_systemMenu->popup(mapToGlobal(QPoint(0, 0))); });

    ApplyEnlargedFont();
    Start();
    delete splash.data();
}

CMainPropertySheet::~CMainPropertySheet() = default;

// One font for the sheet and every page, a tenth larger than the design; the layouts grow with it.
void CMainPropertySheet::ApplyEnlargedFont() {
    QFont f = font();
    if (f.pointSizeF() > 0) {
        f.setPointSizeF(f.pointSizeF() * 1.1);
    } else if (f.pixelSize() > 0) {
        f.setPixelSize(f.pixelSize() * 11 / 10);
    }
    setFont(f);
}

void CMainPropertySheet::OnHelp(int pageIndex) {
    const char* topic = HelpTopicForPage(pageIndex);
    if (!*topic) {
        return;
    }
    const auto error = m_gui.Ui().ShowHelpTopic(this, A(topic));
    if (error && !error->isEmpty()) {
        m_gui.Ui().MessageBox(this, A("Help Error"), *error, MsgIcon::Exclamation, MsgButtons::Ok);
    }
}

void CMainPropertySheet::contextMenuEvent(QContextMenuEvent* event) {
    // Only the frame around the pages brings up the system menu; pages have their own menus.
    if (childAt(event->pos()) == nullptr) {
        m_systemMenu->popup(event->globalPos());
        return;
    }
    CWizardPropertySheet::contextMenuEvent(event);
}

}  // namespace yarvelin

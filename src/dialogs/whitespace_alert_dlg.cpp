#include "dialogs/whitespace_alert_dlg.h"

#include "app/yarvelin_gui.h"
#include "platform/text_codec.h"

namespace yarvelin {

namespace {
CDataAlertDlg::Texts WhitespaceTexts(const CYarvelinGui& gui) {
    CDataAlertDlg::Texts t;
    t.title = A("Data Validation Alert - Newline / Tabs Found");
    t.lines[0] =
        A("There are newlines, tabs or carriage returns in your product information. Do you want to "
          "remove them? ");
    t.lines[1] =
        A("Pressing YES will REMOVE the newline, tab and carriage returns \nfrom your product "
          "information (recommended).");
    t.lines[2] = A("Pressing NO will enclose the relevant fields in quotes.");
    t.moreInfoUrl = QString::fromStdString(gui.Config().dataHelpUrl) + QStringLiteral("#newlines-tabs");
    return t;
}
}  // namespace

CWhitespaceAlertDlg::CWhitespaceAlertDlg(CYarvelinGui& gui, QWidget* parent)
    : CDataAlertDlg(gui, WhitespaceTexts(gui), parent) {
    setObjectName(QStringLiteral("whitespaceAlertDlg"));
}

}  // namespace yarvelin

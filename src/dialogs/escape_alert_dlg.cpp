#include "dialogs/escape_alert_dlg.h"

#include "app/yarvelin_gui.h"
#include "platform/text_codec.h"

namespace yarvelin {

namespace {
CDataAlertDlg::Texts EscapeTexts(const CYarvelinGui& gui) {
    CDataAlertDlg::Texts t;
    t.title = A("Data Validation Alert - Escape Sequences Found");
    t.lines[0] =
        A("There are extended characters in your product information. Do you want to replace them with "
          "the correct HTML escape sequences?");
    t.lines[1] =
        A("Pressing YES will REPLACE the extended characters with the correct HTML escape sequences "
          "(recommended).");
    t.lines[2] = A("Pressing NO will REMOVE these extended characters.");
    t.moreInfoUrl = QString::fromStdString(gui.Config().dataHelpUrl) + QStringLiteral("#escape-sequences");
    return t;
}
}  // namespace

CEscapeAlertDlg::CEscapeAlertDlg(CYarvelinGui& gui, QWidget* parent)
    : CDataAlertDlg(gui, EscapeTexts(gui), parent) {
    setObjectName(QStringLiteral("escapeAlertDlg"));
}

}  // namespace yarvelin

// Each function here breaks the script on purpose. CTest runs this program and expects every function to
// fail with the double's own message, proving that a test cannot pass by forgetting a final check.
#include <QObject>
#include <QTest>

#include "support/scripted_ui_services.h"

namespace yarvelin {

class ScriptedUiSelfCheck : public QObject {
    Q_OBJECT

  private slots:
    void unexpectedQuestionFails() {
        CScriptedUiServices ui;
        ui.MessageBox(nullptr, QStringLiteral("Caption"), QStringLiteral("Surprise"), MsgIcon::Question,
                      MsgButtons::YesNo);
    }

    void differentQuestionFails() {
        CScriptedUiServices ui;
        ui.ExpectMessage(QStringLiteral("Caption"), QStringLiteral("Expected"), MsgIcon::Question,
                         MsgButtons::YesNo, MsgAnswer::Yes);
        ui.MessageBox(nullptr, QStringLiteral("Caption"), QStringLiteral("Other"), MsgIcon::Question,
                      MsgButtons::YesNo);
    }

    void unusedAnswerFails() {
        CScriptedUiServices ui;
        ui.ExpectSaveFile(QStringLiteral("Text files (*.txt)"), QStringLiteral("/tmp/x.txt"));
    }
};

}  // namespace yarvelin

QTEST_MAIN(yarvelin::ScriptedUiSelfCheck)
#include "scripted_ui_selfcheck.moc"

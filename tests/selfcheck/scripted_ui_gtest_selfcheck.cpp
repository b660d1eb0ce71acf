// The GoogleTest side of the scripted desktop services: each test here but the last breaks the script on
// purpose, and CTest expects it to fail with the double's own message (through the reporter that
// support/gtest_ui_failures.cpp installs), so a GoogleTest test cannot pass by forgetting a final check.
#include <gtest/gtest.h>

#include "support/scripted_ui_services.h"

namespace yarvelin {
namespace {

TEST(ScriptedUiGtestSelfCheck, UnexpectedQuestionFails) {
    CScriptedUiServices ui;
    ui.MessageBox(nullptr, QStringLiteral("Caption"), QStringLiteral("Surprise"), MsgIcon::Question,
                  MsgButtons::YesNo);
}

TEST(ScriptedUiGtestSelfCheck, DifferentQuestionFails) {
    CScriptedUiServices ui;
    ui.ExpectMessage(QStringLiteral("Caption"), QStringLiteral("Expected"), MsgIcon::Question,
                     MsgButtons::YesNo, MsgAnswer::Yes);
    ui.MessageBox(nullptr, QStringLiteral("Caption"), QStringLiteral("Other"), MsgIcon::Question,
                  MsgButtons::YesNo);
}

TEST(ScriptedUiGtestSelfCheck, UnusedAnswerFails) {
    CScriptedUiServices ui;
    ui.ExpectSaveFile(QStringLiteral("Text files (*.txt)"), QStringLiteral("/tmp/x.txt"));
}

// The script followed to the end: no failure.
TEST(ScriptedUiGtestSelfCheck, FollowedScriptPasses) {
    CScriptedUiServices ui;
    ui.ExpectMessage(QStringLiteral("Caption"), QStringLiteral("Asked"), MsgIcon::Question, MsgButtons::YesNo,
                     MsgAnswer::No);
    EXPECT_EQ(ui.MessageBox(nullptr, QStringLiteral("Caption"), QStringLiteral("Asked"), MsgIcon::Question,
                            MsgButtons::YesNo),
              MsgAnswer::No);
}

}  // namespace
}  // namespace yarvelin

// For the window benchmarks: every question gets the same answer and no dialog ever opens.
#pragma once

#include "platform/ui_services.h"

namespace yarvelin {

class CFixedAnswerUi : public UiServices {
  public:
    explicit CFixedAnswerUi(MsgAnswer answer) : m_answer(answer) {}
    MsgAnswer MessageBox(QWidget*, const QString&, const QString&, MsgIcon, MsgButtons) override {
        return m_answer;
    }
    std::optional<QString> OpenFileDialog(QWidget*, const FileDialogRequest&) override { return {}; }
    std::optional<QString> SaveFileDialog(QWidget*, const FileDialogRequest&) override { return {}; }
    bool OpenUrl(const QString&) override { return true; }
    std::optional<QString> ShowHelpTopic(QWidget*, const QString&) override { return {}; }
    void Beep() override {}

  private:
    MsgAnswer m_answer;
};

}  // namespace yarvelin

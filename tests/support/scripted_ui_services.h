// A UiServices double for tests: the test queues what it expects to be asked and the answers to give.
// Any question that was not expected, or asked differently, fails the test; so does an unused answer.
#pragma once

#include <QString>
#include <QStringList>
#include <deque>
#include <optional>

#include "platform/ui_services.h"

namespace yarvelin {

class CScriptedUiServices : public UiServices {
  public:
    enum class Kind { Message, OpenFile, SaveFile };
    struct Expected {
        Kind kind = Kind::Message;
        QString caption;
        QString text;  // message text; for file dialogs the filter
        MsgIcon icon = MsgIcon::None;
        MsgButtons buttons = MsgButtons::Ok;
        MsgAnswer answer = MsgAnswer::Ok;
        std::optional<QString> path;  // file dialogs: the chosen path, or nothing for Cancel
        QString proposedName;         // file dialogs: checked when not empty
    };

    ~CScriptedUiServices() override;

    // Queue a message box the code must show next, and the button the "user" presses.
    void ExpectMessage(const QString& caption, const QString& text, MsgIcon icon, MsgButtons buttons,
                       MsgAnswer answer);
    void ExpectOpenFile(const QString& filter, std::optional<QString> path);
    void ExpectSaveFile(const QString& filter, std::optional<QString> path, const QString& proposedName = {});

    // True when every queued expectation was used and nothing unexpected happened; records a failure
    // message otherwise. Call at the end of a test: QVERIFY2(ui.Done(), qPrintable(ui.Failure())).
    bool Done();
    const QString& Failure() const { return m_failure; }
    // Forget queued expectations and failures.
    void Reset();

    MsgAnswer MessageBox(QWidget* parent, const QString& caption, const QString& text, MsgIcon icon,
                         MsgButtons buttons) override;
    std::optional<QString> OpenFileDialog(QWidget* parent, const FileDialogRequest& request) override;
    std::optional<QString> SaveFileDialog(QWidget* parent, const FileDialogRequest& request) override;
    void OpenUrl(const QString& url) override { m_openedUrls << url; }
    std::optional<QString> ShowHelpTopic(QWidget* parent, const QString& topic) override;
    void Beep() override { ++m_beeps; }

    // What else was asked, for checks.
    QStringList m_openedUrls;
    QStringList m_helpTopics;
    std::optional<QString> m_helpError;  // what ShowHelpTopic gives back
    int m_beeps = 0;
    FileDialogRequest m_lastFileRequest;

  private:
    void Fail(const QString& what);
    std::deque<Expected> m_expected;
    QString m_failure;
};

}  // namespace yarvelin

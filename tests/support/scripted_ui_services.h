// A UiServices double for tests: the test queues what it expects to be asked and the answers to give.
// Any question that was not expected, or asked differently, fails the running test at once; an answer left
// unused when the double goes away fails it too. Neither needs the test to remember a final check.
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

    // True when every queued expectation was used and nothing unexpected happened; reports the unused
    // ones as failures. The destructor does the same, so a call is needed only to check in the middle.
    bool Done();
    const QString& Failure() const { return m_failure; }
    // Forget queued expectations and failures.
    void Reset();

    // How a failure reaches a test that is not a Qt Test function (GoogleTest installs its own).
    using FailureReporter = void (*)(const QString& what);
    static void SetFailureReporter(FailureReporter reporter);

    MsgAnswer MessageBox(QWidget* parent, const QString& caption, const QString& text, MsgIcon icon,
                         MsgButtons buttons) override;
    std::optional<QString> OpenFileDialog(QWidget* parent, const FileDialogRequest& request) override;
    std::optional<QString> SaveFileDialog(QWidget* parent, const FileDialogRequest& request) override;
    bool OpenUrl(const QString& url) override {
        m_openedUrls << url;
        return m_browserOpens;
    }
    std::optional<QString> ShowHelpTopic(QWidget* parent, const QString& topic) override;
    void Beep() override { ++m_beeps; }

    // What else was asked, for checks.
    QStringList m_openedUrls;
    bool m_browserOpens = true;  // false: OpenUrl finds no browser
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

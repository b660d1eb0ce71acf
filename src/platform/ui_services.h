// Everything a page or dialog asks of the desktop: message boxes, file dialogs, the browser, help, a tone.
// Pages and dialogs go through this interface so that tests can script the answers.
#pragma once

#include <QString>
#include <initializer_list>
#include <optional>
#include <utility>

class QWidget;

namespace yarvelin {

enum class MsgIcon { None, Information, Exclamation, Question, Stop };
// YesNoDefaultNo, YesNoCancelDefaultNo: No is the default button, for questions where Enter must not say Yes.
enum class MsgButtons { Ok, OkCancel, YesNo, YesNoDefaultNo, YesNoCancel, YesNoCancelDefaultNo, RetryCancel };
enum class MsgAnswer { Ok, Cancel, Yes, No, Retry };

struct FileDialogRequest {
    QString title;                 // empty: the toolkit's own ("Open" / "Save As")
    QString filter;                // "Text Files (*.txt)|*.txt|All Files (*.*)|*.*||"
    QString defaultExt;            // appended when the chosen name has none, e.g. "txt"
    QString proposedName;          // file name or full path shown at first
    bool overwritePrompt = false;  // save dialogs: ask before replacing an existing file
    QString startFolder;           // shown at first when proposedName has no folder of its own
    bool showHidden = false;       // list hidden files too, e.g. in ~/.ssh
};

class UiServices {
  public:
    virtual ~UiServices() = default;
    virtual MsgAnswer MessageBox(QWidget* parent, const QString& caption, const QString& text, MsgIcon icon,
                                 MsgButtons buttons) = 0;
    // The chosen full path, or nothing when the dialog was closed without a choice.
    virtual std::optional<QString> OpenFileDialog(QWidget* parent, const FileDialogRequest& request) = 0;
    virtual std::optional<QString> SaveFileDialog(QWidget* parent, const FileDialogRequest& request) = 0;
    // Opens a web address in the default browser; false when none could be started.
    virtual bool OpenUrl(const QString& url) = 0;
    // Shows a help topic such as "yvhelp.chm::/HTML/3.htm"; gives an error description when it cannot.
    virtual std::optional<QString> ShowHelpTopic(QWidget* parent, const QString& topic) = 0;
    // A short tone.
    virtual void Beep() = 0;
};

// Opens a web address; when no browser takes it, the user is told and gets the address to copy (caption
// kAppTitle, information icon, OK).
void OpenWebAddress(UiServices& ui, QWidget* parent, const QString& url);

// Refuses the first of the boxes whose text holds a character the feed's code page cannot hold: the user
// is told which character (caption kAppTitle, exclamation icon, OK) and the box gets the focus.
// False when every text can be stored.
bool RefuseUnstorableText(UiServices& ui, QWidget* parent,
                          std::initializer_list<std::pair<QWidget*, QString>> boxes);

// "Desc|pattern|Desc|pattern||" into Qt's "Desc (pattern);;Desc (pattern)".
QString ToQtFilter(const QString& filter);
// The help file for a topic: help/HTML/<n>.htm in the data folder (DataDir) for "yvhelp.chm::/HTML/<n>.htm".
QString HelpTopicPath(const QString& topic);

class CQtUiServices : public UiServices {
  public:
    MsgAnswer MessageBox(QWidget* parent, const QString& caption, const QString& text, MsgIcon icon,
                         MsgButtons buttons) override;
    std::optional<QString> OpenFileDialog(QWidget* parent, const FileDialogRequest& request) override;
    std::optional<QString> SaveFileDialog(QWidget* parent, const FileDialogRequest& request) override;
    bool OpenUrl(const QString& url) override;
    std::optional<QString> ShowHelpTopic(QWidget* parent, const QString& topic) override;
    void Beep() override;
};

}  // namespace yarvelin

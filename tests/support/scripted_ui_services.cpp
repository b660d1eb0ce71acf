#include "support/scripted_ui_services.h"

#include <QDebug>
#include <QTest>
#include <cstdlib>

namespace yarvelin {

namespace {

QString IconName(MsgIcon icon) {
    switch (icon) {
        case MsgIcon::None:
            return QStringLiteral("none");
        case MsgIcon::Information:
            return QStringLiteral("information");
        case MsgIcon::Exclamation:
            return QStringLiteral("exclamation");
        case MsgIcon::Question:
            return QStringLiteral("question");
        case MsgIcon::Stop:
            return QStringLiteral("stop");
    }
    return {};
}

QString ButtonsName(MsgButtons b) {
    switch (b) {
        case MsgButtons::Ok:
            return QStringLiteral("Ok");
        case MsgButtons::OkCancel:
            return QStringLiteral("OkCancel");
        case MsgButtons::YesNo:
            return QStringLiteral("YesNo");
        case MsgButtons::YesNoDefaultNo:
            return QStringLiteral("YesNoDefaultNo");
        case MsgButtons::YesNoCancel:
            return QStringLiteral("YesNoCancel");
        case MsgButtons::YesNoCancelDefaultNo:
            return QStringLiteral("YesNoCancelDefaultNo");
        case MsgButtons::RetryCancel:
            return QStringLiteral("RetryCancel");
    }
    return {};
}

CScriptedUiServices::FailureReporter& Reporter() {
    static CScriptedUiServices::FailureReporter reporter = nullptr;
    return reporter;
}

// Fails the running test: a Qt Test function through QTest, anything else through the installed
// reporter. Without either the failure cannot be lost quietly, so the program stops.
void ReportFailure(const QString& what) {
    const QByteArray text = QStringLiteral("scripted ui: %1").arg(what).toUtf8();
    if (QTest::currentTestFunction() != nullptr) {
        QTest::qFail(text.constData(), __FILE__, __LINE__);
    } else if (Reporter() != nullptr) {
        Reporter()(what);
    } else {
        qFatal("%s", text.constData());
    }
}

}  // namespace

void CScriptedUiServices::SetFailureReporter(FailureReporter reporter) {
    Reporter() = reporter;
}

CScriptedUiServices::~CScriptedUiServices() {
    Done();
}

void CScriptedUiServices::ExpectMessage(const QString& caption, const QString& text, MsgIcon icon,
                                        MsgButtons buttons, MsgAnswer answer) {
    Expected e;
    e.kind = Kind::Message;
    e.caption = caption;
    e.text = text;
    e.icon = icon;
    e.buttons = buttons;
    e.answer = answer;
    m_expected.push_back(e);
}

void CScriptedUiServices::ExpectOpenFile(const QString& filter, std::optional<QString> path) {
    Expected e;
    e.kind = Kind::OpenFile;
    e.text = filter;
    e.path = std::move(path);
    m_expected.push_back(e);
}

void CScriptedUiServices::ExpectSaveFile(const QString& filter, std::optional<QString> path,
                                         const QString& proposedName) {
    Expected e;
    e.kind = Kind::SaveFile;
    e.text = filter;
    e.path = std::move(path);
    e.proposedName = proposedName;
    m_expected.push_back(e);
}

void CScriptedUiServices::Fail(const QString& what) {
    if (!m_failure.isEmpty()) {
        m_failure += QLatin1Char('\n');
    }
    m_failure += what;
    ReportFailure(what);
}

bool CScriptedUiServices::Done() {
    for (const Expected& e : m_expected) {
        Fail(QStringLiteral("expected but never asked: ") + e.caption + QStringLiteral(" / ") + e.text);
    }
    m_expected.clear();
    return m_failure.isEmpty();
}

void CScriptedUiServices::Reset() {
    m_expected.clear();
    m_failure.clear();
}

MsgAnswer CScriptedUiServices::MessageBox(QWidget*, const QString& caption, const QString& text, MsgIcon icon,
                                          MsgButtons buttons) {
    const QString asked = QStringLiteral("message [%1] \"%2\" icon=%3 buttons=%4")
                              .arg(caption, text, IconName(icon), ButtonsName(buttons));
    if (m_expected.empty() || m_expected.front().kind != Kind::Message) {
        Fail(QStringLiteral("unexpected ") + asked);
        return MsgAnswer::Cancel;
    }
    const Expected e = m_expected.front();
    m_expected.pop_front();
    if (e.caption != caption || e.text != text || e.icon != icon || e.buttons != buttons) {
        Fail(QStringLiteral("asked ") + asked +
             QStringLiteral("\n  expected message [%1] \"%2\" icon=%3 buttons=%4")
                 .arg(e.caption, e.text, IconName(e.icon), ButtonsName(e.buttons)));
    }
    return e.answer;
}

std::optional<QString> CScriptedUiServices::OpenFileDialog(QWidget*, const FileDialogRequest& request) {
    m_lastFileRequest = request;
    if (m_expected.empty() || m_expected.front().kind != Kind::OpenFile) {
        Fail(QStringLiteral("unexpected open-file dialog, filter ") + request.filter);
        return std::nullopt;
    }
    const Expected e = m_expected.front();
    m_expected.pop_front();
    if (e.text != request.filter) {
        Fail(QStringLiteral("open-file filter \"%1\", expected \"%2\"").arg(request.filter, e.text));
    }
    return e.path;
}

std::optional<QString> CScriptedUiServices::SaveFileDialog(QWidget*, const FileDialogRequest& request) {
    m_lastFileRequest = request;
    if (m_expected.empty() || m_expected.front().kind != Kind::SaveFile) {
        Fail(QStringLiteral("unexpected save-file dialog, filter ") + request.filter);
        return std::nullopt;
    }
    const Expected e = m_expected.front();
    m_expected.pop_front();
    if (e.text != request.filter) {
        Fail(QStringLiteral("save-file filter \"%1\", expected \"%2\"").arg(request.filter, e.text));
    }
    if (!e.proposedName.isEmpty() && e.proposedName != request.proposedName) {
        Fail(QStringLiteral("save-file proposed \"%1\", expected \"%2\"")
                 .arg(request.proposedName, e.proposedName));
    }
    return e.path;
}

std::optional<QString> CScriptedUiServices::ShowHelpTopic(QWidget*, const QString& topic) {
    m_helpTopics << topic;
    return m_helpError;
}

}  // namespace yarvelin

#include "platform/ui_services.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPointer>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

#include "app/program_names.h"
#include "platform/data_dir.h"
#include "platform/text_codec.h"

namespace yarvelin {

void OpenWebAddress(UiServices& ui, QWidget* parent, const QString& url) {
    if (!ui.OpenUrl(url)) {
        ui.MessageBox(parent, A(kAppTitle),
                      A("No web browser could be opened for this page. Copy the address into your "
                        "browser:\n\n") +
                          url,
                      MsgIcon::Information, MsgButtons::Ok);
    }
}

bool RefuseUnstorableText(UiServices& ui, QWidget* parent,
                          std::initializer_list<std::pair<QWidget*, QString>> boxes) {
    for (const auto& [box, text] : boxes) {
        if (const std::optional<char32_t> c = FirstUnencodable(text)) {
            ui.MessageBox(parent, A(kAppTitle), CharacterNotStorableMessage(*c), MsgIcon::Exclamation,
                          MsgButtons::Ok);
            if (box != nullptr) {
                box->setFocus();
            }
            return true;
        }
    }
    return false;
}

QString ToQtFilter(const QString& filter) {
    const QStringList parts = filter.split(QLatin1Char('|'), Qt::SkipEmptyParts);
    QStringList out;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString pattern = parts[i + 1];
        pattern.replace(QStringLiteral("*.*"), QStringLiteral("*"));
        pattern.replace(QLatin1Char(';'), QLatin1Char(' '));
        QString desc = parts[i];
        // Qt reads the patterns from the parentheses, so the description carries them.
        const qsizetype paren = desc.indexOf(QLatin1Char('('));
        if (paren >= 0) {
            desc = desc.left(paren).trimmed();
        }
        out << desc + QStringLiteral(" (") + pattern + QLatin1Char(')');
    }
    return out.join(QStringLiteral(";;"));
}

QString HelpTopicPath(const QString& topic) {
    QString name = topic;
    const qsizetype sep = name.indexOf(QStringLiteral("::"));
    if (sep >= 0) {
        name = name.mid(sep + 2);
    }
    while (name.startsWith(QLatin1Char('/'))) {
        name.remove(0, 1);
    }
    return QDir(ApplicationDataDir()).filePath(QStringLiteral("help/") + name);
}

MsgAnswer CQtUiServices::MessageBox(QWidget* parent, const QString& caption, const QString& text,
                                    MsgIcon icon, MsgButtons buttons) {
    QMessageBox box(parent);
    box.setWindowTitle(caption);
    box.setText(text);
    // Addresses, paths and server replies in a message can be selected and copied.
    box.setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    switch (icon) {
        case MsgIcon::None:
            box.setIcon(QMessageBox::NoIcon);
            break;
        case MsgIcon::Information:
            box.setIcon(QMessageBox::Information);
            break;
        case MsgIcon::Exclamation:
            box.setIcon(QMessageBox::Warning);
            break;
        case MsgIcon::Question:
            box.setIcon(QMessageBox::Question);
            break;
        case MsgIcon::Stop:
            box.setIcon(QMessageBox::Critical);
            break;
    }
    QMessageBox::StandardButtons set;
    QMessageBox::StandardButton escape = QMessageBox::NoButton;
    switch (buttons) {
        case MsgButtons::Ok:
            set = QMessageBox::Ok;
            escape = QMessageBox::Ok;
            break;
        case MsgButtons::OkCancel:
            set = QMessageBox::Ok | QMessageBox::Cancel;
            escape = QMessageBox::Cancel;
            break;
        case MsgButtons::YesNo:
        case MsgButtons::YesNoDefaultNo:
            set = QMessageBox::Yes | QMessageBox::No;
            break;
        case MsgButtons::YesNoCancel:
        case MsgButtons::YesNoCancelDefaultNo:
            set = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
            escape = QMessageBox::Cancel;
            break;
        case MsgButtons::RetryCancel:
            set = QMessageBox::Retry | QMessageBox::Cancel;
            escape = QMessageBox::Cancel;
            break;
    }
    box.setStandardButtons(set);
    // Without a default of its own, the box makes the first affirmative button the default.
    if (buttons == MsgButtons::YesNoDefaultNo || buttons == MsgButtons::YesNoCancelDefaultNo) {
        box.setDefaultButton(QMessageBox::No);
    }
    if (escape != QMessageBox::NoButton) {
        box.setEscapeButton(escape);
    }
    switch (box.exec()) {
        case QMessageBox::Ok:
            return MsgAnswer::Ok;
        case QMessageBox::Yes:
            return MsgAnswer::Yes;
        case QMessageBox::No:
            return MsgAnswer::No;
        case QMessageBox::Retry:
            return MsgAnswer::Retry;
        default:
            return MsgAnswer::Cancel;
    }
}

namespace {

std::optional<QString> RunFileDialog(QWidget* parent, const FileDialogRequest& request, bool save) {
    QFileDialog dialog(parent, request.title, QString(), ToQtFilter(request.filter));
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (!request.defaultExt.isEmpty()) {
        dialog.setDefaultSuffix(request.defaultExt);
    }
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !(save && request.overwritePrompt));
    if (!request.startFolder.isEmpty()) {
        dialog.setDirectory(request.startFolder);
    }
    if (request.showHidden) {
        dialog.setFilter(dialog.filter() | QDir::Hidden);
    }
    if (!request.proposedName.isEmpty()) {
        const QFileInfo info(request.proposedName);
        if (info.isAbsolute()) {
            dialog.setDirectory(info.absolutePath());
        }
        dialog.selectFile(info.fileName());
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return QFileInfo(dialog.selectedFiles().first()).absoluteFilePath();
}

// One help window for the run, raised again for each topic.
QPointer<QDialog> g_helpWindow;

}  // namespace

std::optional<QString> CQtUiServices::OpenFileDialog(QWidget* parent, const FileDialogRequest& request) {
    return RunFileDialog(parent, request, false);
}

std::optional<QString> CQtUiServices::SaveFileDialog(QWidget* parent, const FileDialogRequest& request) {
    return RunFileDialog(parent, request, true);
}

bool CQtUiServices::OpenUrl(const QString& url) {
    return QDesktopServices::openUrl(QUrl(url));
}

std::optional<QString> CQtUiServices::ShowHelpTopic(QWidget* parent, const QString& topic) {
    const QString path = HelpTopicPath(topic);
    if (!QFileInfo::exists(path)) {
        return QStringLiteral("The help topic %1 could not be found.").arg(QDir::toNativeSeparators(path));
    }
    if (!g_helpWindow) {
        g_helpWindow = new QDialog(parent ? parent->window() : nullptr);
        g_helpWindow->setAttribute(Qt::WA_DeleteOnClose);
        g_helpWindow->setWindowTitle(QStringLiteral("Yarvelin Help"));
        auto* layout = new QVBoxLayout(g_helpWindow);
        auto* browser = new QTextBrowser(g_helpWindow);
        browser->setObjectName(QStringLiteral("helpBrowser"));
        browser->setOpenExternalLinks(true);
        layout->addWidget(browser);
        g_helpWindow->resize(560, 520);
    }
    auto* browser = g_helpWindow->findChild<QTextBrowser*>(QStringLiteral("helpBrowser"));
    browser->setSource(QUrl::fromLocalFile(path));
    g_helpWindow->show();
    g_helpWindow->raise();
    g_helpWindow->activateWindow();
    return std::nullopt;
}

void CQtUiServices::Beep() {
    QApplication::beep();
}

}  // namespace yarvelin

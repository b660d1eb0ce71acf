// Loaded into a running `yarvelin` with LD_PRELOAD, this reports what the wizard shows, without any hook
// in the program itself: the rows of the start page's file list, then the help topic the Help button
// opens (or the message box it gives instead). It prints them on standard output and ends the program
// at once, so nothing is written to the settings.
#include <QApplication>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTextBrowser>
#include <QTimer>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr int kPollMs = 100;
constexpr int kGiveUpMs = 30000;

int g_waitedMs = 0;
bool g_helpPressed = false;

template <class T>
T* FindVisible(const char* name) {
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (!top->isVisible()) {
            continue;
        }
        for (T* w : top->findChildren<T*>(QString::fromLatin1(name))) {
            if (w->isVisible()) {
                return w;
            }
        }
    }
    return nullptr;
}

[[noreturn]] void Finish(int code) {
    std::fflush(stdout);
    std::_Exit(code);
}

void Poll() {
    g_waitedMs += kPollMs;
    if (g_waitedMs > kGiveUpMs) {
        std::printf("probe: the start page did not show within %d ms\n", kGiveUpMs);
        Finish(3);
    }
    if (!g_helpPressed) {
        auto* list = FindVisible<QListWidget>("fileList");
        auto* help = FindVisible<QPushButton>("helpButton");
        if (list == nullptr || help == nullptr) {
            return;
        }
        for (int i = 0; i < list->count(); ++i) {
            std::printf("list: %s\n", qPrintable(list->item(i)->text()));
        }
        std::fflush(stdout);
        g_helpPressed = true;
        // Clicked from its own event: a missing topic opens a modal box, and this timer must keep
        // firing inside it (Qt does not re-enter a timer whose handler is still running).
        QTimer::singleShot(0, help, &QPushButton::click);
        return;
    }
    if (auto* browser = FindVisible<QTextBrowser>("helpBrowser")) {
        std::printf("help: %s\n", qPrintable(browser->source().toLocalFile()));
        std::printf("help text: %s\n", browser->toPlainText().trimmed().isEmpty() ? "empty" : "present");
        Finish(0);
    }
    for (QWidget* top : QApplication::topLevelWidgets()) {
        auto* box = qobject_cast<QMessageBox*>(top);
        if (box != nullptr && box->isVisible()) {
            std::printf("message: %s: %s\n", qPrintable(box->windowTitle()), qPrintable(box->text()));
            Finish(0);
        }
    }
}

void StartProbe() {
    auto* timer = new QTimer(QCoreApplication::instance());
    QObject::connect(timer, &QTimer::timeout, timer, &Poll);
    timer->start(kPollMs);
}

}  // namespace

Q_COREAPP_STARTUP_FUNCTION(StartProbe)

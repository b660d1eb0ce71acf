// Finding a window's controls by object name in tests, and saving pictures of windows for the
// documentation.
#pragma once

#include <QObject>
#include <QString>

class QImage;
class QWidget;

namespace yarvelin {

// The child of that type and object name. A missing control is a broken window, not a failed expectation:
// the program stops with its name rather than crashing on a null pointer later.
template <typename T>
T* FindChild(const QObject& parent, const char* name) {
    T* child = parent.findChild<T*>(QString::fromLatin1(name));
    if (child == nullptr) {
        qFatal("no control named %s", name);
    }
    return child;
}

// The folder that the `screenshots` build target asks for in YARVELIN_SCREENSHOT_DIR; empty when pictures
// are not wanted (every normal test run).
QString ScreenshotFolder();

// Saves a picture of the window as name (a .png file name) in the screenshot folder, when one is set.
// Returns false only when a wanted picture could not be written.
bool SaveScreenshot(QWidget& window, const QString& name);
bool SaveScreenshot(const QImage& picture, const QString& name);

}  // namespace yarvelin

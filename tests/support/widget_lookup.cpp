#include "support/widget_lookup.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPixmap>
#include <QWidget>

namespace yarvelin {

QString ScreenshotFolder() {
    return QFile::decodeName(qgetenv("YARVELIN_SCREENSHOT_DIR"));
}

bool SaveScreenshot(QWidget& window, const QString& name) {
    const QString folder = ScreenshotFolder();
    if (folder.isEmpty()) {
        return true;
    }
    const QPixmap picture = window.grab();
    return !picture.isNull() && QDir().mkpath(folder) && picture.save(QDir(folder).filePath(name));
}

bool SaveScreenshot(const QImage& picture, const QString& name) {
    const QString folder = ScreenshotFolder();
    if (folder.isEmpty()) {
        return true;
    }
    return !picture.isNull() && QDir().mkpath(folder) && picture.save(QDir(folder).filePath(name));
}

}  // namespace yarvelin

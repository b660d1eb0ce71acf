#include "platform/data_dir.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include "build_config.h"

namespace yarvelin {

namespace {

bool HoldsData(const QString& dir) {
    return QFileInfo(dir + QStringLiteral("/Samples")).isDir() ||
           QFileInfo(dir + QStringLiteral("/help")).isDir();
}

}  // namespace

QString DataDir(const QString& programDir) {
    if (HoldsData(programDir)) {
        return programDir;
    }
    const QString installed =
        QDir::cleanPath(programDir + QLatin1Char('/') + QString::fromUtf8(YARVELIN_DATA_DIR_FROM_BINDIR));
    return HoldsData(installed) ? installed : programDir;
}

QString ApplicationDataDir() {
    return DataDir(QDir::cleanPath(QCoreApplication::applicationDirPath()));
}

}  // namespace yarvelin

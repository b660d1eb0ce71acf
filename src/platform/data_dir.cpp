#include "platform/data_dir.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include "app/data_folder.h"

namespace yarvelin {

QString DataDir(const QString& programDir) {
    // Paths are the system's own 8-bit form.
    return QFile::decodeName(BuildDataFolderFor(QFile::encodeName(programDir).toStdString()).c_str());
}

QString ApplicationDataDir() {
    return DataDir(QDir::cleanPath(QCoreApplication::applicationDirPath()));
}

}  // namespace yarvelin

#include "platform/qt_settings_store.h"

#include <unistd.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/program_names.h"
#include "platform/text_codec.h"

namespace yarvelin {

namespace {

// Section and value names are plain ASCII; values are Windows-1252 texts kept as their bytes.
QString Key(const std::string& section, const std::string& name) {
    return QString::fromLatin1(section) + QLatin1Char('/') + QString::fromLatin1(name);
}

// QSettings only says that the file could not be written. Writing a scratch file beside it finds out
// why: a missing or foreign folder, no permission, a read-only or full disk.
QString ProbeWriteFailure(const QString& settingsPath) {
    const QString folder = QFileInfo(settingsPath).absolutePath();
    QByteArray pattern = QFile::encodeName(folder + QStringLiteral("/.yarvelin-probe-XXXXXX"));
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0) {
        return QString::fromLocal8Bit(std::strerror(errno));
    }
    int err = 0;
    const std::string block(4096, '\n');
    if (::write(fd, block.data(), block.size()) != static_cast<ssize_t>(block.size()) || ::fsync(fd) != 0) {
        err = errno != 0 ? errno : ENOSPC;
    }
    ::close(fd);
    ::unlink(pattern.constData());
    if (err != 0) {
        return QString::fromLocal8Bit(std::strerror(err));
    }
    const QFileInfo file(settingsPath);
    if (file.exists() && !file.isWritable()) {
        return QString::fromLocal8Bit(std::strerror(EACCES));
    }
    return QStringLiteral("The file could not be written.");
}

}  // namespace

CQtSettingsStore::CQtSettingsStore()
    : m_settings(std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                             QString::fromLatin1(kSettingsRoot),
                                             QString::fromLatin1(kSettingsRoot))) {
    m_settings->setAtomicSyncRequired(true);
    PrepareFile();
}

CQtSettingsStore::CQtSettingsStore(const QString& iniPath)
    : m_settings(std::make_unique<QSettings>(iniPath, QSettings::IniFormat)) {
    m_settings->setAtomicSyncRequired(true);
    PrepareFile();
}

CQtSettingsStore::~CQtSettingsStore() {
    Flush();
}

QString CQtSettingsStore::FilePath() const {
    return m_settings->fileName();
}

// The file holds the upload password: create it for its owner only before anything is written. The atomic
// save keeps the permissions of the file it replaces.
void CQtSettingsStore::PrepareFile() {
    const QString path = m_settings->fileName();
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.exists()) {
        if (file.open(QIODevice::WriteOnly)) {
            file.close();
        }
    }
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

std::string CQtSettingsStore::GetString(const std::string& section, const std::string& name,
                                        const std::string& def) const {
    const QVariant v = m_settings->value(Key(section, name));
    if (!v.isValid()) {
        return def;
    }
    const QByteArray bytes = v.toString().toLatin1();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

std::int32_t CQtSettingsStore::GetInt(const std::string& section, const std::string& name,
                                      std::int32_t def) const {
    const QVariant v = m_settings->value(Key(section, name));
    if (!v.isValid()) {
        return def;
    }
    bool ok = false;
    const qlonglong n = v.toLongLong(&ok);
    return ok ? static_cast<std::int32_t>(n) : 0;
}

void CQtSettingsStore::WriteString(const std::string& section, const std::string& name,
                                   const std::string& value) {
    // Latin-1 maps every byte to one character and back, so the exact bytes survive the INI file.
    m_settings->setValue(Key(section, name),
                         QString::fromLatin1(value.data(), static_cast<qsizetype>(value.size())));
}

void CQtSettingsStore::WriteInt(const std::string& section, const std::string& name, std::int32_t value) {
    m_settings->setValue(Key(section, name), static_cast<int>(value));
}

std::vector<std::string> CQtSettingsStore::ValueNames(const std::string& section) const {
    m_settings->beginGroup(QString::fromLatin1(section));
    const QStringList keys = m_settings->childKeys();
    m_settings->endGroup();
    std::vector<std::string> names;
    for (const QString& key : keys) {
        const QByteArray bytes = key.toLatin1();
        names.emplace_back(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    }
    return names;
}

void CQtSettingsStore::DeleteSection(const std::string& section) {
    m_settings->remove(QString::fromLatin1(section));
}

void CQtSettingsStore::Flush() {
    m_settings->sync();
    m_flushFailed = m_settings->status() != QSettings::NoError;
    m_flushReason.clear();
    if (m_settings->status() == QSettings::FormatError) {
        m_flushReason = QStringLiteral("The file is not a settings file.");
    } else if (m_flushFailed) {
        m_flushReason = ProbeWriteFailure(m_settings->fileName());
    }
    QFile::setPermissions(m_settings->fileName(), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

}  // namespace yarvelin

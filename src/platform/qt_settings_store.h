// The settings store on QSettings: an INI file in the user's configuration folder.
#pragma once

#include <QDir>
#include <QSettings>
#include <QString>
#include <memory>

#include "app/settings_store.h"
#include "platform/text_codec.h"

namespace yarvelin {

class CQtSettingsStore : public SettingsStore {
  public:
    // The user's own store (kSettingsRoot/kSettingsRoot in the user scope).
    CQtSettingsStore();
    // A store in a given file, used by tests and by the command-line companion's --settings option.
    explicit CQtSettingsStore(const QString& iniPath);
    ~CQtSettingsStore() override;

    std::string GetString(const std::string& section, const std::string& name,
                          const std::string& def = {}) const override;
    std::int32_t GetInt(const std::string& section, const std::string& name, std::int32_t def) const override;
    void WriteString(const std::string& section, const std::string& name, const std::string& value) override;
    void WriteInt(const std::string& section, const std::string& name, std::int32_t value) override;
    void DeleteSection(const std::string& section) override;
    std::vector<std::string> ValueNames(const std::string& section) const override;
    // Writes the file (atomically, owner-only) and reports whether it worked.
    void Flush() override;
    bool LastFlushFailed() const { return m_flushFailed; }
    // Why the last flush failed, in the system's words ("Read-only file system"); empty after a success.
    const QString& LastFlushReason() const { return m_flushReason; }

    QString FilePath() const;
    std::string Location() const override { return ToPath(QDir::toNativeSeparators(FilePath())); }

  private:
    void PrepareFile();
    std::unique_ptr<QSettings> m_settings;
    bool m_flushFailed = false;
    QString m_flushReason;
};

}  // namespace yarvelin

// The password vault on QtKeychain: the desktop's Secret Service keyring (GNOME Keyring, KWallet) under the
// service name kSettingsRoot. Without a keyring every call reports failure at once, and the settings file
// stays the store.
#pragma once

#include <QString>

#include "app/password_vault.h"
#include "app/program_names.h"

namespace yarvelin {

class CKeychainPasswordVault : public PasswordVault {
  public:
    explicit CKeychainPasswordVault(QString service = QString::fromLatin1(kSettingsRoot));
    bool Save(const std::string& key, const std::string& password) override;
    bool Remove(const std::string& key) override;
    std::string Load(const std::string& key) override;

  private:
    QString m_service;
};

}  // namespace yarvelin

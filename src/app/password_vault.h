// Where the FTP password is kept when the user asks to save it: a desktop keyring when one answers, else
// the settings file (created readable by its owner only), as earlier versions did.
#pragma once

#include <string>

namespace yarvelin {

class SettingsStore;

// A secret store outside the settings file. Each call reports whether the store answered and did it.
class PasswordVault {
  public:
    virtual ~PasswordVault() = default;
    virtual bool Save(const std::string& key, const std::string& password) = 0;
    virtual bool Remove(const std::string& key) = 0;
};

// The vault's key of the FTP password.
inline constexpr const char* kFtpPasswordKey = "FTPInfo/Password";

// Keeps the password (empty: forgets it): in the vault when there is one and it answers, and then never
// in the settings file; otherwise in the settings file. vault may be null.
void KeepFtpPassword(SettingsStore& store, PasswordVault* vault, const std::string& password);

// A password an earlier version left in the settings file moves into the vault and out of the file. False
// when there was none or the vault did not take it (the file keeps it then).
bool MoveFtpPasswordToVault(SettingsStore& store, PasswordVault* vault);

}  // namespace yarvelin

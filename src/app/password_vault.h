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
    // The saved password, or an empty text when there is none or the store did not answer.
    virtual std::string Load(const std::string& key) = 0;
};

// The key earlier versions kept the one FTP password under, whatever the server.
inline constexpr const char* kFtpPasswordKey = "FTPInfo/Password";

// The key of the password of one user on one server, so that the keyring shows whose password it is and
// each server keeps its own: "FTPInfo/Password/USER@SERVER".
std::string FtpPasswordKey(const std::string& server, const std::string& userName);

// Keeps the password of userName on server (empty: forgets it): in the vault when there is one and it
// answers, and then never in the settings file; otherwise in the settings file. vault may be null.
void KeepFtpPassword(SettingsStore& store, PasswordVault* vault, const std::string& server,
                     const std::string& userName, const std::string& password);

// The saved password of userName on server: the vault's entry for them, else the one an earlier version
// kept for every server, else the settings file's. Empty when none was saved.
std::string LoadFtpPassword(const SettingsStore& store, PasswordVault* vault, const std::string& server,
                            const std::string& userName);

// A password an earlier version left in the settings file moves into the vault (under the stored server
// and user) and out of the file. False when there was none or the vault did not take it (the file keeps
// it then).
bool MoveFtpPasswordToVault(SettingsStore& store, PasswordVault* vault);

}  // namespace yarvelin

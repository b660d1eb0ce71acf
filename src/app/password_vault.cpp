#include "app/password_vault.h"

#include "app/settings_names.h"
#include "app/settings_store.h"

namespace yarvelin {

std::string FtpPasswordKey(const std::string& server, const std::string& userName) {
    return std::string(kFtpPasswordKey) + "/" + userName + "@" + server;
}

void KeepFtpPassword(SettingsStore& store, PasswordVault* vault, const std::string& server,
                     const std::string& userName, const std::string& password) {
    bool inVault = false;
    if (vault) {
        const std::string key = FtpPasswordKey(server, userName);
        inVault = password.empty() ? vault->Remove(key) : vault->Save(key, password);
        // The entry of earlier versions stood for every server; once a server has its own, it would only
        // hand a stale password to the next one.
        if (inVault) {
            vault->Remove(kFtpPasswordKey);
        }
    }
    settings::kFtpPassword.Write(store, inVault ? std::string() : password);
}

std::string LoadFtpPassword(const SettingsStore& store, PasswordVault* vault, const std::string& server,
                            const std::string& userName) {
    if (vault) {
        for (const std::string& key : {FtpPasswordKey(server, userName), std::string(kFtpPasswordKey)}) {
            std::string password = vault->Load(key);
            if (!password.empty()) {
                return password;
            }
        }
    }
    return settings::kFtpPassword.Read(store);
}

bool MoveFtpPasswordToVault(SettingsStore& store, PasswordVault* vault) {
    const std::string password = settings::kFtpPassword.Read(store);
    if (!vault || password.empty() ||
        !vault->Save(FtpPasswordKey(settings::kFtpServer.Read(store), settings::kFtpUserId.Read(store)),
                     password)) {
        return false;
    }
    settings::kFtpPassword.Write(store, std::string());
    store.Flush();
    return true;
}

}  // namespace yarvelin

#include "app/password_vault.h"

#include "app/settings_names.h"
#include "app/settings_store.h"

namespace yarvelin {

void KeepFtpPassword(SettingsStore& store, PasswordVault* vault, const std::string& password) {
    bool inVault = false;
    if (vault) {
        inVault = password.empty() ? vault->Remove(kFtpPasswordKey) : vault->Save(kFtpPasswordKey, password);
    }
    settings::kFtpPassword.Write(store, inVault ? std::string() : password);
}

bool MoveFtpPasswordToVault(SettingsStore& store, PasswordVault* vault) {
    const std::string password = settings::kFtpPassword.Read(store);
    if (!vault || password.empty() || !vault->Save(kFtpPasswordKey, password)) {
        return false;
    }
    settings::kFtpPassword.Write(store, std::string());
    store.Flush();
    return true;
}

}  // namespace yarvelin

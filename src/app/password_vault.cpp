#include "app/password_vault.h"

#include "app/settings_names.h"
#include "app/settings_store.h"

namespace yarvelin {

void KeepFtpPassword(SettingsStore& store, PasswordVault* vault, const std::string& password) {
    bool inVault = false;
    if (vault) {
        inVault = password.empty() ? vault->Remove(kFtpPasswordKey) : vault->Save(kFtpPasswordKey, password);
    }
    store.WriteString(settings::kSectionFtp, settings::kFtpPassword, inVault ? std::string() : password);
}

bool MoveFtpPasswordToVault(SettingsStore& store, PasswordVault* vault) {
    const std::string password = store.GetString(settings::kSectionFtp, settings::kFtpPassword);
    if (!vault || password.empty() || !vault->Save(kFtpPasswordKey, password)) {
        return false;
    }
    store.WriteString(settings::kSectionFtp, settings::kFtpPassword, std::string());
    store.Flush();
    return true;
}

}  // namespace yarvelin

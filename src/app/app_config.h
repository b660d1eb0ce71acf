// Web addresses and the default upload host. Their defaults and names are declared in app/settings_names.h;
// each can be overridden in the settings store's "Config" section.
#pragma once

#include <string>

#include "app/settings_names.h"

namespace yarvelin {

struct AppConfig {
    std::string signUpUrl = settings::kSignUpUrl.def;
    std::string accountHelpUrl = settings::kAccountHelpUrl.def;
    std::string articlesUrl = settings::kArticlesUrl.def;
    std::string techSupportUrl = settings::kTechSupportUrl.def;
    std::string dataHelpUrl = settings::kDataHelpUrl.def;
    std::string optionsHelpUrl = settings::kOptionsHelpUrl.def;
    std::string uploadHost = settings::kUploadHost.def;
    // Where SFTP host keys the user accepted are kept; empty: DefaultKnownHostsFile(). Not a setting.
    std::string knownHostsFile;
    // The record of the last upload's product count, shared with yarvelin-feed run; empty:
    // UploadCountFilePath(). Not a setting.
    std::string uploadCountFile;

    // The defaults above, with any "Config" values of the store laid over them.
    static AppConfig FromStore(const SettingsStore& store);
};

}  // namespace yarvelin

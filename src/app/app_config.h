// Web addresses and the default upload host, in one place. Each can be overridden in the settings
// store's "Config" section under the same name.
#pragma once

#include <string>

namespace yarvelin {

class SettingsStore;

struct AppConfig {
    std::string signUpUrl = "https://merchants.quorvin.example/signup";
    std::string accountHelpUrl = "https://merchants.quorvin.example/help/account";
    std::string articlesUrl = "https://merchants.quorvin.example/articles";
    std::string techSupportUrl = "https://www.yarvelin.example/support";
    std::string dataHelpUrl = "https://merchants.quorvin.example/help/feed-data";
    std::string optionsHelpUrl = "https://merchants.quorvin.example/help/options";
    std::string uploadHost = "ftp.quorvin.example";
    // Where SFTP host keys the user accepted are kept; empty: DefaultKnownHostsFile(). Not a setting.
    std::string knownHostsFile;

    // The defaults above, with any "Config" values of the store laid over them.
    static AppConfig FromStore(const SettingsStore& store);
};

}  // namespace yarvelin

#include "app/app_config.h"

#include "app/settings_names.h"
#include "app/settings_store.h"

namespace yarvelin {

AppConfig AppConfig::FromStore(const SettingsStore& store) {
    AppConfig c;
    auto over = [&store](const char* name, std::string& value) {
        value = store.GetString(settings::kSectionConfig, name, value);
    };
    over("SignUpUrl", c.signUpUrl);
    over("AccountHelpUrl", c.accountHelpUrl);
    over("ArticlesUrl", c.articlesUrl);
    over("TechSupportUrl", c.techSupportUrl);
    over("DataHelpUrl", c.dataHelpUrl);
    over("OptionsHelpUrl", c.optionsHelpUrl);
    over("UploadHost", c.uploadHost);
    return c;
}

}  // namespace yarvelin

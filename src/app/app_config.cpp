#include "app/app_config.h"

#include "app/settings_store.h"

namespace yarvelin {

AppConfig AppConfig::FromStore(const SettingsStore& store) {
    AppConfig c;
    c.signUpUrl = settings::kSignUpUrl.Read(store);
    c.accountHelpUrl = settings::kAccountHelpUrl.Read(store);
    c.articlesUrl = settings::kArticlesUrl.Read(store);
    c.techSupportUrl = settings::kTechSupportUrl.Read(store);
    c.dataHelpUrl = settings::kDataHelpUrl.Read(store);
    c.optionsHelpUrl = settings::kOptionsHelpUrl.Read(store);
    c.uploadHost = settings::kUploadHost.Read(store);
    return c;
}

}  // namespace yarvelin

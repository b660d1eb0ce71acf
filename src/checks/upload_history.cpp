#include "checks/upload_history.h"

#include <algorithm>
#include <cstdint>
#include <limits>

#include "app/settings_names.h"
#include "app/settings_store.h"
#include "records/text_util.h"

namespace yarvelin {

std::string UploadCountKey(const std::string& server, const std::string& remoteFile) {
    std::string key = ToLowerAscii(Trim(server)) + " " + remoteFile;
    std::replace_if(
        key.begin(), key.end(), [](char c) { return c == '/' || c == '\\'; }, '|');
    return key;
}

std::string EarlierUploadCountKey(const std::string& server, const std::string& remoteFile) {
    const std::string raw = ToLowerAscii(Trim(server)) + " " + remoteFile;
    std::string key;
    for (char c : raw) {
        const auto u = static_cast<unsigned char>(c);
        if ((u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') || c == '.' ||
            c == '-' || c == '_') {
            key += c;
        } else {
            key += Format("%%%02X", u);
        }
    }
    return key;
}

std::optional<long long> LastUploadCount(const SettingsStore& store, const std::string& server,
                                         const std::string& remoteFile) {
    std::int32_t value = settings::kUploadCounts.Read(store, UploadCountKey(server, remoteFile));
    if (value < 0) {
        value = settings::kUploadCounts.Read(store, EarlierUploadCountKey(server, remoteFile));
    }
    if (value < 0) {
        return std::nullopt;
    }
    return value;
}

void RememberUploadCount(SettingsStore& store, const std::string& server, const std::string& remoteFile,
                         std::size_t products) {
    const auto capped = static_cast<std::int32_t>(
        std::min<std::size_t>(products, static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())));
    settings::kUploadCounts.Write(store, UploadCountKey(server, remoteFile), capped);
    store.Flush();
}

}  // namespace yarvelin

#include "checks/upload_history.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <map>

#include "app/settings_names.h"
#include "app/settings_store.h"
#include "jobs/upload_count_file.h"
#include "records/text_util.h"

namespace yarvelin {

std::string UploadCountKey(const std::string& server, const std::string& remoteFile) {
    return EscapeForSettingsName(ToLowerAscii(Trim(server)) + " " + remoteFile);
}

namespace {

CUploadCountFile CountRecord(const SettingsStore& store, const std::string& countFile) {
    CUploadCountFile record(countFile.empty() ? UploadCountFilePath() : countFile);
    if (!record.Exists()) {
        std::map<std::string, long long> older;
        for (const std::string& name : store.ValueNames(settings::kSectionUploadCounts)) {
            const std::int32_t count = settings::kUploadCounts.Read(store, name);
            if (count >= 0) {
                older[name] = count;
            }
        }
        record.Adopt(older);
    }
    return record;
}

}  // namespace

std::optional<long long> LastUploadCount(const SettingsStore& store, const std::string& countFile,
                                         const std::string& server, const std::string& remoteFile) {
    return CountRecord(store, countFile).Last(server, remoteFile);
}

void RememberUploadCount(const SettingsStore& store, const std::string& countFile, const std::string& server,
                         const std::string& remoteFile, std::size_t products) {
    CountRecord(store, countFile).Remember(server, remoteFile, products);
}

}  // namespace yarvelin

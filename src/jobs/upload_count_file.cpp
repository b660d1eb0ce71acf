#include "jobs/upload_count_file.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <map>
#include <sstream>
#include <system_error>

#include "app/settings_names.h"
#include "app/settings_store.h"
#include "records/text_util.h"
#include "records/xdg_folders.h"

namespace yarvelin {

std::string StateFolder() {
    return XdgStateHome() + "/yarvelin";
}

std::string UploadCountFilePath() {
    return StateFolder() + "/upload-counts";
}

bool CUploadCountFile::Exists() const {
    std::error_code ignored;
    return std::filesystem::exists(m_path, ignored);
}

std::map<std::string, long long> CUploadCountFile::Read() const {
    std::map<std::string, long long> counts;
    std::ifstream in(m_path, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string key;
        long long count = -1;
        if (fields >> key >> count && count >= 0) {
            counts[key] = count;
        }
    }
    return counts;
}

bool CUploadCountFile::Write(const std::map<std::string, long long>& counts) const {
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(m_path).parent_path(), error);
    const std::string temporary = m_path + ".new";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        for (const auto& [key, count] : counts) {
            out << key << ' ' << count << '\n';
        }
        out.flush();
        if (!out) {
            std::filesystem::remove(temporary, error);
            return false;
        }
    }
    std::filesystem::rename(temporary, m_path, error);
    return !error;
}

std::optional<long long> CUploadCountFile::Last(const std::string& server,
                                                const std::string& remoteFile) const {
    const auto counts = Read();
    const auto found = counts.find(UploadCountKey(server, remoteFile));
    if (found == counts.end()) {
        return std::nullopt;
    }
    return found->second;
}

bool CUploadCountFile::Remember(const std::string& server, const std::string& remoteFile,
                                std::size_t products) {
    auto counts = Read();
    counts[UploadCountKey(server, remoteFile)] = static_cast<long long>(products);
    return Write(counts);
}

bool CUploadCountFile::Adopt(const std::map<std::string, long long>& older) {
    auto counts = Read();
    bool changed = false;
    for (const auto& [key, count] : older) {
        if (count >= 0 && counts.emplace(key, count).second) {
            changed = true;
        }
    }
    return !changed || Write(counts);
}

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

#include "app/recent_file_list.h"

#include <filesystem>

#include "app/settings_store.h"
#include "records/text_util.h"

namespace yarvelin {

std::string FullPath(const std::string& path) {
    if (path.empty()) {
        return path;
    }
    std::error_code ec;
    auto full = std::filesystem::absolute(std::filesystem::path(path), ec);
    if (ec) {
        return path;
    }
    return full.lexically_normal().string();
}

void CRecentFileList::Add(const std::string& path) {
    const std::string full = FullPath(path);
    const std::size_t n = m_entries.size();
    if (n == 0) {
        return;
    }
    std::size_t drop = n - 1;  // the last entry falls off unless a match is found
    for (std::size_t i = 0; i + 1 < n; ++i) {
        if (!m_entries[i].empty() && EqualsNoCase(m_entries[i], full)) {
            drop = i;
            break;
        }
    }
    for (std::size_t i = drop; i > 0; --i) {
        m_entries[i] = std::move(m_entries[i - 1]);
    }
    m_entries[0] = full;
}

std::vector<std::string> CRecentFileList::NonEmpty() const {
    std::vector<std::string> out;
    for (const auto& e : m_entries) {
        if (!e.empty()) {
            out.push_back(e);
        }
    }
    return out;
}

bool CRecentFileList::ContainsExactly(const std::string& path) const {
    for (const auto& e : m_entries) {
        if (!e.empty() && e == path) {
            return true;
        }
    }
    return false;
}

void CRecentFileList::ReadList(const SettingsStore& store, const IndexedSetting<std::string>& entries) {
    for (std::size_t k = 0; k < m_entries.size(); ++k) {
        m_entries[k] = entries.Read(store, static_cast<int>(k + 1));
    }
}

void CRecentFileList::WriteList(SettingsStore& store, const IndexedSetting<std::string>& entries) const {
    store.DeleteSection(entries.section);
    for (std::size_t k = 0; k < m_entries.size(); ++k) {
        if (!m_entries[k].empty()) {
            entries.Write(store, static_cast<int>(k + 1), m_entries[k]);
        }
    }
}

}  // namespace yarvelin

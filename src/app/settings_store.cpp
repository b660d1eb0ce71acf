#include "app/settings_store.h"

#include <cstdlib>

namespace yarvelin {

std::string CMemorySettingsStore::GetString(const std::string& section, const std::string& name,
                                            const std::string& def) const {
    auto it = m_values.find({section, name});
    if (it == m_values.end()) {
        return def;
    }
    return it->second.isInt ? std::to_string(it->second.number) : it->second.text;
}

std::int32_t CMemorySettingsStore::GetInt(const std::string& section, const std::string& name,
                                          std::int32_t def) const {
    auto it = m_values.find({section, name});
    if (it == m_values.end()) {
        return def;
    }
    if (it->second.isInt) {
        return it->second.number;
    }
    return static_cast<std::int32_t>(std::strtol(it->second.text.c_str(), nullptr, 10));
}

void CMemorySettingsStore::WriteString(const std::string& section, const std::string& name,
                                       const std::string& value) {
    m_values[{section, name}] = Value{false, value, 0};
}

void CMemorySettingsStore::WriteInt(const std::string& section, const std::string& name, std::int32_t value) {
    m_values[{section, name}] = Value{true, {}, value};
}

std::vector<std::string> CMemorySettingsStore::ValueNames(const std::string& section) const {
    std::vector<std::string> names;
    for (const auto& [key, value] : m_values) {
        if (key.first == section) {
            names.push_back(key.second);
        }
    }
    return names;
}

void CMemorySettingsStore::DeleteSection(const std::string& section) {
    for (auto it = m_values.begin(); it != m_values.end();) {
        if (it->first.first == section) {
            it = m_values.erase(it);
        } else {
            ++it;
        }
    }
}

}  // namespace yarvelin

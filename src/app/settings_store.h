// The per-user settings store: named sections of named text or 32-bit integer values.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace yarvelin {

class SettingsStore {
  public:
    virtual ~SettingsStore() = default;
    virtual std::string GetString(const std::string& section, const std::string& name,
                                  const std::string& def = {}) const = 0;
    virtual std::int32_t GetInt(const std::string& section, const std::string& name,
                                std::int32_t def) const = 0;
    virtual void WriteString(const std::string& section, const std::string& name,
                             const std::string& value) = 0;
    virtual void WriteInt(const std::string& section, const std::string& name, std::int32_t value) = 0;
    virtual void DeleteSection(const std::string& section) = 0;
    // The names of the values a section holds (a section whose names are only known at run time).
    virtual std::vector<std::string> ValueNames(const std::string& section) const {
        (void)section;
        return {};
    }
    // Makes the writes so far durable; a store that writes at once may do nothing.
    virtual void Flush() {}
    // Where the store lives, to name to the user (a file path); empty when it is nowhere the user can go.
    virtual std::string Location() const { return {}; }
};

// A store kept in memory, for tests.
class CMemorySettingsStore : public SettingsStore {
  public:
    struct Value {
        bool isInt = false;
        std::string text;
        std::int32_t number = 0;
    };
    using Key = std::pair<std::string, std::string>;

    std::string GetString(const std::string& section, const std::string& name,
                          const std::string& def = {}) const override;
    std::int32_t GetInt(const std::string& section, const std::string& name, std::int32_t def) const override;
    void WriteString(const std::string& section, const std::string& name, const std::string& value) override;
    void WriteInt(const std::string& section, const std::string& name, std::int32_t value) override;
    void DeleteSection(const std::string& section) override;
    std::vector<std::string> ValueNames(const std::string& section) const override;

    bool Has(const std::string& section, const std::string& name) const {
        return m_values.count({section, name}) != 0;
    }
    std::map<Key, Value> m_values;
};

}  // namespace yarvelin

// One value of the settings store described once: its section, its name, its kind and the value an absent
// entry reads as. The declarations themselves are in app/settings_names.h; callers read and write through
// them, so no section, name or default is ever typed at a call site.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "app/settings_store.h"
#include "records/text_util.h"

namespace yarvelin {

// How each kind the store holds is read and written. A text's default is a plain character pointer so
// that declarations can be constexpr.
template <typename T>
struct SettingKind;

template <>
struct SettingKind<std::string> {
    using Default = const char*;
    static std::string Get(const SettingsStore& store, const std::string& section, const std::string& name,
                           Default def) {
        return store.GetString(section, name, def);
    }
    static void Put(SettingsStore& store, const std::string& section, const std::string& name,
                    const std::string& value) {
        store.WriteString(section, name, value);
    }
};

template <>
struct SettingKind<std::int32_t> {
    using Default = std::int32_t;
    static std::int32_t Get(const SettingsStore& store, const std::string& section, const std::string& name,
                            Default def) {
        return store.GetInt(section, name, def);
    }
    static void Put(SettingsStore& store, const std::string& section, const std::string& name,
                    std::int32_t value) {
        store.WriteInt(section, name, value);
    }
};

// A value with a fixed name.
template <typename T>
struct Setting {
    const char* section;
    const char* name;
    typename SettingKind<T>::Default def;

    T Read(const SettingsStore& store) const { return SettingKind<T>::Get(store, section, name, def); }
    void Write(SettingsStore& store, const T& value) const {
        SettingKind<T>::Put(store, section, name, value);
    }
};

// A numbered family of values whose names come from a printf pattern and an index ("Category_%d").
template <typename T>
struct IndexedSetting {
    const char* section;
    const char* pattern;
    typename SettingKind<T>::Default def;

    std::string Name(int index) const { return Format(pattern, index); }
    T Read(const SettingsStore& store, int index) const {
        return SettingKind<T>::Get(store, section, Name(index), def);
    }
    void Write(SettingsStore& store, int index, const T& value) const {
        SettingKind<T>::Put(store, section, Name(index), value);
    }
};

// A section whose value names are only known when the program runs (a host, a server and file name).
template <typename T>
struct NamedSetting {
    const char* section;
    typename SettingKind<T>::Default def;

    T Read(const SettingsStore& store, const std::string& name) const {
        return SettingKind<T>::Get(store, section, name, def);
    }
    void Write(SettingsStore& store, const std::string& name, const T& value) const {
        SettingKind<T>::Put(store, section, name, value);
    }
};

// The text of an indexed entry, or nothing when the store has no such entry: for lists whose stored count
// cannot be trusted. The store's interface cannot ask for presence, so an entry holding exactly the
// marker byte below reads as absent.
inline std::optional<std::string> ReadIfPresent(const IndexedSetting<std::string>& setting,
                                                const SettingsStore& store, int index) {
    static constexpr const char* kAbsent = "\x01";
    std::string value = store.GetString(setting.section, setting.Name(index), kAbsent);
    if (value == kAbsent) {
        return std::nullopt;
    }
    return value;
}

}  // namespace yarvelin

// Most-recently-used list of full paths, newest first, with a fixed capacity.
#pragma once

#include <string>
#include <vector>

#include "app/setting.h"

namespace yarvelin {

class CRecentFileList {
  public:
    explicit CRecentFileList(int capacity) : m_entries(static_cast<std::size_t>(capacity)) {}

    // Makes the path absolute (against the current folder) and puts it first. An entry among the first
    // capacity-1 naming the same file, letter case ignored, moves up instead of being duplicated.
    void Add(const std::string& path);

    // Entry k (0-based); empty where the list has no entry.
    const std::string& operator[](int k) const { return m_entries[static_cast<std::size_t>(k)]; }
    std::vector<std::string> NonEmpty() const;
    bool ContainsExactly(const std::string& path) const;

    // Entries 1 .. N of an indexed setting; writing replaces the setting's whole section.
    void ReadList(const SettingsStore& store, const IndexedSetting<std::string>& entries);
    void WriteList(SettingsStore& store, const IndexedSetting<std::string>& entries) const;

  private:
    std::vector<std::string> m_entries;
};

// The full form of a path, relative paths taken against the current folder.
std::string FullPath(const std::string& path);

}  // namespace yarvelin

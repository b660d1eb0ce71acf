// What the last successful upload to a server and file name held, kept in the state folder so that the
// wizard and unattended runs share it: one line "KEY COUNT" per place, KEY as UploadCountKey() makes it.
#pragma once

#include <cstddef>
#include <map>
#include <optional>
#include <string>

namespace yarvelin {

class SettingsStore;

// The name of a server and remote file name in the upload-count record: the server in lower case, a blank,
// the file name, every byte outside letters, digits, '.', '-' and '_' escaped once as %XX. Earlier versions
// kept the counts in the settings file under this name (which the settings file escaped a second time);
// those counts are taken over the first time the record is missing.
std::string UploadCountKey(const std::string& server, const std::string& remoteFile);

// The record in countFile (empty: UploadCountFilePath()), after taking over the counts earlier versions kept
// in the settings store the first time the record is missing.
std::optional<long long> LastUploadCount(const SettingsStore& store, const std::string& countFile,
                                         const std::string& server, const std::string& remoteFile);
void RememberUploadCount(const SettingsStore& store, const std::string& countFile, const std::string& server,
                         const std::string& remoteFile, std::size_t products);

// $XDG_STATE_HOME/yarvelin, else ~/.local/state/yarvelin.
std::string StateFolder();
// The record in StateFolder().
std::string UploadCountFilePath();

class CUploadCountFile {
  public:
    explicit CUploadCountFile(std::string path) : m_path(std::move(path)) {}
    bool Exists() const;
    std::optional<long long> Last(const std::string& server, const std::string& remoteFile) const;
    // Rewrites the record through a temporary file and a rename, so a reader never sees half of it.
    bool Remember(const std::string& server, const std::string& remoteFile, std::size_t products);
    // Takes the counts kept elsewhere before (key to count) for every place the record does not know.
    bool Adopt(const std::map<std::string, long long>& counts);
    const std::string& Path() const { return m_path; }

  private:
    std::map<std::string, long long> Read() const;
    bool Write(const std::map<std::string, long long>& counts) const;
    std::string m_path;
};

}  // namespace yarvelin

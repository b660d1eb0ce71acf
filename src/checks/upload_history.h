// What the last successful upload to a server and file name held, so that a feed that suddenly lost most of
// its products is questioned before it replaces a good one. The record is a file in the state folder that
// the wizard and `yarvelin-feed run` share (countFile; empty: UploadCountFilePath()). The counts earlier
// versions kept in the settings store are taken over the first time the file is missing.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace yarvelin {

class SettingsStore;

// The name of a server and remote file name in the upload-count record: the server in lower case, a blank,
// the file name, every byte outside letters, digits, '.', '-' and '_' escaped once as %XX. Earlier versions
// kept the counts in the settings file under this name (which the settings file escaped a second time);
// those counts are taken over the first time the record is missing.
std::string UploadCountKey(const std::string& server, const std::string& remoteFile);

std::optional<long long> LastUploadCount(const SettingsStore& store, const std::string& countFile,
                                         const std::string& server, const std::string& remoteFile);
void RememberUploadCount(const SettingsStore& store, const std::string& countFile, const std::string& server,
                         const std::string& remoteFile, std::size_t products);

}  // namespace yarvelin

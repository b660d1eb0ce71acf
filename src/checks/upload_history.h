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

// The value name for a server and remote file name: the server in lower case, a blank, the file name,
// with every byte outside letters, digits, '.', '-' and '_' written as %XX so the name stays plain ASCII.
std::string UploadCountKey(const std::string& server, const std::string& remoteFile);

std::optional<long long> LastUploadCount(const SettingsStore& store, const std::string& countFile,
                                         const std::string& server, const std::string& remoteFile);
void RememberUploadCount(const SettingsStore& store, const std::string& countFile, const std::string& server,
                         const std::string& remoteFile, std::size_t products);

}  // namespace yarvelin

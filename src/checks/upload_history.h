// What the last successful upload to a server and file name held, remembered in the settings store, so
// that a feed that suddenly lost most of its products is questioned before it replaces a good one.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace yarvelin {

class SettingsStore;

// The value name for a server and remote file name: the server in lower case, a blank, the file name. The
// settings file escapes the name itself, once; only '/' and '\\', which it would take for sections, become
// '|'.
std::string UploadCountKey(const std::string& server, const std::string& remoteFile);
// The name earlier versions used, escaped by the program as well (every byte outside letters, digits, '.',
// '-' and '_' as %XX), so the file showed it escaped twice. Still read, never written.
std::string EarlierUploadCountKey(const std::string& server, const std::string& remoteFile);

std::optional<long long> LastUploadCount(const SettingsStore& store, const std::string& server,
                                         const std::string& remoteFile);
void RememberUploadCount(SettingsStore& store, const std::string& server, const std::string& remoteFile,
                         std::size_t products);

}  // namespace yarvelin

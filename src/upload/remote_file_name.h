// The name a local feed file gets on the server.
#pragma once

#include <string>

namespace yarvelin {

// The characters after the last "/", ":" or "\" of the path, at most 254 of them; empty when the path
// ends with a separator.
std::string RemoteFileNameFor(const std::string& localPath);

}  // namespace yarvelin

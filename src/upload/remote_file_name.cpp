#include "upload/remote_file_name.h"

namespace yarvelin {

std::string RemoteFileNameFor(const std::string& localPath) {
    const std::size_t cut = localPath.find_last_of("/:\\");
    std::string name = cut == std::string::npos ? localPath : localPath.substr(cut + 1);
    if (name.size() > 254) {
        name.resize(254);
    }
    return name;
}

}  // namespace yarvelin

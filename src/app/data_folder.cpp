#include "app/data_folder.h"

#include <filesystem>
#include <system_error>

#include "build_config.h"

namespace yarvelin {

namespace {

bool HoldsData(const std::filesystem::path& dir) {
    std::error_code ignored;
    for (const char* sub : {"Samples", "help", "Maps"}) {
        if (std::filesystem::is_directory(dir / sub, ignored)) {
            return true;
        }
    }
    return false;
}

}  // namespace

std::string DataFolderFor(const std::string& programDir, const std::string& dataFromBin) {
    if (HoldsData(programDir)) {
        return programDir;
    }
    const std::filesystem::path installed =
        (std::filesystem::path(programDir) / dataFromBin).lexically_normal();
    std::string folder = installed.string();
    if (folder.size() > 1 && folder.back() == '/') {
        folder.pop_back();
    }
    return HoldsData(installed) ? folder : programDir;
}

std::string BuildDataFolderFor(const std::string& programDir) {
    return DataFolderFor(programDir, YARVELIN_DATA_DIR_FROM_BINDIR);
}

}  // namespace yarvelin

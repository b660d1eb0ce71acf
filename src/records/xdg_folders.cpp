#include "records/xdg_folders.h"

#include <cstdlib>

namespace yarvelin {

namespace {

std::string BaseFolder(const char* variable, const char* fallback) {
    const char* value = std::getenv(variable);
    if (value != nullptr && *value == '/') {
        return value;
    }
    const char* home = std::getenv("HOME");
    return std::string(home != nullptr ? home : "") + fallback;
}

}  // namespace

std::string XdgConfigHome() {
    return BaseFolder("XDG_CONFIG_HOME", "/.config");
}

std::string XdgStateHome() {
    return BaseFolder("XDG_STATE_HOME", "/.local/state");
}

}  // namespace yarvelin

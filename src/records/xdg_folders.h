// The user's base folders as the XDG layout names them: $XDG_CONFIG_HOME (else ~/.config) and
// $XDG_STATE_HOME (else ~/.local/state). A relative value is ignored, as the layout asks.
#pragma once

#include <string>

namespace yarvelin {

std::string XdgConfigHome();
std::string XdgStateHome();

}  // namespace yarvelin

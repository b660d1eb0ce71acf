// The pictures compiled into the program (":/icons/...", ":/splash.png").
#pragma once

namespace yarvelin {

// Registers them. They live in a static library, whose registration the linker would otherwise leave out
// because nothing refers to it. CYarvelinGui does it when the program starts, so a window never needs to;
// a test that makes a window without one calls this itself. Repeat calls are harmless.
void RegisterGuiResources();

}  // namespace yarvelin

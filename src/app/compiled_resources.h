// The pictures compiled into the program (":/icons/...", ":/splash.png").
#pragma once

namespace yarvelin {

// Registers them. They live in a static library, whose registration the linker would otherwise leave out
// because nothing refers to it; every window that shows one calls this first (repeat calls are harmless).
void EnsureGuiResources();

}  // namespace yarvelin

// Links between the platform's own source files; not part of the seam.
#pragma once

#include <cstdint>

#include "platform/platform.h"

namespace abacine::platform::internal {

// Queues a message for every live window (quarter turns).
void PostToAllWindows(uint32_t id, uintptr_t w_param, intptr_t l_param);

// The window that host input goes to: the foreground window, else the live
// window created last; null when there is none.
Window* InputWindow();

}  // namespace abacine::platform::internal

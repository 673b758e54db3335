// The SDL2 backend: one desktop window showing the simulated device's screen.
// Mouse = stylus, keyboard = virtual keys, focus = activation, closing the
// window = the close command. No SDL type crosses this header.
#pragma once

#include <memory>
#include <string>

#include "platform/platform.h"

namespace abacine::platform {

// Opens the window; null (with *error set when error is not null) when SDL
// cannot start or make the window, or finds no display to show it on (SDL
// would fall back to a driver that draws nowhere; see allow_invisible). A
// WindowBackendFactory.
// Unless the environment asks for another (SDL_RENDER_DRIVER), it draws with
// SDL's software renderer: the screen is small and 16-bit, and on machines
// without a GPU the default would go through a software OpenGL stack at
// several times the CPU and memory.
std::unique_ptr<Backend> MakeSdlBackend(const WindowOptions& options, std::string* error);

// The virtual-key code of an SDL key (keycode and scancode as SDL numbers);
// 0 for keys the handheld has no code for. Exposed for tests.
int VirtualKeyOfSdlKey(int32_t keycode, int32_t scancode);

}  // namespace abacine::platform

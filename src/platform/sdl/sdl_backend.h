// The SDL2 backend: one desktop window showing the simulated device's screen.
// Mouse = stylus, keyboard = virtual keys, focus = activation, closing the
// window = the close command. No SDL type crosses this header.
#pragma once

#include <memory>
#include <string>

#include "platform/platform.h"

namespace abacine::platform {

struct SdlOptions {
  int scale = 1;               // window pixels per screen pixel, 1..8
  std::string title = "Abacine";
  int rotate_key = kVkF8;       // turns the device a quarter; 0 for none
  bool double_clicks = false;   // a second quick click sends 0x203 instead of 0x201
  // Error boxes in a window. Off for automated runs: an unattended box would
  // wait for a click forever. The text always goes to stderr as well.
  bool dialogs = true;
};

// Opens the window; null (with *error set when error is not null) when SDL
// cannot start or make the window.
std::unique_ptr<Backend> MakeSdlBackend(const SdlOptions& options, std::string* error);

// The virtual-key code of an SDL key (keycode and scancode as SDL numbers);
// 0 for keys the handheld has no code for. Exposed for tests.
int VirtualKeyOfSdlKey(int32_t keycode, int32_t scancode);

}  // namespace abacine::platform

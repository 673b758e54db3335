// The SDL window backend on SDL's dummy video driver, for tests of the SDL
// glue on machines with no display. Null, with *error, when SDL cannot start.
#pragma once

#include <stdlib.h>

#include <memory>
#include <string>

#include "platform/platform.h"
#include "platform/sdl/sdl_backend.h"

namespace abacine::testing {

inline std::unique_ptr<platform::Backend> OpenDummySdlBackend(std::string* error) {
  setenv("SDL_VIDEODRIVER", "dummy", 1);
  platform::WindowOptions options;
  options.allow_invisible = true;
  std::unique_ptr<platform::Backend> sdl = platform::MakeSdlBackend(options, error);
  unsetenv("SDL_VIDEODRIVER");
  return sdl;
}

}  // namespace abacine::testing

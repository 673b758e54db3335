// The Game API library the build made (bin/gx.so), for suites that open the
// display or the keys: loaded from there only, and forgotten afterwards.
#pragma once

#include <string>

#include "graphics/game_api.h"
#include "support/process.h"

namespace abacine::testing {

inline const std::string kGxPath = BinPath("gx.so");

inline void UseBuiltGameApi() {
  GameApiLibrary::Instance().Unload();
  GameApiLibrary::Instance().SetSearchList({kGxPath});
}

inline void ForgetGameApi() {
  GameApiLibrary::Instance().Unload();
  GameApiLibrary::Instance().UseDefaultSearchList();
}

}  // namespace abacine::testing

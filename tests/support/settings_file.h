// Settings files for runs that are not meant to be first runs: a first run
// starts the tutorial, which takes every tap but its target's.
#pragma once
#include <filesystem>
#include <fstream>
#include <string>

namespace abacine::testing {

// Writes a settings file that says the tutorial has been shown, unless a
// file is already there (a run that follows another keeps what it saved).
inline void WriteSettingsPastFirstRun(const std::string& path) {
  std::error_code ignored;
  if (std::filesystem::exists(path, ignored)) return;
  std::ofstream(path, std::ios::binary) << "Windows Registry Editor Version 5.00\n\n"
                                           "[HKEY_LOCAL_MACHINE\\Software\\Velmora\\Abacine]\n"
                                           "\"ShowTutorial\"=dword:00000000\n";
}

}  // namespace abacine::testing

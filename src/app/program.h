// The program entry shared by `abacine` and `abacine-demo`: reads the
// command line, builds the simulated handheld, opens the desktop window
// (unless headless), runs the application on the framework and writes the
// screenshot. The programs differ only in what ProgramSpec says.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/app_framework.h"
#include "app/options.h"
#include "platform/platform.h"

namespace abacine {

struct ProgramSpec {
  ProgramKind kind = ProgramKind::kCalculator;
  const char* windowTitle = "Abacine";
  // One copy per user (a second start brings the first forward and exits 0).
  bool singleInstance = false;
  // Frame periods a headless run lasts when --frames is not given; 0 runs
  // until closed or signalled.
  uint64_t headlessFrames = 0;
  // Makes the application for the options; null when memory runs out.
  std::function<std::unique_ptr<AppFramework>(const ProgramOptions&)> makeApp;
};

// Runs the program with the arguments after its name and returns its exit
// status: 0, 2 for a bad command line, the run's result code otherwise (1
// when only the screenshot failed). `openWindow` makes the desktop window's
// backend (platform::MakeSdlBackend); only the programs link it.
int RunProgram(const ProgramSpec& spec, const std::vector<std::string>& args,
               platform::WindowBackendFactory openWindow);

}  // namespace abacine

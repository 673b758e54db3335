// The program entry shared by `abacine` and `abacine-demo`: reads the
// command line, builds the simulated handheld, opens the desktop window
// (unless headless), runs the application on the framework and writes the
// screenshot. The programs differ only in what ProgramEntry says.
#pragma once

#include <cstdint>
#include <functional>
#include <istream>
#include <memory>
#include <string>
#include <vector>

#include "app/app_framework.h"
#include "app/options.h"
#include "platform/platform.h"

namespace abacine {

// A script that drives a run (--script): it is handed every frame period,
// after the frame was drawn and shown, and may inject input or end the run.
// The run's clock is simulated while a script runs, so each frame period
// is 1/30 s of simulated time and nothing sleeps.
class ProgramScript {
 public:
  virtual ~ProgramScript() = default;
  virtual void onFrame(AppFramework& app) = 0;
  // The exit status the script asks for: 0, or non-zero after an error.
  virtual int exitStatus() const = 0;
};

struct ProgramEntry {
  ProgramKind kind = ProgramKind::kCalculator;
  const char* windowTitle = "Abacine";
  // One copy per user (a second start brings the first forward and exits 0).
  bool singleInstance = false;
  // Frame periods a headless run lasts when --frames is not given; 0 runs
  // until closed or signalled.
  uint64_t headlessFrames = 0;
  // Makes the application for the options; null when memory runs out.
  std::function<std::unique_ptr<AppFramework>(const ProgramOptions&)> makeApp;
  // Makes the runner of a script read from `in` for the application made
  // above; unset for programs that take no script.
  std::function<std::unique_ptr<ProgramScript>(AppFramework& app, std::istream& in)> makeScript;
};

// Runs the program with the arguments after its name and returns its exit
// status: 0, 2 for a bad command line or a failed script, the run's result
// code otherwise (1 when only the screenshot failed, and for a failure
// code that would read as 0 once cut to the 8 bits of an exit status). `openWindow` makes the
// desktop window's backend (platform::MakeSdlBackend); only the programs link it.
int RunProgram(const ProgramEntry& entry, const std::vector<std::string>& args,
               platform::WindowBackendFactory openWindow);

}  // namespace abacine

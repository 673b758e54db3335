// The command lines of the programs built on the framework, `abacine` and
// `abacine-demo`: one table of options. Both take the shared ones (screen,
// scale, full screen, headless, frames, screenshot); the calculator also
// those that build the simulated handheld in detail (top bar, OEM string,
// OS version, raw frame buffer) and the settings file. Parsing never exits
// or prints; the program entry acts on the outcome.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/device.h"

namespace abacine {

// Which program a command line is for.
enum class ProgramKind { kCalculator, kDemo };

struct ProgramOptions {
  int32_t screenWidth = 480;
  int32_t screenHeight = 640;
  int32_t scale = 0;          // window pixels per screen pixel; 0 = by screen size
  int32_t topBar = 0;         // height of the shell's top bar
  bool fullScreen = false;
  bool headless = false;
  bool rawFrameBuffer = false;  // the device offers the driver's raw frame buffer
  std::string registryFile;
  bool oemGiven = false;
  std::u16string oem;
  bool osVersionGiven = false;
  uint32_t osMajor = 0;
  uint32_t osMinor = 0;
  uint64_t frames = 0;        // quit after this many frame periods; 0 = run until closed
  std::string screenshot;     // PNG written at exit
  std::string script;         // commands to run ("-": standard input); calculator only
  bool widgets = false;       // the demo shows the widget gallery
};

enum class ParseAction { kRun, kHelp, kVersion, kError };

struct ParseOutcome {
  ParseAction action = ParseAction::kRun;
  ProgramOptions options;
  std::string message;  // kError: what was wrong, one line
};

// Parses the arguments after the program name. Options take their value as
// the next argument or after '=' (--scale=2). --help and --version win over
// everything after them; an unknown option (or one the program does not
// take) or a bad value is kError.
ParseOutcome ParseCommandLine(const std::vector<std::string>& args,
                              ProgramKind kind = ProgramKind::kCalculator);

// The window scale the options ask for: their own, else 2 for the 240 class
// (so small screens stay readable on a desktop) and 1 otherwise.
int32_t WindowScale(const ProgramOptions& options);

// The simulated handheld the options describe.
platform::DeviceConfig DeviceConfigFor(const ProgramOptions& options);

// "abacine" or "abacine-demo".
const char* ProgramName(ProgramKind kind);
std::string HelpText(ProgramKind kind = ProgramKind::kCalculator);
std::string VersionText(ProgramKind kind = ProgramKind::kCalculator);

}  // namespace abacine

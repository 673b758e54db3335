#include "app/program.h"

#include <signal.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <optional>

#include "platform/controls.h"
#include "platform/single_instance.h"
#include "text/escape.h"
#include "text/hex.h"
#include "text/utf.h"

namespace abacine {
namespace {

volatile std::sig_atomic_t g_quit = 0;

extern "C" void OnQuitSignal(int) { g_quit = 1; }

// Signals that would end the process end the run like the close command
// instead, so that it leaves as a closed window does (onExit, the socket
// removed, the screenshot written): SIGINT, SIGTERM, SIGHUP (its terminal
// closed) and the two user signals. A closed pipe, or a file size limit on
// the screenshot, fails that one write instead of killing the program.
void CatchQuitSignals() {
  struct sigaction action {};
  action.sa_handler = OnQuitSignal;
  sigemptyset(&action.sa_mask);
  for (const int quit : {SIGINT, SIGTERM, SIGHUP, SIGUSR1, SIGUSR2}) sigaction(quit, &action, nullptr);
  action.sa_handler = SIG_IGN;
  for (const int ignored : {SIGPIPE, SIGXFSZ}) sigaction(ignored, &action, nullptr);
}

// Exit statuses keep only 8 bits: a failure code ending in 0x00 would read
// as success.
int ExitStatusOf(int code) { return code != 0 && (code & 0xFF) == 0 ? 1 : code; }

}  // namespace

int RunProgram(const ProgramEntry& entry, const std::vector<std::string>& args,
               platform::WindowBackendFactory openWindow) {
  const char* name = ProgramName(entry.kind);
  const ParseOutcome parsed = ParseCommandLine(args, entry.kind);
  switch (parsed.action) {
    case ParseAction::kHelp:
      std::fputs(HelpText(entry.kind).c_str(), stdout);
      return 0;
    case ParseAction::kVersion:
      std::fputs(VersionText(entry.kind).c_str(), stdout);
      return 0;
    case ParseAction::kError:
      std::fprintf(stderr, "%s: %s\nTry '%s --help' for more information.\n", name,
                   EscapeForTerminal(parsed.message).c_str(), name);
      return 2;
    case ParseAction::kRun:
      break;
  }
  ProgramOptions options = parsed.options;
  if (options.headless && options.frames == 0) options.frames = entry.headlessFrames;
  if (!platform::TheDevice().Reset(DeviceConfigFor(options))) {
    std::fprintf(stderr, "%s: the simulated device cannot be built\n", name);
    return 2;
  }
  CatchQuitSignals();

  // A scripted run reads its commands as it goes, on a simulated clock
  // installed before anything reads the time.
  std::ifstream scriptFile;
  std::istream* scriptInput = nullptr;
  if (!options.script.empty() && entry.makeScript) {
    if (options.script == "-") {
      scriptInput = &std::cin;
    } else if (scriptFile.open(options.script); scriptFile) {
      scriptInput = &scriptFile;
    } else {
      std::fprintf(stderr, "%s: cannot read the script %s\n", name, options.script.c_str());
      return 2;
    }
  }
  platform::ManualClock scriptClock;
  std::optional<platform::ScopedClock> scriptTime;
  if (scriptInput != nullptr) scriptTime.emplace(&scriptClock);

  std::unique_ptr<AppFramework> app = entry.makeApp(options);
  if (app == nullptr) {
    std::fprintf(stderr, "%s: out of memory\n", name);
    return 1;
  }

  if (entry.singleInstance) {
    InstanceOptions instance;
    instance.directory = platform::SingleInstance::DefaultDirectory();
    instance.fallbackDirectory = platform::SingleInstance::PrivateDirectory();
    instance.onNote = [name](const std::string& note) {
      std::fprintf(stderr, "%s: %s\n", name, EscapeForTerminal(note).c_str());
    };
    if (options.headless) {
      instance.onRaise = [name] {
        std::fprintf(stderr, "%s: a second start asked for the window\n", name);
      };
    }
    app->setInstanceOptions(std::move(instance));
  }

  if (!options.headless) {
    platform::WindowOptions window;
    window.scale = WindowScale(options);
    window.title = entry.windowTitle;
    window.rotate_key = platform::kVkF8;
    window.double_clicks = app->config().doubleClicks != 0;
    // A scripted run must never wait for a click on an error box.
    window.dialogs = options.frames == 0 && options.script.empty();
    // Opened only once this start knows it is the only one, so that a
    // second start shows nothing at all.
    app->setHostStarter([window, openWindow, name] {
      std::string error;
      std::unique_ptr<platform::Backend> backend = openWindow(window, &error);
      if (backend == nullptr) {
        std::fprintf(stderr, "%s: cannot open a window: %s\n", name, error.c_str());
        return false;
      }
      platform::SetBackend(std::move(backend));
      return true;
    });
  }
  std::unique_ptr<ProgramScript> script;
  if (scriptInput != nullptr) script = entry.makeScript(*app, *scriptInput);
  app->setFrameHook([frames = options.frames, script = script.get()](AppFramework& running) {
    if (script != nullptr) script->onFrame(running);
    if (g_quit != 0 || (frames != 0 && running.framePeriods() >= frames)) running.requestQuit();
  });

  int code = app->run();
  if (code != 0 && !app->errorShown()) {
    // Failures before the window exists show no box; say it here at least.
    if (!app->errorText().empty()) {
      std::fprintf(stderr, "%s: %s\n", name, ToUtf8(app->errorText()).c_str());
    } else {
      std::fprintf(stderr, "%s: could not start (code %s)\n", name, HexCode(code).c_str());
    }
  }
  // A script that failed has said why on standard error.
  if (code == 0 && script != nullptr) code = script->exitStatus();
  // A second start (no frame ran) leaves no screenshot.
  std::string why;
  if (!options.screenshot.empty() && app->framePeriods() > 0 &&
      !platform::WriteScreenPng(options.screenshot, &why)) {
    std::fprintf(stderr, "%s: could not write %s\n", name, EscapeForTerminal(why).c_str());
    if (code == 0) code = 1;
  }
  script.reset();
  app.reset();
  platform::SetBackend(nullptr);
  return ExitStatusOf(code);
}

}  // namespace abacine

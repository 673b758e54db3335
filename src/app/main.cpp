// The `abacine` program: reads the command line, builds the simulated
// handheld, fills the configuration, runs AbacineApp and returns its result.
#include <signal.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <cstdio>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "app/abacine_app.h"
#include "app/options.h"
#include "platform/platform.h"
#include "platform/sdl/sdl_backend.h"
#include "platform/single_instance.h"
#include "text/hex.h"
#include "text/utf.h"

namespace {

volatile std::sig_atomic_t g_quit = 0;

extern "C" void OnQuitSignal(int) { g_quit = 1; }

// SIGINT and SIGTERM end the run like the close command, so the settings are
// saved on the way out.
void CatchQuitSignals() {
  struct sigaction action {};
  action.sa_handler = OnQuitSignal;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

}  // namespace

int main(int argc, char** argv) {
  using namespace abacine;
  const std::vector<std::string> args(argv + 1, argv + argc);
  const ParseOutcome parsed = ParseCommandLine(args);
  switch (parsed.action) {
    case ParseAction::kHelp:
      std::fputs(HelpText().c_str(), stdout);
      return 0;
    case ParseAction::kVersion:
      std::fputs(VersionText().c_str(), stdout);
      return 0;
    case ParseAction::kError:
      std::fprintf(stderr, "abacine: %s\nTry 'abacine --help' for more information.\n",
                   parsed.message.c_str());
      return 2;
    case ParseAction::kRun:
      break;
  }
  const ProgramOptions& options = parsed.options;
  if (!platform::TheDevice().Reset(DeviceConfigFor(options))) {
    std::fprintf(stderr, "abacine: the simulated device cannot be built\n");
    return 2;
  }
  CatchQuitSignals();

  const AppConfig config = AbacineConfig(static_cast<uint32_t>(getpid()), options);
  std::unique_ptr<AbacineApp> app(new (std::nothrow) AbacineApp(config));
  if (app == nullptr) return -1;
  app->setRegistryFile(options.registryFile);

  InstanceOptions instance;
  instance.directory = platform::SingleInstance::DefaultDirectory();
  if (options.headless) {
    instance.onRaise = [] { std::fputs("abacine: a second start asked for the window\n", stderr); };
  }
  app->setInstanceOptions(std::move(instance));

  if (!options.headless) {
    platform::WindowOptions sdl;
    sdl.scale = WindowScale(options);
    sdl.title = "Abacine";
    sdl.rotate_key = platform::kVkF8;
    sdl.double_clicks = config.doubleClicks != 0;
    // A scripted run must never wait for a click on an error box.
    sdl.dialogs = options.frames == 0;
    // Opened only once this start knows it is the only one, so a second
    // start shows nothing at all.
    app->setHostStarter([sdl] {
      std::string error;
      std::unique_ptr<platform::Backend> backend = platform::MakeSdlBackend(sdl, &error);
      if (backend == nullptr) {
        std::fprintf(stderr, "abacine: cannot open a window: %s\n", error.c_str());
        return false;
      }
      platform::SetBackend(std::move(backend));
      return true;
    });
  }
  // The run ends after --frames periods, or like the close command on
  // SIGINT and SIGTERM.
  app->setFrameHook([frames = options.frames](AppFramework& running) {
    if (g_quit != 0 || (frames != 0 && running.framePeriods() >= frames)) running.requestQuit();
  });

  int code = app->run();
  if (code != 0 && !app->errorShown()) {
    // Failures before the window exists show no box; say it here at least.
    if (!app->errorText().empty()) {
      std::fprintf(stderr, "abacine: %s\n", ToUtf8(app->errorText()).c_str());
    } else {
      std::fprintf(stderr, "abacine: could not start (code %s)\n", HexCode(code).c_str());
    }
  }
  // A second start (no frame ran) leaves no screenshot.
  if (!options.screenshot.empty() && app->framePeriods() > 0 &&
      !platform::WriteScreenPng(options.screenshot)) {
    std::fprintf(stderr, "abacine: cannot write %s\n", options.screenshot.c_str());
    if (code == 0) code = 1;
  }
  app.reset();
  platform::SetBackend(nullptr);
  return code;
}

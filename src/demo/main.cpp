// abacine-demo: the graphics layer at work on the simulated handheld's
// screen, windowed or full screen through the Game API library.
#include <unistd.h>

#include <memory>
#include <new>
#include <string>
#include <vector>

#include "app/program.h"
#include "demo/demo_app.h"
#include "platform/sdl/sdl_backend.h"

int main(int argc, char** argv) {
  using namespace abacine;
  ProgramEntry entry;
  entry.kind = ProgramKind::kDemo;
  entry.windowTitle = "Abacine demo";
  entry.headlessFrames = 1;
  entry.makeApp = [](const ProgramOptions& options) -> std::unique_ptr<AppFramework> {
    return std::unique_ptr<AppFramework>(new (std::nothrow) demo::DemoApp(
        demo::DemoConfig(static_cast<uint32_t>(getpid()), options), options.widgets));
  };
  const std::vector<std::string> args(argv + 1, argv + argc);
  return RunProgram(entry, args, platform::MakeSdlBackend);
}

// The `abacine` program: the calculator on the simulated handheld.
#include <unistd.h>

#include <iostream>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "app/abacine_app.h"
#include "app/program.h"
#include "app/script_runner.h"
#include "platform/sdl/sdl_backend.h"

int main(int argc, char** argv) {
  using namespace abacine;
  ProgramEntry entry;
  entry.kind = ProgramKind::kCalculator;
  entry.windowTitle = "Abacine";
  entry.singleInstance = true;
  entry.makeApp = [](const ProgramOptions& options) -> std::unique_ptr<AppFramework> {
    std::unique_ptr<AbacineApp> app(
        new (std::nothrow) AbacineApp(AbacineConfig(static_cast<uint32_t>(getpid()), options)));
    if (app != nullptr) app->setRegistryFile(options.registryFile);
    return app;
  };
  entry.makeScript = [](AppFramework& app, std::istream& in) -> std::unique_ptr<ProgramScript> {
    return std::make_unique<ScriptRunner>(static_cast<CalcApp&>(app), in, std::cout, std::cerr);
  };
  const std::vector<std::string> args(argv + 1, argv + argc);
  return RunProgram(entry, args, platform::MakeSdlBackend);
}

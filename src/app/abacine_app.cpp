#include "app/abacine_app.h"

namespace abacine {

AbacineApp::AbacineApp(const AppConfig& config) : CalcApp(config) {
  setProductIdentity(kAbacineRegistryKey, kAbacineProductName, kAbacineWebAddress);
}

AbacineApp::~AbacineApp() = default;

AppConfig AbacineConfig(uint32_t instance, const ProgramOptions& options) {
  AppConfig config{};
  config.instance = instance;
  config.appName = kAbacineProductName;
  config.frameRate = 30;
  // Windowed-bitmap friendly flags: direct pixels (0x20) and the raw frame
  // buffer when the system offers one (0x8000).
  config.displayFlags = 0x8020;
  config.displayMode = 1;
  config.doubleClicks = 0;
  config.drawWhenInactive = 0;
  config.stayInFront = 0;
  config.width = 480;
  config.height = 640;
  config.iconId = 101;
  config.shellMode = options.fullScreen ? 0 : 1;
  config.useKeys = 1;
  return config;
}

}  // namespace abacine

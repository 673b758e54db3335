// The graphics demo on the framework: the scene drawn into the back buffer
// every frame, the gem moved by the direction keys (held keys repeat) and
// placed by the stylus, Escape to quit; or, with --widgets, the widget
// gallery, whose keys, buttons and text box take the stylus.
#pragma once

#include <cstdint>
#include <memory>

#include "app/app_framework.h"
#include "app/options.h"
#include "demo/demo_scene.h"
#include "demo/widget_gallery.h"

namespace abacine::demo {

// The demo's configuration: windowed below the top bar unless --fullscreen
// (then through the Game API with 16-bit pixels); paced at 30 frames per
// second in a window, as fast as it goes headless.
AppConfig DemoConfig(uint32_t instance, const ProgramOptions& options);

class DemoApp final : public AppFramework {
 public:
  DemoApp(const AppConfig& config, bool widgetGallery);
  ~DemoApp() override;

  ResultCode createSurfaces(Display* display, uint32_t instance) override;
  ResultCode initSurfaces(Display* display, uint32_t instance) override;
  ResultCode drawFrame(Surface* backBuffer, uint32_t frameFlags) override;
  // A turned screen re-opens the windowed display and rebuilds the sprites.
  void onResume() override;
  void onKeyDown(int32_t key, const GameKeyList& keys) override;
  void onStylusDown(int32_t x, int32_t y) override;
  void onStylusUp(int32_t x, int32_t y) override;
  void onStylusMove(int32_t x, int32_t y) override;
  // Held direction keys keep moving the gem: their repeats, which the
  // framework drops, are taken here.
  intptr_t windowProc(platform::WindowHandle window, uint32_t message, uintptr_t wParam,
                      intptr_t lParam) override;

  int64_t framesDrawn() const { return frame_; }

 private:
  const bool showGallery_;
  std::unique_ptr<DemoScene> scene_;
  std::unique_ptr<WidgetGallery> gallery_;
  int64_t frame_ = 0;
  bool stylusDown_ = false;
  bool reportedDrawError_ = false;
};

}  // namespace abacine::demo

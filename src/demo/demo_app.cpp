#include "demo/demo_app.h"

#include <cstdio>
#include <new>
#include <string>

#include "text/hex.h"
#include "text/utf.h"

namespace abacine::demo {

AppConfig DemoConfig(uint32_t instance, const ProgramOptions& options) {
  AppConfig config{};
  config.instance = instance;
  config.appName = u"Abacine demo";
  config.frameRate = options.headless ? 0 : 30;
  config.displayFlags = kDisplayUseRawFrameBuffer | platform::kFormatDirectAccess;
  config.width = options.screenWidth;
  config.height = options.screenHeight;
  config.displayParams[0] = 16;
  config.shellMode = options.fullScreen ? 0 : 1;
  return config;
}

DemoApp::DemoApp(const AppConfig& config, bool widgetGallery)
    : AppFramework(config), showGallery_(widgetGallery) {}

DemoApp::~DemoApp() = default;

ResultCode DemoApp::createSurfaces(Display* /*display*/, uint32_t /*instance*/) {
  if (scene_ == nullptr) scene_.reset(new (std::nothrow) DemoScene(graphicsContext()));
  if (showGallery_ && gallery_ == nullptr) gallery_.reset(new (std::nothrow) WidgetGallery(graphicsContext()));
  return scene_ != nullptr && (gallery_ != nullptr || !showGallery_) ? kOk : kErrOutOfMemory;
}

ResultCode DemoApp::initSurfaces(Display* display, uint32_t /*instance*/) {
  // A sprite that cannot be made leaves a gap in the picture, nothing worse.
  const ResultCode built = gallery_ != nullptr ? gallery_->Build(display->Width(), display->Height())
                                               : scene_->Build();
  if (built != kOk) {
    std::fprintf(stderr, "abacine-demo: sprites incomplete, code %s\n", HexCode(built).c_str());
  }
  return kOk;
}

ResultCode DemoApp::drawFrame(Surface* back, uint32_t /*frameFlags*/) {
  if (back == nullptr) return kOk;
  if (gallery_ != nullptr) {
    gallery_->Draw(back);
    ++frame_;
    return kOk;
  }
  const std::string status = std::to_string(display()->Width()) + "x" +
                             std::to_string(display()->Height()) +
                             (config().shellMode == 0 ? " full screen (Game API)" : " windowed") +
                             "  frame " + std::to_string(frame_ + 1);
  std::u16string wide;
  FromUtf8(status, &wide);
  const ResultCode drawn = scene_->Draw(back, frame_, wide);
  if (drawn != kOk && !reportedDrawError_) {
    std::fprintf(stderr, "abacine-demo: a drawing call failed, code %s\n", HexCode(drawn).c_str());
    reportedDrawError_ = true;
  }
  ++frame_;
  return kOk;
}

void DemoApp::onResume() {
  if (fitDisplayToScreen()) initSurfaces(display(), config().instance);
}

void DemoApp::onKeyDown(int32_t key, const GameKeyList& keys) {
  if (key == platform::kVkEscape) {
    requestQuit();
    return;
  }
  // Without the Game API's list the arrow keys still arrive as virtual keys.
  GameKeyList list = keys;
  if (list.up == 0) {
    list.up = platform::kVkUp;
    list.down = platform::kVkDown;
    list.left = platform::kVkLeft;
    list.right = platform::kVkRight;
  }
  if (key == list.up) scene_->MoveGem(0, -1);
  if (key == list.down) scene_->MoveGem(0, 1);
  if (key == list.left) scene_->MoveGem(-1, 0);
  if (key == list.right) scene_->MoveGem(1, 0);
}

void DemoApp::onStylusDown(int32_t x, int32_t y) {
  stylusDown_ = true;
  if (gallery_ != nullptr) {
    gallery_->StylusDown(x, y);
  } else {
    scene_->PlaceGem(x, y);
  }
}

void DemoApp::onStylusUp(int32_t x, int32_t y) {
  stylusDown_ = false;
  if (gallery_ != nullptr) gallery_->StylusUp(x, y);
}

void DemoApp::onStylusMove(int32_t x, int32_t y) {
  if (stylusDown_ && gallery_ == nullptr) scene_->PlaceGem(x, y);
}

intptr_t DemoApp::windowProc(platform::WindowHandle window, uint32_t message, uintptr_t wParam,
                             intptr_t lParam) {
  if (message == platform::kMsgKeyDown && platform::IsAutoRepeat(lParam) && scene_ != nullptr) {
    GameKeyList keys{};
    if (keyInput() != nullptr) keyInput()->GetKeyList(&keys);
    onKeyDown(static_cast<int32_t>(static_cast<uint32_t>(wParam)), keys);
    return 0;
  }
  return AppFramework::windowProc(window, message, wParam, lParam);
}

}  // namespace abacine::demo

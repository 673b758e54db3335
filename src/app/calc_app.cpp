#include "app/calc_app.h"

namespace abacine {

bool IsLargeScreen(int32_t width, int32_t height, int32_t top) {
  // The display may be shorter by the shell's top bar.
  const int64_t full = int64_t{height} + top;
  return (width == 480 && full == 640) || (width == 640 && full == 480);
}

CalcApp::CalcApp(const AppConfig& config) : AppFramework(config) {}

CalcApp::~CalcApp() = default;

void CalcApp::setProductIdentity(std::u16string registryKeyPath, std::u16string productName,
                                 std::u16string webAddress) {
  registryKeyPath_ = std::move(registryKeyPath);
  productName_ = std::move(productName);
  webAddress_ = std::move(webAddress);
}

ResultCode CalcApp::createSurfaces(Display* /*display*/, uint32_t /*instance*/) { return kOk; }

ResultCode CalcApp::initSurfaces(Display* display, uint32_t /*instance*/) {
  if (display == nullptr || display->Width() <= 0 || display->Height() <= 0) {
    return kErrDisplayNotOpen;
  }
  beforeLoadSettings();
  layOutScreen();
  return kOk;
}

void CalcApp::layOutScreen() {
  const Display* d = display();
  screenWidth_ = d->Width();
  screenHeight_ = d->Height();
  sizeClass_ = IsLargeScreen(screenWidth_, screenHeight_, platform::TheDevice().WorkAreaTop())
                   ? kSizeClass480
                   : kSizeClass240;
  ++layouts_;
}

ResultCode CalcApp::drawFrame(Surface* backBuffer, uint32_t /*frameFlags*/) {
  if (backBuffer == nullptr) return kErrDisplayNotOpen;
  beforeDraw();
  return backBuffer->FillArea(nullptr, kBackgroundColour, 0, nullptr);
}

void CalcApp::onResume() {
  if (!fitDisplayToScreen()) return;
  layOutScreen();
  onScreenResized(config().width, config().height);
}

void CalcApp::onExit() {
  // The settings store saves here once it exists.
}

void CalcApp::onKeyDown(int32_t /*key*/, const GameKeyList& /*keys*/) {
  // The keypad and input line take keys once they exist.
}

void CalcApp::onStylusDown(int32_t x, int32_t y) {
  stylusDown_ = true;
  stylusX_ = x;
  stylusY_ = y;
  // The widgets take the taps the hook leaves, once they exist.
  onStylusDownHook(x, y);
}

void CalcApp::onStylusUp(int32_t x, int32_t y) {
  stylusDown_ = false;
  stylusX_ = x;
  stylusY_ = y;
  onStylusUpHook(x, y);
}

void CalcApp::onStylusMove(int32_t x, int32_t y) {
  stylusX_ = x;
  stylusY_ = y;
  onStylusMoveHook(x, y);
}

}  // namespace abacine

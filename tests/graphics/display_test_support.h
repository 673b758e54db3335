// Shared set-up of the display and key-input tests: a simulated device, a
// main window, the Game API library from the build's bin folder, and a
// GraphicsContext with its Display. Pixel checks compare the back buffer's
// logical image with the device's hardware pixels through the orientation
// table written out here once more, independently of the display's code.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <tuple>
#include <utility>

#include "graphics/display.h"
#include "graphics/game_api.h"
#include "graphics/graphics_context.h"
#include "graphics/surface.h"
#include "platform/gx_abi.h"
#include "platform/controls.h"
#include "platform/platform.h"
#include "support/game_api.h"

namespace abacine::display_test {

using platform::DeviceConfig;
using testing::kGxPath;

// A pixel value that differs between neighbours in both directions.
constexpr uint16_t Pattern(int32_t x, int32_t y) {
  return static_cast<uint16_t>((x * 37 + y * 1009 + 0x1111) & 0xFFFF);
}

// Hardware pixel of logical (x, y) for an orientation code on a W0 x H0 panel.
inline std::pair<int32_t, int32_t> LogicalToHardware(int32_t code, int32_t w0, int32_t h0, int32_t x, int32_t y) {
  switch (code) {
    case 2: return {y, h0 - 1 - x};
    case 4: return {w0 - 1 - y, x};
    case 8: return {w0 - 1 - x, h0 - 1 - y};
    default: return {x, y};
  }
}

// The device's system orientation value for an orientation code.
constexpr int32_t SystemValueOf(int32_t code) { return code == 2 ? 1 : code == 8 ? 2 : code == 4 ? 4 : 0; }

// All six display properties in one line, for whole-record comparisons.
inline std::string Describe(const DisplayProperties& p) {
  std::ostringstream s;
  s << p.width << "x" << p.height << " pitches " << p.x_pitch << "," << p.y_pitch << " " << p.bits_per_pixel
    << " bits flags 0x" << std::hex << p.format_flags;
  return s.str();
}

inline platform::WindowHandle MakeWindow() {
  return platform::CreateAppWindow(platform::WindowDesc{u"Abacine WndCls", u"Abacine", false, {}},
                                   [](auto...) { return intptr_t{0}; }, nullptr);
}

class DisplayTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(platform::ResetForTesting(DeviceConfig::WithPitchSigns(240, 320, 1, 1)));
    testing::UseBuiltGameApi();
    window_ = MakeWindow();
    ASSERT_TRUE(platform::IsWindow(window_));
    context_ = std::make_unique<GraphicsContext>();
    ASSERT_TRUE(context_->IsReady());
    display_ = std::make_unique<Display>(context_.get());
  }

  void TearDown() override {
    display_.reset();
    context_.reset();
    platform::DestroyAppWindow(window_);
    testing::ForgetGameApi();
    platform::ResetForTesting();
  }

  static void UseDevice(const DeviceConfig& config) { ASSERT_TRUE(platform::TheDevice().Reset(config)); }

  // A device that answers the raw frame-buffer escape on a new enough system.
  static DeviceConfig RawDevice(int xSign, int ySign, int32_t system_orientation = 0) {
    DeviceConfig c = DeviceConfig::WithPitchSigns(240, 320, xSign, ySign);
    c.raw_frame_buffer = true;
    c.system_orientation = system_orientation;
    c.os_major = 4;
    c.os_minor = 21;
    return c;
  }

  DisplayState& State() { return *context_->State(); }
  static int GxCalls(int32_t call) { return platform::TheDevice().CountGameApiCalls(call); }

  // Writes Pattern into every logical pixel of s through LockPixels.
  static void DrawPattern(Surface* s) {
    ASSERT_NE(s, nullptr);
    PixelDescription d;
    ASSERT_EQ(s->LockPixels(&d), kOk);
    for (int32_t y = 0; y < d.height; ++y) {
      for (int32_t x = 0; x < d.width; ++x) {
        d.pixels[static_cast<ptrdiff_t>(x) * (d.x_pitch / 2) + static_cast<ptrdiff_t>(y) * (d.y_pitch / 2)] =
            Pattern(x, y);
      }
    }
    ASSERT_EQ(s->UnlockPixels(), kOk);
  }

  // Every logical pixel of a w x h image in orientation `code` is at its
  // hardware place on the device; returns the number of wrong pixels.
  static int WrongHardwarePixels(int32_t code, int32_t w, int32_t h) {
    const DeviceConfig& c = platform::TheDevice().Config();
    int wrong = 0;
    for (int32_t y = 0; y < h; ++y) {
      for (int32_t x = 0; x < w; ++x) {
        const auto [hx, hy] = LogicalToHardware(code, c.width, c.height, x, y);
        if (platform::TheDevice().HardwarePixel(hx, hy) != Pattern(x, y)) {
          if (wrong == 0) ADD_FAILURE() << "first wrong pixel: logical " << x << "," << y;
          ++wrong;
        }
      }
    }
    return wrong;
  }

  // Draws a frame into the back buffer, presents it and counts the pixels
  // that did not reach their hardware place for orientation `code`; -1 when
  // Present fails.
  int PresentAndCountWrong(int32_t code) {
    DrawPattern(display_->BackBuffer());
    if (display_->Present() != kOk) return -1;
    return WrongHardwarePixels(code, display_->Width(), display_->Height());
  }

  platform::WindowHandle window_ = nullptr;
  std::unique_ptr<GraphicsContext> context_;
  std::unique_ptr<Display> display_;
};

}  // namespace abacine::display_test

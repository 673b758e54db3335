// Presenting frames: the device's frame buffer shows the back buffer's image
// in the display's orientation, for every pitch layout and orientation, on
// every way of opening; suspension, lost windows and locks stop it cleanly.
#include <cstring>

#include "display_test_support.h"
#include "platform/gdi.h"

namespace abacine::display_test {
namespace {

constexpr int32_t kCodes[] = {1, 2, 4, 8};

// Each orientation is set once before the display opens and once more while
// it is open; the raw frame buffer takes the system's orientation at open.
TEST_F(DisplayTest, PresentShowsTheImageForEveryPitchLayoutAndOrientation) {
  struct Row { const char* name; DeviceConfig device; uint32_t flags; };
  const Row rows[] = {
      {"Game API, pitches +x +y", DeviceConfig::WithPitchSigns(24, 32, 1, 1), 0},
      {"Game API, pitches -x -y", DeviceConfig::WithPitchSigns(24, 32, -1, -1), 0},
      {"Game API, pitches +x -y", DeviceConfig::WithPitchSigns(24, 32, 1, -1), 0},
      {"Game API, pitches -x +y", DeviceConfig::WithPitchSigns(24, 32, -1, 1), 0},
      {"fixed-address device", DeviceConfig::FixedAddressDevice(), 0}, {"raw frame buffer", RawDevice(1, -1), 0x8000},
  };
  for (const Row& r : rows) {
    for (size_t i = 0; i < 4; ++i) {
      SCOPED_TRACE(::testing::Message() << r.name << ", code " << kCodes[i]);
      UseDevice(r.device);
      ASSERT_EQ(display_->SetScreenOrientation(kCodes[i]), kOk);
      ASSERT_EQ(display_->OpenDirect(r.flags, window_, 16), kOk);
      const int32_t code = State().raw_frame_buffer ? 1 : kCodes[i];
      const bool quarter = code == 2 || code == 4;
      ASSERT_EQ(display_->Width(), quarter ? r.device.height : r.device.width);
      ASSERT_EQ(display_->Height(), quarter ? r.device.width : r.device.height);
      EXPECT_EQ(PresentAndCountWrong(code), 0);
      const int32_t turned = kCodes[(i + 1) % 4];
      ASSERT_EQ(display_->SetScreenOrientation(turned), kOk);
      ASSERT_EQ(display_->BackBuffer()->Width(), display_->Width());
      EXPECT_EQ(PresentAndCountWrong(turned), 0);
      display_->Close();
    }
  }
}

TEST_F(DisplayTest, PresentCopiesWithoutTouchingPixelsBeyondTheScreen) {
  DeviceConfig c = DeviceConfig::WithPitchSigns(240, 320, 1, 1);
  c.y_pitch = 520;  // rows 520 bytes apart for 240 pixels
  UseDevice(c);
  uint8_t* fb = platform::TheDevice().FrameBuffer();
  const uint16_t mark = 0xABCD;
  for (int y = 0; y < 319; ++y) {
    for (int pad = 480; pad < 520; pad += 2) std::memcpy(fb + y * 520 + pad, &mark, 2);
  }
  ASSERT_EQ(display_->OpenDirect(0, window_, 0), kOk);
  EXPECT_EQ(PresentAndCountWrong(1), 0);
  int touched = 0;
  for (int y = 0; y < 319; ++y) {
    for (int pad = 480; pad < 520; pad += 2) touched += std::memcmp(fb + y * 520 + pad, &mark, 2) != 0;
  }
  EXPECT_EQ(touched, 0);
}

TEST_F(DisplayTest, EachGameApiPresentEndsTheDrawAndBeginsTheNext) {
  ASSERT_EQ(display_->OpenDirect(0, window_, 0), kOk);
  for (int i = 0; i < 3; ++i) ASSERT_EQ(display_->Present(), kOk);
  EXPECT_EQ(GxCalls(kGxCallEndDraw), 3);
  EXPECT_EQ(GxCalls(kGxCallBeginDraw), 4);
  EXPECT_EQ(platform::TheDevice().GameApiLog().back().call, kGxCallBeginDraw);
}

TEST_F(DisplayTest, RawPresentOnATurnedSystemShowsTheImageUprightToTheUser) {
  // The system is turned a quarter; the display opens in the system's
  // orientation, so the user sees the logical image as drawn.
  UseDevice(RawDevice(1, -1, platform::kSystemOrientation90));
  ASSERT_EQ(display_->OpenDirect(0x8000, window_, 0), kOk);
  ASSERT_EQ(display_->Width(), 320);
  DrawPattern(display_->BackBuffer());
  ASSERT_EQ(display_->Present(), kOk);
  const platform::Device& device = platform::TheDevice();
  ASSERT_EQ(device.ScreenWidth(), 320);
  int wrong = 0;
  for (int32_t y = 0; y < 240; ++y) {
    for (int32_t x = 0; x < 320; ++x) wrong += device.ScreenPixel(x, y) != Pattern(x, y);
  }
  EXPECT_EQ(wrong, 0);
  EXPECT_EQ(GxCalls(kGxCallEndDraw), 0);
}

TEST_F(DisplayTest, WindowedFrameReachesTheWindowThroughTheDeviceContext) {
  for (int32_t code : kCodes) {
    SCOPED_TRACE(code);
    DeviceConfig c = DeviceConfig::WithPitchSigns(240, 320, 1, 1);
    c.work_area_top = 26;
    UseDevice(c);
    ASSERT_TRUE(platform::MoveAppWindow(window_, platform::Rect{0, 26, 240, 320}));
    ASSERT_EQ(display_->SetScreenOrientation(code), kOk);
    ASSERT_EQ(display_->OpenWindowed(0, 240, 294), kOk);
    Surface* back = display_->BackBuffer();
    DrawPattern(back);
    platform::DcHandle dc = nullptr;
    ASSERT_EQ(back->AcquireDeviceContext(&dc), kOk);
    ASSERT_TRUE(platform::BlitToWindow(window_, 0, 0, 240, 294, dc, 0, 0, platform::kRasterSourceCopy));
    ASSERT_EQ(back->ReleaseDeviceContext(dc), kOk);
    // The bitmap holds the image in the hardware orientation of a 240 x 294
    // screen; the window shows the bitmap as it is.
    int wrong = 0;
    for (int32_t y = 0; y < display_->Height(); ++y) {
      for (int32_t x = 0; x < display_->Width(); ++x) {
        const auto [hx, hy] = LogicalToHardware(code, 240, 294, x, y);
        wrong += platform::TheDevice().ScreenPixel(hx, hy + 26) != Pattern(x, y);
      }
    }
    EXPECT_EQ(wrong, 0);
    display_->Close();
  }
}

// Suspension, locks, lost windows and a closed display, as scripts of calls
// with the result each must give.
TEST_F(DisplayTest, SuspendResumeLocksAndLostWindows) {
  enum Op { kPresent, kSuspend, kResume, kTurn, kLock, kUnlock, kLoseWindow, kBackBuffer, kClose };
  enum Way { kClosed, kGameApi, kRaw, kWindowed };
  struct Step { Op op; ResultCode result; };
  // end_draws: Game API calls made
  struct Script { const char* name; Way way; std::vector<Step> steps; int suspends, resumes, end_draws; };
  const Script scripts[] = {
      {"Game API", kGameApi,
       {{kResume, kErrNotSuspended}, {kSuspend, kOk}, {kPresent, kErrDisplayLocked}, {kSuspend, kErrDisplayLocked},
        {kTurn, kErrDisplayLocked},
        // Unlocking the primary's pixels does not end the suspension.
        {kUnlock, kOk}, {kPresent, kErrDisplayLocked}, {kResume, kOk}, {kResume, kErrNotSuspended}, {kPresent, kOk}},
       1, 1, 1},
      {"raw frame buffer: no library calls", kRaw, {{kSuspend, kOk}, {kResume, kOk}, {kPresent, kOk}}, 0, 0, 0},
      {"windowed: no library calls", kWindowed,
       {{kSuspend, kOk}, {kPresent, kErrDisplayLocked}, {kResume, kOk}, {kPresent, kErrWindowedPresent}}, 0, 0, 0},
      {"locked primary", kGameApi,
       {{kLock, kOk}, {kPresent, kErrDisplayLocked}, {kTurn, kErrDisplayLocked}, {kSuspend, kErrDisplayLocked},
        {kUnlock, kOk}, {kPresent, kOk}},
       0, 0, 1},
      {"closed", kClosed,
       {{kPresent, kErrDisplayNotOpen}, {kSuspend, kErrDisplayNotOpen}, {kResume, kErrDisplayNotOpen},
        {kBackBuffer, kErrDisplayNotOpen}, {kClose, kOk}, {kClose, kOk}},
       0, 0, 0},
      {"window lost while suspended", kGameApi,
       {{kSuspend, kOk}, {kLoseWindow, kOk}, {kBackBuffer, kErrDisplayNotOpen}, {kResume, kErrDisplayNotOpen},
        {kClose, kOk}},
       1, 0, 0},
      {"window lost", kGameApi,
       {{kLoseWindow, kOk}, {kPresent, kErrDisplayNotOpen}, {kSuspend, kErrDisplayNotOpen}}, 0, 0, 0},
      {"windowed back buffer outlives the window", kWindowed,
       {{kLoseWindow, kOk}, {kBackBuffer, kOk}, {kSuspend, kOk}}, 0, 0, 0},
  };
  for (const Script& s : scripts) {
    SCOPED_TRACE(s.name);
    UseDevice(s.way == kRaw ? RawDevice(1, 1) : DeviceConfig::WithPitchSigns(240, 320, 1, 1));
    if (!platform::IsWindow(window_)) window_ = MakeWindow();
    platform::TheDevice().ClearGameApiLog();
    ResultCode opened = kOk;
    if (s.way == kGameApi || s.way == kRaw) opened = display_->OpenDirect(s.way == kRaw ? 0x8000 : 0, window_, 0);
    if (s.way == kWindowed) opened = display_->OpenWindowed(0, 240, 294);
    ASSERT_EQ(opened, kOk);
    for (size_t i = 0; i < s.steps.size(); ++i) {
      SCOPED_TRACE(::testing::Message() << "step " << i);
      PixelDescription d;
      ResultCode got = kOk;
      switch (s.steps[i].op) {
        case kPresent: got = display_->Present(); break;
        case kSuspend: got = display_->Suspend(); break;
        case kResume: got = display_->Resume(); break;
        case kTurn: got = display_->SetScreenOrientation(2); break;
        case kLock: got = display_->LockPixels(&d); break;
        case kUnlock: got = display_->UnlockPixels(); break;
        case kLoseWindow: platform::DestroyAppWindow(window_); break;
        case kBackBuffer: got = display_->BackBuffer() != nullptr ? kOk : kErrDisplayNotOpen; break;
        case kClose: got = display_->Close(); break;
      }
      EXPECT_EQ(got, s.steps[i].result);
    }
    EXPECT_EQ(GxCalls(kGxCallSuspend), s.suspends);
    EXPECT_EQ(GxCalls(kGxCallResume), s.resumes);
    EXPECT_EQ(GxCalls(kGxCallEndDraw), s.end_draws);
    if (s.way != kGameApi) {
      EXPECT_TRUE(platform::TheDevice().GameApiLog().empty());
    }
    display_->Close();
  }
}

}  // namespace
}  // namespace abacine::display_test

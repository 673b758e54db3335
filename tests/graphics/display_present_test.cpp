// Presenting frames: the device's frame buffer shows the back buffer's image
// in the display's orientation, for every pitch layout and orientation, on
// every way of opening; suspension, lost windows and locks stop it cleanly.
#include <cstring>

#include "display_test_support.h"
#include "platform/gdi.h"

namespace abacine::display_test {
namespace {

using platform::DeviceConfig;

constexpr int32_t kCodes[] = {1, 2, 4, 8};
constexpr int kSigns[4][2] = {{1, 1}, {-1, -1}, {1, -1}, {-1, 1}};

TEST_F(DisplayTest, GameApiPresentShowsTheImageForEveryPitchLayoutAndOrientation) {
  for (const auto& s : kSigns) {
    for (int32_t code : kCodes) {
      SCOPED_TRACE(::testing::Message() << "pitch signs " << s[0] << "," << s[1] << " code "
                                      << code);
      UseDevice(DeviceConfig::WithPitchSigns(24, 32, s[0], s[1]));
      ASSERT_EQ(display_->SetScreenOrientation(code), kOk);
      ASSERT_EQ(display_->OpenDirect(0, window_, 16), kOk);
      const bool quarter = code == 2 || code == 4;
      ASSERT_EQ(display_->Width(), quarter ? 32 : 24);
      ASSERT_EQ(display_->Height(), quarter ? 24 : 32);
      DrawPattern(display_->BackBuffer());
      ASSERT_EQ(display_->Present(), kOk);
      EXPECT_EQ(WrongHardwarePixels(code, display_->Width(), display_->Height()), 0);
      display_->Close();
    }
  }
}

TEST_F(DisplayTest, TurningAnOpenDisplayChangesWhereTheNextFrameLands) {
  UseDevice(DeviceConfig::WithPitchSigns(24, 32, -1, 1));
  ASSERT_EQ(display_->OpenDirect(0, window_, 0), kOk);
  for (int32_t code : {2, 8, 4, 1}) {
    SCOPED_TRACE(code);
    ASSERT_EQ(display_->SetScreenOrientation(code), kOk);
    Surface* back = display_->BackBuffer();
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->Width(), display_->Width());
    EXPECT_EQ(back->Height(), display_->Height());
    DrawPattern(back);
    ASSERT_EQ(display_->Present(), kOk);
    EXPECT_EQ(WrongHardwarePixels(code, display_->Width(), display_->Height()), 0);
  }
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

TEST_F(DisplayTest, FixedAddressPresentWritesTheFixedMemory) {
  UseDevice(DeviceConfig::FixedAddressDevice());
  ASSERT_EQ(display_->OpenDirect(0, window_, 0), kOk);
  DrawPattern(display_->BackBuffer());
  ASSERT_EQ(display_->Present(), kOk);
  EXPECT_EQ(WrongHardwarePixels(1, 240, 320), 0);
  // Hardware pixel (1, 0) is 640 bytes below the fixed address.
  auto* fixed = static_cast<uint8_t*>(
      platform::TheDevice().FixedAddressMemory(platform::kFixedFrameBufferAddress));
  uint16_t v = 0;
  std::memcpy(&v, fixed - 640, 2);
  EXPECT_EQ(v, Pattern(1, 0));
  std::memcpy(&v, fixed + 2, 2);
  EXPECT_EQ(v, Pattern(0, 1));
}

TEST_F(DisplayTest, WindowedFrameReachesTheWindowThroughTheDeviceContext) {
  for (int32_t code : kCodes) {
    SCOPED_TRACE(code);
    DeviceConfig c = DeviceConfig::WithPitchSigns(240, 320, 1, 1);
    c.workAreaTop = 26;
    UseDevice(c);
    ASSERT_TRUE(platform::MoveAppWindow(window_, platform::Rect{0, 26, 240, 320}));
    ASSERT_EQ(display_->SetScreenOrientation(code), kOk);
    ASSERT_EQ(display_->OpenWindowed(0, 240, 294), kOk);
    Surface* back = display_->BackBuffer();
    DrawPattern(back);
    platform::DcHandle dc = nullptr;
    ASSERT_EQ(back->AcquireDeviceContext(&dc), kOk);
    ASSERT_TRUE(platform::BlitToWindow(window_, 0, 0, 240, 294, dc, 0, 0,
                                       platform::kRasterSourceCopy));
    ASSERT_EQ(back->ReleaseDeviceContext(dc), kOk);
    // The bitmap holds the image in the hardware orientation of a 240 x 294
    // screen; the window shows the bitmap as it is.
    int wrong = 0;
    for (int32_t y = 0; y < display_->Height(); ++y) {
      for (int32_t x = 0; x < display_->Width(); ++x) {
        int32_t hx = 0, hy = 0;
        LogicalToHardware(code, 240, 294, x, y, &hx, &hy);
        wrong += platform::TheDevice().ScreenPixel(hx, hy + 26) != Pattern(x, y);
      }
    }
    EXPECT_EQ(wrong, 0);
    display_->Close();
  }
}

TEST_F(DisplayTest, SuspendAndResume) {
  ASSERT_EQ(display_->OpenDirect(0, window_, 0), kOk);
  EXPECT_EQ(display_->Resume(), kErrNotSuspended);
  ASSERT_EQ(display_->Suspend(), kOk);
  EXPECT_TRUE(display_->IsSuspended());
  EXPECT_EQ(GxCalls(kGxCallSuspend), 1);
  EXPECT_EQ(display_->Present(), kErrDisplayLocked);
  EXPECT_EQ(display_->Suspend(), kErrDisplayLocked);
  EXPECT_EQ(display_->SetScreenOrientation(2), kErrDisplayLocked);
  // Unlocking the primary's pixels does not end the suspension.
  EXPECT_EQ(display_->UnlockPixels(), kOk);
  EXPECT_EQ(display_->Present(), kErrDisplayLocked);
  ASSERT_EQ(display_->Resume(), kOk);
  EXPECT_EQ(GxCalls(kGxCallResume), 1);
  EXPECT_EQ(display_->Resume(), kErrNotSuspended);
  EXPECT_EQ(display_->Present(), kOk);
  EXPECT_EQ(GxCalls(kGxCallEndDraw), 1);
}

TEST_F(DisplayTest, SuspendOnTheRawFrameBufferMakesNoLibraryCalls) {
  UseDevice(RawDevice(1, 1));
  ASSERT_EQ(display_->OpenDirect(0x8000, window_, 0), kOk);
  ASSERT_EQ(display_->Suspend(), kOk);
  ASSERT_EQ(display_->Resume(), kOk);
  EXPECT_EQ(display_->Present(), kOk);
  EXPECT_TRUE(platform::TheDevice().GameApiLog().empty());
}

TEST_F(DisplayTest, WindowedDisplaySuspendsWithoutTheLibrary) {
  ASSERT_EQ(display_->OpenWindowed(0, 240, 294), kOk);
  ASSERT_EQ(display_->Suspend(), kOk);
  EXPECT_EQ(display_->Present(), kErrDisplayLocked);
  ASSERT_EQ(display_->Resume(), kOk);
  EXPECT_EQ(display_->Present(), kErrWindowedPresent);
  EXPECT_TRUE(platform::TheDevice().GameApiLog().empty());
}

TEST_F(DisplayTest, LostWindowStopsTheFullScreenDisplay) {
  ASSERT_EQ(display_->OpenDirect(0, window_, 0), kOk);
  ASSERT_EQ(display_->Suspend(), kOk);
  platform::DestroyAppWindow(window_);
  EXPECT_EQ(display_->BackBuffer(), nullptr);
  EXPECT_EQ(display_->Resume(), kErrDisplayNotOpen);
  EXPECT_EQ(display_->Close(), kOk);
  window_ = platform::CreateAppWindow(platform::WindowDesc{u"C", u"T", false, {}},
                                      [](auto...) { return intptr_t{0}; }, nullptr);
  ASSERT_EQ(display_->OpenDirect(0, window_, 0), kOk);
  platform::DestroyAppWindow(window_);
  EXPECT_EQ(display_->Present(), kErrDisplayNotOpen);
  EXPECT_EQ(display_->Suspend(), kErrDisplayNotOpen);
}

TEST_F(DisplayTest, WindowedBackBufferOutlivesTheWindow) {
  ASSERT_EQ(display_->OpenWindowed(0, 240, 294), kOk);
  platform::DestroyAppWindow(window_);
  EXPECT_NE(display_->BackBuffer(), nullptr);
  EXPECT_EQ(display_->Suspend(), kOk);
}

TEST_F(DisplayTest, LockedPrimaryRefusesPresentAndTurns) {
  ASSERT_EQ(display_->OpenDirect(0, window_, 0), kOk);
  PixelDescription d;
  ASSERT_EQ(display_->LockPixels(&d), kOk);
  EXPECT_EQ(display_->Present(), kErrDisplayLocked);
  EXPECT_EQ(display_->SetScreenOrientation(2), kErrDisplayLocked);
  EXPECT_EQ(display_->Suspend(), kErrDisplayLocked);
  ASSERT_EQ(display_->UnlockPixels(), kOk);
  EXPECT_EQ(display_->Present(), kOk);
}

TEST_F(DisplayTest, ClosedDisplayAnswersNotOpen) {
  EXPECT_EQ(display_->Present(), kErrDisplayNotOpen);
  EXPECT_EQ(display_->Suspend(), kErrDisplayNotOpen);
  EXPECT_EQ(display_->Resume(), kErrDisplayNotOpen);
  EXPECT_EQ(display_->BackBuffer(), nullptr);
  EXPECT_EQ(display_->Close(), kOk);
  EXPECT_EQ(display_->Close(), kOk);
}

TEST_F(DisplayTest, PresentCopiesWithoutTouchingPixelsBeyondTheScreen) {
  // A padded frame buffer: rows 520 bytes apart for 240 pixels.
  DeviceConfig c = DeviceConfig::WithPitchSigns(240, 320, 1, 1);
  c.yPitch = 520;
  UseDevice(c);
  uint8_t* fb = platform::TheDevice().FrameBuffer();
  for (int y = 0; y < 319; ++y) {
    for (int pad = 480; pad < 520; pad += 2) {
      const uint16_t v = 0xABCD;
      std::memcpy(fb + y * 520 + pad, &v, 2);
    }
  }
  ASSERT_EQ(display_->OpenDirect(0, window_, 0), kOk);
  DrawPattern(display_->BackBuffer());
  ASSERT_EQ(display_->Present(), kOk);
  EXPECT_EQ(WrongHardwarePixels(1, 240, 320), 0);
  int touched = 0;
  for (int y = 0; y < 319; ++y) {
    for (int pad = 480; pad < 520; pad += 2) {
      uint16_t v = 0;
      std::memcpy(&v, fb + y * 520 + pad, 2);
      touched += v != 0xABCD;
    }
  }
  EXPECT_EQ(touched, 0);
}

}  // namespace
}  // namespace abacine::display_test

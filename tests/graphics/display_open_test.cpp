// Opening and closing the display in each of its four ways on the simulated
// device, and every failure of the open calls.
#include <cstring>

#include "display_test_support.h"
#include "platform/gdi.h"

namespace abacine::display_test {
namespace {

using platform::DeviceConfig;

TEST_F(DisplayTest, GameApiOpenTakesThePropertiesAndFramePointerOfTheLibrary) {
  UseDevice(DeviceConfig::WithPitchSigns(480, 640, 1, 1));
  ASSERT_EQ(display_->OpenDirect(0x8020, window_, 0), kOk);  // no raw buffer on this device
  EXPECT_TRUE(display_->IsOpen());
  EXPECT_EQ(display_->Width(), 480);
  EXPECT_EQ(display_->Height(), 640);
  const DisplayProperties& p = State().properties;
  EXPECT_EQ(p.width, 480);
  EXPECT_EQ(p.height, 640);
  EXPECT_EQ(p.x_pitch, 2);
  EXPECT_EQ(p.y_pitch, 960);
  EXPECT_EQ(p.bits_per_pixel, 16);
  EXPECT_EQ(p.format_flags, 0xA0u);
  EXPECT_TRUE(State().direct_access);
  EXPECT_FALSE(State().raw_frame_buffer);
  EXPECT_EQ(State().device_quirk, kQuirkNone);
  EXPECT_EQ(State().open_flags, 0x8020u);
  EXPECT_EQ(State().window, window_);
  EXPECT_EQ(GxCalls(kGxCallOpenDisplay), 1);
  EXPECT_EQ(GxCalls(kGxCallBeginDraw), 1);
  EXPECT_EQ(platform::TheDevice().GameApiLog().front().result, 1);

  Surface* back = display_->BackBuffer();
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(back->Kind(), kSurfaceOwned);
  EXPECT_EQ(back->Width(), 480);
  EXPECT_EQ(back->Height(), 640);
  EXPECT_EQ(back->Flags() & 0x0F0F, 0x0101u);
  EXPECT_EQ(State().back_buffer_pixels, back->Pixels());
  EXPECT_EQ(display_->Kind(), kSurfaceDisplay);
  EXPECT_NE(display_->Flags() & kSurfaceHasBackBuffer, 0u);
  // The primary's logical (0, 0) is the library's frame pointer.
  EXPECT_EQ(reinterpret_cast<uint8_t*>(display_->Pixels() + display_->Layout().origin),
            platform::TheDevice().FrameBuffer());

  EXPECT_EQ(display_->Close(), kOk);
  EXPECT_FALSE(display_->IsOpen());
  EXPECT_EQ(display_->BackBuffer(), nullptr);
  EXPECT_EQ(GxCalls(kGxCallCloseDisplay), 1);
  EXPECT_EQ(State().window, nullptr);
  EXPECT_EQ(State().back_buffer_pixels, nullptr);
  EXPECT_FALSE(State().direct_access);
  EXPECT_EQ(display_->Kind(), kSurfaceDisplay);
}

TEST_F(DisplayTest, FixedAddressDeviceOpensWithoutTheGameApi) {
  UseDevice(DeviceConfig::FixedAddressDevice());
  ASSERT_EQ(display_->OpenDirect(0x8020, window_, 16), kOk);
  EXPECT_EQ(State().device_quirk, kQuirkFixedAddress);
  EXPECT_EQ(display_->Width(), 240);
  EXPECT_EQ(display_->Height(), 320);
  EXPECT_EQ(State().properties.x_pitch, -640);
  EXPECT_EQ(State().properties.y_pitch, 2);
  EXPECT_EQ(State().properties.format_flags, 0xA8u);
  EXPECT_FALSE(State().direct_access);
  EXPECT_EQ(GxCalls(kGxCallOpenDisplay), 0);
  EXPECT_EQ(GxCalls(kGxCallBeginDraw), 0);

  PixelDescription d;
  ASSERT_EQ(display_->LockPixels(&d), kOk);
  auto* fixed = static_cast<uint8_t*>(
      platform::TheDevice().FixedAddressMemory(platform::kFixedFrameBufferAddress));
  ASSERT_NE(fixed, nullptr);
  EXPECT_EQ(reinterpret_cast<uint8_t*>(d.pixels), fixed);  // logical (0, 0)
  EXPECT_EQ(d.x_pitch, -640);  // pixel (1, 0) lies 640 bytes before it
  EXPECT_EQ(d.y_pitch, 2);     // pixel (0, 1) 2 bytes after it
  EXPECT_EQ(d.width, 240);
  EXPECT_EQ(d.height, 320);
  ASSERT_EQ(display_->UnlockPixels(), kOk);

  display_->Close();
  EXPECT_EQ(GxCalls(kGxCallCloseDisplay), 0);
}

TEST_F(DisplayTest, FixedAddressOemWithoutTheMemoryBehindItCannotOpen) {
  DeviceConfig c = DeviceConfig::WithPitchSigns(480, 640, 1, 1);
  c.oemInfo = u"Compaq iPAQ H3870 (another panel)";
  UseDevice(c);
  EXPECT_EQ(display_->OpenDirect(0, window_, 0), kErrCannotOpenScreen);
  EXPECT_FALSE(display_->IsOpen());
  EXPECT_EQ(GxCalls(kGxCallOpenDisplay), 0);
}

TEST_F(DisplayTest, RawFrameBufferOpensWithoutTheGameApiAndReadsTheOrientation) {
  struct Row {
    int32_t systemValue;
    int32_t code;
    int32_t width, height;
  };
  const Row rows[] = {{0, 1, 240, 320}, {1, 2, 320, 240}, {2, 8, 240, 320}, {4, 4, 320, 240}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.systemValue);
    UseDevice(RawDevice(-1, 1, r.systemValue));
    State().system_orientation = State().current_orientation = State().requested_orientation = 1;
    platform::TheDevice().ClearGameApiLog();
    ASSERT_EQ(display_->OpenDirect(0x8020, window_, 16), kOk);
    EXPECT_TRUE(State().raw_frame_buffer);
    EXPECT_TRUE(State().direct_access);
    EXPECT_EQ(State().system_orientation, r.code);
    EXPECT_EQ(State().current_orientation, r.code);
    EXPECT_EQ(State().requested_orientation, r.code);
    EXPECT_EQ(display_->Width(), r.width);
    EXPECT_EQ(display_->Height(), r.height);
    EXPECT_EQ(State().properties.x_pitch, -640);
    EXPECT_EQ(State().properties.y_pitch, 2);
    EXPECT_EQ(State().properties.format_flags, 0xA0u);
    EXPECT_EQ(GxCalls(kGxCallOpenDisplay), 0);
    display_->Close();
    EXPECT_EQ(GxCalls(kGxCallCloseDisplay), 0);
  }
}

TEST_F(DisplayTest, RawOrientationThatCannotBeReadLeavesTheCodes) {
  struct Row {
    const char* name;
    platform::OrientationQuery query;
  };
  const Row rows[] = {{"missing", platform::OrientationQuery::kMissing},
                      {"failing", platform::OrientationQuery::kFails}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    DeviceConfig c = RawDevice(1, 1, 1);
    c.orientationQuery = r.query;
    UseDevice(c);
    ASSERT_EQ(display_->OpenDirect(0x8000, window_, 0), kOk);
    EXPECT_TRUE(State().raw_frame_buffer);
    EXPECT_EQ(State().system_orientation, 1);
    EXPECT_EQ(display_->Width(), 240);
    display_->Close();
  }
}

TEST_F(DisplayTest, RawFrameBufferIsUsedOnlyWhenAskedForOnANewEnoughSystemAndUsable) {
  struct Row {
    const char* name;
    uint32_t flags;
    uint32_t major, minor;
    uint16_t format;
    bool raw;
  };
  const Row rows[] = {
      {"asked, 4.21", 0x8000, 4, 21, 1, true},
      {"asked, 5.0, format 3", 0x8020, 5, 0, 3, true},
      {"not asked", 0x0020, 5, 0, 1, false},
      {"system 4.20", 0x8000, 4, 20, 1, false},
      {"format 0", 0x8000, 5, 0, 0, false},
      {"format 4", 0x8000, 5, 0, 4, false},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    DeviceConfig c = RawDevice(1, 1);
    c.osMajor = r.major;
    c.osMinor = r.minor;
    c.rawFormat = r.format;
    UseDevice(c);
    ASSERT_EQ(display_->OpenDirect(r.flags, window_, 0), kOk);
    EXPECT_EQ(State().raw_frame_buffer, r.raw);
    EXPECT_EQ(GxCalls(kGxCallOpenDisplay), r.raw ? 0 : 1);
    display_->Close();
  }
}

TEST_F(DisplayTest, RawFiveFiveFiveOpensButOnlyPlainCopiesWork) {
  DeviceConfig c = RawDevice(1, 1);
  c.rawFormat = 2;
  UseDevice(c);
  ASSERT_EQ(display_->OpenDirect(0x8000, window_, 16), kOk);
  EXPECT_EQ(State().properties.format_flags, 0x60u);
  Surface* back = display_->BackBuffer();
  ASSERT_NE(back, nullptr);
  const uint32_t half = 128;
  EXPECT_EQ(back->FillArea(nullptr, 0x00FFFFFF, kFillOpacity, &half), kErrWrongDisplayState);
  EXPECT_EQ(back->PlotLine(0, 0, 5, 5, 0x00FFFFFF, 0), kErrWrongDisplayState);
  DrawPattern(back);
  EXPECT_EQ(display_->Present(), kOk);
  EXPECT_EQ(WrongHardwarePixels(1, 240, 320), 0);
}

TEST_F(DisplayTest, FrameBuffersTheLayoutCannotUseAreRefusedAndTheLibraryClosedAgain) {
  struct Row {
    const char* name;
    int32_t xPitch, yPitch, bitsPerPixel;
    bool raw;
  };
  const Row rows[] = {
      {"neither pitch 2 bytes (Game API)", 4, 960, 16, false},
      {"neither pitch 2 bytes (raw)", 4, 960, 16, true},
      {"rows overlap", 2, 2, 16, false},
      {"8 bits per pixel (Game API)", 2, 480, 8, false},
      {"8 bits per pixel, raw offered", 2, 480, 8, true},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    DeviceConfig c = RawDevice(1, 1);
    c.rawFrameBuffer = r.raw;
    c.xPitch = r.xPitch;
    c.yPitch = r.yPitch;
    c.bitsPerPixel = r.bitsPerPixel;
    UseDevice(c);
    EXPECT_EQ(display_->OpenDirect(0x8000, window_, 0), kErrCannotOpenScreen);
    EXPECT_FALSE(display_->IsOpen());
    EXPECT_FALSE(State().raw_frame_buffer);
    EXPECT_EQ(display_->BackBuffer(), nullptr);
    EXPECT_EQ(GxCalls(kGxCallCloseDisplay), GxCalls(kGxCallOpenDisplay));
    // Nothing is left open: the same display opens on a good device.
    UseDevice(RawDevice(1, 1));
    ASSERT_EQ(display_->OpenDirect(0, window_, 0), kOk);
    display_->Close();
  }
}

TEST_F(DisplayTest, DirectOpenArgumentChecks) {
  platform::WindowHandle gone = platform::CreateAppWindow(
      platform::WindowDesc{u"X", u"Y", false, {}}, [](auto...) { return intptr_t{0}; }, nullptr);
  platform::DestroyAppWindow(gone);
  struct Row {
    const char* name;
    platform::WindowHandle window;
    int32_t bpp;
    ResultCode expected;
  };
  const Row rows[] = {
      {"8 bits per pixel", window_, 8, kErrInvalidArg},
      {"32 bits per pixel", window_, 32, kErrInvalidArg},
      {"no window", nullptr, 16, kErrInvalidArg},
      {"destroyed window", gone, 16, kErrInvalidArg},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(display_->OpenDirect(0, r.window, r.bpp), r.expected);
    EXPECT_FALSE(display_->IsOpen());
  }
  EXPECT_EQ(GxCalls(kGxCallOpenDisplay), 0);
}

TEST_F(DisplayTest, SecondOpenIsRefusedWhicheverWay) {
  ASSERT_EQ(display_->OpenDirect(0, window_, 16), kOk);
  EXPECT_EQ(display_->OpenDirect(0, window_, 16), kErrDisplayAlreadyOpen);
  EXPECT_EQ(display_->OpenWindowed(0, 240, 294), kErrDisplayAlreadyOpen);
  EXPECT_EQ(GxCalls(kGxCallOpenDisplay), 1);
  display_->Close();
  ASSERT_EQ(display_->OpenWindowed(0, 240, 294), kOk);
  EXPECT_EQ(display_->OpenDirect(0, window_, 16), kErrDisplayAlreadyOpen);
  EXPECT_EQ(display_->OpenWindowed(0, 240, 294), kErrDisplayAlreadyOpen);
}

TEST_F(DisplayTest, MissingGameApiLibraryFailsEveryDirectOpen) {
  GameApiLibrary::Instance().SetSearchList({"/nonexistent/gx.so"});
  for (const DeviceConfig& c : {DeviceConfig::FixedAddressDevice(), RawDevice(1, 1),
                                DeviceConfig::WithPitchSigns(240, 320, 1, 1)}) {
    UseDevice(c);
    EXPECT_EQ(display_->OpenDirect(0x8000, window_, 0), kErrGameApiMissing);
    EXPECT_FALSE(display_->IsOpen());
  }
  // The windowed screen needs no library.
  EXPECT_EQ(display_->OpenWindowed(0, 240, 294), kOk);
}

TEST_F(DisplayTest, WindowedOpenMakesATopDownBitmapBackBuffer) {
  struct Row {
    int32_t w, h;
    int32_t bitmapW, bitmapH, yPitch;
  };
  const Row rows[] = {{240, 294, 240, 294, 480}, {241, 3, 242, 4, 484}, {1, 1, 2, 2, 4}};
  for (const Row& r : rows) {
    SCOPED_TRACE(::testing::Message() << r.w << "x" << r.h);
    const int bitmaps = platform::LiveBitmapCount();
    ASSERT_EQ(display_->OpenWindowed(0, r.w, r.h), kOk);
    EXPECT_TRUE(display_->IsWindowed());
    EXPECT_EQ(display_->Width(), r.w);
    EXPECT_EQ(display_->Height(), r.h);
    const DisplayProperties& p = State().properties;
    EXPECT_EQ(p.width, r.w);
    EXPECT_EQ(p.height, r.h);
    EXPECT_EQ(p.x_pitch, 2);
    EXPECT_EQ(p.y_pitch, r.yPitch);
    EXPECT_EQ(p.bits_per_pixel, 16);
    EXPECT_EQ(p.format_flags, 0xA0u);
    EXPECT_EQ(display_->Flags() & kSurfaceHasBackBuffer, 0u);
    ASSERT_NE(State().bitmap, nullptr);
    EXPECT_EQ(platform::BitmapWidth(State().bitmap), r.bitmapW);
    EXPECT_EQ(platform::BitmapHeight(State().bitmap), r.bitmapH);
    const platform::BitmapInfo* info = platform::BitmapInfoOf(State().bitmap);
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->header.height, -r.bitmapH);
    EXPECT_EQ(info->header.compression, 3u);
    EXPECT_EQ(info->header.image_size, uint32_t(r.bitmapW * r.bitmapH * 2));
    EXPECT_EQ(info->masks[0], 0xF800u);
    EXPECT_EQ(info->masks[1], 0x07E0u);
    EXPECT_EQ(info->masks[2], 0x001Fu);
    EXPECT_EQ(platform::LiveBitmapCount(), bitmaps + 1);

    Surface* back = display_->BackBuffer();
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->Kind(), kSurfaceGdi);
    EXPECT_EQ(back->Flags(), 0x8100u);
    EXPECT_EQ(back->Pixels(), platform::BitmapBits(State().bitmap));
    EXPECT_EQ(back->Width(), r.w);
    EXPECT_EQ(back->Height(), r.h);
    EXPECT_EQ(display_->Present(), kErrWindowedPresent);

    display_->Close();
    EXPECT_EQ(State().bitmap, nullptr);
    EXPECT_EQ(platform::LiveBitmapCount(), bitmaps);
    EXPECT_FALSE(display_->IsWindowed());
  }
}

TEST_F(DisplayTest, WindowedOpenOnATurnedDisplayExchangesTheLogicalSize) {
  ASSERT_EQ(display_->SetScreenOrientation(2), kOk);  // while closed: codes only
  ASSERT_EQ(display_->OpenWindowed(0, 240, 294), kOk);
  EXPECT_EQ(display_->Width(), 294);
  EXPECT_EQ(display_->Height(), 240);
  EXPECT_EQ(display_->BackBuffer()->Width(), 294);
  EXPECT_EQ(State().properties.width, 240);
}

TEST_F(DisplayTest, WindowedOpenArgumentChecks) {
  struct Row {
    const char* name;
    uint32_t flags;
    int32_t w, h;
  };
  const Row rows[] = {{"flags", 1, 240, 294}, {"flags 0x8000", 0x8000, 240, 294},
                      {"zero width", 0, 0, 294}, {"zero height", 0, 240, 0},
                      {"negative width", 0, -240, 294}, {"negative height", 0, 240, -1}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(display_->OpenWindowed(r.flags, r.w, r.h), kErrInvalidArg);
    EXPECT_FALSE(display_->IsOpen());
  }
}

TEST_F(DisplayTest, WindowedBitmapThatCannotBeMadeLeavesTheDisplayClosed) {
  const int bitmaps = platform::LiveBitmapCount();
  platform::FailNextBitmapsForTesting(1);
  EXPECT_EQ(display_->OpenWindowed(0, 240, 294), kErrOutOfMemory);
  EXPECT_FALSE(display_->IsOpen());
  EXPECT_EQ(display_->BackBuffer(), nullptr);
  EXPECT_EQ(platform::LiveBitmapCount(), bitmaps);
  // Too large for any bitmap, and sizes whose byte counts overflow 32 bits.
  EXPECT_EQ(display_->OpenWindowed(0, 100000, 100000), kErrOutOfMemory);
  EXPECT_EQ(display_->OpenWindowed(0, INT32_MAX, 2), kErrOutOfMemory);
  EXPECT_FALSE(display_->IsOpen());
  EXPECT_EQ(display_->OpenWindowed(0, 240, 294), kOk);
}

TEST_F(DisplayTest, ReopeningTheGameApiAfterARawOpenClosesTheLibraryDisplay) {
  UseDevice(RawDevice(1, 1));
  ASSERT_EQ(display_->OpenDirect(0x8000, window_, 0), kOk);
  ASSERT_TRUE(State().raw_frame_buffer);
  display_->Close();
  UseDevice(DeviceConfig::WithPitchSigns(240, 320, 1, 1));
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round);
    ASSERT_EQ(display_->OpenDirect(0x8000, window_, 0), kOk);
    EXPECT_FALSE(State().raw_frame_buffer);
    EXPECT_EQ(display_->Present(), kOk);
    display_->Close();
  }
  EXPECT_EQ(GxCalls(kGxCallOpenDisplay), 2);
  EXPECT_EQ(GxCalls(kGxCallCloseDisplay), 2);
  EXPECT_EQ(GxCalls(kGxCallEndDraw), 2);
}

TEST_F(DisplayTest, DestroyingTheDisplayClosesIt) {
  ASSERT_EQ(display_->OpenDirect(0, window_, 16), kOk);
  display_.reset();
  EXPECT_EQ(GxCalls(kGxCallCloseDisplay), 1);
  EXPECT_EQ(State().open, 0);
}

}  // namespace
}  // namespace abacine::display_test

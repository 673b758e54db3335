// Opening and closing the display in each of its four ways on the simulated
// device, and every failure of the open calls.
#include "display_test_support.h"
#include "platform/gdi.h"

namespace abacine::display_test {
namespace {

using platform::OrientationQuery;

DeviceConfig With(DeviceConfig c, void (*change)(DeviceConfig&)) {
  change(c);
  return c;
}

TEST_F(DisplayTest, OpenDirectTakesItsScreenFromTheRightSource) {
  const DeviceConfig raw = RawDevice(1, 1);
  // code: the orientation code read at open; the logical size follows from it.
  struct Row { const char* name; DeviceConfig device; uint32_t flags; DisplayProperties expected; int32_t code; bool raw; };
  const DisplayProperties k240{240, 320, 2, 480, 16, 0xA0}, k240x{240, 320, -640, 2, 16, 0xA0};
  const Row rows[] = {
      {"Game API: no raw buffer on this device", DeviceConfig::WithPitchSigns(480, 640, 1, 1), 0x8020,
       {480, 640, 2, 960, 16, 0xA0}, 1, false},
      {"fixed-address device", DeviceConfig::FixedAddressDevice(), 0x8020, {240, 320, -640, 2, 16, 0xA8}, 1, false},
      {"raw, system orientation 0", RawDevice(-1, 1, 0), 0x8020, k240x, 1, true},
      {"raw, system orientation 1", RawDevice(-1, 1, 1), 0x8020, k240x, 2, true},
      {"raw, system orientation 2", RawDevice(-1, 1, 2), 0x8020, k240x, 8, true},
      {"raw, system orientation 4", RawDevice(-1, 1, 4), 0x8020, k240x, 4, true},
      {"raw, orientation call missing",
       With(RawDevice(1, 1, 1), [](DeviceConfig& c) { c.orientation_query = OrientationQuery::kMissing; }), 0x8000,
       k240, 1, true},
      {"raw, orientation call failing",
       With(RawDevice(1, 1, 1), [](DeviceConfig& c) { c.orientation_query = OrientationQuery::kFails; }), 0x8000,
       k240, 1, true},
      {"raw 5-5-5", With(raw, [](DeviceConfig& c) { c.raw_format = 2; }), 0x8000, {240, 320, 2, 480, 16, 0x60}, 1, true},
      {"raw on system 5.0, format 3", With(raw, [](DeviceConfig& c) { c.os_major = 5, c.os_minor = 0, c.raw_format = 3; }),
       0x8020, k240, 1, true},
      // The raw buffer only when asked for, on a system above 4.20, in a usable format.
      {"raw not asked for", raw, 0x0020, k240, 1, false},
      {"system 4.20", With(raw, [](DeviceConfig& c) { c.os_minor = 20; }), 0x8000, k240, 1, false},
      {"raw format 0", With(raw, [](DeviceConfig& c) { c.raw_format = 0; }), 0x8000, k240, 1, false},
      {"raw format 4", With(raw, [](DeviceConfig& c) { c.raw_format = 4; }), 0x8000, k240, 1, false},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    UseDevice(r.device);
    platform::TheDevice().ClearGameApiLog();
    State().system_orientation = State().current_orientation = State().requested_orientation = 1;
    ASSERT_EQ(display_->OpenDirect(r.flags, window_, r.raw ? 16 : 0), kOk);
    EXPECT_EQ(Describe(State().properties), Describe(r.expected));
    EXPECT_EQ(std::tie(State().system_orientation, State().current_orientation, State().requested_orientation),
              std::tie(r.code, r.code, r.code));
    const bool quarter = r.code == 2 || r.code == 4;
    const int32_t width = quarter ? r.expected.height : r.expected.width;
    const int32_t height = quarter ? r.expected.width : r.expected.height;
    EXPECT_EQ(std::pair(display_->Width(), display_->Height()), std::pair(width, height));
    // Only the fixed-address device opens without direct access.
    const bool fixed = r.expected.format_flags == 0xA8;
    EXPECT_EQ(std::tie(State().raw_frame_buffer, State().direct_access, State().device_quirk),
              std::tuple(r.raw, !fixed, fixed ? kQuirkFixedAddress : kQuirkNone));
    const int gx = !fixed && !r.raw ? 1 : 0;  // only the Game API way calls the library
    EXPECT_EQ(std::pair(GxCalls(kGxCallOpenDisplay), GxCalls(kGxCallBeginDraw)), std::pair(gx, gx));
    // A cleared system-memory back buffer of the logical size.
    Surface* back = display_->BackBuffer();
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(std::tuple(back->Kind(), back->Width(), back->Height(), back->Flags() & 0x0F0F),
              std::tuple(kSurfaceOwned, width, height, 0x0101u));
    EXPECT_EQ(State().back_buffer_pixels, back->Pixels());
    EXPECT_NE(display_->Flags() & kSurfaceHasBackBuffer, 0u);
    if (r.code == 1) {  // logical (0, 0) is the frame buffer's first pixel, steps are its pitches
      PixelDescription d;
      ASSERT_EQ(display_->LockPixels(&d), kOk);
      EXPECT_EQ(std::tuple(reinterpret_cast<uint8_t*>(d.pixels), d.x_pitch, d.y_pitch),
                std::tuple(platform::TheDevice().FrameBuffer(), r.device.x_pitch, r.device.y_pitch));
      ASSERT_EQ(display_->UnlockPixels(), kOk);
    }
    EXPECT_EQ(display_->Close(), kOk);
    EXPECT_EQ(display_->BackBuffer(), nullptr);
    EXPECT_EQ(display_->Kind(), kSurfaceDisplay);
    EXPECT_EQ(GxCalls(kGxCallCloseDisplay), gx);
    EXPECT_EQ(std::tuple(State().window, State().back_buffer_pixels, State().direct_access, State().open),
              std::tuple(nullptr, nullptr, false, 0));
  }
}

TEST_F(DisplayTest, RawFiveFiveFiveOpensButOnlyPlainCopiesWork) {
  UseDevice(With(RawDevice(1, 1), [](DeviceConfig& c) { c.raw_format = 2; }));
  ASSERT_EQ(display_->OpenDirect(0x8000, window_, 16), kOk);
  Surface* back = display_->BackBuffer();
  ASSERT_NE(back, nullptr);
  const uint32_t half = 128;
  EXPECT_EQ(back->FillArea(nullptr, 0x00FFFFFF, kFillOpacity, &half), kErrWrongDisplayState);
  EXPECT_EQ(back->PlotLine(0, 0, 5, 5, 0x00FFFFFF, 0), kErrWrongDisplayState);
  EXPECT_EQ(PresentAndCountWrong(1), 0);
}

TEST_F(DisplayTest, UnusableScreensAreRefusedAndLeaveNothingOpen) {
  // Without the library every full-screen open fails; with it these screens
  // cannot be opened. gx_opens: Game API displays opened, each closed again.
  struct Row { const char* name; DeviceConfig device; bool library; int gx_opens; };
  const DeviceConfig raw = RawDevice(1, 1);
  const Row rows[] = {
      {"neither pitch 2 bytes (Game API)",
       With(raw, [](DeviceConfig& c) { c.raw_frame_buffer = false, c.x_pitch = 4, c.y_pitch = 960; }), true, 1},
      {"neither pitch 2 bytes (raw)", With(raw, [](DeviceConfig& c) { c.x_pitch = 4, c.y_pitch = 960; }), true, 0},
      {"rows overlap", With(raw, [](DeviceConfig& c) { c.raw_frame_buffer = false, c.y_pitch = 2; }), true, 1},
      {"8 bits per pixel (Game API)",
       With(raw, [](DeviceConfig& c) { c.raw_frame_buffer = false, c.y_pitch = 480, c.bits_per_pixel = 8; }), true, 1},
      {"8 bits per pixel, raw offered", With(raw, [](DeviceConfig& c) { c.y_pitch = 480, c.bits_per_pixel = 8; }), true, 1},
      {"fixed-address name without the memory behind it",
       With(DeviceConfig::WithPitchSigns(480, 640, 1, 1),
            [](DeviceConfig& c) { c.oem_info = u"Compaq iPAQ H3870 (another panel)"; }),
       true, 0},
      {"no library, fixed-address device", DeviceConfig::FixedAddressDevice(), false, 0},
      {"no library, raw frame buffer", raw, false, 0},
      {"no library", DeviceConfig::WithPitchSigns(240, 320, 1, 1), false, 0},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    UseDevice(r.device);
    GameApiLibrary::Instance().Unload();
    GameApiLibrary::Instance().SetSearchList({r.library ? kGxPath : "/nonexistent/gx.so"});
    platform::TheDevice().ClearGameApiLog();
    EXPECT_EQ(display_->OpenDirect(0x8000, window_, 0), r.library ? kErrCannotOpenScreen : kErrGameApiMissing);
    EXPECT_FALSE(display_->IsOpen());
    EXPECT_FALSE(State().raw_frame_buffer);
    EXPECT_EQ(display_->BackBuffer(), nullptr);
    EXPECT_EQ(GxCalls(kGxCallOpenDisplay), r.gx_opens);
    EXPECT_EQ(GxCalls(kGxCallCloseDisplay), r.gx_opens);
    // The windowed screen needs no library.
    ASSERT_EQ(display_->OpenWindowed(0, 240, 294), kOk);
    display_->Close();
    // Nothing is left open: the same display opens on a good device.
    UseDevice(raw);
    GameApiLibrary::Instance().SetSearchList({kGxPath});
    ASSERT_EQ(display_->OpenDirect(0, window_, 0), kOk);
    display_->Close();
  }
}

TEST_F(DisplayTest, OpenArgumentChecks) {
  platform::WindowHandle gone = MakeWindow();
  platform::DestroyAppWindow(gone);
  // b: bits per pixel (full screen); width and height (windowed)
  struct Row { const char* name; bool windowed; uint32_t flags; platform::WindowHandle window; int32_t a, b; };
  const Row rows[] = {
      {"8 bits per pixel", false, 0, window_, 8, 0},   {"32 bits per pixel", false, 0, window_, 32, 0},
      {"no window", false, 0, nullptr, 16, 0},         {"destroyed window", false, 0, gone, 16, 0},
      {"windowed, flags 1", true, 1, nullptr, 240, 294}, {"windowed, flags 0x8000", true, 0x8000, nullptr, 240, 294},
      {"zero width", true, 0, nullptr, 0, 294},        {"zero height", true, 0, nullptr, 240, 0},
      {"negative width", true, 0, nullptr, -240, 294}, {"negative height", true, 0, nullptr, 240, -1},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(r.windowed ? display_->OpenWindowed(r.flags, r.a, r.b) : display_->OpenDirect(r.flags, r.window, r.a),
              kErrInvalidArg);
    EXPECT_FALSE(display_->IsOpen());
  }
  EXPECT_EQ(GxCalls(kGxCallOpenDisplay), 0);
}

TEST_F(DisplayTest, SecondOpenIsRefusedWhicheverWay) {
  for (bool windowed : {false, true}) {
    SCOPED_TRACE(windowed ? "windowed" : "full screen");
    ASSERT_EQ(windowed ? display_->OpenWindowed(0, 240, 294) : display_->OpenDirect(0, window_, 16), kOk);
    EXPECT_EQ(display_->OpenDirect(0, window_, 16), kErrDisplayAlreadyOpen);
    EXPECT_EQ(display_->OpenWindowed(0, 240, 294), kErrDisplayAlreadyOpen);
    display_->Close();
  }
  EXPECT_EQ(GxCalls(kGxCallOpenDisplay), 1);
}

TEST_F(DisplayTest, WindowedOpenMakesATopDownBitmapBackBuffer) {
  // bitmapH: rounded up to even
  struct Row { int32_t w, h; int32_t bitmapW, bitmapH; };
  for (const Row& r : {Row{240, 294, 240, 294}, Row{241, 3, 242, 4}, Row{1, 1, 2, 2}}) {
    SCOPED_TRACE(::testing::Message() << r.w << "x" << r.h);
    const int bitmaps = platform::LiveBitmapCount();
    ASSERT_EQ(display_->OpenWindowed(0, r.w, r.h), kOk);
    EXPECT_TRUE(display_->IsWindowed());
    EXPECT_EQ(std::pair(display_->Width(), display_->Height()), std::pair(r.w, r.h));
    EXPECT_EQ(Describe(State().properties), Describe({r.w, r.h, 2, r.bitmapW * 2, 16, 0xA0}));
    EXPECT_EQ(display_->Flags() & kSurfaceHasBackBuffer, 0u);
    ASSERT_NE(State().bitmap, nullptr);
    EXPECT_EQ(platform::LiveBitmapCount(), bitmaps + 1);
    const platform::BitmapInfo* info = platform::BitmapInfoOf(State().bitmap);
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(std::tuple(info->header.width, info->header.height, info->header.compression, info->header.image_size),
              std::tuple(r.bitmapW, -r.bitmapH, 3u, uint32_t(r.bitmapW * r.bitmapH * 2)));
    EXPECT_EQ(std::tuple(info->masks[0], info->masks[1], info->masks[2]), std::tuple(0xF800u, 0x07E0u, 0x001Fu));
    Surface* back = display_->BackBuffer();
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(std::tuple(back->Kind(), back->Flags(), back->Width(), back->Height()),
              std::tuple(kSurfaceGdi, 0x8100u, r.w, r.h));
    EXPECT_EQ(back->Pixels(), platform::BitmapBits(State().bitmap));
    EXPECT_EQ(display_->Present(), kErrWindowedPresent);
    display_->Close();
    EXPECT_EQ(State().bitmap, nullptr);
    EXPECT_EQ(platform::LiveBitmapCount(), bitmaps);
    EXPECT_FALSE(display_->IsWindowed());
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

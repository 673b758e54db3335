// Libraries looked up by name, and the Game API library (bin/gx.so) as the
// platform loads it: decorated names, the device it serves, its state machine.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/gx_abi.h"
#include "platform/platform.h"

namespace abacine::platform {
namespace {

const std::string kGxPath = std::string(ABACINE_BINARY_DIR) + "/bin/gx.so";

TEST(LibraryTest, SystemLibraryIsFoundByAnyCaseAndOffersTheDisplayModeCall) {
  ASSERT_TRUE(TheDevice().Reset(DeviceConfig{}));
  for (const char* name : {"coredll.dll", "COREDLL.DLL", "CoreDll.dll"}) {
    SCOPED_TRACE(name);
    Library* lib = OpenLibrary(name);
    ASSERT_NE(lib, nullptr);
    void* fn = FindProcedure(lib, u"ChangeDisplaySettingsEx");
    ASSERT_NE(fn, nullptr);
    DisplayModeRecord mode{192, kModeFieldOrientation, -1};
    EXPECT_EQ(reinterpret_cast<ChangeDisplaySettingsExFn>(fn)(nullptr, &mode, nullptr,
                                                              kModeChangeTest, nullptr),
              kModeChangeSuccessful);
    EXPECT_EQ(mode.orientation, 0);
    EXPECT_EQ(FindProcedure(lib, u"ChangeDisplaySettings"), nullptr);
    CloseLibrary(lib);
  }
  DeviceConfig c;
  c.orientationQuery = OrientationQuery::kMissing;
  ASSERT_TRUE(TheDevice().Reset(c));
  Library* lib = OpenLibrary("coredll.dll");
  EXPECT_EQ(FindProcedure(lib, u"ChangeDisplaySettingsEx"), nullptr);
  CloseLibrary(lib);
  TheDevice().Reset(DeviceConfig{});
}

TEST(LibraryTest, MissingLibrariesAndBadArguments) {
  EXPECT_EQ(OpenLibrary(""), nullptr);
  EXPECT_EQ(OpenLibrary("/nonexistent/gx.so"), nullptr);
  EXPECT_EQ(OpenLibrary(std::string("gx\0.so", 6)), nullptr);
  EXPECT_EQ(FindProcedure(nullptr, u"GXOpenDisplay"), nullptr);
  CloseLibrary(nullptr);  // ignored
}

TEST(LibraryTest, ProgramDirectoryIsTheFolderOfTheRunningTest) {
  const std::string dir = ProgramDirectory();
  ASSERT_FALSE(dir.empty());
  EXPECT_EQ(dir.front(), '/');
  EXPECT_NE(dir.back(), '/');
  EXPECT_NE(dir.find("tests/platform"), std::string::npos) << dir;
}

TEST(LibraryTest, DecoratedNamesMapToThePlainExports) {
  Library* gx = OpenLibrary(kGxPath);
  ASSERT_NE(gx, nullptr) << kGxPath;
  for (const GxExport& e : kGxExports) {
    SCOPED_TRACE(e.plain);
    EXPECT_NE(FindProcedure(gx, e.decorated), nullptr);
  }
  // Unknown or slightly wrong decorated names are not found.
  EXPECT_EQ(FindProcedure(gx, u"?GXOpenDisplay@@YAHPAUHWND__@@K@"), nullptr);
  EXPECT_EQ(FindProcedure(gx, u"?GXTeleport@@YAHXZ"), nullptr);
  EXPECT_EQ(FindProcedure(gx, u"?"), nullptr);
  // Names that cannot be ELF exports of ours.
  EXPECT_EQ(FindProcedure(gx, u"GX\u00e9"), nullptr);
  EXPECT_EQ(FindProcedure(gx, std::u16string_view(u"GXOpen\0Display", 14)), nullptr);
  CloseLibrary(gx);
}

// Calls the library's entry points through the decorated names, as the
// program does.
class GxLibraryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(TheDevice().Reset(DeviceConfig::WithPitchSigns(240, 320, 1, 1)));
    ClearMessages();
    gx_ = OpenLibrary(kGxPath);
    ASSERT_NE(gx_, nullptr);
    open_ = Get<GXOpenDisplayFn>(0);
    close_ = Get<GXCloseDisplayFn>(1);
    begin_ = Get<GXBeginDrawFn>(2);
    end_ = Get<GXEndDrawFn>(3);
    openInput_ = Get<GXOpenInputFn>(4);
    closeInput_ = Get<GXCloseInputFn>(5);
    props_ = Get<GXGetDisplayPropertiesFn>(6);
    keys_ = Get<GXGetDefaultKeysFn>(7);
    suspend_ = Get<GXSuspendFn>(8);
    resume_ = Get<GXResumeFn>(9);
    window_ = CreateAppWindow(WindowDesc{u"C", u"T", false, {}}, [](auto...) { return intptr_t{0}; },
                              nullptr);
    // Start from a closed library state whatever earlier tests left.
    close_();
    closeInput_();
    TheDevice().ClearGameApiLog();
  }
  void TearDown() override {
    if (close_ != nullptr) close_();
    if (closeInput_ != nullptr) closeInput_();
    DestroyAppWindow(window_);
    CloseLibrary(gx_);
    TheDevice().Reset(DeviceConfig{});
  }
  template <typename Fn>
  Fn Get(size_t i) {
    return reinterpret_cast<Fn>(FindProcedure(gx_, kGxExports[i].decorated));
  }

 public:
  Library* gx_ = nullptr;
  WindowHandle window_ = nullptr;
  GXOpenDisplayFn open_ = nullptr;
  GXCloseDisplayFn close_ = nullptr;
  GXBeginDrawFn begin_ = nullptr;
  GXEndDrawFn end_ = nullptr;
  GXOpenInputFn openInput_ = nullptr;
  GXCloseInputFn closeInput_ = nullptr;
  GXGetDisplayPropertiesFn props_ = nullptr;
  GXGetDefaultKeysFn keys_ = nullptr;
  GXSuspendFn suspend_ = nullptr;
  GXResumeFn resume_ = nullptr;
};

TEST_F(GxLibraryTest, ServesTheDevicesPropertiesKeysAndFrameBuffer) {
  const GXDisplayProperties p = props_();
  EXPECT_EQ(p.width, 240u);
  EXPECT_EQ(p.height, 320u);
  EXPECT_EQ(p.xPitch, 2);
  EXPECT_EQ(p.yPitch, 480);
  EXPECT_EQ(p.bitsPerPixel, 16);
  EXPECT_EQ(p.formatFlags, 0xA0u);

  const GXKeyList k = keys_(2);
  const int16_t expected[8] = {0x26, 0x28, 0x25, 0x27, 0x78, 0x79, 0x7A, 0x7B};
  for (int i = 0; i < 8; ++i) EXPECT_EQ(k.keys[i].key, expected[i]) << i;

  ASSERT_EQ(open_(WindowToOpaque(window_), 1), 1);
  void* frame = begin_();
  EXPECT_EQ(frame, TheDevice().FrameBuffer());
  const uint16_t v = 0x1234;
  std::memcpy(frame, &v, 2);
  EXPECT_EQ(TheDevice().HardwarePixel(0, 0), 0x1234);
  const uint64_t frames = TheDevice().FrameCounter();
  EXPECT_EQ(end_(), 1);
  EXPECT_GT(TheDevice().FrameCounter(), frames);
  EXPECT_EQ(TheDevice().CountGameApiCalls(kGxCallEndDraw), 1);
}

TEST_F(GxLibraryTest, CallsInTheWrongStateFailAndChangeNothing) {
  struct Step {
    const char* what;
    intptr_t (*call)(GxLibraryTest&);
    intptr_t expected;
  };
  const Step steps[] = {
      {"begin before open", [](GxLibraryTest& t) { return intptr_t{t.begin_() != nullptr}; }, 0},
      {"end before begin", [](GxLibraryTest& t) { return intptr_t{t.end_()}; }, 0},
      {"suspend before open", [](GxLibraryTest& t) { return intptr_t{t.suspend_()}; }, 0},
      {"open without a window", [](GxLibraryTest& t) { return intptr_t{t.open_(nullptr, 1)}; }, 0},
      {"open", [](GxLibraryTest& t) { return intptr_t{t.open_(WindowToOpaque(t.window_), 1)}; }, 1},
      {"open twice", [](GxLibraryTest& t) { return intptr_t{t.open_(WindowToOpaque(t.window_), 1)}; }, 0},
      {"resume without suspend", [](GxLibraryTest& t) { return intptr_t{t.resume_()}; }, 0},
      {"suspend", [](GxLibraryTest& t) { return intptr_t{t.suspend_()}; }, 1},
      {"begin while suspended", [](GxLibraryTest& t) { return intptr_t{t.begin_() != nullptr}; }, 0},
      {"resume", [](GxLibraryTest& t) { return intptr_t{t.resume_()}; }, 1},
      {"begin", [](GxLibraryTest& t) { return intptr_t{t.begin_() != nullptr}; }, 1},
      {"close", [](GxLibraryTest& t) { return intptr_t{t.close_()}; }, 1},
      {"close twice", [](GxLibraryTest& t) { return intptr_t{t.close_()}; }, 0},
      {"end after close", [](GxLibraryTest& t) { return intptr_t{t.end_()}; }, 0},
      {"input open", [](GxLibraryTest& t) { return intptr_t{t.openInput_()}; }, 1},
      {"input close", [](GxLibraryTest& t) { return intptr_t{t.closeInput_()}; }, 1},
      {"input close twice", [](GxLibraryTest& t) { return intptr_t{t.closeInput_()}; }, 0},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.what);
    EXPECT_EQ(s.call(*this), s.expected);
  }
}

TEST_F(GxLibraryTest, DestroyedWindowCannotOpenTheDisplay) {
  WindowHandle gone = CreateAppWindow(WindowDesc{u"A", u"B", false, {}}, [](auto...) { return intptr_t{0}; },
                                      nullptr);
  DestroyAppWindow(gone);
  EXPECT_EQ(open_(WindowToOpaque(gone), 1), 0);
  EXPECT_EQ(TheDevice().CountGameApiCalls(kGxCallOpenDisplay), 1);
  EXPECT_EQ(TheDevice().GameApiLog().back().result, 0);
}

TEST_F(GxLibraryTest, TracksTheDeviceAfterAReset) {
  ASSERT_EQ(open_(WindowToOpaque(window_), 1), 1);
  DeviceConfig c = DeviceConfig::WithPitchSigns(640, 480, -1, 1);
  c.gameKeys = {-2, 2, 3, 4, 5, 6, 7, 8};
  ASSERT_TRUE(TheDevice().Reset(c));
  EXPECT_EQ(props_().xPitch, -960);
  EXPECT_EQ(props_().formatFlags, 0xA8u);
  EXPECT_EQ(keys_(1).keys[0].key, -2);
  EXPECT_EQ(begin_(), TheDevice().FrameBuffer());
}

}  // namespace
}  // namespace abacine::platform

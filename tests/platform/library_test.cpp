// Libraries looked up by name, and the Game API library (bin/gx.so) as the
// platform loads it: decorated names, the device it serves, its state machine.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/gx_abi.h"
#include "platform/controls.h"
#include "platform/platform.h"
#include "support/process.h"

namespace abacine::platform {
namespace {

const std::string kGxPath = testing::BinPath("gx.so");

TEST(LibraryTest, SystemLibraryIsFoundByAnyCaseAndOffersTheDisplayModeCall) {
  ASSERT_TRUE(TheDevice().Reset(DeviceConfig{}));
  for (const char* name : {"coredll.dll", "COREDLL.DLL", "CoreDll.dll"}) {
    SCOPED_TRACE(name);
    Library* lib = OpenLibrary(name);
    ASSERT_NE(lib, nullptr);
    EXPECT_EQ(FindProcedure(lib, u"ChangeDisplaySettings"), nullptr);
    void* fn = FindProcedure(lib, u"ChangeDisplaySettingsEx");
    ASSERT_NE(fn, nullptr);
    DisplayModeRecord mode{192, kModeFieldOrientation, -1};
    EXPECT_EQ(reinterpret_cast<ChangeDisplaySettingsExFn>(fn)(nullptr, &mode, nullptr, kModeChangeTest, nullptr),
              kModeChangeSuccessful);
    EXPECT_EQ(mode.orientation, 0);
    CloseLibrary(lib);
  }
}

TEST(LibraryTest, MissingLibrariesBadNamesAndTheProgramFolder) {
  EXPECT_EQ(OpenLibrary(""), nullptr);
  EXPECT_EQ(OpenLibrary("/nonexistent/gx.so"), nullptr);
  EXPECT_EQ(OpenLibrary(std::string("gx\0.so", 6)), nullptr);
  EXPECT_EQ(FindProcedure(nullptr, u"GXOpenDisplay"), nullptr);
  CloseLibrary(nullptr);  // ignored
  const std::string dir = ProgramDirectory();
  ASSERT_FALSE(dir.empty());
  EXPECT_EQ(dir.front(), '/');
  EXPECT_NE(dir.back(), '/');
  EXPECT_NE(dir.find("tests/platform"), std::string::npos) << dir;
}

TEST(LibraryTest, DecoratedNamesMapToThePlainExports) {
  Library* gx = OpenLibrary(kGxPath);
  ASSERT_NE(gx, nullptr) << kGxPath;
  for (const GxExport& e : kGxExports) EXPECT_NE(FindProcedure(gx, e.decorated), nullptr) << e.plain;
  // Unknown or slightly wrong decorated names, and names that cannot be ELF
  // exports of ours, are not found.
  for (const std::u16string_view name : {std::u16string_view(u"?GXOpenDisplay@@YAHPAUHWND__@@K@"),
                                         std::u16string_view(u"?GXTeleport@@YAHXZ"), std::u16string_view(u"?"),
                                         std::u16string_view(u"GX\u00e9"), std::u16string_view(u"GXOpen\0Display", 14)}) {
    EXPECT_EQ(FindProcedure(gx, name), nullptr);
  }
  CloseLibrary(gx);
}

// Calls the library's entry points through the decorated names, as the
// program does.
class GxLibraryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(ResetForTesting(DeviceConfig::WithPitchSigns(240, 320, 1, 1)));
    gx_ = OpenLibrary(kGxPath);
    ASSERT_NE(gx_, nullptr);
    window_ = CreateAppWindow(WindowDesc{u"C", u"T", false, {}}, [](auto...) { return intptr_t{0}; }, nullptr);
    // Start from a closed library state whatever earlier tests left.
    Call(kGxCallCloseDisplay), Call(kGxCallCloseInput);
    TheDevice().ClearGameApiLog();
  }
  void TearDown() override {
    Call(kGxCallCloseDisplay), Call(kGxCallCloseInput);
    DestroyAppWindow(window_);
    CloseLibrary(gx_);
    ResetForTesting();
  }
  template <typename Fn>
  Fn Get(int32_t call) {
    return reinterpret_cast<Fn>(FindProcedure(gx_, kGxExports[call].decorated));
  }
  // One of the calls without arguments, or opening the display on `window`;
  // a frame pointer counts as 1 when it is not null.
  intptr_t Call(int32_t call, WindowHandle window = nullptr) {
    if (call == kGxCallOpenDisplay) return Get<GXOpenDisplayFn>(call)(WindowToOpaque(window), 1);
    if (call == kGxCallBeginDraw) return Get<GXBeginDrawFn>(call)() != nullptr;
    return Get<int (*)()>(call)();
  }
  Library* gx_ = nullptr;
  WindowHandle window_ = nullptr;
};

// The display and key tests check the properties and keys served; here the
// frame buffer and the frames it shows.
TEST_F(GxLibraryTest, ServesTheDevicesFrameBuffer) {
  ASSERT_EQ(Call(kGxCallOpenDisplay, window_), 1);
  void* frame = Get<GXBeginDrawFn>(kGxCallBeginDraw)();
  ASSERT_EQ(frame, TheDevice().FrameBuffer());
  const uint16_t v = 0x1234;
  std::memcpy(frame, &v, 2);
  EXPECT_EQ(TheDevice().HardwarePixel(0, 0), 0x1234);
  const uint64_t frames = TheDevice().FrameCounter();
  EXPECT_EQ(Call(kGxCallEndDraw), 1);
  EXPECT_GT(TheDevice().FrameCounter(), frames);
}

TEST_F(GxLibraryTest, CallsInTheWrongStateFailAndChangeNothing) {
  WindowHandle gone = CreateAppWindow(WindowDesc{u"A", u"B", false, {}}, [](auto...) { return intptr_t{0}; }, nullptr);
  DestroyAppWindow(gone);
  struct Step { const char* what; int32_t call; WindowHandle window; intptr_t expected; };
  const Step steps[] = {
      {"begin before open", kGxCallBeginDraw, nullptr, 0}, {"end before begin", kGxCallEndDraw, nullptr, 0},
      {"suspend before open", kGxCallSuspend, nullptr, 0}, {"open without a window", kGxCallOpenDisplay, nullptr, 0},
      {"open on a destroyed window", kGxCallOpenDisplay, gone, 0}, {"open", kGxCallOpenDisplay, window_, 1},
      {"open twice", kGxCallOpenDisplay, window_, 0}, {"resume without suspend", kGxCallResume, nullptr, 0},
      {"suspend", kGxCallSuspend, nullptr, 1}, {"begin while suspended", kGxCallBeginDraw, nullptr, 0},
      {"resume", kGxCallResume, nullptr, 1}, {"begin", kGxCallBeginDraw, nullptr, 1},
      {"close", kGxCallCloseDisplay, nullptr, 1}, {"close twice", kGxCallCloseDisplay, nullptr, 0},
      {"end after close", kGxCallEndDraw, nullptr, 0}, {"input open", kGxCallOpenInput, nullptr, 1},
      {"input close", kGxCallCloseInput, nullptr, 1}, {"input close twice", kGxCallCloseInput, nullptr, 0},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.what);
    EXPECT_EQ(Call(s.call, s.window), s.expected);
    // Every call is recorded with its result.
    ASSERT_FALSE(TheDevice().GameApiLog().empty());
    EXPECT_EQ(TheDevice().GameApiLog().back().call, s.call);
    EXPECT_EQ(TheDevice().GameApiLog().back().result != 0, s.expected != 0);
  }
}

}  // namespace
}  // namespace abacine::platform

// Windows, the message queue, key state, copies into windows, message boxes
// and the clock, as the framework uses them.
#include <gtest/gtest.h>

#include <vector>

#include "platform/gdi.h"
#include "platform/platform.h"

namespace abacine::platform {
namespace {

struct Seen {
  WindowHandle window;
  uint32_t id;
  uintptr_t wParam;
  intptr_t lParam;
};

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(TheDevice().Reset(DeviceConfig::WithPitchSigns(24, 32, 1, 1)));
    ClearMessages();
    ResetKeyState();
    ClearShownMessageBoxes();
  }
  void TearDown() override {
    for (WindowHandle w : made_) DestroyAppWindow(w);
    ClearMessages();
    ResetKeyState();
    TheDevice().Reset(DeviceConfig{});
  }

  WindowHandle Make(const std::u16string& title = u"Abacine", Rect rect = {}) {
    WindowDesc desc{u"Abacine WndCls", title, false, rect};
    WindowHandle w = CreateAppWindow(
        desc,
        [this](WindowHandle h, uint32_t id, uintptr_t wp, intptr_t lp) {
          seen_.push_back(Seen{h, id, wp, lp});
          return intptr_t{7};
        },
        &marker_);
    made_.push_back(w);
    return w;
  }

  int marker_ = 0;
  std::vector<Seen> seen_;
  std::vector<WindowHandle> made_;
};

TEST_F(WindowTest, CreateDeliversTheCreationParameterAndDestroyTheDestroyMessage) {
  WindowHandle w = Make();
  ASSERT_TRUE(IsWindow(w));
  ASSERT_EQ(seen_.size(), 1u);
  EXPECT_EQ(seen_[0].id, kMsgCreate);
  EXPECT_EQ(seen_[0].lParam, reinterpret_cast<intptr_t>(&marker_));
  EXPECT_TRUE(DestroyAppWindow(w));
  ASSERT_EQ(seen_.size(), 2u);
  EXPECT_EQ(seen_[1].id, kMsgDestroy);
  EXPECT_FALSE(IsWindow(w));
  EXPECT_FALSE(DestroyAppWindow(w));
}

TEST_F(WindowTest, HandlesOfDestroyedWindowsStayInvalid) {
  WindowHandle first = Make();
  DestroyAppWindow(first);
  for (int i = 0; i < 50; ++i) EXPECT_NE(Make(), first);
  EXPECT_FALSE(IsWindow(first));
  EXPECT_FALSE(PostMessage(first, 0x401, 0, 0));
  EXPECT_EQ(SendMessage(first, 0x401, 0, 0), 0);
}

TEST_F(WindowTest, EmptyProcedureMakesNoWindow) {
  EXPECT_EQ(CreateAppWindow(WindowDesc{}, WindowProc{}, nullptr), nullptr);
  EXPECT_FALSE(IsWindow(nullptr));
}

TEST_F(WindowTest, FindByClassAndTitle) {
  WindowHandle a = Make(u"Abacine");
  Make(u"Other");
  EXPECT_EQ(FindAppWindow(u"Abacine WndCls", u"Abacine"), a);
  EXPECT_EQ(FindAppWindow(u"Abacine WndCls", u"abacine"), nullptr);
  EXPECT_EQ(FindAppWindow(u"Other WndCls", u"Abacine"), nullptr);
}

TEST_F(WindowTest, DefaultRectangleIsTheScreenBelowTheShellBar) {
  DeviceConfig c = DeviceConfig::WithPitchSigns(24, 32, 1, 1);
  c.workAreaTop = 4;
  ASSERT_TRUE(TheDevice().Reset(c));
  WindowHandle w = Make();
  Rect r;
  ASSERT_TRUE(GetWindowRect(w, &r));
  EXPECT_EQ(r, (Rect{0, 4, 24, 32}));
  ASSERT_TRUE(MoveAppWindow(w, Rect{1, 2, 3, 4}));
  ASSERT_TRUE(GetWindowRect(w, &r));
  EXPECT_EQ(r, (Rect{1, 2, 3, 4}));
  EXPECT_FALSE(GetWindowRect(w, nullptr));
}

TEST_F(WindowTest, MessagesArriveInOrderAndDispatchReachesTheProcedure) {
  WindowHandle w = Make();
  seen_.clear();
  ASSERT_TRUE(PostMessage(w, kMsgKeyDown, 'A', KeyLParam(true, false)));
  ASSERT_TRUE(PostMessage(w, kMsgStylusDown, 1, PackPoint(3, 4)));
  PostQuitMessage(5);
  EXPECT_EQ(PendingMessageCount(), 3u);

  Message m;
  ASSERT_TRUE(PeekMessage(&m, false));  // look without taking
  EXPECT_EQ(m.id, kMsgKeyDown);
  EXPECT_EQ(PendingMessageCount(), 3u);
  ASSERT_TRUE(PeekMessage(&m, true));
  EXPECT_EQ(DispatchMessage(m), 7);
  ASSERT_TRUE(PeekMessage(&m, true));
  EXPECT_EQ(m.id, kMsgStylusDown);
  DispatchMessage(m);
  ASSERT_TRUE(PeekMessage(&m, true));
  EXPECT_EQ(m.id, kMsgQuit);
  EXPECT_EQ(m.window, nullptr);
  EXPECT_EQ(m.wParam, 5u);
  EXPECT_EQ(DispatchMessage(m), 0);  // thread messages go nowhere
  EXPECT_FALSE(PeekMessage(&m, true));

  ASSERT_EQ(seen_.size(), 2u);
  EXPECT_EQ(seen_[0].id, kMsgKeyDown);
  EXPECT_EQ(seen_[0].wParam, uintptr_t{'A'});
  EXPECT_EQ(seen_[1].id, kMsgStylusDown);
}

TEST_F(WindowTest, QueuedMessagesOfADestroyedWindowAreDropped) {
  WindowHandle a = Make();
  WindowHandle b = Make();
  PostMessage(a, 0x401, 0, 0);
  PostMessage(b, 0x401, 1, 0);
  PostMessage(a, 0x401, 2, 0);
  DestroyAppWindow(a);
  Message m;
  ASSERT_TRUE(PeekMessage(&m, true));
  EXPECT_EQ(m.window, b);
  EXPECT_FALSE(PeekMessage(&m, true));
}

TEST_F(WindowTest, ProcedureMayDestroyItsWindowWhileHandlingAMessage) {
  WindowHandle self = nullptr;
  int calls = 0;
  self = CreateAppWindow(
      WindowDesc{u"X", u"Y", false, {}},
      [&](WindowHandle h, uint32_t id, uintptr_t, intptr_t) {
        ++calls;
        if (id == 0x401) DestroyAppWindow(h);
        return intptr_t{0};
      },
      nullptr);
  ASSERT_TRUE(IsWindow(self));
  SendMessage(self, 0x401, 0, 0);
  EXPECT_FALSE(IsWindow(self));
  EXPECT_EQ(calls, 3);  // create, 0x401, destroy
}

TEST_F(WindowTest, StylusPointsPackAsSigned16BitHalves) {
  const int32_t points[][2] = {{0, 0}, {239, 319}, {-1, -1}, {-32768, 32767}, {640, -5}};
  for (const auto& p : points) {
    SCOPED_TRACE(testing::Message() << p[0] << "," << p[1]);
    const intptr_t l = PackPoint(p[0], p[1]);
    EXPECT_EQ(PointX(l), p[0]);
    EXPECT_EQ(PointY(l), p[1]);
  }
  EXPECT_EQ(PackPoint(3, 4), 0x00040003);
}

TEST_F(WindowTest, KeyMessageBits) {
  struct Row {
    bool down, repeat;
    uint32_t bits;
  };
  const Row rows[] = {{true, false, 0x00000001u},
                      {true, true, 0x40000001u},
                      {false, false, 0xC0000001u},
                      {false, true, 0xC0000001u}};
  for (const Row& r : rows) {
    SCOPED_TRACE(testing::Message() << r.down << r.repeat);
    const intptr_t l = KeyLParam(r.down, r.repeat);
    EXPECT_EQ(static_cast<uint32_t>(l), r.bits);
    EXPECT_EQ(IsAutoRepeat(l), r.repeat || !r.down);
  }
}

TEST_F(WindowTest, InjectedKeysUpdateKeyStateAndLockKeysToggle) {
  WindowHandle w = Make();
  EXPECT_EQ(GetKeyState(kVkShift), 0);
  ASSERT_TRUE(InjectKey(w, kVkShift, true));
  EXPECT_EQ(static_cast<uint16_t>(GetKeyState(kVkShift)), 0x8000);
  ASSERT_TRUE(InjectKey(w, kVkShift, true, true));  // auto-repeat
  ASSERT_TRUE(InjectKey(w, kVkShift, false));
  EXPECT_EQ(GetKeyState(kVkShift), 0);

  InjectKey(w, kVkNumLock, true);
  EXPECT_EQ(static_cast<uint16_t>(GetKeyState(kVkNumLock)), 0x8001);
  InjectKey(w, kVkNumLock, true, true);  // held: no second toggle
  InjectKey(w, kVkNumLock, false);
  EXPECT_EQ(GetKeyState(kVkNumLock), 1);
  InjectKey(w, kVkNumLock, true);
  InjectKey(w, kVkNumLock, false);
  EXPECT_EQ(GetKeyState(kVkNumLock), 0);

  Message m;
  ASSERT_TRUE(PeekMessage(&m, true));
  EXPECT_EQ(m.id, kMsgKeyDown);
  EXPECT_FALSE(IsAutoRepeat(m.lParam));
  ASSERT_TRUE(PeekMessage(&m, true));
  EXPECT_TRUE(IsAutoRepeat(m.lParam));
  ASSERT_TRUE(PeekMessage(&m, true));
  EXPECT_EQ(m.id, kMsgKeyUp);

  EXPECT_FALSE(InjectKey(w, 256, true));
  EXPECT_FALSE(InjectKey(w, -1, true));
  EXPECT_EQ(GetKeyState(300), 0);
  EXPECT_EQ(GetKeyState(-3), 0);
}

TEST_F(WindowTest, InjectedStylusMessages) {
  WindowHandle w = Make();
  ClearMessages();
  EXPECT_TRUE(InjectStylus(w, kMsgStylusDown, 5, -2));
  EXPECT_TRUE(InjectStylus(w, kMsgStylusUp, 5, 6));
  EXPECT_FALSE(InjectStylus(w, kMsgKeyDown, 5, 6));
  Message m;
  ASSERT_TRUE(PeekMessage(&m, true));
  EXPECT_EQ(m.wParam, 1u);
  EXPECT_EQ(PointY(m.lParam), -2);
  ASSERT_TRUE(PeekMessage(&m, true));
  EXPECT_EQ(m.wParam, 0u);
}

TEST_F(WindowTest, ForegroundChangesArriveAsActivationMessages) {
  WindowHandle a = Make();
  WindowHandle b = Make();
  ClearMessages();
  ASSERT_TRUE(SetForegroundWindow(a));
  ASSERT_TRUE(SetForegroundWindow(a));  // already in front: nothing new
  ASSERT_TRUE(SetForegroundWindow(b));
  EXPECT_EQ(ForegroundWindow(), b);
  Message m;
  ASSERT_TRUE(PeekMessage(&m, true));
  EXPECT_EQ(m.window, a);
  EXPECT_EQ(m.wParam, 1u);
  ASSERT_TRUE(PeekMessage(&m, true));
  EXPECT_EQ(m.window, a);
  EXPECT_EQ(m.wParam, 0u);
  ASSERT_TRUE(PeekMessage(&m, true));
  EXPECT_EQ(m.window, b);
  EXPECT_EQ(m.wParam, 1u);
  EXPECT_FALSE(PeekMessage(&m, true));
  DestroyAppWindow(b);
  EXPECT_EQ(ForegroundWindow(), nullptr);
}

TEST_F(WindowTest, CopyToWindowLandsBelowTheShellBarAndIsClipped) {
  DeviceConfig c = DeviceConfig::WithPitchSigns(8, 10, 1, 1);
  c.workAreaTop = 2;
  ASSERT_TRUE(TheDevice().Reset(c));
  WindowHandle w = Make();  // (0, 2) - (8, 10)
  // A 10 x 10 source with a pad column, so that rows are 22 bytes apart.
  std::vector<uint16_t> src(11 * 10);
  for (int y = 0; y < 10; ++y) {
    for (int x = 0; x < 11; ++x) src[y * 11 + x] = static_cast<uint16_t>(0x100 * y + x + 1);
  }
  const uint64_t frames = TheDevice().FrameCounter();
  ASSERT_TRUE(CopyToWindow(w, -1, 0, 10, 10, src.data(), 22));
  EXPECT_GT(TheDevice().FrameCounter(), frames);
  // Client (0, 0) is screen (0, 2); source column 1 lands there (x offset -1).
  EXPECT_EQ(TheDevice().ScreenPixel(0, 2), 0x0002);
  EXPECT_EQ(TheDevice().ScreenPixel(7, 9), 0x0709);
  // The shell bar is not written.
  EXPECT_NE(TheDevice().ScreenPixel(0, 1), 0x0001);

  EXPECT_FALSE(CopyToWindow(w, 0, 0, 1, 1, nullptr, 2));
  EXPECT_FALSE(CopyToWindow(w, 0, 0, -1, 1, src.data(), 22));
  EXPECT_FALSE(CopyToWindow(nullptr, 0, 0, 1, 1, src.data(), 22));
  // Entirely outside: succeeds and writes nothing.
  EXPECT_TRUE(CopyToWindow(w, 100, 100, 10, 10, src.data(), 22));
  EXPECT_TRUE(CopyToWindow(w, INT32_MIN, INT32_MAX, 10, 10, src.data(), 22));
}

TEST_F(WindowTest, BlitToWindowCopiesTheSelectedBitmapAndNothingBeyondIt) {
  WindowHandle w = Make();  // whole 24 x 32 screen
  BitmapInfo info;
  info.header.width = 4;
  info.header.height = -2;
  info.header.image_size = 16;
  void* bits = nullptr;
  BitmapHandle bitmap = CreateDibSection(&info, &bits);
  ASSERT_NE(bitmap, nullptr);
  auto* pixels = static_cast<uint16_t*>(bits);
  for (int i = 0; i < 8; ++i) pixels[i] = static_cast<uint16_t>(0xA0 + i);
  DcHandle dc = CreateCompatibleDc(nullptr);
  ASSERT_NE(dc, nullptr);
  SelectBitmap(dc, bitmap);

  // Ask for more than the bitmap holds, from a negative source corner.
  ASSERT_TRUE(BlitToWindow(w, 5, 5, 24, 32, dc, -1, 0, kRasterSourceCopy));
  EXPECT_EQ(TheDevice().ScreenPixel(6, 5), 0xA0);
  EXPECT_EQ(TheDevice().ScreenPixel(9, 6), 0xA7);
  EXPECT_EQ(TheDevice().ScreenPixel(10, 6), 0);
  EXPECT_EQ(TheDevice().ScreenPixel(6, 7), 0);
  EXPECT_EQ(TheDevice().ScreenPixel(5, 5), 0);

  EXPECT_FALSE(BlitToWindow(w, 0, 0, 4, 2, dc, 0, 0, 0x00EE0086));
  DcHandle empty = CreateCompatibleDc(nullptr);
  EXPECT_FALSE(BlitToWindow(w, 0, 0, 4, 2, empty, 0, 0, kRasterSourceCopy));
  DeleteDc(empty);
  DeleteDc(dc);
  DeleteBitmap(bitmap);
}

TEST_F(WindowTest, WaitMessageReturnsAfterTheTimeoutWithAManualClock) {
  ManualClock clock(1000);
  ScopedClock use(&clock);
  EXPECT_FALSE(WaitMessage(250));
  EXPECT_GE(clock.TickCount(), 1250u);
  WindowHandle w = Make();
  PostMessage(w, 0x401, 0, 0);
  EXPECT_TRUE(WaitMessage(250));
}

TEST_F(WindowTest, MessageBoxesAreRecorded) {
  ShowMessageBox(nullptr, u"Could not open display.", u"Error", kMessageBoxStopForeground);
  ASSERT_EQ(ShownMessageBoxes().size(), 1u);
  EXPECT_EQ(ShownMessageBoxes()[0].text, u"Could not open display.");
  EXPECT_EQ(ShownMessageBoxes()[0].caption, u"Error");
  EXPECT_EQ(ShownMessageBoxes()[0].style, 0x00010010u);
}

TEST(ClockTest, ManualClockDrivesTickCountAndSleep) {
  ManualClock clock(4294967290u);  // close to the 32-bit wrap
  {
    ScopedClock use(&clock);
    EXPECT_EQ(TickCount(), 4294967290u);
    Sleep(10);
    EXPECT_EQ(TickCount(), 4u);  // wrapped like the handheld's counter
    EXPECT_EQ(clock.SleptMs(), 10u);
    clock.Advance(5);
    EXPECT_EQ(TickCount(), 9u);
  }
  // Back on the steady clock, which moves forward on its own.
  const uint32_t a = TickCount();
  Sleep(2);
  EXPECT_GE(TickCount() - a, 2u);
}

TEST(Utf8Test, ConvertsEveryPlaneAndReplacesBrokenSurrogates) {
  EXPECT_EQ(ToUtf8(u"Error"), "Error");
  EXPECT_EQ(ToUtf8(u"\u00e9\u03c0\u2191"), "\xC3\xA9\xCF\x80\xE2\x86\x91");
  EXPECT_EQ(ToUtf8(u"\U0001F600"), "\xF0\x9F\x98\x80");
  EXPECT_EQ(ToUtf8(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");
  EXPECT_EQ(ToUtf8(std::u16string(1, char16_t(0xDC00)) + u"a"), "\xEF\xBF\xBD" "a");
}

}  // namespace
}  // namespace abacine::platform

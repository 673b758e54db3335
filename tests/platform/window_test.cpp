// Windows, the message queue, key state, copies into windows, message boxes
// and the clock, as the framework uses them.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "platform/gdi.h"
#include "platform/controls.h"
#include "platform/platform.h"

namespace abacine::platform {
namespace {

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(ResetForTesting(DeviceConfig::WithPitchSigns(24, 32, 1, 1))); }
  void TearDown() override {
    for (WindowHandle w : made_) DestroyAppWindow(w);
    ResetForTesting();
  }

  // Windows are named a, b, c... in the order they were made; the procedure
  // notes every message it gets as "name id w_param" and answers 7.
  WindowHandle Make(const std::u16string& title = u"Abacine") {
    const char name = static_cast<char>('a' + made_.size());
    WindowHandle w = CreateAppWindow(
        WindowDesc{u"Abacine WndCls", title, false, {}},
        [this, name](WindowHandle, uint32_t id, uintptr_t wp, intptr_t lp) {
          seen_.push_back(Describe(name, id, wp));
          last_lparam_ = lp;
          return intptr_t{7};
        },
        &marker_);
    made_.push_back(w);
    return w;
  }
  static std::string Describe(char name, uint32_t id, uintptr_t wp) {
    std::ostringstream s;
    s << name << " 0x" << std::hex << id << " " << std::dec << wp;
    return s.str();
  }
  // Takes every queued message off the queue, described as the procedure
  // notes them ('-' for thread messages).
  std::vector<std::string> Take() {
    std::vector<std::string> out;
    for (Message m; PeekMessage(&m, true);) {
      char name = '-';
      for (size_t i = 0; i < made_.size(); ++i) name = made_[i] == m.window ? static_cast<char>('a' + i) : name;
      out.push_back(Describe(name, m.id, m.w_param));
    }
    return out;
  }
  using Seen = std::vector<std::string>;

  int marker_ = 0;
  intptr_t last_lparam_ = 0;
  Seen seen_;
  std::vector<WindowHandle> made_;
};

TEST_F(WindowTest, CreateAndDestroyDeliverTheirMessagesAndHandlesStayInvalid) {
  WindowHandle w = Make();
  ASSERT_TRUE(IsWindow(w));
  EXPECT_EQ(seen_, Seen{"a 0x1 0"});
  EXPECT_EQ(last_lparam_, reinterpret_cast<intptr_t>(&marker_));  // the creation parameter
  EXPECT_TRUE(DestroyAppWindow(w));
  EXPECT_EQ(seen_, (Seen{"a 0x1 0", "a 0x2 0"}));
  EXPECT_FALSE(IsWindow(w));
  EXPECT_FALSE(DestroyAppWindow(w));
  for (int i = 0; i < 50; ++i) EXPECT_NE(Make(), w);
  EXPECT_FALSE(IsWindow(w));
  EXPECT_FALSE(PostMessage(w, 0x401, 0, 0));
  EXPECT_EQ(SendMessage(w, 0x401, 0, 0), 0);
  EXPECT_EQ(CreateAppWindow(WindowDesc{}, WindowProc{}, nullptr), nullptr);  // no procedure
  EXPECT_FALSE(IsWindow(nullptr));
}

TEST_F(WindowTest, FindByClassAndTitleAndTheDefaultRectangle) {
  DeviceConfig c = DeviceConfig::WithPitchSigns(24, 32, 1, 1);
  c.work_area_top = 4;
  ASSERT_TRUE(TheDevice().Reset(c));
  WindowHandle a = Make(u"Abacine");
  Make(u"Other");
  EXPECT_EQ(FindAppWindow(u"Abacine WndCls", u"Abacine"), a);
  EXPECT_EQ(FindAppWindow(u"Abacine WndCls", u"abacine"), nullptr);
  EXPECT_EQ(FindAppWindow(u"Other WndCls", u"Abacine"), nullptr);
  Rect r;
  ASSERT_TRUE(GetWindowRect(a, &r));
  EXPECT_EQ(r, (Rect{0, 4, 24, 32}));  // the screen below the shell bar
  ASSERT_TRUE(MoveAppWindow(a, Rect{1, 2, 3, 4}));
  ASSERT_TRUE(GetWindowRect(a, &r));
  EXPECT_EQ(r, (Rect{1, 2, 3, 4}));
  EXPECT_FALSE(GetWindowRect(a, nullptr));
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
  DispatchMessage(m);
  EXPECT_EQ(last_lparam_, PackPoint(3, 4));
  ASSERT_TRUE(PeekMessage(&m, true));
  EXPECT_EQ(m.window, nullptr);
  EXPECT_EQ(DispatchMessage(m), 0);  // thread messages go nowhere
  EXPECT_EQ(Describe('-', m.id, m.w_param), "- 0x12 5");
  EXPECT_FALSE(PeekMessage(&m, true));
  EXPECT_EQ(seen_, (Seen{"a 0x100 65", "a 0x201 1"}));
}

TEST_F(WindowTest, DestroyingAWindowDropsItsQueuedMessagesEvenFromItsOwnProcedure) {
  WindowHandle a = Make();
  Make();
  PostMessage(a, 0x401, 0, 0);
  PostMessage(made_[1], 0x401, 1, 0);
  PostMessage(a, 0x401, 2, 0);
  DestroyAppWindow(a);
  EXPECT_EQ(Take(), Seen{"b 0x401 1"});
  int calls = 0;
  WindowHandle self = CreateAppWindow(
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

TEST_F(WindowTest, MessageParametersPackAndUnpack) {
  for (const auto& [x, y] : std::initializer_list<std::pair<int32_t, int32_t>>{
           {0, 0}, {239, 319}, {-1, -1}, {-32768, 32767}, {640, -5}}) {
    SCOPED_TRACE(testing::Message() << x << "," << y);
    EXPECT_EQ(PointX(PackPoint(x, y)), x);  // signed 16-bit halves
    EXPECT_EQ(PointY(PackPoint(x, y)), y);
  }
  EXPECT_EQ(PackPoint(3, 4), 0x00040003);
  struct Row { bool down, repeat; uint32_t bits; };
  for (const Row& r : {Row{true, false, 0x00000001u}, Row{true, true, 0x40000001u}, Row{false, false, 0xC0000001u},
                       Row{false, true, 0xC0000001u}}) {
    SCOPED_TRACE(testing::Message() << r.down << r.repeat);
    EXPECT_EQ(static_cast<uint32_t>(KeyLParam(r.down, r.repeat)), r.bits);
    EXPECT_EQ(IsAutoRepeat(KeyLParam(r.down, r.repeat)), r.repeat || !r.down);
  }
}

TEST_F(WindowTest, InjectedKeysUpdateKeyStateAndLockKeysToggle) {
  WindowHandle w = Make();
  ClearMessages();
  EXPECT_EQ(GetKeyState(kVkShift), 0);
  ASSERT_TRUE(InjectKey(w, kVkShift, true));
  EXPECT_EQ(static_cast<uint16_t>(GetKeyState(kVkShift)), 0x8000);
  ASSERT_TRUE(InjectKey(w, kVkShift, true, true));  // auto-repeat
  ASSERT_TRUE(InjectKey(w, kVkShift, false));
  EXPECT_EQ(GetKeyState(kVkShift), 0);
  Message m;
  for (const bool repeat : {false, true}) {
    ASSERT_TRUE(PeekMessage(&m, true));
    EXPECT_EQ(m.id, kMsgKeyDown);
    EXPECT_EQ(IsAutoRepeat(m.l_param), repeat);
  }
  ASSERT_TRUE(PeekMessage(&m, true));
  EXPECT_EQ(m.id, kMsgKeyUp);
  InjectKey(w, kVkNumLock, true);
  EXPECT_EQ(static_cast<uint16_t>(GetKeyState(kVkNumLock)), 0x8001);
  InjectKey(w, kVkNumLock, true, true);  // held: no second toggle
  InjectKey(w, kVkNumLock, false);
  EXPECT_EQ(GetKeyState(kVkNumLock), 1);
  InjectKey(w, kVkNumLock, true);
  InjectKey(w, kVkNumLock, false);
  EXPECT_EQ(GetKeyState(kVkNumLock), 0);
  EXPECT_FALSE(InjectKey(w, 256, true));
  EXPECT_FALSE(InjectKey(w, -1, true));
  EXPECT_EQ(GetKeyState(300), 0);
  EXPECT_EQ(GetKeyState(-3), 0);
  // The stylus: down and up only, with signed coordinates.
  ClearMessages();
  EXPECT_TRUE(InjectStylus(w, kMsgStylusDown, 5, -2));
  EXPECT_TRUE(InjectStylus(w, kMsgStylusUp, 5, 6));
  EXPECT_FALSE(InjectStylus(w, kMsgKeyDown, 5, 6));
  ASSERT_TRUE(PeekMessage(&m, true));
  EXPECT_EQ(Describe('a', m.id, m.w_param), "a 0x201 1");
  EXPECT_EQ(PointY(m.l_param), -2);
  EXPECT_EQ(Take(), Seen{"a 0x202 0"});
}

TEST_F(WindowTest, ForegroundChangesArriveAsActivationMessages) {
  WindowHandle a = Make();
  WindowHandle b = Make();
  ClearMessages();
  ASSERT_TRUE(SetForegroundWindow(a));
  ASSERT_TRUE(SetForegroundWindow(a));  // already in front: nothing new
  ASSERT_TRUE(SetForegroundWindow(b));
  EXPECT_EQ(ForegroundWindow(), b);
  EXPECT_EQ(Take(), (Seen{"a 0x6 1", "a 0x6 0", "b 0x6 1"}));
  DestroyAppWindow(b);
  EXPECT_EQ(ForegroundWindow(), nullptr);
}

TEST_F(WindowTest, CopyToWindowLandsBelowTheShellBarAndIsClipped) {
  DeviceConfig c = DeviceConfig::WithPitchSigns(8, 10, 1, 1);
  c.work_area_top = 2;
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
  EXPECT_NE(TheDevice().ScreenPixel(0, 1), 0x0001);  // the shell bar is not written
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
  for (int i = 0; i < 8; ++i) static_cast<uint16_t*>(bits)[i] = static_cast<uint16_t>(0xA0 + i);
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

TEST_F(WindowTest, WaitMessageAndMessageBoxes) {
  ManualClock clock(1000);
  ScopedClock use(&clock);
  EXPECT_FALSE(WaitMessage(250));
  EXPECT_GE(clock.TickCount(), 1250u);
  PostMessage(Make(), 0x401, 0, 0);
  EXPECT_TRUE(WaitMessage(250));
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

}  // namespace
}  // namespace abacine::platform

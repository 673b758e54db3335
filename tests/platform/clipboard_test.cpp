// The clipboard as the calculator will use it (copy the input line, paste
// into it): the in-process clipboard of headless runs and SDL's, through
// the backend that is current; and the reset that every suite starts from.
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>

#include "platform/controls.h"
#include "platform/platform.h"
#include "support/sdl_dummy.h"

namespace abacine::platform {
namespace {

struct ClipRow {
  const char* what;
  std::u16string text;
  std::u16string back;  // what reading gives afterwards
};

// Rows for both clipboards; `desktop` says how lone surrogates come back.
std::vector<ClipRow> Rows(bool desktop) {
  const std::u16string lone(1, char16_t{0xD800});
  return {
      {"empty", u"", u""},
      {"ascii", u"12+3", u"12+3"},
      {"calculator signs", u"2\u0080" u"3\u00ED", u"2\u0080" u"3\u00ED"},
      {"outside the BMP", u"\U0001F600x", u"\U0001F600x"},
      {"a NUL ends the text", std::u16string(u"ab\0cd", 5), u"ab"},
      {"lone surrogate", u"a" + lone, desktop ? u"a\uFFFD" : u"a" + lone},
  };
}

void CheckRoundTrips(bool desktop) {
  EXPECT_EQ(GetClipboardText(), std::nullopt) << "a new clipboard holds nothing";
  for (const ClipRow& row : Rows(desktop)) {
    SCOPED_TRACE(row.what);
    ASSERT_TRUE(SetClipboardText(row.text));
    EXPECT_EQ(GetClipboardText(), std::optional<std::u16string>(row.back));
  }
}

class ClipboardTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(ResetForTesting()); }
  void TearDown() override { ResetForTesting(); }
};

TEST_F(ClipboardTest, HeadlessKeepsTheTextInTheProcess) { CheckRoundTrips(false); }

TEST_F(ClipboardTest, ABackendOfItsOwnStartsEmpty) {
  ASSERT_TRUE(SetClipboardText(u"kept"));
  class Plain final : public Backend {
    void PumpEvents() override {}
    void WaitForEvents(uint32_t) override {}
    void ShowMessageBox(std::u16string_view, std::u16string_view) override {}
  };
  SetBackend(std::make_unique<Plain>());
  EXPECT_EQ(GetClipboardText(), std::nullopt);
  ASSERT_TRUE(SetClipboardText(u"mine"));
  EXPECT_EQ(CurrentBackend().GetClipboard().GetText(), std::optional<std::u16string>(u"mine"));
}

// SDL's clipboard with its dummy video driver: the same calls reach SDL and
// come back through UTF-8.
TEST_F(ClipboardTest, SdlClipboardRoundTripsThroughUtf8) {
  std::string error;
  std::unique_ptr<Backend> sdl = testing::OpenDummySdlBackend(&error);
  if (sdl == nullptr) GTEST_SKIP() << "no SDL video: " << error;
  SetBackend(std::move(sdl));
  SetClipboardText(u"");  // SDL keeps its text for the process
  for (const ClipRow& row : Rows(true)) {
    SCOPED_TRACE(row.what);
    ASSERT_TRUE(SetClipboardText(row.text));
    // SDL reports an empty clipboard as holding no text.
    EXPECT_EQ(GetClipboardText().value_or(u""), row.back);
  }
}

TEST(ResetForTesting, LeavesNothingBehindButWindows) {
  const WindowHandle w = CreateAppWindow(WindowDesc{u"C", u"T", false, {}},
                                         [](auto...) { return intptr_t{0}; }, nullptr);
  ASSERT_TRUE(InjectKey(w, kVkShift, true));
  SetKeyToggled(kVkNumLock, true);
  ShowMessageBox(w, u"text", u"Error", kMessageBoxStopForeground);
  ASSERT_TRUE(SetClipboardText(u"x"));
  TheDevice().RecordGameApiCall(0, 1);
  DeviceConfig small = DeviceConfig::WithPitchSigns(24, 32, 1, 1);
  small.work_area_top = 4;

  ASSERT_TRUE(ResetForTesting(small));
  EXPECT_EQ(PendingMessageCount(), 0u);
  EXPECT_EQ(GetKeyState(kVkShift), 0);
  EXPECT_EQ(GetKeyState(kVkNumLock), 0);
  EXPECT_TRUE(ShownMessageBoxes().empty());
  EXPECT_EQ(GetClipboardText(), std::nullopt);
  EXPECT_TRUE(TheDevice().GameApiLog().empty());
  EXPECT_EQ(TheDevice().ScreenWidth(), 24);
  EXPECT_EQ(TheDevice().WorkAreaTop(), 4);
  EXPECT_TRUE(IsWindow(w)) << "windows belong to their owners";

  DeviceConfig bad;
  bad.width = 0;
  EXPECT_FALSE(ResetForTesting(bad));
  EXPECT_EQ(TheDevice().ScreenWidth(), 24) << "a refused device keeps the old one";
  DestroyAppWindow(w);
  ResetForTesting();
}

}  // namespace
}  // namespace abacine::platform

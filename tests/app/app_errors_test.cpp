// The error texts and the runs that end before or instead of the frame loop.
#include <gtest/gtest.h>

#include <string>

#include "app/app_framework.h"
#include "app_test_util.h"

namespace abacine::testing {
namespace {

using platform::TheDevice;

class ErrorTest : public PlatformTest {};

TEST_F(ErrorTest, ErrorTextsAreExact) {
  struct Row {
    const char16_t* text;
    uint32_t code;
    ResultCode result;
    const char16_t* shown;
  };
  const Row rows[] = {
      {u"Out of memory.", 0, kOk, u"Out of memory."},
      {u"Invalid configuration.", 0, kOk, u"Invalid configuration."},
      {u"Could not register main window class.", 0, kOk,
       u"Could not register main window class."},
      {u"Could not create main window.", 0, kOk, u"Could not create main window."},
      {u"Could not change display mode.", 0xC8660100u, kOk,
       u"Could not change display mode.\nError code=0xc8660100."},
      {u"Could not open display.", 0x80070057u, kOk,
       u"Could not open display.\nError code=0x80070057."},
      {u"Could not open display.", 0xC86600ABu, kOk,
       u"Could not open display.\nError code=0xc86600ab."},
      {u"Small.", 0x1u, kOk, u"Small.\nError code=0x1."},
      {u"Could not open display.", 0xC8660110u, kOk,
       u"This application requires a 16-bit Pocket PC or Smartphone."},
      {u"Could not open display.", 0xC8660120u, kOk,
       u"Missing or incorrect file: \"gx.dll\". Please copy this file to the \\windows "
       u"folder on this device."},
      {u"", 0, kOk, u""},
      {nullptr, 0x80070057u, kErrInvalidArg, u"Invalid error code description."},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text == nullptr ? "null" : platform::ToUtf8(row.text));
    ProbeApp app(ProbeConfig(true));
    EXPECT_EQ(app.setErrorMessage(row.text, static_cast<ResultCode>(row.code)), row.result);
    EXPECT_EQ(app.errorText(), row.shown);
  }
}

TEST_F(ErrorTest, ErrorTextStaysWithinItsBuffer) {
  ProbeApp app(ProbeConfig(true));
  const std::u16string longText(400, u'x');
  ASSERT_EQ(app.setErrorMessage(longText.c_str(), kErrInvalidArg), kOk);
  EXPECT_EQ(app.errorText(), std::u16string(259, u'x'));
  const std::u16string nearly(250, u'y');
  ASSERT_EQ(app.setErrorMessage(nearly.c_str(), kErrInvalidArg), kOk);
  EXPECT_EQ(app.errorText(), nearly + u"\nError co");
  EXPECT_EQ(app.errorText().size(), 259u);
}

struct RunRow {
  const char* what;
  bool shell;
  // Changes the configuration, the device or the library before the app is
  // made, then the app before it runs.
  std::function<void(AppConfig&)> before;
  std::function<void(ProbeApp&)> prepare;
  uint32_t result;
  const char16_t* text;
  bool box;  // the window existed, so the text is shown in the "Error" box
};

TEST_F(ErrorTest, RunsThatCannotStartReportOnceAndCleanUp) {
  const std::u16string longName(300, u'n');
  auto none = [](AppConfig&) {};
  auto as_is = [](ProbeApp&) {};
  const RunRow rows[] = {
      {"companions missing", true, none, [](ProbeApp& app) { app.dropCompanionsForTesting(); },
       0x8007000Eu, u"Out of memory.", false},
      {"no instance", true, [](AppConfig& c) { c.instance = 0; }, as_is, 0x80070057u,
       u"Invalid configuration.", false},
      {"no name", true, [](AppConfig& c) { c.appName = nullptr; }, as_is, 0x80070057u,
       u"Invalid configuration.", false},
      {"class name too long", true, [&](AppConfig& c) { c.appName = longName.c_str(); }, as_is,
       0x80004005u, u"Could not register main window class.", false},
      {"no desktop window", true, none,
       [](ProbeApp& app) { app.setHostStarter([] { return false; }); }, 0x80004005u,
       u"Could not create main window.", false},
      {"top bar as high as the screen", true,
       [](AppConfig&) {
         platform::DeviceConfig device;
         device.workAreaTop = 640;
         ASSERT_TRUE(TheDevice().Reset(device));
       },
       as_is, 0x80070057u, u"Could not open display.\nError code=0x80070057.", false},
      {"full screen without the Game API", false,
       [](AppConfig&) { GameApiLibrary::Instance().SetSearchList({}); }, as_is, 0xC8660120u,
       u"Missing or incorrect file: \"gx.dll\". Please copy this file to the \\windows folder "
       u"on this device.",
       true},
      {"full screen on an 8-bit device", false,
       [](AppConfig&) {
         platform::DeviceConfig device;
         device.bitsPerPixel = 8;
         ASSERT_TRUE(TheDevice().Reset(device));
       },
       as_is, 0xC8660110u, u"This application requires a 16-bit Pocket PC or Smartphone.", true},
      {"full screen with display mode 0", false, [](AppConfig& c) { c.displayMode = 0x10; },
       as_is, 0xC8660100u, u"Could not change display mode.\nError code=0xc8660100.", true},
      {"shell mode without the Game API keys", true,
       [](AppConfig&) { GameApiLibrary::Instance().SetSearchList({}); }, as_is, 0xC8660120u, u"",
       false},
  };
  for (const RunRow& row : rows) {
    SCOPED_TRACE(row.what);
    platform::ClearMessages();
    platform::ClearShownMessageBoxes();
    ASSERT_TRUE(TheDevice().Reset(platform::DeviceConfig{}));
    GameApiLibrary::Instance().Unload();
    GameApiLibrary::Instance().SetSearchList({GameApiPath()});

    AppConfig config = ProbeConfig(row.shell);
    row.before(config);
    ProbeApp app(config);
    row.prepare(app);
    app.setFrameLimit(5);

    EXPECT_EQ(app.run(), static_cast<ResultCode>(row.result));
    EXPECT_EQ(app.errorText(), row.text);
    EXPECT_EQ(app.errorShown(), row.box);
    const auto& boxes = platform::ShownMessageBoxes();
    ASSERT_EQ(boxes.size(), row.box ? 1u : 0u);
    if (row.box) {
      EXPECT_EQ(boxes[0].text, row.text);
      EXPECT_EQ(boxes[0].caption, u"Error");
      EXPECT_EQ(boxes[0].style, 0x00010010u);
    }
    EXPECT_EQ(app.Count("onStart"), 0) << "the loop never started";
    EXPECT_TRUE(app.drawTicks.empty());
    EXPECT_EQ(platform::WindowCount(), 0u) << "no window outlives the run";
  }
}

}  // namespace
}  // namespace abacine::testing

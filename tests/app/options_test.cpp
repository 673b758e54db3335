#include "app/options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace abacine {
namespace {

using Args = std::vector<std::string>;

TEST(Options, DefaultsDescribeAnUpright480By640DeviceInAWindow) {
  const ParseOutcome outcome = ParseCommandLine({});
  ASSERT_EQ(outcome.action, ParseAction::kRun);
  const ProgramOptions& o = outcome.options;
  EXPECT_EQ(o.screenWidth, 480);
  EXPECT_EQ(o.screenHeight, 640);
  EXPECT_EQ(o.topBar, 0);
  EXPECT_FALSE(o.fullScreen);
  EXPECT_FALSE(o.headless);
  EXPECT_EQ(o.frames, 0u);
  EXPECT_EQ(WindowScale(o), 1);
  const platform::DeviceConfig device = DeviceConfigFor(o);
  EXPECT_EQ(device.width, 480);
  EXPECT_EQ(device.height, 640);
  EXPECT_EQ(device.workAreaTop, 0);
  EXPECT_FALSE(device.rawFrameBuffer);
}

TEST(Options, AcceptedValues) {
  struct Row {
    Args args;
    std::function<void(const ProgramOptions&)> check;
  };
  const Row rows[] = {
      {{"--screen", "240x320"},
       [](const ProgramOptions& o) {
         EXPECT_EQ(o.screenWidth, 240);
         EXPECT_EQ(o.screenHeight, 320);
         EXPECT_EQ(WindowScale(o), 2);
       }},
      {{"--screen=320x240"},
       [](const ProgramOptions& o) {
         EXPECT_EQ(o.screenWidth, 320);
         EXPECT_EQ(o.screenHeight, 240);
       }},
      {{"--screen", "640x480", "--scale", "3"},
       [](const ProgramOptions& o) {
         EXPECT_EQ(o.screenWidth, 640);
         EXPECT_EQ(WindowScale(o), 3);
       }},
      {{"--scale=8"}, [](const ProgramOptions& o) { EXPECT_EQ(o.scale, 8); }},
      {{"--top-bar", "26"}, [](const ProgramOptions& o) { EXPECT_EQ(o.topBar, 26); }},
      {{"--screen", "320x240", "--top-bar", "239"},
       [](const ProgramOptions& o) { EXPECT_EQ(o.topBar, 239); }},
      {{"--fullscreen", "--headless", "--raw-frame-buffer"},
       [](const ProgramOptions& o) {
         EXPECT_TRUE(o.fullScreen);
         EXPECT_TRUE(o.headless);
         EXPECT_TRUE(DeviceConfigFor(o).rawFrameBuffer);
       }},
      {{"--registry", "/tmp/x.reg"},
       [](const ProgramOptions& o) { EXPECT_EQ(o.registryFile, "/tmp/x.reg"); }},
      {{"--oem", "Compaq iPAQ H3800"},
       [](const ProgramOptions& o) {
         EXPECT_EQ(o.oem, u"Compaq iPAQ H3800");
         EXPECT_EQ(DeviceConfigFor(o).oemInfo, u"Compaq iPAQ H3800");
       }},
      {{"--oem", "Gr\xC3\xBC\xC3\x9F \xF0\x9F\x98\x80"},  // "Grüß" and an emoji
       [](const ProgramOptions& o) { EXPECT_EQ(o.oem, u"Gr\u00FC\u00DF \U0001F600"); }},
      {{"--oem="}, [](const ProgramOptions& o) { EXPECT_TRUE(o.oem.empty()); }},
      {{"--os-version", "4.21"},
       [](const ProgramOptions& o) {
         const platform::DeviceConfig d = DeviceConfigFor(o);
         EXPECT_EQ(d.osMajor, 4u);
         EXPECT_EQ(d.osMinor, 21u);
       }},
      {{"--frames", "1"}, [](const ProgramOptions& o) { EXPECT_EQ(o.frames, 1u); }},
      {{"--frames=4294967295"},
       [](const ProgramOptions& o) { EXPECT_EQ(o.frames, 4294967295u); }},
      {{"--screenshot", "out.png"},
       [](const ProgramOptions& o) { EXPECT_EQ(o.screenshot, "out.png"); }},
      {{"--scale", "2", "--scale", "5"},
       [](const ProgramOptions& o) { EXPECT_EQ(o.scale, 5) << "the last one wins"; }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(::testing::PrintToString(row.args));
    const ParseOutcome outcome = ParseCommandLine(row.args);
    ASSERT_EQ(outcome.action, ParseAction::kRun) << outcome.message;
    row.check(outcome.options);
  }
}

TEST(Options, RejectedWithAClearMessage) {
  struct Row {
    Args args;
    std::string message;
  };
  const Row rows[] = {
      {{"--bogus"}, "unknown option '--bogus'"},
      {{"--bogus=1"}, "unknown option '--bogus'"},
      {{"-x"}, "unexpected argument '-x'"},
      {{"file.txt"}, "unexpected argument 'file.txt'"},
      {{"--"}, "unexpected argument '--'"},
      {{"--screen"}, "option '--screen' needs a value"},
      {{"--screen", "800x600"},
       "bad value '800x600' for --screen: expected 240x320, 320x240, 480x640 or 640x480"},
      {{"--screen", "480X640"},
       "bad value '480X640' for --screen: expected 240x320, 320x240, 480x640 or 640x480"},
      {{"--scale", "0"}, "bad value '0' for --scale: expected a whole number from 1 to 8"},
      {{"--scale", "9"}, "bad value '9' for --scale: expected a whole number from 1 to 8"},
      {{"--scale", "-1"}, "bad value '-1' for --scale: expected a whole number from 1 to 8"},
      {{"--scale", "2x"}, "bad value '2x' for --scale: expected a whole number from 1 to 8"},
      {{"--scale="}, "bad value '' for --scale: expected a whole number from 1 to 8"},
      {{"--top-bar", "640"},
       "bad value '640' for --top-bar: must be less than the screen height (640)"},
      {{"--top-bar", "300", "--screen", "320x240"},
       "bad value '300' for --top-bar: must be less than the screen height (240)"},
      {{"--top-bar", "99999999999999999999999"},
       "bad value '99999999999999999999999' for --top-bar: expected a height in pixels"},
      {{"--fullscreen=yes"}, "option '--fullscreen' takes no value"},
      {{"--registry", ""}, "bad value '' for --registry: expected a file name"},
      {{"--oem", "\xC3"}, "bad value '\xC3' for --oem: not valid UTF-8"},
      {{"--oem", "\xED\xA0\x80"}, "bad value '\xED\xA0\x80' for --oem: not valid UTF-8"},
      {{"--oem", "\xC0\xAF"}, "bad value '\xC0\xAF' for --oem: not valid UTF-8"},
      {{"--oem", std::string(200, 'o')},
       "bad value '" + std::string(200, 'o') + "' for --oem: longer than 199 characters"},
      {{"--os-version", "5"}, "bad value '5' for --os-version: expected MAJOR.MINOR, for example 5.2"},
      {{"--os-version", "5."}, "bad value '5.' for --os-version: expected MAJOR.MINOR, for example 5.2"},
      {{"--os-version", "5.1.2"},
       "bad value '5.1.2' for --os-version: expected MAJOR.MINOR, for example 5.2"},
      {{"--os-version", "100000.0"},
       "bad value '100000.0' for --os-version: expected MAJOR.MINOR, for example 5.2"},
      {{"--frames", "0"},
       "bad value '0' for --frames: expected a whole number of frames from 1 to 4294967295"},
      {{"--frames", "4294967296"},
       "bad value '4294967296' for --frames: expected a whole number of frames from 1 to "
       "4294967295"},
      {{"--frames", "18446744073709551616"},
       "bad value '18446744073709551616' for --frames: expected a whole number of frames from 1 "
       "to 4294967295"},
      {{"--screenshot="}, "bad value '' for --screenshot: expected a file name"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(::testing::PrintToString(row.args));
    const ParseOutcome outcome = ParseCommandLine(row.args);
    EXPECT_EQ(outcome.action, ParseAction::kError);
    EXPECT_EQ(outcome.message, row.message);
  }
}

TEST(Options, HelpAndVersionWinOverWhatFollows) {
  EXPECT_EQ(ParseCommandLine({"--help", "--bogus"}).action, ParseAction::kHelp);
  EXPECT_EQ(ParseCommandLine({"-h"}).action, ParseAction::kHelp);
  EXPECT_EQ(ParseCommandLine({"--screen", "240x320", "--version", "x"}).action,
            ParseAction::kVersion);
  EXPECT_EQ(ParseCommandLine({"--bogus", "--help"}).action, ParseAction::kError);
}

TEST(Options, HelpNamesEveryOptionAndTheDeviceKeys) {
  const std::string help = HelpText();
  const char* needed[] = {"--screen", "--scale", "--top-bar", "--fullscreen", "--headless",
                          "--raw-frame-buffer", "--registry", "--oem", "--os-version",
                          "--frames", "--screenshot", "--help", "--version", "240x320",
                          "320x240", "480x640", "640x480", "F8", "F9", "F10", "F11", "F12",
                          "Start", "Arrow keys", "second start"};
  for (const char* word : needed) {
    SCOPED_TRACE(word);
    EXPECT_NE(help.find(word), std::string::npos);
  }
  EXPECT_EQ(VersionText().rfind("abacine ", 0), 0u);
}

TEST(Options, Utf8DecodingIsStrict) {
  struct Row {
    std::string in;
    bool ok;
    std::u16string out;
  };
  const Row rows[] = {
      {"", true, u""},
      {"abc", true, u"abc"},
      {"\xC2\x80", true, u"\u0080"},
      {"\xEF\xBF\xBD", true, u"\uFFFD"},
      {"\xF4\x8F\xBF\xBF", true, u"\U0010FFFF"},
      {"\xF4\x90\x80\x80", false, u""},  // above U+10FFFF
      {"\xE0\x80\x80", false, u""},      // overlong
      {"\xC1\xBF", false, u""},          // overlong lead byte
      {"\x80", false, u""},              // lone continuation
      {"\xE2\x82", false, u""},          // cut short
      {"\xF0\x9F\x98", false, u""},      // cut short at the end
      {"\xFF", false, u""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(::testing::PrintToString(row.in));
    std::u16string out = u"unchanged";
    EXPECT_EQ(Utf8ToUtf16(row.in, &out), row.ok);
    EXPECT_EQ(out, row.ok ? row.out : u"unchanged");
  }
}

}  // namespace
}  // namespace abacine

#include "app/options.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace abacine {
namespace {

using Args = std::vector<std::string>;

// Every field, so that a row also catches an option that changed another.
auto Fields(const ProgramOptions& o) {
  return std::make_tuple(o.screenWidth, o.screenHeight, o.scale, o.topBar, o.fullScreen,
                         o.headless, o.rawFrameBuffer, o.registryFile, o.oemGiven, o.oem,
                         o.osVersionGiven, o.osMajor, o.osMinor, o.frames, o.screenshot, o.script);
}

TEST(Options, AcceptedValuesChangeOnlyTheirField) {
  const struct {
    Args args;
    std::function<void(ProgramOptions&)> expect;  // applied to the defaults
  } rows[] = {
      {{}, [](ProgramOptions&) {}},
      {{"--screen", "240x320"},
       [](ProgramOptions& o) { o.screenWidth = 240, o.screenHeight = 320; }},
      {{"--screen=320x240"}, [](ProgramOptions& o) { o.screenWidth = 320, o.screenHeight = 240; }},
      {{"--screen", "640x480", "--scale", "3"},
       [](ProgramOptions& o) { o.screenWidth = 640, o.screenHeight = 480, o.scale = 3; }},
      {{"--scale=8"}, [](ProgramOptions& o) { o.scale = 8; }},
      {{"--scale", "2", "--scale", "5"}, [](ProgramOptions& o) { o.scale = 5; }},  // last wins
      {{"--top-bar", "26"}, [](ProgramOptions& o) { o.topBar = 26; }},
      {{"--screen", "320x240", "--top-bar", "239"},
       [](ProgramOptions& o) { o.screenWidth = 320, o.screenHeight = 240, o.topBar = 239; }},
      {{"--fullscreen", "--headless", "--raw-frame-buffer"},
       [](ProgramOptions& o) { o.fullScreen = o.headless = o.rawFrameBuffer = true; }},
      {{"--registry", "/tmp/x.reg"}, [](ProgramOptions& o) { o.registryFile = "/tmp/x.reg"; }},
      // UTF-8 of two, three and four bytes up to the last code point.
      {{"--oem", "Gr\xC3\xBC\xC3\x9F \xF0\x9F\x98\x80 \xC2\x80\xEF\xBF\xBD\xF4\x8F\xBF\xBF"},
       [](ProgramOptions& o) {
         o.oemGiven = true, o.oem = u"Gr\u00FC\u00DF \U0001F600 \u0080\uFFFD\U0010FFFF";
       }},
      {{"--oem="}, [](ProgramOptions& o) { o.oemGiven = true; }},
      {{"--oem", std::string(199, 'o')},
       [](ProgramOptions& o) { o.oemGiven = true, o.oem = std::u16string(199, u'o'); }},
      {{"--os-version", "4.21"},
       [](ProgramOptions& o) { o.osVersionGiven = true, o.osMajor = 4, o.osMinor = 21; }},
      {{"--frames", "1"}, [](ProgramOptions& o) { o.frames = 1; }},
      {{"--frames=4294967295"}, [](ProgramOptions& o) { o.frames = 4294967295u; }},
      {{"--screenshot", "out.png"}, [](ProgramOptions& o) { o.screenshot = "out.png"; }},
      {{"--script", "-"}, [](ProgramOptions& o) { o.script = "-"; }},
      {{"--script=run.txt"}, [](ProgramOptions& o) { o.script = "run.txt"; }},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(::testing::PrintToString(row.args));
    const ParseOutcome outcome = ParseCommandLine(row.args);
    ASSERT_EQ(outcome.action, ParseAction::kRun) << outcome.message;
    ProgramOptions expected;
    expected.screenWidth = 480, expected.screenHeight = 640;  // upright VGA, in a window
    row.expect(expected);
    EXPECT_EQ(Fields(outcome.options), Fields(expected));
  }
}

// The screen size and top bar reach the device as the program's
// screenshots show; here the scale and what only the device reports.
TEST(Options, WindowScaleAndDeviceFollowTheOptions) {
  const std::pair<Args, int32_t> scales[] = {{{}, 1},
                                             {{"--screen", "240x320"}, 2},
                                             {{"--screen", "320x240"}, 2},
                                             {{"--screen", "640x480", "--scale", "3"}, 3}};
  for (const auto& [args, scale] : scales) {
    EXPECT_EQ(WindowScale(ParseCommandLine(args).options), scale) << ::testing::PrintToString(args);
  }
  const platform::DeviceConfig d = DeviceConfigFor(ParseCommandLine(
      {"--raw-frame-buffer", "--oem", "Compaq iPAQ H3800", "--os-version", "4.21"}).options);
  EXPECT_EQ(std::make_tuple(d.raw_frame_buffer, d.oem_info, d.os_major, d.os_minor),
            std::make_tuple(true, std::u16string(u"Compaq iPAQ H3800"), 4u, 21u));
  const platform::DeviceConfig plain = DeviceConfigFor(ParseCommandLine({}).options);
  EXPECT_EQ(std::make_tuple(plain.raw_frame_buffer, plain.oem_info, plain.os_major, plain.os_minor),
            std::make_tuple(false, platform::DeviceConfig{}.oem_info, 5u, 0u));
}

TEST(Options, RejectedWithAClearMessage) {
  const std::string screen = "expected 240x320, 320x240, 480x640 or 640x480";
  const std::string scale = "expected a whole number from 1 to 8";
  const std::string utf8 = "not valid UTF-8";
  const std::string version = "expected MAJOR.MINOR, for example 5.2";
  const std::string frames = "expected a whole number of frames from 1 to 4294967295";
  const std::string o200(200, 'o');
  const struct {
    Args args;
    std::string message;
  } rows[] = {
      {{"--bogus"}, "unknown option '--bogus'"},
      {{"--bogus=1"}, "unknown option '--bogus'"},
      {{"-x"}, "unexpected argument '-x'"},
      {{"file.txt"}, "unexpected argument 'file.txt'"},
      {{"--"}, "unexpected argument '--'"},
      {{"--bogus", "--help"}, "unknown option '--bogus'"},
      {{"--screen"}, "option '--screen' needs a value"},
      {{"--fullscreen=yes"}, "option '--fullscreen' takes no value"},
      {{"--screen", "800x600"}, "bad value '800x600' for --screen: " + screen},
      {{"--screen", "480X640"}, "bad value '480X640' for --screen: " + screen},
      {{"--scale", "0"}, "bad value '0' for --scale: " + scale},
      {{"--scale", "9"}, "bad value '9' for --scale: " + scale},
      {{"--scale", "-1"}, "bad value '-1' for --scale: " + scale},
      {{"--scale", "2x"}, "bad value '2x' for --scale: " + scale},
      {{"--scale="}, "bad value '' for --scale: " + scale},
      {{"--top-bar", "640"},
       "bad value '640' for --top-bar: must be less than the screen height (640)"},
      {{"--top-bar", "300", "--screen", "320x240"},
       "bad value '300' for --top-bar: must be less than the screen height (240)"},
      {{"--top-bar", "99999999999999999999999"},
       "bad value '99999999999999999999999' for --top-bar: expected a height in pixels"},
      {{"--registry", ""}, "bad value '' for --registry: expected a file name"},
      {{"--screenshot="}, "bad value '' for --screenshot: expected a file name"},
      {{"--script="}, "bad value '' for --script: expected a file name, or - for standard input"},
      {{"--script"}, "option '--script' needs a value"},
      {{"--oem", "\xC3"}, "bad value '\xC3' for --oem: " + utf8},              // cut short
      {{"--oem", "a\xE2\x82"}, "bad value 'a\xE2\x82' for --oem: " + utf8},      // cut short
      {{"--oem", "\xF0\x9F\x98"}, "bad value '\xF0\x9F\x98' for --oem: " + utf8},  // at the end
      {{"--oem", "\xED\xA0\x80"}, "bad value '\xED\xA0\x80' for --oem: " + utf8},  // surrogate
      {{"--oem", "\xC0\xAF"}, "bad value '\xC0\xAF' for --oem: " + utf8},      // overlong
      {{"--oem", "\xC1\xBF"}, "bad value '\xC1\xBF' for --oem: " + utf8},      // overlong
      {{"--oem", "\xE0\x80\x80"}, "bad value '\xE0\x80\x80' for --oem: " + utf8},  // overlong
      {{"--oem", "\xF4\x90\x80\x80"}, "bad value '\xF4\x90\x80\x80' for --oem: " + utf8},
      {{"--oem", "\x80"}, "bad value '\x80' for --oem: " + utf8},  // lone continuation
      {{"--oem", "\xFF"}, "bad value '\xFF' for --oem: " + utf8},
      {{"--oem", o200}, "bad value '" + o200 + "' for --oem: longer than 199 characters"},
      {{"--os-version", "5"}, "bad value '5' for --os-version: " + version},
      {{"--os-version", "5."}, "bad value '5.' for --os-version: " + version},
      {{"--os-version", "5.1.2"}, "bad value '5.1.2' for --os-version: " + version},
      {{"--os-version", "100000.0"}, "bad value '100000.0' for --os-version: " + version},
      {{"--frames", "0"}, "bad value '0' for --frames: " + frames},
      {{"--frames", "4294967296"}, "bad value '4294967296' for --frames: " + frames},
      {{"--frames", "18446744073709551616"},
       "bad value '18446744073709551616' for --frames: " + frames},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(::testing::PrintToString(row.args));
    const ParseOutcome outcome = ParseCommandLine(row.args);
    EXPECT_EQ(outcome.action, ParseAction::kError);
    EXPECT_EQ(outcome.message, row.message);
  }
}

TEST(Options, HelpAndVersionWinOverWhatFollowsAndNameEverything) {
  EXPECT_EQ(ParseCommandLine({"--help", "--bogus"}).action, ParseAction::kHelp);
  EXPECT_EQ(ParseCommandLine({"-h"}).action, ParseAction::kHelp);
  EXPECT_EQ(ParseCommandLine({"--screen", "240x320", "--version", "x"}).action,
            ParseAction::kVersion);
  EXPECT_EQ(VersionText().rfind("abacine ", 0), 0u);
  const std::string help = HelpText();
  for (const char* word :
       {"--screen", "--scale", "--top-bar", "--fullscreen", "--headless", "--raw-frame-buffer",
        "--registry", "--oem", "--os-version", "--frames", "--screenshot", "--script", "--help",
        "--version", "tap X Y", "press LABEL", "key NAME", "type TEXT", "clipboard TEXT",
        "frames N", "rotate", "screenshot FILE.png", "state", "quit", "script:LINE",
        "240x320", "320x240", "480x640", "640x480", "F8", "F9", "F10", "F11", "F12", "Start",
        "Arrow keys", "second start", "Ctrl+Shift+P", "Ctrl+V", "Backspace", "Num Lock",
        "The i button", "--registry, else in $ABACINE_REGISTRY",
        "$XDG_CONFIG_HOME/abacine/settings.reg", "~/.config/abacine/settings.reg"}) {
    EXPECT_NE(help.find(word), std::string::npos) << word;
  }
}

// One table serves both programs: the demo takes the shared options with
// the same meaning and refuses the calculator's own.
TEST(Options, TheDemoTakesTheSharedOptionsOnly) {
  const struct {
    Args args;
    bool demo_takes;
  } rows[] = {
      {{"--screen", "320x240"}, true}, {{"--scale=3"}, true},       {{"--fullscreen"}, true},
      {{"--headless"}, true},          {{"--frames", "7"}, true},   {{"--screenshot", "a.png"}, true},
      {{"--top-bar", "20"}, false},    {{"--oem", "x"}, false},     {{"--os-version", "4.21"}, false},
      {{"--raw-frame-buffer"}, false}, {{"--registry", "r"}, false},
      {{"--script", "-"}, false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(::testing::PrintToString(row.args));
    const ParseOutcome calculator = ParseCommandLine(row.args, ProgramKind::kCalculator);
    const ParseOutcome demo = ParseCommandLine(row.args, ProgramKind::kDemo);
    ASSERT_EQ(calculator.action, ParseAction::kRun);
    if (row.demo_takes) {
      ASSERT_EQ(demo.action, ParseAction::kRun) << demo.message;
      EXPECT_EQ(Fields(demo.options), Fields(calculator.options));
    } else {
      EXPECT_EQ(demo.action, ParseAction::kError);
      EXPECT_EQ(demo.message, "unknown option '" + row.args[0].substr(0, row.args[0].find('=')) + "'");
    }
    const std::string help = HelpText(row.demo_takes ? ProgramKind::kDemo : ProgramKind::kCalculator);
    EXPECT_NE(help.find(row.args[0].substr(0, row.args[0].find('='))), std::string::npos);
  }
  EXPECT_EQ(VersionText(ProgramKind::kDemo).rfind("abacine-demo ", 0), 0u);
  EXPECT_EQ(HelpText(ProgramKind::kDemo).find("--top-bar"), std::string::npos);
}

}  // namespace
}  // namespace abacine

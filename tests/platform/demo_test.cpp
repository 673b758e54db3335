// abacine-demo as a user runs it: flags, exit codes, and the screenshot of a
// headless run, windowed and full screen through the Game API library.
#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "support/png_reader.h"
#include "support/process.h"

namespace abacine::testing {
namespace {

// output: stdout and stderr
struct DemoRun { int status = -1; std::string output; };

// Runs the demo with the given arguments, split at spaces.
DemoRun RunDemo(const std::string& args) {
  std::vector<std::string> argv = {BinPath("abacine-demo")};
  std::istringstream words(args);
  for (std::string word; words >> word;) argv.push_back(word);
  const ProcessResult run = RunProcess(argv);
  return {run.status, run.out + run.err};
}

TEST(DemoTest, HelpListsEveryFlagItTakesAndNoOther) {
  const DemoRun run = RunDemo("--help");
  EXPECT_EQ(run.status, 0);
  for (const char* flag : {"--screen", "--scale", "--fullscreen", "--headless", "--widgets", "--frames",
                           "--screenshot", "--help", "--version", "Escape", "F8"}) {
    EXPECT_NE(run.output.find(flag), std::string::npos) << flag;
  }
  for (const char* flag : {"--top-bar", "--oem", "--os-version", "--raw-frame-buffer", "--registry"}) {
    EXPECT_EQ(run.output.find(flag), std::string::npos) << flag;
  }
  EXPECT_EQ(RunDemo("--version").output.rfind("abacine-demo ", 0), 0u);
}

TEST(DemoTest, BadFlagsExitWithAStatusAndSayWhy) {
  struct Row { const char* args; int status; const char* says; };
  const Row rows[] = {
      {"--bogus", 2, "unknown option"}, {"--screen 100x100", 2, "for --screen"}, {"--screen", 2, "needs a value"},
      {"--scale 0", 2, "scale"}, {"--scale 9", 2, "scale"}, {"--scale 2x", 2, "scale"}, {"--frames 0", 2, "frames"},
      {"--frames -3", 2, "frames"}, {"--frames 99999999999999999999", 2, "frames"},
      {"--screenshot", 2, "needs a value"}, {"--screenshot=", 2, "file name"},
      {"--headless=yes", 2, "takes no value"}, {"headless", 2, "unexpected argument"},
      // The calculator's device and settings options are not the demo's.
      {"--top-bar 20", 2, "unknown option '--top-bar'"}, {"--registry x.reg", 2, "unknown option"},
      {"--raw-frame-buffer", 2, "unknown option"},
      {"--headless --screenshot /nonexistent-folder/shot.png", 1, "could not write"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.args);
    const DemoRun run = RunDemo(r.args);
    EXPECT_EQ(run.status, r.status);
    EXPECT_NE(run.output.find(r.says), std::string::npos) << run.output;
  }
}

TEST(DemoTest, HeadlessScreenshotHasTheScreenSizeAndAPicture) {
  for (const std::string screen : {"240x320", "320x240", "480x640", "640x480"}) {
    SCOPED_TRACE(screen);
    const std::string shot = TempPath(screen + ".png");
    const DemoRun run = RunDemo("--headless --frames 3 --screen " + screen + " --screenshot " + shot);
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(run.output, "");  // no drawing call failed
    const Image image = ReadPng(shot);
    std::remove(shot.c_str());
    ASSERT_TRUE(image.ok);
    EXPECT_EQ(std::to_string(image.width) + "x" + std::to_string(image.height), screen);
    std::set<uint32_t> colours;
    for (size_t i = 0; i + 2 < image.rgb.size(); i += 3) {
      colours.insert(uint32_t{image.rgb[i]} << 16 | uint32_t{image.rgb[i + 1]} << 8 | image.rgb[i + 2]);
    }
    EXPECT_GT(colours.size(), 50u);
  }
}

TEST(DemoTest, WidgetGalleryDrawsOnEveryScreen) {
  for (const std::string screen : {"240x320", "320x240", "480x640", "640x480"}) {
    SCOPED_TRACE(screen);
    const std::string shot = TempPath("widgets" + screen + ".png");
    const DemoRun run = RunDemo("--widgets --headless --screen " + screen + " --screenshot " + shot);
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(run.output, "");  // every image and font was made
    const Image image = ReadPng(shot);
    std::remove(shot.c_str());
    ASSERT_TRUE(image.ok);
    EXPECT_EQ(std::to_string(image.width) + "x" + std::to_string(image.height), screen);
    // Mostly the calculator's background, with a good share of widgets on it.
    size_t background = 0;
    for (size_t i = 0; i + 2 < image.rgb.size(); i += 3) {
      background += image.rgb[i] == 0xE7 && image.rgb[i + 1] == 0xE7 && image.rgb[i + 2] == 0xE7;
    }
    const size_t pixels = size_t{image.width} * image.height;
    EXPECT_GT(background, pixels / 3);
    EXPECT_LT(background, pixels * 9 / 10);
  }
}

TEST(DemoTest, FullScreenThroughTheGameApiShowsTheSamePictureAsWindowed) {
  const std::string windowed = TempPath("windowed.png"), full = TempPath("full.png");
  ASSERT_EQ(RunDemo("--headless --frames 4 --screenshot " + windowed).status, 0);
  const DemoRun run = RunDemo("--headless --fullscreen --frames 4 --screenshot " + full);
  ASSERT_EQ(run.status, 0) << run.output;
  const Image a = ReadPng(windowed), b = ReadPng(full);
  std::remove(windowed.c_str());
  std::remove(full.c_str());
  ASSERT_TRUE(a.ok && b.ok);
  ASSERT_EQ(a.width, b.width);
  ASSERT_EQ(a.height, b.height);
  // Everything above the status line (which names the mode) is identical.
  const size_t status_top = (a.height - 24) * size_t{a.width} * 3;
  EXPECT_TRUE(std::equal(a.rgb.begin(), a.rgb.begin() + static_cast<std::ptrdiff_t>(status_top), b.rgb.begin()));
}

}  // namespace
}  // namespace abacine::testing

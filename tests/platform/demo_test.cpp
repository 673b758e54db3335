// abacine-demo as a user runs it: flags, exit codes, and the screenshot of a
// headless run, windowed and full screen through the Game API library.
#include <gtest/gtest.h>
#include <png.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <set>
#include <string>
#include <vector>

namespace {

const std::string kDemo = std::string(ABACINE_BINARY_DIR) + "/bin/abacine-demo";

struct DemoRun {
  int status = -1;
  std::string output;
};

// Runs the demo with the given arguments (shell-quoted by the caller) and
// collects stdout and stderr.
DemoRun RunDemo(const std::string& args) {
  DemoRun run;
  const std::string command = "'" + kDemo + "' " + args + " 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return run;
  char buffer[512];
  size_t n = 0;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) run.output.append(buffer, n);
  const int raw = pclose(pipe);
  run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return run;
}

struct Image {
  bool ok = false;
  uint32_t width = 0, height = 0;
  std::vector<uint8_t> rgb;
};

Image ReadPng(const std::string& path) {
  Image out;
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return out;
  image.format = PNG_FORMAT_RGB;
  out.rgb.resize(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, out.rgb.data(), 0, nullptr)) return out;
  out.ok = true;
  out.width = image.width;
  out.height = image.height;
  return out;
}

std::string Temp(const std::string& name) {
  return ::testing::TempDir() + "abacine_demo_" + std::to_string(getpid()) + "_" + name;
}

TEST(DemoTest, HelpListsEveryFlag) {
  const DemoRun run = RunDemo("--help");
  EXPECT_EQ(run.status, 0);
  for (const char* flag :
       {"--screen", "--scale", "--fullscreen", "--headless", "--frames", "--screenshot", "--help"}) {
    EXPECT_NE(run.output.find(flag), std::string::npos) << flag;
  }
}

TEST(DemoTest, BadFlagsExitWithStatusTwoAndSayWhy) {
  struct Row {
    const char* args;
    const char* says;
  };
  const Row rows[] = {
      {"--bogus", "unknown option"},
      {"--screen 100x100", "screen size"},
      {"--screen", "needs a value"},
      {"--scale 0", "scale"},
      {"--scale 9", "scale"},
      {"--scale 2x", "scale"},
      {"--frames 0", "frames"},
      {"--frames -3", "frames"},
      {"--frames 99999999999999999999", "frames"},
      {"--screenshot", "needs a value"},
      {"--screenshot=", "file name"},
      {"--headless=yes", "takes no value"},
      {"headless", "unknown option"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.args);
    const DemoRun run = RunDemo(r.args);
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.output.find(r.says), std::string::npos) << run.output;
  }
}

TEST(DemoTest, HeadlessScreenshotHasTheScreenSizeAndAPicture) {
  struct Row {
    const char* screen;
    uint32_t w, h;
  };
  const Row rows[] = {{"240x320", 240, 320}, {"320x240", 320, 240}, {"480x640", 480, 640},
                      {"640x480", 640, 480}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.screen);
    const std::string shot = Temp(std::string(r.screen) + ".png");
    const DemoRun run = RunDemo(std::string("--headless --frames 3 --screen ") + r.screen +
                            " --screenshot '" + shot + "'");
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(run.output, "");  // no drawing call failed
    const Image image = ReadPng(shot);
    ASSERT_TRUE(image.ok);
    EXPECT_EQ(image.width, r.w);
    EXPECT_EQ(image.height, r.h);
    std::set<uint32_t> colours;
    for (size_t i = 0; i + 2 < image.rgb.size(); i += 3) {
      colours.insert(uint32_t{image.rgb[i]} << 16 | uint32_t{image.rgb[i + 1]} << 8 |
                     image.rgb[i + 2]);
    }
    EXPECT_GT(colours.size(), 50u);
    std::remove(shot.c_str());
  }
}

TEST(DemoTest, FullScreenThroughTheGameApiShowsTheSamePictureAsWindowed) {
  const std::string windowed = Temp("windowed.png");
  const std::string full = Temp("full.png");
  ASSERT_EQ(RunDemo("--headless --frames 4 --screenshot '" + windowed + "'").status, 0);
  const DemoRun run = RunDemo("--headless --fullscreen --frames 4 --screenshot '" + full + "'");
  ASSERT_EQ(run.status, 0) << run.output;
  const Image a = ReadPng(windowed);
  const Image b = ReadPng(full);
  ASSERT_TRUE(a.ok && b.ok);
  ASSERT_EQ(a.width, b.width);
  ASSERT_EQ(a.height, b.height);
  // Everything above the status line (which names the mode) is identical.
  const size_t rowBytes = size_t{a.width} * 3;
  const size_t statusTop = a.height - 24;
  size_t differing = 0;
  for (size_t i = 0; i < statusTop * rowBytes; ++i) differing += a.rgb[i] != b.rgb[i];
  EXPECT_EQ(differing, 0u);
  std::remove(windowed.c_str());
  std::remove(full.c_str());
}

TEST(DemoTest, UnwritableScreenshotFails) {
  const DemoRun run = RunDemo("--headless --screenshot /nonexistent-folder/shot.png");
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.output.find("could not write"), std::string::npos);
}

}  // namespace

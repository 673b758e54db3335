// The `abacine` program as users start it: real processes, each with a
// private runtime folder so that they meet only each other.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "support/png_reader.h"
#include "support/process.h"
#include "support/scratch_dir.h"

namespace abacine {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using testing::ReadWholeFile;

class ProgramTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_FALSE(dir_.empty()); }
  void TearDown() override {
    for (pid_t pid : started_) Wait(pid, 0ms);  // kills what still runs
  }

  // Starts the program with stdout and stderr in files named after `tag`.
  // There is no display, so a start that tried to open a window would fail
  // loudly instead of showing one.
  pid_t Start(const std::vector<std::string>& args, const std::string& tag) {
    std::vector<std::string> argv = {"env",          "-u", "DISPLAY", "-u", "WAYLAND_DISPLAY",
                                     "XDG_RUNTIME_DIR=" + dir_, testing::BinPath("abacine")};
    argv.insert(argv.end(), args.begin(), args.end());
    const pid_t pid = testing::StartProcess(argv, "", Out(tag), Err(tag));
    EXPECT_GT(pid, 0);
    started_.push_back(pid);
    return pid;
  }

  static int Wait(pid_t pid, std::chrono::milliseconds limit) { return testing::WaitProcess(pid, limit); }

  bool WaitForSocket() const {
    const auto end = Clock::now() + 20s;
    while (!fs::exists(Socket()) && Clock::now() < end) std::this_thread::sleep_for(20ms);
    return fs::exists(Socket());
  }

  std::string Out(const std::string& tag) const { return dir_ + "/" + tag + ".out"; }
  std::string Err(const std::string& tag) const { return dir_ + "/" + tag + ".err"; }
  std::string Socket() const { return dir_ + "/abacine.sock"; }

  testing::ScratchDir scratch_;
  const std::string dir_ = scratch_.Path();
  std::vector<pid_t> started_;
};

TEST_F(ProgramTest, OnlyOneRunsAtATimeAndASecondStartExitsZeroShowingNothing) {
  const pid_t first = Start({"--headless", "--frames", "1800"}, "first");
  ASSERT_TRUE(WaitForSocket()) << ReadWholeFile(Err("first"));
  // Not headless and no display: had it tried to show a window, it would
  // have failed with a message.
  const auto begun = Clock::now();
  EXPECT_EQ(Wait(Start({}, "second"), 20s), 0);
  EXPECT_LT(Clock::now() - begun, 10s);
  EXPECT_EQ(ReadWholeFile(Out("second")) + ReadWholeFile(Err("second")), "");
  EXPECT_EQ(Wait(Start({"--headless", "--screenshot", dir_ + "/third.png"}, "third"), 20s), 0);
  EXPECT_FALSE(fs::exists(dir_ + "/third.png")) << "a second start draws nothing";
  // The first keeps running until told to stop; SIGTERM ends it cleanly.
  std::this_thread::sleep_for(300ms);
  ASSERT_EQ(kill(first, SIGTERM), 0);
  EXPECT_EQ(Wait(first, 20s), 0);
  const std::string line = "abacine: a second start asked for the window\n";
  EXPECT_EQ(ReadWholeFile(Err("first")), line + line);
  EXPECT_FALSE(fs::exists(Socket())) << "the socket goes with the first";

  // A killed first leaves its socket behind but not its lock.
  const pid_t killed = Start({"--headless"}, "killed");
  ASSERT_TRUE(WaitForSocket());
  ASSERT_EQ(kill(killed, SIGKILL), 0);
  EXPECT_EQ(Wait(killed, 20s), 128 + SIGKILL);
  ASSERT_TRUE(fs::exists(Socket()));
  const std::string shot = dir_ + "/next.png";
  EXPECT_EQ(Wait(Start({"--headless", "--frames", "5", "--screenshot", shot}, "next"), 20s), 0)
      << ReadWholeFile(Err("next"));
  EXPECT_TRUE(fs::exists(shot)) << "it ran as the first instance";
}

// Rows with a size run headless for three frames and write a screenshot.
TEST_F(ProgramTest, CommandLinesAnswerOrDrawTheCalculatorOnEveryScreen) {
  const struct {
    std::vector<std::string> args;
    int status;
    const char* out;  // expected in stdout ("" = must be empty)
    const char* err;  // expected in stderr ("" = must be empty)
    int width = 0, height = 0, firstRow = 0;  // the screenshot; the top bar is above firstRow
  } rows[] = {
      {{"--help"}, 0, "F12", ""},
      {{"--version"}, 0, "abacine ", ""},
      {{"--bogus"}, 2, "", "abacine: unknown option '--bogus'"},
      {{"--screen", "100x100"}, 2, "", "bad value '100x100' for --screen"},
      {{"--frames", "0", "--headless"}, 2, "", "for --frames"},
      {{"extra"}, 2, "", "unexpected argument 'extra'"},
      {{}, 0, "", "", 480, 640, 0},
      {{"--screen", "320x240", "--top-bar", "20"}, 0, "", "", 320, 240, 20},
      {{"--screen", "240x320", "--top-bar", "26", "--fullscreen"}, 0, "", "", 240, 320, 0},
      {{"--screen", "640x480", "--fullscreen", "--raw-frame-buffer", "--os-version", "5.1"}, 0, "",
       "", 640, 480, 0},
  };
  auto has = [](const std::string& text, const char* want) {
    return *want == '\0' ? text.empty() : text.find(want) != std::string::npos;
  };
  int n = 0;
  for (const auto& row : rows) {
    SCOPED_TRACE(::testing::PrintToString(row.args));
    const std::string tag = "run" + std::to_string(n++), shot = dir_ + "/" + tag + ".png";
    std::vector<std::string> args = row.args;
    if (row.width > 0) {
      args.insert(args.begin(), {"--headless", "--frames", "3", "--screenshot", shot});
    }
    EXPECT_EQ(Wait(Start(args, tag), 20s), row.status);
    const std::string out = ReadWholeFile(Out(tag)), err = ReadWholeFile(Err(tag));
    EXPECT_TRUE(has(out, row.out)) << out;
    EXPECT_TRUE(has(err, row.err)) << err;
    if (row.width == 0) continue;
    const testing::Image image = testing::ReadPng(shot);
    ASSERT_TRUE(image.ok);
    ASSERT_EQ(image.width, static_cast<uint32_t>(row.width));
    ASSERT_EQ(image.height, static_cast<uint32_t>(row.height));
    // 0x00E7E7E7 through 5-6-5 and back: 231 in each channel.
    const uint8_t* corner = &image.rgb[image.rgb.size() - 3];
    EXPECT_EQ(std::vector<uint8_t>(corner, corner + 3), (std::vector<uint8_t>{231, 231, 231}));
    EXPECT_EQ(image.Green(0, static_cast<uint32_t>(row.firstRow)), 231);
    EXPECT_EQ(image.Green(0, 0) == 231, row.firstRow == 0) << "the top bar stays the shell's";
  }
  EXPECT_FALSE(fs::exists(Socket())) << "no run is left holding the lock";
}

}  // namespace
}  // namespace abacine

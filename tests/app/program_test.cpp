// The `abacine` program as users start it: real processes, each with a
// private runtime folder so that they meet only each other.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <filesystem>
#include <fstream>
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
  // `input`, when given, is written to a file that becomes standard input;
  // `program` is the build's unless given.
  pid_t Start(const std::vector<std::string>& args, const std::string& tag,
              const std::string& input = "", const std::string& program = "") {
    std::vector<std::string> argv = {"env",          "-u", "DISPLAY", "-u", "WAYLAND_DISPLAY",
                                     "XDG_RUNTIME_DIR=" + dir_,
                                     program.empty() ? testing::BinPath("abacine") : program};
    argv.insert(argv.end(), args.begin(), args.end());
    std::string in;
    if (!input.empty()) {
      in = dir_ + "/" + tag + ".in";
      std::ofstream(in, std::ios::binary) << input;
    }
    const pid_t pid = testing::StartProcess(argv, in, Out(tag), Err(tag));
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
    // The calculator's background (0x00E7E7E7 through 5-6-5 and back: 231
    // in each channel) at the left edge just above the about button.
    const uint32_t aboveAbout = image.height - (image.width >= 480 ? 52 : 26) - 2;
    const uint8_t* ground = &image.rgb[(size_t{aboveAbout} * image.width + 1) * 3];
    EXPECT_EQ(std::vector<uint8_t>(ground, ground + 3), (std::vector<uint8_t>{231, 231, 231}));
    // The shell's top bar keeps its dark slate (green 20) above the calculator.
    const auto first = static_cast<uint32_t>(row.firstRow);
    if (first > 0) {
      EXPECT_EQ(image.Green(0, first - 1), 20) << "the top bar stays the shell's";
    }
    EXPECT_NE(image.Green(0, first), 20);
  }
  EXPECT_FALSE(fs::exists(Socket())) << "no run is left holding the lock";
}

// Scripts from a file or standard input; their errors and the simulated
// clock (300 frames are ten seconds of it, run in far less).
TEST_F(ProgramTest, ScriptedRunsReadTheirCommandsAndSayWhereTheyFail) {
  const std::string script = dir_ + "/sum.txt";
  std::ofstream(script) << "# two and three\npress 2\npress +\npress 3\nframes 300\nstate\n";
  const struct {
    std::vector<std::string> args;
    std::string input;
    int status;
    const char* out;  // expected in stdout ("" = must be empty)
    const char* err;  // expected in stderr ("" = must be empty)
  } rows[] = {
      {{"--script", script}, "", 0, "\"input\":\"2+3\",\"cursor\":3", ""},
      {{"--script", "-"}, "type 6*7\nstate\n", 0, "\"answer\":\"42\"", ""},
      {{"--script", "-", "--screen", "320x240"}, "state\nquit\nstate\n", 0,
       "\"screen\":\"320x240\"", ""},
      {{"--script", "-"}, "state\nfoo bar\nstate\n", 2, "\"layer\":0",
       "script:2: unknown command 'foo'\n"},
      {{"--script", "-"}, "press 2nd\npress 8\n", 2, "", "script:2: no key '8' on layer 1\n"},
      {{"--script", dir_ + "/missing.txt"}, "", 2, "", "abacine: cannot read the script"},
      {{"--script"}, "", 2, "", "option '--script' needs a value"},
  };
  int n = 0;
  for (const auto& row : rows) {
    SCOPED_TRACE(::testing::PrintToString(row.args) + " " + row.input);
    const std::string tag = "script" + std::to_string(n++);
    std::vector<std::string> args = {"--headless"};
    args.insert(args.end(), row.args.begin(), row.args.end());
    const auto begun = Clock::now();
    EXPECT_EQ(Wait(Start(args, tag, row.input), 20s), row.status);
    EXPECT_LT(Clock::now() - begun, 8s) << "the clock is simulated";
    const std::string out = ReadWholeFile(Out(tag)), err = ReadWholeFile(Err(tag));
    EXPECT_EQ(out.empty(), *row.out == '\0') << out;
    EXPECT_NE(out.find(row.out), std::string::npos) << out;
    if (*row.err == '\0') {
      EXPECT_EQ(err, "");
    } else {
      EXPECT_NE(err.find(row.err), std::string::npos) << err;
    }
  }
}

// Without its skin the calculator would show a blank that looks like a
// working program: it says what it looked for and where, and fails.
TEST_F(ProgramTest, AMissingOrUnreadableSkinStopsTheRunWithAMessage) {
  const std::string bin = dir_ + "/bin";
  fs::create_directories(bin);
  fs::create_directories(dir_ + "/empty");
  for (const char* file : {"abacine", "gx.so"}) {
    fs::copy_file(testing::BinPath(file), bin + "/" + file);
  }
  const std::string archive = bin + "/windows.vfs";
  const struct {
    const char* name;
    std::function<void()> prepare;
    const char* err;  // "" = a clean run
  } rows[] = {
      {"missing", [] {}, "Could not open the skin file \"windows.vfs\": looked for it at "},
      // "GDvf" missing: the code ends in 0x00, which must not read as success.
      {"not an archive", [&] { std::ofstream(archive) << "not an archive"; },
       "Could not open the skin file \"windows.vfs\": looked for it at "},
      {"no skin in it",
       [&] {
         fs::remove(archive);
         testing::RunProcess({testing::BinPath("vfspack"), dir_ + "/empty", archive});
       },
       "The skin file \"windows.vfs\" holds none of the skin (read from "},
      {"the real one",
       [&] {
         fs::remove(archive);
         fs::copy_file(testing::BinPath("windows.vfs"), archive);
       },
       ""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    row.prepare();
    const std::string shot = dir_ + "/" + row.name + ".png";
    const int status = Wait(Start({"--headless", "--frames", "3", "--screenshot", shot}, row.name,
                                  "", bin + "/abacine"),
                            20s);
    const std::string err = ReadWholeFile(Err(row.name));
    if (*row.err == '\0') {
      EXPECT_EQ(status, 0);
      EXPECT_EQ(err, "");
      EXPECT_TRUE(fs::exists(shot));
      continue;
    }
    EXPECT_NE(status, 0);
    EXPECT_NE(status, -1) << "it ends by itself";
    EXPECT_EQ(err.rfind(std::string("Error: ") + row.err + archive, 0), 0u) << err;
    EXPECT_FALSE(fs::exists(shot)) << "no frame was drawn";
  }
}

}  // namespace
}  // namespace abacine

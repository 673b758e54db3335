// The `abacine` program as users start it: real processes, each with a
// private runtime folder so that they meet only each other.
#include <gtest/gtest.h>
#include <png.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <fcntl.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace abacine {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

const std::string kProgram = std::string(ABACINE_BINARY_DIR) + "/bin/abacine";

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

class ProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(fs::exists(kProgram)) << kProgram;
    char pattern[] = "/tmp/abacine-run-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
  }
  void TearDown() override {
    for (pid_t pid : started_) {
      if (kill(pid, 0) == 0) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
      }
    }
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
  }

  // Starts the program with stdout and stderr in files named after `tag`.
  // The environment has no display, so a start that tried to open a window
  // would fail loudly instead of showing one.
  pid_t Start(const std::vector<std::string>& args, const std::string& tag) {
    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e) {
      const std::string entry = *e;
      if (entry.rfind("XDG_RUNTIME_DIR=", 0) == 0 || entry.rfind("DISPLAY=", 0) == 0 ||
          entry.rfind("WAYLAND_DISPLAY=", 0) == 0) {
        continue;
      }
      env.push_back(entry);
    }
    env.push_back("XDG_RUNTIME_DIR=" + dir_);
    std::vector<std::string> argv = {kProgram};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> argp, envp;
    for (std::string& a : argv) argp.push_back(a.data());
    argp.push_back(nullptr);
    for (std::string& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    const std::string out = Out(tag), err = Err(tag);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t pid = -1;
    const int failed = posix_spawn(&pid, kProgram.c_str(), &actions, nullptr, argp.data(),
                                   envp.data());
    posix_spawn_file_actions_destroy(&actions);
    EXPECT_EQ(failed, 0);
    if (failed == 0) started_.push_back(pid);
    return pid;
  }

  // The exit status, or -1 when it did not end within the time (it is then
  // killed).
  int Wait(pid_t pid, std::chrono::milliseconds limit) {
    const auto end = Clock::now() + limit;
    int status = 0;
    while (Clock::now() < end) {
      const pid_t done = waitpid(pid, &status, WNOHANG);
      if (done == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    return -1;
  }

  bool WaitForFile(const std::string& path, std::chrono::milliseconds limit) {
    const auto end = Clock::now() + limit;
    while (Clock::now() < end) {
      if (fs::exists(path)) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
  }

  std::string Out(const std::string& tag) const { return dir_ + "/" + tag + ".out"; }
  std::string Err(const std::string& tag) const { return dir_ + "/" + tag + ".err"; }
  std::string Socket() const { return dir_ + "/abacine.sock"; }

  std::string dir_;
  std::vector<pid_t> started_;
};

TEST_F(ProgramTest, SecondStartExitsZeroShowingNothingAndTheFirstIsRaised) {
  const pid_t first = Start({"--headless", "--frames", "1800"}, "first");
  ASSERT_TRUE(WaitForFile(Socket(), std::chrono::seconds(20))) << ReadFile(Err("first"));

  // Not headless and no display: had it tried to show a window, it would
  // have failed with a message.
  const auto begun = Clock::now();
  const pid_t second = Start({}, "second");
  EXPECT_EQ(Wait(second, std::chrono::seconds(20)), 0);
  EXPECT_LT(Clock::now() - begun, std::chrono::seconds(10));
  EXPECT_EQ(ReadFile(Out("second")), "");
  EXPECT_EQ(ReadFile(Err("second")), "");

  const pid_t third = Start({"--headless", "--screenshot", dir_ + "/third.png"}, "third");
  EXPECT_EQ(Wait(third, std::chrono::seconds(20)), 0);
  EXPECT_FALSE(fs::exists(dir_ + "/third.png")) << "a second start draws nothing";

  // The first keeps running until told to stop; SIGTERM ends it cleanly.
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  ASSERT_EQ(kill(first, SIGTERM), 0);
  EXPECT_EQ(Wait(first, std::chrono::seconds(20)), 0);
  const std::string log = ReadFile(Err("first"));
  const std::string line = "abacine: a second start asked for the window\n";
  size_t count = 0;
  for (size_t at = log.find(line); at != std::string::npos; at = log.find(line, at + 1)) ++count;
  EXPECT_EQ(count, 2u) << log;
  EXPECT_FALSE(fs::exists(Socket())) << "the socket goes with the first";
}

TEST_F(ProgramTest, KilledFirstInstanceDoesNotBlockTheNextStart) {
  const pid_t first = Start({"--headless"}, "first");
  ASSERT_TRUE(WaitForFile(Socket(), std::chrono::seconds(20)));
  ASSERT_EQ(kill(first, SIGKILL), 0);
  EXPECT_EQ(Wait(first, std::chrono::seconds(20)), 128 + SIGKILL);
  ASSERT_TRUE(fs::exists(Socket())) << "the killed run left its socket";

  const std::string shot = dir_ + "/next.png";
  const pid_t next = Start({"--headless", "--frames", "5", "--screenshot", shot}, "next");
  EXPECT_EQ(Wait(next, std::chrono::seconds(20)), 0) << ReadFile(Err("next"));
  EXPECT_TRUE(fs::exists(shot)) << "it ran as the first instance";
}

// Reads a PNG into 8-bit RGB.
bool ReadPng(const std::string& path, int* width, int* height, std::vector<uint8_t>* rgb) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
  image.format = PNG_FORMAT_RGB;
  rgb->resize(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, rgb->data(), 0, nullptr)) return false;
  *width = static_cast<int>(image.width);
  *height = static_cast<int>(image.height);
  return true;
}

TEST_F(ProgramTest, HeadlessRunsDrawTheCalculatorOnEveryScreen) {
  struct Row {
    std::vector<std::string> args;
    int width, height;
    int firstCalculatorRow;  // rows above belong to the shell's top bar
  };
  const Row rows[] = {
      {{}, 480, 640, 0},
      {{"--screen", "320x240", "--top-bar", "20"}, 320, 240, 20},
      {{"--screen", "240x320", "--top-bar", "26", "--fullscreen"}, 240, 320, 0},
      {{"--screen", "640x480", "--fullscreen", "--raw-frame-buffer", "--os-version", "5.1"},
       640, 480, 0},
  };
  int n = 0;
  for (const Row& row : rows) {
    SCOPED_TRACE(::testing::PrintToString(row.args));
    const std::string tag = "shot" + std::to_string(n++);
    const std::string shot = dir_ + "/" + tag + ".png";
    std::vector<std::string> args = {"--headless", "--frames", "3", "--screenshot", shot};
    args.insert(args.end(), row.args.begin(), row.args.end());
    const pid_t pid = Start(args, tag);
    ASSERT_EQ(Wait(pid, std::chrono::seconds(20)), 0) << ReadFile(Err(tag));
    int width = 0, height = 0;
    std::vector<uint8_t> rgb;
    ASSERT_TRUE(ReadPng(shot, &width, &height, &rgb));
    EXPECT_EQ(width, row.width);
    EXPECT_EQ(height, row.height);
    auto at = [&](int x, int y) { return &rgb[(static_cast<size_t>(y) * width + x) * 3]; };
    // 0x00E7E7E7 through 5-6-5 and back: 231 in each channel.
    const uint8_t* corner = at(width - 1, height - 1);
    EXPECT_EQ(corner[0], 231);
    EXPECT_EQ(corner[1], 231);
    EXPECT_EQ(corner[2], 231);
    EXPECT_EQ(at(0, row.firstCalculatorRow)[1], 231);
    if (row.firstCalculatorRow > 0) {
      EXPECT_NE(at(0, 0)[1], 231);
    }
  }
}

TEST_F(ProgramTest, CommandLineAnswers) {
  struct Row {
    std::vector<std::string> args;
    int status;
    const char* out;  // expected in stdout ("" = must be empty)
    const char* err;  // expected in stderr ("" = must be empty)
  };
  const Row rows[] = {
      {{"--help"}, 0, "F12", ""},
      {{"--version"}, 0, "abacine ", ""},
      {{"--bogus"}, 2, "", "abacine: unknown option '--bogus'"},
      {{"--screen", "100x100"}, 2, "", "bad value '100x100' for --screen"},
      {{"--frames", "0", "--headless"}, 2, "", "for --frames"},
      {{"extra"}, 2, "", "unexpected argument 'extra'"},
  };
  int n = 0;
  for (const Row& row : rows) {
    SCOPED_TRACE(::testing::PrintToString(row.args));
    const std::string tag = "cli" + std::to_string(n++);
    const pid_t pid = Start(row.args, tag);
    EXPECT_EQ(Wait(pid, std::chrono::seconds(20)), row.status);
    const std::string out = ReadFile(Out(tag)), err = ReadFile(Err(tag));
    if (*row.out == '\0') {
      EXPECT_EQ(out, "");
    } else {
      EXPECT_NE(out.find(row.out), std::string::npos) << out;
    }
    if (*row.err == '\0') {
      EXPECT_EQ(err, "");
    } else {
      EXPECT_NE(err.find(row.err), std::string::npos) << err;
    }
  }
  EXPECT_FALSE(fs::exists(Socket())) << "answering the command line takes no lock";
}

}  // namespace
}  // namespace abacine

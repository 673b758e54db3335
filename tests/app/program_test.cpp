// The `abacine` program as users start it: real processes, each with a
// private runtime folder so that they meet only each other.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "support/png_reader.h"
#include "support/process.h"
#include "support/scratch_dir.h"
#include "support/settings_file.h"
#include "support/special_files.h"

namespace abacine {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using testing::ReadWholeFile;

class ProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(dir_.empty());
    // The private folder a start falls back to lies in $TMPDIR: this one.
    ASSERT_EQ(mkdir(Tmp().c_str(), 0700), 0);
  }
  void TearDown() override {
    for (pid_t pid : started_) Wait(pid, 0ms);  // kills what still runs
  }

  // Starts the program with stdout and stderr in files named after `tag`.
  // There is no display, so a start that tried to open a window would fail
  // loudly instead of showing one. Each start has a settings file of its
  // own, named after `tag`, past the first run unless firstRun_. `env` (NAME=value) overrides the rest;
  // `input`, when given, is written to a file that becomes standard input;
  // `program` is the build's unless given.
  pid_t Start(const std::vector<std::string>& args, const std::string& tag,
              const std::vector<std::string>& env = {}, const std::string& input = "",
              const std::string& program = "") {
    const std::string settings = dir_ + "/" + tag + ".reg";
    if (!firstRun_) testing::WriteSettingsPastFirstRun(settings);
    std::vector<std::string> argv = {"env", "-u", "DISPLAY", "-u", "WAYLAND_DISPLAY",
                                     "XDG_RUNTIME_DIR=" + dir_, "TMPDIR=" + Tmp(),
                                     "ABACINE_REGISTRY=" + settings};
    argv.insert(argv.end(), env.begin(), env.end());
    argv.push_back(program.empty() ? testing::BinPath("abacine") : program);
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

  bool WaitForSocket(const std::string& socket = "", std::chrono::milliseconds limit = 20s) const {
    const std::string path = socket.empty() ? Socket() : socket;
    const auto end = Clock::now() + limit;
    while (!fs::exists(path) && Clock::now() < end) std::this_thread::sleep_for(20ms);
    return fs::exists(path);
  }

  static bool StillRuns(pid_t pid) {
    int status = 0;
    return waitpid(pid, &status, WNOHANG) == 0;
  }

  std::string Out(const std::string& tag) const { return dir_ + "/" + tag + ".out"; }
  std::string Err(const std::string& tag) const { return dir_ + "/" + tag + ".err"; }
  std::string Socket() const { return dir_ + "/abacine.sock"; }
  std::string Tmp() const { return dir_ + "/tmp"; }
  std::string Fallback() const { return Tmp() + "/abacine-" + std::to_string(geteuid()); }

  testing::ScratchDir scratch_;
  bool firstRun_ = false;  // Start leaves a missing settings file missing
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
      {{"--help"}, 0, "a symlink is followed", ""},
      {{"bad\x1b[2J"}, 2, "", "unexpected argument 'bad\\x1b[2J'"},
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

// With no display SDL would run the window on a driver that draws nowhere,
// and the program would go on unseen for ever; it stops and says why.
TEST_F(ProgramTest, AWindowWithNoDisplayToShowItOnStopsWithAMessage) {
  std::vector<std::vector<std::string>> envs = {{"SDL_VIDEODRIVER=dummy"},
                                                {"SDL_VIDEODRIVER=offscreen"}};
  // SDL's own choice, unless a console it could really draw on is here.
  if (!fs::exists("/dev/dri")) envs.push_back({});
  int n = 0;
  for (const auto& env : envs) {
    SCOPED_TRACE(::testing::PrintToString(env));
    const std::string tag = "nodisplay" + std::to_string(n++);
    const int status = Wait(Start({"--screen", "240x320"}, tag, env), 20s);
    EXPECT_NE(status, 0);
    EXPECT_NE(status, -1) << "it ends by itself";
    const std::string err = ReadWholeFile(Err(tag));
    EXPECT_NE(err.find("abacine: cannot open a window: no display to show it on"), std::string::npos)
        << err;
  }
  EXPECT_FALSE(fs::exists(Socket())) << "no run is left holding the lock";
}

// A first copy that does not accept connections (stopped here; busy or
// showing its error box alike) leaves later starts nowhere to queue: each
// still exits 0 in bounded time, showing nothing.
TEST_F(ProgramTest, StartsAgainstAStoppedFirstEndInBoundedTime) {
  const pid_t first = Start({"--headless"}, "first");
  ASSERT_TRUE(WaitForSocket()) << ReadWholeFile(Err("first"));
  ASSERT_EQ(kill(first, SIGSTOP), 0);
  const auto begun = Clock::now();
  std::vector<pid_t> starts;
  for (int i = 0; i < 12; ++i) {
    starts.push_back(Start({"--headless", "--frames", "30"}, "start" + std::to_string(i)));
    std::this_thread::sleep_for(50ms);
  }
  const auto deadline = begun + 8s;
  for (size_t i = 0; i < starts.size(); ++i) {
    SCOPED_TRACE("start " + std::to_string(i + 1));
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    EXPECT_EQ(Wait(starts[i], std::max(left, 1ms)), 0);
    EXPECT_EQ(ReadWholeFile(Err("start" + std::to_string(i))), "");
  }
  EXPECT_LT(Clock::now() - begun, 5s);
  ASSERT_EQ(kill(first, SIGCONT), 0);
  ASSERT_EQ(kill(first, SIGTERM), 0);
  EXPECT_EQ(Wait(first, 20s), 0);
}

// A runtime folder that cannot be trusted or used is passed over, once, with
// a word on stderr, for the private folder in $TMPDIR: every start makes the
// same choice, so one copy still runs.
TEST_F(ProgramTest, AnUnusableRuntimeFolderFallsBackToThePrivateOne) {
  struct Row {
    const char* what;
    std::string folder;
    std::function<bool(const std::string&)> make;  // false: cannot be made here
  };
  const auto made = [](int result) { return result == 0; };
  const Row rows[] = {
      {"missing parent", dir_ + "/no/such/run", [](const std::string&) { return true; }},
      {"another user's", dir_ + "/others",
       [&](const std::string& f) { return made(mkdir(f.c_str(), 0700)) && chown(f.c_str(), 1, 1) == 0; }},
      {"a regular file", dir_ + "/plain", [&](const std::string& f) { return made(close(creat(f.c_str(), 0600))); }},
      {"writable by others", dir_ + "/open",
       [&](const std::string& f) { return made(mkdir(f.c_str(), 0700)) && made(chmod(f.c_str(), 0777)); }},
      {"a symlink", dir_ + "/link",
       [&](const std::string& f) { return made(mkdir((f + "-real").c_str(), 0700)) && made(symlink((f + "-real").c_str(), f.c_str())); }},
      {"too long for a socket address", dir_ + "/" + std::string(110, 'd'),
       [&](const std::string& f) { return made(mkdir(f.c_str(), 0700)); }},
      {"its lock file a symlink", dir_ + "/locked",
       [&](const std::string& f) {
         return made(mkdir(f.c_str(), 0700)) && made(symlink((f + "-elsewhere").c_str(), (f + "/abacine.lock").c_str()));
       }},
  };
  int n = 0;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    if (!row.make(row.folder)) {
      ADD_FAILURE() << "cannot make the folder: " << std::strerror(errno);
      continue;
    }
    const std::vector<std::string> env = {"XDG_RUNTIME_DIR=" + row.folder};
    const std::string tag = "row" + std::to_string(n++), shot = dir_ + "/" + tag + ".png";
    const pid_t first = Start({"--headless"}, tag + "first", env);
    ASSERT_TRUE(WaitForSocket(Fallback() + "/abacine.sock", 5s)) << ReadWholeFile(Err(tag + "first"));
    EXPECT_EQ(Wait(Start({"--headless", "--frames", "3", "--screenshot", shot}, tag + "second", env), 20s), 0);
    EXPECT_FALSE(fs::exists(shot)) << "the second start ran in full";
    const std::string raised = "abacine: a second start asked for the window\n";
    for (auto end = Clock::now() + 5s; Clock::now() < end;) {
      if (ReadWholeFile(Err(tag + "first")).find(raised) != std::string::npos) break;
      std::this_thread::sleep_for(20ms);
    }
    ASSERT_EQ(kill(first, SIGTERM), 0);
    EXPECT_EQ(Wait(first, 20s), 0);
    const std::string note = ReadWholeFile(Err(tag + "second"));
    EXPECT_EQ(std::count(note.begin(), note.end(), '\n'), 1) << note;
    EXPECT_EQ(note.rfind("abacine: ", 0), 0u) << note;
    EXPECT_NE(note.find("using " + Fallback()), std::string::npos) << note;
    EXPECT_EQ(ReadWholeFile(Err(tag + "first")), note + raised);
    EXPECT_FALSE(fs::exists(Fallback() + "/abacine.sock"));
  }
}

// The screenshot replaces only a regular file or a missing path, following a
// link to a regular file; anything else is refused (exit 1) and left as it was.
TEST_F(ProgramTest, ScreenshotsNeverReplaceWhatIsNotAFile) {
  std::vector<std::string> skipped;
  int n = 0;
  for (const testing::SpecialRow& row : testing::kSpecialRows) {
    SCOPED_TRACE(row.what);
    const std::string shot = dir_ + "/special" + std::to_string(n++) + ".png";
    if (!testing::MakeSpecial(row.kind, shot)) {
      ASSERT_EQ(errno, EPERM) << "cannot make " << row.what;
      skipped.push_back(row.what);  // mknod needs privilege
      continue;
    }
    const std::string before = testing::DescribePath(shot);
    const std::string tag = "shot" + std::to_string(n);
    EXPECT_EQ(Wait(Start({"--headless", "--frames", "2", "--screenshot", shot}, tag), 20s), 1);
    EXPECT_NE(ReadWholeFile(Err(tag)).find("abacine: could not write " + shot), std::string::npos)
        << ReadWholeFile(Err(tag));
    EXPECT_EQ(testing::DescribePath(shot), before);
  }
  const std::string target = dir_ + "/target.png", link = dir_ + "/link.png";
  std::ofstream(target) << "old";
  ASSERT_EQ(symlink(target.c_str(), link.c_str()), 0);
  EXPECT_EQ(Wait(Start({"--headless", "--frames", "2", "--screenshot", link}, "link"), 20s), 0);
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_TRUE(testing::ReadPng(target).ok);
  if (!skipped.empty()) GTEST_SKIP() << "mknod is not permitted here; not run: " << skipped.front();
}

// Signals that end the run end it as the close command does: the exit
// path runs (the screenshot is written, the socket removed) and the status
// is 0. SIGPIPE is ignored: a closed reader must not end the calculator.
TEST_F(ProgramTest, SignalsThatEndTheRunTakeTheExitPath) {
  const struct {
    int signal;
    bool ends;
  } rows[] = {{SIGTERM, true}, {SIGINT, true},  {SIGHUP, true},
              {SIGUSR1, true}, {SIGUSR2, true}, {SIGPIPE, false}};
  for (const auto& row : rows) {
    SCOPED_TRACE(strsignal(row.signal));
    const std::string tag = std::string("signal") + std::to_string(row.signal), shot = dir_ + "/" + tag + ".png";
    // An input too long to be saved, loaded at the start: the save at exit
    // writes it as empty, and only that save writes the file.
    const std::string settings = dir_ + "/" + tag + ".reg";
    std::ofstream(settings) << "Windows Registry Editor Version 5.00\n\n"
                               "[HKEY_LOCAL_MACHINE\\Software\\Velmora\\Abacine]\n"
                               "\"ShowTutorial\"=dword:00000000\n\"Input\"=\""
                            << std::string(220, '7') << "\"\n";
    const pid_t pid = Start({"--headless", "--screenshot", shot}, tag);
    ASSERT_TRUE(WaitForSocket()) << ReadWholeFile(Err(tag));
    ASSERT_EQ(kill(pid, row.signal), 0);
    if (!row.ends) {
      std::this_thread::sleep_for(300ms);
      EXPECT_TRUE(StillRuns(pid));
      ASSERT_EQ(kill(pid, SIGTERM), 0);
    }
    EXPECT_EQ(Wait(pid, 20s), 0);
    EXPECT_FALSE(fs::exists(Socket()));
    EXPECT_TRUE(testing::ReadPng(shot).ok);
    EXPECT_EQ(ReadWholeFile(Err(tag)), "");
    EXPECT_NE(ReadWholeFile(settings).find("\"Input\"=\"\"\n"), std::string::npos) << "saved at exit";
  }
}

// Settings carry the input and the stored answers to the next start, in the
// file --registry names, else $ABACINE_REGISTRY, else under
// $XDG_CONFIG_HOME (registry_test covers the rest of that choice). A file
// that cannot be created leaves the calculator running with its defaults
// and one line on stderr saying where.
TEST_F(ProgramTest, SettingsCarryOverInTheirFileAndAnUnwritableOneWarnsOnce) {
  ASSERT_TRUE(std::ofstream(dir_ + "/plain").good());
  const struct {
    const char* name;
    std::vector<std::string> args, env;
    std::string file;
  } rows[] = {
      {"flag", {"--registry", dir_ + "/flag.reg"}, {"ABACINE_REGISTRY=" + dir_ + "/not.reg"},
       dir_ + "/flag.reg"},
      {"variable", {}, {"ABACINE_REGISTRY=" + dir_ + "/variable.reg"}, dir_ + "/variable.reg"},
      {"config", {}, {"ABACINE_REGISTRY=", "XDG_CONFIG_HOME=" + dir_ + "/cfg"},
       dir_ + "/cfg/abacine/settings.reg"},
  };
  const std::string stored = "{\"occupied\":true,\"locked\":false,\"value\":12,\"text\":\"12\"}";
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    std::vector<std::string> args = {"--headless", "--script", "-"};
    args.insert(args.end(), row.args.begin(), row.args.end());
    const std::string first = row.name + std::string("1"), second = row.name + std::string("2");
    fs::create_directories(fs::path(row.file).parent_path());
    testing::WriteSettingsPastFirstRun(row.file);
    EXPECT_EQ(Wait(Start(args, first, row.env, "type 12\ntap answer\ntype 7\n"), 20s), 0);
    EXPECT_TRUE(fs::is_regular_file(row.file));
    EXPECT_EQ(Wait(Start(args, second, row.env, "state\n"), 20s), 0);
    const std::string out = ReadWholeFile(Out(second));
    EXPECT_NE(out.find("\"input\":\"7\""), std::string::npos) << out;
    EXPECT_NE(out.find(stored), std::string::npos) << out;
    EXPECT_EQ(ReadWholeFile(Err(first)) + ReadWholeFile(Err(second)), "");
  }
  EXPECT_FALSE(fs::exists(dir_ + "/not.reg")) << "the flag wins";

  // Places where no file can be made, even by root: below a plain file (it
  // cannot be read either), and in /proc (the save fails). The first
  // start's load, its first-run save and the save at exit all fail. Every
  // start is a first run there: a device button ends its tutorial.
  for (const std::string& unwritable :
       {dir_ + "/plain/settings.reg", std::string("/proc/self/abacine/s.reg")}) {
    SCOPED_TRACE(unwritable);
    EXPECT_EQ(Wait(Start({"--headless", "--script", "-", "--registry", unwritable}, "unwritable", {},
                         "key button-a\ntype 2+3\ntap answer\ntype 5\nstate\n"),
                   20s),
              0);
    const std::string out = ReadWholeFile(Out("unwritable")), err = ReadWholeFile(Err("unwritable"));
    EXPECT_NE(out.find("\"answer\":\"5\""), std::string::npos) << out;
    EXPECT_NE(out.find("\"value\":5,"), std::string::npos) << out;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    EXPECT_NE(err.find(unwritable), std::string::npos) << err;
  }
}

// Scripts from a file or standard input; their errors and the simulated
// clock (300 frames are ten seconds of it, run in far less).
TEST_F(ProgramTest, ScriptedRunsReadTheirCommandsAndSayWhereTheyFail) {
  const std::string script = dir_ + "/sum.txt";
  std::ofstream(script) << "# two and three\npress 2\npress +\npress 3\nframes 300\nstate\n";
  testing::WriteSettingsPastFirstRun(dir_ + "/settings.reg");
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
      // The about screen's close button ends the program normally, before
      // anything after it runs.
      {{"--script", "-", "--registry", dir_ + "/settings.reg"},
       "type 12\ntap about\ntap close\nstate\n", 0, "", ""},
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
    EXPECT_EQ(Wait(Start(args, tag, {}, row.input), 20s), row.status);
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
                                  {}, "", bin + "/abacine"),
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

// The calculator against its budgets:
//   - one whole drawFrame into the back buffer at 480 x 640 and 240 x 320
//     (goal: under 1 ms at 480 x 640), with an expression and its answer on
//     screen; beside it memcpy of the frame's bytes, the floor of any full
//     redraw;
//   - one key press from the tap to the formatted answer, through the tap
//     dispatch, the input box, Evaluate and FormatValue (goal: under 20
//     microseconds); each iteration presses "+" (no answer) and delete
//     (the answer again), so the input stays the same;
//   - start-up of the real program: from exec to the first frame shown in a
//     headless run, seen as the first line a script's `state` prints after
//     it (goal: under 100 ms). Timed by the wall clock, the median of 15;
//   - a save of every setting at exit (five stored answers, a 200-character
//     input), the walk, the file's text and its atomic replacement, on a
//     tmpfs folder where fsync costs nothing, so what is left is ours (goal:
//     under 1 ms); beside it a plain fopen/fwrite/fclose of the same bytes.
// After the table it prints each figure against its goal.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/calc_app.h"
#include "engine/angle_mode.h"
#include "platform/controls.h"
#include "support/ratio_reporter.h"

extern char** environ;

namespace {

using namespace abacine;

const std::string kBin = std::string(ABACINE_BINARY_DIR) + "/bin/";

// A private folder on tmpfs (else /tmp), removed with its files at exit.
class BenchFolder {
 public:
  BenchFolder() {
    for (const char* base : {"/dev/shm", "/tmp"}) {
      std::string pattern = std::string(base) + "/abacine_bench_XXXXXX";
      if (mkdtemp(pattern.data()) != nullptr) {
        path_ = pattern;
        return;
      }
    }
  }
  ~BenchFolder() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

const BenchFolder& Scratch() {
  static const BenchFolder folder;
  return folder;
}

// The calculator set up on a windowed display of the given size, as the
// framework sets it up, without a window or a frame loop.
class BenchCalc : public CalcApp {
 public:
  BenchCalc() : CalcApp(Config()) {
    const std::string archive = kBin + "windows.vfs";
    setSkinArchive(std::u16string(archive.begin(), archive.end()));
    // The product's key, never the user's settings file.
    setProductIdentity(u"Software\\Velmora\\Abacine", u"Bench", u"");
    const std::string settings = Scratch().Path() + "/settings-" + std::to_string(++made_) + ".reg";
    SkipTheFirstRun(settings);
    setRegistryFile(settings);
  }
  // The first run's tutorial would take the taps.
  static void SkipTheFirstRun(const std::string& path) {
    platform::Registry registry(path, nullptr);
    SettingsStore store(registry);
    bool show = false;
    if (store.OpenSettingsKey(u"Software\\Velmora\\Abacine")) {
      store.SerializeBool(u"ShowTutorial", &show, SettingsDirection::kSave);
      store.CloseSettingsKey();
    }
  }
  bool SetUp(int32_t width, int32_t height) {
    platform::DeviceConfig device = platform::DeviceConfig::WithPitchSigns(width, height, 1, 1);
    if (!platform::ResetForTesting(device)) return false;
    return display()->OpenWindowed(0, width, height) == kOk && initSurfaces(display(), 1) == kOk;
  }
  Surface* Back() { return display()->BackBuffer(); }

  // The middle of the key with this label in the layer showing.
  std::pair<int32_t, int32_t> KeyCentre(const WString& label) {
    for (int32_t i = 0; i < keyCount(); ++i) {
      const KeyButton& k = key(i);
      if (k.label == label) return {k.x + k.width / 2, k.y + k.height / 2};
    }
    return {-1, -1};
  }
  void Tap(std::pair<int32_t, int32_t> at) {
    onStylusDown(at.first, at.second);
    onStylusUp(at.first, at.second);
  }
  std::pair<int32_t, int32_t> Centre(ScreenPart part) {
    const ScreenRect r = partRect(part);
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  }

 private:
  static inline int made_ = 0;
  static AppConfig Config() {
    AppConfig c{};
    c.instance = 1;
    c.appName = u"Bench";
    c.frameRate = 30;
    c.shellMode = 1;
    return c;
  }
};

// Types 7.5*7.5+3 with the keypad: an expression and its answer on screen.
void TypeExpression(BenchCalc& calc) {
  for (const char16_t* label : {u"7", u".", u"5", u"*", u"7", u".", u"5", u"+", u"3"}) {
    calc.Tap(calc.KeyCentre(label));
  }
}

void BM_DrawFrame(benchmark::State& state) {
  const auto width = static_cast<int32_t>(state.range(0));
  const auto height = static_cast<int32_t>(state.range(1));
  BenchCalc calc;
  if (!calc.SetUp(width, height)) {
    state.SkipWithError("the calculator could not be set up");
    return;
  }
  TypeExpression(calc);
  if (calc.answerText().Empty()) state.SkipWithError("no answer on screen");
  for (auto _ : state) {
    calc.drawFrame(calc.Back(), 0);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_DrawFrame)->Args({480, 640})->Args({240, 320});

void BM_MemcpyFrame(benchmark::State& state) {
  const size_t bytes = static_cast<size_t>(state.range(0) * state.range(1)) * sizeof(uint16_t);
  std::vector<uint8_t> from(bytes, 0x5A), to(bytes);
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), bytes);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_MemcpyFrame)->Args({480, 640})->Args({240, 320});

void BM_KeyPressToAnswer(benchmark::State& state) {
  BenchCalc calc;
  if (!calc.SetUp(480, 640)) {
    state.SkipWithError("the calculator could not be set up");
    return;
  }
  TypeExpression(calc);
  const auto plus = calc.KeyCentre(u"+");
  const auto del = calc.KeyCentre(u"");
  for (auto _ : state) {
    calc.Tap(plus);
    calc.Tap(del);
    benchmark::DoNotOptimize(calc.answerText().Length());
  }
  if (calc.answerText() != WString(u"59.25")) state.SkipWithError("the answer went wrong");
  state.SetItemsProcessed(state.iterations() * 2);
}
BENCHMARK(BM_KeyPressToAnswer);

// Every slot of the wide screen filled (stored answers of 7.5*7.5+3 and
// less), then a 200-character input, the longest that is saved.
bool FillSettings(BenchCalc& calc) {
  for (int i = 0; i < 5; ++i) {
    TypeExpression(calc);
    calc.Tap(calc.Centre(ScreenPart::kAnswer));
  }
  for (int i = 0; i < 22; ++i) TypeExpression(calc);
  calc.Tap(calc.KeyCentre(u"+"));
  calc.Tap(calc.KeyCentre(u"3"));
  for (int32_t i = 0; i < calc.columns(); ++i) {
    if (!calc.slot(i).occupied) return false;
  }
  return calc.inputBox().label.Length() == 200;
}

void BM_SaveSettings(benchmark::State& state) {
  BenchCalc calc;
  if (Scratch().Path().empty() || !calc.SetUp(640, 480) || !FillSettings(calc)) {
    state.SkipWithError("the calculator could not be set up");
    return;
  }
  int32_t angle = 0;
  for (auto _ : state) {
    // One setting changes each time, as between a run's start and its end:
    // an unchanged registry would not be written at all.
    SetAngleMode(angle ^= 1);
    calc.SerializeSettings(SettingsDirection::kSave);
  }
  SetAngleMode(Radians);
}
BENCHMARK(BM_SaveSettings);

// The same file's bytes written in place, the least any save can cost.
void BM_FwriteSettings(benchmark::State& state) {
  BenchCalc calc;
  if (Scratch().Path().empty() || !calc.SetUp(640, 480) || !FillSettings(calc)) {
    state.SkipWithError("the calculator could not be set up");
    return;
  }
  calc.SerializeSettings(SettingsDirection::kSave);
  const std::string path = calc.registryFile();
  std::string bytes;
  if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
    char buffer[4096];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, f)) > 0;) bytes.append(buffer, n);
    std::fclose(f);
  }
  if (bytes.empty()) {
    state.SkipWithError("no settings file was written");
    return;
  }
  const std::string copy = path + ".plain";
  for (auto _ : state) {
    std::FILE* f = std::fopen(copy.c_str(), "wb");
    if (f == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size()) {
      state.SkipWithError("the plain write failed");
    }
    if (f != nullptr) std::fclose(f);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes.size()));
}
BENCHMARK(BM_FwriteSettings);

// Milliseconds from spawning `abacine --headless --script -` with "state"
// on its standard input to the first byte of its output; -1 on failure.
double StartupMs(const std::string& runtime) {
  int in[2], out[2];
  if (pipe(in) != 0 || pipe(out) != 0) return -1;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, in[0], 0);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  for (int fd : {in[0], in[1], out[0], out[1]}) posix_spawn_file_actions_addclose(&actions, fd);
  const std::string program = kBin + "abacine";
  std::vector<std::string> args = {program, "--headless", "--script", "-"};
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
  // A first run every time, and never the user's settings.
  const std::string settings = runtime + "/settings.reg";
  unlink(settings.c_str());
  setenv("ABACINE_REGISTRY", settings.c_str(), 1);
  const auto start = std::chrono::steady_clock::now();
  pid_t pid = -1;
  const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(in[0]);
  close(out[1]);
  double ms = -1;
  if (spawned == 0 && write(in[1], "state\n", 6) == 6) {
    close(in[1]);
    in[1] = -1;
    char byte = 0;
    if (read(out[0], &byte, 1) == 1) {
      ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
               .count();
    }
  }
  if (in[1] >= 0) close(in[1]);
  close(out[0]);
  if (spawned == 0) waitpid(pid, nullptr, 0);
  return ms;
}

void ReportStartup() {
  char pattern[] = "/tmp/abacine_bench_XXXXXX";
  if (mkdtemp(pattern) == nullptr) return;
  std::vector<double> times;
  for (int i = 0; i < 15; ++i) {
    const double ms = StartupMs(pattern);
    if (ms >= 0) times.push_back(ms);
  }
  unlink((std::string(pattern) + "/settings.reg").c_str());
  rmdir(pattern);
  if (times.empty()) {
    std::printf("start-up: the program could not be run from %s\n", kBin.c_str());
    return;
  }
  std::sort(times.begin(), times.end());
  std::printf("%-48s %10.1f ms  (fastest %.1f ms)  goal: under 100 ms\n",
              "start-up, exec to first frame (median of 15)", times[times.size() / 2],
              times.front());
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  bench::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  std::printf("\n");
  reporter.Ratio("drawFrame 480x640 vs memcpy of the frame", "BM_DrawFrame/480/640",
                 "BM_MemcpyFrame/480/640", "goal: under 1000 us");
  reporter.Ratio("drawFrame 240x320 vs memcpy of the frame", "BM_DrawFrame/240/320",
                 "BM_MemcpyFrame/240/320");
  if (const double ns = reporter.Ns("BM_KeyPressToAnswer"); ns > 0) {
    std::printf("%-48s %10.2f us  goal: under 20 us\n", "key press, tap to formatted answer",
                ns / 2 / 1000);
  }
  reporter.Ratio("save of all settings vs fwrite of its bytes", "BM_SaveSettings",
                 "BM_FwriteSettings", "goal: under 1000 us");
  ReportStartup();
  benchmark::Shutdown();
  return 0;
}

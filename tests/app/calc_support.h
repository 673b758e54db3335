// Scripted runs of the real calculator in this process: the framework, the
// headless backend and the simulated clock of app_support.h, the packed
// skin from the build's bin folder, and the script runner the program
// uses. Also a reader for the fields of the state's JSON line.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "app/abacine_app.h"
#include "app/script_runner.h"
#include "app_support.h"
#include "support/scratch_dir.h"
#include "support/settings_file.h"

namespace abacine::testing {

inline const std::u16string kSkinPath = [] {
  const std::string path = std::string(ABACINE_BINARY_DIR) + "/bin/windows.vfs";
  return std::u16string(path.begin(), path.end());
}();

// The four screen classes.
inline const char* const kScreens[] = {"240x320", "320x240", "480x640", "640x480"};

struct ScreenSize {
  int32_t width = 0, height = 0;
};
inline ScreenSize ParseScreen(const std::string& screen) {
  const size_t x = screen.find('x');
  return {std::stoi(screen.substr(0, x)), std::stoi(screen.substr(x + 1))};
}

struct CalcRun {
  int result = -1;          // run()'s result
  int status = -1;          // the script's exit status
  std::string out, err;
  std::vector<std::string> states;  // the lines `state` printed
};

// Element i (from 0) of a JSON array as written; "<missing>" when there is
// none.
inline std::string Element(const std::string& array, size_t i) {
  size_t start = 1, n = 0;
  int depth = 0;
  bool inString = false;
  for (size_t k = 1; k < array.size(); ++k) {
    const char c = array[k];
    if (inString) {
      if (c == '\\') ++k;
      else if (c == '"') inString = false;
    } else if (c == '"') {
      inString = true;
    } else if (c == '[' || c == '{') {
      ++depth;
    } else if ((c == ',' && depth == 0) || ((c == ']' || c == '}') && depth-- == 0)) {
      if (k == start) break;  // an empty array
      if (n++ == i) return array.substr(start, k - start);
      start = k + 1;
    }
  }
  return "<missing>";
}

// The value of a field of a state line as written: a string with its
// quotes, a number, true/false/null, or an array with its brackets.
// "name[i]" is element i of the array `name`.
inline std::string Field(const std::string& json, const std::string& name) {
  if (const size_t open = name.find('['); open != std::string::npos) {
    return Element(Field(json, name.substr(0, open)), std::stoul(name.substr(open + 1)));
  }
  const std::string key = "\"" + name + "\":";
  const size_t at = json.find(key);
  if (at == std::string::npos) return "<missing " + name + ">";
  size_t i = at + key.size();
  const size_t start = i;
  int depth = 0;
  bool inString = false;
  for (; i < json.size(); ++i) {
    const char c = json[i];
    if (inString) {
      if (c == '\\') ++i;
      else if (c == '"') inString = false;
      if (!inString && depth == 0) return json.substr(start, i + 1 - start);
      continue;
    }
    if (c == '"') inString = true;
    else if (c == '[' || c == '{') ++depth;
    else if (c == ']' || c == '}') {
      if (depth == 0) break;
      if (--depth == 0) return json.substr(start, i + 1 - start);
    } else if (c == ',' && depth == 0) break;
  }
  return json.substr(start, i - start);
}

// A string field without its quotes (the tests' texts have no escapes).
inline std::string Text(const std::string& json, const std::string& name) {
  const std::string v = Field(json, name);
  return v.size() >= 2 && v.front() == '"' ? v.substr(1, v.size() - 2) : v;
}

// A text as a JSON string, with its quotes.
inline std::string Q(const std::string& s) { return "\"" + s + "\""; }

// After the script, state line `state` has `field` equal to `value` (as
// JSON: strings with their quotes), or different from it with `differs`.
struct Expect {
  size_t state;
  const char* field;
  std::string value;
  bool differs = false;
};

// A scripted run and what its state lines must hold.
struct Row {
  const char* name;
  std::string script;
  std::vector<Expect> expects;
};

// The run ended cleanly and every expectation of the row holds.
inline void Check(const Row& row, const CalcRun& run) {
  EXPECT_EQ(run.result, 0);
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "");
  for (const Expect& e : row.expects) {
    SCOPED_TRACE(std::string("state ") + std::to_string(e.state) + " " + e.field);
    ASSERT_LT(e.state, run.states.size());
    const std::string got = Field(run.states[e.state], e.field);
    if (e.differs) {
      EXPECT_NE(got, e.value);
    } else {
      EXPECT_EQ(got, e.value);
    }
  }
}

class CalcTest : public PlatformTest {
 protected:
  // Runs `script` on a calculator with the given screen ("240x320" ...)
  // until the script ends (at most `limit` frame periods). `inspect`, when
  // given, runs after every frame with the application. The settings file
  // is `registry` when set (runs that follow each other share it), else a
  // new one in a private folder for every run. A run whose file does not
  // exist yet starts past the first run (no tutorial) unless `firstRun`.
  CalcRun Run(const std::string& screen, const std::string& script, bool fullScreen = false,
              int32_t topBar = 0, const std::function<void(AbacineApp&)>& inspect = {},
              uint64_t limit = 20000) {
    const ScreenSize size = ParseScreen(screen);
    platform::DeviceConfig device =
        platform::DeviceConfig::WithPitchSigns(size.width, size.height, 1, 1);
    device.work_area_top = topBar;
    Reset(device);
    ProgramOptions options;
    options.fullScreen = fullScreen;
    AbacineApp app(AbacineConfig(1, options));
    app.setSkinArchive(kSkinPath);
    const std::string settings =
        registry.empty() ? scratch.Path() + "/run" + std::to_string(++runs) + ".reg" : registry;
    if (!firstRun) WriteSettingsPastFirstRun(settings);
    app.setRegistryFile(settings);
    std::istringstream in(script);
    std::ostringstream out, err;
    ScriptRunner runner(app, in, out, err);
    app.setFrameHook([&](AppFramework& running) {
      if (inspect) inspect(app);
      runner.onFrame(running);
      if (running.framePeriods() >= limit) running.requestQuit();
    });
    CalcRun run;
    run.result = app.run();
    run.status = runner.exitStatus();
    run.out = out.str();
    run.err = err.str();
    std::istringstream lines(run.out);
    for (std::string line; std::getline(lines, line);) run.states.push_back(line);
    if (!quitsBeforeTheEnd) {
      EXPECT_TRUE(runner.finished()) << "the script did not end within " << limit << " frames";
    }
    return run;
  }

  ScratchDir scratch;
  std::string registry;
  bool firstRun = false;
  bool quitsBeforeTheEnd = false;  // the program ends the run, not the script
  int runs = 0;
};

}  // namespace abacine::testing

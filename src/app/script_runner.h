// ScriptRunner: a scripted run of the calculator (`abacine --script FILE`).
// It reads one command a line as the run goes, from the frame hook: each
// command that gives input (tap, down, up, press, key, each key of type,
// rotate, quit) posts it as a user would, and the next command runs one
// frame period later, when the input has been handled and drawn; `frames N`
// lets N periods pass; state, clipboard and screenshot take no time. Blank
// lines and lines starting with '#' are skipped.
//
// An unknown command, target, label or key, or a bad argument, prints
// "script:LINE: message" on the error stream and ends the run with exit
// status 2. The end of the script ends the run normally.
#pragma once

#include <cstdint>
#include <deque>
#include <istream>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "app/calc_app.h"
#include "app/program.h"
#include "app/script_keys.h"

namespace abacine {

class ScriptRunner final : public ProgramScript {
 public:
  static constexpr int kErrorStatus = 2;
  // The most frames one `frames` command may let pass (about 9 hours).
  static constexpr int64_t kMaxFrames = 1000000;

  ScriptRunner(CalcApp& app, std::istream& in, std::ostream& out, std::ostream& err);

  void onFrame(AppFramework& app) override;
  int exitStatus() const override { return status_; }
  // True once the script ended (its end, quit, or an error).
  bool finished() const { return finished_; }

  // What a command asks of the run: the frame periods before the next
  // command (0: at once), or an error message.
  struct Outcome {
    int64_t frames = 0;
    std::string error;
    bool quit = false;
  };

 private:
  struct Command {
    std::string_view name;
    Outcome (ScriptRunner::*run)(std::string_view args);
  };
  // The command of that name; null when there is none.
  static const Command* findCommand(std::string_view name);

  Outcome runLine(std::string_view line);
  void fail(const std::string& message);
  void finish();

  // --- Commands (script_commands.cpp) ----------------------------------------
  Outcome tap(std::string_view args);
  Outcome down(std::string_view args);
  Outcome up(std::string_view args);
  Outcome press(std::string_view args);
  Outcome key(std::string_view args);
  Outcome type(std::string_view args);
  Outcome clipboard(std::string_view args);
  Outcome frames(std::string_view args);
  Outcome rotate(std::string_view args);
  Outcome screenshot(std::string_view args);
  Outcome state(std::string_view args);
  Outcome quit(std::string_view args);

  // --- Input as a user gives it ------------------------------------------------
  void stylus(uint32_t message, ScreenPoint p);
  void tapAt(ScreenPoint p);
  // Holds the stroke's modifiers down until the next frame, so that the
  // key messages see them when they are handled.
  void strike(const KeyStroke& stroke);
  void releaseModifiers();

  CalcApp& app_;
  std::istream& in_;
  std::ostream& out_;
  std::ostream& err_;
  int64_t line_ = 0;
  int64_t waitFrames_ = 0;
  int status_ = 0;
  bool finished_ = false;
  std::deque<KeyStroke> pendingStrokes_;  // the rest of a `type`
  std::vector<int> heldModifiers_;
};

}  // namespace abacine

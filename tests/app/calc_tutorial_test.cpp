// The tutorial as a user meets it: the first start, every step on every
// screen with taps beside the target ignored, and the user's own state
// back however it ends: its last button, a device button, the program
// quit in its middle. Also the about screen's close button keeping it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "calc_support.h"

namespace abacine::testing {
namespace {

// Taps that no step outlines: the clear and about buttons, key 9's place
// (drawn or not) and slot 3.
constexpr char kBesideTheTarget[] = "tap clear\ntap about\npress 9\ntap slot 3\n";

// One step: what the user does, then what the state shows after it.
struct Step {
  const char* action;
  std::vector<std::pair<const char*, std::string>> after;
};

// The start of a slot's state; an empty slot keeps whatever value it had.
std::string Slot(bool occupied, bool locked, const std::string& value = "") {
  return std::string("{\"occupied\":") + (occupied ? "true" : "false") +
         ",\"locked\":" + (locked ? "true" : "false") + (value.empty() ? "" : ",\"value\":" + value);
}

// The field starts with `want` (a slot's value with its text left out).
void ExpectStarts(const std::string& json, const char* field, const std::string& want) {
  const std::string got = Field(json, field);
  EXPECT_EQ(got.substr(0, want.size()), want) << field;
}

const std::vector<Step>& Walk() {
  static const std::vector<Step> steps = {
      {"tap target", {{"tutorial", "1"}}},
      {"press 1", {{"tutorial", "1"}, {"input", Q("1")}}},
      {"press 2", {{"tutorial", "2"}, {"answer", Q("12")}}},
      {"tap target", {{"tutorial", "3"}, {"input", Q("4+")}, {"slots[0]", Slot(true, false, "12")}}},
      {"tap target", {{"tutorial", "4"}, {"input", Q("4+(12)")}, {"answer", Q("16")}}},
      {"tap target", {{"tutorial", "5"}, {"input", Q("")}, {"slots[0]", Slot(true, false, "16")}}},
      {"tap target", {{"tutorial", "6"}, {"slots[0]", Slot(true, true, "16")}}},
      {"tap target", {{"tutorial", "7"}, {"input", Q("(16)")}, {"slots[0]", Slot(true, true, "16")}}},
      {"tap target",
       {{"tutorial", "8"}, {"input", Q("sin(30)")}, {"answer", Q("-0.9880316241")},
        {"angle", Q("rad")}, {"slots[0]", Slot(false, false)}}},
      {"tap target", {{"tutorial", "9"}, {"angle", Q("deg")}, {"answer", Q("0.5")}}},
      {"tap target", {{"tutorial", "10"}, {"fractions", "true"}, {"input", Q("")}}},
      {"tap target", {{"tutorial", "null"}, {"layer", "0"}}},
  };
  return steps;
}

// The first `count` steps, each preceded by taps beside the target and a
// state line (the step must not have moved), and followed by one.
std::string WalkScript(size_t count) {
  std::string script;
  for (size_t i = 0; i < count && i < Walk().size(); ++i) {
    script += std::string(kBesideTheTarget) + "state\n" + Walk()[i].action + "\nframes 1\nstate\n";
  }
  return script;
}

// `first`: the index of the state line just before the walk.
void CheckWalk(const CalcRun& run, size_t count, size_t first) {
  ASSERT_GE(run.states.size(), first + 1 + 2 * count) << run.err;
  std::string before = run.states[first];
  for (size_t i = 0; i < count; ++i) {
    SCOPED_TRACE(std::string("step ") + std::to_string(i) + ": " + Walk()[i].action);
    const std::string& ignored = run.states[first + 1 + 2 * i];
    const std::string& after = run.states[first + 2 + 2 * i];
    for (const char* field : {"tutorial", "input", "slots", "layer", "about", "angle"}) {
      EXPECT_EQ(Field(ignored, field), Field(before, field)) << "a tap beside the target: " << field;
    }
    for (const auto& [field, value] : Walk()[i].after) ExpectStarts(after, field, value);
    before = after;
  }
}

TEST_F(CalcTest, TheFirstStartWalksTheWholeTutorialOnEveryScreen) {
  for (const char* screen : kScreens) {
    SCOPED_TRACE(screen);
    registry = scratch.Path() + "/first-" + screen + ".reg";
    firstRun = true;
    const CalcRun run = Run(screen, "state\n" + WalkScript(Walk().size()));
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(Field(run.states[0], "tutorial"), "0");
    CheckWalk(run, Walk().size(), 0);
    // The first run's own state (nothing) is back, and it never comes again.
    const std::string& last = run.states.back();
    EXPECT_EQ(Text(last, "input"), "");
    ExpectStarts(last, "slots[0]", Slot(false, false));
    EXPECT_EQ(Field(Run(screen, "state").states.at(0), "tutorial"), "null");
  }
}

// The user's two locked answers, degrees, fractions and an input; then the
// tutorial from the about screen's help button.
constexpr char kUserState[] =
    "type 12\ntap answer\ntype 5\ntap answer\ntap lock\npress 2nd\ntap slot 2\ntap slot 4\n"
    "press 2nd\ntype 7*3\ntap about\ntap help\nstate\n";

TEST_F(CalcTest, TheUsersStateComesBackHoweverTheTutorialEnds) {
  const struct {
    const char* name;
    size_t steps;       // walked before the end
    const char* end;    // what ends it ("" : the program quits)
  } rows[] = {
      {"its last button", Walk().size(), ""},
      {"a device button in step 4", 4, "key button-a\n"},
      {"a device button in step 8, the second layer showing", 8, "key button-b\n"},
      {"the program quit in step 6", 6, ""},
  };
  int n = 0;
  for (const char* screen : {"240x320", "640x480"}) {
    for (const auto& row : rows) {
      SCOPED_TRACE(std::string(screen) + ": " + row.name);
      registry = scratch.Path() + "/ends" + std::to_string(++n) + ".reg";
      const bool quits = *row.end == '\0' && row.steps < Walk().size();
      CalcRun run = Run(screen, kUserState + WalkScript(row.steps) + row.end + "state\n");
      ASSERT_EQ(run.status, 0) << run.err;
      EXPECT_EQ(Field(run.states[0], "tutorial"), "0");
      EXPECT_EQ(Field(run.states[0], "about"), "false");
      ExpectStarts(run.states[0], "slots[0]", Slot(false, false));
      CheckWalk(run, row.steps, 0);
      if (quits) run = Run(screen, "state");
      const std::string& back = run.states.back();
      EXPECT_EQ(Field(back, "tutorial"), "null");
      EXPECT_EQ(Text(back, "input"), "7*3");
      EXPECT_EQ(Text(back, "answer"), "21");
      EXPECT_EQ(Field(back, "layer"), "0");
      EXPECT_EQ(Text(back, "angle"), "deg");
      EXPECT_EQ(Field(back, "fractions"), "true");
      ExpectStarts(back, "slots[0]", Slot(true, true, "12"));
      ExpectStarts(back, "slots[1]", Slot(true, true, "5"));
      ExpectStarts(back, "slots[2]", Slot(false, true));
    }
  }
}

// A quarter turn in the middle: the steps go on on the new screen, the
// mode switches still over the slots.
TEST_F(CalcTest, TheTutorialGoesOnAfterAQuarterTurn) {
  for (const char* screen : {"240x320", "640x480"}) {
    SCOPED_TRACE(screen);
    firstRun = true;
    const std::string turn = "rotate\nframes 1\n";
    const CalcRun run = Run(screen, WalkScript(3) + turn + WalkScript(10).substr(WalkScript(3).size()) +
                                        turn + "state\ntap target\nframes 1\nstate\n");
    ASSERT_EQ(run.status, 0) << run.err;
    ASSERT_GE(run.states.size(), 2u);
    const std::string& turned = run.states[run.states.size() - 2];
    EXPECT_EQ(Field(turned, "tutorial"), "9");
    EXPECT_EQ(Field(turned, "screen"), Q(screen));
    const std::string& last = run.states.back();
    EXPECT_EQ(Field(last, "tutorial"), "10");
    EXPECT_EQ(Field(last, "fractions"), "true");
  }
}

// The about screen's close button ends the run and saves: the next start
// shows the same slot and input.
TEST_F(CalcTest, TheCloseButtonQuitsAndTheNextStartShowsTheSameState) {
  for (const char* screen : kScreens) {
    SCOPED_TRACE(screen);
    registry = scratch.Path() + "/close-" + screen + ".reg";
    quitsBeforeTheEnd = true;
    const CalcRun closed =
        Run(screen, "type 12\ntap answer\ntype 3+4\ntap about\ntap close\nstate", false, 0, {}, 300);
    quitsBeforeTheEnd = false;
    EXPECT_EQ(closed.status, 0) << closed.err;
    EXPECT_TRUE(closed.states.empty()) << "the run went on after the close button";
    const CalcRun next = Run(screen, "state");
    ASSERT_EQ(next.states.size(), 1u);
    EXPECT_EQ(Text(next.states[0], "input"), "3+4");
    ExpectStarts(next.states[0], "slots[0]", Slot(true, false, "12"));
  }
}

}  // namespace
}  // namespace abacine::testing

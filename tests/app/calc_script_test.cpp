// The calculator as a user drives it, through scripted runs in this
// process, on all four screens: the keypad in both layers, the input line's
// editing, the live answer, the hardware keyboard, the clipboard, the
// caret's blink, scrolling, the clear button, the quarter turn and the
// about screen; and the script language's own errors.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "calc_support.h"

namespace abacine::testing {
namespace {

// Paths users take, the same on every screen.
const Row kEveryScreen[] = {
    {"2, + and 3 on the keypad", "press 2\nstate\npress +\nstate\npress 3\nstate",
     {{0, "input", Q("2")}, {0, "answer", Q("2")}, {1, "input", Q("2+")}, {1, "answer", Q("")},
      {2, "input", Q("2+3")}, {2, "answer", Q("5")}, {2, "cursor", "3"}}},
    {"2nd then sin inserts sin( and turns back",
     "press 2nd\nstate\npress sin\nstate",
     {{0, "layer", "1"}, {0, "input", Q("")}, {1, "input", Q("sin(")}, {1, "layer", "0"}}},
    {"2nd twice inserts nothing", "press 2nd\npress 2nd\nstate",
     {{0, "input", Q("")}, {0, "layer", "0"}, {0, "cursor", "0"}}},
    {"e^x inserts e, ^ and a bracket", "press 2nd\npress ℯ^x\nstate\npress 1\npress )\nstate",
     {{0, "input", Q("ℯ^(")}, {0, "layer", "0"}, {1, "answer", Q("2.7182818285")}}},
    {"x² inserts one sign", "press 3\npress 2nd\npress x²\nstate",
     {{0, "input", Q("3²")}, {0, "cursor", "2"}, {0, "answer", Q("9")}}},
    {"the log key inserts log10(", "press 2nd\npress log\ntype 100)\nstate",
     {{0, "input", Q("log10(100)")}, {0, "answer", Q("2")}}},
    {"the root key brings its bracket", "press √\npress 9\npress )\nstate",
     {{0, "input", Q("√(9)")}, {0, "answer", Q("3")}}},
    {"x⁻¹ inserts one sign", "press 4\npress 2nd\npress x⁻¹\nstate",
     {{0, "input", Q("4⁻¹")}, {0, "answer", Q("0.25")}}},
    {"delete takes the character before the cursor, nothing at 0",
     "type 12\npress delete\nstate\nkey left\npress delete\nstate",
     {{0, "input", Q("1")}, {0, "cursor", "1"}, {0, "answer", Q("1")},
      {1, "input", Q("1")}, {1, "cursor", "0"}}},
    {"a tap in the input box moves the cursor",
     "type 1234\nkey left\nkey left\nkey left\nstate\ntap input\nstate",
     {{0, "cursor", "1"}, {1, "cursor", "4"}, {1, "input", Q("1234")}}},
    {"the A key inserts a lower-case a, with and without Shift", "key a\nkey shift+a\nkey A\nstate",
     {{0, "input", Q("aaa")}}},
    {"Ctrl+V appends and leaves the cursor", "clipboard 12\ntype 3\nkey left\nkey ctrl+v\nstate",
     {{0, "input", Q("312")}, {0, "cursor", "0"}, {0, "answer", Q("312")}}},
    {"Ctrl+C copies the whole input", "type 2+3\nkey left\nkey ctrl+c\nstate",
     {{0, "clipboard", Q("2+3")}, {0, "input", Q("2+3")}}},
    {"what Ctrl+C copies, Ctrl+V reads back as signs", "key ctrl+shift+p\nkey ctrl+c\nkey ctrl+v\nstate",
     {{0, "input", Q("ππ")}, {0, "answer", Q("9.8696044011")}}},
    {"the numeric pad and Shift's symbols", "key kp1\nkey kp+\nkey kp2\nkey kp*\nkey kp3\nstate\n"
                                            "tap clear\ntype (1+2)*3\nstate",
     {{0, "input", Q("1+2*3")}, {0, "answer", Q("7")}, {1, "input", Q("(1+2)*3")},
      {1, "answer", Q("9")}}},
    {"Ctrl+Shift gives the signs", "key ctrl+shift+p\nstate\nkey ctrl+shift+s\nstate",
     {{0, "input", Q("π")}, {0, "answer", Q("3.1415926536")}, {1, "input", Q("π∫(")},
      {1, "answer", Q("")}}},
    // The press lands at about 33 ms; the caret shows for 500 ms of each
    // second from the last edit.
    {"the caret shows after each key press and blinks every second",
     "press 5\nstate\nframes 13\nstate\nframes 3\nstate\nframes 12\nstate\nframes 3\nstate\n"
     "frames 15\nstate\npress 6\nstate",
     {{0, "caret", "true"}, {1, "caret", "true"}, {2, "caret", "false"}, {3, "caret", "false"},
      {4, "caret", "true"}, {5, "caret", "false"}, {6, "caret", "true"}, {6, "input", Q("56")}}},
    {"a long input scrolls to keep the cursor in view",
     "type 123456789012345678901234567890123456789012345678901234567890\nstate\nkey left\nstate",
     {{0, "first_visible", "0", true}, {0, "cursor", "60"}, {1, "cursor", "59"}}},
    {"the clear button empties input and answer", "type 2+3\nstate\ntap clear\nstate",
     {{0, "answer", Q("5")}, {1, "input", Q("")}, {1, "answer", Q("")}, {1, "cursor", "0"}}},
};

TEST_F(CalcTest, PathsUsersTakeOnEveryScreen) {
  for (const char* screen : kScreens) {
    for (const Row& row : kEveryScreen) {
      SCOPED_TRACE(std::string(screen) + ": " + row.name);
      Check(row, Run(screen, row.script));
    }
  }
}

// A tap on a character puts the cursor before it: here the first one, a
// pixel into its cell (the text starts a quarter space into the box, and
// the row is the box's middle).
TEST_F(CalcTest, ATapOnACharacterPutsTheCursorBeforeIt) {
  const struct {
    const char* screen;
    const char* tap;
  } rows[] = {{"240x320", "tap 2 47"}, {"320x240", "tap 2 47"}, {"480x640", "tap 3 92"},
              {"640x480", "tap 3 92"}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.screen);
    const CalcRun run =
        Run(row.screen, std::string("type 1234\n") + row.tap + "\nstate\npress 5\nstate");
    ASSERT_EQ(run.states.size(), 2u) << run.err;
    EXPECT_EQ(Field(run.states[0], "cursor"), "0");
    EXPECT_EQ(Text(run.states[1], "input"), "51234");
  }
}

// The keypad's two layers, as the state lists their enabled keys.
const char kUpright0[] =
    R"j(["2nd","(",")","delete","7","8","9","/","4","5","6","*","1","2","3","-","0",".","√","+"])j";
const char kUpright1[] =
    R"j(["2nd","(",")","delete","sin","cos","tan","!","asin","acos","atan","x²","ln","ℯ^x","log","x⁻¹","π","ℯ","^","ᴇ"])j";
const char kWide0[] =
    R"j(["2nd","7","8","9","delete","/","4","5","6","-","*","1","2","3","+","(","0",".","√",")"])j";
// The corner keys keep what the first layer gave them.
const char kWide1[] =
    R"j(["2nd","(",")","ℯ^x","delete","π","sin","cos","tan","x²","ℯ","asin","acos","atan","x⁻¹","(","log","ln","^",")"])j";

TEST_F(CalcTest, EachScreenLaysOutItsKeypadAndEveryKeyInsertsItsText) {
  // Every second-layer key, one press each (2nd before each, as a user
  // must); wide screens have no factorial or exponent key.
  const char* kSecondLayer =
      "press π\npress 2nd\npress ℯ\npress 2nd\npress ^\npress 2nd\npress x⁻¹\n"
      "press 2nd\npress x²\npress 2nd\npress ln\npress 2nd\npress ℯ^x\npress 2nd\npress asin\n"
      "press 2nd\npress acos\npress 2nd\npress atan\npress 2nd\npress cos\npress 2nd\npress tan\n";
  const std::string upright = std::string("state\npress 2nd\nstate\n") + kSecondLayer +
                              "press 2nd\npress !\npress 2nd\npress ᴇ\nstate";
  const std::string wide = std::string("state\npress 2nd\nstate\n") + kSecondLayer + "state";
  const char* inserted = "πℯ^⁻¹²ln(ℯ^(asin(acos(atan(cos(tan(";
  const struct {
    const char* screen;
    const char* layer0;
    const char* layer1;
    const std::string& script;
    std::string input;
  } rows[] = {{"240x320", kUpright0, kUpright1, upright, std::string(inserted) + "!ᴇ"},
              {"480x640", kUpright0, kUpright1, upright, std::string(inserted) + "!ᴇ"},
              {"320x240", kWide0, kWide1, wide, inserted},
              {"640x480", kWide0, kWide1, wide, inserted}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.screen);
    const CalcRun run = Run(row.screen, row.script);
    ASSERT_EQ(run.states.size(), 3u) << run.err;
    EXPECT_EQ(Field(run.states[0], "keys"), row.layer0);
    EXPECT_EQ(Field(run.states[1], "keys"), row.layer1);
    EXPECT_EQ(Field(run.states[1], "layer"), "1");
    EXPECT_EQ(Text(run.states[2], "input"), row.input);
    EXPECT_EQ(Field(run.states[2], "layer"), "0");
    EXPECT_EQ(Text(run.states[2], "screen"), row.screen);
  }
}

// A quarter turn lays the keypad out for the new shape and keeps the input
// and the answer; four turns come back.
TEST_F(CalcTest, AQuarterTurnReLaysOutTheKeypadAndKeepsTheInput) {
  const struct {
    const char* screen;
    const char* turned;
    const char* keys;
    const char* turnedKeys;
  } rows[] = {{"240x320", "320x240", kUpright0, kWide0},
              {"480x640", "640x480", kUpright0, kWide0},
              {"320x240", "240x320", kWide0, kUpright0},
              {"640x480", "480x640", kWide0, kUpright0}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.screen);
    const CalcRun run = Run(row.screen,
                            "type 12+3\npress 2nd\nrotate\nstate\npress 4\nrotate\nstate\n"
                            "rotate\nrotate\nstate");
    ASSERT_EQ(run.states.size(), 3u) << run.err;
    EXPECT_EQ(Text(run.states[0], "screen"), row.turned);
    EXPECT_EQ(Field(run.states[0], "keys"), row.turnedKeys);
    EXPECT_EQ(Field(run.states[0], "layer"), "0") << "a new layout starts on the first layer";
    EXPECT_EQ(Text(run.states[0], "input"), "12+3");
    EXPECT_EQ(Text(run.states[0], "answer"), "15");
    EXPECT_EQ(Text(run.states[1], "input"), "12+34") << "the new keypad works";
    EXPECT_EQ(Text(run.states[1], "screen"), row.screen);
    EXPECT_EQ(Text(run.states[2], "screen"), row.screen);
    EXPECT_EQ(Field(run.states[2], "keys"), row.keys);
    EXPECT_EQ(Text(run.states[2], "answer"), "46");
  }
}

// A wide screen shortened by a top bar has no room for the keypad's last
// row above the bottom buttons: its two corner keys go, in both layers,
// and are neither drawn nor tappable; the rest works.
TEST_F(CalcTest, AWideKeypadThatDoesNotFitGivesUpItsCornerKeys) {
  const CalcRun run =
      Run("640x480", "state\npress 2nd\nstate\npress 2nd\npress 0\nstate\ntap 95 375\nstate", false,
          26);
  ASSERT_EQ(run.states.size(), 4u) << run.err;
  EXPECT_EQ(Text(run.states[0], "screen"), "640x454");
  EXPECT_EQ(
      Field(run.states[0], "keys"),
      R"j(["2nd","7","8","9","delete","/","4","5","6","-","*","1","2","3","+","0",".","√"])j");
  EXPECT_EQ(
      Field(run.states[1], "keys"),
      R"j(["2nd","(",")","ℯ^x","delete","π","sin","cos","tan","x²","ℯ","asin","acos","atan","x⁻¹","log","ln","^"])j");
  EXPECT_EQ(Text(run.states[2], "input"), "0");
  EXPECT_EQ(Text(run.states[3], "input"), "0") << "a tap where key 15 would be does nothing";
  // Key 15's place (display row 375 is screen row 401) shows the
  // background; key 16 ("0") beside it is drawn.
  EXPECT_EQ(platform::TheDevice().ScreenPixel(95, 401), 0xE73C);
  EXPECT_NE(platform::TheDevice().ScreenPixel(95 + 114, 401), 0xE73C);
  const CalcRun press = Run("640x480", "press (", false, 26);
  EXPECT_EQ(press.err, "script:1: no key '(' on layer 0\n");
}

// The about screen on every screen: any tap but help and close closes it
// and goes no further (the web address opens nothing, the clear button
// clears nothing, a key's place types nothing); help closes it too, as the
// tutorial's start does.
TEST_F(CalcTest, TheAboutScreenClosesOnAnyOtherTapAndTakesItThere) {
  const Row rows[] = {
      {"the about button twice returns to the keypad",
       "type 12\ntap about\nstate\ntap about\nstate\npress 3\nstate",
       {{0, "about", "true"}, {1, "about", "false"}, {2, "input", Q("123")}}},
      {"a tap on the web address closes it", "type 12\ntap about\ntap link\nstate\npress 3\nstate",
       {{0, "about", "false"}, {0, "input", Q("12")}, {1, "input", Q("123")}}},
      {"a key's place and the clear button only close it",
       "type 12\ntap about\npress 7\nstate\ntap about\ntap clear\nstate",
       {{0, "about", "false"}, {0, "input", Q("12")}, {1, "about", "false"},
        {1, "input", Q("12")}}},
      {"help closes it and starts the tutorial", "tap about\ntap help\nstate",
       {{0, "about", "false"}, {0, "tutorial", "0"}}},
  };
  for (const char* screen : kScreens) {
    for (const Row& row : rows) {
      SCOPED_TRACE(std::string(screen) + ": " + row.name);
      Check(row, Run(screen, row.script));
    }
  }
}

// Targets of parts not showing are taps on what lies there now: the about
// screen's close button sits on the delete key; the web address and the
// tutorial's target, drawn nowhere, tap the screen's corner, where nothing
// takes it.
TEST_F(CalcTest, TargetsOfHiddenPartsTapWhatLiesThereNow) {
  for (const char* screen : kScreens) {
    SCOPED_TRACE(screen);
    const CalcRun run = Run(screen, "type 12\ntap close\ntap link\ntap target\nstate");
    ASSERT_EQ(run.states.size(), 1u) << run.err;
    EXPECT_EQ(Text(run.states[0], "input"), "1");
  }
}

// The fields of parts that later come to life, at their start values.
TEST_F(CalcTest, StateCarriesEveryFieldWithItsStartValue) {
  const CalcRun run = Run("320x240", "state");
  ASSERT_EQ(run.states.size(), 1u);
  const std::string& s = run.states[0];
  const std::string slot = R"({"occupied":false,"locked":false,"value":0,"text":""})";
  EXPECT_EQ(Field(s, "slots"),
            "[" + slot + "," + slot + "," + slot + "," + slot + "," + slot + "]");
  EXPECT_EQ(Field(s, "angle"), Q("rad"));
  EXPECT_EQ(Field(s, "fractions"), "false");
  EXPECT_EQ(Field(s, "about"), "false");
  EXPECT_EQ(Field(s, "tutorial"), "null");
  EXPECT_EQ(Field(s, "clipboard"), Q(""));
  EXPECT_EQ(Field(s, "first_visible"), "0");
  EXPECT_EQ(s.front(), '{');
  EXPECT_EQ(s.back(), '}');
}

// Texts with quotes, backslashes and control characters stay valid JSON.
TEST_F(CalcTest, StateEscapesWhatJsonCannotHoldPlainly) {
  const CalcRun run = Run("240x320", "clipboard a\"b\\c\ttab\nkey ctrl+v\nstate");
  ASSERT_EQ(run.states.size(), 1u) << run.err;
  EXPECT_EQ(Field(run.states[0], "clipboard"), R"("a\"b\\c\u0009tab")");
  // The one-line input takes the tab as a blank.
  EXPECT_EQ(Field(run.states[0], "input"), R"("a\"b\\c tab")");
}

TEST_F(CalcTest, CopiedSignsReachOtherProgramsInTheirReadableForms) {
  Run("240x320", "key ctrl+shift+p\npress 2\nkey ctrl+c");
  EXPECT_EQ(platform::GetClipboardText().value_or(u""), u"\u03C02");
  // What other programs put there reads back as signs.
  bool given = false;
  const CalcRun run = Run("240x320", "key ctrl+v\nstate", false, 0, [&](AbacineApp&) {
    if (!given) given = platform::SetClipboardText(u"2\u00D7\u03C0\n");
  });
  ASSERT_EQ(run.states.size(), 1u) << run.err;
  EXPECT_EQ(Field(run.states[0], "input"), Q("2*π"));
  EXPECT_EQ(Field(run.states[0], "answer"), Q("6.2831853072"));
}

TEST_F(CalcTest, ScriptErrorsNameTheirLineAndEndTheRun) {
  const struct {
    const char* script;
    const char* error;  // what stderr must be; "" for a clean run
    size_t states;      // lines `state` printed before the end
  } rows[] = {
      {"bogus", "script:1: unknown command 'bogus'\n", 0},
      {"# a comment\n\n   \nstate\nPress 2\nstate", "script:5: unknown command 'Press'\n", 1},
      {"tap nowhere", "script:1: unknown target 'nowhere'\n", 0},
      {"tap answer now", "script:1: unknown target 'answer now'\n", 0},
      {"tap slot 0", "script:1: tap slot: expected a slot number from 1 to 4\n", 0},
      {"tap slot 5", "script:1: tap slot: expected a slot number from 1 to 4\n", 0},
      {"tap slot", "script:1: tap slot: expected a slot number from 1 to 4\n", 0},
      {"tap 10", "script:1: unknown target '10'\n", 0},
      {"tap 10 99999", "script:1: unknown target '10 99999'\n", 0},
      {"down 1", "script:1: down: expected X Y\n", 0},
      {"up a b", "script:1: up: expected X Y\n", 0},
      {"press sinh", "script:1: no key 'sinh' on layer 0\n", 0},
      {"press sin", "script:1: no key 'sin' on layer 0\n", 0},
      {"press 2nd\npress 7", "script:2: no key '7' on layer 1\n", 0},
      {"press", "script:1: press: expected a key label\n", 0},
      {"key hyper+x", "script:1: unknown key 'hyper+x'\n", 0},
      {"key ctrl+", "script:1: unknown key 'ctrl+'\n", 0},
      {"key f1", "script:1: unknown key 'f1'\n", 0},
      {"type 2√", "script:1: type: no key types '√'\n", 0},
      {"type Sin", "script:1: type: no key types 'S'\n", 0},
      {"type", "script:1: type: expected a UTF-8 text\n", 0},
      {"type \xff", "script:1: type: expected a UTF-8 text\n", 0},
      {"frames -1", "script:1: frames: expected a count from 0 to 1000000\n", 0},
      {"frames 1000001", "script:1: frames: expected a count from 0 to 1000000\n", 0},
      {"frames 2x", "script:1: frames: expected a count from 0 to 1000000\n", 0},
      {"rotate 2", "script:1: rotate takes no argument\n", 0},
      {"state now", "script:1: state takes no argument\n", 0},
      {"screenshot", "script:1: screenshot: expected a file name\n", 0},
      {"screenshot /nonexistent/dir/x.png",
       "script:1: screenshot: could not write /nonexistent/dir/x.png\n", 0},
      {"bogus\nstate", "script:1: unknown command 'bogus'\n", 0},
      // quit ends the run: nothing after it runs, and it is no error.
      {"state\nquit\nbogus\nstate", "", 1},
      {"frames 0\nstate\n\n", "", 1},
      // The device buttons reach the calculator (the tutorial will take them).
      {"key button-a\nkey button-b\nkey button-c\nkey button-start\nstate", "", 1},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.script);
    const CalcRun run = Run("240x320", row.script);
    EXPECT_EQ(run.result, 0);
    EXPECT_EQ(run.err, row.error);
    EXPECT_EQ(run.status, *row.error == '\0' ? 0 : 2);
    EXPECT_EQ(run.states.size(), row.states);
  }
}

}  // namespace
}  // namespace abacine::testing

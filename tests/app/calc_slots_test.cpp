// Answers, memory slots, the lock, the mode switches and the settings that
// keep them from one run to the next, as a user meets them: scripted runs
// of the real calculator, each with a settings file in a private folder.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "calc_support.h"
#include "support/process.h"

namespace abacine::testing {
namespace {

const std::vector<const char*> kAll = {"240x320", "320x240", "480x640", "640x480"};
const std::vector<const char*> kUpright = {"240x320", "480x640"};
const std::vector<const char*> kWide = {"320x240", "640x480"};

// A slot as the state line shows it.
std::string S(bool occupied, bool locked, const std::string& value, const std::string& text) {
  return std::string("{\"occupied\":") + (occupied ? "true" : "false") +
         ",\"locked\":" + (locked ? "true" : "false") + ",\"value\":" + value +
         ",\"text\":" + Q(text) + "}";
}

// Types each value and stores its answer.
std::string Store(const std::vector<std::string>& values) {
  std::string script;
  for (const std::string& v : values) script += "type " + v + "\ntap answer\n";
  return script;
}

std::string Digits(size_t n) {
  std::string out;
  while (out.size() < n) out += static_cast<char>('0' + (out.size() + 1) % 10);
  return out;
}

std::string Paste(size_t n) { return "clipboard " + Digits(n) + "\nkey ctrl+v\n"; }

struct OnScreens {
  std::vector<const char*> screens;
  Row row;
};

TEST_F(CalcTest, StoringUsingLockingAndSwitchingModes) {
  const OnScreens rows[] = {
      {kUpright,
       {"five answers in four slots: the last is replaced",
        Store({"1", "2", "3", "4", "5"}) + "state",
        {{0, "slots[2]", S(true, false, "3", "3")}, {0, "slots[3]", S(true, false, "5", "5")},
         {0, "slots[4]", "<missing>"}}}},
      {kWide,
       {"five slots on wide screens, then the fifth is replaced",
        Store({"1", "2", "3", "4", "5"}) + "state\n" + Store({"6"}) + "state",
        {{0, "slots[3]", S(true, false, "4", "4")}, {0, "slots[4]", S(true, false, "5", "5")},
         {1, "slots[3]", S(true, false, "4", "4")}, {1, "slots[4]", S(true, false, "6", "6")}}}},
      {kAll,
       {"storing clears the input and keeps the answer shown, not a later edit",
        "type 2+3\ntap answer\nstate\ntype 2+3+\ntap answer\nstate\ntype 4\ntap answer\nstate",
        {{0, "input", Q("")}, {0, "answer", Q("")}, {0, "slots[0]", S(true, false, "5", "5")},
         {1, "input", Q("2+3+")}, {1, "slots[1]", S(false, false, "0", "")},
         {2, "input", Q("")}, {2, "slots[1]", S(true, false, "9", "9")}}}},
      {kAll,
       {"an unlocked slot is used once",
        Store({"12"}) + "type 3*\ntap slot 1\nstate\ntap slot 1\nstate",
        {{0, "input", Q("3*(12)")}, {0, "answer", Q("36")}, {0, "slots[0]", S(false, false, "12", "")},
         {1, "input", Q("3*(12)")}}}},
      {kAll,
       {"a locked slot keeps its answer; the lock covers every slot and comes off",
        Store({"16"}) + "tap lock\ntap slot 1\nstate\ntap slot 1\nstate\ntap lock\nstate",
        {{0, "input", Q("(16)")}, {0, "slots[0]", S(true, true, "16", "16")},
         {0, "slots[3]", S(false, true, "0", "")}, {1, "input", Q("(16)(16)")}, {1, "answer", Q("256")},
         {2, "slots[0]", S(true, false, "16", "16")}, {2, "slots[3]", S(false, false, "0", "")}}}},
      {kAll,
       {"fraction mode in the answer, the slot and the inserted text",
        "press 2nd\ntap slot 4\nstate\ntype 1.25\nstate\ntap answer\npress 2nd\nstate\ntap slot 1\n"
        "state\ntap clear\ntype 0.5\nstate\ntap clear\ntype 2\nstate\ntap clear\ntype 1/101\nstate\n"
        "tap clear\ntype 1.25\npress 2nd\ntap slot 4\nstate",
        {{0, "fractions", "true"}, {0, "layer", "1"}, {1, "answer", Q("5/4")},
         {2, "slots[0]", S(true, false, "1.25", "5/4")}, {2, "layer", "0"},
         {3, "input", Q("(5/4)")}, {3, "answer", Q("5/4")}, {4, "answer", Q("1/2")},
         {5, "answer", Q("2")}, {6, "answer", Q("0.0099009901")},
         {7, "fractions", "false"}, {7, "answer", Q("1.25")}}}},
      {kUpright,
       {"captions: exponent form past 99999, whole numbers past 99, else 3 decimals",
        Store({"123456.7", "456.78", "1.23456", "-456.78"}) + "state\ntap lock\n" +
            "tap slot 1\ntap slot 2\ntap slot 3\ntap slot 4\nstate\ntap lock\ntap clear\n" +
            "tap slot 4\ntap slot 3\ntap slot 2\ntap slot 1\ntap clear\n" +
            Store({"99999", "100000", "99.5", "-99"}) + "state",
        {{0, "slots[0]", S(true, false, "123456.7", "1.23ᴇ5")},
         {0, "slots[1]", S(true, false, "456.77999999999997", "456")},
         {0, "slots[2]", S(true, false, "1.2345600000000001", "1.235")},
         {0, "slots[3]", S(true, false, "-456.77999999999997", "-456")},
         // What a slot inserts keeps ten digits.
         {1, "input", Q("(123456.7)(456.78)(1.23456)(-456.78)")},
         {2, "slots[0]", S(true, false, "99999", "99999")},
         {2, "slots[1]", S(true, false, "100000", "1ᴇ5")},
         {2, "slots[2]", S(true, false, "99.5", "99")}, {2, "slots[3]", S(true, false, "-99", "-99")}}}},
      {kAll,
       {"the angle switches; a mode choice keeps layer 1 until a key",
        "press 2nd\ntap slot 2\nstate\ntype sin(30)\nstate\ntap slot 4\nstate\n"
        "tap slot 3\nstate\ntap slot 1\nstate\npress )\nstate",
        {{0, "angle", Q("deg")}, {0, "layer", "1"}, {1, "answer", Q("0.5")}, {2, "answer", Q("1/2")},
         {3, "angle", Q("grad")}, {3, "answer", Q("0.4539904997")}, {4, "angle", Q("rad")},
         {4, "answer", Q("-0.9880316241")}, {4, "layer", "1"}, {5, "layer", "0"}}}},
      {kWide,
       {"the fifth slot is no switch", "type 7\npress 2nd\ntap slot 2\ntap slot 5\nstate",
        {{0, "angle", Q("deg")}, {0, "layer", "1"}, {0, "input", Q("7")}, {0, "fractions", "false"}}}},
  };
  for (const OnScreens& r : rows) {
    for (const char* screen : r.screens) {
      SCOPED_TRACE(std::string(screen) + ": " + r.row.name);
      Check(r.row, Run(screen, r.row.script));
    }
  }
}

// Runs that follow each other on one settings file: an optional file to
// start from (values under the calculator's key), the first run's script,
// then the second run's, whose state lines must hold `expects`; the file
// must hold the lines `saved` at the end and `savedFirst` after the first.
struct Restart {
  const char* name;
  const char* screen;
  std::string seed;
  std::string first;
  std::string second;
  std::vector<Expect> expects;
  std::vector<std::string> saved = {};
  std::vector<std::string> savedFirst = {};
};

TEST_F(CalcTest, SettingsComeBackAtTheNextStart) {
  const std::string input255 = "\"Input\"=\"" + Digits(255) + "\"\n";
  const Restart rows[] = {
      {"an input of 200 characters comes back, the cursor at its end", "240x320", "", Paste(200),
       "state", {{0, "input", Q(Digits(200))}, {0, "cursor", "200"}}},
      {"250 characters are saved as nothing", "480x640", "", Paste(250), "state",
       {{0, "input", Q("")}}, {"\"Input\"=\"\""}},
      {"201 characters too", "320x240", "", Paste(201), "state", {{0, "input", Q("")}}},
      {"1/3 comes back as it was written, ten decimals", "240x320", "", Store({"1/3"}), "state",
       {{0, "slots[0]", S(true, false, "0.33333333329999998", "0.333")}},
       {"\"Memory1a\"=\"0.3333333333\""}},
      {"tiny values come back in exponent form", "240x320", "", Store({"5/10^12", "-3/10^11"}),
       "state",
       {{0, "slots[0]", S(true, false, "4.9999999999999997e-12", "5ᴇ-12")},
        {0, "slots[1]", S(true, false, "-3e-11", "-3ᴇ-11")}},
       {"\"Memory1a\"=\"4.9999999999999997e-12\"", "\"Memory2a\"=\"-3.0000000000000000e-11\""}},
      {"the wide fifth slot is saved at exit and starts empty and unlocked", "320x240", "",
       Store({"1", "2", "3", "4", "5"}) + "tap lock",
       "state",
       {{0, "slots[3]", S(true, true, "4", "4")}, {0, "slots[4]", S(false, false, "0", "")}},
       {"\"Memory5\"=dword:00000000", "\"LockAnswers\"=dword:00000001"},
       {"\"Memory5\"=dword:00000001", "\"Memory5a\"=\"5.0000000000\""}},
      {"modes, lock and input come back", "480x640", "",
       "tap lock\npress 2nd\ntap slot 3\ntap slot 4\ntype 1.25", "state",
       {{0, "angle", Q("grad")}, {0, "fractions", "true"}, {0, "answer", Q("5/4")},
        {0, "slots[0]", S(false, true, "0", "")}, {0, "slots[3]", S(false, true, "0", "")}},
       {"\"AngleMode\"=dword:00000002", "\"ShowFractions\"=dword:00000001"}},
      {"a first run writes the file, clears the first-run flag and shows the tutorial", "240x320",
       "", "", "state",
       {{0, "input", Q("")}, {0, "angle", Q("rad")}, {0, "fractions", "false"},
        {0, "tutorial", "0"}},
       {"Windows Registry Editor Version 5.00", "[HKEY_LOCAL_MACHINE\\Software\\Velmora\\Abacine]",
        "\"ShowTutorial\"=dword:00000000"}},
      {"a stored boolean of 2 reads false", "240x320",
       "\"ShowFractions\"=dword:00000002\n\"LockAnswers\"=dword:00000001\n", "", "state",
       {{0, "fractions", "false"}, {0, "slots[3]", S(false, true, "0", "")}}},
      {"an angle mode stored as text is no number: radians", "240x320",
       "\"AngleMode\"=\"1 is what this text says\"\n", "", "state", {{0, "angle", Q("rad")}},
       {"\"AngleMode\"=dword:00000000"}},
      {"a stored angle mode out of range is kept until the switches show it", "640x480",
       "\"AngleMode\"=dword:ffffffff\n", "", "state", {{0, "angle", Q("rad")}},
       {"\"AngleMode\"=dword:ffffffff"}},
      {"the switches put an angle mode out of range back to radians", "240x320",
       "\"AngleMode\"=dword:00000003\n", "", "press 2nd\nstate\ntype sin(1)\nstate",
       {{0, "angle", Q("rad")}, {1, "answer", Q("0.8414709848")}}, {"\"AngleMode\"=dword:00000000"}},
      {"texts up to their read buffers are taken, longer ones are missing", "240x320",
       input255 + "\"Memory1\"=dword:00000001\n\"Memory1a\"=\"1." + Digits(97) + "\"\n" +
           "\"Memory2\"=dword:00000001\n\"Memory2a\"=\"2." + Digits(98) + "\"\n" +
           "\"Memory3\"=dword:00000001\n\"Memory3a\"=\"not a number\"\n",
       "", "state",
       {{0, "input", Q(Digits(255))}, {0, "slots[0]", S(true, false, "1.1234567890123457", "1.123")},
        {0, "slots[1]", S(true, false, "0", "0")}, {0, "slots[2]", S(true, false, "0", "0")}}},
      {"an input longer than its read buffer is missing", "240x320",
       "\"Input\"=\"" + Digits(256) + "\"\n", "", "state", {{0, "input", Q("")}}},
  };
  int n = 0;
  for (const Restart& r : rows) {
    SCOPED_TRACE(r.name);
    registry = scratch.Path() + "/restart" + std::to_string(++n) + ".reg";
    if (!r.seed.empty()) {
      // Past the first run, so that no tutorial takes the taps.
      std::ofstream(registry, std::ios::binary)
          << "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\Software\\Velmora\\Abacine]\n"
          << "\"ShowTutorial\"=dword:00000000\n"
          << r.seed;
    }
    // A row with neither a seed nor a first run is a true first run.
    firstRun = r.seed.empty() && r.first.empty();
    const auto expectLines = [this](const std::vector<std::string>& lines) {
      const std::string file = ReadWholeFile(registry);
      for (const std::string& line : lines) {
        EXPECT_NE(file.find(line), std::string::npos) << line << "\n" << file;
      }
    };
    if (!r.first.empty()) {
      ASSERT_EQ(Run(r.screen, r.first).status, 0);
    }
    expectLines(r.savedFirst);
    Check(Row{r.name, r.second, r.expects}, Run(r.screen, r.second));
    expectLines(r.saved);
  }
}

// The calculator on a start that fails before its screen is set up.
class FailingStart final : public CalcApp {
 public:
  FailingStart() : CalcApp(AbacineConfig(1, ProgramOptions{})) {
    setProductIdentity(kAbacineRegistryKey, kAbacineProductName, kAbacineWebAddress);
    setSkinArchive(kSkinPath);
  }
  ResultCode onStart() override { return kErrInvalidArg; }
};

// Nothing was loaded, so the exit has nothing of the user's to save: the
// file must not be overwritten with the defaults.
TEST_F(CalcTest, AStartThatFailsBeforeLoadingLeavesTheSettingsFileAlone) {
  const std::string file = scratch.Path() + "/kept.reg";
  const std::string kept =
      "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\Software\\Velmora\\Abacine]\n"
      "\"ShowTutorial\"=dword:00000000\n\"Input\"=\"2+3\"\n\"Memory1\"=dword:00000001\n"
      "\"Memory1a\"=\"12.0000000000\"\n";
  std::ofstream(file, std::ios::binary) << kept;
  FailingStart app;
  app.setRegistryFile(file);
  EXPECT_EQ(app.run(), static_cast<int>(kErrInvalidArg));
  EXPECT_EQ(ReadWholeFile(file), kept);
}

}  // namespace
}  // namespace abacine::testing

// The keyboard's mapping onto the input line, key by key, and the script's
// key names and typing, which must agree with it.
#include "app/hardware_keys.h"

#include <gtest/gtest.h>

#include <string>

#include "app/script_keys.h"
#include "text/sign_text.h"

namespace abacine {
namespace {

constexpr int32_t kLeft = 0x25, kRight = 0x27;

std::string Describe(const KeyAction& a) {
  switch (a.edit) {
    case KeyEdit::kNone: return "none";
    case KeyEdit::kCursorLeft: return "left";
    case KeyEdit::kCursorRight: return "right";
    case KeyEdit::kDeleteBefore: return "backspace";
    case KeyEdit::kDeleteAt: return "delete";
    case KeyEdit::kCopy: return "copy";
    case KeyEdit::kPaste: return "paste";
    case KeyEdit::kInsert: return "insert " + CalcTextToUtf8(a.text);
  }
  return "?";
}

TEST(HardwareKeys, EachKeyAndModifierDoesWhatTheKeyboardPromises) {
  constexpr KeyModifiers kPlain{}, kShift{true}, kCtrl{false, true}, kCtrlShift{true, true},
      kNum{false, false, true}, kNumCtrl{false, true, true};
  const struct {
    int32_t key;
    KeyModifiers mods;
    const char* want;
  } rows[] = {
      {kLeft, kPlain, "left"}, {kRight, kCtrlShift, "right"}, {0x26, kPlain, "none"},
      // The numeric pad only with Num Lock; then even with Ctrl.
      {96, kNum, "insert 0"}, {105, kNum, "insert 9"}, {105, kPlain, "none"},
      {106, kNum, "insert *"}, {107, kNum, "insert +"}, {108, kNum, "insert ,"},
      {109, kNum, "insert -"}, {110, kNum, "insert ."}, {111, kNumCtrl, "insert /"},
      {111, kPlain, "none"}, {112, kNum, "none"},
      {8, kCtrl, "backspace"}, {46, kPlain, "delete"}, {13, kPlain, "none"},
      {32, kCtrl, "insert  "},
      // Letters are lower case whatever the modifiers; not with Ctrl.
      {'A', kPlain, "insert a"}, {'A', kShift, "insert a"}, {'Z', kShift, "insert z"},
      {'A', kCtrl, "none"}, {'@', kPlain, "none"}, {'[', kPlain, "none"},
      {'0', kPlain, "insert 0"}, {'0', kShift, "insert )"}, {'1', kShift, "insert !"},
      {'2', kShift, "insert @"}, {'5', kShift, "insert %"}, {'6', kShift, "insert ^"},
      {'8', kShift, "insert *"}, {'9', kShift, "insert ("}, {'9', kPlain, "insert 9"},
      {187, kPlain, "insert ="}, {187, kShift, "insert +"}, {188, kShift, "insert ,"},
      {189, kPlain, "insert -"}, {189, kShift, "insert _"}, {190, kShift, "insert ."},
      {191, kShift, "insert /"}, {186, kPlain, "none"}, {192, kShift, "none"},
      {219, kPlain, "none"}, {219, kShift, "insert {"}, {221, kShift, "insert }"},
      {220, kShift, "none"},
      {'C', kCtrl, "copy"}, {'V', kCtrl, "paste"}, {'C', kCtrlShift, "copy"}, {'X', kCtrl, "none"},
      {'2', kCtrlShift, "insert ²"}, {'E', kCtrlShift, "insert ℯ"},
      {'F', kCtrlShift, "insert ò"}, {'I', kCtrlShift, "insert □"},
      {'N', kCtrlShift, "insert ᴇ"}, {'P', kCtrlShift, "insert π"},
      {'S', kCtrlShift, "insert ∫("}, {'T', kCtrlShift, "insert å"},
      {188, kCtrlShift, "insert },{"},
      {219, kCtrlShift, "insert {{"}, {221, kCtrlShift, "insert }}"}, {'P', kCtrl, "none"},
      {'Q', kCtrlShift, "none"}, {'3', kCtrlShift, "none"},
      {-1, kPlain, "none"}, {1 << 20, kShift, "none"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(::testing::Message() << "key " << row.key << " shift " << row.mods.shift
                                      << " ctrl " << row.mods.ctrl << " num " << row.mods.numLock);
    EXPECT_EQ(Describe(MapHardwareKey(row.key, row.mods, kLeft, kRight)), row.want);
  }
}

// On a turned screen the key list names other keys as left and right.
TEST(HardwareKeys, DirectionsComeFromTheKeyList) {
  EXPECT_EQ(Describe(MapHardwareKey(0x26, {}, 0x26, 0x28)), "left");
  EXPECT_EQ(Describe(MapHardwareKey(0x28, {}, 0x26, 0x28)), "right");
  EXPECT_EQ(Describe(MapHardwareKey(kLeft, {}, 0x26, 0x28)), "none");
}

TEST(ScriptKeys, NamesAndModifiers) {
  const int32_t buttons[4] = {0x78, 0x79, 0x7A, 0x7B};
  const struct {
    const char* name;
    bool ok;
    KeyStroke want;
  } rows[] = {
      {"a", true, {'A'}}, {"Z", true, {'Z'}}, {"7", true, {'7'}}, {"shift+7", true, {'7', true}},
      {"Ctrl+Shift+P", true, {'P', true, true}}, {"shift+ctrl+p", true, {'P', true, true}},
      {"ctrl+c", true, {'C', false, true}}, {"left", true, {0x25}}, {"right", true, {0x27}},
      {"backspace", true, {8}}, {"delete", true, {46}}, {"enter", true, {13}},
      {"space", true, {32}},
      {"kp0", true, {96, false, false, true}}, {"kp9", true, {105, false, false, true}},
      {"kp*", true, {106, false, false, true}}, {"kp+", true, {107, false, false, true}},
      {"kp,", true, {108, false, false, true}}, {"kp-", true, {109, false, false, true}},
      {"kp.", true, {110, false, false, true}}, {"kp/", true, {111, false, false, true}},
      {"-", true, {189}}, {"=", true, {187}}, {",", true, {188}}, {".", true, {190}},
      {"/", true, {191}}, {"[", true, {219}}, {"]", true, {221}},
      {"ctrl+shift+,", true, {188, true, true}},
      {"shift+=", true, {187, true}}, {"button-a", true, {0x78}}, {"button-start", true, {0x7B}},
      {"", false, {}}, {"ctrl+", false, {}}, {"shift", false, {}}, {"kp", false, {}},
      {"kp10", false, {}},
      {"aa", false, {}}, {"alt+a", false, {}}, {"button-d", false, {}}, {"f12", false, {}},
      {"+", false, {}}, {"ctrl++", false, {}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    KeyStroke got{-1};
    EXPECT_EQ(ParseKeyName(row.name, buttons, &got), row.ok);
    if (row.ok) {
      EXPECT_EQ(got, row.want);
    }
  }
}

// Typing a text presses keys whose mapping gives back exactly that text.
TEST(ScriptKeys, TypingRoundTripsThroughTheMapping) {
  const char* texts[] = {
      "0123456789", "abcdefghijklmnopqrstuvwxyz", ")!@#$%^&*(", "=+,-_./{} ",
      "π²ℯᴇ□∫(", "},{", "{{}}", "2+sin(30)*ln(ℯ)", "",
  };
  for (const char* utf8 : texts) {
    SCOPED_TRACE(utf8);
    std::u16string text;
    size_t bad = 0;
    ASSERT_TRUE(Utf8ToCalcText(utf8, text, bad));
    std::vector<KeyStroke> strokes;
    ASSERT_TRUE(StrokesForText(text, &strokes, &bad));
    std::u16string typed;
    for (const KeyStroke& s : strokes) {
      EXPECT_FALSE(s.numLock) << "the main keys serve";
      const KeyAction a = MapHardwareKey(s.key, {s.shift, s.ctrl, false}, kLeft, kRight);
      ASSERT_EQ(a.edit, KeyEdit::kInsert);
      typed += a.text;
    }
    EXPECT_EQ(typed, text);
    // One stroke a character at most; the bracket of the integral and the
    // doubled braces ride along.
    EXPECT_LE(strokes.size(), text.size());
  }
  const struct {
    const char* utf8;
    size_t bad;
  } untypable[] = {{"A", 0}, {"12√", 2}, {"∫", 0}, {"[", 0}, {"~", 0}, {"x⁻¹", 1}, {"é", 0}};
  for (const auto& row : untypable) {
    SCOPED_TRACE(row.utf8);
    std::u16string text;
    size_t bad = 99;
    ASSERT_TRUE(Utf8ToCalcText(row.utf8, text, bad));
    std::vector<KeyStroke> strokes;
    EXPECT_FALSE(StrokesForText(text, &strokes, &bad));
    EXPECT_EQ(bad, row.bad);
  }
}

}  // namespace
}  // namespace abacine

// ScriptRunner: the commands.
#include <charconv>
#include <iterator>

#include "app/script_runner.h"
#include "app/script_state.h"
#include "graphics/key_input.h"
#include "platform/controls.h"
#include "platform/device.h"
#include "text/sign_text.h"
#include "text/utf.h"

namespace abacine {

const ScriptRunner::Command* ScriptRunner::findCommand(std::string_view name) {
  static constexpr Command kCommands[] = {
      {"tap", &ScriptRunner::tap},
      {"down", &ScriptRunner::down},
      {"up", &ScriptRunner::up},
      {"press", &ScriptRunner::press},
      {"key", &ScriptRunner::key},
      {"type", &ScriptRunner::type},
      {"clipboard", &ScriptRunner::clipboard},
      {"frames", &ScriptRunner::frames},
      {"rotate", &ScriptRunner::rotate},
      {"screenshot", &ScriptRunner::screenshot},
      {"state", &ScriptRunner::state},
      {"quit", &ScriptRunner::quit},
  };
  for (const Command& command : kCommands) {
    if (command.name == name) return &command;
  }
  return nullptr;
}

namespace {

using Outcome = ScriptRunner::Outcome;

const Outcome kNextFrame{1, {}};

Outcome Error(std::string message) { return Outcome{0, std::move(message)}; }

// A whole decimal number (optional '-') within [min, max].
bool ParseNumber(std::string_view text, int64_t min, int64_t max, int64_t* out) {
  int64_t value = 0;
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (text.empty() || ec != std::errc() || ptr != end || value < min || value > max) return false;
  *out = value;
  return true;
}

// "X Y": a pixel position as a stylus message carries it (16 bits each).
bool ParsePoint(std::string_view args, ScreenPoint* p) {
  const size_t space = args.find(' ');
  const size_t next = args.find_first_not_of(' ', space);
  if (space == std::string_view::npos || next == std::string_view::npos) return false;
  int64_t x = 0, y = 0;
  const std::string_view second = args.substr(next);
  if (!ParseNumber(args.substr(0, space), INT16_MIN, INT16_MAX, &x) ||
      !ParseNumber(second, INT16_MIN, INT16_MAX, &y)) {
    return false;
  }
  *p = ScreenPoint{static_cast<int32_t>(x), static_cast<int32_t>(y)};
  return true;
}

ScreenPoint Centre(const ScreenRect& r) { return {r.left + r.Width() / 2, r.top + r.Height() / 2}; }

struct Target {
  std::string_view name;
  ScreenPart part;
};
constexpr Target kTargets[] = {
    {"answer", ScreenPart::kAnswer},      {"lock", ScreenPart::kLock},
    {"slot", ScreenPart::kSlot},          {"about", ScreenPart::kAboutButton},
    {"clear", ScreenPart::kClearButton},  {"input", ScreenPart::kInputEnd},
    {"help", ScreenPart::kHelp},          {"close", ScreenPart::kClose},
    {"link", ScreenPart::kLink},          {"target", ScreenPart::kTutorialTarget},
};

// The UTF-8 argument as calculator text (readable signs read as signs).
bool CalcText(std::string_view utf8, std::u16string* out) {
  size_t bad = 0;
  return Utf8ToCalcText(utf8, *out, bad);
}

}  // namespace

ScriptRunner::Outcome ScriptRunner::tap(std::string_view args) {
  ScreenPoint p;
  if (ParsePoint(args, &p)) {
    tapAt(p);
    return kNextFrame;
  }
  const std::string_view name = args.substr(0, args.find(' '));
  const auto target = std::find_if(std::begin(kTargets), std::end(kTargets),
                                   [&](const Target& t) { return t.name == name; });
  if (target == std::end(kTargets)) return Error("unknown target '" + std::string(args) + "'");
  int64_t slot = 0;
  if (target->part == ScreenPart::kSlot) {
    const std::string_view number = name.size() < args.size() ? args.substr(name.size() + 1) : "";
    if (!ParseNumber(number, 1, app_.columns(), &slot)) {
      return Error("tap slot: expected a slot number from 1 to " + std::to_string(app_.columns()));
    }
    --slot;
  } else if (name.size() != args.size()) {
    return Error("unknown target '" + std::string(args) + "'");
  }
  tapAt(Centre(app_.partRect(target->part, static_cast<int32_t>(slot))));
  return kNextFrame;
}

ScriptRunner::Outcome ScriptRunner::down(std::string_view args) {
  ScreenPoint p;
  if (!ParsePoint(args, &p)) return Error("down: expected X Y");
  stylus(platform::kMsgStylusDown, p);
  return kNextFrame;
}

ScriptRunner::Outcome ScriptRunner::up(std::string_view args) {
  ScreenPoint p;
  if (!ParsePoint(args, &p)) return Error("up: expected X Y");
  stylus(platform::kMsgStylusUp, p);
  return kNextFrame;
}

ScriptRunner::Outcome ScriptRunner::press(std::string_view args) {
  const bool del = args == "delete";
  std::u16string label;
  if (!del && (args.empty() || !CalcText(args, &label))) {
    return Error("press: expected a key label");
  }
  for (int32_t i = 0; i < app_.keyCount(); ++i) {
    const KeyButton& k = app_.key(i);
    if (!k.enabled || !k.visible) continue;
    if (del ? i == app_.deleteKey() : (i != app_.deleteKey() && k.label.View() == label)) {
      tapAt(Centre(ScreenRect{k.x, k.y, k.x + k.width, k.y + k.height}));
      return kNextFrame;
    }
  }
  return Error("no key '" + std::string(args) + "' on layer " + std::to_string(app_.layer()));
}

ScriptRunner::Outcome ScriptRunner::key(std::string_view args) {
  const auto& codes = platform::TheDevice().Config().game_keys;
  const int32_t buttons[4] = {codes[kKeyA], codes[kKeyB], codes[kKeyC], codes[kKeyStart]};
  KeyStroke stroke;
  if (!ParseKeyName(args, buttons, &stroke)) {
    return Error("unknown key '" + std::string(args) + "'");
  }
  strike(stroke);
  return kNextFrame;
}

ScriptRunner::Outcome ScriptRunner::type(std::string_view args) {
  std::u16string text;
  if (args.empty() || !CalcText(args, &text)) return Error("type: expected a UTF-8 text");
  std::vector<KeyStroke> strokes;
  size_t bad = 0;
  if (!StrokesForText(text, &strokes, &bad)) {
    return Error("type: no key types '" + CalcTextToUtf8(text.substr(bad, 1)) + "'");
  }
  strike(strokes.front());
  pendingStrokes_.assign(strokes.begin() + 1, strokes.end());
  return kNextFrame;
}

ScriptRunner::Outcome ScriptRunner::clipboard(std::string_view args) {
  std::u16string text;
  if (!CalcText(args, &text)) return Error("clipboard: expected a UTF-8 text");
  if (!platform::SetClipboardText(text)) return Error("clipboard: the clipboard refused the text");
  return {};
}

ScriptRunner::Outcome ScriptRunner::frames(std::string_view args) {
  int64_t n = 0;
  if (!ParseNumber(args, 0, kMaxFrames, &n)) {
    return Error("frames: expected a count from 0 to " + std::to_string(kMaxFrames));
  }
  return Outcome{n, {}};
}

ScriptRunner::Outcome ScriptRunner::rotate(std::string_view args) {
  if (!args.empty()) return Error("rotate takes no argument");
  platform::TheDevice().RotateQuarter();
  return kNextFrame;
}

ScriptRunner::Outcome ScriptRunner::screenshot(std::string_view args) {
  if (args.empty()) return Error("screenshot: expected a file name");
  if (!platform::WriteScreenPng(std::string(args))) {
    return Error("screenshot: could not write " + std::string(args));
  }
  return {};
}

ScriptRunner::Outcome ScriptRunner::state(std::string_view args) {
  if (!args.empty()) return Error("state takes no argument");
  out_ << StateJson(app_, platform::GetClipboardText()) << std::endl;
  return {};
}

ScriptRunner::Outcome ScriptRunner::quit(std::string_view args) {
  if (!args.empty()) return Error("quit takes no argument");
  platform::PostMessage(app_.window(), platform::kMsgSysCommand, platform::kSysCommandClose, 0);
  return Outcome{0, {}, true};
}

}  // namespace abacine

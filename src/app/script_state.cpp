#include "app/script_state.h"

#include <cmath>
#include <cstdio>

#include "engine/angle_mode.h"
#include "text/sign_text.h"

namespace abacine {
namespace {

// A JSON string: quotes, backslashes and control characters escaped; the
// UTF-8 text otherwise as it is.
std::string Quoted(std::string_view utf8) {
  std::string out = "\"";
  for (const char c : utf8) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (byte < 0x20) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04x", byte);
      out += escape;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

std::string Quoted(const WString& text) { return Quoted(CalcTextToUtf8(text.View())); }

const char* Bool(bool b) { return b ? "true" : "false"; }

// Shortest round-tripping form; JSON has no infinities or NaN.
std::string Number(double v) {
  if (!std::isfinite(v)) return "null";
  char text[32];
  std::snprintf(text, sizeof text, "%.17g", v);
  return text;
}

const char* AngleName(int32_t mode) {
  switch (mode) {
    case Degrees: return "deg";
    case Grads: return "grad";
    default: return "rad";  // any other value converts nothing
  }
}

}  // namespace

std::string ScriptKeyName(const CalcApp& app, int32_t key) {
  if (key == app.deleteKey()) return "delete";
  return CalcTextToUtf8(app.key(key).label.View());
}

std::string StateJson(const CalcApp& app, const std::optional<std::u16string>& clipboard) {
  const TextBox& box = app.inputBox();
  std::string json = "{\"screen\":\"" + std::to_string(app.screenWidth()) + "x" +
                     std::to_string(app.screenHeight()) + "\"";
  json += ",\"input\":" + Quoted(box.label);
  json += ",\"cursor\":" + std::to_string(box.effectiveCursor());
  json += ",\"first_visible\":" + std::to_string(box.firstVisible());
  json += ",\"answer\":" + Quoted(app.answerText());
  json += ",\"layer\":" + std::to_string(app.layer());
  json += std::string(",\"caret\":") + Bool(box.hasFocus() && box.caretVisible());
  json += ",\"keys\":[";
  bool first = true;
  for (int32_t i = 0; i < app.keyCount(); ++i) {
    const KeyButton& key = app.key(i);
    if (!key.enabled || !key.visible) continue;
    json += (first ? "" : ",") + Quoted(ScriptKeyName(app, i));
    first = false;
  }
  json += "],\"slots\":[";
  for (int32_t i = 0; i < app.columns(); ++i) {
    const AnswerSlot& slot = app.slot(i);
    json += std::string(i == 0 ? "" : ",") + "{\"occupied\":" + Bool(slot.occupied) +
            ",\"locked\":" + Bool(slot.locked) + ",\"value\":" + Number(slot.value) +
            ",\"text\":" + Quoted(app.slotText(i)) + "}";
  }
  json += std::string("],\"angle\":\"") + AngleName(GetAngleMode()) + "\"";
  json += std::string(",\"fractions\":") + Bool(app.fractionMode());
  json += std::string(",\"about\":") + Bool(app.aboutOpen());
  json += ",\"tutorial\":" + (app.tutorialActive() ? std::to_string(app.tutorialStep()) : "null");
  json += ",\"clipboard\":" + Quoted(CalcTextToUtf8(clipboard.value_or(u"")));
  return json + "}";
}

}  // namespace abacine

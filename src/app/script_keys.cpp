#include "app/script_keys.h"

#include <algorithm>
#include <string>

#include "app/hardware_keys.h"
#include "platform/platform.h"

namespace abacine {
namespace {

struct NamedKey {
  std::string_view name;
  int32_t key;
  bool numLock = false;
};

constexpr NamedKey kNamedKeys[] = {
    {"left", platform::kVkLeft},        {"right", platform::kVkRight},
    {"up", platform::kVkUp},            {"down", platform::kVkDown},
    {"backspace", platform::kVkBack},   {"delete", platform::kVkDelete},
    {"enter", platform::kVkReturn},     {"space", platform::kVkSpace},
    {"kp*", platform::kVkMultiply, true}, {"kp+", platform::kVkAdd, true},
    {"kp,", platform::kVkSeparator, true}, {"kp-", platform::kVkSubtract, true},
    {"kp.", platform::kVkDecimal, true}, {"kp/", platform::kVkDivide, true},
    {"-", platform::kVkOemMinus},       {"=", platform::kVkOemPlus},
    {",", platform::kVkOemComma},       {".", platform::kVkOemPeriod},
    {"/", platform::kVkOemSlash},       {"[", platform::kVkOemOpenBracket},
    {"]", platform::kVkOemCloseBracket},
};
constexpr std::string_view kButtonNames[] = {"button-a", "button-b", "button-c", "button-start"};

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

// A text the keyboard types and the stroke that types it.
struct Production {
  std::u16string text;
  KeyStroke stroke;
};

// Every text one stroke inserts, the plainest stroke first: no modifier,
// then Shift, then Ctrl+Shift; the numeric pad (Num Lock) is never needed.
const std::vector<Production>& Productions() {
  static const std::vector<Production> table = [] {
    std::vector<Production> out;
    const KeyStroke modifiers[] = {{0, false, false}, {0, true, false}, {0, true, true}};
    for (const KeyStroke& mods : modifiers) {
      for (int32_t key = 1; key < 256; ++key) {
        const KeyAction action = MapHardwareKey(key, KeyModifiers{mods.shift, mods.ctrl, false},
                                                platform::kVkLeft, platform::kVkRight);
        if (action.edit != KeyEdit::kInsert) continue;
        const std::u16string text(action.text);
        const bool known = std::any_of(out.begin(), out.end(),
                                       [&](const Production& p) { return p.text == text; });
        if (!known) out.push_back({text, KeyStroke{key, mods.shift, mods.ctrl, false}});
      }
    }
    // Longest first, so that "},{" is one stroke rather than three.
    std::stable_sort(out.begin(), out.end(), [](const Production& a, const Production& b) {
      return a.text.size() > b.text.size();
    });
    return out;
  }();
  return table;
}

}  // namespace

bool ParseKeyName(std::string_view name, const int32_t (&deviceButtons)[4], KeyStroke* out) {
  std::string rest = Lower(name);
  KeyStroke stroke;
  for (;;) {
    if (rest.rfind("ctrl+", 0) == 0 && rest.size() > 5) {
      stroke.ctrl = true;
      rest.erase(0, 5);
    } else if (rest.rfind("shift+", 0) == 0 && rest.size() > 6) {
      stroke.shift = true;
      rest.erase(0, 6);
    } else {
      break;
    }
  }
  if (rest.size() == 1 &&
      ((rest[0] >= 'a' && rest[0] <= 'z') || (rest[0] >= '0' && rest[0] <= '9'))) {
    // Letter keys send the capital's code, as keyboards do.
    stroke.key = rest[0] >= 'a' ? rest[0] - 'a' + 'A' : rest[0];
  } else if (rest.size() == 3 && rest.rfind("kp", 0) == 0 && rest[2] >= '0' && rest[2] <= '9') {
    stroke.key = platform::kVkNumpad0 + (rest[2] - '0');
    stroke.numLock = true;
  } else {
    const auto named = std::find_if(std::begin(kNamedKeys), std::end(kNamedKeys),
                                    [&](const NamedKey& k) { return k.name == rest; });
    const auto button = std::find(std::begin(kButtonNames), std::end(kButtonNames), rest);
    if (named != std::end(kNamedKeys)) {
      stroke.key = named->key;
      stroke.numLock = named->numLock;
    } else if (button != std::end(kButtonNames)) {
      stroke.key = deviceButtons[button - std::begin(kButtonNames)];
    } else {
      return false;
    }
  }
  *out = stroke;
  return true;
}

bool StrokesForText(std::u16string_view text, std::vector<KeyStroke>* out, size_t* bad) {
  out->clear();
  size_t at = 0;
  while (at < text.size()) {
    const std::u16string_view rest = text.substr(at);
    const auto match =
        std::find_if(Productions().begin(), Productions().end(),
                     [&](const Production& p) { return rest.substr(0, p.text.size()) == p.text; });
    if (match == Productions().end()) {
      *bad = at;
      return false;
    }
    out->push_back(match->stroke);
    at += match->text.size();
  }
  return true;
}

}  // namespace abacine

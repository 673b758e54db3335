// The calculator's visible state as one line of JSON, for scripted runs:
//   {"screen":"480x640","input":"…","cursor":N,"first_visible":N,
//    "answer":"…","layer":0|1,"caret":true|false,"keys":["2nd","(",…],
//    "slots":[{"occupied":…,"locked":…,"value":…,"text":"…"},…],
//    "angle":"rad"|"deg"|"grad","fractions":…,"about":…,
//    "tutorial":null|STEP,"clipboard":"…"}
// Texts are UTF-8 with the calculator signs in their readable forms;
// "screen" is the display's size (below the shell's top bar); "keys" are
// the labels of the enabled keys of the layer showing, in key order, the
// delete key as "delete"; "slots" are the slots in use.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "app/calc_app.h"

namespace abacine {

// The label a script presses a key by: its readable label, or "delete".
std::string ScriptKeyName(const CalcApp& app, int32_t key);

// `clipboard`: the clipboard's text, if it holds one ("" when not).
std::string StateJson(const CalcApp& app, const std::optional<std::u16string>& clipboard);

}  // namespace abacine

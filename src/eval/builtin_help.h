// What abacine-eval --list prints: every builtin that computes a value, with
// its arguments and a one-line meaning, in groups, plus the operators and
// constants. The failure messages take a function's written form from here.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace abacine {

enum class HelpGroup : uint8_t {
  Arithmetic,
  Trigonometry,
  Hyperbolic,
  GammaCombinatorics,
  Distributions,
  Wavelets,
};

struct BuiltinHelp {
  HelpGroup group;
  std::string_view name;     // as typed, one of the engine's builtin names
  std::string_view call;     // the written form, "nCr(n, r)"
  uint16_t argCounts;        // bit n set: a call with n arguments (1..9) computes
  std::string_view meaning;  // one line
};

std::span<const BuiltinHelp> BuiltinHelpTable();

// The entry of a builtin name, or null.
const BuiltinHelp* FindBuiltinHelp(std::string_view name);

// The whole --list text: groups with their operators and functions.
std::string BuiltinListText();

}  // namespace abacine

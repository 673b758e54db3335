#include "eval/builtin_help.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "engine/builtin_table.h"
#include "engine/builtins.h"

namespace abacine {
namespace {

std::string Narrow(std::u16string_view name) { return std::string(name.begin(), name.end()); }

// --list names exactly the builtins that compute, each with the argument
// counts the engine takes, and every name once.
TEST(BuiltinHelpTest, ListMatchesTheEngine) {
  std::set<std::string> listed;
  for (const BuiltinHelp& entry : BuiltinHelpTable()) {
    SCOPED_TRACE(std::string(entry.name));
    EXPECT_TRUE(listed.insert(std::string(entry.name)).second) << "listed twice";
    const int32_t id = LookupBuiltin(std::u16string(entry.name.begin(), entry.name.end()));
    ASSERT_GE(id, 0) << "not a builtin";
    for (int32_t count = 1; count <= 9; ++count) {
      EXPECT_EQ(BuiltinTakes(id, count), (entry.argCounts >> count & 1) != 0) << count << " arguments";
    }
    EXPECT_EQ(entry.call.substr(0, entry.name.size() + 1), std::string(entry.name) + "(");
    EXPECT_EQ(FindBuiltinHelp(entry.name), &entry);
  }
  const BuiltinTableView table = BuiltinTable();
  for (int32_t i = 0; i < table.count; ++i) {
    const std::string name = Narrow(table.entries[i].name);
    bool computes = false;
    for (int32_t count = 1; count <= 9; ++count) computes = computes || BuiltinTakes(table.entries[i].id, count);
    EXPECT_EQ(listed.count(name), computes ? 1u : 0u) << name;
  }
  EXPECT_EQ(FindBuiltinHelp("Integrate"), nullptr);
}

TEST(BuiltinHelpTest, ListTextHasEveryGroupAndName) {
  const std::string text = BuiltinListText();
  for (const char* word : {"Arithmetic:", "Trigonometry", "Hyperbolic:", "Gamma and combinatorics:",
                           "Distributions:", "Wavelets:", "n!", "ᴇ", "π"}) {
    EXPECT_NE(text.find(word), std::string::npos) << word;
  }
  for (const BuiltinHelp& entry : BuiltinHelpTable()) {
    EXPECT_NE(text.find("  " + std::string(entry.call) + " "), std::string::npos) << entry.call;
  }
}

}  // namespace
}  // namespace abacine

#include "platform/atomic_file.h"

#include <gtest/gtest.h>

#include <string>

namespace abacine::platform {
namespace {

// The names a save's temporary files take: a dot, the file's name, ".tmp-"
// and exactly six characters; nothing else (a packer leaves other files be).
TEST(AtomicFile, TemporaryNamesAreRecognisedExactly) {
  const struct {
    const char* name;
    const char* base;
    bool temporary;
  } rows[] = {
      {".out.vfs.tmp-Ab12Cd", "out.vfs", true},   {".out.vfs.tmp-Ab12C", "out.vfs", false},
      {".out.vfs.tmp-Ab12Cde", "out.vfs", false}, {"out.vfs.tmp-Ab12Cd", "out.vfs", false},
      {".out.vfs.tmp-Ab12Cd", "out.vf", false},   {".out.vfs.tmp-Ab12Cd", "ut.vfs", false},
      {".out.vfs-tmp-Ab12Cd", "out.vfs", false},  {"out.vfs", "out.vfs", false},
      {"..tmp-XXXXXX", "", true},                 {"", "", false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(std::string(row.name) + " of " + row.base);
    EXPECT_EQ(IsTemporaryOf(row.name, row.base), row.temporary);
  }
}

}  // namespace
}  // namespace abacine::platform

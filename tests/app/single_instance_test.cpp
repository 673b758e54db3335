#include "platform/single_instance.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "support/scratch_dir.h"

namespace abacine::platform {
namespace {

namespace fs = std::filesystem;

// A private folder per test, removed afterwards.
class SingleInstanceTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_FALSE(dir_.empty()); }
  testing::ScratchDir scratch_;
  const std::string dir_ = scratch_.Path();
};

// A folder someone else could control could fake a running instance.
TEST_F(SingleInstanceTest, FoldersAndNamesThatCannotBeTrustedAreRefused) {
  const std::string file = dir_ + "/plain", open = dir_ + "/open", link = dir_ + "/link";
  ASSERT_EQ(close(creat(file.c_str(), 0600)), 0);
  ASSERT_EQ(mkdir(open.c_str(), 0700), 0);
  ASSERT_EQ(chmod(open.c_str(), 0777), 0);
  ASSERT_EQ(symlink(dir_.c_str(), link.c_str()), 0);
  const struct {
    std::string directory, name;
  } rows[] = {
      {"relative/path", "abacine"}, {"", "abacine"},   {file, "abacine"},  {open, "abacine"},
      {link, "abacine"},            {dir_, ""},        {dir_, "Abacine"},  {dir_, "a/b"},
      {dir_, "../x"},               {dir_, std::string(65, 'a')},
      {dir_ + "/" + std::string(120, 'd'), "abacine"},  // socket path too long
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.directory + " | " + row.name);
    SingleInstance instance;
    std::string why;
    EXPECT_EQ(instance.Acquire(row.directory, row.name, &why), InstanceRole::kUnavailable);
    EXPECT_NE(why, "");
    EXPECT_FALSE(instance.Listening());
    EXPECT_EQ(instance.PollRaiseRequests(), 0);
  }
  SingleInstance fresh;  // a missing folder is made, closed to others
  ASSERT_EQ(fresh.Acquire(dir_ + "/fresh", "abacine"), InstanceRole::kFirst);
  struct stat st {};
  ASSERT_EQ(stat((dir_ + "/fresh").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
}

TEST(SingleInstanceFolder, DefaultFollowsAnAbsoluteXdgRuntimeDir) {
  const char* saved = std::getenv("XDG_RUNTIME_DIR");
  const std::string keep = saved == nullptr ? "" : saved;
  const std::string fallback = "/tmp/abacine-" + std::to_string(geteuid());
  const struct {
    const char* value;  // null: unset
    std::string want;
  } rows[] = {{"/run/user/1000", "/run/user/1000"}, {nullptr, fallback}, {"", fallback},
              {"relative", fallback}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.value == nullptr ? "unset" : row.value);
    if (row.value == nullptr) unsetenv("XDG_RUNTIME_DIR");
    if (row.value != nullptr) setenv("XDG_RUNTIME_DIR", row.value, 1);
    EXPECT_EQ(SingleInstance::DefaultDirectory(), row.want);
  }
  if (saved == nullptr) unsetenv("XDG_RUNTIME_DIR");
  if (saved != nullptr) setenv("XDG_RUNTIME_DIR", keep.c_str(), 1);
}

}  // namespace
}  // namespace abacine::platform

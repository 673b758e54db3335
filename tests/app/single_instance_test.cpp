#include "platform/single_instance.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
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

// Sets an environment variable for one scope (null: unset) and puts the old
// value back afterwards.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    const char* old = std::getenv(name);
    had_ = old != nullptr;
    if (had_) old_ = old;
    Set(value);
  }
  ~ScopedEnv() { Set(had_ ? old_.c_str() : nullptr); }
  void Set(const char* value) const {
    if (value == nullptr) unsetenv(name_);
    if (value != nullptr) setenv(name_, value, 1);
  }

 private:
  const char* name_;
  bool had_ = false;
  std::string old_;
};

TEST(SingleInstanceFolder, DefaultFollowsAnAbsoluteXdgRuntimeDirElseTheTemporaryFolder) {
  ScopedEnv xdg("XDG_RUNTIME_DIR", nullptr), tmp("TMPDIR", nullptr);
  const std::string user = "/abacine-" + std::to_string(geteuid());
  const struct {
    const char* xdg;  // null: unset
    const char* tmp;
    std::string want, private_folder;
  } rows[] = {
      {"/run/user/1000", nullptr, "/run/user/1000", "/tmp" + user},
      {nullptr, nullptr, "/tmp" + user, "/tmp" + user},
      {"", nullptr, "/tmp" + user, "/tmp" + user},
      {"relative", nullptr, "/tmp" + user, "/tmp" + user},
      {nullptr, "/var/tmp", "/var/tmp" + user, "/var/tmp" + user},
      {nullptr, "/var/tmp/", "/var/tmp" + user, "/var/tmp" + user},
      {"/run/user/0", "/scratch", "/run/user/0", "/scratch" + user},
      {nullptr, "relative", "/tmp" + user, "/tmp" + user},
      {nullptr, "", "/tmp" + user, "/tmp" + user},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(std::string(row.xdg == nullptr ? "unset" : row.xdg) + " | " + (row.tmp == nullptr ? "unset" : row.tmp));
    xdg.Set(row.xdg);
    tmp.Set(row.tmp);
    EXPECT_EQ(SingleInstance::DefaultDirectory(), row.want);
    EXPECT_EQ(SingleInstance::PrivateDirectory(), row.private_folder);
  }
}

// A folder that cannot hold the lock (or its socket) is passed over for the
// fallback, with a note naming it; two starts make the same choice, so one
// of them is first and the other second.
TEST_F(SingleInstanceTest, AnUnusableFolderFallsBackAndStaysSingle) {
  const std::string fallback = dir_ + "/fallback";
  const struct {
    const char* what;
    std::string folder;
    int (*make)(const std::string&);  // 0: made
    const char* says;
  } rows[] = {
      {"missing parent", dir_ + "/no/such", [](const std::string&) { return 0; }, "No such file"},
      {"another user's", dir_ + "/others",
       [](const std::string& f) { return mkdir(f.c_str(), 0700) | chown(f.c_str(), 1, 1); }, "another user"},
      {"a regular file", dir_ + "/plain", [](const std::string& f) { return close(creat(f.c_str(), 0600)); },
       "not a folder"},
      {"writable by others", dir_ + "/open",
       [](const std::string& f) { return mkdir(f.c_str(), 0700) | chmod(f.c_str(), 0777); }, "writable by others"},
      {"a symlink", dir_ + "/link",
       [](const std::string& f) { return mkdir((f + "-real").c_str(), 0700) | symlink((f + "-real").c_str(), f.c_str()); },
       "not a folder"},
      {"too long for a socket", dir_ + "/" + std::string(110, 'd'),
       [](const std::string& f) { return mkdir(f.c_str(), 0700); }, "too long"},
      {"lock file a symlink", dir_ + "/locked",
       [](const std::string& f) { return mkdir(f.c_str(), 0700) | symlink("/nowhere", (f + "/abacine.lock").c_str()); },
       "lock file"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    ASSERT_EQ(row.make(row.folder), 0) << std::strerror(errno);
    SingleInstance first, second;
    std::string note, second_note;
    EXPECT_EQ(first.AcquireWithFallback(row.folder, fallback, "abacine", &note), InstanceRole::kFirst);
    EXPECT_EQ(first.LockPath(), fallback + "/abacine.lock");
    EXPECT_TRUE(first.Listening());
    EXPECT_NE(note.find(row.folder), std::string::npos) << note;
    EXPECT_NE(note.find(row.says), std::string::npos) << note;
    EXPECT_NE(note.find("using " + fallback + " instead"), std::string::npos) << note;
    EXPECT_EQ(second.AcquireWithFallback(row.folder, fallback, "abacine", &second_note), InstanceRole::kSecond);
    EXPECT_EQ(second_note, note);
    EXPECT_EQ(first.PollRaiseRequests(), 1);
  }
  // A usable folder is used and says nothing.
  SingleInstance fine;
  std::string note = "untouched";
  EXPECT_EQ(fine.AcquireWithFallback(dir_, fallback, "abacine", &note), InstanceRole::kFirst);
  EXPECT_EQ(fine.LockPath(), dir_ + "/abacine.lock");
  EXPECT_EQ(note, "");
}

// When the fallback is too long for a socket too, the lock alone still keeps
// one copy (a later start cannot bring it forward); when no folder can hold
// a lock, the run goes on without one and says so.
TEST_F(SingleInstanceTest, TheLockOutlivesTheSocketAndFailuresAreSaid) {
  const std::string deep = dir_ + "/" + std::string(110, 'f');
  ASSERT_EQ(mkdir(deep.c_str(), 0700), 0);
  SingleInstance first, second;
  std::string note;
  EXPECT_EQ(first.AcquireWithFallback(dir_ + "/plain-missing/x", deep, "abacine", &note), InstanceRole::kFirst);
  EXPECT_FALSE(first.Listening());
  EXPECT_NE(note.find("too long"), std::string::npos) << note;
  EXPECT_EQ(second.AcquireWithFallback(dir_ + "/plain-missing/x", deep, "abacine"), InstanceRole::kSecond);

  SingleInstance none;
  note.clear();
  EXPECT_EQ(none.AcquireWithFallback(dir_ + "/a/b", dir_ + "/c/d", "abacine", &note), InstanceRole::kUnavailable);
  EXPECT_NE(note.find(dir_ + "/a/b"), std::string::npos) << note;
  EXPECT_NE(note.find(dir_ + "/c/d"), std::string::npos) << note;
  EXPECT_NE(note.find("without"), std::string::npos) << note;
}

}  // namespace
}  // namespace abacine::platform

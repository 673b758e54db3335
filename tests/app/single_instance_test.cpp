#include "platform/single_instance.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

namespace abacine::platform {
namespace {

namespace fs = std::filesystem;

// A private folder per test, removed afterwards.
class SingleInstanceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/abacine-si-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
  }
  void TearDown() override {
    std::error_code ignored;
    fs::permissions(dir_, fs::perms::owner_all, ignored);
    fs::remove_all(dir_, ignored);
  }
  std::string dir_;
};

TEST_F(SingleInstanceTest, SecondStartAsksTheFirstToRaise) {
  SingleInstance first;
  ASSERT_EQ(first.Acquire(dir_, "abacine"), InstanceRole::kFirst);
  EXPECT_TRUE(first.Listening());
  EXPECT_TRUE(fs::exists(dir_ + "/abacine.sock"));
  EXPECT_EQ(first.PollRaiseRequests(), 0);

  SingleInstance second;
  std::string why;
  EXPECT_EQ(second.Acquire(dir_, "abacine", &why), InstanceRole::kSecond);
  EXPECT_TRUE(why.empty()) << why;
  EXPECT_EQ(first.PollRaiseRequests(), 1);
  EXPECT_EQ(first.PollRaiseRequests(), 0) << "each request is taken once";

  SingleInstance third;
  SingleInstance fourth;
  EXPECT_EQ(third.Acquire(dir_, "abacine"), InstanceRole::kSecond);
  EXPECT_EQ(fourth.Acquire(dir_, "abacine"), InstanceRole::kSecond);
  EXPECT_EQ(first.PollRaiseRequests(), 2);
}

TEST_F(SingleInstanceTest, ReleasedLockLetsTheNextStartBeFirst) {
  {
    SingleInstance first;
    ASSERT_EQ(first.Acquire(dir_, "abacine"), InstanceRole::kFirst);
  }
  EXPECT_FALSE(fs::exists(dir_ + "/abacine.sock")) << "the socket goes with its owner";
  SingleInstance next;
  EXPECT_EQ(next.Acquire(dir_, "abacine"), InstanceRole::kFirst);
}

TEST_F(SingleInstanceTest, StaleSocketFromAnEndedRunDoesNotBlock) {
  // A socket file nobody listens on, as a killed run leaves it.
  const std::string path = dir_ + "/abacine.sock";
  const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_GE(fd, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
  ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  close(fd);
  ASSERT_TRUE(fs::exists(path));

  SingleInstance first;
  ASSERT_EQ(first.Acquire(dir_, "abacine"), InstanceRole::kFirst);
  SingleInstance second;
  EXPECT_EQ(second.Acquire(dir_, "abacine"), InstanceRole::kSecond);
  EXPECT_EQ(first.PollRaiseRequests(), 1) << "the new socket replaced the stale one";
}

TEST_F(SingleInstanceTest, LockOfACrashedProcessIsFree) {
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // Takes the lock and dies without letting go of anything.
    auto* held = new SingleInstance;
    _exit(held->Acquire(dir_, "abacine") == InstanceRole::kFirst ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  ASSERT_EQ(WEXITSTATUS(status), 0);
  ASSERT_TRUE(fs::exists(dir_ + "/abacine.sock")) << "the crash left its socket";

  SingleInstance next;
  EXPECT_EQ(next.Acquire(dir_, "abacine"), InstanceRole::kFirst);
  SingleInstance later;
  EXPECT_EQ(later.Acquire(dir_, "abacine"), InstanceRole::kSecond);
  EXPECT_EQ(next.PollRaiseRequests(), 1);
}

TEST_F(SingleInstanceTest, FoldersThatCannotBeTrustedAreRefused) {
  const std::string file = dir_ + "/plain";
  ASSERT_EQ(close(creat(file.c_str(), 0600)), 0);
  const std::string open = dir_ + "/open";
  ASSERT_EQ(mkdir(open.c_str(), 0700), 0);
  ASSERT_EQ(chmod(open.c_str(), 0777), 0);
  const std::string link = dir_ + "/link";
  ASSERT_EQ(symlink(dir_.c_str(), link.c_str()), 0);
  struct Row {
    std::string directory;
    std::string name;
  };
  const Row rows[] = {
      {"relative/path", "abacine"},
      {"", "abacine"},
      {file, "abacine"},
      {open, "abacine"},
      {link, "abacine"},
      {dir_, ""},
      {dir_, "Abacine"},
      {dir_, "a/b"},
      {dir_, "../x"},
      {dir_, std::string(65, 'a')},
      {dir_ + "/" + std::string(120, 'd'), "abacine"},  // socket path too long
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.directory + " | " + row.name);
    SingleInstance instance;
    std::string why;
    EXPECT_EQ(instance.Acquire(row.directory, row.name, &why), InstanceRole::kUnavailable);
    EXPECT_FALSE(why.empty());
    EXPECT_FALSE(instance.Listening());
    EXPECT_EQ(instance.PollRaiseRequests(), 0);
  }
}

TEST_F(SingleInstanceTest, MissingFolderIsMadePrivate) {
  const std::string folder = dir_ + "/fresh";
  SingleInstance instance;
  ASSERT_EQ(instance.Acquire(folder, "abacine"), InstanceRole::kFirst);
  struct stat st {};
  ASSERT_EQ(stat(folder.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
}

TEST_F(SingleInstanceTest, DefaultFolderFollowsXdgRuntimeDir) {
  const char* saved = std::getenv("XDG_RUNTIME_DIR");
  const std::string keep = saved == nullptr ? "" : saved;
  const std::string fallback = "/tmp/abacine-" + std::to_string(geteuid());
  struct Row {
    const char* value;  // null: unset
    std::string want;
  };
  const Row rows[] = {{"/run/user/1000", "/run/user/1000"},
                      {nullptr, fallback},
                      {"", fallback},
                      {"relative", fallback}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.value == nullptr ? "unset" : row.value);
    if (row.value == nullptr) {
      unsetenv("XDG_RUNTIME_DIR");
    } else {
      setenv("XDG_RUNTIME_DIR", row.value, 1);
    }
    EXPECT_EQ(SingleInstance::DefaultDirectory(), row.want);
  }
  if (saved == nullptr) {
    unsetenv("XDG_RUNTIME_DIR");
  } else {
    setenv("XDG_RUNTIME_DIR", keep.c_str(), 1);
  }
}

}  // namespace
}  // namespace abacine::platform

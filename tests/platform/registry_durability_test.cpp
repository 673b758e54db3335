// A save killed at any moment leaves the old or the new settings file,
// never a torn or empty one. The same test aimed at a plain in-place writer
// finds it tearing, which shows the test can see the fault.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <thread>

#include "support/scratch_dir.h"
#include "registry_saver_contents.h"

extern char** environ;

namespace abacine::platform {
namespace {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Starts the saver, kills it after a random pause, and counts the kills
// after which the file is neither content.
int CountTornFiles(const std::string& path, const char* mode, int kills, unsigned seed) {
  const std::string first = FormatRegistryText(test::SaverContents(0));
  const std::string second = FormatRegistryText(test::SaverContents(1));
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> pauseUs(0, 6000);
  int torn = 0;
  for (int i = 0; i < kills; ++i) {
    char* argv[] = {const_cast<char*>(REGISTRY_SAVER), const_cast<char*>(path.c_str()),
                    const_cast<char*>(mode), nullptr};
    int ready[2];
    EXPECT_EQ(::pipe(ready), 0);
    posix_spawn_file_actions_t actions;
    ::posix_spawn_file_actions_init(&actions);
    ::posix_spawn_file_actions_adddup2(&actions, ready[1], STDOUT_FILENO);
    ::posix_spawn_file_actions_addclose(&actions, ready[0]);
    pid_t pid = 0;
    EXPECT_EQ(::posix_spawn(&pid, REGISTRY_SAVER, &actions, nullptr, argv, environ), 0);
    ::posix_spawn_file_actions_destroy(&actions);
    ::close(ready[1]);
    char byte = 0;
    EXPECT_EQ(::read(ready[0], &byte, 1), 1);
    ::close(ready[0]);
    std::this_thread::sleep_for(std::chrono::microseconds(pauseUs(random)));
    ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);
    const std::string now = ReadFile(path);
    if (now != first && now != second) ++torn;
  }
  return torn;
}

class RegistryDurability : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(scratch_.Path().empty());
    path_ = dir_ + "/settings.reg";
    ASSERT_TRUE(test::SaveThroughRegistry(path_, test::SaverContents(0)));
  }

  abacine::testing::ScratchDir scratch_;
  std::string dir_ = scratch_.Path();
  std::string path_;
};

TEST_F(RegistryDurability, KilledSavesNeverTearTheFile) {
  EXPECT_EQ(CountTornFiles(path_, "atomic", 1000, 1), 0);
}

TEST_F(RegistryDurability, AnInPlaceWriterIsCaughtTearing) {
  EXPECT_GT(CountTornFiles(path_, "in-place", 200, 2), 0);
}

}  // namespace
}  // namespace abacine::platform

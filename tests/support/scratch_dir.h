// A private folder under /tmp for one test, removed with everything in it
// when the test ends. The path is short enough for a UNIX socket inside.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <string>

namespace abacine::testing {

class ScratchDir {
 public:
  ScratchDir() {
    char pattern[] = "/tmp/abacine_test_XXXXXX";
    if (mkdtemp(pattern) != nullptr) path_ = pattern;
  }
  ~ScratchDir() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  // Empty when no folder could be made.
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

}  // namespace abacine::testing

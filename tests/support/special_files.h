// Paths that are not plain files, for the tests of programs that write an
// output file: each kind is made in a test's own folder (a device node too,
// never one under /dev), and what a path is can be read back to see that a
// refused write left it as it was.
#pragma once

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <string>

namespace abacine::testing {

enum class Special {
  kFifo,
  kCharDevice,    // the null device's numbers (1:3): harmless if ever written
  kFolder,
  kLinkToDevice,  // a symlink to a device node beside it
  kLinkToFifo,
  kLinkToFolder,
  kDanglingLink,
};

struct SpecialRow {
  const char* what;
  Special kind;
};
inline constexpr SpecialRow kSpecialRows[] = {
    {"a fifo", Special::kFifo},
    {"a device node", Special::kCharDevice},
    {"a folder", Special::kFolder},
    {"a link to a device node", Special::kLinkToDevice},
    {"a link to a fifo", Special::kLinkToFifo},
    {"a link to a folder", Special::kLinkToFolder},
    {"a dangling link", Special::kDanglingLink},
};

// Makes `kind` at `path` (a link's target beside it, named path + ".target").
// False, with errno set, when it cannot be made: making a device node needs
// privilege (EPERM otherwise).
inline bool MakeSpecial(Special kind, const std::string& path) {
  const std::string target = path + ".target";
  switch (kind) {
    case Special::kFifo: return mkfifo(path.c_str(), 0600) == 0;
    case Special::kCharDevice: return mknod(path.c_str(), S_IFCHR | 0600, makedev(1, 3)) == 0;
    case Special::kFolder: return mkdir(path.c_str(), 0700) == 0;
    case Special::kLinkToDevice:
      return MakeSpecial(Special::kCharDevice, target) && symlink(target.c_str(), path.c_str()) == 0;
    case Special::kLinkToFifo:
      return MakeSpecial(Special::kFifo, target) && symlink(target.c_str(), path.c_str()) == 0;
    case Special::kLinkToFolder:
      return MakeSpecial(Special::kFolder, target) && symlink(target.c_str(), path.c_str()) == 0;
    case Special::kDanglingLink: return symlink(target.c_str(), path.c_str()) == 0;
  }
  errno = EINVAL;
  return false;
}

// What is at `path`, links followed and described on the way:
// "link to /x/out.target: fifo", "char device 1:3", "file of 12 bytes".
inline std::string DescribePath(const std::string& path, int depth = 0) {
  struct stat st {};
  if (lstat(path.c_str(), &st) != 0) return "nothing";
  if (S_ISLNK(st.st_mode)) {
    char target[4096];
    const ssize_t n = readlink(path.c_str(), target, sizeof target - 1);
    if (n < 0 || depth > 8) return "link";
    const std::string to(target, static_cast<size_t>(n));
    return "link to " + to + ": " + DescribePath(to, depth + 1);
  }
  if (S_ISFIFO(st.st_mode)) return "fifo";
  if (S_ISCHR(st.st_mode)) {
    return "char device " + std::to_string(major(st.st_rdev)) + ":" + std::to_string(minor(st.st_rdev));
  }
  if (S_ISDIR(st.st_mode)) return "folder";
  if (S_ISREG(st.st_mode)) return "file of " + std::to_string(st.st_size) + " bytes";
  return "other";
}

}  // namespace abacine::testing

#include "platform/atomic_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

namespace abacine::platform {
namespace {

void SetError(std::string* error, const std::string& path, const std::string& why) {
  if (error != nullptr) *error = path + ": " + why;
}

std::string Errno() { return std::strerror(errno); }

const char* KindOf(mode_t mode) {
  if (S_ISDIR(mode)) return "is a folder, not a file";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "is a device, not a regular file";
  if (S_ISFIFO(mode)) return "is a pipe, not a regular file";
  if (S_ISSOCK(mode)) return "is a socket, not a regular file";
  return "is not a regular file";
}

std::string BaseOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The prefix of the temporary files that saves of `base` make; mkstemp adds
// exactly six characters to it.
std::string TemporaryPrefix(std::string_view base) { return "." + std::string(base) + ".tmp-"; }
constexpr size_t kUniqueSuffixLength = 6;

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

bool WriteAll(int fd, std::string_view data) {
  while (!data.empty()) {
    const ssize_t n = ::write(fd, data.data(), data.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

// The permissions a file made by open(2) would get: 0666 less the umask.
mode_t NewFileMode() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

}  // namespace

bool IsTemporaryOf(std::string_view name, std::string_view base) {
  const std::string prefix = TemporaryPrefix(base);
  return name.size() == prefix.size() + kUniqueSuffixLength && name.substr(0, prefix.size()) == prefix;
}

bool ResolveRegularFileTarget(const std::string& path, std::string* target, std::string* error) {
  if (path.empty()) {
    SetError(error, "(empty path)", "no file name given");
    return false;
  }
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) {
    if (errno == ENOENT) {
      *target = path;
      return true;
    }
    SetError(error, path, Errno());
    return false;
  }
  if (S_ISREG(st.st_mode)) {
    *target = path;
    return true;
  }
  if (!S_ISLNK(st.st_mode)) {
    SetError(error, path, KindOf(st.st_mode));
    return false;
  }
  char resolved[PATH_MAX];
  if (::realpath(path.c_str(), resolved) == nullptr) {
    SetError(error, path, errno == ENOENT ? "is a symlink to nothing" : "is a symlink that cannot be followed: " + Errno());
    return false;
  }
  if (::stat(resolved, &st) != 0) {
    SetError(error, path, Errno());
    return false;
  }
  if (!S_ISREG(st.st_mode)) {
    SetError(error, path, std::string("links to ") + resolved + ", which " + KindOf(st.st_mode));
    return false;
  }
  *target = resolved;
  return true;
}

bool WriteFileAtomically(const std::string& path, std::string_view data, std::string* error) {
  std::string target;
  if (!ResolveRegularFileTarget(path, &target, error)) return false;

  const std::string folder = FolderOf(target);
  std::string pattern = folder + "/" + TemporaryPrefix(BaseOf(target)) + std::string(kUniqueSuffixLength, 'X');
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  const int fd = ::mkstemp(name.data());
  if (fd < 0) {
    SetError(error, path, "cannot create a file in " + folder + ": " + Errno());
    return false;
  }
  const std::string temp(name.data());

  // The replacement keeps the permissions of the file it replaces.
  struct stat old {};
  const mode_t mode = ::stat(target.c_str(), &old) == 0 ? (old.st_mode & 07777) : NewFileMode();
  bool ok = ::fchmod(fd, mode) == 0 && WriteAll(fd, data) && ::fsync(fd) == 0;
  std::string why = ok ? "" : Errno();
  if (::close(fd) != 0 && ok) {
    ok = false;
    why = Errno();
  }
  if (ok && ::rename(temp.c_str(), target.c_str()) != 0) {
    ok = false;
    why = Errno();
  }
  if (!ok) {
    ::unlink(temp.c_str());
    SetError(error, path, "cannot write: " + why);
    return false;
  }
  // The rename is durable only once the folder's entry is on disk.
  const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  return true;
}

int RemoveStaleTemporaries(const std::string& path, int minAgeSeconds) {
  std::string target;
  if (!ResolveRegularFileTarget(path, &target)) return 0;
  const std::string folder = FolderOf(target);
  const std::string base = BaseOf(target);
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return 0;
  const time_t now = std::time(nullptr);
  int removed = 0;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (!IsTemporaryOf(name, base)) continue;
    const std::string full = folder + "/" + name;
    struct stat st {};
    if (::lstat(full.c_str(), &st) == 0 && S_ISREG(st.st_mode) && now - st.st_mtime >= minAgeSeconds &&
        ::unlink(full.c_str()) == 0) {
      ++removed;
    }
  }
  ::closedir(dir);
  return removed;
}

}  // namespace abacine::platform

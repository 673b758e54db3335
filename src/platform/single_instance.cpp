#include "platform/single_instance.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace abacine::platform {
namespace {

constexpr size_t kMaxNameLength = 64;
// A later start tries this long to reach the first: long enough for a first
// that has the lock but does not listen yet, or is busy with a long frame. A
// first that never accepts (stopped, or waiting on its error box) is given up
// on, and the later start exits all the same: the lock says a copy runs.
constexpr int kConnectAttempts = 20;
constexpr auto kConnectPause = std::chrono::milliseconds(50);
// Bounded so that a flood of connections cannot stall a frame.
constexpr int kMaxRequestsPerPoll = 16;
constexpr char kRaiseRequest[] = "raise\n";

bool NameUsable(const std::string& name) {
  if (name.empty() || name.size() > kMaxNameLength) return false;
  for (char c : name) {
    const bool ok = (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '-';
    if (!ok) return false;
  }
  return true;
}

void SetText(std::string* out, const std::string& text) {
  if (out != nullptr) *out = text;
}

std::string Errno(const std::string& what) { return what + ": " + std::strerror(errno); }

// The folder must be ours alone; it is made when missing.
bool DirectoryUsable(const std::string& directory, std::string* why) {
  if (directory.empty() || directory.front() != '/') {
    *why = "'" + directory + "': not an absolute path";
    return false;
  }
  struct stat st {};
  if (lstat(directory.c_str(), &st) != 0) {
    if (errno != ENOENT) {
      *why = Errno(directory);
      return false;
    }
    if (mkdir(directory.c_str(), 0700) != 0 && errno != EEXIST) {
      *why = Errno(directory + ": cannot make the folder");
      return false;
    }
    if (lstat(directory.c_str(), &st) != 0) {
      *why = Errno(directory);
      return false;
    }
  }
  if (S_ISLNK(st.st_mode)) {
    *why = directory + ": a symlink, not a folder";
    return false;
  }
  if (!S_ISDIR(st.st_mode)) {
    *why = directory + ": not a folder";
    return false;
  }
  if (st.st_uid != geteuid()) {
    *why = directory + ": belongs to another user";
    return false;
  }
  if ((st.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
    *why = directory + ": writable by others";
    return false;
  }
  return true;
}

bool FillAddress(const std::string& path, sockaddr_un* address) {
  std::memset(address, 0, sizeof *address);
  address->sun_family = AF_UNIX;
  if (path.size() >= sizeof address->sun_path) return false;
  std::memcpy(address->sun_path, path.data(), path.size());
  return true;
}

// A later start: one short message to the first; true when it was delivered.
// The socket never blocks: a first that does not accept lets its queue fill,
// and a blocking connect would then wait for ever (and through SIGTERM).
bool AskFirstToRaise(const std::string& socket_path) {
  sockaddr_un address{};
  if (!FillAddress(socket_path, &address)) return false;
  for (int attempt = 0; attempt < kConnectAttempts; ++attempt) {
    if (attempt > 0) std::this_thread::sleep_for(kConnectPause);
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    int connected;
    do {
      connected = connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    } while (connected != 0 && errno == EINTR);
    if (connected == 0) {
      // MSG_NOSIGNAL: a first instance that just quit must not kill us.
      const ssize_t sent =
          send(fd, kRaiseRequest, sizeof kRaiseRequest - 1, MSG_NOSIGNAL | MSG_DONTWAIT);
      close(fd);
      return sent > 0;
    }
    // EAGAIN: its queue is full; ENOENT, ECONNREFUSED: not listening (yet).
    close(fd);
  }
  return false;
}

}  // namespace

SingleInstance::~SingleInstance() { Release(); }

std::string SingleInstance::DefaultDirectory() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime != nullptr && runtime[0] == '/') return runtime;
  return PrivateDirectory();
}

std::string SingleInstance::PrivateDirectory() {
  std::string base = "/tmp";
  if (const char* tmp = std::getenv("TMPDIR"); tmp != nullptr && tmp[0] == '/') base = tmp;
  while (base.size() > 1 && base.back() == '/') base.pop_back();
  if (base == "/") base.clear();
  return base + "/abacine-" + std::to_string(static_cast<unsigned long>(geteuid()));
}

InstanceRole SingleInstance::Acquire(const std::string& directory, const std::string& name,
                                     std::string* error) {
  if (acquired_) return role_;
  std::string why;
  const InstanceRole role = TryFolder(directory, name, true, &why);
  if (role == InstanceRole::kSecond && why.empty()) why = "running copy did not answer";
  SetText(error, why);
  return role;
}

InstanceRole SingleInstance::AcquireWithFallback(const std::string& directory,
                                                 const std::string& fallback,
                                                 const std::string& name, std::string* note) {
  if (acquired_) return role_;
  SetText(note, "");
  std::string said;
  if (directory != fallback) {
    std::string why;
    const InstanceRole role = TryFolder(directory, name, true, &why);
    if (role != InstanceRole::kUnavailable) return role;
    said = why + "; ";
  }
  std::string why;
  const InstanceRole role = TryFolder(fallback, name, false, &why);
  if (role == InstanceRole::kUnavailable) {
    SetText(note, said + why + "; running without a single-instance lock");
  } else if (!said.empty() || (role == InstanceRole::kFirst && !why.empty())) {
    std::string text = said.empty() ? "" : said + "using " + fallback + " instead";
    // A first without its socket says so; a second's "no answer" is no news.
    if (role == InstanceRole::kFirst && !why.empty()) text += (text.empty() ? "" : "; ") + why;
    SetText(note, text);
  }
  return role;
}

InstanceRole SingleInstance::TryFolder(const std::string& directory, const std::string& name,
                                       bool needSocket, std::string* why) {
  why->clear();
  if (!NameUsable(name)) {
    *why = "unusable instance name";
    return InstanceRole::kUnavailable;
  }
  if (!DirectoryUsable(directory, why)) return InstanceRole::kUnavailable;
  const std::string base = directory.back() == '/' ? directory : directory + "/";
  const std::string lock_path = base + name + ".lock";
  const std::string socket_path = base + name + ".sock";
  sockaddr_un address{};
  const bool fits = FillAddress(socket_path, &address);
  if (!fits && needSocket) {
    *why = socket_path + ": too long for a socket address";
    return InstanceRole::kUnavailable;
  }

  const int lock_fd = open(lock_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (lock_fd < 0) {
    *why = Errno(lock_path + ": cannot open the lock file");
    return InstanceRole::kUnavailable;
  }
  if (flock(lock_fd, LOCK_EX | LOCK_NB) != 0) {
    const int cause = errno;
    close(lock_fd);
    if (cause != EWOULDBLOCK) {
      errno = cause;
      *why = Errno(lock_path + ": cannot lock");
      return InstanceRole::kUnavailable;
    }
    // Another copy holds the lock, so it runs even when it cannot be reached.
    if (!fits || !AskFirstToRaise(socket_path)) *why = "running copy did not answer";
    acquired_ = true;
    role_ = InstanceRole::kSecond;
    return role_;
  }

  lock_fd_ = lock_fd;
  lock_path_ = lock_path;
  acquired_ = true;
  role_ = InstanceRole::kFirst;
  if (!fits) {
    *why = socket_path + ": too long for a socket address, so later starts cannot bring this one forward";
    return role_;
  }

  // Whatever socket file is there belongs to a run that has ended: we hold
  // the lock.
  unlink(socket_path.c_str());
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) {
    *why = Errno("cannot make a socket");
    return role_;
  }
  if (bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
      listen(fd, 8) != 0) {
    *why = Errno(socket_path + ": cannot listen");
    close(fd);
    unlink(socket_path.c_str());
    return role_;
  }
  listen_fd_ = fd;
  socket_path_ = socket_path;
  return role_;
}

int SingleInstance::PollRaiseRequests() {
  if (listen_fd_ < 0) return 0;
  int requests = 0;
  while (requests < kMaxRequestsPerPoll) {
    const int fd = accept4(listen_fd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0) {
      if (errno == EINTR) continue;
      break;  // EAGAIN: nothing more waiting; anything else: try next frame
    }
    // Any connection is a request; what it sent (if it arrived yet) only
    // drains the socket.
    char drain[32];
    for (int reads = 0; reads < 4 && recv(fd, drain, sizeof drain, MSG_DONTWAIT) > 0; ++reads) {
    }
    close(fd);
    ++requests;
  }
  return requests;
}

void SingleInstance::StopListening() {
  if (listen_fd_ >= 0) {
    // Removed while the lock is still held, so it cannot be a newer copy's.
    unlink(socket_path_.c_str());
    close(listen_fd_);
    listen_fd_ = -1;
  }
  socket_path_.clear();
}

void SingleInstance::Release() {
  StopListening();
  if (lock_fd_ >= 0) {
    close(lock_fd_);  // drops the flock
    lock_fd_ = -1;
  }
  lock_path_.clear();
  acquired_ = false;
  role_ = InstanceRole::kUnavailable;
}

}  // namespace abacine::platform

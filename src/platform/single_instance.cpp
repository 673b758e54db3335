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
// A later start may find the lock taken before the first one listens; it
// keeps trying this long before it gives up (and still exits: the lock says
// a copy runs).
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

void SetError(std::string* error, const std::string& text) {
  if (error != nullptr) *error = text;
}

std::string Errno(const char* what) { return std::string(what) + ": " + std::strerror(errno); }

// The folder must be ours alone; it is made when missing.
bool DirectoryUsable(const std::string& directory, std::string* error) {
  if (directory.empty() || directory.front() != '/') {
    SetError(error, "lock folder is not an absolute path");
    return false;
  }
  struct stat st {};
  if (lstat(directory.c_str(), &st) != 0) {
    if (errno != ENOENT) {
      SetError(error, Errno("lock folder"));
      return false;
    }
    if (mkdir(directory.c_str(), 0700) != 0 && errno != EEXIST) {
      SetError(error, Errno("cannot make lock folder"));
      return false;
    }
    if (lstat(directory.c_str(), &st) != 0) {
      SetError(error, Errno("lock folder"));
      return false;
    }
  }
  if (!S_ISDIR(st.st_mode)) {
    SetError(error, "lock folder is not a directory");
    return false;
  }
  if (st.st_uid != geteuid()) {
    SetError(error, "lock folder belongs to another user");
    return false;
  }
  if ((st.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
    SetError(error, "lock folder is writable by others");
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
bool AskFirstToRaise(const std::string& socket_path) {
  sockaddr_un address{};
  if (!FillAddress(socket_path, &address)) return false;
  for (int attempt = 0; attempt < kConnectAttempts; ++attempt) {
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    if (connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
      // MSG_NOSIGNAL: a first instance that just quit must not kill us.
      const ssize_t sent = send(fd, kRaiseRequest, sizeof kRaiseRequest - 1, MSG_NOSIGNAL);
      close(fd);
      return sent > 0;
    }
    close(fd);
    std::this_thread::sleep_for(kConnectPause);
  }
  return false;
}

}  // namespace

SingleInstance::~SingleInstance() { Release(); }

std::string SingleInstance::DefaultDirectory() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime != nullptr && runtime[0] == '/') return runtime;
  return "/tmp/abacine-" + std::to_string(static_cast<unsigned long>(geteuid()));
}

InstanceRole SingleInstance::Acquire(const std::string& directory, const std::string& name,
                                     std::string* error) {
  if (acquired_) return role_;
  if (!NameUsable(name)) {
    SetError(error, "unusable instance name");
    return InstanceRole::kUnavailable;
  }
  if (!DirectoryUsable(directory, error)) return InstanceRole::kUnavailable;
  const std::string base = directory.back() == '/' ? directory : directory + "/";
  const std::string lock_path = base + name + ".lock";
  const std::string socket_path = base + name + ".sock";
  sockaddr_un address{};
  if (!FillAddress(socket_path, &address)) {
    SetError(error, "socket path too long");
    return InstanceRole::kUnavailable;
  }

  const int lock_fd =
      open(lock_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (lock_fd < 0) {
    SetError(error, Errno("cannot open lock file"));
    return InstanceRole::kUnavailable;
  }
  if (flock(lock_fd, LOCK_EX | LOCK_NB) != 0) {
    const int cause = errno;
    close(lock_fd);
    if (cause != EWOULDBLOCK) {
      errno = cause;
      SetError(error, Errno("cannot lock"));
      return InstanceRole::kUnavailable;
    }
    // Another copy holds the lock, so it runs even when it cannot be reached.
    if (!AskFirstToRaise(socket_path)) SetError(error, "running copy did not answer");
    acquired_ = true;
    role_ = InstanceRole::kSecond;
    return role_;
  }

  lock_fd_ = lock_fd;
  lock_path_ = lock_path;
  acquired_ = true;
  role_ = InstanceRole::kFirst;

  // Whatever socket file is there belongs to a run that has ended: we hold
  // the lock.
  unlink(socket_path.c_str());
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) {
    SetError(error, Errno("cannot make socket"));
    return role_;
  }
  if (bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
      listen(fd, 8) != 0) {
    SetError(error, Errno("cannot listen"));
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

void SingleInstance::Release() {
  if (listen_fd_ >= 0) {
    // Removed while the lock is still held, so it cannot be a newer copy's.
    unlink(socket_path_.c_str());
    close(listen_fd_);
    listen_fd_ = -1;
  }
  if (lock_fd_ >= 0) {
    close(lock_fd_);  // drops the flock
    lock_fd_ = -1;
  }
  socket_path_.clear();
  lock_path_.clear();
  acquired_ = false;
  role_ = InstanceRole::kUnavailable;
}

}  // namespace abacine::platform

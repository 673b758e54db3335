// One running copy per user: the stand-in for "find the running window by
// class and title and bring it forward" across processes.
//
// The first start takes an exclusive lock on <directory>/<name>.lock and
// listens on the UNIX socket <directory>/<name>.sock. A later start finds the
// lock taken, connects to the socket (which asks the first to raise its
// window) and is told to exit. The lock is an flock(2) lock, so the kernel
// drops it when its holder dies: a socket file left by a crashed run never
// blocks a new start, which simply replaces it.
//
// Nothing here blocks the first instance: PollRaiseRequests only takes what
// is already waiting. No SDL, no global state; single-threaded.
#pragma once

#include <string>

namespace abacine::platform {

enum class InstanceRole {
  kFirst,        // this process holds the lock (and listens when it could)
  kSecond,       // another process holds it and was asked to come forward
  kUnavailable,  // no usable lock (bad folder or name); run without one
};

class SingleInstance {
 public:
  SingleInstance() = default;
  ~SingleInstance();
  SingleInstance(const SingleInstance&) = delete;
  SingleInstance& operator=(const SingleInstance&) = delete;

  // $XDG_RUNTIME_DIR when it is an absolute path, else /tmp/abacine-<uid>.
  static std::string DefaultDirectory();

  // Takes the lock. `name` is 1..64 of [a-z0-9_-]. The folder is created
  // (mode 0700) when missing and must be a real directory owned by this user
  // and closed to others, else kUnavailable: a folder someone else controls
  // could be used to fake a running instance. When it fails, *error (if
  // given) says why. Calling it again after a success returns the same role.
  InstanceRole Acquire(const std::string& directory, const std::string& name,
                       std::string* error = nullptr);

  // First instance: accepts every connection already waiting, without
  // blocking, and returns how many there were (each one is a later start
  // asking for the window). 0 when not listening.
  int PollRaiseRequests();

  // Stops listening, removes the socket file and drops the lock. Also run by
  // the destructor.
  void Release();

  InstanceRole Role() const { return role_; }
  bool Listening() const { return listen_fd_ >= 0; }
  const std::string& SocketPath() const { return socket_path_; }
  const std::string& LockPath() const { return lock_path_; }

 private:
  InstanceRole role_ = InstanceRole::kUnavailable;
  bool acquired_ = false;
  int lock_fd_ = -1;
  int listen_fd_ = -1;
  std::string lock_path_;
  std::string socket_path_;
};

}  // namespace abacine::platform

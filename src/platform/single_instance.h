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
// Nothing here blocks: PollRaiseRequests only takes what is already waiting,
// and a later start never waits on a first that does not accept (stopped,
// busy, or showing its error box); it gives up after a bounded time and is
// still second. No SDL, no global state; single-threaded.
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

  // $XDG_RUNTIME_DIR when it is an absolute path, else PrivateDirectory().
  static std::string DefaultDirectory();
  // <$TMPDIR, when absolute, else /tmp>/abacine-<uid>: made on first use,
  // closed to others; where a start goes when the runtime folder fails.
  static std::string PrivateDirectory();

  // Takes the lock. `name` is 1..64 of [a-z0-9_-]. The folder is created
  // (mode 0700) when missing and must be a real directory owned by this user
  // and closed to others, the lock file no symlink and the socket's path short
  // enough for a socket address, else kUnavailable: a folder someone else
  // controls could be used to fake a running instance. When it fails, *error
  // (if given) says why. Calling it again after a success returns the same
  // role.
  InstanceRole Acquire(const std::string& directory, const std::string& name,
                       std::string* error = nullptr);

  // As Acquire in `directory`; when that folder cannot be used, in
  // `fallback`, where the lock alone is kept if the socket's path is too
  // long (a later start is then second but cannot bring this one forward).
  // Every start with the same folders makes the same choice. *note (if given)
  // gets one line saying what was passed over and what is used instead, or
  // is emptied when nothing was; kUnavailable when neither folder holds a lock.
  InstanceRole AcquireWithFallback(const std::string& directory, const std::string& fallback,
                                   const std::string& name, std::string* note = nullptr);

  // First instance: accepts every connection already waiting, without
  // blocking, and returns how many there were (each one is a later start
  // asking for the window). 0 when not listening.
  int PollRaiseRequests();

  // Stops listening and removes the socket file; the lock stays, so later
  // starts are still second (they find no one to ask and exit).
  void StopListening();

  // Stops listening, removes the socket file and drops the lock. Also run by
  // the destructor.
  void Release();

  InstanceRole Role() const { return role_; }
  bool Listening() const { return listen_fd_ >= 0; }
  const std::string& SocketPath() const { return socket_path_; }
  const std::string& LockPath() const { return lock_path_; }

 private:
  // One folder: the role, or kUnavailable with *why. With `needSocket` a
  // socket path that does not fit makes the folder unusable; without, the
  // lock is taken all the same and *why says what is missing.
  InstanceRole TryFolder(const std::string& directory, const std::string& name, bool needSocket,
                         std::string* why);

  InstanceRole role_ = InstanceRole::kUnavailable;
  bool acquired_ = false;
  int lock_fd_ = -1;
  int listen_fd_ = -1;
  std::string lock_path_;
  std::string socket_path_;
};

}  // namespace abacine::platform

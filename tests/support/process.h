// Running the built programs as a user does: arguments, standard input,
// both output streams, the exit status, and a time limit after which the
// process is killed. Processes are started without a shell, so arguments
// need no quoting.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace abacine::testing {

// The build's bin folder, where the programs lie.
inline std::string BinPath(const std::string& program) {
  return std::string(ABACINE_BINARY_DIR) + "/bin/" + program;
}

inline std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Starts argv (argv[0] a path, or a name looked up on PATH) with standard
// input from `in_path` (empty: /dev/null) and the two outputs into files.
// Returns the process id, or -1 when it could not be started.
inline pid_t StartProcess(const std::vector<std::string>& argv, const std::string& in_path,
                          const std::string& out_path, const std::string& err_path) {
  std::vector<std::string> args = argv;
  std::vector<char*> argp;
  for (std::string& a : args) argp.push_back(a.data());
  argp.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  const int out_flags = O_WRONLY | O_CREAT | O_TRUNC;
  posix_spawn_file_actions_addopen(&actions, 0, in_path.empty() ? "/dev/null" : in_path.c_str(),
                                   O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, out_path.c_str(), out_flags, 0600);
  posix_spawn_file_actions_addopen(&actions, 2, err_path.c_str(), out_flags, 0600);
  pid_t pid = -1;
  if (posix_spawnp(&pid, argp[0], &actions, nullptr, argp.data(), environ) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}

// The exit status (128 + signal when a signal ended it), or -1 when it did
// not end within `limit`: it is then killed. *peakKb (when given) gets the
// most memory the process held, in KiB.
inline int WaitProcess(pid_t pid, std::chrono::milliseconds limit, long* peakKb = nullptr) {
  if (pid <= 0) return -1;
  const auto end = std::chrono::steady_clock::now() + limit;
  int status = 0;
  do {
    rusage usage {};
    const pid_t done = wait4(pid, &status, WNOHANG, &usage);
    if (done == pid && peakKb != nullptr) *peakKb = usage.ru_maxrss;
    if (done == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    if (done < 0) return -1;  // already waited for: nothing of ours to kill
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  } while (std::chrono::steady_clock::now() < end);
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
  return -1;
}

struct ProcessResult {
  int status = -1;  // as WaitProcess
  long peakKb = 0;  // the most memory it held, in KiB
  std::string out;
  std::string err;
};

// Runs argv to its end (at most `limit`), with `input` on standard input.
inline ProcessResult RunProcess(const std::vector<std::string>& argv, const std::string& input = "",
                                std::chrono::milliseconds limit = std::chrono::seconds(60)) {
  std::string paths[3];  // standard input, output and error
  for (std::string& path : paths) {
    path = ::testing::TempDir() + "abacine_run_XXXXXX";
    const int made = mkstemp(path.data());
    if (made >= 0) close(made);
  }
  std::ofstream(paths[0], std::ios::binary) << input;
  ProcessResult result;
  result.status = WaitProcess(StartProcess(argv, paths[0], paths[1], paths[2]), limit, &result.peakKb);
  result.out = ReadWholeFile(paths[1]);
  result.err = ReadWholeFile(paths[2]);
  for (const std::string& path : paths) unlink(path.c_str());
  return result;
}

}  // namespace abacine::testing

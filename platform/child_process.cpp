#include "platform/child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <thread>

#include "platform/platform_seam.h"
#include "platform/text_encoding.h"

extern char** environ;

namespace {

std::vector<std::string> ChildEnvironment(const std::vector<std::string>& overrides) {
  std::vector<std::string> result;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    std::string text = *entry;
    std::string name = text.substr(0, text.find('=') + 1);
    bool replaced = false;
    for (const std::string& o : overrides) replaced = replaced || o.compare(0, name.size(), name) == 0;
    if (!replaced) result.push_back(text);
  }
  result.insert(result.end(), overrides.begin(), overrides.end());
  return result;
}

std::vector<char*> Pointers(std::vector<std::string>& texts) {
  std::vector<char*> result;
  for (std::string& text : texts) result.push_back(text.data());
  result.push_back(nullptr);
  return result;
}

// Kills the child's whole group (LibreOffice's launcher starts the real program as its own
// child) and reaps the child.
void KillAndReap(pid_t pid, int* status) {
  kill(-pid, SIGKILL);
  int ignored = 0;
  while (waitpid(pid, status != nullptr ? status : &ignored, 0) < 0 && errno == EINTR) {
  }
}

}  // namespace

namespace {

// Starts the child in its own process group; -1 (with result.error) when it could not start.
pid_t SpawnChild(const ChildRequest& request, ChildResult& result) {
  std::vector<std::string> argv{Utf8(request.program)};
  for (const std::u16string& argument : request.arguments) argv.push_back(Utf8(argument));
  std::vector<std::string> envp = ChildEnvironment(request.environment);
  std::string log = request.logPath.empty() ? "/dev/null" : Utf8(request.logPath);

  posix_spawn_file_actions_t actions;
  posix_spawnattr_t attributes;
  posix_spawn_file_actions_init(&actions);
  posix_spawnattr_init(&attributes);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  sigset_t defaults;
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGPIPE);
  sigaddset(&defaults, SIGCHLD);
  sigset_t none;
  sigemptyset(&none);
  posix_spawnattr_setsigdefault(&attributes, &defaults);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setpgroup(&attributes, 0);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
  pid_t pid = -1;
  std::vector<char*> argPointers = Pointers(argv);
  std::vector<char*> envPointers = Pointers(envp);
  int spawnError = posix_spawn(&pid, argv[0].c_str(), &actions, &attributes, argPointers.data(), envPointers.data());
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  if (spawnError != 0) {
    result.error = spawnError;
    return -1;
  }
  return pid;
}

// Waits for the child until it ends, `stop` says so or the time-out passes.
void WaitForChild(pid_t pid, int timeoutMs, const std::function<bool()>& stop, ChildResult& result) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  result.end = ChildEnd::WaitFailed;
  for (;;) {
    // Looks without reaping, so the group id cannot be reused before the group is killed.
    siginfo_t info{};
    int waited = waitid(P_PID, pid_t(pid), &info, WEXITED | WNOHANG | WNOWAIT);
    if (waited == 0 && info.si_pid == pid) {
      int status = 0;
      // Helpers it left behind in its group have no one to report to.
      KillAndReap(pid, &status);
      result.end = ChildEnd::Exited;
      result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      return;
    }
    if (waited < 0 && errno != EINTR) {
      result.error = errno;
      KillAndReap(pid, nullptr);
      return;
    }
    if (stop()) {
      result.end = ChildEnd::Cancelled;
      KillAndReap(pid, nullptr);
      return;
    }
    if (std::chrono::steady_clock::now() >= deadline) {
      result.end = ChildEnd::TimedOut;
      KillAndReap(pid, nullptr);
      return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

}  // namespace

ChildResult RunChild(const ChildRequest& request) {
  ChildResult result;
  pid_t pid = SpawnChild(request, result);
  if (pid < 0) return result;
  BeginBusy(request.busyText);
  WaitForChild(pid, g_platform.childTimeoutMs, [] { return PumpBusy(); }, result);
  EndBusy();
  return result;
}

ChildResult RunChildUntil(const ChildRequest& request, int timeoutMs, const std::function<bool()>& stop) {
  ChildResult result;
  pid_t pid = SpawnChild(request, result);
  if (pid >= 0) WaitForChild(pid, timeoutMs, stop, result);
  return result;
}

bool IsExistingFile(const std::u16string& path) {
  struct stat st {};
  return !path.empty() && stat(Utf8(path).c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

std::u16string FindOnSearchPath(const std::u16string& name) {
  const char* path = std::getenv("PATH");
  if (path == nullptr) return {};
  std::string folders = path;
  size_t start = 0;
  while (start <= folders.size()) {
    size_t end = folders.find(':', start);
    if (end == std::string::npos) end = folders.size();
    std::string folder = folders.substr(start, end - start);
    if (!folder.empty()) {
      std::string candidate = folder + "/" + Utf8(name);
      struct stat st {};
      if (stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(candidate.c_str(), X_OK) == 0) {
        return Utf8ToUtf16(candidate);
      }
    }
    start = end + 1;
  }
  return {};
}

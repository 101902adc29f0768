#include "platform/default_program.h"

#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <thread>
#include <vector>

#include "platform/child_process.h"
#include "platform/text_encoding.h"

extern char** environ;

namespace {

constexpr auto kExitWait = std::chrono::seconds(5);

}  // namespace

bool OpenWithDefaultProgram(const std::u16string& path) {
  std::u16string opener = FindOnSearchPath(u"xdg-open");
  if (opener.empty()) return false;
  std::string program = Utf8(opener);
  std::string file = Utf8(path);
  std::vector<char*> argv{program.data(), file.data(), nullptr};
  pid_t pid = -1;
  if (posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv.data(), environ) != 0) return false;
  auto deadline = std::chrono::steady_clock::now() + kExitWait;
  while (std::chrono::steady_clock::now() < deadline) {
    int status = 0;
    pid_t ended = waitpid(pid, &status, WNOHANG);
    if (ended == pid) return WIFEXITED(status) && WEXITSTATUS(status) == 0;
    if (ended < 0) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  // Some desktops keep xdg-open waiting for the program it started: reap it when it ends.
  std::thread([pid] { waitpid(pid, nullptr, 0); }).detach();
  return true;
}

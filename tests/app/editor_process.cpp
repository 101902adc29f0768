#include "app/editor_process.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <thread>

EditorProcess::EditorProcess(const std::string& document, const std::string& mode, const std::string& action) {
  int output[2];
  if (::pipe(output) != 0) return;
  pid_ = ::fork();
  if (pid_ == 0) {
    ::dup2(output[1], 1);
    ::close(output[0]);
    std::string given = document.empty() ? "-" : document;
    ::execl(CORVAN_SCRIPTED_EDITOR, "scripted_editor", given.c_str(), mode.c_str(),
            action.empty() ? nullptr : action.c_str(), (char*)nullptr);
    ::_exit(127);
  }
  ::close(output[1]);
  output_ = ::fdopen(output[0], "r");
}

EditorProcess::~EditorProcess() {
  // A process a failed assertion left running is ended, so it holds no pipe or folder.
  if (pid_ > 0 && ::waitpid(pid_, nullptr, WNOHANG) == 0) {
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
  }
  if (output_ != nullptr) std::fclose(output_);
}

std::string EditorProcess::WaitForLine(const std::string& prefix) {
  char line[1024];
  while (output_ != nullptr && std::fgets(line, sizeof line, output_) != nullptr) {
    std::string text(line);
    if (!text.empty() && text.back() == '\n') text.pop_back();
    lines_.push_back(text);
    if (text.rfind(prefix, 0) == 0) return text;
  }
  return {};
}

std::string EditorProcess::LinesSoFar() const {
  std::string all;
  for (const auto& line : lines_) all += line + "\n";
  return all;
}

int EditorProcess::SignalAndWait(int signal, std::chrono::milliseconds limit) {
  ::kill(pid_, signal);
  auto deadline = std::chrono::steady_clock::now() + limit;
  int status = 0;
  while (::waitpid(pid_, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
      pid_ = -1;
      return -1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  pid_ = -1;
  return status;
}

int EditorProcess::Wait() {
  int status = 0;
  ::waitpid(pid_, &status, 0);
  pid_ = -1;
  return status;
}

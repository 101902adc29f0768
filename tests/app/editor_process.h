// The editor as a separate process (the scripted_editor program), for tests that kill or
// signal it: it is started with a document and a mode, its output lines are read as it
// reports, and it is ended when a test leaves it running.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

class EditorProcess {
 public:
  // scripted_editor <document> <mode> [action]; an empty document starts without one.
  EditorProcess(const std::string& document, const std::string& mode, const std::string& action = {});
  ~EditorProcess();
  EditorProcess(const EditorProcess&) = delete;
  EditorProcess& operator=(const EditorProcess&) = delete;

  // Reads output lines until one starts with `prefix` and returns it; empty when the output
  // ended first.
  std::string WaitForLine(const std::string& prefix);
  // Every line read so far, for failure messages.
  std::string LinesSoFar() const;
  // Sends the signal and waits for the end; the wait status, or -1 when the process still ran
  // after `limit` (it is then killed).
  int SignalAndWait(int signal, std::chrono::milliseconds limit);
  // Waits for the process to end on its own.
  int Wait();

 private:
  pid_t pid_ = -1;
  FILE* output_ = nullptr;
  std::vector<std::string> lines_;
};

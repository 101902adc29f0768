// Child programs (Tesseract, LibreOffice): started from an argument vector, never through a
// shell, so every path reaches them byte for byte; waited for while the window stays alive.
#pragma once

#include <functional>
#include <string>
#include <vector>

struct ChildRequest {
  std::u16string program;                 // full path of the executable
  std::vector<std::u16string> arguments;  // after the program name
  std::vector<std::string> environment;   // "NAME=value": added to, or replacing, ours
  std::u16string logPath;                 // receives standard output and error; empty: discarded
  std::u16string busyText;                // shown in the progress box while the child runs
};

enum class ChildEnd { Exited, TimedOut, Cancelled, StartFailed, WaitFailed };

struct ChildResult {
  ChildEnd end = ChildEnd::StartFailed;
  int exitCode = 1067;  // read from the child only when it exited on its own
  int error = 0;        // errno of a failed start or wait
};

// Runs the child in its own process group and waits up to the seam's child time-out, pumping
// the busy box; on time-out or 取消 the whole group is killed and reaped before returning.
ChildResult RunChild(const ChildRequest& request);
// The same without the busy box, for a worker thread: `stop` is asked every few
// milliseconds and true ends the child's group like 取消 (busyText is not used).
ChildResult RunChildUntil(const ChildRequest& request, int timeoutMs, const std::function<bool()>& stop);

// The first executable regular file named `name` in a PATH folder, or empty.
std::u16string FindOnSearchPath(const std::u16string& name);
// Whether the path names an existing file that is not a directory.
bool IsExistingFile(const std::u16string& path);

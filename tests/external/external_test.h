// Helpers shared by the tests of the external programs: fake programs for the failure paths
// and a PATH that holds only chosen programs.
#pragma once

#include <string>

// Writes an executable shell script `name` into `folder` with the given body.
void WriteFakeProgram(const std::string& folder, const std::string& name, const std::string& body);

// Replaces PATH for the lifetime of the object.
class SearchPathOverride {
 public:
  explicit SearchPathOverride(const std::string& path);
  ~SearchPathOverride();

 private:
  std::string saved_;
};

// Lines of a text file (a fake program's record of its arguments).
std::string ReadText(const std::string& path);

// Whether a process exists and is not a zombie (waits briefly for a killed one to go).
bool IsRunning(int pid);

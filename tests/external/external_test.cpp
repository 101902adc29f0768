#include "external_test.h"

#include <sys/stat.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

void WriteFakeProgram(const std::string& folder, const std::string& name, const std::string& body) {
  std::string path = folder + "/" + name;
  std::ofstream(path) << "#!/bin/sh\n" << body << "\n";
  chmod(path.c_str(), 0755);
}

SearchPathOverride::SearchPathOverride(const std::string& path) {
  const char* old = std::getenv("PATH");
  saved_ = old != nullptr ? old : "";
  setenv("PATH", path.c_str(), 1);
}

SearchPathOverride::~SearchPathOverride() { setenv("PATH", saved_.c_str(), 1); }

std::string ReadText(const std::string& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

bool IsRunning(int pid) {
  for (int attempt = 0; attempt < 50; ++attempt) {
    std::string stat = ReadText("/proc/" + std::to_string(pid) + "/stat");
    size_t close = stat.rfind(')');
    if (close == std::string::npos || stat.compare(close + 2, 1, "Z") == 0) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

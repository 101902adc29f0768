#include "bench/real_documents.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <vector>

#include "platform/file_system.h"
#include "platform/text_encoding.h"

namespace {

constexpr const char* kPackage = "debian-reference-zh-cn";
constexpr const char* kManualInPackage = "usr/share/debian-reference/debian-reference.zh-cn.pdf";

// Runs a program from its argument vector in `folder`; true when it exited with 0.
bool Run(const std::string& folder, std::vector<std::string> arguments) {
  pid_t child = fork();
  if (child < 0) return false;
  if (child == 0) {
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    if (chdir(folder.c_str()) != 0) _exit(127);
    execvp(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  if (waitpid(child, &status, 0) != child) return false;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::string CacheFolder() {
  return Utf8(ExecutableDirectory()) + "/../bench-cache";
}

}  // namespace

std::string PgfManual() {
  namespace fs = std::filesystem;
  const char* package = "texlive-pictures-doc";
  std::string folder = CacheFolder();
  std::string manual = folder + "/pictures/usr/share/doc/texlive-doc/generic/pgf/pgfmanual.pdf";
  if (fs::exists(manual)) return manual;
  std::error_code error;
  fs::create_directories(folder + "/pictures", error);
  // An empty or stale package list is refreshed once (the set-up only updates it when it installs).
  if (!Run(folder, {"apt-get", "download", package}) &&
      !(Run(folder, {"apt-get", "update", "-q"}) && Run(folder, {"apt-get", "download", package}))) {
    std::fprintf(stderr, "apt-get download %s failed\n", package);
    return {};
  }
  for (const auto& entry : fs::directory_iterator(folder, error)) {
    std::string name = entry.path().filename().string();
    if (name.rfind(package, 0) == 0 && entry.path().extension() == ".deb") Run(folder, {"dpkg", "-x", name, "pictures"});
  }
  return fs::exists(manual) ? manual : std::string();
}

std::string RealManualPages(int pages) {
  namespace fs = std::filesystem;
  std::string folder = CacheFolder();
  std::string cut = folder + "/" + kPackage + "-" + std::to_string(pages) + ".pdf";
  if (fs::exists(cut)) return cut;
  std::error_code error;
  fs::create_directories(folder + "/package", error);
  std::string manual = folder + "/package/" + kManualInPackage;
  if (!fs::exists(manual)) {
    if (!Run(folder, {"apt-get", "download", kPackage})) {
      std::fprintf(stderr, "apt-get download %s failed\n", kPackage);
      return {};
    }
    std::string deb;
    for (const auto& entry : fs::directory_iterator(folder, error)) {
      std::string name = entry.path().filename().string();
      if (name.rfind(kPackage, 0) == 0 && entry.path().extension() == ".deb") deb = name;
    }
    if (deb.empty() || !Run(folder, {"dpkg", "-x", deb, "package"})) {
      std::fprintf(stderr, "unpacking %s failed\n", kPackage);
      return {};
    }
  }
  std::string range = "1-" + std::to_string(pages);
  if (!Run(folder, {"qpdf", "--empty", "--pages", manual, range, "--", cut + ".part"})) {
    std::fprintf(stderr, "qpdf could not cut %s pages out of the manual\n", range.c_str());
    return {};
  }
  fs::rename(cut + ".part", cut, error);
  return error ? std::string() : cut;
}

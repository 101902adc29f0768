#include "support/sane_test_backend.h"

#include <cstdlib>
#include <filesystem>
#include <string>

#include "support/pdf_fixtures.h"

void UseSaneTestBackendOnly() {
  static std::string folder;
  if (!folder.empty()) return;
  char pattern[] = "/tmp/corvan-sane-XXXXXX";
  folder = mkdtemp(pattern);
  WriteBytes(folder + "/dll.conf", "test\n");
  setenv("SANE_CONFIG_DIR", folder.c_str(), 1);
  std::atexit([] { std::filesystem::remove_all(folder); });
}

#include "support/sane_test_backend.h"

#include <dlfcn.h>

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
#ifdef CORVAN_SANE_TEST_BACKEND
  // The test backend's reader thread loses its 64 KiB picture buffer when the scan ends before
  // the thread frees it (always on 取消). sane_exit unloads the backend, and the leak report
  // then has no library name to be suppressed by; kept loaded, it names libsane-test.
  dlopen(CORVAN_SANE_TEST_BACKEND, RTLD_NOW | RTLD_NODELETE);
#endif
}

// Shared start of the engine benchmarks: the engine loaded, and a private work folder that takes
// the snapshots (TMPDIR) beside the font folder of the build unless another one is named.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include "engine/engine_loader.h"
#include "platform/file_system.h"
#include "platform/text_encoding.h"

inline std::optional<std::string> StartEngineBench() {
  if (!LoadPdfEngine()) {
    std::fprintf(stderr, "libpdfium.so was not found; run scripts/setup.sh first\n");
    return std::nullopt;
  }
  char pattern[] = "/tmp/corvan-bench-XXXXXX";
  if (mkdtemp(pattern) == nullptr) {
    std::perror("mkdtemp");
    return std::nullopt;
  }
  setenv("TMPDIR", pattern, 1);
  if (std::getenv("CORVAN_FONTS_DIR") == nullptr) {
    setenv("CORVAN_FONTS_DIR", (Utf8(ExecutableDirectory()) + "/../fonts").c_str(), 1);
  }
  return std::string(pattern);
}

// A private folder for a window benchmark, set before the application starts: it takes the
// snapshots (TMPDIR), the settings and the recovery state, so a killed run leaves nothing
// behind that the next run would ask about.
inline std::string MakeWindowBenchFolder() {
  char pattern[] = "/tmp/corvan-bench-XXXXXX";
  std::string folder = mkdtemp(pattern) != nullptr ? pattern : "/tmp";
  setenv("TMPDIR", folder.c_str(), 1);
  setenv("XDG_CONFIG_HOME", folder.c_str(), 1);
  setenv("XDG_STATE_HOME", folder.c_str(), 1);
  return folder;
}

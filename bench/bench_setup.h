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

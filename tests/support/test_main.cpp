// Every test binary runs against the real PDFium library, found the way the editor finds it.
#include <gtest/gtest.h>

#include <cstdio>

#include "engine/engine_loader.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (!LoadPdfEngine()) {
    std::fprintf(stderr, "libpdfium.so was not found; run scripts/setup.sh first\n");
    return 1;
  }
  int result = RUN_ALL_TESTS();
  UnloadPdfEngine();
  return result;
}

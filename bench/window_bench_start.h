// Shared start of the window benchmarks, in two halves around the application's construction:
// the offscreen screen of the window tests and a private folder before it, the application's
// preparation and the engine after it.
#pragma once

#include <QtGlobal>
#include <cstdio>
#include <string>

#include "app/startup.h"
#include "bench/bench_setup.h"
#include "engine/engine_loader.h"

// Before the application exists; returns the benchmark's private folder.
inline std::string BeginWindowBench() {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" CORVAN_OFFSCREEN_CONFIG);
  }
  return MakeWindowBenchFolder();
}

// After the application exists; false (with a line on stderr) when the engine is missing.
inline bool FinishWindowBenchStart() {
  PrepareApplication();
  if (!LoadPdfEngine()) {
    std::fprintf(stderr, "libpdfium.so was not found; run scripts/setup.sh first\n");
    return false;
  }
  return true;
}

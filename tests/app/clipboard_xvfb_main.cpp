// The clipboard tests between two programs need a real X display (run under xvfb-run): the
// offscreen platform keeps its clipboard inside one process.
#include <gtest/gtest.h>

#include "app/corvan_application.h"
#include "app/startup.h"
#include "engine/engine_loader.h"

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "xcb");
  CorvanApplication application(argc, argv);
  PrepareApplication();
  ::testing::InitGoogleTest(&argc, argv);
  if (!LoadPdfEngine()) return 1;
  int result = RUN_ALL_TESTS();
  UnloadPdfEngine();
  return result;
}

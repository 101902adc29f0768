// GUI tests run the real main window on Qt's offscreen platform against the real engine.
#include <gtest/gtest.h>

#include "app/corvan_application.h"
#include "app/startup.h"
#include "engine/engine_loader.h"

int main(int argc, char** argv) {
  // A screen larger than the window's minimum size, so that maximising behaves as on a desktop.
  qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" CORVAN_OFFSCREEN_CONFIG);
  CorvanApplication application(argc, argv);
  PrepareApplication();  // as the program does: its font and Qt's Chinese translation
  ::testing::InitGoogleTest(&argc, argv);
  if (!LoadPdfEngine()) return 1;
  int result = RUN_ALL_TESTS();
  UnloadPdfEngine();
  return result;
}

// GUI tests run the real main window on Qt's offscreen platform against the real engine.
#include <gtest/gtest.h>

#include <QFontDatabase>

#include "app/corvan_application.h"
#include "engine/engine_loader.h"

int main(int argc, char** argv) {
  // A screen larger than the window's minimum size, so that maximising behaves as on a desktop.
  qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" CORVAN_OFFSCREEN_CONFIG);
  CorvanApplication application(argc, argv);
  QFont font(QStringLiteral("WenQuanYi Micro Hei"));
  font.setPixelSize(13);
  QApplication::setFont(font);
  ::testing::InitGoogleTest(&argc, argv);
  if (!LoadPdfEngine()) return 1;
  int result = RUN_ALL_TESTS();
  UnloadPdfEngine();
  return result;
}

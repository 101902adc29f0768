#include "widgets/window_access.h"

namespace {

MainWindowAccess g_access;

}  // namespace

void SetMainWindowAccess(const MainWindowAccess& access) { g_access = access; }

QWidget* MainWindowWidget() { return g_access.window; }

PageCanvas* MainCanvas() { return g_access.canvas; }

void RefreshWindow() {
  if (g_access.refreshAll != nullptr) g_access.refreshAll();
}

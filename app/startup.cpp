#include "app/startup.h"

#include <QFontDatabase>
#include <QMessageBox>

#include "app/corvan_application.h"
#include "app/main_window.h"
#include "document/edit_wrapper.h"
#include "document/open_document.h"
#include "document/session.h"
#include "document/undo_history.h"
#include "engine/engine_loader.h"
#include "platform/platform_seam.h"
#include "platform/qt_platform.h"
#include "view/page_canvas.h"
#include "view/page_view.h"
#include "view/tool_modes.h"

MainWindow* StartEditorWindow(const QStringList& arguments) {
  auto* window = new MainWindow;
  if (g_platform.showMessageBox == nullptr) InstallQtPlatform(window);
  if (NewBlankDocument()) EnterPen();
  window->showMaximized();
  window->canvas()->Relayout();
  if (arguments.size() > 1) OpenDocument(ToU16(arguments.at(1)));
  window->RefreshAll();
  return window;
}

void ShutdownEditor() {
  CloseSessionDocument();
  DropDragEdit();
  DiscardHistory();
  ReleaseConversionFolder();
  DestroyRenderCache();
  UnloadPdfEngine();
}

int RunEditor(int argc, char** argv) {
  CorvanApplication application(argc, argv);
  // Stable Chinese text regardless of LANG and of which CJK faces are installed.
  if (QFontDatabase::families().contains(QStringLiteral("WenQuanYi Micro Hei"))) {
    QFont font(QStringLiteral("WenQuanYi Micro Hei"));
    font.setPixelSize(13);
    QApplication::setFont(font);
  }
  if (!LoadPdfEngine()) {
    QMessageBox::critical(nullptr, ToQString(kEngineMissingCaption), ToQString(kEngineMissingText));
    UnloadPdfEngine();
    return 1;
  }
  MainWindow* window = StartEditorWindow(application.arguments());
  int code = application.exec();
  delete window;
  ShutdownEditor();
  return code;
}

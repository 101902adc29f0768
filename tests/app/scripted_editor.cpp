// The editor as a separate process for crash-recovery tests: it starts like the program does
// (application, engine, termination handlers, main window with the document given), draws
// pen strokes through real mouse events on two pages, prints what the pages hold, and then
// either waits to be killed or signalled ("wait") or closes its window, discarding the
// changes, as a user would ("close"). Message boxes are answered "No", dialogs cancelled.
//   scripted_editor <document> wait|close
#include <QApplication>
#include <QTest>
#include <QTimer>
#include <cstdio>

#include "app/command_ids.h"
#include "app/command_router.h"
#include "app/corvan_application.h"
#include "app/main_window.h"
#include "app/startup.h"
#include "app/termination_signals.h"
#include "document/session.h"
#include "engine/engine_loader.h"
#include "engine/engine_table.h"
#include "platform/platform_seam.h"
#include "view/page_canvas.h"
#include "view/page_view.h"

namespace {

MessageAnswer AnswerNo(const MessageBoxRequest& request) {
  return request.buttons == MessageButtons::Ok ? MessageAnswer::Ok : MessageAnswer::No;
}

std::optional<std::u16string> Cancel(const FileDialogRequest&) { return std::nullopt; }

void Stroke(PageCanvas* canvas, float fx, float fy) {
  canvas->repaint();
  const IntRect& r = g_view.pageRect;
  QPoint from(r.left + int(fx * r.Width()), r.top + int(fy * r.Height()));
  QTest::mousePress(canvas, Qt::LeftButton, Qt::NoModifier, from);
  for (int i = 1; i <= 6; ++i) {
    QPoint p = from + QPoint(12 * i, 7 * i);
    QMouseEvent move(QEvent::MouseMove, p, canvas->mapToGlobal(p), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(canvas, &move);
  }
  QTest::mouseRelease(canvas, Qt::LeftButton, Qt::NoModifier, from + QPoint(72, 42));
  QApplication::processEvents();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  CorvanApplication application(argc, argv);
  PrepareApplication();
  if (!LoadPdfEngine()) return 1;
  InstallTerminationHandlers();
  g_platform.showMessageBox = AnswerNo;
  g_platform.showFileDialog = Cancel;
  MainWindow* window = StartEditorWindow({QStringLiteral("corvan-pdf"), QString::fromLocal8Bit(argv[1])});
  QApplication::processEvents();
  PageCanvas* canvas = window->canvas();
  RouteCommand(kCmdPenTool);
  Stroke(canvas, 0.2f, 0.2f);
  Stroke(canvas, 0.5f, 0.3f);
  GoToPage(1);
  RouteCommand(kCmdPenTool);
  Stroke(canvas, 0.3f, 0.3f);
  std::printf("READY %d", g_session.pageCount);
  for (int i = 0; i < g_session.pageCount; ++i) {
    FPDF_PAGE page = i == g_session.currentPageIndex ? g_session.currentPage : g_engine.FPDF_LoadPage(g_session.document, i);
    std::printf(" %d", g_engine.FPDFPage_CountObjects(page));
    if (page != g_session.currentPage) g_engine.FPDF_ClosePage(page);
  }
  std::printf("\n");
  std::fflush(stdout);
  if (std::string(argv[2]) == "close") QTimer::singleShot(0, window, [window] { window->close(); });
  int code = application.exec();
  delete window;
  ShutdownEditor();
  return code;
}

// The editor as a separate process for crash-recovery tests: it starts like the program does
// (application, engine, termination handlers, main window with the document given).
//   scripted_editor <document>|- wait|close|save|boxes [escape|closebox]
// wait, close, save: pen strokes are drawn through real mouse events on two pages and what
// the pages hold is printed ("READY"); then the editor waits to be killed or signalled
// (wait), closes its window discarding the changes as a user would (close), or opens the real
// save dialog (save). Until then message boxes are answered "No", dialogs cancelled.
// boxes: every box and dialog is the real one from the start; "STARTED" follows start-up.
// Each modal box or dialog that comes up is reported ("MODAL <class> <default button>|<title>")
// and, with an action, answered with Esc or its close button.
#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <cstdio>

#include "app/command_router.h"
#include "app/corvan_application.h"
#include "app/main_window.h"
#include "app/startup.h"
#include "app/termination_signals.h"
#include "document/session.h"
#include "engine/engine_loader.h"
#include "engine/engine_table.h"
#include "platform/platform_seam.h"
#include "view/command_ids.h"
#include "view/page_view.h"
#include "widgets/page_canvas.h"
#include "widgets/qt_platform.h"

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

void DrawAndReport(MainWindow* window) {
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
}

// Runs in every event loop, a modal box's own included.
void WatchModalWidgets(const std::string& action) {
  auto* timer = new QTimer(QApplication::instance());
  auto* last = new QPointer<QWidget>;
  QObject::connect(timer, &QTimer::timeout, [action, last] {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr || modal == *last) return;
    *last = modal;
    QString defaultButton;
    if (auto* box = qobject_cast<QMessageBox*>(modal); box != nullptr && box->defaultButton() != nullptr) {
      defaultButton = box->defaultButton()->text();
    }
    std::printf("MODAL %s %s|%s\n", modal->metaObject()->className(), defaultButton.toUtf8().constData(),
                modal->windowTitle().toUtf8().constData());
    std::fflush(stdout);
    if (action == "escape") QTest::keyClick(modal, Qt::Key_Escape);
    if (action == "closebox") modal->close();
  });
  timer->start(10);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  std::string mode = argv[2];
  CorvanApplication application(argc, argv);
  PrepareApplication();
  if (!LoadPdfEngine()) return 1;
  InstallTerminationHandlers();
  WatchModalWidgets(argc > 3 ? argv[3] : "");
  if (mode != "boxes") {
    g_platform.showMessageBox = AnswerNo;
    g_platform.showFileDialog = Cancel;
  }
  QStringList arguments{QStringLiteral("corvan-pdf")};
  if (std::string(argv[1]) != "-") arguments << QString::fromLocal8Bit(argv[1]);
  MainWindow* window = StartEditorWindow(arguments);
  std::printf("STARTED\n");
  std::fflush(stdout);
  if (mode != "boxes") DrawAndReport(window);
  if (mode == "close") QTimer::singleShot(0, window, [window] { window->close(); });
  if (mode == "ocr") {
    InstallQtPlatform(window);  // the progress box and its event loop, as the editor has them
    QTimer::singleShot(0, window, [] { RouteCommand(kCmdRecogniseAllPages); });
  }
  if (mode == "save") {
    InstallQtPlatform(window);
    QTimer::singleShot(0, window, [] { RouteCommand(kCmdSaveCopy); });
  }
  int code = RunMainLoop();
  delete window;
  ShutdownEditor();
  return code;
}

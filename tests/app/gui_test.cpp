#include "app/gui_test.h"

#include <QApplication>
#include <QDir>
#include <QTest>

#include "app/main_window.h"
#include "app/startup.h"
#include "view/page_view.h"
#include "view/status_line.h"
#include "view/tool_state.h"
#include "view/toolbar.h"
#include "widgets/page_canvas.h"
#include "widgets/qt_platform.h"

void GuiTest::SetUp() {
  DocumentTest::SetUp();
  g_view = PageView{};
  g_layout = WindowLayout{};
  g_tool = ToolState{};
  g_pan = PanState{};
}

void GuiTest::TearDown() {
  delete window_;
  window_ = nullptr;
  g_mainWindow = nullptr;
  DestroyRenderCache();
  DocumentTest::TearDown();
}

void GuiTest::StartWindow(const QStringList& extraArguments) {
  window_ = StartEditorWindow(QStringList{QStringLiteral("corvan-pdf")} + extraArguments);
  QApplication::processEvents();
}

PageCanvas* GuiTest::Canvas() const { return window_->canvas(); }

void GuiTest::Click(QPoint at, Qt::MouseButton button) {
  QTest::mouseClick(Canvas(), button, Qt::NoModifier, at);
  QApplication::processEvents();
}

void GuiTest::Drag(QPoint from, QPoint to, int steps) {
  QTest::mousePress(Canvas(), Qt::LeftButton, Qt::NoModifier, from);
  for (int i = 1; i <= steps; ++i) {
    QPoint p = from + (to - from) * i / steps;
    QMouseEvent move(QEvent::MouseMove, p, Canvas()->mapToGlobal(p), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(Canvas(), &move);
  }
  QTest::mouseRelease(Canvas(), Qt::LeftButton, Qt::NoModifier, to);
  QApplication::processEvents();
}

void GuiTest::ClickToolbar(int id) {
  for (const auto& button : ToolbarButtons()) {
    if (button.id == id) Click(QPoint(button.x + 22, 20));
  }
}

QImage GuiTest::Screenshot(const QString& name) {
  QApplication::processEvents();
  QImage image = window_->grab().toImage();
  QDir().mkpath(QStringLiteral(CORVAN_ARTEFACTS));
  image.save(QStringLiteral(CORVAN_ARTEFACTS) + "/" + name + ".png");
  return image;
}

QString GuiTest::StatusLine() const { return ToQString(StatusLineText()); }

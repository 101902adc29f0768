// Base fixture for tests that drive the real main window headless (offscreen platform).
#pragma once

#include <QImage>
#include <QPoint>
#include <QStringList>
#include <QString>

#include "support/document_test.h"

class MainWindow;
class PageCanvas;

class GuiTest : public DocumentTest {
 protected:
  void SetUp() override;
  void TearDown() override;
  // Starts the editor as its entry point does, with these command-line arguments.
  void StartWindow(const QStringList& extraArguments = {});
  PageCanvas* Canvas() const;
  // Clicks in the canvas (client coordinates) through real mouse events.
  void Click(QPoint at, Qt::MouseButton button = Qt::LeftButton);
  void Drag(QPoint from, QPoint to, int steps = 5);
  void ClickToolbar(int id);
  // Writes a screenshot of the whole window to the test artefacts folder and returns it.
  QImage Screenshot(const QString& name);
  QString StatusLine() const;

  MainWindow* window_ = nullptr;
};

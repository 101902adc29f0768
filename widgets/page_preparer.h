// Drives the rendering ahead of neighbouring pages from the window's event loop: it starts
// once the window has been idle for a moment and runs in short slices, so that input is
// handled between them.
#pragma once

#include <QObject>
#include <QTimer>

class PagePreparer : public QObject {
 public:
  // How long the window must stay quiet before work starts, and one slice's length.
  static constexpr int kIdleMs = 120;
  static constexpr double kSliceMs = 12.0;
  // How often work waiting on a worker thread or on the page's own render looks again.
  static constexpr int kWaitMs = 4;

  explicit PagePreparer(QObject* parent = nullptr);
  // A page was painted: work waits for the next quiet moment.
  void PagePainted();

 private:
  void Slice();

  QTimer timer_;
};

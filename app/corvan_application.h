// The application object: every event passes through notify, which is the editor's one
// dispatch point for input that may edit (snapshot before, undo record after) and for the
// drag record held from a left press to its release.
#pragma once

#include <QApplication>

class CorvanApplication : public QApplication {
 public:
  CorvanApplication(int& argc, char** argv);
  bool notify(QObject* receiver, QEvent* event) override;

 private:
  int depth_ = 0;  // events being delivered inside the delivery of others
};

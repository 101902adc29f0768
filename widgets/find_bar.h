// The find bar over the top of the page view (Ctrl+F): a text field, 上一个/下一个, the
// 区分大小写 and 全字匹配 options and the "第 3 / 17 处" count. The search runs a few pages
// per turn of the event loop, so the window keeps working; Esc stops it.
#pragma once

#include <QWidget>

#include "document/find_in_document.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QTimer;
class QToolButton;

class FindBar : public QWidget {
 public:
  explicit FindBar(QWidget* canvas);
  ~FindBar() override;
  // Shows the bar with the field focused and its text selected.
  void Open();
  // Esc: stops a running search, or closes the bar.
  void Escape();
  // The close button: stops any search and forgets it.
  void Close();
  // Another document: the results and the count of the last one go, the query stays.
  void Forget();
  // The next (+1) or previous (−1) match; a changed query or option starts a new search.
  void Step(int direction);
  void Relayout();
  int BarHeight() const;

  QLineEdit* field() const { return field_; }
  QLabel* countLabel() const { return count_; }
  QCheckBox* matchCaseBox() const { return matchCase_; }
  QCheckBox* wholeWordBox() const { return wholeWord_; }
  QToolButton* previousButton() const { return previous_; }
  QToolButton* nextButton() const { return next_; }
  QToolButton* closeButton() const { return close_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  FindOptions Options() const;
  void Tick();
  void AfterStep(StepOutcome outcome);
  void RefreshCount();

  QLineEdit* field_;
  QToolButton* previous_;
  QToolButton* next_;
  QCheckBox* matchCase_;
  QCheckBox* wholeWord_;
  QLabel* count_;
  QToolButton* close_;
  QTimer* timer_;
};

FindBar* CurrentFindBar();
// Shows the chosen match: turns to its page the normal way and scrolls it into view.
void ShowCurrentFindMatch();

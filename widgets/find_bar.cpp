#include "widgets/find_bar.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <QToolButton>
#include <algorithm>
#include <cmath>

#include "document/session.h"
#include "document/window_hooks.h"
#include "view/command_ids.h"
#include "view/command_sink.h"
#include "view/page_view.h"
#include "widgets/find_highlights.h"
#include "widgets/qt_platform.h"

namespace {

FindBar* g_bar = nullptr;

constexpr int kBarHeight = 36;
constexpr int kBarWidth = 660;
// Pages are searched for about this long per turn of the event loop; one page takes a few
// milliseconds, so input waits well under a frame or two.
constexpr qint64 kSliceMs = 12;
constexpr const char16_t* kWrappedToStart = u"已查到文档末尾，从开头继续";
constexpr const char16_t* kWrappedToEnd = u"已查到文档开头，从末尾继续";

QToolButton* MakeButton(QWidget* parent, const QString& text, const QString& tip) {
  auto* button = new QToolButton(parent);
  button->setText(text);
  button->setToolTip(tip);
  button->setAutoRaise(true);
  return button;
}

void Send(int id) {
  if (g_sendCommand != nullptr) g_sendCommand(id);
}

// Client-pixel bounds of the match on the page shown.
QRectF MatchBounds(const TextMatch& match) {
  PageFrame frame = CurrentPageFrame();
  QRectF bounds;
  for (const TextRect& rect : match.rects) bounds |= MatchRectOnScreen(frame, rect);
  return bounds;
}

}  // namespace

FindBar::FindBar(QWidget* canvas)
    : QWidget(canvas),
      field_(new QLineEdit(this)),
      previous_(MakeButton(this, QStringLiteral("上一个"), QStringLiteral("上一个 (Shift+Enter)"))),
      next_(MakeButton(this, QStringLiteral("下一个"), QStringLiteral("下一个 (Enter)"))),
      matchCase_(new QCheckBox(QStringLiteral("区分大小写"), this)),
      wholeWord_(new QCheckBox(QStringLiteral("全字匹配"), this)),
      count_(new QLabel(this)),
      close_(MakeButton(this, QStringLiteral("✕"), QStringLiteral("关闭查找 (Esc)"))),
      timer_(new QTimer(this)) {
  g_bar = this;
  setObjectName(QStringLiteral("findBar"));
  setAutoFillBackground(true);
  QPalette look = palette();
  look.setColor(QPalette::Window, QColor(250, 250, 250));
  setPalette(look);
  field_->setPlaceholderText(QStringLiteral("查找文字"));
  field_->setMaxLength(200);
  field_->setClearButtonEnabled(true);
  field_->installEventFilter(this);
  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(8, 3, 4, 3);
  row->setSpacing(6);
  row->addWidget(new QLabel(QStringLiteral("查找"), this));
  row->addWidget(field_, 1);
  row->addWidget(previous_);
  row->addWidget(next_);
  row->addWidget(matchCase_);
  row->addWidget(wholeWord_);
  row->addWidget(count_);
  row->addWidget(close_);
  count_->setMinimumWidth(120);
  connect(previous_, &QToolButton::clicked, this, [] { Send(kCmdFindPrevious); });
  connect(next_, &QToolButton::clicked, this, [] { Send(kCmdFindNext); });
  connect(close_, &QToolButton::clicked, this, [this] { Close(); });
  timer_->setSingleShot(true);
  timer_->setInterval(0);
  connect(timer_, &QTimer::timeout, this, [this] { Tick(); });
  hide();
}

FindBar::~FindBar() {
  if (g_bar == this) g_bar = nullptr;
}

FindBar* CurrentFindBar() { return g_bar; }

int FindBar::BarHeight() const { return isVisible() ? kBarHeight : 0; }

void FindBar::Relayout() {
  IntRect view = ViewArea();
  int width = std::min(kBarWidth, view.Width());
  setGeometry(view.right - width, view.top, width, kBarHeight);
  raise();
}

void FindBar::Open() {
  Relayout();
  show();
  field_->setFocus();
  field_->selectAll();
  if (!TextSearchAvailable()) count_->setText(QStringLiteral("PDF 组件不支持查找"));
}

FindOptions FindBar::Options() const { return {matchCase_->isChecked(), wholeWord_->isChecked()}; }

void FindBar::Escape() {
  if (!g_find.running) return Close();
  CancelFind();
  timer_->stop();
  RefreshCount();
}

void FindBar::Close() {
  timer_->stop();
  ClearFind();  // the marks go with the bar
  count_->clear();
  hide();
  g_window.changed(Change::Status);
}

void FindBar::Forget() {
  timer_->stop();
  ClearFind();
  count_->clear();
}

void FindBar::Step(int direction) {
  if (!isVisible()) Open();
  std::u16string query = field_->text().toStdU16String();
  if (query.empty() || g_session.document == nullptr) {
    field_->setFocus();
    return;
  }
  if (!TextSearchAvailable()) {
    count_->setText(QStringLiteral("PDF 组件不支持查找"));
    return;
  }
  if (!FindMatchesQuery(query, Options())) {
    StartFind(query, Options());
    g_find.pendingStep = direction;
  } else {
    AfterStep(StepFind(direction));
  }
  if (g_find.running) timer_->start();
  RefreshCount();
}

void FindBar::AfterStep(StepOutcome outcome) {
  if (outcome == StepOutcome::Moved) ShowCurrentFindMatch();
}

void FindBar::Tick() {
  if (!FindResultsCurrent() && !g_find.query.empty() && g_find.running) {
    // The document changed under the search: search it again as it is now.
    StartFind(g_find.query, g_find.options);
    g_find.pendingStep = 0;
  }
  QElapsedTimer slice;
  slice.start();
  bool moved = false;
  while (g_find.running && slice.elapsed() < kSliceMs) {
    SearchNextPage();
    if (g_find.pendingStep != 0 && SettlePendingStep() == StepOutcome::Moved) {
      moved = true;
      break;
    }
  }
  if (!moved && g_find.pendingStep != 0 && !g_find.running) moved = SettlePendingStep() == StepOutcome::Moved;
  if (moved) Send(kCmdShowFindMatch);
  if (g_find.running) timer_->start();
  RefreshCount();
}

void FindBar::RefreshCount() {
  QString text;
  std::u16string shown = g_find.query;
  if (g_find.pages.empty()) {
    text.clear();
  } else if (g_find.running) {
    text = g_find.currentPage >= 0
               ? QStringLiteral("已找到 %1 处，查找中…").arg(FindTotal())
               : QStringLiteral("查找中… %1 / %2 页").arg(g_find.pagesSearched).arg(g_find.pages.size());
  } else if (!FindComplete()) {
    text = QStringLiteral("查找已取消");
  } else if (FindTotal() == 0) {
    text = g_find.pagesWithText == 0 ? QStringLiteral("未找到：没有文字层") : QStringLiteral("未找到");
    g_session.statusText = g_find.pagesWithText == 0
                               ? u"未找到“" + shown + u"”：文档没有可查找的文字（可能是扫描页），请先用“工具 → 识别全部页面文字”（OCR）识别文字"
                               : u"未找到“" + shown + u"”";
    g_window.changed(Change::Status);
  } else if (g_find.currentPage >= 0) {
    text = QStringLiteral("第 %1 / %2 处").arg(FindOrdinal()).arg(FindTotal());
  } else {
    text = QStringLiteral("共 %1 处").arg(FindTotal());
  }
  count_->setText(text);
}

bool FindBar::eventFilter(QObject* watched, QEvent* event) {
  if (watched == field_ && event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
      Send(key->modifiers() & Qt::ShiftModifier ? kCmdFindPrevious : kCmdFindNext);
      return true;
    }
    if (key->key() == Qt::Key_Escape) {
      Escape();
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

void ShowCurrentFindMatch() {
  const TextMatch* match = CurrentMatch();
  if (match == nullptr) return;
  int page = g_find.currentPage;
  if (page != g_session.currentPageIndex && !GoToPage(page)) return;
  if (g_find.wrapped) {
    g_session.statusText = g_find.wrapped > 0 ? kWrappedToStart : kWrappedToEnd;
  } else if (g_session.statusText == kWrappedToStart || g_session.statusText == kWrappedToEnd) {
    g_session.statusText.clear();
  }
  match = CurrentMatch();  // the page switch may have written the page back
  if (match == nullptr) return;
  if (!g_view.valid) Render();
  QRectF bounds = MatchBounds(*match);
  IntRect view = ViewArea();
  int top = view.top + (g_bar != nullptr ? g_bar->BarHeight() : 0);
  if (bounds.top() < top || bounds.bottom() > view.bottom) {
    int centre = (top + view.bottom) / 2;
    ScrollTo(ScrollOffset() + int(std::lround(bounds.center().y())) - centre);
  }
  if (bounds.left() < view.left || bounds.right() > view.right) {
    int shift = (view.left + view.right) / 2 - int(std::lround(bounds.center().x()));
    g_view.pageRect.left += shift;
    g_view.pageRect.right += shift;
    ClampPosition();
  }
  g_window.changed(Change::Status);
}

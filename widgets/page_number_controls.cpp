#include "widgets/page_number_controls.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>
#include <QWidget>

#include "view/command_ids.h"
#include "view/command_sink.h"
#include "view/navigator_model.h"
#include "view/page_view.h"
#include "widgets/qt_platform.h"
#include "widgets/toolbar_icons.h"

namespace {

QToolButton* MakeButton(QWidget* parent, const QString& text, int id) {
  auto* button = new QToolButton(parent);
  button->setText(text);
  button->setAutoRaise(true);
  if (id != kCmdJumpToPage) {
    button->setIcon(PageTurnIcon(id));  // the glyph, drawn large enough to hit and to read
    button->setIconSize(QSize(16, 16));
  }
  QObject::connect(button, &QToolButton::clicked, [id] {
    if (g_sendCommand != nullptr) g_sendCommand(id);
  });
  return button;
}

// With none of its own typing left to undo, the page box lets Ctrl+Z and Ctrl+Y through to
// the window, whose undo and redo then reach the document's history.
class DocumentUndoKeys : public QObject {
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::ShortcutOverride) return false;
    auto* edit = qobject_cast<QLineEdit*>(watched);
    auto* key = static_cast<QKeyEvent*>(event);
    if (edit == nullptr || key->modifiers() != Qt::ControlModifier) return false;
    bool undo = key->key() == Qt::Key_Z && !edit->isUndoAvailable();
    bool redo = key->key() == Qt::Key_Y && !edit->isRedoAvailable();
    if (!undo && !redo) return false;
    event->ignore();
    return true;
  }
};

}  // namespace

PageNumberControls::PageNumberControls(QWidget* canvas)
    : canvas_(canvas),
      first_(MakeButton(canvas, QStringLiteral("|◀"), kCmdFirstPage)),
      previous_(MakeButton(canvas, QStringLiteral("◀"), kCmdPreviousPageButton)),
      pageEdit_(new QLineEdit(canvas)),
      count_(new QLabel(QStringLiteral("/ 0"), canvas)),
      label_(new QLabel(canvas)),
      jump_(MakeButton(canvas, QStringLiteral("跳转"), kCmdJumpToPage)),
      next_(MakeButton(canvas, QStringLiteral("▶"), kCmdNextPageButton)),
      last_(MakeButton(canvas, QStringLiteral("▶|"), kCmdLastPage)) {
  pageEdit_->setMaxLength(32);
  pageEdit_->installEventFilter(new DocumentUndoKeys(pageEdit_));
  pageEdit_->setAlignment(Qt::AlignCenter);
  label_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  label_->setToolTip(QStringLiteral("文档定义的页码标签"));
  QObject::connect(pageEdit_, &QLineEdit::returnPressed, [] {
    if (g_sendCommand != nullptr) g_sendCommand(kCmdJumpToPage);
  });
}

void PageNumberControls::Relayout() {
  int w = g_layout.clientWidth;
  int h = g_layout.clientHeight;
  int x0 = std::max(4, w - 326);
  int y = h - kStatusLineHeight;
  label_->setGeometry(std::max(0, x0 - 124), y, 120, 36);
  first_->setGeometry(x0, y, 34, 36);
  previous_->setGeometry(x0 + 38, y, 34, 36);
  pageEdit_->setGeometry(x0 + 76, h - 31, 64, 26);
  count_->setGeometry(x0 + 144, y, 44, 36);
  jump_->setGeometry(x0 + 192, y, 50, 36);
  next_->setGeometry(x0 + 246, y, 34, 36);
  last_->setGeometry(x0 + 284, y, 34, 36);
  bool shown = !g_layout.fullScreen;
  for (QWidget* control : {static_cast<QWidget*>(first_), static_cast<QWidget*>(previous_),
                           static_cast<QWidget*>(pageEdit_), static_cast<QWidget*>(count_), static_cast<QWidget*>(label_),
                           static_cast<QWidget*>(jump_), static_cast<QWidget*>(next_), static_cast<QWidget*>(last_)}) {
    control->setVisible(shown);
  }
}

void PageNumberControls::Refresh(int listSelection) {
  PageControlsState state = PageControls(listSelection);
  if (!pageEdit_->hasFocus()) pageEdit_->setText(ToQString(state.pageText));
  pageEdit_->setEnabled(state.pageEditEnabled);
  count_->setText(ToQString(state.countText));
  label_->setText(state.labelText.empty() ? QString() : QStringLiteral("（%1）").arg(ToQString(state.labelText)));
  first_->setEnabled(state.firstEnabled);
  previous_->setEnabled(state.previousEnabled);
  jump_->setEnabled(state.jumpEnabled);
  next_->setEnabled(state.nextEnabled);
  last_->setEnabled(state.lastEnabled);
}

QToolButton* PageNumberControls::button(int id) const {
  switch (id) {
    case kCmdFirstPage:
      return first_;
    case kCmdPreviousPageButton:
      return previous_;
    case kCmdJumpToPage:
      return jump_;
    case kCmdNextPageButton:
      return next_;
    case kCmdLastPage:
      return last_;
    default:
      return nullptr;
  }
}

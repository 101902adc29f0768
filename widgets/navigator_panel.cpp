#include "widgets/navigator_panel.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QStyledItemDelegate>

#include "document/page_labels.h"
#include "document/page_operations.h"
#include "document/session.h"
#include "platform/text_encoding.h"
#include "view/command_ids.h"
#include "view/command_sink.h"
#include "view/navigator_model.h"
#include "view/page_menu_model.h"
#include "view/page_view.h"
#include "widgets/outline_panel.h"
#include "widgets/qt_platform.h"

namespace {

constexpr int kItemHeight = 128;

class ThumbnailDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const override { return QSize(140, kItemHeight); }

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QRect item = option.rect;
    bool selected = option.state & QStyle::State_Selected;
    painter->fillRect(item, selected ? QColor(215, 231, 250) : Qt::white);
    QRect box = item.adjusted(10, 6, -10, -6 - 22);
    int page = index.row();
    if (ThumbnailFor(page)) {
      const Thumbnail& thumb = g_navigator.thumbnails[size_t(page)];
      QImage image(thumb.pixels.data(), thumb.width, thumb.height, thumb.width * 4, QImage::Format_RGB32);
      QPoint at(box.left() + (box.width() - thumb.width) / 2, box.top() + (box.height() - thumb.height) / 2);
      painter->drawImage(at, image);
      painter->setPen(QColor(160, 160, 160));
      painter->drawRect(QRect(at.x() - 1, at.y() - 1, thumb.width + 1, thumb.height + 1));
    } else {
      painter->setPen(QColor(110, 110, 110));
      painter->drawText(box, Qt::AlignCenter, QStringLiteral("预览不可用"));
    }
    painter->setPen(QColor(45, 48, 52));
    QString caption = QStringLiteral("第 %1 页").arg(page + 1);
    std::u16string label = PageLabel(g_session.document, page);
    if (!label.empty()) caption += QStringLiteral("（%1）").arg(ToQString(label));
    painter->drawText(QRect(item.left(), item.bottom() - 20, item.width(), 20), Qt::AlignCenter, caption);
    if (option.state & QStyle::State_HasFocus) {
      painter->setPen(QPen(QColor(100, 100, 100), 1, Qt::DotLine));
      painter->drawRect(item.adjusted(2, 2, -3, -3));
    }
  }
};

int EntryAt(const QListWidget* list, const QPoint& point) {
  QListWidgetItem* item = list->itemAt(point);
  return item != nullptr ? list->row(item) : -1;
}

}  // namespace

NavigatorList::NavigatorList(QWidget* parent) : QListWidget(parent) {
  setItemDelegate(new ThumbnailDelegate(this));
  setUniformItemSizes(true);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setDragEnabled(false);
}

void NavigatorList::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) {
    pressPoint_ = event->position().toPoint();
    source_ = EntryAt(this, pressPoint_);
    dragging_ = false;
  }
  QListWidget::mousePressEvent(event);
}

void NavigatorList::mouseMoveEvent(QMouseEvent* event) {
  QPoint at = event->position().toPoint();
  if ((event->buttons() & Qt::LeftButton) && source_ >= 0) {
    QPoint moved = at - pressPoint_;
    int distance = QApplication::startDragDistance();
    if (!dragging_ && (std::abs(moved.x()) >= distance || std::abs(moved.y()) >= distance)) {
      dragging_ = true;
      g_session.statusText = u"将页面拖到目标位置以调整 PDF 顺序";
      setCursor(Qt::SizeAllCursor);
      parentWidget()->update();
    }
    if (dragging_) {
      int under = EntryAt(this, at);
      if (under >= 0) {
        QSignalBlocker block(this);  // showing the target does not turn the page
        setCurrentRow(under);
        viewport()->update();
      }
      return;
    }
  }
  QListWidget::mouseMoveEvent(event);
}

void NavigatorList::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && dragging_) {
    int target = EntryAt(this, event->position().toPoint());
    int from = source_;
    CancelDrag();
    if (target >= 0) MovePage(from, target);
    return;
  }
  source_ = -1;
  QListWidget::mouseReleaseEvent(event);
}

void NavigatorList::CancelDrag() {
  dragging_ = false;
  source_ = -1;
  unsetCursor();
}

void NavigatorList::focusOutEvent(QFocusEvent* event) {
  CancelDrag();
  QListWidget::focusOutEvent(event);
}

void NavigatorList::contextMenuEvent(QContextMenuEvent* event) {
  if (g_session.document == nullptr || g_session.pageCount < 1) return;
  int entry = -1;
  QPoint global = event->globalPos();
  if (event->reason() == QContextMenuEvent::Keyboard) {
    entry = currentRow();
    if (entry < 0) return;
    global = viewport()->mapToGlobal(visualItemRect(item(entry)).center());
  } else {
    entry = EntryAt(this, viewport()->mapFromGlobal(global));
    if (entry < 0) return;
    setCurrentRow(entry);
    if (!GoToPage(entry)) return;
  }
  ShowPageMenu(this, entry, global);
}

void ShowPageMenu(QWidget* parent, int, const QPoint& globalPosition) {
  QMenu menu(parent);
  for (const auto& item : PageMenuItems()) {
    QAction* action = menu.addAction(ToQString(item.text));
    action->setData(item.command);
    action->setEnabled(item.enabled);
  }
  QAction* chosen = menu.exec(globalPosition);
  if (chosen != nullptr && g_sendCommand != nullptr) g_sendCommand(chosen->data().toInt());
}

NavigatorPanel::NavigatorPanel(QWidget* canvas)
    : list_(new NavigatorList(canvas)),
      up_(new QPushButton(QStringLiteral("上移"), canvas)),
      down_(new QPushButton(QStringLiteral("下移"), canvas)),
      outline_(new OutlinePanel(canvas)) {
  QObject::connect(list_, &QListWidget::currentRowChanged, [](int row) {
    if (row >= 0 && row != g_session.currentPageIndex && g_sendCommand != nullptr) {
      g_sendCommand(kCmdNavigatorSelection);
    }
  });
  QObject::connect(up_, &QPushButton::clicked, [] { if (g_sendCommand != nullptr) g_sendCommand(kCmdMovePageUp); });
  QObject::connect(down_, &QPushButton::clicked, [] { if (g_sendCommand != nullptr) g_sendCommand(kCmdMovePageDown); });
  list_->hide();
  up_->hide();
  down_->hide();
}

NavigatorPanel::~NavigatorPanel() { delete outline_; }

void NavigatorPanel::Relayout() {
  int top = g_layout.fullScreen ? 0 : kToolbarHeight;
  IntRect view = ViewArea();
  int listHeight = std::max(0, view.Height() - 34);
  // With an outline the thumbnails keep the upper part of the column.
  int outlineHeight = outline_->HasEntries() ? listHeight * 2 / 5 : 0;
  list_->setGeometry(0, top + 34, kNavigatorWidth, listHeight - outlineHeight);
  outline_->Place(0, top + 34 + listHeight - outlineHeight, kNavigatorWidth, outlineHeight, g_layout.navigatorShown);
  up_->setGeometry(6, top + 4, 68, 26);
  down_->setGeometry(78, top + 4, 68, 26);
  list_->setVisible(g_layout.navigatorShown);
  up_->setVisible(g_layout.navigatorShown);
  down_->setVisible(g_layout.navigatorShown);
}

void NavigatorPanel::Refresh() {
  QSignalBlocker block(list_);
  // A hidden list is filled when it is shown: opening a long document does not wait for it.
  if (g_layout.navigatorShown && SyncNavigatorList()) {
    list_->clear();
    for (int i = 0; i < g_navigator.listPageCount; ++i) {
      auto* item = new QListWidgetItem(list_);
      item->setData(Qt::UserRole, i);
    }
  }
  if (g_layout.navigatorShown && outline_->Refresh()) Relayout();
  bool pages = g_session.document != nullptr && g_session.pageCount > 0;
  if (!list_->dragging()) list_->setCurrentRow(pages ? g_session.currentPageIndex : -1);
  PageControlsState controls = PageControls(Selection());
  up_->setEnabled(controls.moveUpEnabled);
  down_->setEnabled(controls.moveDownEnabled);
  list_->viewport()->update();
}

int NavigatorPanel::Selection() const { return list_->currentRow(); }

void NavigatorPanel::RepaintCurrentItem() {
  if (QListWidgetItem* item = list_->item(g_session.currentPageIndex)) list_->viewport()->update(list_->visualItemRect(item));
}

#include "widgets/outline_panel.h"

#include <QLabel>
#include <QTreeWidget>
#include <algorithm>

#include "document/outline.h"
#include "document/session.h"
#include "view/command_ids.h"
#include "view/command_sink.h"
#include "widgets/qt_platform.h"

namespace {

constexpr int kPathRole = Qt::UserRole;

void AddEntries(QTreeWidget* tree, QTreeWidgetItem* parent, const std::vector<OutlineNode>& nodes,
                QList<QVariant> path) {
  for (size_t i = 0; i < nodes.size(); ++i) {
    const OutlineNode& node = nodes[i];
    auto* item = parent != nullptr ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(tree);
    QString title = ToQString(node.title).simplified();
    item->setText(0, title.isEmpty() ? QStringLiteral("（无标题）") : title);
    item->setToolTip(0, node.pageIndex >= 0 ? QStringLiteral("%1（第 %2 页）").arg(item->text(0)).arg(node.pageIndex + 1)
                                            : item->text(0));
    QList<QVariant> own = path;
    own.append(int(i));
    item->setData(0, kPathRole, own);
    AddEntries(tree, item, node.children, own);
  }
}

}  // namespace

OutlinePanel::OutlinePanel(QWidget* canvas)
    : heading_(new QLabel(QStringLiteral("目录"), canvas)), tree_(new QTreeWidget(canvas)) {
  heading_->setContentsMargins(8, 0, 0, 0);
  tree_->setHeaderHidden(true);
  tree_->setIndentation(12);
  tree_->setObjectName(QStringLiteral("outlineTree"));
  QObject::connect(tree_, &QTreeWidget::itemClicked, [this](QTreeWidgetItem* item, int) {
    clickedPath_.clear();
    for (const QVariant& step : item->data(0, kPathRole).toList()) clickedPath_.push_back(step.toInt());
    if (g_sendCommand != nullptr) g_sendCommand(kCmdOutlineEntry);
  });
  heading_->hide();
  tree_->hide();
}

bool OutlinePanel::Refresh() {
  if (shownFor_ == g_session.document && shownPath_ == g_session.path && shownGeneration_ == EditGeneration()) {
    return false;
  }
  shownFor_ = g_session.document;
  shownPath_ = g_session.path;
  shownGeneration_ = EditGeneration();
  std::vector<OutlineNode> outline = ReadOutline(g_session.document);
  if (outline == shown_ && tree_->topLevelItemCount() == int(outline.size())) return false;
  bool had = hasEntries_;
  shown_ = std::move(outline);
  tree_->clear();
  clickedPath_.clear();
  AddEntries(tree_, nullptr, shown_, {});
  hasEntries_ = !shown_.empty();
  if (shown_.size() <= 12) tree_->expandToDepth(0);
  return had != hasEntries_;
}

void OutlinePanel::Place(int left, int top, int width, int height, bool shown) {
  heading_->setGeometry(left, top, width, 22);
  tree_->setGeometry(left, top + 22, width, std::max(0, height - 22));
  heading_->setVisible(shown && hasEntries_);
  tree_->setVisible(shown && hasEntries_);
}

int OutlinePanel::ClickedPage() const {
  // Read afresh: pages may have been moved or deleted since the tree was filled.
  std::vector<OutlineNode> nodes = ReadOutline(g_session.document);
  const OutlineNode* node = nullptr;
  for (int step : clickedPath_) {
    const std::vector<OutlineNode>& level = node != nullptr ? node->children : nodes;
    if (step < 0 || step >= int(level.size())) return -1;
    node = &level[size_t(step)];
  }
  return node != nullptr ? node->pageIndex : -1;
}

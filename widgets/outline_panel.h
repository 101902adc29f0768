// The document's outline (目录) in the navigator, under the page thumbnails: an expandable
// tree whose entries turn to their page. Not shown when the document has no outline.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "document/outline.h"

class QLabel;
class QTreeWidget;
class QWidget;

class OutlinePanel {
 public:
  explicit OutlinePanel(QWidget* canvas);
  // Refills the tree when another document is shown; true when it appeared or went.
  bool Refresh();
  bool HasEntries() const { return hasEntries_; }
  // Places the heading and the tree in this band of the navigator (shown when it has entries).
  void Place(int left, int top, int width, int height, bool shown);
  QTreeWidget* tree() const { return tree_; }
  // The page of the entry last clicked, -1 when it leads nowhere in this document.
  int ClickedPage() const;

 private:
  QLabel* heading_;
  QTreeWidget* tree_;
  // What the tree was filled from: a document at an address a closed one had is told apart
  // by its file or its edits, and the outline is compared before the tree is rebuilt.
  FPDF_DOCUMENT shownFor_ = nullptr;
  std::u16string shownPath_;
  uint64_t shownGeneration_ = 0;
  std::vector<OutlineNode> shown_;
  bool hasEntries_ = false;
  std::vector<int> clickedPath_;  // child positions from the top level down
};

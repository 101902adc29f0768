#include "document/outline.h"

#include <set>

#include "engine/engine_table.h"

namespace {

constexpr int kMaxDepth = 32;

std::u16string Title(FPDF_BOOKMARK bookmark) {
  unsigned long bytes = g_engine.FPDFBookmark_GetTitle(bookmark, nullptr, 0);
  if (bytes < 2) return {};
  std::u16string title(bytes / 2, u'\0');
  g_engine.FPDFBookmark_GetTitle(bookmark, title.data(), (unsigned long)(title.size() * 2));
  while (!title.empty() && title.back() == u'\0') title.pop_back();
  return title;
}

// A destination in this document, directly or through a go-to action; other actions (a
// link to another file, a web address) lead nowhere here.
int TargetPage(FPDF_DOCUMENT document, FPDF_BOOKMARK bookmark) {
  FPDF_DEST dest = g_engine.FPDFBookmark_GetDest(document, bookmark);
  if (dest == nullptr) {
    FPDF_ACTION action = g_engine.FPDFBookmark_GetAction(bookmark);
    if (action != nullptr && g_engine.FPDFAction_GetType(action) == kActionGoTo) {
      dest = g_engine.FPDFAction_GetDest(document, action);
    }
  }
  return dest != nullptr ? g_engine.FPDFDest_GetDestPageIndex(document, dest) : -1;
}

struct OutlineWalk {
  FPDF_DOCUMENT document;
  int budget = kMaxOutlineEntries;
  std::set<FPDF_BOOKMARK> seen;  // a damaged outline may link back to an entry already read
};

void ReadChildren(OutlineWalk& walk, FPDF_BOOKMARK parent, int depth, std::vector<OutlineNode>& into) {
  for (FPDF_BOOKMARK child = g_engine.FPDFBookmark_GetFirstChild(walk.document, parent);
       child != nullptr && walk.budget > 0 && walk.seen.insert(child).second;
       child = g_engine.FPDFBookmark_GetNextSibling(walk.document, child)) {
    --walk.budget;
    OutlineNode node{Title(child), TargetPage(walk.document, child), {}};
    if (depth < kMaxDepth) ReadChildren(walk, child, depth + 1, node.children);
    into.push_back(std::move(node));
  }
}

}  // namespace

bool OutlineAvailable() {
  return g_engine.FPDFBookmark_GetFirstChild != nullptr && g_engine.FPDFBookmark_GetNextSibling != nullptr &&
         g_engine.FPDFBookmark_GetTitle != nullptr && g_engine.FPDFBookmark_GetDest != nullptr &&
         g_engine.FPDFBookmark_GetAction != nullptr && g_engine.FPDFAction_GetType != nullptr &&
         g_engine.FPDFAction_GetDest != nullptr && g_engine.FPDFDest_GetDestPageIndex != nullptr;
}

std::vector<OutlineNode> ReadOutline(FPDF_DOCUMENT document) {
  std::vector<OutlineNode> top;
  if (document == nullptr || !OutlineAvailable()) return top;
  OutlineWalk walk{document};
  ReadChildren(walk, nullptr, 0, top);
  return top;
}

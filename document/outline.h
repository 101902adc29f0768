// The document's outline (bookmarks) as a tree of titles and target pages.
#pragma once

#include <string>
#include <vector>

#include "engine/pdfium_types.h"

struct OutlineNode {
  std::u16string title;
  int pageIndex = -1;  // -1: the entry leads nowhere in this document
  std::vector<OutlineNode> children;
  bool operator==(const OutlineNode&) const = default;
};

// True when the running library can read outlines.
bool OutlineAvailable();
// The outline's top-level entries; empty when the document has none. An entry linked to
// again is read once, and at most kMaxOutlineEntries are read, so a damaged outline cannot
// hang the window.
std::vector<OutlineNode> ReadOutline(FPDF_DOCUMENT document);
constexpr int kMaxOutlineEntries = 10000;

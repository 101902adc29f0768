// The page navigator's data: one cached thumbnail per page, and the state of the page
// controls in the status line.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/pdfium_types.h"

struct Thumbnail {
  int width = 0;
  int height = 0;
  bool tried = false;
  std::vector<uint8_t> pixels;  // top-down BGRx, stride width * 4
};

struct NavigatorState {
  FPDF_DOCUMENT listDocument = nullptr;  // what the list was last filled for
  int listPageCount = -1;
  std::vector<Thumbnail> thumbnails;
  int renderCount = 0;  // thumbnails rendered so far (each page at most once until reset)
};

extern NavigatorState g_navigator;

// True (and the list refilled) when the document or its page count changed.
bool SyncNavigatorList();
void ResetThumbnails(int pageCount);
// Renders the page's thumbnail once; false when it cannot be shown ("预览不可用").
bool ThumbnailFor(int index);
void InvalidateCurrentThumbnail();

struct PageControlsState {
  std::u16string pageText;   // "3", empty without pages
  std::u16string countText;  // "/ 12"
  std::u16string labelText;  // the document's own label of the page ("iv"), empty when none
  bool pageEditEnabled = false;
  bool firstEnabled = false;
  bool previousEnabled = false;
  bool jumpEnabled = false;
  bool nextEnabled = false;
  bool lastEnabled = false;
  bool moveUpEnabled = false;
  bool moveDownEnabled = false;
};

PageControlsState PageControls(int listSelection);

#include "view/navigator_model.h"

#include <algorithm>

#include "document/page_labels.h"
#include "document/session.h"
#include "engine/engine_handles.h"
#include "engine/engine_table.h"
#include "platform/text_encoding.h"
#include "view/page_view.h"
#include "view/picture_pages.h"

NavigatorState g_navigator;

bool SyncNavigatorList() {
  int count = g_session.document != nullptr ? g_session.pageCount : 0;
  if (g_navigator.listDocument == g_session.document && g_navigator.listPageCount == count) return false;
  g_navigator.listDocument = g_session.document;
  g_navigator.listPageCount = count;
  ResetThumbnails(count);
  return true;
}

void ResetThumbnails(int pageCount) { g_navigator.thumbnails.assign(size_t(std::max(0, pageCount)), Thumbnail{}); }

bool ThumbnailFor(int index) {
  if (g_session.document == nullptr || index < 0 || index >= int(g_navigator.thumbnails.size())) return false;
  Thumbnail& entry = g_navigator.thumbnails[size_t(index)];
  if (entry.tried) return !entry.pixels.empty();
  entry.tried = true;
  bool current = index == g_session.currentPageIndex && g_session.currentPage != nullptr;
  ScopedPage loaded(current ? nullptr : g_engine.FPDF_LoadPage(g_session.document, index));
  FPDF_PAGE page = current ? g_session.currentPage : loaded.get();
  if (page == nullptr) return false;
  float w = g_engine.FPDF_GetPageWidthF(page);
  float h = g_engine.FPDF_GetPageHeightF(page);
  if (w > 0 && h > 0) {
    float scale = std::min(126.0f / w, 90.0f / h);
    int width = std::max(1, int(w * scale + 0.5f));
    int height = std::max(1, int(h * scale + 0.5f));
    entry.pixels.resize(size_t(width) * height * 4);
    ScopedBitmap bitmap(g_engine.FPDFBitmap_CreateEx(width, height, kBitmapBgrx, entry.pixels.data(), width * 4));
    // A scan page comes from its picture decoded at an eighth of its size.
    if (RenderScanPage(page, width, height, BackgroundFillColour(), entry.pixels.data())) {
      entry.width = width;
      entry.height = height;
      ++g_navigator.renderCount;
    } else if (bitmap != nullptr &&
               g_engine.FPDFBitmap_FillRect(bitmap.get(), 0, 0, width, height, BackgroundFillColour())) {
      g_engine.FPDF_RenderPageBitmap(bitmap.get(), page, 0, 0, width, height, 0, 0x01);
      entry.width = width;
      entry.height = height;
      ++g_navigator.renderCount;
    } else {
      bitmap.reset();  // before the pixels it draws into go
      entry.pixels.clear();
    }
  }
  return !entry.pixels.empty();
}

void InvalidateCurrentThumbnail() {
  size_t index = size_t(g_session.currentPageIndex);
  if (index < g_navigator.thumbnails.size()) g_navigator.thumbnails[index] = Thumbnail{};
}

PageControlsState PageControls(int listSelection) {
  PageControlsState state;
  bool pages = g_session.document != nullptr && g_session.pageCount > 0;
  int count = pages ? g_session.pageCount : 0;
  int index = g_session.currentPageIndex;
  state.pageText = pages ? Num(index + 1) : u"";
  state.countText = u"/ " + Num(count);
  if (pages) state.labelText = PageLabel(g_session.document, index);
  state.pageEditEnabled = pages;
  state.firstEnabled = pages && index > 0;
  state.previousEnabled = pages && index > 0;
  state.jumpEnabled = pages;
  state.nextEnabled = pages && index + 1 < count;
  state.lastEnabled = state.nextEnabled;
  bool canMove = g_engine.FPDF_MovePages != nullptr;
  state.moveUpEnabled = canMove && listSelection > 0;
  state.moveDownEnabled = canMove && listSelection >= 0 && listSelection + 1 < count;
  return state;
}

#include "editing/image_background.h"

#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "content/image_copy.h"
#include "document/session.h"
#include "document/window_hooks.h"
#include "drawing/find_remove.h"
#include "editing/drawn_objects.h"
#include "editing/image_objects.h"
#include "editing/selection.h"
#include "engine/engine_handles.h"
#include "engine/engine_table.h"
#include "platform/platform_seam.h"
#include "view/navigator_model.h"
#include "view/page_view.h"
#include "view/tool_state.h"

namespace {

constexpr const char16_t* kCaption = u"更换底色失败";

void Fail(const std::u16string& text, MessageIcon icon = MessageIcon::Error) { ShowMessage(kCaption, text, icon); }

// An object above the image, as it was before the change.
struct Above {
  FPDF_PAGEOBJECT object = nullptr;
  bool overlaps = false;
  bool inPage = true;
  bool lost = false;  // an insertion failed: the engine has taken the object and dropped it
};

// Positive area in common with the image's bounds; touching edges do not count.
bool OverlapsImage(FPDF_PAGEOBJECT object, const PageBox& image) {
  float l, b, r, t;
  if (!g_engine.FPDFPageObj_GetBounds(object, &l, &b, &r, &t)) return false;
  if (!std::isfinite(l) || !std::isfinite(b) || !std::isfinite(r) || !std::isfinite(t)) return false;
  return r > image.left && l < image.right && t > image.bottom && b < image.top;
}

bool HasEntryPoints() {
  const PdfEngine& e = g_engine;
  return e.FPDFPage_CountObjects && e.FPDFPage_GetObject && e.FPDFPage_InsertObject && e.FPDFPage_RemoveObject &&
         e.FPDFPageObj_GetBounds && e.FPDFPageObj_CreateNewPath && e.FPDFPath_LineTo && e.FPDFPath_Close &&
         e.FPDFPath_SetDrawMode && e.FPDFPageObj_SetFillColor && e.FPDFPageObj_AddMark;
}

// The filled, unstroked rectangle; nothing after a message.
ScopedPageObject BuildRectangle(const PageBox& box, uint32_t rgb) {
  ScopedPageObject owned(g_engine.FPDFPageObj_CreateNewPath(box.left, box.bottom));
  FPDF_PAGEOBJECT path = owned.get();
  if (path == nullptr) {
    Fail(u"无法创建图片底色对象。");
    return nullptr;
  }
  bool shaped = g_engine.FPDFPath_LineTo(path, box.right, box.bottom) && g_engine.FPDFPath_LineTo(path, box.right, box.top) &&
                g_engine.FPDFPath_LineTo(path, box.left, box.top) && g_engine.FPDFPath_Close(path) &&
                g_engine.FPDFPageObj_SetFillColor(path, rgb & 0xFF, (rgb >> 8) & 0xFF, (rgb >> 16) & 0xFF, 255) &&
                g_engine.FPDFPath_SetDrawMode(path, kFillWinding, 0);
  if (!shaped) {
    Fail(u"无法设置图片底色。");
    return nullptr;
  }
  if (g_engine.FPDFPageObj_AddMark(path, kImageBackgroundMark) == nullptr) {
    Fail(u"无法标记底色层，无法将其设为不可编辑对象。");
    return nullptr;
  }
  return owned;
}

bool Remove(FPDF_PAGE page, FPDF_PAGEOBJECT object) { return g_engine.FPDFPage_RemoveObject(page, object) != 0; }

// Appends on top; false when the object did not arrive (the engine owns it either way).
bool Append(FPDF_PAGE page, FPDF_PAGEOBJECT object) { return InsertChecked(page, object, g_engine); }
bool AppendOwned(FPDF_PAGE page, ScopedPageObject& object) { return Append(page, object.release()); }

// Takes an object of ours back off the page; its owner holds it again when that worked.
bool TakeBack(FPDF_PAGE page, ScopedPageObject& owner, FPDF_PAGEOBJECT object) {
  if (!Remove(page, object)) return false;
  owner.reset(object);
  return true;
}

// Everything from the image up is taken off and appended again in the new order, with the
// copy in the image's place. Appending, never insertion at an index: an object read from the
// page is saved in its own content stream wherever it is moved, and a new object inserted at
// an index joins its neighbour's, so objects moved under the rectangle could be saved above
// it again. Appended, the rectangle and the copy go into a new stream after all the others.
// The rectangle, the copy and the image while it is off the page are ours: whichever of them
// is off the page at the end is destroyed with its owner.
bool LayerByAppending(FPDF_PAGE page, FPDF_PAGEOBJECT image, ScopedPageObject copyOwner, std::vector<Above>& above,
                      ScopedPageObject rectangleOwner) {
  FPDF_PAGEOBJECT copy = copyOwner.get(), rectangle = rectangleOwner.get();
  if (!Remove(page, image)) {
    Fail(u"无法调整图片图层。");
    return false;
  }
  ScopedPageObject imageOwner(image);
  bool copyInPage = false, rectangleInPage = false;
  auto restore = [&]() {
    bool complete = true;
    if (rectangleInPage && TakeBack(page, rectangleOwner, rectangle)) rectangleInPage = false;
    if (copyInPage && TakeBack(page, copyOwner, copy)) copyInPage = false;
    for (Above& entry : above) {  // those still in place come off too, so the old order returns
      if (entry.inPage && Remove(page, entry.object)) entry.inPage = false;
    }
    complete = AppendOwned(page, imageOwner) && complete;
    for (Above& entry : above) {
      if (entry.lost) complete = false;
      if (!entry.inPage && !entry.lost) {
        entry.inPage = Append(page, entry.object);
        if (!entry.inPage) entry.lost = true, complete = false;
      }
    }
    return complete && !copyInPage && !rectangleInPage;
  };
  for (Above& entry : above) {
    if (!Remove(page, entry.object)) {
      if (restore()) {
        Fail(u"无法调整页面对象图层；页面内容已恢复。");
      } else {
        Fail(u"页面对象图层调整失败且未能完全恢复，请立即另存并检查 PDF。", MessageIcon::Warning);
      }
      return false;
    }
    entry.inPage = false;
  }
  bool ok = true;
  for (Above& entry : above) {
    if (ok && entry.overlaps) ok = (entry.inPage = Append(page, entry.object)) || (entry.lost = true, false);
  }
  if (ok) ok = rectangleInPage = AppendOwned(page, rectangleOwner);
  if (ok) ok = copyInPage = AppendOwned(page, copyOwner);
  for (Above& entry : above) {
    if (ok && !entry.overlaps) ok = (entry.inPage = Append(page, entry.object)) || (entry.lost = true, false);
  }
  if (ok) return true;
  if (restore()) {
    Fail(u"无法完成图层调整；页面内容已恢复。");
  } else {
    Fail(u"图层调整失败且页面内容未能完全恢复，请立即另存并检查 PDF。", MessageIcon::Warning);
  }
  return false;
}

}  // namespace

bool ApplyImageBackground(FPDF_PAGE page, FPDF_PAGEOBJECT& image, uint32_t rgb) {
  if (page == nullptr || image == nullptr || !HasEntryPoints()) {
    Fail(u"当前 PDFium 运行库不支持在页面底层添加图片底色。");
    return false;
  }
  int count = g_engine.FPDFPage_CountObjects(page);
  if (count <= 0) {
    Fail(u"无法读取当前页面的对象层级。");
    return false;
  }
  int imageIndex = -1;
  for (int i = 0; i < count && imageIndex < 0; ++i) {
    if (g_engine.FPDFPage_GetObject(page, i) == image) imageIndex = i;
  }
  auto box = imageIndex >= 0 ? ReadAreaBounds(image) : std::nullopt;
  if (!box) {
    Fail(u"无法获取所选图片的位置和尺寸。");
    return false;
  }
  ScopedPageObject rectangle = BuildRectangle(*box, rgb);
  if (rectangle == nullptr) return false;
  std::vector<Above> above;
  for (int i = imageIndex + 1; i < count; ++i) {
    FPDF_PAGEOBJECT object = g_engine.FPDFPage_GetObject(page, i);
    if (object == nullptr) {
      Fail(u"无法读取图片上方的页面对象。");
      return false;
    }
    above.push_back({object, OverlapsImage(object, *box)});
  }
  // The picture goes back as a new object: only then is it saved above the new rectangle.
  ImageCopy copy = CopyImageObject(CurrentOps(), g_session.document, page, image);
  if (copy.result != ImageCopyResult::Copied) {
    Fail(copy.result == ImageCopyResult::ClippedOrTranslucent
             ? u"所选图片带有裁剪路径或透明效果，无法在其下方添加底色。"
             : u"无法复制所选图片的像素数据，未添加底色。");
    return false;
  }
  FPDF_PAGEOBJECT copied = copy.object.get();
  if (!LayerByAppending(page, image, std::move(copy.object), above, std::move(rectangle))) return false;
  image = copied;
  return true;
}

void ChooseBackgroundColour() {
  auto colour = ChooseColour(u"更换底色", g_view.background);
  if (!colour) return;
  g_view.background = *colour & 0xFFFFFF;
  ResetThumbnails(g_session.pageCount);
  g_window.changed(Change::Pages);
  if (g_tool.mode == ToolMode::Edit && g_selection.selectedImage != nullptr && g_session.currentPage != nullptr &&
      ApplyImageBackground(g_session.currentPage, g_selection.selectedImage, g_view.background)) {
    g_session.statusText = u"已将图片区域内的上层对象移到底色下方";
    NotifyKeepingSelection(u"已将图片区域内的上层对象移到底色下方");
  }
  InvalidateRender(true);
  g_window.changed(Change::Status);
}

#include "editing/image_objects.h"

#include <cmath>

#include "document/session.h"
#include "document/window_hooks.h"
#include "editing/drawn_objects.h"
#include "editing/hit_tests.h"
#include "editing/selection.h"
#include "engine/engine_table.h"
#include "view/page_view.h"

namespace {

constexpr int kHandleReach = 9;
constexpr double kRotateHandleDistance = 20;

bool Finite(const FS_MATRIX& m) {
  return std::isfinite(m.a) && std::isfinite(m.b) && std::isfinite(m.c) && std::isfinite(m.d) && std::isfinite(m.e) &&
         std::isfinite(m.f);
}

bool Near(ScreenPointF handle, ScreenPoint p) {
  return std::fabs(handle.x - p.x) <= kHandleReach && std::fabs(handle.y - p.y) <= kHandleReach;
}

}  // namespace

std::optional<FS_MATRIX> ReadImageMatrix(FPDF_PAGEOBJECT image) {
  FS_MATRIX m{};
  if (image == nullptr || g_engine.FPDFPageObj_GetMatrix == nullptr || !g_engine.FPDFPageObj_GetMatrix(image, &m) ||
      !Finite(m)) {
    return std::nullopt;
  }
  return m;
}

bool WriteImageMatrix(FPDF_PAGEOBJECT image, const FS_MATRIX& m) {
  if (image == nullptr || g_engine.FPDFImageObj_SetMatrix == nullptr || !Finite(m)) return false;
  return g_engine.FPDFImageObj_SetMatrix(image, m.a, m.b, m.c, m.d, m.e, m.f) != 0;
}

std::optional<PageBox> ReadAreaBounds(FPDF_PAGEOBJECT object) {
  PageBox box;
  if (object == nullptr || g_engine.FPDFPageObj_GetBounds == nullptr ||
      !g_engine.FPDFPageObj_GetBounds(object, &box.left, &box.bottom, &box.right, &box.top)) {
    return std::nullopt;
  }
  if (!(box.left < box.right) || !(box.bottom < box.top) || !std::isfinite(box.left) || !std::isfinite(box.right) ||
      !std::isfinite(box.bottom) || !std::isfinite(box.top)) {
    return std::nullopt;
  }
  return box;
}

PagePoint UnitToPage(const FS_MATRIX& m, double s, double t) {
  return {float(m.a * s + m.c * t + m.e), float(m.b * s + m.d * t + m.f)};
}

ScreenPointF UnitToScreen(const PageFrame& frame, const FS_MATRIX& m, double s, double t) {
  PagePoint p = UnitToPage(m, s, t);
  float x, y;
  PageToScreen(frame, p.x, p.y, x, y);
  return {x, y};
}

ImageHandlePoints HandlePointsOf(const PageFrame& frame, const FS_MATRIX& m) {
  ImageHandlePoints h;
  h.corners = {UnitToScreen(frame, m, 0, 0), UnitToScreen(frame, m, 1, 0), UnitToScreen(frame, m, 1, 1),
               UnitToScreen(frame, m, 0, 1)};
  h.left = UnitToScreen(frame, m, 0, 0.5);
  h.right = UnitToScreen(frame, m, 1, 0.5);
  h.top = UnitToScreen(frame, m, 0.5, 1);
  h.bottom = UnitToScreen(frame, m, 0.5, 0);
  ScreenPointF centre = UnitToScreen(frame, m, 0.5, 0.5);
  double dx = h.top.x - centre.x, dy = h.top.y - centre.y;
  double length = std::hypot(dx, dy);
  if (length >= 0.001) {
    h.rotate = ScreenPointF{h.top.x + std::round(dx / length * kRotateHandleDistance),
                            h.top.y + std::round(dy / length * kRotateHandleDistance)};
  }
  return h;
}

ImageHandle HitSelectedImageHandle(ScreenPoint point) {
  auto m = ReadImageMatrix(g_selection.selectedImage);
  if (!m) return ImageHandle::None;
  ImageHandlePoints h = HandlePointsOf(CurrentPageFrame(), *m);
  if (h.rotate && Near(*h.rotate, point)) return ImageHandle::Rotate;
  if (Near(h.left, point)) return ImageHandle::Left;
  if (Near(h.right, point)) return ImageHandle::Right;
  if (Near(h.top, point)) return ImageHandle::Top;
  if (Near(h.bottom, point)) return ImageHandle::Bottom;
  return ImageHandle::None;
}

FPDF_PAGEOBJECT HitImage(ScreenPoint point) {
  FPDF_PAGE page = g_session.currentPage;
  if (page == nullptr || g_engine.FPDFPageObj_GetBounds == nullptr || g_engine.FPDFPageObj_GetType == nullptr) {
    return nullptr;
  }
  PageFrame frame = CurrentPageFrame();
  for (int i = g_engine.FPDFPage_CountObjects(page) - 1; i >= 0; --i) {
    FPDF_PAGEOBJECT object = g_engine.FPDFPage_GetObject(page, i);
    if (object == nullptr || g_engine.FPDFPageObj_GetType(object) != kPageObjImage) continue;
    auto box = ReadAreaBounds(object);
    if (!box) continue;
    auto rect = ScreenRectOfBounds(box->left, box->bottom, box->right, box->top, frame);
    if (rect && rect->Contains(point.x, point.y)) return object;
  }
  return nullptr;
}

bool ImageTakesPointFrom(FPDF_PAGEOBJECT path, ScreenPoint point) {
  const PdfOps ops = CurrentOps();
  if (path == nullptr || HitImage(point) == nullptr) return false;
  // The teacher's drawing over a picture is hers to take; the page's own paths (a table's
  // rules every few points) never cover the picture under the pointer.
  return !CarriesOwnMark(path, ops);
}

void SelectImage(FPDF_PAGEOBJECT image, const std::u16string& status) {
  SelectDrawnObject(nullptr);
  g_selection.selectedImage = image;
  g_session.statusText = status;
  g_window.changed(Change::Selection);
}

void SelectFirstImage() {
  FPDF_PAGE page = g_session.currentPage;
  if (g_engine.FPDFPageObj_GetType == nullptr || g_engine.FPDFPageObj_GetBounds == nullptr) {
    g_session.statusText = u"当前 PDFium 运行库无法选择图片。";
    return;
  }
  int count = page != nullptr ? g_engine.FPDFPage_CountObjects(page) : 0;
  for (int i = 0; i < count; ++i) {
    FPDF_PAGEOBJECT object = g_engine.FPDFPage_GetObject(page, i);
    if (object != nullptr && g_engine.FPDFPageObj_GetType(object) == kPageObjImage && ReadAreaBounds(object)) {
      SelectImage(object, u"已选中第一张图片：拖动图片可平移，拖动边缘控制点可调大小");
      return;
    }
  }
  g_session.statusText = u"当前页没有可编辑的图片。";
}

bool SelectedImageOnPage() {
  FPDF_PAGE page = g_session.currentPage;
  if (page == nullptr || g_selection.selectedImage == nullptr) return false;
  for (int i = g_engine.FPDFPage_CountObjects(page) - 1; i >= 0; --i) {
    if (g_engine.FPDFPage_GetObject(page, i) == g_selection.selectedImage) return true;
  }
  return false;
}

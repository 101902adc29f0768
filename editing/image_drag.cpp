#include "editing/image_drag.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "document/session.h"
#include "document/window_hooks.h"
#include "editing/selection.h"
#include "platform/platform_seam.h"
#include "view/page_view.h"

ImageDrag g_imageDrag;

namespace {

constexpr const char16_t* kEditCaption = u"图片编辑失败";

FS_MATRIX TurnLinearPart(const FS_MATRIX& m, double phi) {
  double cs = std::cos(phi), sn = std::sin(phi);
  FS_MATRIX r = m;
  r.a = float(m.a * cs - m.b * sn);
  r.b = float(m.b * cs + m.a * sn);
  r.c = float(m.c * cs - m.d * sn);
  r.d = float(m.d * cs + m.c * sn);
  return r;
}

double Distance(ScreenPointF a, ScreenPointF b) { return std::hypot(a.x - b.x, a.y - b.y); }

void EndDrag() {
  g_imageDrag = ImageDrag{};
  g_window.changed(Change::Selection);
}

}  // namespace

std::optional<FS_MATRIX> MovedMatrix(const FS_MATRIX& m0, std::optional<PagePoint> startOnPage,
                                     std::optional<PagePoint> mouseOnPage) {
  if (!startOnPage || !mouseOnPage) return std::nullopt;
  FS_MATRIX m = m0;
  m.e = float(double(m0.e) + (double(mouseOnPage->x) - startOnPage->x));
  m.f = float(double(m0.f) + (double(mouseOnPage->y) - startOnPage->y));
  return m;
}

FS_MATRIX RotatedMatrix(const PageFrame& frame, const FS_MATRIX& m0, ScreenPoint start, ScreenPoint mouse) {
  ScreenPointF c = UnitToScreen(frame, m0, 0.5, 0.5);
  double theta = std::atan2(mouse.y - c.y, mouse.x - c.x) - std::atan2(start.y - c.y, start.x - c.x);
  while (theta > std::numbers::pi) theta -= 2 * std::numbers::pi;
  while (theta < -std::numbers::pi) theta += 2 * std::numbers::pi;
  // Screen y grows downwards: a clockwise sweep on screen is a negative page angle.
  FS_MATRIX r = TurnLinearPart(m0, -theta);
  r.e = float((double(m0.a) + m0.c) / 2 + m0.e - (double(r.a) + r.c) / 2);
  r.f = float((double(m0.b) + m0.d) / 2 + m0.f - (double(r.b) + r.d) / 2);
  return r;
}

std::optional<FS_MATRIX> EdgeResizedMatrix(const PageFrame& frame, const FS_MATRIX& m0, ImageHandle edge,
                                           PagePoint mouse) {
  bool horizontal = edge == ImageHandle::Left || edge == ImageHandle::Right;
  double ax = horizontal ? m0.a : m0.c, ay = horizontal ? m0.b : m0.d;
  double lengthSquared = ax * ax + ay * ay;
  if (!(std::sqrt(lengthSquared) > 1e-6)) return std::nullopt;
  PagePoint p = edge == ImageHandle::Left    ? UnitToPage(m0, 0, 0.5)
                : edge == ImageHandle::Right ? UnitToPage(m0, 1, 0.5)
                : edge == ImageHandle::Top   ? UnitToPage(m0, 0.5, 1)
                                             : UnitToPage(m0, 0.5, 0);
  double sigma = (edge == ImageHandle::Right || edge == ImageHandle::Top) ? 1 : -1;
  double k = 1 + sigma * ((double(mouse.x) - p.x) * ax + (double(mouse.y) - p.y) * ay) / lengthSquared;
  double side = Distance(UnitToScreen(frame, m0, 0, 0), horizontal ? UnitToScreen(frame, m0, 1, 0)
                                                                   : UnitToScreen(frame, m0, 0, 1));
  k = std::max(k, 2 / std::max(side, 2.0));
  if (!std::isfinite(k)) return std::nullopt;
  FS_MATRIX m = m0;
  if (horizontal) {
    m.a = float(k * m0.a), m.b = float(k * m0.b);
    if (edge == ImageHandle::Left) {
      m.e = float(m0.e + (1 - k) * m0.a), m.f = float(m0.f + (1 - k) * m0.b);
    }
  } else {
    m.c = float(k * m0.c), m.d = float(k * m0.d);
    if (edge == ImageHandle::Bottom) {
      m.e = float(m0.e + (1 - k) * m0.c), m.f = float(m0.f + (1 - k) * m0.d);
    }
  }
  return m;
}

double NormalisedDegrees(double degrees) {
  double beta = std::fmod(degrees, 360.0);
  if (beta < -180) beta += 360;
  if (beta >= 180) beta -= 360;
  return beta;
}

FS_MATRIX TurnedAboutBounds(const FS_MATRIX& m, double degrees, const PageBox& bounds) {
  FS_MATRIX r = TurnLinearPart(m, degrees * std::numbers::pi / 180);
  r.e = float((double(bounds.left) + bounds.right) / 2 - (double(r.a) + r.c) / 2);
  r.f = float((double(bounds.bottom) + bounds.top) / 2 - (double(r.b) + r.d) / 2);
  return r;
}

bool PressOnImageHandle(ScreenPoint point) {
  ImageHandle kind = HitSelectedImageHandle(point);
  if (kind == ImageHandle::None) return false;
  auto m = ReadImageMatrix(g_selection.selectedImage);
  if (!m) {
    ShowMessage(kEditCaption, u"无法读取所选图片的尺寸或变换信息。", MessageIcon::Error);
    return true;
  }
  g_imageDrag = ImageDrag{true, kind, point, *m};
  return true;
}

bool PressOnImage(ScreenPoint point) {
  FPDF_PAGEOBJECT hit = HitImage(point);
  if (hit == nullptr) return false;
  if (hit != g_selection.selectedImage) {
    SelectImage(hit, u"已选中图片：拖动可平移，边缘控制点调大小，上方控制点旋转");
    return true;
  }
  auto m = ReadImageMatrix(hit);
  if (!m) {
    ShowMessage(kEditCaption, u"无法读取所选图片的变换信息。", MessageIcon::Error);
    return true;
  }
  g_imageDrag = ImageDrag{true, ImageHandle::Move, point, *m};
  return true;
}

bool ImageDragRunning() { return g_imageDrag.active; }

std::optional<CursorShape> ImageHandleCursor(ScreenPoint point) {
  ImageHandle kind = g_imageDrag.active ? g_imageDrag.kind : HitSelectedImageHandle(point);
  if (kind == ImageHandle::None) return std::nullopt;
  if (kind == ImageHandle::Move) return CursorShape::SizeAll;
  if (kind == ImageHandle::Rotate) return CursorShape::Cross;
  auto m = ReadImageMatrix(g_selection.selectedImage);
  if (!m) return std::nullopt;
  PageFrame frame = CurrentPageFrame();
  bool sideways = kind == ImageHandle::Left || kind == ImageHandle::Right;
  ScreenPointF centre = UnitToScreen(frame, *m, 0.5, 0.5);
  ScreenPointF edge = sideways ? UnitToScreen(frame, *m, 1, 0.5) : UnitToScreen(frame, *m, 0.5, 1);
  return std::fabs(edge.x - centre.x) >= std::fabs(edge.y - centre.y) ? CursorShape::SizeWestEast
                                                                        : CursorShape::SizeNorthSouth;
}

void ImageDragStep(ScreenPoint mouse) {
  if (!g_imageDrag.active) return;
  const ImageDrag& drag = g_imageDrag;
  PageFrame frame = CurrentPageFrame();
  std::optional<FS_MATRIX> next;
  if (!g_view.pageRect.Empty() && frame.width > 0 && frame.height > 0) {
    switch (drag.kind) {
      case ImageHandle::Move:
        next = MovedMatrix(drag.startMatrix, ScreenToPageUnclamped(float(drag.start.x), float(drag.start.y)),
                           ScreenToPageUnclamped(float(mouse.x), float(mouse.y)));
        break;
      case ImageHandle::Rotate:
        next = RotatedMatrix(frame, drag.startMatrix, drag.start, mouse);
        break;
      default:
        if (auto onPage = ScreenToPageUnclamped(float(mouse.x), float(mouse.y))) {
          next = EdgeResizedMatrix(frame, drag.startMatrix, drag.kind, *onPage);
        }
        break;
    }
  }
  if (!next || !WriteImageMatrix(g_selection.selectedImage, *next)) {
    ShowMessage(kEditCaption, u"无法变换所选图片；已撤销本次拖动。", MessageIcon::Error);
    g_imageDrag.changed = true;  // a refused matrix may have been half applied: put the start back
    CancelImageDrag();
    return;
  }
  g_imageDrag.changed = true;
  InvalidateRender(true);
  g_window.changed(Change::Status);
}

void FinishImageDrag() {
  if (!g_imageDrag.active) return;
  ImageDrag drag = g_imageDrag;
  if (drag.changed && SelectedImageOnPage()) {
    g_session.statusText = drag.kind == ImageHandle::Move     ? u"图片位置已更新"
                           : drag.kind == ImageHandle::Rotate ? u"图片旋转已更新"
                                                              : u"图片大小已更新";
    NotifyKeepingSelection(u"图片变换已更改");
  } else if (drag.changed) {
    ShowMessage(kEditCaption, u"无法保存图片变更。", MessageIcon::Error);
  }
  EndDrag();
}

void CancelImageDrag() {
  if (!g_imageDrag.active) return;
  if (g_imageDrag.changed) {
    WriteImageMatrix(g_selection.selectedImage, g_imageDrag.startMatrix);
    InvalidateRender(true);
  }
  EndDrag();
}

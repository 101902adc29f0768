#include "editing/hit_tests.h"

#include <algorithm>
#include <cmath>

#include "document/session.h"
#include "editing/selection.h"
#include "view/page_view.h"
#include "view/tool_state.h"

namespace {

bool CanEnumerate(const PdfOps& ops) {
  return g_session.document != nullptr && g_session.currentPage != nullptr && ops.FPDFPage_CountObjects &&
         ops.FPDFPage_GetObject && ops.FPDFPageObj_GetType;
}

// A path that the selection may consider: not an image's background.
FPDF_PAGEOBJECT CandidatePath(const PdfOps& ops, int index) {
  FPDF_PAGEOBJECT object = ops.FPDFPage_GetObject(g_session.currentPage, index);
  if (object == nullptr || ops.FPDFPageObj_GetType(object) != kPageObjPath || IsImageBackground(object, ops)) {
    return nullptr;
  }
  return object;
}

IntRect Inflated(IntRect r, int by) { return {r.left - by, r.top - by, r.right + by, r.bottom + by}; }

double PointDistance(ScreenPoint p, const std::vector<ScreenSegment>& segments) {
  double best = INFINITY;
  for (const ScreenSegment& s : segments) best = std::min(best, DistanceToSegment(float(p.x), float(p.y), s));
  return best;
}

// Screen distance from the point to either axis of a coordinate system.
bool NearAxes(FPDF_PAGEOBJECT system, const PdfOps& ops, ScreenPoint p) {
  auto handles = ControlPointsOf(system, ops, DrawnKind::CoordinateSystem);
  if (handles.size() != 2) return false;
  double ox = handles[0].at.x, oy = handles[0].at.y;
  double ux = handles[1].at.x - ox, uy = handles[1].at.y - oy;
  double length = std::hypot(ux, uy);
  if (!(length > 0)) return false;
  double along = std::fabs(((p.x - ox) * uy - (p.y - oy) * ux) / length);  // distance to the x axis line
  double across = std::fabs(((p.x - ox) * ux + (p.y - oy) * uy) / length);  // distance to its perpendicular
  return along <= kHitDistance || across <= kHitDistance;
}

// The arrow's head strokes (segments 2–4) on screen; nothing when one cannot be read.
std::optional<std::vector<ScreenSegment>> ArrowHeadStrokes(FPDF_PAGEOBJECT object, const PdfOps& ops) {
  FS_MATRIX matrix;
  if (!ReadObjectMatrix(object, ops, matrix)) return std::nullopt;
  std::vector<std::pair<float, float>> points;
  for (int i = 1; i <= 4; ++i) {
    FPDF_PATHSEGMENT segment = ops.FPDFPath_GetPathSegment(object, i);
    float x, y;
    if (segment == nullptr || !ops.FPDFPathSegment_GetPoint(segment, &x, &y)) return std::nullopt;
    PagePoint p = Transform(matrix, x, y);
    float sx, sy;
    PageToScreen(p.x, p.y, sx, sy);
    if (!std::isfinite(sx) || !std::isfinite(sy)) return std::nullopt;
    points.emplace_back(sx, sy);
  }
  std::vector<ScreenSegment> strokes;
  for (size_t i = 0; i + 1 < points.size(); ++i) {
    strokes.push_back({points[i].first, points[i].second, points[i + 1].first, points[i + 1].second});
  }
  return strokes;
}

bool Within(ScreenPoint p, ScreenPoint handle) {
  return std::abs(p.x - handle.x) <= kHandleHalfSize && std::abs(p.y - handle.y) <= kHandleHalfSize;
}

// Segment–rectangle crossing by clipping the segment's parameter range against each side.
bool SegmentCrosses(const ScreenSegment& s, const IntRect& r) {
  double t0 = 0, t1 = 1, dx = s.bx - s.ax, dy = s.by - s.ay;
  const double eps = 1e-6;
  const double p[4] = {-dx, dx, -dy, dy};
  const double q[4] = {s.ax - r.left, r.right - s.ax, s.ay - r.top, r.bottom - s.ay};
  for (int i = 0; i < 4; ++i) {
    if (std::fabs(p[i]) < eps) {
      if (q[i] < -eps) return false;
      continue;
    }
    double t = q[i] / p[i];
    if (p[i] < 0) {
      t0 = std::max(t0, t);
    } else {
      t1 = std::min(t1, t);
    }
    if (t0 > t1 + eps) return false;
  }
  return true;
}

bool CoversThePage(const IntRect& r) {
  const IntRect& page = g_view.pageRect;
  return r.Width() >= page.Width() * 9 / 10 && r.Height() >= page.Height() * 9 / 10;
}

bool Intersects(const IntRect& a, const IntRect& b) {
  return a.left <= b.right && b.left <= a.right && a.top <= b.bottom && b.top <= a.bottom;
}

}  // namespace

FPDF_PAGEOBJECT HitOwnDrawing(ScreenPoint point) {
  PdfOps ops = CurrentOps();
  if (!CanEnumerate(ops)) return nullptr;
  PageFrame frame = CurrentPageFrame();
  for (int i = ops.FPDFPage_CountObjects(g_session.currentPage) - 1; i >= 0; --i) {
    FPDF_PAGEOBJECT object = CandidatePath(ops, i);
    if (object == nullptr) continue;
    auto rect = ScreenRectOf(object, ops, frame);
    if (rect && !Inflated(*rect, int(kHitDistance)).Contains(point.x, point.y)) continue;
    if (!CarriesOwnMark(object, ops) || FindCoordinateSystem(object, ops) != 0) continue;
    if (FindMark(object, ops, MarkKind::Point)) {
      if (rect && Inflated(*rect, kHandleHalfSize).Contains(point.x, point.y)) return object;
      continue;
    }
    ScreenOutline outline = ScreenOutlineOf(object, ops, frame);
    if (PointDistance(point, outline.segments) <= kHitDistance) return object;
  }
  return nullptr;
}

FPDF_PAGEOBJECT HitObject(ScreenPoint point) {
  PdfOps ops = CurrentOps();
  if (!CanEnumerate(ops)) return nullptr;
  // An outline under the pointer before any other object's enlarged box.
  if (FPDF_PAGEOBJECT own = HitOwnDrawing(point)) return own;
  FPDF_PAGEOBJECT system = nullptr;
  PageFrame frame = CurrentPageFrame();
  for (int i = ops.FPDFPage_CountObjects(g_session.currentPage) - 1; i >= 0; --i) {
    FPDF_PAGEOBJECT object = ops.FPDFPage_GetObject(g_session.currentPage, i);
    if (object == nullptr || ops.FPDFPageObj_GetType(object) != kPageObjPath) continue;
    // Every segment lies inside the bounds: far from the enlarged rectangle nothing is hit.
    auto rect = ScreenRectOf(object, ops, frame);
    if (rect && !Inflated(*rect, int(kHitDistance)).Contains(point.x, point.y)) continue;
    if (IsImageBackground(object, ops)) continue;
    if (FindCoordinateSystem(object, ops) != 0) {
      if (system == nullptr && rect && rect->Contains(point.x, point.y) && NearAxes(object, ops, point)) system = object;
      continue;
    }
    // Bounds grab the editor's thin curves; in the select tool the page's fills, frames and
    // cells are hit only on their outline, so a click inside them still starts a marquee.
    // The edit tool moves any path, as before.
    // A page-sized background is taken only on its edge: a press on text or blank page never
    // moves it.
    if (rect && ((g_tool.mode == ToolMode::Edit && !CoversThePage(*rect)) ||
                 MayBeOwnDrawing(object, ops, ClassifyDrawnObject(object, ops)))) {
      return object;
    }
    ScreenOutline outline = ScreenOutlineOf(object, ops, frame);
    if (PointDistance(point, outline.segments) <= kHitDistance) return object;
  }
  return system;
}

FPDF_PAGEOBJECT HitLine(ScreenPoint point) {
  PdfOps ops = CurrentOps();
  if (!CanEnumerate(ops)) return nullptr;
  const ScreenMapping screen = CurrentScreenMapping();
  for (int i = ops.FPDFPage_CountObjects(g_session.currentPage) - 1; i >= 0; --i) {
    FPDF_PAGEOBJECT object = CandidatePath(ops, i);
    if (object == nullptr) continue;
    auto line = RecogniseStraightSegment(object, ops, screen);
    if (!line) continue;
    std::vector<ScreenSegment> pieces{
        {float(line->screenStart.x), float(line->screenStart.y), float(line->screenEnd.x), float(line->screenEnd.y)}};
    if (line->arrow) {
      auto head = ArrowHeadStrokes(object, ops);
      if (!head) continue;
      pieces.insert(pieces.end(), head->begin(), head->end());
    }
    if (PointDistance(point, pieces) <= kHitDistance) return object;
  }
  return nullptr;
}

int HitEndpoint(ScreenPoint point) {
  if (g_selection.object == nullptr) return 0;
  auto line = RecogniseStraightSegment(g_selection.object, CurrentOps(), CurrentScreenMapping());
  if (!line) return 0;
  if (Within(point, line->screenStart)) return 1;
  if (Within(point, line->screenEnd)) return 2;
  return 0;
}

int HitControlPoint(ScreenPoint point) {
  if (g_selection.object == nullptr || g_tool.mode != ToolMode::Select) return 0;
  PdfOps ops = CurrentOps();
  DrawnKind kind = ClassifyDrawnObject(g_selection.object, ops);
  if (!IsGeometryShape(kind)) return 0;
  for (const ControlPoint& c : ControlPointsOf(g_selection.object, ops, kind)) {
    if (Within(point, c.at)) return c.id;
  }
  return 0;
}

bool HitGroup(ScreenPoint point) {
  PdfOps ops = CurrentOps();
  for (FPDF_PAGEOBJECT member : g_selection.group) {
    auto rect = ScreenRectOf(member, ops);
    if (rect && Inflated(*rect, kGroupFrameInflate).Contains(point.x, point.y)) return true;
  }
  return false;
}

std::vector<FPDF_PAGEOBJECT> ObjectsInRectangle(IntRect r) {
  std::vector<FPDF_PAGEOBJECT> members;
  PdfOps ops = CurrentOps();
  if (!CanEnumerate(ops)) return members;
  int count = ops.FPDFPage_CountObjects(g_session.currentPage);
  PageFrame frame = CurrentPageFrame();
  for (int i = 0; i < count; ++i) {
    FPDF_PAGEOBJECT object = ops.FPDFPage_GetObject(g_session.currentPage, i);
    if (object == nullptr || ops.FPDFPageObj_GetType(object) != kPageObjPath) continue;
    auto rect = ScreenRectOf(object, ops, frame);
    if (rect && !Intersects(*rect, r)) continue;
    if (IsImageBackground(object, ops)) continue;
    if (rect && rect->left >= r.left && rect->right <= r.right && rect->top >= r.top && rect->bottom <= r.bottom) {
      members.push_back(object);
      continue;
    }
    ScreenOutline outline = ScreenOutlineOf(object, ops, frame);
    if (!outline.complete) {
      if (rect) members.push_back(object);  // the rectangle intersects; the outline cannot say more
      continue;
    }
    bool joins = std::any_of(outline.points.begin(), outline.points.end(), [&](const ScreenSegment& p) {
      return p.ax >= r.left && p.ax <= r.right && p.ay >= r.top && p.ay <= r.bottom;
    });
    joins = joins || std::any_of(outline.segments.begin(), outline.segments.end(),
                                 [&](const ScreenSegment& s) { return SegmentCrosses(s, r); });
    if (joins) members.push_back(object);
  }
  return members;
}

#include "drawing/coordinate_system.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "drawing/find_remove.h"
#include "engine/engine_handles.h"

namespace {

constexpr double kCm = 28.346457;

struct Rect {
  double x0, y0, x1, y1;
};

const Rect kSegments[7] = {{0.3, 5.4, 3.4, 6.0}, {3.1, 3.0, 3.7, 5.7}, {3.1, 0.3, 3.7, 3.0}, {0.3, 0.0, 3.4, 0.6},
                           {0.0, 0.3, 0.6, 3.0}, {0.0, 3.0, 0.6, 5.7}, {0.3, 2.7, 3.4, 3.3}};
const int kDigitMasks[10] = {0x3F, 0x06, 0x5B, 0x4F, 0x66, 0x6D, 0x7D, 0x07, 0x7F, 0x6F};
constexpr int kMinusMask = 0x40;

// Collects the grid in the displayed frame and writes it into the path in page space.
class GridWriter {
 public:
  GridWriter(const PdfOps& ops, const PageFrame& frame) : ops_(ops), frame_(frame) {}

  PagePoint Map(double x, double y) const { return DisplayedToPage(frame_, float(x), float(y)); }

  bool Start(double x, double y) {
    PagePoint p = Map(x, y);
    path_.reset(ops_.FPDFPageObj_CreateNewPath(p.x, p.y));
    return path_ != nullptr;
  }

  void Polygon(std::initializer_list<std::pair<double, double>> corners) {
    bool first = true;
    PagePoint start{};
    for (auto [x, y] : corners) {
      PagePoint p = Map(x, y);
      if (first) {
        ok_ = ok_ && ops_.FPDFPath_MoveTo(path_.get(), p.x, p.y);
        start = p;
        first = false;
      } else {
        ok_ = ok_ && ops_.FPDFPath_LineTo(path_.get(), p.x, p.y);
      }
    }
    ok_ = ok_ && ops_.FPDFPath_LineTo(path_.get(), start.x, start.y);
  }

  void Rectangle(double x0, double y0, double x1, double y1) { Polygon({{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}}); }

  void Number(int value, double left, double bottom) {
    char text[16];
    std::snprintf(text, sizeof text, "%d", value);
    double x = left;
    for (const char* c = text; *c != '\0'; ++c, x += 4.5) {
      int mask = *c == '-' ? kMinusMask : kDigitMasks[*c - '0'];
      for (int bit = 0; bit < 7; ++bit) {
        if (mask & (1 << bit)) {
          const Rect& s = kSegments[bit];
          Rectangle(x + s.x0, bottom + s.y0, x + s.x1, bottom + s.y1);
        }
      }
    }
  }

  FPDF_PAGEOBJECT path() const { return path_.get(); }
  // Hands the path over (to the page it goes into); until then the writer destroys it.
  FPDF_PAGEOBJECT Release() { return path_.release(); }
  bool ok() const { return ok_; }

 private:
  const PdfOps& ops_;
  PageFrame frame_;
  ScopedPageObject path_;
  bool ok_ = true;
};

double NumberWidth(int value) {
  char text[16];
  int n = std::snprintf(text, sizeof text, "%d", value);
  return n * 4.5 - 0.8;
}

bool HasGridEntries(const PdfOps& ops) {
  return ops.FPDFPageObj_CreateNewPath && ops.FPDFPath_MoveTo && ops.FPDFPath_LineTo && ops.FPDFPageObj_SetFillColor &&
         ops.FPDFPath_SetDrawMode && ops.FPDFPageObj_AddMark && ops.FPDFPageObj_CountMarks && ops.FPDFPageObj_GetMark &&
         ops.FPDFPageObjMark_GetName && ops.FPDFPath_CountSegments && ops.FPDFPath_GetPathSegment &&
         ops.FPDFPathSegment_GetPoint && ops.FPDFPathSegment_GetType && ops.FPDFPageObj_GetMatrix &&
         ops.FPDFPageObj_Transform && ops.FPDFPage_InsertObject && ops.FPDFPage_CountObjects &&
         ops.FPDFPage_GetObject && ops.FPDFPage_RemoveObject && ops.FPDFPageObj_Destroy && ops.FPDFPage_GenerateContent;
}

double Distance(PagePoint a, PagePoint b) { return std::hypot(double(b.x - a.x), double(b.y - a.y)); }

}  // namespace

GridMetrics ComputeGridMetrics(double width, double height) {
  GridMetrics m;
  m.unit = std::max(1.0, std::ceil(std::max(width, height) / 7256.693)) * kCm;
  m.nx = int(std::ceil(width / (2 * m.unit)));
  m.ny = int(std::ceil(height / (2 * m.unit)));
  return m;
}

CoordinateBuild BuildCoordinateSystem(FPDF_PAGE page, const PdfOps& ops, const PageFrame& frame) {
  CoordinateBuild build;
  double W = frame.DisplayedWidth(), H = frame.DisplayedHeight();
  if (page == nullptr || !HasGridEntries(ops) || !std::isfinite(W) || !std::isfinite(H) ||
      !std::isfinite(frame.originX) || !std::isfinite(frame.originY) || frame.rotation < 0 || frame.rotation > 3) {
    return build;
  }
  if (std::min(W, H) - 36 < 56.692913) {
    build.result = kGridPageTooSmall;
    return build;
  }
  GridMetrics m = ComputeGridMetrics(W, H);
  if (m.nx < 1 || m.nx > 128) return build;
  double u = m.unit, C = W / 2, A = H / 2;
  GridWriter grid(ops, frame);
  if (!grid.Start(C - m.nx * u, A - 0.6)) return build;
  grid.Rectangle(C - m.nx * u, A - 0.6, C + m.nx * u, A + 0.6);
  for (int k = -5 * m.nx; k <= 5 * m.nx; ++k) {
    double x = C + k * u / 5, half = k % 5 == 0 ? 0.14 : 0.035;
    if (k != 0 && x > 0 && x < W) grid.Rectangle(x - half, 0, x + half, H);
  }
  for (int k = -5 * m.ny; k <= 5 * m.ny; ++k) {
    double y = A + k * u / 5, half = k % 5 == 0 ? 0.14 : 0.035;
    if (k != 0 && y > 0 && y < H) grid.Rectangle(0, y - half, W, y + half);
  }
  grid.Rectangle(C - 0.6, 0, C + 0.6, H);
  grid.Polygon({{W, A}, {W - 8, A + 3.5}, {W - 8, A - 3.5}});
  grid.Polygon({{C, H}, {C - 3.5, H - 8}, {C + 3.5, H - 8}});
  for (int k = -m.nx; k <= m.nx; ++k) {
    double w = NumberWidth(k), x = C + k * u;
    if (x - w / 2 >= 0 && x + w / 2 <= W) grid.Number(k, x - w / 2, A - 9);
  }
  for (int k = -m.ny; k <= m.ny; ++k) {
    double y = A + k * u;
    if (k != 0 && y - 3 >= 0 && y + 3 <= H) grid.Number(k, C - 3 - NumberWidth(k), y - 3);
  }
  FPDF_PAGEOBJECT path = grid.path();
  bool ok = grid.ok() && ops.FPDFPageObj_SetFillColor(path, 0, 0, 0, 255) && ops.FPDFPath_SetDrawMode(path, 2, 0) &&
            ops.FPDFPageObj_AddMark(path, MakeCoordinateSystemMarkName(m.nx).c_str()) != nullptr;
  if (!ok) return build;
  int before = ops.FPDFPage_CountObjects(page);
  if (before < 0) return build;
  ops.FPDFPage_InsertObject(page, grid.Release());  // the page owns the path from here on
  int after = ops.FPDFPage_CountObjects(page);
  if (after == before) return build;      // not taken: forget the handle, the page is as it was
  build.object = path;
  if (after != before + 1 || ops.FPDFPage_GetObject(page, after - 1) != path) {
    build.result = kGridPageChanged;
    return build;
  }
  build.result = ops.FPDFPage_GenerateContent(page) ? kGridAdded : kGridAddedNoContent;
  return build;
}

std::optional<ControlPoints> ReadControlPoints(FPDF_PAGEOBJECT object, const PdfOps& ops) {
  int n = FindCoordinateSystem(object, ops);
  if (n == 0 || !ops.FPDFPath_CountSegments || !ops.FPDFPath_GetPathSegment || !ops.FPDFPathSegment_GetPoint ||
      !ops.FPDFPathSegment_GetType || !ops.FPDFPageObj_GetMatrix) {
    return std::nullopt;
  }
  FS_MATRIX matrix;
  if (!ops.FPDFPageObj_GetMatrix(object, &matrix)) return std::nullopt;
  int count = ops.FPDFPath_CountSegments(object);
  std::vector<PagePoint> corners;
  bool moved = false;
  for (int i = 0; i < count && corners.size() < 3; ++i) {
    FPDF_PATHSEGMENT segment = ops.FPDFPath_GetPathSegment(object, i);
    PagePoint p;
    if (segment == nullptr || !ops.FPDFPathSegment_GetPoint(segment, &p.x, &p.y)) return std::nullopt;
    int type = ops.FPDFPathSegment_GetType(segment);
    if (type == kSegmentMoveTo) {
      if (corners.size() > 1) return std::nullopt;  // a move after the first line
      corners.assign(1, Transform(matrix, p.x, p.y));
      moved = true;
    } else if (type == kSegmentLineTo) {
      if (!moved) return std::nullopt;
      corners.push_back(Transform(matrix, p.x, p.y));
    } else {
      return std::nullopt;
    }
  }
  if (corners.size() < 3) return std::nullopt;
  ControlPoints points;
  points.origin = {(corners[0].x + corners[2].x) / 2, (corners[0].y + corners[2].y) / 2};
  points.unit = {points.origin.x + (corners[1].x - corners[0].x) / float(2 * n),
                 points.origin.y + (corners[1].y - corners[0].y) / float(2 * n)};
  for (float v : {points.origin.x, points.origin.y, points.unit.x, points.unit.y}) {
    if (!std::isfinite(v)) return std::nullopt;
  }
  if (!(Distance(points.origin, points.unit) > 0.0001)) return std::nullopt;
  return points;
}

UnitLengthResult SetUnitLength(FPDF_PAGEOBJECT object, const PdfOps& ops, double length) {
  if (!std::isfinite(length) || !(length > 0) || ops.FPDFPageObj_Transform == nullptr) return kUnitFailed;
  auto points = ReadControlPoints(object, ops);
  if (!points) return kUnitFailed;
  double current = Distance(points->origin, points->unit);
  if (!(current > 0.0001)) return kUnitFailed;
  length = std::clamp(length, kMinUnitLength, kMaxUnitLength);
  double s = length / current;
  double ex = (1 - s) * points->origin.x, ey = (1 - s) * points->origin.y;
  if (!std::isfinite(s) || !std::isfinite(ex) || !std::isfinite(ey)) return kUnitFailed;
  if (std::fabs(s - 1) < 0.000001) return kUnitAtLimit;
  ops.FPDFPageObj_Transform(object, s, 0, 0, s, ex, ey);
  auto after = ReadControlPoints(object, ops);
  if (!after) return kUnitUnverified;
  double originShift = Distance(after->origin, points->origin);
  double originTolerance = std::max(0.1, std::hypot(double(points->origin.x), double(points->origin.y)) * 0.00001);
  double lengthError = std::fabs(Distance(after->origin, after->unit) - length);
  if (originShift > originTolerance || lengthError > std::max(0.02, length * 0.0001)) return kUnitUnverified;
  return kUnitChanged;
}

int HitCoordinateHandle(FPDF_PAGEOBJECT object, const PdfOps& ops, const ScreenMapping& screen, int x, int y) {
  auto points = ReadControlPoints(object, ops);
  if (!points) return 0;
  float ox, oy, ux, uy;
  MapToScreen(screen, points->origin.x, points->origin.y, ox, oy);
  MapToScreen(screen, points->unit.x, points->unit.y, ux, uy);
  bool onOrigin = std::fabs(x - ox) <= 8 && std::fabs(y - oy) <= 8;
  bool onUnit = std::fabs(x - ux) <= 8 && std::fabs(y - uy) <= 8;
  if (onOrigin && onUnit) return std::hypot(x - ux, y - uy) < std::hypot(x - ox, y - oy) ? 2 : 1;
  return onOrigin ? 1 : onUnit ? 2 : 0;
}

bool DragCoordinateHandle(FPDF_PAGEOBJECT object, const PdfOps& ops, const ScreenMapping& screen, int handle,
                          ScreenPoint& last, ScreenPoint pointer, bool& changed) {
  changed = false;
  const IntRect& r = screen.pageRect;
  pointer.x = std::clamp(pointer.x, r.left, r.right);
  pointer.y = std::clamp(pointer.y, r.top, r.bottom);
  auto from = MapToPage(screen, float(last.x), float(last.y));
  auto to = MapToPage(screen, float(pointer.x), float(pointer.y));
  if (!from || !to || ops.FPDFPageObj_Transform == nullptr) return false;
  double dx = to->x - from->x, dy = to->y - from->y;
  if (std::fabs(dx) < 0.0001 && std::fabs(dy) < 0.0001) return true;
  if (handle == 1) {
    ops.FPDFPageObj_Transform(object, 1, 0, 0, 1, dx, dy);
    changed = true;
  } else {
    auto points = ReadControlPoints(object, ops);
    if (!points) return false;
    double ax = points->unit.x - points->origin.x, ay = points->unit.y - points->origin.y;
    double current = std::hypot(ax, ay);
    double along = (dx * ax + dy * ay) / current;
    UnitLengthResult result = SetUnitLength(object, ops, std::max(kMinUnitLength, current + along));
    if (result == kUnitFailed || result == kUnitUnverified) return false;
    changed = result == kUnitChanged;
  }
  last = pointer;
  return true;
}

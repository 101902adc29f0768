#include "content/stroke_cover.h"

#include <algorithm>
#include <limits>

namespace {

// Span ends are worked out for the reach widened and narrowed by this share; pixels between
// the two are settled by the distance test itself, so rounding in the span ends never decides.
constexpr double kReachSlack = 1e-7;
constexpr double kInfinity = std::numeric_limits<double>::infinity();

// Positions x = column + 0.5 along one pixel row; empty unless lo ≤ hi.
struct Interval {
  double lo = kInfinity, hi = -kInfinity;
  bool Empty() const { return !(lo <= hi); }
};
Interval Hull(Interval a, Interval b) { return {std::min(a.lo, b.lo), std::max(a.hi, b.hi)}; }
Interval Meet(Interval a, Interval b) { return {std::max(a.lo, b.lo), std::min(a.hi, b.hi)}; }

// x with lo ≤ alpha + beta·x ≤ hi, given 1 / beta (infinite when beta is 0).
Interval LinearBand(double alpha, double beta, double inverseBeta, double lo, double hi) {
  if (beta == 0) return alpha >= lo && alpha <= hi ? Interval{-kInfinity, kInfinity} : Interval{};
  const double x0 = (lo - alpha) * inverseBeta, x1 = (hi - alpha) * inverseBeta;
  return {std::min(x0, x1), std::max(x0, x1)};
}

// The pixel-centre line of one row: rowOrigin + x·step.
struct RowLine {
  ScreenVec origin, step;
  double stepSquared = 0, inverseStepSquared = 0;
};

// x with |d + x·step| ≤ reach, from b = d·step and dd = d·d.
Interval Disc(const RowLine& line, double b, double dd, double reach) {
  const double discriminant = b * b - line.stepSquared * (dd - reach * reach);
  if (!(discriminant >= 0)) return {};
  const double s = std::sqrt(discriminant);
  return {(-b - s) * line.inverseStepSquared, (-b + s) * line.inverseStepSquared};
}

struct Segment {
  ScreenVec a, ab;
  double abSquared = 0, abLength = 0;
  double alongStep = 0, acrossStep = 0;                // ab·step and step × ab along a pixel row
  double inverseAlongStep = 0, inverseAcrossStep = 0;
  int firstRow = 0, lastRow = 0, firstColumn = 0, lastColumn = 0;  // the pixels its reach can touch
};

// The stroke's segments that can touch the picture, with the pixel box each can reach: the
// box of its end points widened by the reach as it stretches over the picture's pixels.
std::vector<Segment> StrokeSegments(const ScreenPicture& picture, int w, int h, const std::vector<ScreenPoint>& stroke,
                                    ScreenVec columnStep, double reach) {
  const double marginColumns = reach * Length(picture.down) / std::fabs(picture.det) * w;
  const double marginRows = reach * Length(picture.along) / std::fabs(picture.det) * h;
  std::vector<Segment> segments;
  for (size_t k = 0; k < stroke.size(); ++k) {
    const ScreenPoint& from = stroke[k == 0 ? 0 : k - 1];
    const ScreenVec a{double(from.x), double(from.y)}, b{double(stroke[k].x), double(stroke[k].y)};
    const ScreenVec ua = picture.Unit(a), ub = picture.Unit(b);
    const double firstColumn = std::max(0.0, std::floor(std::min(ua.x, ub.x) * w - marginColumns));
    const double lastColumn = std::min(double(w - 1), std::ceil(std::max(ua.x, ub.x) * w + marginColumns));
    const double firstRow = std::max(0.0, std::floor(std::min(ua.y, ub.y) * h - marginRows));
    const double lastRow = std::min(double(h - 1), std::ceil(std::max(ua.y, ub.y) * h + marginRows));
    if (!(firstColumn <= lastColumn && firstRow <= lastRow)) continue;
    Segment s;
    s.a = a;
    s.ab = b - a;
    s.abSquared = Dot(s.ab, s.ab);
    s.abLength = std::sqrt(s.abSquared);
    s.alongStep = Dot(columnStep, s.ab);
    s.acrossStep = Cross(columnStep, s.ab);
    s.inverseAlongStep = 1 / s.alongStep;
    s.inverseAcrossStep = 1 / s.acrossStep;
    s.firstRow = int(firstRow);
    s.lastRow = int(lastRow);
    s.firstColumn = int(firstColumn);
    s.lastColumn = int(lastColumn);
    segments.push_back(s);
  }
  return segments;
}

// The distance test: the centre (relative to the segment's start) within the reach.
bool Covered(const Segment& s, ScreenVec centre, double reachSquared) {
  const double t = s.abSquared > 0 ? std::clamp(Dot(centre, s.ab) / s.abSquared, 0.0, 1.0) : 0.0;
  const ScreenVec off = centre - t * s.ab;
  return Dot(off, off) <= reachSquared;
}

// Where the pixel-centre line rowOrigin + x·step meets the segment's capsule (its two end
// discs and the band between them), for the outer and the inner reach. The capsule is
// convex, so the hull of the pieces is the meeting.
struct RowMeeting {
  Interval outer, inner;
};
RowMeeting CapsuleOnRow(const Segment& s, const RowLine& line, double outerReach, double innerReach) {
  const ScreenVec d = line.origin - s.a;
  const double bA = Dot(d, line.step), ddA = Dot(d, d);
  RowMeeting m{Disc(line, bA, ddA, outerReach), Disc(line, bA, ddA, innerReach)};
  if (s.abSquared == 0) return m;
  const ScreenVec e = line.origin - (s.a + s.ab);
  const double bB = Dot(e, line.step), ddB = Dot(e, e);
  m.outer = Hull(m.outer, Disc(line, bB, ddB, outerReach));
  m.inner = Hull(m.inner, Disc(line, bB, ddB, innerReach));
  const Interval along = LinearBand(Dot(d, s.ab), s.alongStep, s.inverseAlongStep, 0, s.abSquared);
  if (along.Empty()) return m;
  const double across = Cross(d, s.ab);
  const double outerWidth = outerReach * s.abLength, innerWidth = innerReach * s.abLength;
  const Interval outerBand = Meet(along, LinearBand(across, s.acrossStep, s.inverseAcrossStep, -outerWidth, outerWidth));
  const Interval innerBand = Meet(along, LinearBand(across, s.acrossStep, s.inverseAcrossStep, -innerWidth, innerWidth));
  if (!outerBand.Empty()) m.outer = Hull(m.outer, outerBand);
  if (!innerBand.Empty()) m.inner = Hull(m.inner, innerBand);
  return m;
}

int FirstColumnFrom(double lo, int w) { return int(std::clamp(std::ceil(lo - 0.5), -1.0, double(w))); }
int LastColumnTo(double hi, int w) { return int(std::clamp(std::floor(hi - 0.5), -1.0, double(w))); }

// Counts, per column of one row, how many covered spans start (+1) and end (-1 after) there.
struct RowCover {
  std::vector<int> starts;
  int low = 0, high = -1;  // the columns the counts were touched in
  void Add(int first, int last) {
    ++starts[size_t(first)];
    --starts[size_t(last) + 1];
    low = std::min(low, first);
    high = std::max(high, last);
  }
};

// Whitens the row's covered pixels and clears the counts; true when any pixel changed.
bool PaintRow(uint8_t* row, int rowIndex, RowCover& cover, ChangedCells* changedCells) {
  bool changed = false;
  int depth = 0;
  for (int column = cover.low; column <= cover.high; ++column) {
    depth += cover.starts[size_t(column)];
    cover.starts[size_t(column)] = 0;
    uint8_t* p = row + size_t(column) * 4;
    if (depth > 0 && !(p[0] == 255 && p[1] == 255 && p[2] == 255)) {
      p[0] = p[1] = p[2] = 255;
      changed = true;
      if (changedCells != nullptr) changedCells->Mark(column, rowIndex);
    }
  }
  if (cover.high >= cover.low) cover.starts[size_t(cover.high) + 1] = 0;
  return changed;
}

}  // namespace

bool ChangedCells::Any(int x0, int y0, int x1, int y1) const {
  for (int row = y0 / 8; row <= (y1 - 1) / 8 && row < rows; ++row) {
    for (int column = x0 / 8; column <= (x1 - 1) / 8 && column < columns; ++column) {
      if (cells[size_t(row) * size_t(columns) + size_t(column)] != 0) return true;
    }
  }
  return false;
}

double StrokeReach(const ScreenPicture& picture, int w, int h, double radius) {
  return radius + (Length(picture.along) / w + Length(picture.down) / h) / 2;
}

bool PaintStroke(uint8_t* buffer, size_t stride, int w, int h, const ScreenPicture& picture,
                 const std::vector<ScreenPoint>& stroke, double reach, ChangedCells* changedCells) {
  const ScreenVec columnStep = (1.0 / w) * picture.along, rowStep = (1.0 / h) * picture.down;
  std::vector<Segment> segments = StrokeSegments(picture, w, h, stroke, columnStep, reach);
  std::sort(segments.begin(), segments.end(), [](const Segment& l, const Segment& r) { return l.firstRow < r.firstRow; });
  RowLine line;
  line.step = columnStep;
  line.stepSquared = Dot(columnStep, columnStep);
  line.inverseStepSquared = 1 / line.stepSquared;
  const double reachSquared = reach * reach;
  const double outerReach = reach * (1 + kReachSlack), innerReach = reach * (1 - kReachSlack);
  RowCover cover;
  cover.starts.assign(size_t(w) + 1, 0);
  std::vector<const Segment*> active;  // the segments whose box holds the current row
  size_t next = 0;
  bool changed = false;
  for (int row = 0; next < segments.size() || !active.empty(); ++row) {
    if (active.empty()) row = std::max(row, segments[next].firstRow);
    while (next < segments.size() && segments[next].firstRow <= row) active.push_back(&segments[next++]);
    line.origin = picture.origin + (row + 0.5) * rowStep;
    cover.low = w;
    cover.high = -1;
    for (const Segment* s : active) {
      const RowMeeting meeting = CapsuleOnRow(*s, line, outerReach, innerReach);
      const Interval& outer = meeting.outer;
      const Interval& inner = meeting.inner;
      if (outer.Empty()) continue;
      const int first = std::max(s->firstColumn, FirstColumnFrom(outer.lo, w));
      const int last = std::min(s->lastColumn, LastColumnTo(outer.hi, w));
      if (first > last) continue;
      // Columns surely inside are covered as a whole; the few near either end are tested.
      int sureFirst = inner.Empty() ? last + 1 : std::max(first, FirstColumnFrom(inner.lo, w));
      const int sureLast = inner.Empty() ? last : std::min(last, LastColumnTo(inner.hi, w));
      if (sureFirst > sureLast) sureFirst = last + 1;
      for (int column = first; column <= last; ++column) {
        if (column == sureFirst) {
          cover.Add(sureFirst, sureLast);
          column = sureLast;
          continue;
        }
        const ScreenVec centre = (picture.origin + (column + 0.5) * columnStep + (row + 0.5) * rowStep) - s->a;
        if (Covered(*s, centre, reachSquared)) cover.Add(column, column);
      }
    }
    changed |= PaintRow(buffer + size_t(row) * stride, row, cover, changedCells);
    active.erase(std::remove_if(active.begin(), active.end(), [row](const Segment* s) { return s->lastRow <= row; }),
                 active.end());
  }
  return changed;
}

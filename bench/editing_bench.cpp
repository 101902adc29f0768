// Selection on a crowded page: a click's hit test and a full-page marquee over 2,000 drawn
// objects against a bare walk of the same objects' bounds, and one mouse-move step of
// dragging a labelled triangle (move and re-render) against a bare render of the page.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/bench_setup.h"
#include "bench/bench_timing.h"
#include "content/font_table.h"
#include "document/open_document.h"
#include "document/session.h"
#include "document/undo_history.h"
#include "drawing/labels.h"
#include "drawing/shapes.h"
#include "editing/hit_tests.h"
#include "editing/move_drag.h"
#include "editing/selection.h"
#include "engine/engine_loader.h"
#include "engine/engine_table.h"
#include "platform/file_system.h"
#include "platform/text_encoding.h"
#include "view/current_context.h"
#include "view/page_view.h"

namespace {

constexpr int kObjects = 2000;

// Segments, triangles, rectangles and six-point strokes in a grid over the page.
void AddDrawnObjects() {
  FPDF_PAGE page = g_session.currentPage;
  for (int i = 0; i < kObjects; ++i) {
    float x = 30.0f + float(i % 40) * 13.5f, y = 60.0f + float(i / 40) * 14.5f;
    std::vector<PagePoint> points;
    switch (i % 4) {
      case 0:
        points = {{x, y}, {x + 9, y + 6}};
        break;
      case 1:
        points = {{x, y + 9}, {x + 5, y}, {x - 5, y}, {x, y + 9}};
        break;
      case 2:
        points = {{x, y}, {x + 9, y}, {x + 9, y + 7}, {x, y + 7}, {x, y}};
        break;
      default:
        for (int k = 0; k < 6; ++k) points.push_back({x + float(k) * 2, y + float(k % 2) * 5});
        break;
    }
    FPDF_PAGEOBJECT path = g_engine.FPDFPageObj_CreateNewPath(points[0].x, points[0].y);
    for (size_t k = 1; k < points.size(); ++k) g_engine.FPDFPath_LineTo(path, points[k].x, points[k].y);
    g_engine.FPDFPageObj_SetStrokeColor(path, 230, 35, 35, 255);
    g_engine.FPDFPageObj_SetStrokeWidth(path, 1.5f);
    g_engine.FPDFPath_SetDrawMode(path, 0, 1);
    g_engine.FPDFPage_InsertObject(page, path);
  }
  g_engine.FPDFPage_GenerateContent(page);
}

void Show() {
  g_layout = WindowLayout{};
  g_view.fitMode = FitMode::FitPage;
  g_view.zoom = 1.0f;
  InvalidateRender(false);
  Render();
}

// The baseline of the hit tests: every object's type and bounds, as a bare engine walk.
double BareBoundsWalk() {
  auto start = BenchClock::now();
  FPDF_PAGE page = g_session.currentPage;
  float sum = 0;
  int count = g_engine.FPDFPage_CountObjects(page);
  for (int i = count - 1; i >= 0; --i) {
    FPDF_PAGEOBJECT object = g_engine.FPDFPage_GetObject(page, i);
    float l, b, r, t;
    if (g_engine.FPDFPageObj_GetType(object) == kPageObjPath && g_engine.FPDFPageObj_GetBounds(object, &l, &b, &r, &t)) {
      sum += l;
    }
  }
  double ms = MillisecondsSince(start);
  if (sum == 12345.678f) std::printf(" ");
  return ms;
}

}  // namespace

int main() {
  std::optional<std::string> work = StartEngineBench();
  if (!work) return 1;
  const std::string& folder = *work;

  NewBlankDocument();
  Show();
  AddDrawnObjects();
  InvalidateRender(true);
  Render();

  // A click in the empty band at the bottom: every object is visited and none is hit.
  ScreenPoint miss{g_view.pageRect.left + 20, g_view.pageRect.bottom - 20};
  std::vector<double> hit, marquee, walk, walk2;
  for (int round = 0; round < 9; ++round) {
    auto start = BenchClock::now();
    if (HitObject(miss) != nullptr) std::fprintf(stderr, "unexpected hit\n");
    hit.push_back(MillisecondsSince(start));
    walk.push_back(BareBoundsWalk());
    start = BenchClock::now();
    size_t members = ObjectsInRectangle(g_view.pageRect).size();
    marquee.push_back(MillisecondsSince(start));
    walk2.push_back(BareBoundsWalk());
    if (members != size_t(kObjects)) std::fprintf(stderr, "marquee found %zu objects\n", members);
  }
  std::printf("BENCH hit_object_2000_drawn_objects ratio=%.2f target=3 (HitObject %.3f ms, bare bounds walk %.3f ms, "
              "median of 9 paired runs)\n",
              MedianPairedRatio(hit, walk), Median(hit), Median(walk));
  std::printf("BENCH full_page_marquee_2000_drawn_objects ratio=%.2f target=3 (marquee %.3f ms, bare bounds walk %.3f ms, "
              "median of 9 paired runs)\n",
              MedianPairedRatio(marquee, walk2), Median(marquee), Median(walk2));

  // A labelled triangle on top, selected and dragged one step at a time.
  EnsureDefaultFont();
  ScreenPoint a{g_view.pageRect.left + 200, g_view.pageRect.top + 200}, b{a.x + 120, a.y + 90};
  PdfOps ops = CurrentOps();
  ShapeAdd added = AddGeometryShape(ops, g_session.currentPage, CurrentScreenMapping(), GeometryKind::Triangle, a, b, PenStyle{});
  auto outline = BuildOutline(GeometryKind::Triangle, a, b);
  if (!LabelNewTriangle(ops, CurrentLabelContext(), added.object, outline->points).ok) std::fprintf(stderr, "labels failed\n");
  SelectDrawnObject(added.object);
  InvalidateRender(true);
  Render();
  ScreenPoint grab{(a.x + b.x) / 2, b.y};
  BeginMove(grab, false);
  std::vector<double> step, render;
  for (int round = 0; round < 15; ++round) {
    ScreenPoint to{grab.x + (round % 2 == 0 ? 3 : -3), grab.y + (round % 2 == 0 ? 2 : -2)};
    auto start = BenchClock::now();
    MoveStep(to);
    InvalidateRender(true);
    Render();
    step.push_back(MillisecondsSince(start));
    start = BenchClock::now();
    InvalidateRender(true);
    Render();
    render.push_back(MillisecondsSince(start));
    grab = to;
  }
  std::printf("BENCH drag_labelled_triangle_step ratio=%.2f target=1.3 (move and re-render %.2f ms, bare render %.2f ms, "
              "%d drawn objects, median of 15 paired steps)\n",
              MedianPairedRatio(step, render), Median(step), Median(render), kObjects + 4);
  CloseSessionDocument();
  DiscardHistory();
  UnloadPdfEngine();
  std::filesystem::remove_all(folder);
  return 0;
}

// Cost of adding a labelled triangle (the triangle, the page walk for its number and the
// renumbering, its labels, content generation) on a page crowded with labelled triangles,
// against the same add on an empty page, measured in the same run; the least any edit of the
// crowded page costs (one plain path and content generation) is reported beside it. And how
// many bytes one labelled triangle adds to a saved copy, against 64 KB.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/bench_setup.h"
#include "bench/bench_timing.h"
#include "content/font_table.h"
#include "document/file_writer.h"
#include "document/open_document.h"
#include "document/session.h"
#include "document/undo_history.h"
#include "drawing/labels.h"
#include "engine/engine_loader.h"
#include "engine/engine_table.h"
#include "platform/file_system.h"
#include "platform/text_encoding.h"
#include "view/current_context.h"
#include "view/page_view.h"

namespace {

void Save(const std::string& path) {
  int fd = OpenForWriting(Utf8ToUtf16(path), false);
  FileWriter writer = MakeFileWriter(fd);
  SaveDocumentToFile(g_session.document, writer, kSaveNoIncremental);
  CloseFile(fd);
}

void Show(const std::string& path) {
  OpenDocument(Utf8ToUtf16(path));
  g_layout = WindowLayout{};
  g_view.fitMode = FitMode::FitPage;
  g_view.zoom = 1.0f;
  InvalidateRender(false);
  Render();
  EnsureDefaultFont();
}

// Labelled triangles written directly (one content generation at the end).
void AddTriangles(int count) {
  FPDF_PAGE page = g_session.currentPage;
  for (int i = 0; i < count; ++i) {
    float x = 20.0f + float(i % 40) * 14, y = 40.0f + float(i / 40 % 50) * 15;
    FPDF_PAGEOBJECT path = g_engine.FPDFPageObj_CreateNewPath(x, y + 10);
    g_engine.FPDFPath_LineTo(path, x + 6, y);
    g_engine.FPDFPath_LineTo(path, x - 6, y);
    g_engine.FPDFPath_LineTo(path, x, y + 10);
    g_engine.FPDFPageObj_SetStrokeColor(path, 230, 35, 35, 255);
    g_engine.FPDFPageObj_SetStrokeWidth(path, 1);
    g_engine.FPDFPath_SetDrawMode(path, 0, 1);
    std::string name = MakeTriangleMarkName(uint32_t(i + 1));
    g_engine.FPDFPageObj_AddMark(path, name.c_str());
    g_engine.FPDFPage_InsertObject(page, path);
    for (int k = 0; k < 3; ++k) {
      FPDF_PAGEOBJECT text = g_engine.FPDFPageObj_CreateTextObj(g_session.document, g_fontCache.defaultFont, 10);
      std::u16string label = std::u16string(1, char16_t(u'a' + k)) + Num(i + 1);
      label.push_back(0);
      g_engine.FPDFText_SetText(text, reinterpret_cast<FPDF_WIDESTRING>(label.c_str()));
      g_engine.FPDFPageObj_SetFillColor(text, 25, 25, 25, 255);
      g_engine.FPDFPageObj_AddMark(text, name.c_str());
      g_engine.FPDFPageObj_Transform(text, 1, 0, 0, 1, x + k * 3, y);
      g_engine.FPDFPage_InsertObject(page, text);
    }
  }
  g_engine.FPDFPage_GenerateContent(page);
}

// Milliseconds to add and label one triangle, as the geometry tool does, on the page freshly
// loaded from `path`.
double TimeOneTriangle(const std::string& path) {
  Show(path);
  ScreenPoint a{g_view.pageRect.left + 100, g_view.pageRect.top + 100};
  ScreenPoint b{a.x + 80, a.y + 60};
  auto start = BenchClock::now();
  LabelledTriangleAdd added = AddLabelledTriangle(CurrentOps(), CurrentLabelContext(), a, b, PenStyle{});
  double ms = MillisecondsSince(start);
  if (added.shape.result != kShapeAdded || !added.labels.ok) std::fprintf(stderr, "labelled triangle failed\n");
  return ms;
}

// Milliseconds to add and label a second triangle on the page freshly loaded from `path`,
// after a first one: the teacher drawing triangle after triangle.
double TimeNextTriangle(const std::string& path) {
  Show(path);
  ScreenPoint a{g_view.pageRect.left + 100, g_view.pageRect.top + 100};
  ScreenPoint b{a.x + 80, a.y + 60};
  AddLabelledTriangle(CurrentOps(), CurrentLabelContext(), a, b, PenStyle{});
  a.x += 120;
  b.x += 120;
  auto start = BenchClock::now();
  LabelledTriangleAdd added = AddLabelledTriangle(CurrentOps(), CurrentLabelContext(), a, b, PenStyle{});
  double ms = MillisecondsSince(start);
  if (added.shape.result != kShapeAdded || !added.labels.ok) std::fprintf(stderr, "labelled triangle failed\n");
  return ms;
}

// Milliseconds to insert one plain path and generate the content of the page freshly loaded
// from `path`: what every edit of that page pays.
double TimePlainEdit(const std::string& path) {
  Show(path);
  FPDF_PAGE page = g_session.currentPage;
  auto start = BenchClock::now();
  FPDF_PAGEOBJECT line = g_engine.FPDFPageObj_CreateNewPath(100, 100);
  g_engine.FPDFPath_LineTo(line, 200, 150);
  g_engine.FPDFPath_SetDrawMode(line, 0, 1);
  g_engine.FPDFPage_InsertObject(page, line);
  bool generated = g_engine.FPDFPage_GenerateContent(page) != 0;
  double ms = MillisecondsSince(start);
  if (!generated) std::fprintf(stderr, "content generation failed\n");
  return ms;
}

size_t FileSize(const std::string& path) { return size_t(std::filesystem::file_size(path)); }

// Bytes a saved copy of the plain page grows by when one labelled triangle is drawn on it,
// and (for scale) when the label font's whole file is embedded instead of its subset.
void ReportLabelledCopySize(const std::string& folder) {
  std::string plain = folder + "/plain.pdf";
  NewBlankDocument();
  Save(plain);
  TimeOneTriangle(plain);
  Save(folder + "/labelled.pdf");
  NewBlankDocument();
  auto whole = ReadWholeFile(FontFolder() + u"/" + Utf8ToUtf16(FontTable()[0].fileName));
  if (whole) {
    g_engine.FPDFText_LoadFont(g_session.document, reinterpret_cast<const uint8_t*>(whole->data()),
                               uint32_t(whole->size()), 2, 1);
  }
  Save(folder + "/whole-font.pdf");
  double added = double(FileSize(folder + "/labelled.pdf")) - double(FileSize(plain));
  std::printf("BENCH labelled_triangle_copy_growth ratio=%.2f target=1 (plain copy %zu bytes, with one labelled "
              "triangle %zu bytes, %.1f KB added against 64 KB; the whole font file would add %.1f KB)\n",
              added / 65536, FileSize(plain), FileSize(folder + "/labelled.pdf"), added / 1024,
              (double(FileSize(folder + "/whole-font.pdf")) - double(FileSize(plain))) / 1024);
}

}  // namespace

int main() {
  std::optional<std::string> work = StartEngineBench();
  if (!work) return 1;
  const std::string& folder = *work;

  NewBlankDocument();
  Save(folder + "/empty.pdf");
  // 500 labelled triangles are 2,000 page objects; 2,000 labelled triangles are 8,000.
  for (int triangles : {500, 2000}) {
    Show(folder + "/empty.pdf");
    AddTriangles(triangles);
    std::string full = folder + "/full-" + std::to_string(triangles) + ".pdf";
    Save(full);
    // Paired rounds, the order inside a pair alternating: both halves meet about the same load.
    std::vector<double> crowdedTimes, emptyTimes, plainTimes, nextTimes, nextPlainTimes;
    for (int round = 0; round < 9; ++round) {
      if (round % 2 == 0) {
        crowdedTimes.push_back(TimeOneTriangle(full));
        emptyTimes.push_back(TimeOneTriangle(folder + "/empty.pdf"));
      } else {
        emptyTimes.push_back(TimeOneTriangle(folder + "/empty.pdf"));
        crowdedTimes.push_back(TimeOneTriangle(full));
      }
      plainTimes.push_back(TimePlainEdit(full));
      nextTimes.push_back(TimeNextTriangle(full));
      nextPlainTimes.push_back(TimePlainEdit(full));
    }
    std::printf("BENCH label_triangle_on_%d_page_objects ratio=%.2f target=4 (%d labelled triangles: labelled "
                "triangle %.3f ms, the same on an empty page %.3f ms, medians of 9 pairs; one plain path and "
                "content generation on the crowded page %.3f ms)\n",
                triangles * 4, MedianPairedRatio(crowdedTimes, emptyTimes), triangles, Median(crowdedTimes),
                Median(emptyTimes), Median(plainTimes));
    std::printf("BENCH label_triangle_on_%d_page_objects_vs_floor ratio=%.2f target=3 (the next labelled triangle "
                "%.3f ms against one plain path and content generation on the same crowded page %.3f ms, medians of "
                "9 pairs; the first after opening the page rewrites every label: %.3f ms)\n",
                triangles * 4, MedianPairedRatio(nextTimes, nextPlainTimes), Median(nextTimes),
                Median(nextPlainTimes), Median(crowdedTimes));
  }
  ReportLabelledCopySize(folder);
  CloseSessionDocument();
  DiscardHistory();
  UnloadPdfEngine();
  std::filesystem::remove_all(folder);
  return 0;
}

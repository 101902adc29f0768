#include "drawing/drawing_test.h"

#include <cmath>

#include "content/font_table.h"
#include "document/cvn_container.h"
#include "document/open_document.h"
#include "document/save_copy.h"
#include "platform/file_system.h"
#include "document/session.h"
#include "drawing/find_remove.h"
#include "editing/selection.h"
#include "engine/engine_table.h"
#include "platform/text_encoding.h"
#include "view/page_view.h"
#include "view/tool_state.h"

void DrawingTest::SetUp() {
  DocumentTest::SetUp();
  g_view = PageView{};
  g_layout = WindowLayout{};
  g_tool = ToolState{};
  ClearDrawnSelection();
}

void DrawingTest::TearDown() {
  DestroyRenderCache();
  DocumentTest::TearDown();
}

void DrawingTest::ShowPage(float width, float height, int rotation) {
  WriteTestPdf(WorkPath("page.pdf"), {{width, height, rotation, 0}});
  OpenOrFail(WorkPath("page.pdf"));
  g_view.fitMode = FitMode::FitPage;
  g_view.zoom = 1.0f;
  InvalidateRender(false);
  Render();
  ASSERT_TRUE(EnsureDefaultFont()) << RecordedBoxesText();
}

void DrawingTest::ShowHandMadePage(const std::string& entries) {
  g_session.modified = false;  // whatever was drawn on the previous page is let go unasked
  WriteHandMadePdf(WorkPath("page.pdf"), entries);
  OpenOrFail(WorkPath("page.pdf"));
  g_view.fitMode = FitMode::FitPage;
  g_view.zoom = 1.0f;
  InvalidateRender(false);
  Render();
  ASSERT_TRUE(EnsureDefaultFont()) << RecordedBoxesText();
}

void DrawingTest::RenderAgain() {
  ASSERT_TRUE(g_engine.FPDFPage_GenerateContent(g_session.currentPage));
  InvalidateRender(true);
  Render();
}

int DrawingTest::GreenAt(ScreenPoint p) const {
  int x = p.x - g_view.pageRect.left, y = p.y - g_view.pageRect.top;
  if (x < 0 || y < 0 || x >= g_view.bitmapWidth || y >= g_view.bitmapHeight) return -1;
  return g_view.pixels[(size_t(y) * size_t(g_view.bitmapWidth) + size_t(x)) * 4 + 1];
}

std::vector<PageCase> TurnedAndCroppedPages() {
  std::vector<PageCase> cases;
  for (int rotation = 0; rotation < 4; ++rotation) {
    std::string turn = " /Rotate " + std::to_string(rotation * 90);
    static const char* plainNames[] = {"A4 /Rotate 0", "A4 /Rotate 90", "A4 /Rotate 180", "A4 /Rotate 270"};
    static const char* croppedNames[] = {"cropped /Rotate 0", "cropped /Rotate 90", "cropped /Rotate 180",
                                         "cropped /Rotate 270"};
    cases.push_back({plainNames[rotation], "/MediaBox [0 0 595 842]" + turn});
    cases.push_back({croppedNames[rotation], kCroppedBoxes + turn});
  }
  return cases;
}

ScreenPoint DrawingTest::Screen(float x, float y) const {
  float sx, sy;
  PageToScreen(x, y, sx, sy);
  return {int(std::lround(sx)), int(std::lround(sy))};
}

std::vector<FPDF_PAGEOBJECT> DrawingTest::Objects() const {
  std::vector<FPDF_PAGEOBJECT> objects;
  int count = g_engine.FPDFPage_CountObjects(g_session.currentPage);
  for (int i = 0; i < count; ++i) objects.push_back(g_engine.FPDFPage_GetObject(g_session.currentPage, i));
  return objects;
}

std::u16string DrawingTest::TextOf(FPDF_PAGEOBJECT text) const {
  FPDF_TEXTPAGE textPage = g_engine.FPDFText_LoadPage(g_session.currentPage);
  unsigned long bytes = g_engine.FPDFTextObj_GetText(text, textPage, nullptr, 0);
  std::u16string result(bytes / 2, u'\0');
  g_engine.FPDFTextObj_GetText(text, textPage, reinterpret_cast<FPDF_WCHAR*>(result.data()), bytes);
  g_engine.FPDFText_ClosePage(textPage);
  // The text page may add a separating space after an object's own text.
  while (!result.empty() && (result.back() == u'\0' || result.back() == u' ')) result.pop_back();
  return result;
}

std::vector<std::u16string> DrawingTest::LabelTexts(const std::string& markName, MarkKind kind) const {
  std::vector<std::u16string> texts;
  for (FPDF_PAGEOBJECT label : LabelsOfShape(g_session.currentPage, nullptr, g_engine, kind, markName)) {
    texts.push_back(TextOf(label));
  }
  return texts;
}

FPDF_PAGEOBJECT DrawingTest::AddLine(PagePoint a, PagePoint b) {
  FPDF_PAGEOBJECT path = g_engine.FPDFPageObj_CreateNewPath(a.x, a.y);
  g_engine.FPDFPath_LineTo(path, b.x, b.y);
  g_engine.FPDFPageObj_SetStrokeColor(path, 0, 0, 0, 255);
  g_engine.FPDFPageObj_SetStrokeWidth(path, 2);
  g_engine.FPDFPath_SetDrawMode(path, 0, 1);
  g_engine.FPDFPage_InsertObject(g_session.currentPage, path);
  return path;
}

void DrawingTest::SaveAndReopen(const std::string& name) {
  g_script.dialogAnswers = {WorkPath16(name)};
  bool saved = LowerExtension(WorkPath16(name)) == u".cvn" ? SaveAsCvn() : SavePdfCopy(u"_annotated.pdf", u"");
  ASSERT_TRUE(saved) << RecordedBoxesText();
  OpenOrFail(WorkPath(name));
  InvalidateRender(false);
  Render();
}

int SegmentCount(FPDF_PAGEOBJECT path) { return g_engine.FPDFPath_CountSegments(path); }

bool LastSegmentCloses(FPDF_PAGEOBJECT path) {
  return g_engine.FPDFPathSegment_GetClose(g_engine.FPDFPath_GetPathSegment(path, SegmentCount(path) - 1)) != 0;
}

#include "content/ocr_layer.h"

#include <cmath>

#include "drawing/marks.h"
#include "engine/engine_handles.h"
#include "engine/engine_table.h"
#include "engine/page_box.h"

namespace {

constexpr int kTextObject = 1;
constexpr int kFormObject = 5;
constexpr int kInvisible = 3;

bool IsLayerObject(FPDF_PAGEOBJECT object) {
  return g_engine.FPDFPageObj_GetType(object) == kTextObject && HasMarkNamed(object, g_engine, kOcrLayerMark);
}

bool FormHasText(FPDF_PAGEOBJECT form, int depth) {
  if (depth > 8 || g_engine.FPDFFormObj_CountObjects == nullptr || g_engine.FPDFFormObj_GetObject == nullptr) {
    return false;
  }
  int count = g_engine.FPDFFormObj_CountObjects(form);
  for (int i = 0; i < count; ++i) {
    FPDF_PAGEOBJECT object = g_engine.FPDFFormObj_GetObject(form, static_cast<unsigned long>(i));
    int type = object != nullptr ? g_engine.FPDFPageObj_GetType(object) : 0;
    if (type == kTextObject || (type == kFormObject && FormHasText(object, depth + 1))) return true;
  }
  return false;
}

// The displayed-space matrix that lays the object's measured box [l, b, r, t] onto the run's box.
bool FitMatrix(const OcrLayerRun& run, float l, float b, float r, float t, FS_MATRIX& m) {
  float width = run.right - run.left, height = run.top - run.bottom;
  if (!(r - l > 0.01f) || !(t - b > 0.01f) || !(width > 0) || !(height > 0)) return false;
  float sx = width / (r - l), sy = height / (t - b);
  if (!std::isfinite(sx) || !std::isfinite(sy) || sx < 0.02f || sx > 50 || sy < 0.02f || sy > 50) return false;
  m = {sx, 0, 0, sy, run.left - l * sx, run.bottom - b * sy};
  return true;
}

}  // namespace

bool CanWriteOcrLayer() {
  const PdfEngine& e = g_engine;
  return e.FPDFPageObj_CreateTextObj && e.FPDFText_SetText && e.FPDFTextObj_SetTextRenderMode && e.FPDFPageObj_AddMark &&
         e.FPDFPageObj_GetBounds && e.FPDFPageObj_Transform && e.FPDFPage_InsertObject && e.FPDFPage_CountObjects &&
         e.FPDFPage_GetObject && e.FPDFPage_RemoveObject && e.FPDFPageObj_CountMarks && e.FPDFPageObj_GetMark &&
         e.FPDFPageObjMark_GetName && e.FPDFPage_GenerateContent && e.FPDFText_LoadFont && e.FPDFPage_GetRotation;
}

bool HasOwnText(FPDF_PAGE page) {
  int count = g_engine.FPDFPage_CountObjects(page);
  for (int i = 0; i < count; ++i) {
    FPDF_PAGEOBJECT object = g_engine.FPDFPage_GetObject(page, i);
    if (object == nullptr) continue;
    int type = g_engine.FPDFPageObj_GetType(object);
    if (type == kTextObject && !IsLayerObject(object)) return true;
    if (type == kFormObject && FormHasText(object, 0)) return true;
  }
  return false;
}

bool HasOcrLayer(FPDF_PAGE page) {
  int count = g_engine.FPDFPage_CountObjects(page);
  for (int i = 0; i < count; ++i) {
    FPDF_PAGEOBJECT object = g_engine.FPDFPage_GetObject(page, i);
    if (object != nullptr && IsLayerObject(object)) return true;
  }
  return false;
}

bool RemoveOcrLayer(FPDF_PAGE page) {
  bool removedAll = true;
  for (int i = g_engine.FPDFPage_CountObjects(page) - 1; i >= 0; --i) {
    FPDF_PAGEOBJECT object = g_engine.FPDFPage_GetObject(page, i);
    if (object == nullptr || !IsLayerObject(object)) continue;
    if (g_engine.FPDFPage_RemoveObject(page, object)) {
      g_engine.FPDFPageObj_Destroy(object);
    } else {
      removedAll = false;
    }
  }
  return removedAll;
}

int AddOcrLayer(FPDF_DOCUMENT document, FPDF_PAGE page, const PageFrame& frame, const std::vector<OcrLayerRun>& runs) {
  FS_MATRIX upright = UprightMatrix(frame, 0, 0);
  int placed = 0;
  for (const OcrLayerRun& run : runs) {
    if (run.font == nullptr || run.text.empty()) continue;
    float height = run.top - run.bottom;
    if (!(height > 0.1f) || height > 5000) continue;
    ScopedPageObject text(g_engine.FPDFPageObj_CreateTextObj(document, run.font, height));
    if (text == nullptr) return -1;
    std::u16string terminated = run.text + u'\0';
    if (!g_engine.FPDFText_SetText(text.get(), reinterpret_cast<FPDF_WIDESTRING>(terminated.c_str())) ||
        !g_engine.FPDFTextObj_SetTextRenderMode(text.get(), kInvisible) ||
        g_engine.FPDFPageObj_AddMark(text.get(), kOcrLayerMark) == nullptr) {
      return -1;
    }
    float l = 0, b = 0, r = 0, t = 0;
    FS_MATRIX fit{};
    if (!g_engine.FPDFPageObj_GetBounds(text.get(), &l, &b, &r, &t) || !FitMatrix(run, l, b, r, t, fit)) continue;
    g_engine.FPDFPageObj_Transform(text.get(), fit.a, fit.b, fit.c, fit.d, fit.e, fit.f);
    g_engine.FPDFPageObj_Transform(text.get(), upright.a, upright.b, upright.c, upright.d, upright.e, upright.f);
    g_engine.FPDFPage_InsertObject(page, text.release());  // the page owns it from here
    ++placed;
  }
  return placed;
}

PageFrame DisplayedFrameOf(FPDF_PAGE page) {
  PageBox box = DisplayedPageBox(page);
  int rotation = g_engine.FPDFPage_GetRotation(page);
  return {box.left, box.bottom, box.right - box.left, box.top - box.bottom, rotation >= 0 && rotation <= 3 ? rotation : 0};
}

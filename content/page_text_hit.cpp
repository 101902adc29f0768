#include "content/page_text_hit.h"

#include "engine/engine_table.h"

FPDF_PAGEOBJECT TopmostTextObjectAt(FPDF_PAGE page, float x, float y) {
  if (page == nullptr || g_engine.FPDFPageObj_GetBounds == nullptr) return nullptr;
  for (int i = g_engine.FPDFPage_CountObjects(page) - 1; i >= 0; --i) {
    FPDF_PAGEOBJECT object = g_engine.FPDFPage_GetObject(page, i);
    if (object == nullptr || g_engine.FPDFPageObj_GetType(object) != kPageObjText) continue;
    float left = 0, bottom = 0, right = 0, top = 0;
    if (!g_engine.FPDFPageObj_GetBounds(object, &left, &bottom, &right, &top)) continue;
    if (x >= left && x <= right && y >= bottom && y <= top) return object;
  }
  return nullptr;
}

#include "drawing/find_remove.h"

bool IsCoordinateSystem(FPDF_PAGEOBJECT object, const PdfOps& ops) { return FindCoordinateSystem(object, ops) != 0; }

std::optional<std::string> MarkedShapeName(FPDF_PAGEOBJECT object, const PdfOps& ops, MarkKind kind) {
  if (object == nullptr || ops.FPDFPageObj_GetType == nullptr || ops.FPDFPageObj_GetType(object) != kPageObjPath) {
    return std::nullopt;
  }
  return FindMark(object, ops, kind);
}

std::vector<FPDF_PAGEOBJECT> LabelsOfShape(FPDF_PAGE page, FPDF_PAGEOBJECT shape, const PdfOps& ops, MarkKind kind,
                                           const std::string& markName) {
  std::vector<FPDF_PAGEOBJECT> labels;
  if (markName.empty() || page == nullptr || ops.FPDFPage_CountObjects == nullptr || ops.FPDFPage_GetObject == nullptr ||
      ops.FPDFPageObj_GetType == nullptr) {
    return labels;
  }
  int count = ops.FPDFPage_CountObjects(page);
  for (int i = 0; i < count; ++i) {
    FPDF_PAGEOBJECT object = ops.FPDFPage_GetObject(page, i);
    if (object == nullptr || object == shape || ops.FPDFPageObj_GetType(object) != kPageObjText) continue;
    auto name = FindMark(object, ops, kind);
    if (name && *name == markName) labels.push_back(object);
  }
  return labels;
}

bool RemoveObjects(FPDF_PAGE page, const std::vector<FPDF_PAGEOBJECT>& objects, const PdfOps& ops) {
  if (ops.FPDFPage_RemoveObject == nullptr || ops.FPDFPageObj_Destroy == nullptr) return objects.empty();
  bool all = true;
  for (FPDF_PAGEOBJECT object : objects) {
    if (object != nullptr && ops.FPDFPage_RemoveObject(page, object)) {
      ops.FPDFPageObj_Destroy(object);
    } else {
      all = false;
    }
  }
  return all;
}

bool InsertChecked(FPDF_PAGE page, FPDF_PAGEOBJECT object, const PdfOps& ops) {
  if (!ops.FPDFPage_CountObjects || !ops.FPDFPage_GetObject || !ops.FPDFPage_InsertObject) return false;
  int before = ops.FPDFPage_CountObjects(page);
  if (before < 0) return false;
  ops.FPDFPage_InsertObject(page, object);  // the page owns the object from here on, even on failure
  int after = ops.FPDFPage_CountObjects(page);
  return after == before + 1 && ops.FPDFPage_GetObject(page, after - 1) == object;
}

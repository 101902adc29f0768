#include "content/shared_pictures.h"

#include <optional>

#include "engine/engine_handles.h"

namespace {

std::optional<std::vector<uint8_t>> RawData(const PdfOps& ops, FPDF_PAGEOBJECT image) {
  const unsigned long size = ops.FPDFImageObj_GetImageDataRaw(image, nullptr, 0);
  if (size == 0) return std::nullopt;
  std::vector<uint8_t> bytes(size);
  if (ops.FPDFImageObj_GetImageDataRaw(image, bytes.data(), size) != size) return std::nullopt;
  return bytes;
}

// Another page's image draws the changed picture when it reads the very same data: the
// engine hands every page drawing one stream the same picture in memory.
bool DrawsOneOf(const PdfOps& ops, FPDF_PAGEOBJECT image, const std::vector<std::vector<uint8_t>>& pictures) {
  const unsigned long size = ops.FPDFImageObj_GetImageDataRaw(image, nullptr, 0);
  bool sameSize = false;
  for (const auto& picture : pictures) sameSize |= picture.size() == size;
  if (!sameSize) return false;
  std::optional<std::vector<uint8_t>> bytes = RawData(ops, image);
  if (!bytes) return false;
  for (const auto& picture : pictures) {
    if (picture == *bytes) return true;
  }
  return false;
}

// Marks the page's images that draw one of the pictures as changed (setting their own matrix
// again), so that generating the page writes their references anew; true when any did.
bool MarkSharingImages(const PdfOps& ops, FPDF_PAGE page, const std::vector<std::vector<uint8_t>>& pictures) {
  bool any = false;
  const int count = ops.FPDFPage_CountObjects(page);
  for (int i = 0; i < count; ++i) {
    FPDF_PAGEOBJECT object = ops.FPDFPage_GetObject(page, i);
    if (object == nullptr || ops.FPDFPageObj_GetType(object) != kPageObjImage || !DrawsOneOf(ops, object, pictures)) {
      continue;
    }
    FS_MATRIX m{};
    if (ops.FPDFPageObj_GetMatrix(object, &m) && ops.FPDFImageObj_SetMatrix(object, m.a, m.b, m.c, m.d, m.e, m.f)) {
      any = true;
    }
  }
  return any;
}

}  // namespace

bool RegeneratePagesSharing(const PdfOps& ops, FPDF_DOCUMENT document, int currentIndex,
                            const std::vector<FPDF_PAGEOBJECT>& changed) {
  if (changed.empty()) return true;
  if (!ops.FPDF_GetPageCount || !ops.FPDF_LoadPage || !ops.FPDF_ClosePage || !ops.FPDFPage_GenerateContent ||
      !ops.FPDFImageObj_GetImageDataRaw || !ops.FPDFPageObj_GetMatrix || !ops.FPDFImageObj_SetMatrix) {
    return false;
  }
  std::vector<std::vector<uint8_t>> pictures;
  for (FPDF_PAGEOBJECT image : changed) {
    if (auto bytes = RawData(ops, image)) pictures.push_back(std::move(*bytes));
  }
  if (pictures.empty()) return true;
  bool allWritten = true;
  const int pageCount = ops.FPDF_GetPageCount(document);
  for (int index = 0; index < pageCount; ++index) {
    if (index == currentIndex) continue;
    ScopedPage page(ops.FPDF_LoadPage(document, index));
    if (page == nullptr) {
      allWritten = false;
      continue;
    }
    if (MarkSharingImages(ops, page.get(), pictures) && !ops.FPDFPage_GenerateContent(page.get())) allWritten = false;
  }
  return allWritten;
}

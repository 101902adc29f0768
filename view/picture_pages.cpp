#include "view/picture_pages.h"

#include "document/session.h"
#include "engine/engine_table.h"

namespace {

// Read once per document: whether its file is free of the names that would make a picture
// differ. The editor's own documents hold only pictures it stored itself, without them. Pages
// merged in from another file were not read: a changed page count ends the fast path.
bool DocumentAllowsScanPictures() {
  static uint64_t checked = 0;
  static int pageCount = 0;
  static bool allowed = false;
  if (checked == DocumentSerial()) return allowed && pageCount == g_session.pageCount;
  checked = DocumentSerial();
  pageCount = g_session.pageCount;
  if (!g_session.basePdf.empty()) {
    std::optional<bool> surprises = FileNamesImageSurprises(g_session.basePdf);
    allowed = surprises && !*surprises;
  } else {
    allowed = g_session.createdInMemory;
  }
  return allowed;
}

}  // namespace

std::optional<PicturePage> ScanPictureOf(FPDF_PAGE page) {
  FPDF_PAGEOBJECT image = OnlyPicture(g_engine, page);
  if (image == nullptr || !DocumentAllowsScanPictures()) return std::nullopt;
  return ReadPicturePage(g_engine, page, image);
}

bool RenderScanPage(FPDF_PAGE page, int width, int height, FPDF_DWORD fill, uint8_t* out) {
  std::optional<PicturePage> picture = ScanPictureOf(page);
  return picture && ComposePicturePage(*picture, width, height, fill, out);
}

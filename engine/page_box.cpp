#include "engine/page_box.h"

#include <algorithm>
#include <optional>

#include "engine/engine_loader.h"

namespace {

using GetBoxFunction = FPDF_BOOL (*)(FPDF_PAGE, float*, float*, float*, float*);

// The box readers of the loaded library, resolved once per loaded module.
struct BoxReaders {
  void* module = nullptr;
  GetBoxFunction media = nullptr, crop = nullptr;
};

const BoxReaders& CurrentBoxReaders() {
  static BoxReaders readers;
  if (readers.module != PdfEngineModule()) {
    readers.module = PdfEngineModule();
    readers.media = reinterpret_cast<GetBoxFunction>(ResolveEngineSymbol("FPDFPage_GetMediaBox"));
    readers.crop = reinterpret_cast<GetBoxFunction>(ResolveEngineSymbol("FPDFPage_GetCropBox"));
  }
  return readers;
}

std::optional<PageBox> ReadBox(FPDF_PAGE page, GetBoxFunction get) {
  PageBox b{};
  if (get == nullptr || !get(page, &b.left, &b.bottom, &b.right, &b.top)) return std::nullopt;
  if (b.left > b.right) std::swap(b.left, b.right);
  if (b.bottom > b.top) std::swap(b.bottom, b.top);
  if (!(b.right > b.left) || !(b.top > b.bottom)) return std::nullopt;
  return b;
}

}  // namespace

PageBox DisplayedPageBox(FPDF_PAGE page) {
  const BoxReaders& readers = CurrentBoxReaders();
  PageBox media = ReadBox(page, readers.media).value_or(PageBox{0, 0, 612, 792});
  auto crop = ReadBox(page, readers.crop);
  if (!crop) return media;
  PageBox shown{std::max(crop->left, media.left), std::max(crop->bottom, media.bottom),
                std::min(crop->right, media.right), std::min(crop->top, media.top)};
  if (!(shown.right > shown.left) || !(shown.top > shown.bottom)) return media;
  return shown;
}

FS_MATRIX UprightMatrix(const PageFrame& frame, float dx, float dy) {
  Affine m = UprightTransform(frame, dx, dy);
  return {m.a, m.b, m.c, m.d, m.e, m.f};
}

#include "content/force_erase.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

#include "content/image_file.h"
#include "content/image_pixels.h"
#include "content/jpeg_splice.h"
#include "content/stroke_cover.h"
#include "engine/engine_handles.h"
#include "platform/platform_seam.h"

namespace {

constexpr uint32_t kMaxImageSide = 32767;

bool Finite(ScreenVec a) { return std::isfinite(a.x) && std::isfinite(a.y); }

enum class Outcome { NotUnderStroke, Unchanged, Modified, Skipped, Stop };

ScreenVec Screen(const ScreenMapping& screen, double px, double py) {
  float x = 0, y = 0;
  MapToScreen(screen, float(px), float(py), x, y);
  return {x, y};
}

bool MapPicture(const FS_MATRIX& m, const ScreenMapping& screen, ScreenPicture& picture) {
  // Unit point (s, t) lies at page point (a·s + c·t + e, b·s + d·t + f).
  ScreenVec o = Screen(screen, double(m.c) + m.e, double(m.d) + m.f);
  ScreenVec p1 = Screen(screen, double(m.a) + m.c + m.e, double(m.b) + m.d + m.f);
  ScreenVec p2 = Screen(screen, m.e, m.f);
  picture.origin = o;
  picture.along = p1 - o;
  picture.down = p2 - o;
  picture.det = picture.down.y * picture.along.x - picture.down.x * picture.along.y;
  if (!Finite(o) || !Finite(p1) || !Finite(p2) || !std::isfinite(picture.det) || std::fabs(picture.det) < 1e-8) return false;
  ScreenVec p3 = p1 + p2 - o;
  picture.left = std::min({o.x, p1.x, p2.x, p3.x});
  picture.right = std::max({o.x, p1.x, p2.x, p3.x});
  picture.top = std::min({o.y, p1.y, p2.y, p3.y});
  picture.bottom = std::max({o.y, p1.y, p2.y, p3.y});
  return true;
}

bool StrokeTouches(const ScreenPicture& picture, const std::vector<ScreenPoint>& stroke, double radius) {
  for (size_t k = 0; k < stroke.size(); ++k) {
    ScreenPoint a = stroke[k == 0 ? 0 : k - 1], b = stroke[k];
    if (std::min(a.x, b.x) - radius <= picture.right && std::max(a.x, b.x) + radius >= picture.left &&
        std::min(a.y, b.y) - radius <= picture.bottom && std::max(a.y, b.y) + radius >= picture.top) {
      return true;
    }
  }
  return false;
}

// A JPEG scan stays a JPEG: written back as pixels it would be saved several times larger
// (a 1.3 MB A4 scan became 7.1 MB after one stroke). Only the blocks the stroke changed are
// encoded again, so the rest of the scan keeps its colours exactly; a JPEG that cannot be
// spliced (CMYK, say) is encoded anew. False when no encoder is at hand or the engine refused
// the stream; the caller then writes the pixels.
bool WriteAsJpeg(const PdfOps& ops, FPDF_PAGE* pages, FPDF_PAGEOBJECT image, const uint8_t* buffer, int stride, int w,
                 int h, bool grey, const ChangedCells& changed) {
  std::vector<uint8_t> jpeg = SpliceJpegBlocks(JpegStreamOf(ops, image), buffer, size_t(stride), w, h, changed);
  if (jpeg.empty() && g_platform.encodeJpeg != nullptr) jpeg = g_platform.encodeJpeg(buffer, w, h, stride, grey);
  return !jpeg.empty() && jpeg.size() <= kMaxImageBytes && LoadJpegBytes(ops, pages, 1, image, jpeg);
}

// The picture's pixels to paint: the kept ones when they are this image's, otherwise its
// render at its own size, checked to be opaque.
struct PicturePixels {
  Outcome failed = Outcome::Modified;  // Skipped or Stop when there are none
  ScopedBitmap bitmap;                 // the render, when it made them
  uint8_t* buffer = nullptr;
  int stride = 0;
  bool reused = false;
};

bool Holds(const ErasedPicture* kept, FPDF_DOCUMENT document, FPDF_PAGE page, FPDF_PAGEOBJECT image, int index,
           uint32_t w, uint32_t h) {
  return kept != nullptr && kept->document == document && kept->page == page && kept->image == image &&
         kept->objectIndex == index && kept->width == w && kept->height == h &&
         kept->pixels.size() == size_t(w) * h * 4;
}

PicturePixels PixelsToPaint(const PdfOps& ops, FPDF_DOCUMENT document, FPDF_PAGE page, FPDF_PAGEOBJECT image,
                            int index, const FS_MATRIX& m, uint32_t w, uint32_t h, ErasedPicture* kept) {
  PicturePixels pixels;
  if (Holds(kept, document, page, image, index, w, h)) {
    pixels.buffer = kept->pixels.data();
    pixels.stride = int(w) * 4;
    pixels.reused = true;
    return pixels;
  }
  OwnSizeRender render = RenderImageAtOwnSize(ops, document, page, image, m, w, h);
  ScopedBitmap bitmap(render.bitmap);
  if (!render.matrixRestored || bitmap == nullptr) {
    pixels.failed = render.matrixRestored ? Outcome::Skipped : Outcome::Stop;
    return pixels;
  }
  // A soft mask or colour-key mask shows as alpha: white paint would not show through it, and
  // the engine's transparency test does not see image masks.
  if (render.format != kBitmapBgra || !FullyOpaque(render.buffer, size_t(render.stride), int(w), int(h))) {
    pixels.failed = Outcome::Skipped;
    return pixels;
  }
  pixels.bitmap = std::move(bitmap);
  pixels.buffer = render.buffer;
  pixels.stride = render.stride;
  return pixels;
}

void Keep(ErasedPicture& kept, FPDF_DOCUMENT document, FPDF_PAGE page, FPDF_PAGEOBJECT image, int index, uint32_t w,
          uint32_t h, const uint8_t* buffer, int stride) {
  kept = ErasedPicture{document, page, image, index, w, h, {}};
  const size_t row = size_t(w) * 4;
  kept.pixels.reserve(row * h);
  for (uint32_t y = 0; y < h; ++y) {
    const uint8_t* from = buffer + size_t(stride) * y;
    kept.pixels.insert(kept.pixels.end(), from, from + row);
  }
}

// The painted pixels written back into the image.
Outcome WriteBack(const PdfOps& ops, FPDF_PAGE page, FPDF_PAGEOBJECT image, uint8_t* buffer, int stride, uint32_t w,
                  uint32_t h, bool grey, const ChangedCells& changed) {
  FPDF_PAGE pages[] = {page};
  if (StoredAsJpeg(ops, image) && WriteAsJpeg(ops, pages, image, buffer, stride, int(w), int(h), grey, changed)) {
    return Outcome::Modified;
  }
  // Written as opaque BGRx over the same pixels: the image gains no soft mask of 255s.
  ScopedBitmap opaque(ops.FPDFBitmap_CreateEx(int(w), int(h), kBitmapBgrx, buffer, stride));
  if (opaque == nullptr) return Outcome::Skipped;
  return ops.FPDFImageObj_SetBitmap(pages, 1, image, opaque.get()) ? Outcome::Modified : Outcome::Stop;
}

Outcome EraseImage(const PdfOps& ops, FPDF_DOCUMENT document, FPDF_PAGE page, FPDF_PAGEOBJECT image, int index,
                   const std::vector<ScreenPoint>& stroke, double radius, const ScreenMapping& screen,
                   ErasedPicture* kept) {
  FS_MATRIX m{};
  if (!ops.FPDFPageObj_GetMatrix(image, &m)) return Outcome::Skipped;
  ScreenPicture picture;
  if (!MapPicture(m, screen, picture)) return Outcome::Skipped;
  if (!StrokeTouches(picture, stroke, radius)) return Outcome::NotUnderStroke;

  if (ops.FPDFClipPath_CountPaths(ops.FPDFPageObj_GetClipPath(image)) >= 1) return Outcome::Skipped;
  if (ops.FPDFPageObj_HasTransparency(image)) return Outcome::Skipped;
  FPDF_IMAGEOBJ_METADATA metadata{};
  if (!ops.FPDFImageObj_GetImageMetadata(image, page, &metadata)) return Outcome::Skipped;
  const uint32_t w = metadata.width, h = metadata.height;
  if (w < 1 || h < 1 || w > kMaxImageSide || h > kMaxImageSide || 4ull * w * h > kMaxImageBytes) return Outcome::Skipped;

  PicturePixels pixels = PixelsToPaint(ops, document, page, image, index, m, w, h, kept);
  if (pixels.buffer == nullptr) return pixels.failed;
  ChangedCells changed{int(w), int(h)};
  Outcome outcome = Outcome::Unchanged;
  if (PaintStroke(pixels.buffer, size_t(pixels.stride), int(w), int(h), picture, stroke,
                  StrokeReach(picture, int(w), int(h), radius), &changed)) {
    outcome = WriteBack(ops, page, image, pixels.buffer, pixels.stride, w, h,
                        metadata.colorspace == kColourSpaceDeviceGrey, changed);
    if (outcome == Outcome::Modified && kept != nullptr && !pixels.reused) {
      Keep(*kept, document, page, image, index, w, h, pixels.buffer, pixels.stride);
    } else if (outcome != Outcome::Modified && pixels.reused) {
      *kept = ErasedPicture{};  // painted, but the image no longer holds these pixels
    }
  }
  return outcome;
}

}  // namespace

bool HasForceEraseEntries(const PdfOps& ops) {
  return ops.FPDFPage_CountObjects && ops.FPDFPage_GetObject && ops.FPDFPageObj_GetType && ops.FPDFPageObj_GetMatrix &&
         ops.FPDFPageObj_GetClipPath && ops.FPDFClipPath_CountPaths && ops.FPDFPageObj_HasTransparency &&
         ops.FPDFImageObj_SetMatrix && ops.FPDFImageObj_GetImageMetadata && ops.FPDFImageObj_GetRenderedBitmap &&
         ops.FPDFImageObj_SetBitmap && ops.FPDFBitmap_GetWidth && ops.FPDFBitmap_GetHeight && ops.FPDFBitmap_GetFormat &&
         ops.FPDFBitmap_GetBuffer && ops.FPDFBitmap_GetStride && ops.FPDFBitmap_Destroy && ops.FPDFBitmap_CreateEx;
}

ForceEraseResult ForceEraseImages(const PdfOps& ops, FPDF_DOCUMENT document, FPDF_PAGE page,
                                  const std::vector<ScreenPoint>& stroke, double radius, const ScreenMapping& screen,
                                  ErasedPicture* kept) {
  ForceEraseResult result;
  if (document == nullptr || page == nullptr || stroke.empty() || !std::isfinite(radius) || !(radius > 0) ||
      screen.pageRect.Empty() || !HasForceEraseEntries(ops)) {
    return result;
  }
  const int count = ops.FPDFPage_CountObjects(page);
  if (count < 0) return result;
  result.ran = true;
  for (int i = 0; i < count; ++i) {
    FPDF_PAGEOBJECT object = ops.FPDFPage_GetObject(page, i);
    if (object == nullptr || ops.FPDFPageObj_GetType(object) != kPageObjImage) continue;
    switch (EraseImage(ops, document, page, object, i, stroke, radius, screen, kept)) {
      case Outcome::NotUnderStroke:
      case Outcome::Unchanged:
        break;
      case Outcome::Modified:
        ++result.modified;
        result.modifiedImages.push_back(object);
        break;
      case Outcome::Skipped:
        ++result.skipped;
        break;
      case Outcome::Stop:
        ++result.skipped;
        result.possiblyChanged = true;
        return result;
    }
  }
  return result;
}

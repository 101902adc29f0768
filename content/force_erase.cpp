#include "content/force_erase.h"

#include <algorithm>
#include <cmath>

#include "content/image_pixels.h"

namespace {

constexpr uint64_t kMaxImageBytes = 268435456;
constexpr uint32_t kMaxImageSide = 32767;

struct Vec {
  double x = 0, y = 0;
};
Vec operator-(Vec a, Vec b) { return {a.x - b.x, a.y - b.y}; }
Vec operator+(Vec a, Vec b) { return {a.x + b.x, a.y + b.y}; }
Vec operator*(double k, Vec a) { return {k * a.x, k * a.y}; }
double Dot(Vec a, Vec b) { return a.x * b.x + a.y * b.y; }
double Length(Vec a) { return std::sqrt(Dot(a, a)); }
bool Finite(Vec a) { return std::isfinite(a.x) && std::isfinite(a.y); }

// The picture as seen on screen: pixel row 0 is its top. `origin` is the top-left corner of
// the picture, `along` runs along a pixel row (left to right), `down` down a pixel column.
struct ScreenPicture {
  Vec origin, along, down;
  double det = 0;
  double left = 0, top = 0, right = 0, bottom = 0;  // screen bounding box
  // Pixel coordinates (column, row) of a screen point, before scaling by the pixel size.
  Vec Unit(Vec p) const {
    Vec d = p - origin;
    return {(d.x * down.y - d.y * down.x) / det, (d.y * along.x - d.x * along.y) / det};
  }
};

enum class Outcome { NotUnderStroke, Unchanged, Modified, Skipped, Stop };

Vec Screen(PageToScreenFn toScreen, double px, double py) {
  float x = 0, y = 0;
  toScreen(float(px), float(py), x, y);
  return {x, y};
}

bool MapPicture(const FS_MATRIX& m, PageToScreenFn toScreen, ScreenPicture& picture) {
  // Unit point (s, t) lies at page point (a·s + c·t + e, b·s + d·t + f).
  Vec o = Screen(toScreen, double(m.c) + m.e, double(m.d) + m.f);
  Vec p1 = Screen(toScreen, double(m.a) + m.c + m.e, double(m.b) + m.d + m.f);
  Vec p2 = Screen(toScreen, m.e, m.f);
  picture.origin = o;
  picture.along = p1 - o;
  picture.down = p2 - o;
  picture.det = picture.down.y * picture.along.x - picture.down.x * picture.along.y;
  if (!Finite(o) || !Finite(p1) || !Finite(p2) || !std::isfinite(picture.det) || std::fabs(picture.det) < 1e-8) return false;
  Vec p3 = p1 + p2 - o;
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

bool IsWhite(const uint8_t* p) { return p[0] == 255 && p[1] == 255 && p[2] == 255; }

// Whitens the pixels near the stroke; true when any pixel changed. Only the pixel rectangle
// around each segment, widened by the reach, is visited, and white pixels are passed over.
bool PaintStroke(uint8_t* buffer, size_t stride, int w, int h, const ScreenPicture& picture,
                 const std::vector<ScreenPoint>& stroke, double radius) {
  const double alongLength = Length(picture.along), downLength = Length(picture.down);
  const double reach = radius + (alongLength / w + downLength / h) / 2;
  const double reachSquared = reach * reach;
  const double marginColumns = reach * downLength / std::fabs(picture.det) * w;
  const double marginRows = reach * alongLength / std::fabs(picture.det) * h;
  const Vec columnStep = (1.0 / w) * picture.along, rowStep = (1.0 / h) * picture.down;
  bool changed = false;
  for (size_t k = 0; k < stroke.size(); ++k) {
    const Vec a{double(stroke[k == 0 ? 0 : k - 1].x), double(stroke[k == 0 ? 0 : k - 1].y)};
    const Vec b{double(stroke[k].x), double(stroke[k].y)};
    const Vec ua = picture.Unit(a), ub = picture.Unit(b);
    const double firstColumn = std::max(0.0, std::floor(std::min(ua.x, ub.x) * w - marginColumns));
    const double lastColumn = std::min(double(w - 1), std::ceil(std::max(ua.x, ub.x) * w + marginColumns));
    const double firstRow = std::max(0.0, std::floor(std::min(ua.y, ub.y) * h - marginRows));
    const double lastRow = std::min(double(h - 1), std::ceil(std::max(ua.y, ub.y) * h + marginRows));
    if (!(firstColumn <= lastColumn && firstRow <= lastRow)) continue;
    const Vec ab = b - a;
    const double abSquared = Dot(ab, ab);
    const int c0 = int(firstColumn), c1 = int(lastColumn);
    for (int row = int(firstRow); row <= int(lastRow); ++row) {
      uint8_t* p = buffer + size_t(row) * stride + size_t(c0) * 4;
      // Centre of pixel (c0, row) relative to A; each column adds columnStep.
      Vec centre = (picture.origin + (c0 + 0.5) * columnStep + (row + 0.5) * rowStep) - a;
      for (int column = c0; column <= c1; ++column, p += 4, centre = centre + columnStep) {
        if (IsWhite(p)) continue;
        double t = abSquared > 0 ? std::clamp(Dot(centre, ab) / abSquared, 0.0, 1.0) : 0.0;
        Vec off = centre - t * ab;
        if (Dot(off, off) <= reachSquared) {
          p[0] = p[1] = p[2] = 255;
          changed = true;
        }
      }
    }
  }
  return changed;
}

bool FullyOpaque(const uint8_t* buffer, size_t stride, int w, int h) {
  for (int row = 0; row < h; ++row) {
    const uint8_t* p = buffer + size_t(row) * stride + 3;
    for (int column = 0; column < w; ++column, p += 4) {
      if (*p != 255) return false;
    }
  }
  return true;
}

Outcome EraseImage(const PdfOps& ops, FPDF_DOCUMENT document, FPDF_PAGE page, FPDF_PAGEOBJECT image,
                   const std::vector<ScreenPoint>& stroke, double radius, PageToScreenFn toScreen) {
  FS_MATRIX m{};
  if (!ops.FPDFPageObj_GetMatrix(image, &m)) return Outcome::Skipped;
  ScreenPicture picture;
  if (!MapPicture(m, toScreen, picture)) return Outcome::Skipped;
  if (!StrokeTouches(picture, stroke, radius)) return Outcome::NotUnderStroke;

  if (ops.FPDFClipPath_CountPaths(ops.FPDFPageObj_GetClipPath(image)) >= 1) return Outcome::Skipped;
  if (ops.FPDFPageObj_HasTransparency(image)) return Outcome::Skipped;
  FPDF_IMAGEOBJ_METADATA metadata{};
  if (!ops.FPDFImageObj_GetImageMetadata(image, page, &metadata)) return Outcome::Skipped;
  const uint32_t w = metadata.width, h = metadata.height;
  if (w < 1 || h < 1 || w > kMaxImageSide || h > kMaxImageSide || 4ull * w * h > kMaxImageBytes) return Outcome::Skipped;

  OwnSizeRender render = RenderImageAtOwnSize(ops, document, page, image, m, w, h);
  if (!render.matrixRestored) return Outcome::Stop;
  if (render.bitmap == nullptr) return Outcome::Skipped;
  FPDF_BITMAP bitmap = render.bitmap;
  auto* buffer = static_cast<uint8_t*>(ops.FPDFBitmap_GetBuffer(bitmap));
  const int stride = ops.FPDFBitmap_GetStride(bitmap);
  if (ops.FPDFBitmap_GetWidth(bitmap) != int(w) || ops.FPDFBitmap_GetHeight(bitmap) != int(h) ||
      ops.FPDFBitmap_GetFormat(bitmap) != kBitmapBgra || buffer == nullptr || stride < 0 || uint64_t(stride) < 4ull * w ||
      uint64_t(stride) * h > kMaxImageBytes ||
      // A soft mask or colour-key mask shows as alpha: white paint would not show through it,
      // and the engine's transparency test does not see image masks.
      !FullyOpaque(buffer, size_t(stride), int(w), int(h))) {
    ops.FPDFBitmap_Destroy(bitmap);
    return Outcome::Skipped;
  }
  if (!PaintStroke(buffer, size_t(stride), int(w), int(h), picture, stroke, radius)) {
    ops.FPDFBitmap_Destroy(bitmap);
    return Outcome::Unchanged;
  }
  // Written as opaque BGRx over the same pixels: the image gains no soft mask of 255s.
  FPDF_BITMAP opaque = ops.FPDFBitmap_CreateEx(int(w), int(h), kBitmapBgrx, buffer, stride);
  if (opaque == nullptr) {
    ops.FPDFBitmap_Destroy(bitmap);
    return Outcome::Skipped;
  }
  FPDF_PAGE pages[] = {page};
  const bool written = ops.FPDFImageObj_SetBitmap(pages, 1, image, opaque);
  ops.FPDFBitmap_Destroy(opaque);
  ops.FPDFBitmap_Destroy(bitmap);
  return written ? Outcome::Modified : Outcome::Stop;
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
                                  const std::vector<ScreenPoint>& stroke, double radius, PageToScreenFn toScreen) {
  ForceEraseResult result;
  if (document == nullptr || page == nullptr || stroke.empty() || !std::isfinite(radius) || !(radius > 0) ||
      toScreen == nullptr || !HasForceEraseEntries(ops)) {
    return result;
  }
  const int count = ops.FPDFPage_CountObjects(page);
  if (count < 0) return result;
  result.ran = true;
  for (int i = 0; i < count; ++i) {
    FPDF_PAGEOBJECT object = ops.FPDFPage_GetObject(page, i);
    if (object == nullptr || ops.FPDFPageObj_GetType(object) != kPageObjImage) continue;
    switch (EraseImage(ops, document, page, object, stroke, radius, toScreen)) {
      case Outcome::NotUnderStroke:
      case Outcome::Unchanged:
        break;
      case Outcome::Modified:
        ++result.modified;
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

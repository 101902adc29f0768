#include "content/picture_page.h"

#include <cstring>
#include <string_view>

#include "content/image_pixels.h"
#include "platform/file_system.h"

namespace {

constexpr int kColourSpaceDeviceRgb = 2;

}  // namespace

FPDF_PAGEOBJECT OnlyPicture(const PdfOps& ops, FPDF_PAGE page) {
  if (page == nullptr || !ops.FPDFPage_CountObjects || !ops.FPDFPageObj_GetMatrix || !ops.FPDFImageObj_GetImageMetadata ||
      !ops.FPDFPageObj_GetClipPath || !ops.FPDFClipPath_CountPaths || !ops.FPDFPageObj_HasTransparency ||
      !ops.FPDFPage_GetAnnotCount) {
    return nullptr;
  }
  if (ops.FPDFPage_CountObjects(page) != 1 || ops.FPDFPage_GetAnnotCount(page) != 0) return nullptr;
  FPDF_PAGEOBJECT image = ops.FPDFPage_GetObject(page, 0);
  if (image == nullptr || ops.FPDFPageObj_GetType(image) != kPageObjImage || !StoredAsJpeg(ops, image)) return nullptr;
  FPDF_IMAGEOBJ_METADATA metadata{};
  if (!ops.FPDFImageObj_GetImageMetadata(image, page, &metadata)) return nullptr;
  bool grey = metadata.colorspace == kColourSpaceDeviceGrey && metadata.bits_per_pixel == 8;
  bool rgb = metadata.colorspace == kColourSpaceDeviceRgb && metadata.bits_per_pixel == 24;
  if (!grey && !rgb) return nullptr;
  if (ops.FPDFClipPath_CountPaths(ops.FPDFPageObj_GetClipPath(image)) != -1) return nullptr;
  if (ops.FPDFPageObj_HasTransparency(image)) return nullptr;
  return image;
}

std::optional<PicturePage> ReadPicturePage(const PdfOps& ops, FPDF_PAGE page, FPDF_PAGEOBJECT image) {
  PicturePage picture;
  if (!ops.FPDFPageObj_GetMatrix(image, &picture.matrix)) return std::nullopt;
  std::vector<uint8_t> jpeg = JpegStreamOf(ops, image);
  if (jpeg.empty()) return std::nullopt;
  picture.jpeg = std::make_shared<const std::vector<uint8_t>>(std::move(jpeg));
  picture.box = DisplayedPageBox(page);
  int rotation = ops.FPDFPage_GetRotation(page);
  picture.rotation = rotation >= 0 && rotation <= 3 ? rotation : 0;
  return picture;
}

PictureToBitmap PicturePlacement(const PicturePage& picture, int width, int height) {
  const PageBox& box = picture.box;
  double boxWidth = double(box.right) - box.left, boxHeight = double(box.top) - box.bottom;
  bool odd = picture.rotation % 2 == 1;
  double shownWidth = odd ? boxHeight : boxWidth, shownHeight = odd ? boxWidth : boxHeight;
  // A page point (relative to the box) → displayed point → bitmap pixel, as one affine map.
  auto toBitmap = [&](double px, double py, double& x, double& y) {
    double rx = px - box.left, ry = py - box.bottom, dx = rx, dy = ry;
    switch (picture.rotation) {
      case 1:
        dx = ry, dy = boxWidth - rx;
        break;
      case 2:
        dx = boxWidth - rx, dy = boxHeight - ry;
        break;
      case 3:
        dx = boxHeight - ry, dy = rx;
        break;
      default:
        break;
    }
    x = width * dx / shownWidth;
    y = height - height * dy / shownHeight;
  };
  const FS_MATRIX& m = picture.matrix;
  double ox, oy, ux, uy, vx, vy;
  toBitmap(m.e, m.f, ox, oy);
  toBitmap(double(m.a) + m.e, double(m.b) + m.f, ux, uy);
  toBitmap(double(m.c) + m.e, double(m.d) + m.f, vx, vy);
  return PictureToBitmap{ux - ox, uy - oy, vx - ox, vy - oy, ox, oy};
}

bool ComposePicturePage(const PicturePage& picture, int width, int height, uint32_t fill, uint8_t* out,
                        const std::atomic<bool>* cancel) {
  if (picture.jpeg == nullptr) return false;
  return ComposePicture(picture.jpeg->data(), picture.jpeg->size(), PicturePlacement(picture, width, height), width,
                        height, fill, out, cancel);
}

namespace {

bool NamesSurprise(std::string_view text) {
  for (std::string_view name : {"/SMask", "/Mask", "/ColorTransform", "/Interpolate", "/OC", "/Alternates"}) {
    if (text.find(name) != std::string_view::npos) return true;
  }
  // "/Decode" but not "/DecodeParms".
  for (size_t at = text.find("/Decode"); at != std::string_view::npos; at = text.find("/Decode", at + 1)) {
    if (at + 7 >= text.size() || text[at + 7] != 'P') return true;
  }
  return false;
}

}  // namespace

// Only the text between streams: a picture's own bytes hold any short name by chance.
bool NamesImageSurprises(const std::string& bytes) {
  std::string_view all(bytes);
  size_t from = 0;
  while (from < all.size()) {
    size_t stream = all.find("stream", from);
    while (stream != std::string_view::npos && stream >= 3 && all.substr(stream - 3, 3) == "end") {
      stream = all.find("stream", stream + 6);
    }
    if (NamesSurprise(all.substr(from, stream == std::string_view::npos ? std::string_view::npos : stream - from))) {
      return true;
    }
    if (stream == std::string_view::npos) return false;
    size_t end = all.find("endstream", stream + 6);
    if (end == std::string_view::npos) return false;
    from = end + 9;
  }
  return false;
}

std::optional<bool> FileNamesImageSurprises(const std::u16string& path) {
  std::optional<std::string> bytes = ReadWholeFile(path);
  if (!bytes) return std::nullopt;
  return NamesImageSurprises(*bytes);
}

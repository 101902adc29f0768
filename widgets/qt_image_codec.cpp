#include "widgets/qt_image_codec.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <cstring>

namespace {

// High enough that a scan rewritten stroke after stroke shows no loss a reader would notice.
constexpr int kRewrittenJpegQuality = 92;

}  // namespace

DecodedImage DecodePngWithQt(const std::vector<uint8_t>& bytes) {
  DecodedImage result;
  if (bytes.empty() || bytes.size() > size_t(INT32_MAX)) return result;
  QByteArray data = QByteArray::fromRawData(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
  QBuffer buffer(&data);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer, "png");
  reader.setAutoTransform(false);
  QSize size = reader.size();  // from the header only
  if (!size.isValid()) return result;
  uint64_t pixelBytes = uint64_t(size.width()) * uint64_t(size.height()) * 4;
  if (size.width() <= 0 || size.height() <= 0 || size.width() > 536870911 || pixelBytes > 268435456) {
    result.status = ImageDecodeStatus::TooLarge;
    return result;
  }
  reader.setAllocationLimit(int(pixelBytes / (1024 * 1024)) + 16);
  QImage image;
  if (!reader.read(&image) || image.size() != size) return result;
  std::optional<BgraPicture> picture = BgraPictureOf(image);
  if (!picture) return result;
  result.picture = std::move(*picture);
  result.status = ImageDecodeStatus::Ok;
  return result;
}

std::optional<BgraPicture> BgraPictureOf(const QImage& source) {
  // Straight alpha in memory order B, G, R, A on this little-endian platform.
  QImage image = source.convertToFormat(QImage::Format_ARGB32);
  if (image.isNull() || image.width() <= 0 || image.height() <= 0) return std::nullopt;
  BgraPicture picture;
  picture.width = image.width();
  picture.height = image.height();
  size_t stride = size_t(picture.width) * 4;
  picture.pixels.resize(stride * size_t(picture.height));
  for (int y = 0; y < picture.height; ++y) {
    std::memcpy(picture.pixels.data() + stride * size_t(y), image.constScanLine(y), stride);
  }
  return picture;
}

std::vector<uint8_t> EncodeJpegWithQt(const uint8_t* bgrx, int width, int height, int stride, bool grey) {
  if (bgrx == nullptr || width <= 0 || height <= 0 || stride < 4 * width) return {};
  // Wraps the caller's pixels; the writer reads them once.
  QImage image(bgrx, width, height, stride, QImage::Format_RGB32);
  if (grey) image = image.convertToFormat(QImage::Format_Grayscale8);
  QByteArray data;
  QBuffer buffer(&data);
  buffer.open(QIODevice::WriteOnly);
  QImageWriter writer(&buffer, "jpeg");
  writer.setQuality(kRewrittenJpegQuality);
  if (image.isNull() || !writer.write(image)) return {};
  return std::vector<uint8_t>(data.begin(), data.end());
}

void InstallQtImageCodec() {
  g_platform.decodePng = DecodePngWithQt;
  g_platform.encodeJpeg = EncodeJpegWithQt;
}

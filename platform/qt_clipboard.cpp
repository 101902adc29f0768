#include "platform/qt_clipboard.h"

#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>

#include <cstring>

#include "content/clipboard_dib.h"
#include "platform/platform_seam.h"
#include "platform/qt_image_codec.h"

namespace {

const QString kPng = QStringLiteral("image/png");
const QString kBmp = QStringLiteral("image/bmp");

QByteArray Bytes(const std::vector<uint8_t>& v) { return QByteArray(reinterpret_cast<const char*>(v.data()), qsizetype(v.size())); }

// ARGB32 holds blue, green, red, alpha in memory on this little-endian platform: the rows
// copy as they are.
QImage ToQImage(const BgraPicture& picture) {
  QImage image(picture.width, picture.height, QImage::Format_ARGB32);
  if (image.isNull()) return image;
  for (int row = 0; row < picture.height; ++row) {
    std::memcpy(image.scanLine(row), picture.pixels.data() + size_t(row) * picture.width * 4, size_t(picture.width) * 4);
  }
  return image;
}

std::optional<BgraPicture> FromQImage(const QImage& source) {
  const uint64_t count = uint64_t(source.width()) * uint64_t(source.height());
  if (source.isNull() || count == 0 || count > kMaxClipboardPixels || 4 * count > kMaxClipboardBytes) return std::nullopt;
  return BgraPictureOf(source);
}

bool WritePicture(const ClipboardPicture& content) {
  QImage image = ToQImage(content.picture);
  if (image.isNull()) return false;
  auto* data = new QMimeData;
  QByteArray png;
  QBuffer buffer(&png);
  buffer.open(QIODevice::WriteOnly);
  if (!image.save(&buffer, "PNG")) {
    delete data;
    return false;
  }
  data->setData(kPng, png);
  if (std::optional<std::vector<uint8_t>> bmp = EncodeBmpFile(content.picture)) data->setData(kBmp, Bytes(*bmp));
  data->setImageData(image);
  if (!content.sizeRecord.empty()) data->setData(QString::fromLatin1(kImageSizeMimeType), Bytes(content.sizeRecord));
  QGuiApplication::clipboard()->setMimeData(data);
  return true;
}

std::optional<BgraPicture> PictureOf(const QMimeData& data) {
  if (data.hasFormat(kPng)) {
    QByteArray png = data.data(kPng);
    // Sized from its header before anything is decoded.
    DecodedImage decoded = DecodePngWithQt(std::vector<uint8_t>(png.begin(), png.end()));
    if (decoded.status == ImageDecodeStatus::Ok) return std::move(decoded.picture);
  }
  if (data.hasFormat(kBmp)) {
    QByteArray bmp = data.data(kBmp);
    auto* bytes = reinterpret_cast<const uint8_t*>(bmp.constData());
    if (auto picture = DecodeBmpFile(bytes, size_t(bmp.size()))) return picture;
    if (auto picture = DecodeClipboardDib(bytes, size_t(bmp.size()))) return picture;
  }
  if (data.hasImage()) return FromQImage(qvariant_cast<QImage>(data.imageData()));
  return std::nullopt;
}

std::optional<ClipboardPicture> ReadPicture() {
  const QMimeData* data = QGuiApplication::clipboard()->mimeData();
  if (data == nullptr) return std::nullopt;
  std::optional<BgraPicture> picture = PictureOf(*data);
  if (!picture) return std::nullopt;
  ClipboardPicture content;
  content.picture = std::move(*picture);
  QByteArray record = data->data(QString::fromLatin1(kImageSizeMimeType));
  content.sizeRecord.assign(record.begin(), record.end());
  return content;
}

bool HasPicture() {
  const QMimeData* data = QGuiApplication::clipboard()->mimeData();
  return data != nullptr && (data->hasFormat(kPng) || data->hasFormat(kBmp) || data->hasImage());
}

}  // namespace

void InstallQtClipboard() {
  g_platform.writeClipboardPicture = WritePicture;
  g_platform.readClipboardPicture = ReadPicture;
  g_platform.clipboardHasPicture = HasPicture;
}

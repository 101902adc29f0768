#include "widgets/qt_clipboard.h"

#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>

#include <cstring>

#include "content/clipboard_dib.h"
#include "platform/platform_seam.h"
#include "widgets/qt_image_codec.h"

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

QByteArray PngOf(const BgraPicture& picture) {
  QByteArray png;
  QBuffer buffer(&png);
  buffer.open(QIODevice::WriteOnly);
  if (!ToQImage(picture).save(&buffer, "PNG")) return {};
  return png;
}

// The editor's copied picture. PNG, BMP and Qt's image are made only when a program asks for
// them: made at once, a large picture kept the window waiting seconds and took a gigabyte.
class CopiedPicture : public QMimeData {
 public:
  explicit CopiedPicture(ClipboardPicture content) : content_(std::move(content)) {}
  const ClipboardPicture& Content() const { return content_; }
  QStringList formats() const override {
    QStringList types{kPng, kBmp, QStringLiteral("application/x-qt-image")};
    if (!content_.sizeRecord.empty()) types << QString::fromLatin1(kImageSizeMimeType);
    return types;
  }
  bool hasFormat(const QString& type) const override { return formats().contains(type); }

 protected:
  QVariant retrieveData(const QString& type, QMetaType) const override {
    if (type == kPng) return PngOf(content_.picture);
    if (type == kBmp) {
      std::optional<std::vector<uint8_t>> bmp = EncodeBmpFile(content_.picture);
      return bmp ? Bytes(*bmp) : QVariant();
    }
    if (type == QStringLiteral("application/x-qt-image")) return ToQImage(content_.picture);
    if (type == QString::fromLatin1(kImageSizeMimeType)) return Bytes(content_.sizeRecord);
    return {};
  }

 private:
  ClipboardPicture content_;
};

bool WritePicture(ClipboardPicture content) {
  const BgraPicture& picture = content.picture;
  if (picture.width <= 0 || picture.height <= 0 ||
      picture.pixels.size() != size_t(picture.width) * size_t(picture.height) * 4) {
    return false;
  }
  QGuiApplication::clipboard()->setMimeData(new CopiedPicture(std::move(content)));
  return true;
}

}  // namespace

// Only the PNG reader and the editor's bounded BMP reader see other programs' bytes: Qt's own
// image conversion (hasImage) would decode a BMP the bounded reader refused, leaving the rows
// the file lacks filled with whatever memory held.
std::optional<ClipboardPicture> ClipboardPictureOf(const QMimeData& data) {
  // The editor's own copy, still in this process: its pixels as they are.
  if (auto* copied = dynamic_cast<const CopiedPicture*>(&data)) return copied->Content();
  std::optional<BgraPicture> picture;
  if (data.hasFormat(kPng)) {
    QByteArray png = data.data(kPng);
    // Sized from its header before anything is decoded.
    DecodedImage decoded = DecodePngWithQt(std::vector<uint8_t>(png.begin(), png.end()));
    if (decoded.status == ImageDecodeStatus::Ok) picture = std::move(decoded.picture);
  }
  if (!picture && data.hasFormat(kBmp)) {
    QByteArray bmp = data.data(kBmp);
    picture = DecodeOfferedBmp(reinterpret_cast<const uint8_t*>(bmp.constData()), size_t(bmp.size()));
  }
  if (!picture) return std::nullopt;
  ClipboardPicture content;
  content.picture = std::move(*picture);
  QByteArray record = data.data(QString::fromLatin1(kImageSizeMimeType));
  content.sizeRecord.assign(record.begin(), record.end());
  return content;
}

namespace {

std::optional<ClipboardPicture> ReadPicture() {
  const QMimeData* data = QGuiApplication::clipboard()->mimeData();
  if (data == nullptr) return std::nullopt;
  return ClipboardPictureOf(*data);
}

bool HasPicture() {
  const QMimeData* data = QGuiApplication::clipboard()->mimeData();
  return data != nullptr && (data->hasFormat(kPng) || data->hasFormat(kBmp));
}

bool WriteText(const std::u16string& text) {
  QClipboard* clipboard = QGuiApplication::clipboard();
  if (clipboard == nullptr) return false;
  clipboard->setText(QString::fromUtf16(text.data(), qsizetype(text.size())));
  return true;
}

}  // namespace

void InstallQtClipboard() {
  g_platform.writeClipboardText = WriteText;
  g_platform.writeClipboardPicture = WritePicture;
  g_platform.readClipboardPicture = ReadPicture;
  g_platform.clipboardHasPicture = HasPicture;
}

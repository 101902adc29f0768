// libFuzzer target for the clipboard bitmap reader: any bytes either are refused or give a
// picture within the limits whose pixels survive the editor's own clipboard format unchanged.
// The same bytes offered by another program as image/bmp (and, as the X11 clipboard also
// announces them, as a Qt image) paste exactly as the bounded reader reads them: nothing
// else decodes them. The sanitizers catch any read outside the block (the input is copied to
// an exact-size heap buffer so that one byte too far is caught).
#include <QImage>
#include <QMimeData>
#include <cstdint>
#include <cstring>
#include <memory>

#include "content/clipboard_dib.h"
#include "widgets/qt_clipboard.h"

namespace {

void Require(bool condition) {
  if (!condition) __builtin_trap();
}

void CheckPicture(const std::optional<BgraPicture>& picture) {
  if (!picture) return;
  Require(picture->width > 0 && picture->height > 0);
  const uint64_t count = uint64_t(picture->width) * uint64_t(picture->height);
  Require(count <= kMaxClipboardPixels && picture->pixels.size() == count * 4);
  std::optional<std::vector<uint8_t>> block = EncodeClipboardDibV5(*picture);
  Require(block.has_value());
  std::optional<BgraPicture> again = DecodeClipboardDib(block->data(), block->size());
  Require(again && again->width == picture->width && again->height == picture->height && again->pixels == picture->pixels);
}

// Another program's offer as Qt's X11 clipboard presents it: the bytes under image/bmp, and
// an image Qt would decode from them on request.
class ForeignBmpOffer : public QMimeData {
 public:
  explicit ForeignBmpOffer(QByteArray bytes) : bytes_(std::move(bytes)) {}
  QStringList formats() const override { return {QStringLiteral("image/bmp"), QStringLiteral("application/x-qt-image")}; }
  bool hasFormat(const QString& type) const override { return formats().contains(type); }

 protected:
  QVariant retrieveData(const QString& type, QMetaType) const override {
    if (type == QStringLiteral("image/bmp")) return bytes_;
    if (type == QStringLiteral("application/x-qt-image")) return QImage::fromData(bytes_, "BMP");
    return {};
  }

 private:
  QByteArray bytes_;
};

void CheckPaste(const uint8_t* data, size_t size) {
  ForeignBmpOffer offer(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
  std::optional<ClipboardPicture> pasted = ClipboardPictureOf(offer);
  std::optional<BgraPicture> bounded = DecodeOfferedBmp(data, size);
  Require(pasted.has_value() == bounded.has_value());
  if (pasted) {
    Require(pasted->picture.width == bounded->width && pasted->picture.height == bounded->height);
    Require(pasted->picture.pixels == bounded->pixels);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::unique_ptr<uint8_t[]> exact(new uint8_t[size > 0 ? size : 1]);
  if (size > 0) std::memcpy(exact.get(), data, size);
  CheckPicture(DecodeClipboardDib(exact.get(), size));
  CheckPicture(DecodeBmpFile(exact.get(), size));
  CheckPaste(exact.get(), size);
  if (std::optional<ImageSizeRecord> record = DecodeImageSizeRecord(exact.get(), size)) {
    Require(record->width > 0 && record->width <= 100000 && record->height > 0 && record->height <= 100000);
  }
  return 0;
}

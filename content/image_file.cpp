#include "content/image_file.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "document/session.h"
#include "engine/engine_handles.h"
#include "engine/engine_table.h"
#include "platform/file_system.h"
#include "platform/platform_seam.h"
#include "platform/system_error.h"
#include "platform/text_encoding.h"

namespace {

constexpr const char16_t* kJpegRefused = u"PDFium 无法读取该 JPEG 图片。请使用有效的 JPG/JPEG 文件。";

std::u16string Caption(bool replacing) { return replacing ? u"替换图片失败" : u"添加图片失败"; }

std::u16string Hex(uint32_t code) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", unsigned(code));
  return std::u16string(text, text + std::strlen(text));
}

// The file's bytes with the size rule applied before anything is decoded; nothing after a
// message.
std::optional<std::vector<uint8_t>> ReadImageBytes(const std::u16string& path, const std::u16string& caption) {
  int fd = OpenForReading(path);
  if (fd < 0) {
    int error = errno;
    ShowMessage(caption, FillPlaceholders(u"无法打开图片（系统错误 %d：%s）。", {Num(error), SystemErrorDescription(error)}),
                MessageIcon::Error);
    return std::nullopt;
  }
  std::optional<uint64_t> size = FileSizeOf(fd);
  if (!size || *size == 0 || *size > kMaxImageBytes) {
    CloseFile(fd);
    ShowMessage(caption, u"图片文件为空或过大，无法继续操作。", MessageIcon::Error);
    return std::nullopt;
  }
  std::vector<uint8_t> bytes(static_cast<size_t>(*size));
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t got = read(fd, bytes.data() + done, bytes.size() - done);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    done += size_t(got);
  }
  CloseFile(fd);
  if (done != bytes.size()) {
    ShowMessage(caption, u"无法完整读取图片文件。", MessageIcon::Error);
    return std::nullopt;
  }
  return bytes;
}

// A range that starts or ends beyond the bytes is refused.
int GetBlockOfBytes(void* param, unsigned long position, unsigned char* buffer, unsigned long size) {
  const auto* bytes = static_cast<const std::vector<uint8_t>*>(param);
  if (position > bytes->size() || size > bytes->size() - position) return 0;
  std::memcpy(buffer, bytes->data() + position, size);
  return 1;
}

// The pages whose image cache must learn of the new picture: the current page when the
// object is already on it; none for a new object.
struct CachedPages {
  FPDF_PAGE* list = nullptr;
  int count = 0;
};

// After a start-of-scan header: the entropy-coded data runs to the next marker that is not a
// stuffed 0xFF or a restart; returns its position, or `size` when there is none.
size_t EndOfScanData(const uint8_t* bytes, size_t size, size_t pos) {
  for (; pos + 1 < size; ++pos) {
    if (bytes[pos] != 0xFF) continue;
    uint8_t next = bytes[pos + 1];
    if (next != 0x00 && next != 0xFF && !(next >= 0xD0 && next <= 0xD7)) return pos;
  }
  return size;
}

bool LoadJpeg(FPDF_PAGEOBJECT image, std::vector<uint8_t>& bytes, const std::u16string& caption, CachedPages pages) {
  if (g_engine.FPDFImageObj_LoadJpegFileInline == nullptr) {
    ShowMessage(caption, u"当前 PDFium 运行库不支持载入 JPEG 图片。", MessageIcon::Error);
    return false;
  }
  if (!JpegIsComplete(bytes.data(), bytes.size())) {
    ShowMessage(caption, kJpegRefused, MessageIcon::Error);
    return false;
  }
  if (!LoadJpegBytes(g_engine, pages.list, pages.count, image, bytes)) {
    ShowMessage(caption, kJpegRefused, MessageIcon::Error);
    return false;
  }
  return true;
}

// 0 when the object holds the pixels, otherwise the result code the message shows.
uint32_t SetPngPixels(FPDF_PAGEOBJECT image, const std::vector<uint8_t>& bytes, CachedPages pages) {
  if (g_platform.decodePng == nullptr) return kImageUndecodable;
  DecodedImage decoded = g_platform.decodePng(bytes);
  if (decoded.status == ImageDecodeStatus::TooLarge) return kImageInvalidArgument;
  if (decoded.status != ImageDecodeStatus::Ok) return kImageUndecodable;
  BgraPicture& picture = decoded.picture;
  uint64_t stride = uint64_t(picture.width) * 4;
  if (picture.width <= 0 || picture.height <= 0 || picture.pixels.size() != stride * uint64_t(picture.height)) {
    return kImageUndecodable;
  }
  ScopedBitmap bitmap(g_engine.FPDFBitmap_CreateEx(picture.width, picture.height, kBitmapBgra,
                                                   picture.pixels.data(), int(stride)));
  if (bitmap == nullptr) return kImageOutOfMemory;
  return g_engine.FPDFImageObj_SetBitmap(pages.list, pages.count, image, bitmap.get()) ? 0 : kImageFailure;
}

bool LoadPng(FPDF_PAGEOBJECT image, const std::vector<uint8_t>& bytes, const std::u16string& caption, CachedPages pages) {
  if (g_engine.FPDFImageObj_SetBitmap == nullptr || g_engine.FPDFBitmap_CreateEx == nullptr ||
      g_engine.FPDFBitmap_Destroy == nullptr) {
    ShowMessage(caption, u"当前 PDFium 运行库不支持添加 PNG 图片。", MessageIcon::Error);
    return false;
  }
  uint32_t code = SetPngPixels(image, bytes, pages);
  if (code == 0) return true;
  ShowMessage(caption, FillPlaceholders(u"无法解码或载入 PNG 图片（错误 %s）。", {Hex(code)}), MessageIcon::Error);
  return false;
}

}  // namespace

bool LoadJpegBytes(const PdfEngine& engine, FPDF_PAGE* pages, int pageCount, FPDF_PAGEOBJECT image,
                   const std::vector<uint8_t>& bytes) {
  if (engine.FPDFImageObj_LoadJpegFileInline == nullptr || bytes.empty()) return false;
  FPDF_FILEACCESS access{};
  access.m_FileLen = static_cast<unsigned long>(bytes.size());
  access.m_GetBlock = GetBlockOfBytes;
  access.m_Param = const_cast<std::vector<uint8_t>*>(&bytes);
  return engine.FPDFImageObj_LoadJpegFileInline(pages, pageCount, image, &access) != 0;
}

bool JpegIsComplete(const uint8_t* bytes, size_t size) {
  if (bytes == nullptr || size < 4 || bytes[0] != 0xFF || bytes[1] != 0xD8) return false;
  size_t pos = 2;
  bool scanned = false;
  while (pos + 1 < size) {
    if (bytes[pos] != 0xFF) return false;
    uint8_t marker = bytes[pos + 1];
    if (marker == 0xFF) {  // fill byte before a marker
      ++pos;
      continue;
    }
    if (marker == 0xD9) return scanned;
    if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
      pos += 2;
      continue;
    }
    if (pos + 3 >= size) return false;
    size_t length = size_t(bytes[pos + 2]) << 8 | bytes[pos + 3];
    if (length < 2 || length > size - pos - 2) return false;
    pos += 2 + length;
    if (marker == 0xDA) {
      scanned = true;
      pos = EndOfScanData(bytes, size, pos);
    }
  }
  return false;
}

bool LoadImageFileIntoObject(FPDF_PAGEOBJECT image, bool replacing, const std::u16string& path) {
  std::u16string caption = Caption(replacing);
  CachedPages pages = replacing && g_session.currentPage != nullptr ? CachedPages{&g_session.currentPage, 1} : CachedPages{};
  auto bytes = ReadImageBytes(path, caption);
  if (!bytes) return false;
  if (LowerExtension(path) == u".png") return LoadPng(image, *bytes, caption, pages);
  return LoadJpeg(image, *bytes, caption, pages);
}

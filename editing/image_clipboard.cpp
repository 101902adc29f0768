#include "editing/image_clipboard.h"

#include <cmath>
#include <cstring>
#include <numbers>

#include "content/clipboard_dib.h"
#include "content/image_copy.h"
#include "content/image_pixels.h"
#include "document/session.h"
#include "document/window_hooks.h"
#include "drawing/find_remove.h"
#include "editing/image_objects.h"
#include "editing/selection.h"
#include "engine/engine_handles.h"
#include "engine/page_box.h"
#include "platform/platform_seam.h"
#include "view/page_view.h"

namespace {

constexpr float kPointsPerForeignPixel = 0.75f;

bool HasCopyEntries(const PdfOps& ops) {
  return ops.FPDFImageObj_GetRenderedBitmap && ops.FPDFBitmap_GetWidth && ops.FPDFBitmap_GetHeight &&
         ops.FPDFBitmap_GetFormat && ops.FPDFBitmap_GetBuffer && ops.FPDFBitmap_GetStride && ops.FPDFBitmap_Destroy &&
         ops.FPDFImageObj_GetImagePixelSize && ops.FPDFPageObj_GetMatrix && ops.FPDFImageObj_SetMatrix;
}

bool HasRemoveEntries(const PdfOps& ops) { return ops.FPDFPage_RemoveObject && ops.FPDFPageObj_Destroy; }

bool HasPasteEntries(const PdfOps& ops) {
  return ops.FPDFBitmap_CreateEx && ops.FPDFBitmap_Destroy && ops.FPDFImageObj_SetBitmap && ops.FPDFImageObj_SetMatrix &&
         ops.FPDFPageObj_NewImageObj && ops.FPDFPage_InsertObject && ops.FPDFPage_CountObjects && ops.FPDFPage_GetObject;
}

bool HasLayerEntries(const PdfOps& ops) {
  return ops.FPDFPage_CountObjects && ops.FPDFPage_GetObject && ops.FPDFPage_RemoveObject &&
         ops.FPDFPage_InsertObjectAtIndex && ops.FPDFPageObj_Destroy;
}

bool HaveImageAndPage() {
  return g_session.document != nullptr && g_session.currentPage != nullptr && g_selection.selectedImage != nullptr;
}

int IndexOf(const PdfOps& ops, FPDF_PAGE page, FPDF_PAGEOBJECT object) {
  int count = ops.FPDFPage_CountObjects(page);
  for (int i = 0; i < count; ++i) {
    if (ops.FPDFPage_GetObject(page, i) == object) return i;
  }
  return -1;
}

// The selected image's own pixels, packed, opaque where the engine gave no alpha. Shows
// its message and gives nothing on failure.
std::optional<BgraPicture> ReadSelectedPicture(const PdfOps& ops) {
  constexpr const char16_t* kCaption = u"复制图片失败";
  FPDF_PAGEOBJECT image = g_selection.selectedImage;
  unsigned w = 0, h = 0;
  FS_MATRIX own{};
  OwnSizeRender render;
  const bool sized = ops.FPDFImageObj_GetImagePixelSize(image, &w, &h) && w > 0 && h > 0;
  // Too large a picture is refused for its size before anything is rendered.
  if (sized && (w > 536870911 || 4ull * w * h > kMaxClipboardBytes)) {
    ShowMessage(kCaption, u"所选图片的像素格式或尺寸不受支持。", MessageIcon::Error);
    return std::nullopt;
  }
  if (sized && ops.FPDFPageObj_GetMatrix(image, &own)) {
    render = RenderImageAtOwnSize(ops, g_session.document, g_session.currentPage, image, own, w, h);
  }
  ScopedBitmap bitmap(render.bitmap);
  if (bitmap == nullptr) {
    ShowMessage(kCaption, u"无法读取所选图片的像素数据。", MessageIcon::Error);
    return std::nullopt;
  }
  const int width = int(w), height = int(h), format = render.format, stride = render.stride;
  const uint8_t* buffer = render.buffer;
  if (format != kBitmapBgrx && format != kBitmapBgra) {
    ShowMessage(kCaption, u"所选图片的像素格式或尺寸不受支持。", MessageIcon::Error);
    return std::nullopt;
  }
  BgraPicture picture;
  picture.width = width;
  picture.height = height;
  picture.pixels.resize(size_t(width) * size_t(height) * 4);
  for (int row = 0; row < height; ++row) {
    uint8_t* out = picture.pixels.data() + size_t(row) * width * 4;
    std::memcpy(out, buffer + size_t(row) * stride, size_t(width) * 4);
    if (format == kBitmapBgrx) {
      for (int x = 0; x < width; ++x) out[x * 4 + 3] = 255;
    }
  }
  return picture;
}

// The image's own side lengths and its turn as the page is shown: its bounding box would
// make a turned picture a stretched, upright one, and a picture shown upright on a turned page
// a sideways one.
std::optional<ImageSizeRecord> SizeRecordOf(const PdfOps& ops, FPDF_PAGEOBJECT image) {
  FS_MATRIX m{};
  if (!ops.FPDFPageObj_GetMatrix(image, &m)) return std::nullopt;
  const float width = std::hypot(m.a, m.b), height = std::hypot(m.c, m.d);
  if (!std::isfinite(width) || !std::isfinite(height) || !(width > 0) || !(height > 0)) return std::nullopt;
  const PageFrame frame = CurrentPageFrame();
  const PagePoint origin = PageToDisplayed(frame, m.e, m.f), along = PageToDisplayed(frame, m.e + m.a, m.f + m.b);
  const float turn = float(std::atan2(along.y - origin.y, along.x - origin.x) * 180 / std::numbers::pi);
  return ImageSizeRecord{width, height, std::isfinite(turn) ? turn : 0.0f};
}

// The matrix of a width × height picture turned as given on the page as shown, centred on the
// page point.
FS_MATRIX PastedMatrix(const ImageSizeRecord& size, PagePoint centre) {
  const PageFrame frame = CurrentPageFrame();
  const double turn = size.turnDegrees * std::numbers::pi / 180;
  const double ax = size.width * std::cos(turn), ay = size.width * std::sin(turn);     // along the rows
  const double ux = -size.height * std::sin(turn), uy = size.height * std::cos(turn);  // up the columns
  const PagePoint shown = PageToDisplayed(frame, centre.x, centre.y);
  const FS_MATRIX u = UprightMatrix(frame, float(shown.x - (ax + ux) / 2), float(shown.y - (ay + uy) / 2));
  return {float(u.a * ax + u.c * ay), float(u.b * ax + u.d * ay), float(u.a * ux + u.c * uy),
          float(u.b * ux + u.d * uy), u.e, u.f};
}

void AfterImageChange(const std::u16string& status, const std::u16string& doneClause) {
  g_session.statusText = status;
  NotifyKeepingSelection(doneClause);
  g_window.changed(Change::Selection);
}

}  // namespace

bool CanCopyImage() { return HaveImageAndPage() && HasCopyEntries(CurrentOps()) && g_platform.writeClipboardPicture; }

bool CanCutImage() { return CanCopyImage() && HasRemoveEntries(CurrentOps()); }

bool CanPasteImage() {
  return g_session.document != nullptr && g_session.currentPage != nullptr && HasPasteEntries(CurrentOps()) &&
         g_platform.clipboardHasPicture != nullptr && g_platform.clipboardHasPicture();
}

bool CanMoveImageLayer(int step) {
  if (!HaveImageAndPage() || !HasLayerEntries(CurrentOps())) return false;
  PdfOps ops = CurrentOps();
  int index = IndexOf(ops, g_session.currentPage, g_selection.selectedImage);
  int target = index + step;
  return index >= 0 && target >= 0 && target < ops.FPDFPage_CountObjects(g_session.currentPage);
}

ScreenPoint ImageCommandPoint(ScreenPoint mouse) {
  const IntRect& r = g_view.pageRect;
  if (r.Contains(mouse.x, mouse.y)) return mouse;
  return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

bool CopySelectedImage() {
  constexpr const char16_t* kCaption = u"复制图片失败";
  PdfOps ops = CurrentOps();
  if (!HaveImageAndPage() || !HasCopyEntries(ops)) {
    ShowMessage(kCaption, u"当前 PDFium 运行库无法复制所选图片。", MessageIcon::Error);
    return false;
  }
  std::optional<BgraPicture> picture = ReadSelectedPicture(ops);
  if (!picture) return false;
  if (124 + picture->pixels.size() > 0xFFFFFFFFull) {
    ShowMessage(kCaption, u"图片数据过大，无法复制到剪贴板。", MessageIcon::Error);
    return false;
  }
  ClipboardPicture content;
  content.picture = std::move(*picture);
  if (auto size = SizeRecordOf(ops, g_selection.selectedImage)) content.sizeRecord = EncodeImageSizeRecord(*size);
  if (g_platform.writeClipboardPicture == nullptr) {
    ShowMessage(kCaption, u"无法打开剪贴板。", MessageIcon::Error);
    return false;
  }
  if (!g_platform.writeClipboardPicture(std::move(content))) {
    ShowMessage(kCaption, u"无法将图片写入剪贴板。", MessageIcon::Error);
    return false;
  }
  return true;
}

bool CutSelectedImage() {
  constexpr const char16_t* kCaption = u"剪切图片失败";
  PdfOps ops = CurrentOps();
  if (!HasRemoveEntries(ops)) {
    ShowMessage(kCaption, u"当前 PDFium 运行库无法剪切所选图片。", MessageIcon::Error);
    return false;
  }
  if (!CopySelectedImage()) return false;
  FPDF_PAGEOBJECT image = g_selection.selectedImage;
  if (!ops.FPDFPage_RemoveObject(g_session.currentPage, image)) {
    ShowMessage(kCaption, u"无法从 PDF 页面移除所选图片。", MessageIcon::Error);
    return false;
  }
  ops.FPDFPageObj_Destroy(image);
  g_selection.selectedImage = nullptr;
  AfterImageChange(u"图片已剪切", u"图片已剪切");
  return true;
}

bool PasteImage(ScreenPoint mouse) {
  constexpr const char16_t* kCaption = u"粘贴图片失败";
  PdfOps ops = CurrentOps();
  FPDF_PAGE page = g_session.currentPage;
  if (g_session.document == nullptr || page == nullptr || !HasPasteEntries(ops) || g_platform.readClipboardPicture == nullptr) {
    ShowMessage(kCaption, u"当前 PDFium 运行库不支持粘贴图片。", MessageIcon::Error);
    return false;
  }
  std::optional<ClipboardPicture> content = g_platform.readClipboardPicture();
  const BgraPicture* picture = content ? &content->picture : nullptr;
  if (picture == nullptr || picture->width <= 0 || picture->height <= 0 ||
      picture->pixels.size() != size_t(picture->width) * size_t(picture->height) * 4) {
    ShowMessage(kCaption, u"剪贴板中没有受支持的图片数据。", MessageIcon::Information);
    return false;
  }
  ImageSizeRecord size{kPointsPerForeignPixel * float(picture->width), kPointsPerForeignPixel * float(picture->height)};
  if (auto record = DecodeImageSizeRecord(content->sizeRecord.data(), content->sizeRecord.size())) size = *record;
  ScreenPoint at = ImageCommandPoint(mouse);
  std::optional<PagePoint> point = ScreenToPage(at.x, at.y);
  if (!point) {
    ShowMessage(kCaption, u"请在 PDF 页面上选择粘贴位置。", MessageIcon::Information);
    return false;
  }
  // The engine reads the pixels through the bitmap; they stay ours.
  ScopedBitmap bitmap(ops.FPDFBitmap_CreateEx(picture->width, picture->height, kBitmapBgra,
                                              const_cast<uint8_t*>(picture->pixels.data()), picture->width * 4));
  if (bitmap == nullptr) {
    ShowMessage(kCaption, u"无法创建粘贴图片的像素数据。", MessageIcon::Error);
    return false;
  }
  ScopedPageObject owned(ops.FPDFPageObj_NewImageObj(g_session.document));
  if (owned == nullptr) {
    ShowMessage(kCaption, u"无法创建新的图片对象。", MessageIcon::Error);
    return false;
  }
  FPDF_PAGE pages[] = {page};
  const FS_MATRIX m = PastedMatrix(size, *point);
  bool placed = ops.FPDFImageObj_SetMatrix(owned.get(), m.a, m.b, m.c, m.d, m.e, m.f) &&
                ops.FPDFImageObj_SetBitmap(pages, 1, owned.get(), bitmap.get());
  bitmap.reset();
  if (!placed) {
    ShowMessage(kCaption, u"无法设置粘贴图片的位置或像素数据。", MessageIcon::Error);
    return false;
  }
  FPDF_PAGEOBJECT image = owned.release();
  if (!InsertChecked(page, image, ops)) {
    // The page owns the object even when the insertion failed: it is forgotten, not destroyed.
    ShowMessage(kCaption, u"无法将粘贴图片插入 PDF 页面。", MessageIcon::Error);
    return false;
  }
  ClearDrawnSelection();
  g_selection.selectedImage = image;
  AfterImageChange(u"已粘贴图片", u"图片已粘贴");
  return true;
}

bool MoveSelectedImageLayer(int step) {
  constexpr const char16_t* kCaption = u"调整图层失败";
  PdfOps ops = CurrentOps();
  FPDF_PAGE page = g_session.currentPage;
  if (!CanMoveImageLayer(step)) {
    ShowMessage(kCaption, u"无法调整所选图片的图层顺序。", MessageIcon::Error);
    return false;
  }
  FPDF_PAGEOBJECT image = g_selection.selectedImage;
  const int index = IndexOf(ops, page, image), target = index + step;
  // The engine saves an object in the content stream it came from, so the picture itself
  // moved past an object of another stream would be saved in its old place: a new copy is
  // moved instead. A picture that cannot be copied (clipped, transparent) moves itself.
  ImageCopy copy = CopyImageObject(ops, g_session.document, page, image);
  if (!ops.FPDFPage_RemoveObject(page, image)) {
    ShowMessage(kCaption, u"无法从 PDF 页面移除所选图片以调整图层。", MessageIcon::Error);
    return false;
  }
  // From the insertion on, the copy is the page's.
  FPDF_PAGEOBJECT moved = copy.object != nullptr ? copy.object.release() : image;
  if (ops.FPDFPage_InsertObjectAtIndex(page, moved, size_t(target))) {
    if (moved != image) {
      ops.FPDFPageObj_Destroy(image);
      g_selection.selectedImage = moved;
    }
    NotifyKeepingSelection(u"图层已调整");
    g_window.changed(Change::Selection);
    return true;
  }
  // The engine frees an object whose insertion it refused. The original picture, when it was
  // not the one refused, goes back to its old place.
  if (moved != image && ops.FPDFPage_InsertObjectAtIndex(page, image, size_t(index))) {
    ShowMessage(kCaption, u"无法调整所选图片的图层顺序。", MessageIcon::Error);
    return false;
  }
  ClearDrawnSelection();
  NotifyKeepingSelection(u"图层已调整");
  g_window.changed(Change::Selection);
  ShowMessage(u"图片恢复失败", u"图层调整和图片恢复均失败；图片已从页面中移除。", MessageIcon::Error);
  return false;
}

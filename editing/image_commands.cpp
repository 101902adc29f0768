#include "editing/image_commands.h"

#include <cmath>
#include <numbers>
#include <cstdio>

#include "content/image_file.h"
#include "document/session.h"
#include "document/window_hooks.h"
#include "drawing/find_remove.h"
#include "editing/image_drag.h"
#include "editing/image_objects.h"
#include "editing/selection.h"
#include "editing/shape_panel_model.h"
#include "engine/engine_handles.h"
#include "engine/engine_table.h"
#include "engine/page_box.h"
#include "platform/platform_seam.h"
#include "view/page_view.h"
#include "view/tool_modes.h"
#include "view/tool_state.h"

std::u16string g_pendingImagePath;

namespace {

constexpr const char16_t* kAddCaption = u"添加图片失败";
constexpr float kCopyOffset = 24;

// The turn of the picture's bottom edge, in degrees counter-clockwise.
double AngleDegrees(const FS_MATRIX& m) { return std::atan2(double(m.b), double(m.a)) * 180 / std::numbers::pi; }

std::optional<std::u16string> AskImageFile(const std::u16string& title) {
  FileDialogRequest request;
  request.title = title;
  request.filters = {{u"图片文件 (*.jpg;*.jpeg;*.png)", u"*.jpg;*.jpeg;*.png"}};
  return ShowFileDialog(request);
}

void Fail(const std::u16string& text, MessageIcon icon = MessageIcon::Error) { ShowMessage(kAddCaption, text, icon); }

// The new image's matrix, or nothing after a message.
std::optional<FS_MATRIX> PlacementMatrix(ScreenPoint point) {
  if (g_selection.selectedImage != nullptr) {
    auto m = ReadImageMatrix(g_selection.selectedImage);
    if (!m) {
      Fail(u"无法读取所选图片的位置和尺寸。");
      return std::nullopt;
    }
    m->e += kCopyOffset;
    m->f -= kCopyOffset;
    return m;
  }
  auto at = ScreenToPage(point.x, point.y);
  if (!at) {
    Fail(u"请在 PDF 页面上选择图片插入位置。", MessageIcon::Information);
    return std::nullopt;
  }
  // 120 × 90 pt centred on the click, upright as the page is shown (a turned page would
  // otherwise show the picture on its side).
  PageFrame frame = CurrentPageFrame();
  PagePoint shown = PageToDisplayed(frame, at->x, at->y);
  FS_MATRIX u = UprightMatrix(frame, shown.x - 60, shown.y - 45);
  return FS_MATRIX{120 * u.a, 120 * u.b, 90 * u.c, 90 * u.d, u.e, u.f};
}

}  // namespace

void ChooseImageToInsert() {
  if (g_session.currentPage == nullptr) return;
  auto path = AskImageFile(u"选择要添加的图片");
  if (!path) return;
  g_pendingImagePath = *path;
  EnterImagePlacement();
}

void PlacePendingImage(ScreenPoint point) {
  std::u16string path = g_pendingImagePath;
  g_pendingImagePath.clear();
  if (path.empty() || !InsertImageAtPoint(point, path)) EnterSelect(u"未添加图像");
}

bool InsertImageAtPoint(ScreenPoint point, std::optional<std::u16string> path) {
  FPDF_PAGE page = g_session.currentPage;
  if (g_session.document == nullptr || page == nullptr || g_engine.FPDFPageObj_NewImageObj == nullptr ||
      g_engine.FPDFImageObj_SetMatrix == nullptr) {
    Fail(u"当前 PDFium 运行库不支持添加图片。");
    return false;
  }
  if (!path) path = AskImageFile(u"选择要添加的图片");
  if (!path) return false;
  auto matrix = PlacementMatrix(point);
  if (!matrix) return false;
  ScopedPageObject owned(g_engine.FPDFPageObj_NewImageObj(g_session.document));
  FPDF_PAGEOBJECT image = owned.get();
  if (image == nullptr) {
    Fail(u"无法创建新的图片对象。");
    return false;
  }
  // Until it is inserted the object is ours: every failure before that destroys it.
  if (!WriteImageMatrix(image, *matrix)) {
    Fail(u"无法设置新图片的位置和尺寸。");
    return false;
  }
  if (!LoadImageFileIntoObject(image, false, *path)) return false;
  if (!InsertChecked(page, owned.release(), g_engine)) {  // the page owns it now, inserted or not
    Fail(u"无法将新图片插入 PDF 页面。");
    return false;
  }
  EnterEdit();
  SelectImage(image, u"图片已添加：可拖动移动或调整大小");
  NotifyKeepingSelection(u"图片已添加");
  return true;
}

bool ReplaceImageObject(FPDF_PAGEOBJECT image, std::optional<std::u16string> path) {
  if (image == nullptr || g_session.currentPage == nullptr) return false;
  if (!path) path = AskImageFile(u"选择替换的图片");
  if (!path) return false;
  if (!LoadImageFileIntoObject(image, true, *path)) return false;
  g_session.statusText = u"图片已替换";
  NotifyKeepingSelection(u"图片已替换");
  return true;
}

bool ReplaceSelectedImage() { return ReplaceImageObject(g_selection.selectedImage); }

bool DeleteSelectedImage() {
  FPDF_PAGEOBJECT image = g_selection.selectedImage;
  if (image == nullptr || g_session.currentPage == nullptr) return false;
  if (!g_engine.FPDFPage_RemoveObject(g_session.currentPage, image)) {
    ShowMessage(u"删除图片失败", u"无法从 PDF 页面删除所选图片。", MessageIcon::Error);
    return false;
  }
  g_engine.FPDFPageObj_Destroy(image);  // removed: ours again
  g_selection.selectedImage = nullptr;
  g_session.statusText = u"图片已删除";
  NotifyKeepingSelection(u"图片已删除");
  g_window.changed(Change::Selection);
  return true;
}

std::optional<std::u16string> SelectedImageAngleText() {
  auto m = ReadImageMatrix(g_selection.selectedImage);
  if (!m) return std::nullopt;
  return FormatTwoPlaces(AngleDegrees(*m));
}

bool ApplyImageRotationText(const std::u16string& text) {
  constexpr const char16_t* kCaption = u"旋转图片失败";
  FPDF_PAGEOBJECT image = g_selection.selectedImage;
  if (image == nullptr || g_session.currentPage == nullptr || g_engine.FPDFPageObj_GetMatrix == nullptr ||
      g_engine.FPDFImageObj_SetMatrix == nullptr) {
    return true;
  }
  std::optional<double> typed = ParsePanelNumber(text);
  if (!typed || !std::isfinite(*typed)) {
    ShowMessage(u"角度无效", u"请输入有效的旋转角度（度）。", MessageIcon::Warning);
    return false;
  }
  double target = NormalisedDegrees(*typed);
  auto m = ReadImageMatrix(image);
  auto bounds = ReadAreaBounds(image);
  if (!m || !bounds) {
    ShowMessage(kCaption, u"无法读取所选图片的位置或尺寸。", MessageIcon::Error);
    return true;
  }
  double delta = NormalisedDegrees(target - AngleDegrees(*m));
  if (std::fabs(delta) < 1e-4) {
    g_window.changed(Change::Selection);
    return true;
  }
  if (!WriteImageMatrix(image, TurnedAboutBounds(*m, delta, *bounds))) {
    ShowMessage(kCaption, u"PDFium 无法应用新的旋转角度。", MessageIcon::Error);
    return true;
  }
  g_session.statusText = u"图片旋转角度已更新";
  NotifyKeepingSelection(u"图片旋转角度已更新");
  g_window.changed(Change::Selection);
  return true;
}

#include "editing/text_selection.h"

#include <algorithm>
#include <cmath>

#include "content/text_objects.h"
#include "document/session.h"
#include "document/window_hooks.h"
#include "editing/drawn_objects.h"
#include "editing/selection.h"
#include "platform/platform_seam.h"
#include "view/page_view.h"

TextDrag g_textDrag;

namespace {

constexpr const char16_t* kMoveCaption = u"文本移动失败";

}  // namespace

std::optional<IntRect> TextScreenRect(FPDF_PAGEOBJECT object, const PdfOps& ops, const PageFrame& frame) {
  float left, bottom, right, top;
  if (object == nullptr || !ops.FPDFPageObj_GetBounds || !ops.FPDFPageObj_GetBounds(object, &left, &bottom, &right, &top) ||
      !std::isfinite(left) || !std::isfinite(bottom) || !std::isfinite(right) || !std::isfinite(top) || left > right ||
      bottom > top) {
    return std::nullopt;
  }
  std::optional<IntRect> r = ScreenRectOfBounds(left, bottom, right, top, frame);
  if (r) {
    r->right = std::max(r->right, r->left + 1);
    r->bottom = std::max(r->bottom, r->top + 1);
  }
  return r;
}

FPDF_PAGEOBJECT HitText(ScreenPoint point, const PdfOps& ops) {
  FPDF_PAGE page = g_session.currentPage;
  if (page == nullptr || !ops.FPDFPage_CountObjects || !ops.FPDFPage_GetObject || !ops.FPDFPageObj_GetType) return nullptr;
  PageFrame frame = CurrentPageFrame();
  for (int i = ops.FPDFPage_CountObjects(page) - 1; i >= 0; --i) {
    FPDF_PAGEOBJECT object = ops.FPDFPage_GetObject(page, i);
    if (object == nullptr || ops.FPDFPageObj_GetType(object) != kPageObjText) continue;
    auto rect = TextScreenRect(object, ops, frame);
    if (rect && rect->Contains(point.x, point.y)) return object;
  }
  return nullptr;
}

void SelectText(FPDF_PAGEOBJECT object) {
  ClearDrawnSelection();
  g_selection.selectedText = object;
  g_session.statusText = u"已选中文本：拖动可移动，右键可设置属性，Delete 键可删除";
  g_window.changed(Change::Selection);
}

bool PressOnSelectedText(ScreenPoint point) {
  FPDF_PAGEOBJECT text = g_selection.selectedText;
  if (text == nullptr) return false;
  PdfOps ops = CurrentOps();
  auto rect = TextScreenRect(text, ops, CurrentPageFrame());
  if (!rect || !IntRect{rect->left - 3, rect->top - 3, rect->right + 3, rect->bottom + 3}.Contains(point.x, point.y)) {
    return false;
  }
  auto start = ScreenToPage(point.x, point.y);
  if (!ops.FPDFPageObj_Transform || !start) {
    ShowMessage(kMoveCaption, u"无法移动所选文本。", MessageIcon::Error);
    return true;
  }
  g_textDrag = TextDrag{text, *start, false};
  return true;
}

bool TextDragRunning() { return g_textDrag.object != nullptr; }

void TextDragStep(ScreenPoint point, const PdfOps& ops) {
  if (!TextDragRunning()) return;
  const IntRect& r = g_view.pageRect;
  int x = std::clamp(point.x, r.left, std::max(r.left, r.right - 1));
  int y = std::clamp(point.y, r.top, std::max(r.top, r.bottom - 1));
  auto reached = ScreenToPage(x, y);
  if (!reached || !ops.FPDFPageObj_Transform) {
    ShowMessage(kMoveCaption, u"无法移动所选文本。", MessageIcon::Error);
    return;
  }
  float dx = reached->x - g_textDrag.last.x, dy = reached->y - g_textDrag.last.y;
  if (std::fabs(dx) <= 0.0001f && std::fabs(dy) <= 0.0001f) return;
  ops.FPDFPageObj_Transform(g_textDrag.object, 1, 0, 0, 1, dx, dy);
  g_textDrag.last = *reached;
  g_textDrag.moved = true;
  g_window.changed(Change::PageShown);
}

void EndTextDrag() {
  TextDrag drag = g_textDrag;
  g_textDrag = TextDrag{};
  if (drag.object == nullptr || !drag.moved) return;
  CommitTextChange(u"文本已移动");
}

void CommitTextChange(const std::u16string& doneClause, bool showInStatus) {
  g_session.fullRewrite = true;
  NotifyKeepingSelection(doneClause);
  if (showInStatus) g_session.statusText = doneClause;
  g_window.changed(Change::Selection);
}

FPDF_PAGEOBJECT TextForMenuAt(ScreenPoint point) {
  if (g_session.currentPage == nullptr || !g_view.pageRect.Contains(point.x, point.y)) return nullptr;
  PdfOps ops = CurrentOps();
  if (g_selection.selectedText != nullptr) {
    auto rect = TextScreenRect(g_selection.selectedText, ops, CurrentPageFrame());
    if (rect && rect->Contains(point.x, point.y)) return g_selection.selectedText;
  }
  FPDF_PAGEOBJECT hit = HitText(point, ops);
  if (hit != nullptr) SelectText(hit);
  return hit;
}

void RunTextMenuChoice(TextMenuChoice choice) {
  FPDF_PAGEOBJECT text = g_selection.selectedText;
  if (text == nullptr) return;
  PdfOps ops = CurrentOps();
  TextEditOutcome outcome = choice == TextMenuChoice::Size ? SetEffectiveFontSize(text, ops) : SetTextColour(text, ops);
  if (outcome.Commit()) CommitTextChange(choice == TextMenuChoice::Size ? u"文本字号已修改" : u"文本颜色已修改", false);
}

bool EditTextAt(ScreenPoint point) {
  PdfOps ops = CurrentOps();
  FPDF_PAGEOBJECT text = HitText(point, ops);
  if (text == nullptr) return false;
  SelectText(text);
  TextEditOutcome outcome = EditTextObject(g_session.document, g_session.currentPage, text, ops);
  if (outcome.replacement != nullptr) g_selection.selectedText = outcome.replacement;
  if (outcome.changed) {
    CommitTextChange(u"文本已更新");
  } else if (outcome.pageTouched) {
    CommitTextChange(u"文本已更改", false);
  }
  return true;
}

bool DeleteSelectedText() {
  FPDF_PAGEOBJECT text = g_selection.selectedText;
  if (text == nullptr) return false;
  if (TextDragRunning()) EndTextDrag();
  if (!DeleteTextObject(g_session.currentPage, text, CurrentOps())) return true;
  g_selection.selectedText = nullptr;
  NotifyObjectModified(u"所选文本已删除");
  g_session.statusText = u"所选文本已删除";
  g_window.changed(Change::Selection);
  return true;
}

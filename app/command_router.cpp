#include "app/command_router.h"

#include <QApplication>
#include <QCursor>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTextEdit>

#include "app/about_dialog.h"
#include "app/main_window.h"
#include "app/menus.h"
#include "content/watermark_commands.h"
#include "document/edit_wrapper.h"
#include "document/open_document.h"
#include "document/page_operations.h"
#include "document/recent_documents.h"
#include "document/save_copy.h"
#include "document/session.h"
#include "document/undo_history.h"
#include "editing/deleting.h"
#include "editing/drawing_commands.h"
#include "editing/erasing.h"
#include "editing/image_background.h"
#include "editing/image_clipboard.h"
#include "editing/image_commands.h"
#include "editing/image_objects.h"
#include "editing/pointer_input.h"
#include "editing/selection.h"
#include "editing/page_text_select.h"
#include "editing/text_marks.h"
#include "engine/engine_table.h"
#include "external/ocr_document.h"
#include "external/printing.h"
#include "external/scanning.h"
#include "platform/platform_seam.h"
#include "view/command_ids.h"
#include "view/page_view.h"
#include "view/tool_modes.h"
#include "view/tool_state.h"
#include "view/toolbar.h"
#include "widgets/find_bar.h"
#include "widgets/navigator_panel.h"
#include "widgets/object_list_dialog.h"
#include "widgets/outline_panel.h"
#include "widgets/page_canvas.h"
#include "widgets/page_number_controls.h"
#include "widgets/pen_options_window.h"

namespace {

QLineEdit* FocusedEdit() { return qobject_cast<QLineEdit*>(QApplication::focusWidget()); }

template <typename TextWidget>
void RunTextCommand(TextWidget* edit, int id) {
  id == kCmdCut ? edit->cut() : id == kCmdCopy ? edit->copy() : edit->paste();
}

// Cut, copy and paste belong to a focused text field or text box (the in-place text box among
// them); true when one took the command.
bool PassToFocusedText(int id) {
  QWidget* focus = QApplication::focusWidget();
  if (auto* line = qobject_cast<QLineEdit*>(focus)) {
    RunTextCommand(line, id);
  } else if (auto* rich = qobject_cast<QTextEdit*>(focus)) {
    RunTextCommand(rich, id);
  } else if (auto* plain = qobject_cast<QPlainTextEdit*>(focus)) {
    RunTextCommand(plain, id);
  } else {
    return false;
  }
  return true;
}

ScreenPoint MouseOnCanvas() {
  QPoint p = g_mainWindow->canvas()->mapFromGlobal(QCursor::pos());
  return {p.x(), p.y()};
}

void ShowPopup(int buttonId, void (*fill)(QMenu&)) {
  QMenu menu(g_mainWindow);
  fill(menu);
  g_mainWindow->ShowMenuUnderButton(menu, buttonId);
}

void ShowDrawingMenu(int buttonId) {
  if (g_session.document == nullptr) return;
  ShowPopup(buttonId, FillDrawingMenu);
}

void ZoomPageOrSystem(bool in) {
  if (SelectedCoordinateSystem() != nullptr) {
    RouteCommand(in ? kCmdScaleCoordinateUp : kCmdScaleCoordinateDown);  // an edit: its own undo step
  } else {
    in ? ZoomIn() : ZoomOut();
  }
}

// The pen options window hangs under the toolbar's 画笔 button (under the pointer in full screen).
void ShowPenOptionsUnderPenButton() {
  QPoint anchor = QCursor::pos();
  QSize size(0, 0);
  for (const auto& button : ToolbarButtons()) {
    if (button.id == kCmdPenMenu && !g_layout.fullScreen) {
      anchor = g_mainWindow->canvas()->mapToGlobal(QPoint(button.x, 0));
      size = QSize(kToolbarButtonWidth, kToolbarHeight);
    }
  }
  TogglePenOptions(anchor, size);
}

void Dispatch(int id) {
  PageCanvas* canvas = g_mainWindow->canvas();
  switch (id) {
    case kCmdCut:
    case kCmdCopy:
    case kCmdPaste:
      if (PassToFocusedText(id)) return;
      if (id == kCmdCopy) {
        if (HasPageTextSelection()) {
          CopyPageTextSelection();
        } else if (g_selection.selectedImage != nullptr) {
          CopySelectedImage();
        }
      } else if (id == kCmdCut) {
        if (g_selection.selectedImage != nullptr) CutSelectedImage();
      } else if (g_session.currentPage != nullptr) {
        PasteImage(MouseOnCanvas());
      }
      return;
    // A text field undoes its own typing first; with none left (the page-number box after a
    // jump, say) the keys reach the document's history.
    case kCmdUndo:
      if (QLineEdit* edit = FocusedEdit(); edit != nullptr && edit->isUndoAvailable()) {
        edit->undo();
      } else {
        Undo();
      }
      return;
    case kCmdRedo:
      if (QLineEdit* edit = FocusedEdit(); edit != nullptr && edit->isRedoAvailable()) {
        edit->redo();
      } else {
        Redo();
      }
      return;
    case kCmdNewDocument:
    case kCmdNewButton:
      if (NewBlankDocument()) EnterPen();
      return;
    case kCmdOpen:
    case kCmdOpenButton:
      ShowOpenDialog();
      return;
    case kCmdMerge:
      MergePdf(-1);
      return;
    case kCmdMergeAfterCurrent:
      MergePdf(g_session.currentPageIndex + 1);
      return;
    case kCmdInsertBlankPage:
      InsertBlankPage(g_session.currentPageIndex + 1);
      return;
    case kCmdDeletePage:
      DeleteCurrentPage();
      return;
    case kCmdSaveCopy:
    case kCmdSaveButton:
      SavePdfCopy(u"_annotated.pdf", u"已保存 PDF 副本。");
      return;
    case kCmdSaveCvn:
      SaveAsCvn();
      return;
    case kCmdExit:
      g_mainWindow->close();
      return;
    case kCmdPreviousPage:
    case kCmdPreviousPageButton:
      GoToPageOffset(-1);
      return;
    case kCmdNextPage:
    case kCmdNextPageButton:
      GoToPageOffset(1);
      return;
    case kCmdFirstPage:
      GoToPage(0);
      return;
    case kCmdLastPage:
      GoToPage(g_session.pageCount - 1);
      return;
    case kCmdJumpToPage:
      GoToTypedPageNumber(canvas->pageControls()->pageEdit()->text().toStdU16String());
      return;
    case kCmdNavigatorSelection:
      GoToPage(canvas->navigator()->Selection());
      return;
    case kCmdFind:
      CurrentFindBar()->Open();
      return;
    case kCmdFindNext:
    case kCmdFindPrevious:
      CurrentFindBar()->Step(id == kCmdFindNext ? 1 : -1);
      return;
    case kCmdShowFindMatch:
      ShowCurrentFindMatch();
      return;
    case kCmdOutlineEntry:
      if (!GoToPage(canvas->navigator()->outline()->ClickedPage())) {
        g_session.statusText = u"该目录项没有指向本文档中的页面";
      }
      return;
    case kCmdMovePageUp:
    case kCmdMovePageDown: {
      int selected = canvas->navigator()->Selection();
      int target = selected + (id == kCmdMovePageUp ? -1 : 1);
      if (selected >= 0 && target >= 0 && target < g_session.pageCount) MovePage(selected, target);
      return;
    }
    case kCmdZoomIn:
    case kCmdZoomInButton:
      ZoomIn();
      return;
    case kCmdZoomOut:
    case kCmdZoomOutButton:
      ZoomOut();
      return;
    case kCmdFloatingZoomIn:
    case kCmdFloatingZoomOut:
      ZoomPageOrSystem(id == kCmdFloatingZoomIn);
      return;
    case kCmdFitWidth:
      FitToWidth();
      return;
    case kCmdFitPage:
    case kCmdFloatingFitPage:
      FitToPage();
      return;
    case kCmdFitMenu:
      ShowPopup(id, FillFitMenu);
      return;
    case kCmdRotateLeft:
    case kCmdRotateLeftButton:
      RotateCurrentPage(-1);
      return;
    case kCmdRotateRight:
    case kCmdRotateRightButton:
      RotateCurrentPage(+1);
      return;
    case kCmdToggleNavigator:
      g_layout.navigatorShown = !g_layout.navigatorShown;
      g_session.statusText = g_layout.navigatorShown && g_session.pageCount > 0
                                 ? u"选择页面后使用上移/下移按钮调整 PDF 顺序"
                                 : u"";
      canvas->Relayout();
      return;
    case kCmdFullScreenButton:
    case kCmdFloatingFullScreen:
      g_mainWindow->ToggleFullScreen();
      return;
    case kCmdSelectTool:
      g_tool.shapePanelRequested = false;
      EnterSelect();
      return;
    case kCmdPenOptions:
      ShowPenOptionsUnderPenButton();
      return;
    case kCmdHandTool:
      ToggleHand();
      return;
    case kCmdSelectTextTool:
      if (g_session.document != nullptr) EnterSelectText();
      return;
    case kCmdHighlightText:
      MarkSelectedText(TextMarkKind::Highlight);
      return;
    case kCmdUnderlineText:
      MarkSelectedText(TextMarkKind::Underline);
      return;
    case kCmdStrikeOutText:
      MarkSelectedText(TextMarkKind::StrikeOut);
      return;
    case kCmdDeleteTextMark:
      DeleteMenuTextMark();
      return;
    case kCmdRecolourTextMark:
      RecolourMenuTextMark();
      return;
    case kCmdPenTool:
      EnterPen();
      return;
    case kCmdPenMenu:
      ShowPopup(id, FillPenMenu);
      return;
    case kCmdEraseMenu:
      ShowPopup(id, FillEraseMenu);
      return;
    case kCmdSelectErase:
      // The eraser takes what it is aimed at: a selection is let go, never deleted in passing.
      ClearDrawnSelection();
      EnterSelectErase();
      return;
    case kCmdEraseAll:
      EraseAllOnPage();
      return;
    case kCmdForceErase:
      EnterForceErase();
      return;
    case kCmdAddText:
    case kCmdTextButton:
      ToggleText();
      return;
    case kCmdEditMode: {
      bool wasOn = g_tool.mode == ToolMode::Edit;
      ToggleEdit();
      bool imagesEditable = g_engine.FPDFPageObj_GetMatrix && g_engine.FPDFImageObj_SetMatrix && g_engine.FPDFPageObj_GetBounds;
      if (!wasOn && g_tool.mode == ToolMode::Edit && imagesEditable) {
        SelectFirstImage();
        if (g_selection.selectedImage == nullptr) g_session.statusText = u"编辑模式：点选图形或图片，拖动移动";
      }
      return;
    }
    case kCmdArrowTool:
      EnterArrow();
      return;
    case kCmdSegmentTool:
      EnterGeometry(GeometryKind::Segment);
      return;
    case kCmdRectangleTool:
      EnterGeometry(GeometryKind::Rectangle);
      return;
    case kCmdEllipseTool:
      EnterGeometry(GeometryKind::Ellipse);
      return;
    case kCmdTriangleTool:
      EnterGeometry(GeometryKind::Triangle);
      return;
    case kCmdPointTool:
      EnterGeometry(GeometryKind::Point);
      return;
    case kCmdStraightLine:
    case kCmdFixedLengthSegment:
    case kCmdRay:
    case kCmdPolyline:
    case kCmdVector:
    case kCmdEqualVector:
    {
      FPDF_PAGEOBJECT selected = g_selection.object;  // entering the tool clears the selection
      if (EnterLineTool(LineToolKind(id - kCmdStraightLine + 1))) PickSelectedVector(selected);
      return;
    }
    case kCmdDrawingMenuButton:
    case kCmdFloatingDrawingMenu:
      ShowDrawingMenu(id);
      return;
    case kCmdOcr:
      ToggleOcrRegion();
      return;
    case kCmdRecogniseAllPages:
      RecognisePagesCommand(OcrPagesChoice::AllPages);
      return;
    case kCmdRecogniseCurrentPage:
      RecognisePagesCommand(OcrPagesChoice::CurrentPage);
      return;
    case kCmdRecognisePageRange:
      RecognisePagesCommand(OcrPagesChoice::PageRange);
      return;
    case kCmdCoordinateSystem:
      DefineCoordinateSystem();
      return;
    case kCmdScaleCoordinateUp:
    case kCmdScaleCoordinateDown:
      ScaleSelectedCoordinateSystem(id == kCmdScaleCoordinateUp);
      return;
    case kCmdAbout:
      ShowAboutDialog(g_mainWindow);
      return;
    case kCmdInsertImage:
      ChooseImageToInsert();
      return;
    case kCmdScan:
      ScanToNewDocument();
      return;
    case kCmdPrint:
      PrintDocument();
      return;
    case kCmdBackgroundColour:
      ChooseBackgroundColour();
      return;
    case kCmdAddWatermark:
      AddWatermarkCommand();
      return;
    case kCmdRemoveWatermark:
      RemoveWatermarksCommand();
      return;
    case kCmdObjectList:
      OpenObjectList();
      return;
    default:
      if (id >= kCmdRecentFirst && id <= kCmdRecentLast) OpenRecentDocument(id);
      return;
  }
}

}  // namespace

void RouteCommand(int id) {
  // A command interrupts a pan or a stroke in progress, and ends OCR area selection.
  CancelPointerDrag();
  ClosePenOptionsForCommand(id);
  if (g_tool.ocrRegion && id != kCmdOcr) LeaveOcrRegion();
  bool wrap = !IsNonEditingCommand(id);
  EditScope scope;
  if (wrap) scope = BeginPossibleEdit();
  Dispatch(id);
  if (wrap) EndPossibleEdit(scope);
  if (g_mainWindow != nullptr) g_mainWindow->RefreshAll();
}

// The page's own text in the real window: selecting it by click, moving it by dragging on
// turned and cropped pages (the text follows the pointer, never a mirror of it), stopping
// at the page edge, editing on double-click, the property menu, deleting, and the object
// list — each change one undo step.
#include <QContextMenuEvent>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QLabel>
#include <QProcess>
#include <QTimer>

#include "app/editing_test_fixture.h"
#include "content/text_objects.h"
#include "document/save_copy.h"
#include "editing/selection.h"
#include "editing/text_selection.h"
#include "platform/text_encoding.h"
#include "support/text_pdf.h"
#include "widgets/object_list_dialog.h"

namespace {

struct TurnedPage {
  const char* name;
  std::string entries;
};

std::vector<TurnedPage> TurnedAndCroppedPages() {
  std::vector<TurnedPage> pages;
  for (int rotation = 0; rotation < 4; ++rotation) {
    std::string turn = " /Rotate " + std::to_string(rotation * 90);
    static const char* names[] = {"A4 0", "cropped 0", "A4 90", "cropped 90", "A4 180", "cropped 180", "A4 270", "cropped 270"};
    pages.push_back({names[2 * rotation], "/MediaBox [0 0 595 842]" + turn});
    pages.push_back({names[2 * rotation + 1], "/MediaBox [0 0 595 842] /CropBox [100 100 495 742]" + turn});
  }
  return pages;
}

std::optional<std::u16string> g_sizeAnswer;
std::optional<std::u16string> AnswerSize(const std::u16string&, const std::u16string&, const std::u16string&) {
  return g_sizeAnswer;
}

class TextEditWindowTest : public EditingWindowTest {
 protected:
  void TearDown() override {
    g_platform.askText = nullptr;
    EditingWindowTest::TearDown();
  }
  // A page with two texts and a line, shown whole in the select tool.
  void OpenPage(const std::string& entries, const std::string& name = "text.pdf") {
    g_session.modified = false;
    WriteTextPdf(WorkPath(name), entries,
                 TextAt(200, 400, 24, "Move me") + TextAt(200, 300, 24, "Second") +
                     "0 0 1 RG 2 w 150 200 m 400 200 l S\n");
    OpenOrFail(WorkPath(name));
    RouteCommand(kCmdSelectTool);
    RouteCommand(kCmdFitPage);
    Canvas()->repaint();
  }
  FPDF_PAGEOBJECT Text(int index) const { return Objects()[size_t(index)]; }
  IntRect RectOf(FPDF_PAGEOBJECT text) const { return *TextScreenRect(text, g_engine, CurrentPageFrame()); }
  QPoint CentreOf(FPDF_PAGEOBJECT text) const {
    IntRect r = RectOf(text);
    return QPoint((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  }
  FS_MATRIX MatrixOf(FPDF_PAGEOBJECT o) const {
    FS_MATRIX m{};
    g_engine.FPDFPageObj_GetMatrix(o, &m);
    return m;
  }
  std::u16string ContentOf(FPDF_PAGEOBJECT text) const {
    FPDF_TEXTPAGE page = g_engine.FPDFText_LoadPage(g_session.currentPage);
    auto content = ReadTextContent(page, text, g_engine);
    g_engine.FPDFText_ClosePage(page);
    return content.value_or(u"");
  }
  void DragSlowly(QPoint from, QPoint to) {
    Press(from);
    for (int i = 1; i <= 6; ++i) MoveTo(from + (to - from) * i / 6);
    Release(to);
  }
  // Picks a menu item the way a user does: highlighted, then Enter.
  static void Choose(QMenu* menu, int index) {
    menu->setActiveAction(menu->actions()[index]);
    QTest::keyClick(menu, Qt::Key_Return);
  }
  // Runs `pick` on the pop-up menu or dialog that the next call opens.
  static void WhenShown(std::function<void()> pick) { QTimer::singleShot(0, pick); }
};

TEST_F(TextEditWindowTest, AClickSelectsTextAndADragMovesItWithThePointerOnEveryTurnedPage) {
  for (const TurnedPage& page : TurnedAndCroppedPages()) {
    SCOPED_TRACE(page.name);
    OpenPage(page.entries);
    FPDF_PAGEOBJECT text = Text(0);
    QPoint centre = CentreOf(text);
    ASSERT_TRUE(g_view.pageRect.Contains(centre.x(), centre.y()));
    Click(centre);
    ASSERT_EQ(g_selection.selectedText, text);
    EXPECT_TRUE(StatusLine().contains(QStringLiteral("已选中文本：拖动可移动，右键可设置属性，Delete 键可删除")));
    size_t steps = Steps();
    FS_MATRIX before = MatrixOf(text);
    PagePoint start = OnPage(centre);
    QPoint target = centre + QPoint(40, 25);  // right and down on screen, whatever the turn
    DragSlowly(centre, target);
    EXPECT_EQ(g_selection.selectedText, text);
    EXPECT_EQ(g_session.statusText, u"文本已移动");
    EXPECT_EQ(Steps(), steps + 1);
    FS_MATRIX after = MatrixOf(text);
    PagePoint end = OnPage(target);
    EXPECT_NEAR(after.e - before.e, end.x - start.x, 0.05f);
    EXPECT_NEAR(after.f - before.f, end.y - start.y, 0.05f);
    QPoint moved = CentreOf(text);
    EXPECT_NEAR(moved.x() - centre.x(), 40, 2);  // on screen it went where the pointer went
    EXPECT_NEAR(moved.y() - centre.y(), 25, 2);
    if (std::string(page.name) == "cropped 90") Screenshot(QStringLiteral("text-moved-cropped-90"));
    RouteCommand(kCmdUndo);
    EXPECT_NEAR(MatrixOf(Text(0)).e, before.e, 0.01f);
    EXPECT_NEAR(MatrixOf(Text(0)).f, before.f, 0.01f);
  }
}

TEST_F(TextEditWindowTest, DraggingBeyondThePageEdgeStopsAtTheEdge) {
  for (const TurnedPage& page : TurnedAndCroppedPages()) {
    SCOPED_TRACE(page.name);
    OpenPage(page.entries);
    FPDF_PAGEOBJECT text = Text(0);
    QPoint centre = CentreOf(text);
    Click(centre);
    FS_MATRIX before = MatrixOf(text);
    PagePoint start = OnPage(centre);
    const IntRect& r = g_view.pageRect;
    DragSlowly(centre, QPoint(r.right + 300, r.bottom + 300));
    PagePoint corner = OnPage(QPoint(r.right - 1, r.bottom - 1));  // the last pixel inside
    FS_MATRIX after = MatrixOf(text);
    EXPECT_NEAR(after.e - before.e, corner.x - start.x, 0.05f);
    EXPECT_NEAR(after.f - before.f, corner.y - start.y, 0.05f);
  }
}

TEST_F(TextEditWindowTest, SelectingTextLetsGoOfADrawnObjectAndTheOtherWayRound) {
  OpenPage("/MediaBox [0 0 595 842]");
  QPoint onLine = OnScreen({300, 200});
  Click(onLine);
  FPDF_PAGEOBJECT line = g_selection.object;
  ASSERT_NE(line, nullptr);
  Click(CentreOf(Text(1)));
  EXPECT_EQ(g_selection.selectedText, Text(1));
  EXPECT_EQ(g_selection.object, nullptr);
  // The selection shows as a dashed frame 3 pixels outside the text's rectangle.
  QImage shown = Canvas()->grab().toImage();
  shown.save(QStringLiteral(CORVAN_ARTEFACTS) + "/text-selected.png");
  IntRect frame = RectOf(Text(1));
  int blue = 0;
  for (int x = frame.left; x <= frame.right; ++x) {
    QColor c = shown.pixelColor(x, frame.top - 3);
    blue += c.blue() > 180 && c.red() < 60 ? 1 : 0;
  }
  EXPECT_GT(blue, frame.Width() / 4);
  Click(onLine);
  EXPECT_EQ(g_selection.object, line);
  EXPECT_EQ(g_selection.selectedText, nullptr);
  // Entering another mode lets go of the text too.
  Click(CentreOf(Text(1)));
  RouteCommand(kCmdPenTool);
  EXPECT_EQ(g_selection.selectedText, nullptr);
}

TEST_F(TextEditWindowTest, OfTextsOnTopOfEachOtherTheTopmostIsTaken) {
  WriteTextPdf(WorkPath("stacked.pdf"), "/MediaBox [0 0 595 842] /Rotate 270",
               TextAt(200, 400, 24, "Below") + TextAt(200, 400, 24, "Above"));
  OpenOrFail(WorkPath("stacked.pdf"));
  RouteCommand(kCmdSelectTool);
  RouteCommand(kCmdFitPage);
  Canvas()->repaint();
  Click(CentreOf(Text(0)));
  EXPECT_EQ(g_selection.selectedText, Text(1));
  EXPECT_EQ(HitText({CentreOf(Text(0)).x(), CentreOf(Text(0)).y()}, g_engine), Text(1));
}

TEST_F(TextEditWindowTest, DoubleClickEditsTheTextAsOneUndoStep) {
  OpenPage("/MediaBox [0 0 595 842] /Rotate 90");
  TextDialogRequest answer;
  answer.text = u"Moved twice";
  g_script.textAnswers = {answer};
  size_t steps = Steps();
  QTest::mouseDClick(Canvas(), Qt::LeftButton, Qt::NoModifier, CentreOf(Text(0)));
  QApplication::processEvents();
  ASSERT_EQ(g_script.textDialogs.size(), 1u) << RecordedBoxesText();
  EXPECT_EQ(g_script.textDialogs[0].text, u"Move me");
  EXPECT_FALSE(g_script.textDialogs[0].sizeEditable);
  EXPECT_EQ(ContentOf(Text(0)), u"Moved twice");
  EXPECT_EQ(g_selection.selectedText, Text(0));
  EXPECT_EQ(g_session.statusText, u"文本已更新");
  EXPECT_EQ(Steps(), steps + 1);
  RouteCommand(kCmdUndo);
  EXPECT_EQ(ContentOf(Text(0)), u"Move me");
}

TEST_F(TextEditWindowTest, TheDeleteKeyRemovesTheSelectedTextAsOneUndoStep) {
  OpenPage("/MediaBox [0 0 595 842] /CropBox [100 100 495 742] /Rotate 270");
  FPDF_PAGEOBJECT second = Text(1);
  Click(CentreOf(second));
  ASSERT_EQ(g_selection.selectedText, second);
  size_t steps = Steps(), count = Objects().size();
  QTest::keyClick(Canvas(), Qt::Key_Delete);
  EXPECT_EQ(Objects().size(), count - 1);
  EXPECT_EQ(g_selection.selectedText, nullptr);
  EXPECT_EQ(g_session.statusText, u"所选文本已删除");
  EXPECT_EQ(Steps(), steps + 1);
  RouteCommand(kCmdUndo);
  EXPECT_EQ(Objects().size(), count);
}

TEST_F(TextEditWindowTest, ThePropertyMenuSetsTheSizeAndTheColourEachAsOneUndoStep) {
  OpenPage("/MediaBox [0 0 595 842] /Rotate 180");
  FPDF_PAGEOBJECT text = Text(0);
  QPoint centre = CentreOf(text);
  g_platform.askText = AnswerSize;
  g_sizeAnswer = u"12";
  size_t steps = Steps();
  QStringList shown;
  WhenShown([&shown] {
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (menu == nullptr) return;
    for (QAction* action : menu->actions()) shown << action->text();
    Choose(menu, 0);
  });
  Click(centre, Qt::RightButton);  // selects the text under the pointer and opens its menu
  EXPECT_EQ(shown, (QStringList{QStringLiteral("设置字号..."), QStringLiteral("设置文字颜色...")}));
  EXPECT_EQ(g_selection.selectedText, text);
  EXPECT_NEAR(*EffectiveFontSize(text, g_engine), 12.0, 1e-3);
  EXPECT_EQ(Steps(), steps + 1);
  EXPECT_TRUE(g_session.fullRewrite);

  // The context-menu key: the selected text's menu, the second item.
  g_script.colourAnswers = {0x00AA00u};
  WhenShown([] {
    if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) Choose(menu, 1);
  });
  QContextMenuEvent key(QContextMenuEvent::Keyboard, QPoint(0, 0), QPoint(0, 0));
  QApplication::sendEvent(Canvas(), &key);
  QApplication::processEvents();
  unsigned r, g, b, a;
  ASSERT_TRUE(g_engine.FPDFPageObj_GetFillColor(text, &r, &g, &b, &a));
  EXPECT_EQ(g, 0xAAu);
  EXPECT_EQ(r, 0u);
  EXPECT_EQ(Steps(), steps + 2);
  EXPECT_EQ(g_selection.selectedText, text);
  Screenshot(QStringLiteral("text-resized-recoloured-180"));
}

TEST_F(TextEditWindowTest, TheObjectListDeletesAnObjectAsOneUndoStep) {
  OpenPage("/MediaBox [0 0 595 842]");
  Click(CentreOf(Text(0)));
  ASSERT_NE(g_selection.selectedText, nullptr);
  size_t steps = Steps(), count = Objects().size();
  QString summary;
  std::vector<QString> before, after;
  g_script.answers = {MessageAnswer::Yes};
  WhenShown([&] {
    auto* dialog = dynamic_cast<ObjectListDialog*>(QApplication::activeModalWidget());
    if (dialog == nullptr) return;
    summary = dialog->summary()->text();
    for (int i = 0; i < dialog->list()->count(); ++i) before.push_back(dialog->list()->item(i)->text());
    dialog->list()->setCurrentRow(1);
    dialog->deleteButton()->click();
    for (int i = 0; i < dialog->list()->count(); ++i) after.push_back(dialog->list()->item(i)->text());
    dialog->grab().save(QStringLiteral(CORVAN_ARTEFACTS) + "/object-list-dialog.png");
    dialog->accept();
  });
  RouteCommand(kCmdObjectList);
  EXPECT_EQ(g_selection.selectedText, nullptr) << "the list starts with no selection";
  EXPECT_EQ(summary, QStringLiteral("当前页有 2 个可编辑对象（文本和图片）"));
  EXPECT_EQ(before, (std::vector<QString>{QStringLiteral("[文本] Move me"), QStringLiteral("[文本] Second")}));
  EXPECT_EQ(after, (std::vector<QString>{QStringLiteral("[文本] Move me")}));
  ASSERT_FALSE(g_script.boxes.empty());
  EXPECT_EQ(Utf8(g_script.boxes.back().text), "确定删除所选对象吗？\n[文本] Second");
  EXPECT_EQ(Objects().size(), count - 1);
  EXPECT_EQ(Steps(), steps + 1);
  RouteCommand(kCmdUndo);
  EXPECT_EQ(Objects().size(), count);
}

TEST_F(TextEditWindowTest, EditedTextLooksTheSameInTheWindowAndInOtherReaders) {
  OpenPage("/MediaBox [0 0 595 842] /CropBox [100 100 495 742] /Rotate 90");
  // Move the first text, recolour and enlarge the second, then rewrite the first.
  Click(CentreOf(Text(0)));
  DragSlowly(CentreOf(Text(0)), CentreOf(Text(0)) + QPoint(30, -40));
  Click(CentreOf(Text(1)));
  g_script.colourAnswers = {0x2020E0u};  // red
  WhenShown([] {
    if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) Choose(menu, 1);
  });
  Click(CentreOf(Text(1)), Qt::RightButton);
  g_platform.askText = AnswerSize;
  g_sizeAnswer = u"36";
  WhenShown([] {
    if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) Choose(menu, 0);
  });
  Click(CentreOf(Text(1)), Qt::RightButton);
  TextDialogRequest answer;
  answer.text = u"Edited and moved";
  g_script.textAnswers = {answer};
  QTest::mouseDClick(Canvas(), Qt::LeftButton, Qt::NoModifier, CentreOf(Text(0)));
  QApplication::processEvents();
  ASSERT_TRUE(g_script.boxes.empty()) << RecordedBoxesText();
  EXPECT_EQ(Steps(), 4u);
  Screenshot(QStringLiteral("text-edits-window"));

  g_script.dialogAnswers = {WorkPath16("edited.pdf")};
  ASSERT_TRUE(SavePdfCopy(u"_annotated.pdf", u"已保存 PDF 副本。"));
  QString pdf = QString::fromStdString(WorkPath("edited.pdf"));
  QString artefact = QStringLiteral(CORVAN_ARTEFACTS) + "/text-edits";
  EXPECT_EQ(QProcess::execute("pdftoppm", {"-cropbox", "-png", "-r", "60", "-singlefile", pdf, artefact + "-poppler"}), 0);
  EXPECT_EQ(QProcess::execute("mutool", {"draw", "-q", "-r", "60", "-o", artefact + "-mupdf.png", pdf, "1"}), 0);
  std::string text = ExtractedText(WorkPath("edited.pdf"));
  EXPECT_NE(text.find("Edited and moved"), std::string::npos) << text;
  EXPECT_NE(text.find("Second"), std::string::npos) << text;
  EXPECT_EQ(text.find("Move me"), std::string::npos) << text;
}

}  // namespace

// The text tool in the real window: the in-place box, its controls and keys, what it adds
// and how that is undone; the shared text dialog; the on-screen keyboard beside text entry.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDialog>
#include <QFileInfo>
#include <QProcess>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <string>

#include "app/command_router.h"
#include "app/gui_test.h"
#include "app/main_window.h"
#include "content/add_text.h"
#include "document/session.h"
#include "document/undo_history.h"
#include "engine/engine_table.h"
#include "external/printing.h"
#include "view/command_ids.h"
#include "view/page_view.h"
#include "view/tool_state.h"
#include "widgets/edit_triggers.h"
#include "widgets/page_canvas.h"
#include "widgets/page_number_controls.h"
#include "widgets/page_text_box.h"
#include "widgets/qt_platform.h"
#include "widgets/qt_text_dialog.h"

namespace {

class TextWindowTest : public GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    g_textSettings = TextToolSettings{};
  }
  void TearDown() override {
    if (TextBoxEditor() != nullptr) FinishTextBox(false);
    QApplication::processEvents();
    GuiTest::TearDown();
  }
  void OpenPage(const std::string& entries) {
    WriteHandMadePdf(WorkPath("page.pdf"), entries);
    StartWindow({QString::fromStdString(WorkPath("page.pdf"))});
    RouteCommand(kCmdFitPage);
    Canvas()->repaint();
    RouteCommand(kCmdAddText);
    QApplication::processEvents();
    ASSERT_EQ(g_tool.mode, ToolMode::Text);
  }
  QPoint At(float fx, float fy) const {
    const IntRect& r = g_view.pageRect;
    return QPoint(r.left + int(fx * r.Width()), r.top + int(fy * r.Height()));
  }
  // Boxes still on the canvas once finished widgets are really gone.
  int Boxes() const {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return int(Canvas()->findChildren<QPlainTextEdit*>(kInPlaceTextEditorName).size());
  }
  void Type(const QString& text) {
    QTest::keyClicks(TextBoxEditor(), text);
    QApplication::processEvents();
  }
  // Text as an input method commits it (fcitx5, ibus).
  void Compose(const QString& text) {
    QInputMethodEvent preedit(QStringLiteral("zhong"), {});
    QApplication::sendEvent(TextBoxEditor(), &preedit);
    QInputMethodEvent commit;
    commit.setCommitString(text);
    QApplication::sendEvent(TextBoxEditor(), &commit);
    QApplication::processEvents();
  }
  void CtrlEnter() {
    QTest::keyClick(TextBoxEditor(), Qt::Key_Return, Qt::ControlModifier);
    QApplication::processEvents();
  }
  std::vector<std::u16string> PageTexts() const {
    std::vector<std::u16string> texts;
    for (int i = 0; i < CurrentObjectCount(); ++i) {
      FPDF_PAGEOBJECT object = g_engine.FPDFPage_GetObject(g_session.currentPage, i);
      if (g_engine.FPDFPageObj_GetType(object) != 1) continue;
      FPDF_TEXTPAGE page = g_engine.FPDFText_LoadPage(g_session.currentPage);
      unsigned long length = g_engine.FPDFTextObj_GetText(object, page, nullptr, 0);
      std::u16string text(length / 2, u'\0');
      g_engine.FPDFTextObj_GetText(object, page, reinterpret_cast<FPDF_WCHAR*>(text.data()), length);
      g_engine.FPDFText_ClosePage(page);
      while (!text.empty() && text.back() == u'\0') text.pop_back();
      texts.push_back(text);
    }
    return texts;
  }
};

constexpr const char* kA4 = "/MediaBox [0 0 595 842]";

TEST_F(TextWindowTest, AClickOpensTheBoxWithItsControlsAndCtrlEnterAddsOneUndoStep) {
  OpenPage(kA4);
  QPoint click = At(0.2f, 0.3f);
  Click(click);
  ASSERT_EQ(Boxes(), 1);
  QPlainTextEdit* box = TextBoxEditor();
  EXPECT_EQ(box->pos(), click);
  EXPECT_TRUE(box->hasFocus());
  EXPECT_TRUE(StatusLine().endsWith(QStringLiteral("页面输入文字：选择字体和字号，Ctrl+Enter 完成，Esc 取消")))
      << StatusLine().toStdString();
  // The row above the box: 字体: [list] 字号: [18.0] 颜色...
  QComboBox* fonts = TextBoxFontList();
  ASSERT_NE(fonts, nullptr);
  QStringList names;
  for (int i = 0; i < fonts->count(); ++i) names << fonts->itemText(i);
  EXPECT_EQ(names, (QStringList{"微软雅黑", "宋体", "黑体", "Arial Unicode MS"}));
  EXPECT_EQ(fonts->currentText(), QStringLiteral("微软雅黑"));
  EXPECT_EQ(TextBoxSizeField()->text(), QStringLiteral("18.0"));
  EXPECT_EQ(TextBoxColourButton()->text(), QStringLiteral("颜色..."));
  EXPECT_EQ(fonts->geometry().topLeft(), QPoint(click.x() + 32, click.y() - 26));
  EXPECT_EQ(TextBoxSizeField()->geometry(), QRect(click.x() + 185, click.y() - 26, 56, 22));
  EXPECT_EQ(TextBoxColourButton()->geometry(), QRect(click.x() + 246, click.y() - 26, 64, 22));
  // The page shows through the box.
  EXPECT_FALSE(box->viewport()->autoFillBackground());
  EXPECT_EQ(box->palette().color(QPalette::Base).alpha(), 0);

  Type(QStringLiteral("Hello "));
  Compose(QStringLiteral("中文"));
  Screenshot("text-box-open");
  size_t steps = g_history.undo.size();
  CtrlEnter();
  EXPECT_EQ(Boxes(), 0);
  EXPECT_EQ(TextBoxEditor(), nullptr);
  EXPECT_EQ(PageTexts(), (std::vector<std::u16string>{u"Hello 中文"}));
  EXPECT_TRUE(StatusLine().endsWith(QStringLiteral("文本已添加"))) << StatusLine().toStdString();
  EXPECT_TRUE(window_->windowTitle().endsWith(" *"));
  EXPECT_TRUE(g_script.boxes.empty()) << RecordedBoxesText();
  Screenshot("text-added");
  ASSERT_EQ(g_history.undo.size(), steps + 1);
  RouteCommand(kCmdUndo);
  EXPECT_TRUE(PageTexts().empty());
}

TEST_F(TextWindowTest, ThePageShowsThroughAnOpenBox) {
  OpenPage(kA4);
  QPoint click = At(0.2f, 0.3f);
  Click(click);
  Type(QStringLiteral("MMMMMMMM"));
  CtrlEnter();
  ASSERT_EQ(PageTexts().size(), 1u);
  Click(click);  // a new, empty box over the text just added
  ASSERT_NE(TextBoxEditor(), nullptr);
  ASSERT_TRUE(TextBoxEditor()->toPlainText().isEmpty());
  QImage shot = Canvas()->grab().toImage();
  QRect inside = TextBoxEditor()->geometry().adjusted(3, 3, -3, -3);
  int dark = 0;
  for (int y = inside.top(); y <= inside.bottom(); ++y) {
    for (int x = inside.left(); x <= inside.right(); ++x) dark += qGray(shot.pixel(x, y)) < 100;
  }
  EXPECT_GT(dark, 100) << "the box hides the page under it";
  Screenshot("text-box-over-text");
}

TEST_F(TextWindowTest, ASecondClickOnlyRefocusesAndEscDiscards) {
  OpenPage(kA4);
  Click(At(0.2f, 0.3f));
  Type(QStringLiteral("abc"));
  QPoint first = TextBoxEditor()->pos();
  Click(At(0.6f, 0.7f));
  EXPECT_EQ(Boxes(), 1);
  EXPECT_EQ(TextBoxEditor()->pos(), first);
  EXPECT_TRUE(TextBoxEditor()->hasFocus());
  EXPECT_EQ(TextBoxEditor()->toPlainText(), QStringLiteral("abc"));
  QTest::keyClick(TextBoxEditor(), Qt::Key_Escape);
  QApplication::processEvents();
  EXPECT_EQ(Boxes(), 0);
  EXPECT_EQ(CurrentObjectCount(), 0);
  EXPECT_FALSE(g_session.modified);
}

TEST_F(TextWindowTest, PlainEnterIsANewLineAndPastedTextIsAddedLineByLine) {
  OpenPage(kA4);
  Click(At(0.1f, 0.1f));
  Compose(QStringLiteral("第一"));
  QTest::keyClick(TextBoxEditor(), Qt::Key_Return);
  QApplication::clipboard()->setText(QStringLiteral("粘贴的文本\r\n再一行"));
  QTest::keyClick(TextBoxEditor(), Qt::Key_V, Qt::ControlModifier);
  QApplication::processEvents();
  EXPECT_EQ(Boxes(), 1);
  CtrlEnter();
  EXPECT_EQ(PageTexts(), (std::vector<std::u16string>{u"第一", u"粘贴的文本", u"再一行"}));
}

TEST_F(TextWindowTest, LosingTheFocusToAnotherControlAddsTheTextAsOneUndoStep) {
  OpenPage(kA4);
  Click(At(0.3f, 0.3f));
  Type(QStringLiteral("focus"));
  // The font list and the size field belong to the box: no addition.
  TextBoxSizeField()->setFocus(Qt::MouseFocusReason);
  QApplication::processEvents();
  EXPECT_EQ(Boxes(), 1);
  TextBoxEditor()->setFocus();
  size_t steps = g_history.undo.size();
  QLineEdit* pageBox = Canvas()->pageControls()->pageEdit();
  QTest::mouseClick(pageBox, Qt::LeftButton);
  QApplication::processEvents();
  EXPECT_EQ(Boxes(), 0);
  EXPECT_EQ(PageTexts(), (std::vector<std::u16string>{u"focus"}));
  ASSERT_EQ(g_history.undo.size(), steps + 1);
  Canvas()->setFocus();  // in the page box Ctrl+Z would undo its typing
  RouteCommand(kCmdUndo);
  EXPECT_TRUE(PageTexts().empty());
}

TEST_F(TextWindowTest, WrongControlsKeepTheBoxAndOnlyLineEndsAddNothing) {
  OpenPage(kA4);
  Click(At(0.3f, 0.3f));
  Type(QStringLiteral("keep me"));
  TextBoxSizeField()->setText(QStringLiteral("12pt"));
  TextBoxEditor()->setFocus();
  CtrlEnter();
  ASSERT_EQ(Boxes(), 1);
  EXPECT_EQ(TextBoxEditor()->toPlainText(), QStringLiteral("keep me"));
  ASSERT_EQ(g_script.boxes.size(), 1u);
  EXPECT_EQ(g_script.boxes[0].caption, u"字号无效");
  EXPECT_EQ(g_script.boxes[0].text, u"字号必须为 4 到 144 磅。");
  EXPECT_TRUE(TextBoxSizeField()->hasFocus());
  EXPECT_EQ(TextBoxSizeField()->selectedText(), QStringLiteral("12pt"));
  EXPECT_EQ(CurrentObjectCount(), 0);

  TextBoxSizeField()->setText(QStringLiteral("36"));
  TextBoxEditor()->setFocus();
  TextBoxEditor()->setPlainText(QStringLiteral("\n\n"));
  g_script.boxes.clear();
  CtrlEnter();
  EXPECT_EQ(Boxes(), 0);
  ASSERT_EQ(g_script.boxes.size(), 1u);
  EXPECT_EQ(g_script.boxes[0].caption, u"文本添加失败");
  EXPECT_EQ(g_script.boxes[0].text, u"文本无法加入 PDF 页面。\n请检查文本行数和页面空间。");
  EXPECT_EQ(g_script.boxes[0].icon, MessageIcon::Error);
  EXPECT_EQ(CurrentObjectCount(), 0);
  EXPECT_FLOAT_EQ(g_textSettings.size, 36);  // the next box starts with the size read
}

// Characters the font has no glyph for are named; the box keeps what was typed, as for a
// wrong size, and nothing reaches the page.
TEST_F(TextWindowTest, CharactersTheFontCannotWriteAreNamedAndTheBoxKeepsTheText) {
  OpenPage(kA4);
  Click(At(0.3f, 0.3f));
  Type(QStringLiteral("office "));
  TextBoxEditor()->insertPlainText(QStringLiteral("\uFB00 😀"));  // as an input method commits them
  g_script.boxes.clear();
  CtrlEnter();
  ASSERT_EQ(Boxes(), 1);
  EXPECT_EQ(TextBoxEditor()->toPlainText(), QStringLiteral("office \uFB00 😀"));
  ASSERT_EQ(g_script.boxes.size(), 1u);
  EXPECT_EQ(g_script.boxes[0].caption, u"文本添加失败");
  EXPECT_EQ(g_script.boxes[0].text, u"所选字体中没有这些字符，无法写入：“\uFB00”“😀”。文本未添加。");
  EXPECT_EQ(CurrentObjectCount(), 0);
  EXPECT_FALSE(g_session.modified);

  TextBoxEditor()->setPlainText(QStringLiteral("office"));
  g_script.boxes.clear();
  CtrlEnter();
  EXPECT_EQ(Boxes(), 0);
  EXPECT_TRUE(g_script.boxes.empty()) << RecordedBoxesText();
  EXPECT_EQ(PageTexts(), (std::vector<std::u16string>{u"office"}));
}

TEST_F(TextWindowTest, ANewSizeRebuildsThePreviewAndColourComesFromTheDialog) {
  OpenPage(kA4);
  Click(At(0.3f, 0.3f));
  int height = TextBoxEditor()->font().pixelSize();
  TextBoxSizeField()->setText(QStringLiteral("36"));
  TextBoxSizeField()->setFocus();
  TextBoxEditor()->setFocus();  // the size field loses the focus
  QApplication::processEvents();
  EXPECT_NEAR(TextBoxEditor()->font().pixelSize(), 2 * height, 1);
  EXPECT_EQ(TextBoxEditor()->height(), std::max(3 * TextBoxEditor()->font().pixelSize(), 48));
  g_script.colourAnswers = {0x00FF0000u};  // blue
  QTest::mouseClick(TextBoxColourButton(), Qt::LeftButton);
  ASSERT_EQ(g_script.colourDialogs.size(), 1u);
  EXPECT_EQ(g_script.colourDialogs[0], (25u | 25u << 8 | 25u << 16));
  EXPECT_EQ(TextBoxEditor()->palette().color(QPalette::Text), QColor(0, 0, 255));
  EXPECT_TRUE(TextBoxEditor()->hasFocus());
  Type(QStringLiteral("blue"));
  CtrlEnter();
  FPDF_PAGEOBJECT text = g_engine.FPDFPage_GetObject(g_session.currentPage, 0);
  unsigned r, g, b, a;
  ASSERT_TRUE(g_engine.FPDFPageObj_GetFillColor(text, &r, &g, &b, &a));
  EXPECT_EQ(r, 0u);
  EXPECT_EQ(b, 255u);
}

TEST_F(TextWindowTest, APageShownTooSmallOpensNoBox) {
  // 3000 × 20 points fitted into the window: a strip a few pixels high.
  OpenPage("/MediaBox [0 0 3000 20]");
  ASSERT_LT(g_view.pageRect.Height(), 24);
  Click(At(0.5f, 0.5f));
  EXPECT_EQ(Boxes(), 0);
  EXPECT_TRUE(g_script.boxes.empty()) << RecordedBoxesText();
}

TEST_F(TextWindowTest, OnATurnedCroppedPageTheTextStartsAtTheClickUpright) {
  OpenPage("/MediaBox [0 0 595 842] /CropBox [100 100 495 742] /Rotate 90");
  QPoint click = At(0.25f, 0.3f);
  Click(click);
  Compose(QStringLiteral("转向"));
  CtrlEnter();
  ASSERT_EQ(PageTexts(), (std::vector<std::u16string>{u"转向"}));
  FS_MATRIX m{};
  ASSERT_TRUE(g_engine.FPDFPageObj_GetMatrix(g_engine.FPDFPage_GetObject(g_session.currentPage, 0), &m));
  float ox, oy, rx, ry;
  PageToScreen(m.e, m.f, ox, oy);
  PageToScreen(m.e + m.a, m.f + m.b, rx, ry);
  EXPECT_GT(rx, ox);             // reads to the right on screen
  EXPECT_NEAR(ry, oy, 0.01f);
  EXPECT_NEAR(ox, click.x(), 1.0f);
  EXPECT_GT(oy, click.y());      // baseline below the click
  Screenshot("text-turned-page");
}

TEST_F(TextWindowTest, ChineseTextOnATurnedPageIsSavedAndOtherReadersShowAndExtractIt) {
  OpenPage("/MediaBox [0 0 595 842] /CropBox [100 100 495 742] /Rotate 270");
  Click(At(0.1f, 0.15f));
  Compose(QStringLiteral("你好，世界 Hello 123"));
  QTest::keyClick(TextBoxEditor(), Qt::Key_Return);
  Compose(QStringLiteral("数学：三角形ABC 面积＝½ab"));
  CtrlEnter();
  ASSERT_TRUE(g_script.boxes.empty()) << RecordedBoxesText();
  ASSERT_EQ(PageTexts().size(), 2u);
  QString artefact = QStringLiteral(CORVAN_ARTEFACTS) + "/text-chinese-turned";
  Screenshot("text-chinese-turned-window");
  g_script.dialogAnswers = {WorkPath16("chinese.pdf")};
  RouteCommand(kCmdSaveCopy);
  QString pdf = QString::fromStdString(WorkPath("chinese.pdf"));
  ASSERT_TRUE(QFileInfo::exists(pdf)) << RecordedBoxesText();
  EXPECT_EQ(QProcess::execute("pdftoppm", {"-cropbox", "-png", "-r", "72", "-singlefile", pdf, artefact + "-poppler"}), 0);
  EXPECT_EQ(QProcess::execute("mutool", {"draw", "-q", "-r", "72", "-o", artefact + "-mupdf.png", pdf, "1"}), 0);
  // Both readers show the page turned as on screen: wider than high.
  QImage poppler(artefact + "-poppler.png"), mupdf(artefact + "-mupdf.png");
  EXPECT_GT(poppler.width(), poppler.height());
  EXPECT_EQ(mupdf.size(), poppler.size());
  QProcess text;
  text.start("pdftotext", {pdf, "-"});
  ASSERT_TRUE(text.waitForFinished(30000));
  QString extracted = QString::fromUtf8(text.readAllStandardOutput());
  EXPECT_TRUE(extracted.contains(QStringLiteral("你好，世界 Hello 123"))) << extracted.toStdString();
  EXPECT_TRUE(extracted.contains(QStringLiteral("数学：三角形ABC 面积＝½ab"))) << extracted.toStdString();
}

// The shared text dialog, as adding, editing and watermarks open it.
class TextDialogTest : public GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    StartWindow();
  }
  QDialog* Build(TextDialogRequest& request) {
    QDialog* dialog = BuildTextDialog(window_, request);
    dialog->show();
    QApplication::processEvents();
    return dialog;
  }
  // The prompt above the text field (the other label names the size).
  static QString Label(QDialog* dialog) {
    for (QLabel* label : dialog->findChildren<QLabel*>()) {
      if (label->text() != QStringLiteral("字号（磅）：")) return label->text();
    }
    return {};
  }
  static QPlainTextEdit* TextField(QDialog* d) { return d->findChild<QPlainTextEdit*>(kTextDialogTextName); }
  static QLineEdit* SizeField(QDialog* d) { return d->findChild<QLineEdit*>(kTextDialogSizeName); }
  static QPushButton* Ok(QDialog* d) { return d->findChild<QPushButton*>(kTextDialogOkName); }
};

TEST_F(TextDialogTest, EachModeHasItsTitleLabelSizeAndButton) {
  TextDialogRequest add;
  QDialog* dialog = Build(add);
  EXPECT_EQ(dialog->windowTitle(), QStringLiteral("添加文本"));
  EXPECT_EQ(Label(dialog), QStringLiteral("输入要添加的文本："));
  QStringList labels;
  for (QLabel* label : dialog->findChildren<QLabel*>()) labels << label->text();
  EXPECT_TRUE(labels.contains(QStringLiteral("字号（磅）："))) << labels.join('|').toStdString();
  EXPECT_EQ(SizeField(dialog)->text(), QStringLiteral("18"));
  EXPECT_EQ(Ok(dialog)->text(), QStringLiteral("添加"));
  EXPECT_TRUE(TextField(dialog)->hasFocus());
  QStringList buttons;
  for (auto* button : dialog->findChildren<QPushButton*>()) buttons << button->text();
  EXPECT_TRUE(buttons.contains(QStringLiteral("取消")));
  delete dialog;

  TextDialogRequest edit;
  edit.editing = true;
  edit.text = u"旧的文本";
  edit.size = 12.25f;
  dialog = Build(edit);
  EXPECT_EQ(dialog->windowTitle(), QStringLiteral("编辑文本"));
  EXPECT_EQ(Label(dialog), QStringLiteral("编辑文本内容："));
  EXPECT_EQ(TextField(dialog)->toPlainText(), QStringLiteral("旧的文本"));
  EXPECT_EQ(SizeField(dialog)->text(), QStringLiteral("12.2"));
  EXPECT_EQ(Ok(dialog)->text(), QStringLiteral("应用"));
  EXPECT_TRUE(SizeField(dialog)->isVisible());
  delete dialog;

  edit.sizeEditable = false;
  dialog = Build(edit);
  EXPECT_FALSE(SizeField(dialog)->isVisible());
  SizeField(dialog)->setText(QStringLiteral("abc"));  // hidden: not checked
  QTest::mouseClick(Ok(dialog), Qt::LeftButton);
  EXPECT_EQ(dialog->result(), 1);
  EXPECT_FLOAT_EQ(edit.size, 12.25f);
  delete dialog;

  TextDialogRequest watermark;
  watermark.watermark = true;
  dialog = Build(watermark);
  EXPECT_EQ(dialog->windowTitle(), QStringLiteral("添加水印"));
  EXPECT_EQ(Label(dialog), QStringLiteral("输入水印文字："));
  EXPECT_EQ(SizeField(dialog)->text(), QStringLiteral("48"));
  EXPECT_EQ(Ok(dialog)->text(), QStringLiteral("添加"));
  delete dialog;
}

TEST_F(TextDialogTest, WrongInputKeepsTheDialogAndGoodInputIsHandedBack) {
  TextDialogRequest request;
  QDialog* dialog = Build(request);
  QTest::mouseClick(Ok(dialog), Qt::LeftButton);
  EXPECT_TRUE(dialog->isVisible());
  ASSERT_EQ(g_script.boxes.size(), 1u);
  EXPECT_EQ(g_script.boxes[0].caption, u"文本无效");
  EXPECT_EQ(g_script.boxes[0].text, u"请输入 1 到 4096 个字符的文本。");
  EXPECT_EQ(g_script.boxes[0].icon, MessageIcon::Warning);

  TextField(dialog)->setPlainText(QStringLiteral("水印 Text"));
  for (const char* refused : {"3.9", "144.1", "12pt", "abc"}) {
    SCOPED_TRACE(refused);
    g_script.boxes.clear();
    SizeField(dialog)->setText(QString::fromLatin1(refused));
    TextField(dialog)->setFocus();
    QTest::mouseClick(Ok(dialog), Qt::LeftButton);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(dialog->result(), 0);
    ASSERT_EQ(g_script.boxes.size(), 1u);
    EXPECT_EQ(g_script.boxes[0].caption, u"字号无效");
    EXPECT_EQ(g_script.boxes[0].text, u"字号必须为 4 到 144 磅。");
    EXPECT_TRUE(SizeField(dialog)->hasFocus());
    EXPECT_EQ(TextField(dialog)->toPlainText(), QStringLiteral("水印 Text"));
  }
  for (const char* accepted : {"4", "144"}) {
    SizeField(dialog)->setText(QString::fromLatin1(accepted));
    QTest::mouseClick(Ok(dialog), Qt::LeftButton);
    EXPECT_EQ(dialog->result(), 1);
    EXPECT_EQ(request.text, u"水印 Text");
    EXPECT_FLOAT_EQ(request.size, std::stof(accepted));
    dialog->setResult(0);
    dialog->show();
  }
  delete dialog;
}

TEST_F(TextDialogTest, TheSeamRunsTheDialogModallyAndCancelGivesFalse) {
  TextDialogRequest request;
  QTimer::singleShot(0, [] {
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    dialog->findChild<QPlainTextEdit*>(kTextDialogTextName)->setPlainText(QStringLiteral("经由接口"));
    dialog->findChild<QPushButton*>(kTextDialogOkName)->click();
  });
  // Through the seam as the window installs it, as other features call it.
  PlatformSeam scripted = g_platform;
  PrinterSeam scriptedPrinter = g_printer;
  InstallQtPlatform(window_);
  EXPECT_TRUE(ShowTextDialog(request));
  g_platform = scripted;
  g_printer = scriptedPrinter;
  EXPECT_EQ(request.text, u"经由接口");
  EXPECT_FLOAT_EQ(request.size, 18);
  QTimer::singleShot(0, [] { QApplication::activeModalWidget()->close(); });
  EXPECT_FALSE(RunTextDialog(window_, request));
}

}  // namespace

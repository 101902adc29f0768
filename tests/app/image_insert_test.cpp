// Putting pictures on the page, replacing and deleting them, and the files that are refused
// without changing anything.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>

#include "app/image_test_fixture.h"
#include "content/image_file.h"
#include "document/edit_wrapper.h"
#include "editing/image_commands.h"
#include "view/page_view.h"
#include "view/status_line.h"

namespace {

class ImageInsertTest : public ImageWindowTest {
 protected:
  void SetUp() override {
    ImageWindowTest::SetUp();
    ASSERT_TRUE(WritePicture(WorkPath("photo.jpg"), 64, 48, "JPG"));
    ASSERT_TRUE(WritePicture(WorkPath("clear.PNG"), 40, 30, "PNG", QColor(220, 30, 30, 255), QColor(30, 60, 220, 0), true));
  }
  std::u16string U16(const std::string& s) const { return std::u16string(s.begin(), s.end()); }
};

TEST_F(ImageInsertTest, AJpegAndACapitalisedPngArePlacedCentredOnTheClickAndSelected) {
  Open("/MediaBox [0 0 595 842]");
  QPoint click = At(0.4f, 0.5f);
  PagePoint clicked = OnPage(click);
  InsertByClick(WorkPath("photo.jpg"), click);
  click = OnScreen(clicked);  // the image panel narrowed the view
  ASSERT_EQ(Images().size(), 1u) << RecordedBoxesText();
  FPDF_PAGEOBJECT jpeg = Images()[0];
  EXPECT_EQ(g_selection.selectedImage, jpeg);
  EXPECT_EQ(g_tool.mode, ToolMode::Edit);
  EXPECT_EQ(g_session.statusText, u"图片已添加：可拖动移动或调整大小");
  EXPECT_EQ(g_script.dialogs.back().title, u"选择要添加的图片");
  EXPECT_EQ(g_script.dialogs.back().filters.at(0).patterns, u"*.jpg;*.jpeg;*.png");
  EXPECT_EQ(Steps(), 1u) << "one undo step for the placement";
  FS_MATRIX m = Matrix(jpeg);
  EXPECT_FLOAT_EQ(m.a, 120);
  EXPECT_FLOAT_EQ(m.d, 90);
  QPointF centre = Screen(jpeg, 0.5, 0.5);
  EXPECT_NEAR(centre.x(), click.x(), 1);
  EXPECT_NEAR(centre.y(), click.y(), 1);
  unsigned w = 0, h = 0;
  ASSERT_TRUE(g_engine.FPDFImageObj_GetImagePixelSize(jpeg, &w, &h));
  EXPECT_EQ(w, 64u);
  EXPECT_EQ(h, 48u);
  // Red on the left of the click, blue on its right, as in the file.
  QColor left = ShownAt((Screen(jpeg, 0.25, 0.4)).toPoint()), right = ShownAt(Screen(jpeg, 0.75, 0.4).toPoint());
  EXPECT_GT(left.red(), 150);
  EXPECT_LT(left.blue(), 100);
  EXPECT_GT(right.blue(), 150);
  EXPECT_LT(right.red(), 100);

  RouteCommand(kCmdSelectTool);
  InsertByClick(WorkPath("clear.PNG"), At(0.6f, 0.3f));
  ASSERT_EQ(Images().size(), 2u) << RecordedBoxesText();
  FPDF_PAGEOBJECT png = Images()[1];
  ASSERT_TRUE(g_engine.FPDFImageObj_GetImagePixelSize(png, &w, &h));
  EXPECT_EQ(w, 40u);
  EXPECT_EQ(h, 30u);
  // The transparent right half lets the white paper through.
  QColor clear = ShownAt(Screen(png, 0.75, 0.4).toPoint());
  EXPECT_GT(clear.red(), 240);
  EXPECT_GT(clear.blue(), 240);
  QColor solid = ShownAt(Screen(png, 0.25, 0.4).toPoint());
  EXPECT_GT(solid.red(), 150);
  EXPECT_LT(solid.green(), 100);
  EXPECT_EQ(Steps(), 2u);
  RouteCommand(kCmdUndo);
  EXPECT_EQ(Images().size(), 1u);
  Screenshot("image-inserted");
}

TEST_F(ImageInsertTest, PicturesStandUprightCentredOnTheClickOnTurnedAndCroppedPages) {
  for (int turn = 0; turn < 4; ++turn) {
    SCOPED_TRACE(turn);
    Open("/MediaBox [0 0 595 842] /CropBox [100 100 500 700] /Rotate " + std::to_string(turn * 90));
    ASSERT_EQ(PageRotation(), turn);
    QPoint click = At(0.35f, 0.6f);
    PagePoint clicked = OnPage(click);
    InsertByClick(WorkPath("photo.jpg"), click);
    click = OnScreen(clicked);  // the image panel narrowed the view
    ASSERT_EQ(Images().size(), 1u) << RecordedBoxesText();
    FPDF_PAGEOBJECT image = Images()[0];
    QPointF centre = Screen(image, 0.5, 0.5), right = Screen(image, 1, 0.5), top = Screen(image, 0.5, 1);
    EXPECT_NEAR(centre.x(), click.x(), 1);
    EXPECT_NEAR(centre.y(), click.y(), 1);
    double scale = double(g_view.pageRect.Width()) / CurrentPageFrame().DisplayedWidth();
    EXPECT_NEAR(right.x() - centre.x(), 60 * scale, 1) << "the picture's right is right on screen";
    EXPECT_NEAR(right.y(), centre.y(), 1);
    EXPECT_NEAR(centre.y() - top.y(), 45 * scale, 1) << "its top is up on screen";
    EXPECT_NEAR(top.x(), centre.x(), 1);
    QColor left = ShownAt(Screen(image, 0.25, 0.4).toPoint());
    EXPECT_GT(left.red(), 150);
    EXPECT_LT(left.blue(), 100);
    auto box = ReadAreaBounds(image);
    ASSERT_TRUE(box);
    EXPECT_GT(box->left, 100);
    EXPECT_GT(box->bottom, 100);
    if (turn == 1) Screenshot("image-on-turned-cropped-page");
  }
}

TEST_F(ImageInsertTest, RefusedFilesSayWhyAndChangeNothing) {
  Open("/MediaBox [0 0 595 842]");
  InsertByClick(WorkPath("photo.jpg"), At(0.3f, 0.3f));
  ASSERT_EQ(Images().size(), 1u);
  std::string before = ReadBytes(WorkPath("page.pdf"));
  int objects = CurrentObjectCount();
  size_t steps = Steps();
  std::string jpeg = ReadBytes(WorkPath("photo.jpg"));
  WriteBytes(WorkPath("empty.jpg"), "");
  WriteBytes(WorkPath("cut.jpg"), jpeg.substr(0, jpeg.size() / 3));
  WritePicture(WorkPath("named-wrong.jpg"), 20, 20, "PNG");
  WriteBytes(WorkPath("lying.png"), PngWithLyingHeader(300, 200));
  WriteBytes(WorkPath("huge.png"), PngHeaderOnly(16384, 16385));
  int fd = ::open(WorkPath("over.png").c_str(), O_CREAT | O_WRONLY, 0600);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(ftruncate(fd, off_t(kMaxImageBytes) + 1), 0);  // sparse: no disk space needed
  ::close(fd);
  struct Case {
    const char* file;
    const char16_t* text;
  };
  const Case cases[] = {
      {"empty.jpg", u"图片文件为空或过大，无法继续操作。"},
      {"over.png", u"图片文件为空或过大，无法继续操作。"},
      {"cut.jpg", u"PDFium 无法读取该 JPEG 图片。请使用有效的 JPG/JPEG 文件。"},
      {"named-wrong.jpg", u"PDFium 无法读取该 JPEG 图片。请使用有效的 JPG/JPEG 文件。"},
      {"lying.png", u"无法解码或载入 PNG 图片（错误 0x88982F50）。"},
      {"huge.png", u"无法解码或载入 PNG 图片（错误 0x80070057）。"},
      {"missing.png", u"无法打开图片（系统错误 2：没有那个文件或目录）。"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    g_script.boxes.clear();
    InsertByClick(WorkPath(c.file), At(0.6f, 0.6f));
    ASSERT_EQ(g_script.boxes.size(), 1u) << RecordedBoxesText();
    EXPECT_EQ(g_script.boxes[0].caption, u"添加图片失败");
    EXPECT_EQ(g_script.boxes[0].text, c.text);
    EXPECT_EQ(g_tool.mode, ToolMode::Select);
    EXPECT_NE(StatusLineText().find(u"未添加图像"), std::u16string::npos);
    EXPECT_EQ(CurrentObjectCount(), objects);
    EXPECT_EQ(Steps(), steps) << "no undo step for a refused picture";
  }
  EXPECT_EQ(ReadBytes(WorkPath("page.pdf")), before);
}

TEST_F(ImageInsertTest, AVeryTallNarrowAndAVeryWidePictureAreTakenWhole) {
  Open("/MediaBox [0 0 595 842]");
  ASSERT_TRUE(WritePicture(WorkPath("tall.png"), 1, 100000, "PNG"));
  ASSERT_TRUE(WritePicture(WorkPath("wide.png"), 40000, 10, "PNG"));
  for (const char* name : {"tall.png", "wide.png"}) {
    SCOPED_TRACE(name);
    g_script.boxes.clear();
    size_t before = Images().size();
    RouteCommand(kCmdSelectTool);
    InsertByClick(WorkPath(name), At(0.5f, 0.5f));
    ASSERT_EQ(Images().size(), before + 1) << RecordedBoxesText();
    unsigned w = 0, h = 0;
    ASSERT_TRUE(g_engine.FPDFImageObj_GetImagePixelSize(Images().back(), &w, &h));
    EXPECT_EQ(uint64_t(w) * h, name[0] == 't' ? 100000u : 400000u);
  }
}

TEST_F(ImageInsertTest, AnotherPictureWhileOneIsSelectedSitsTwentyFourPointsRightAndDown) {
  Open("/MediaBox [0 0 595 842] /Rotate 90");
  InsertByClick(WorkPath("photo.jpg"), At(0.4f, 0.4f));
  ASSERT_EQ(Images().size(), 1u);
  FPDF_PAGEOBJECT first = Images()[0];
  FS_MATRIX m0 = Matrix(first);
  ASSERT_TRUE(InsertImageAtPoint({5, 5}, U16(WorkPath("clear.PNG"))));  // the click is ignored
  ASSERT_EQ(Images().size(), 2u);
  FS_MATRIX m1 = Matrix(Images()[1]);
  EXPECT_FLOAT_EQ(m1.a, m0.a);
  EXPECT_FLOAT_EQ(m1.b, m0.b);
  EXPECT_FLOAT_EQ(m1.c, m0.c);
  EXPECT_FLOAT_EQ(m1.d, m0.d);
  EXPECT_FLOAT_EQ(m1.e, m0.e + 24);
  EXPECT_FLOAT_EQ(m1.f, m0.f - 24);
  EXPECT_EQ(g_selection.selectedImage, Images()[1]);
}

TEST_F(ImageInsertTest, ReplacingKeepsThePlaceAndARefusedFileKeepsTheOldPicture) {
  Open("/MediaBox [0 0 595 842] /CropBox [100 100 500 700]");
  InsertByClick(WorkPath("photo.jpg"), At(0.4f, 0.4f));
  ASSERT_EQ(Images().size(), 1u);
  FPDF_PAGEOBJECT image = Images()[0];
  FS_MATRIX m0 = Matrix(image);
  g_script.dialogAnswers.push_back(U16(WorkPath("clear.PNG")));
  EXPECT_TRUE(ReplaceImageObject(image));
  EXPECT_EQ(g_script.dialogs.back().title, u"选择替换的图片");
  EXPECT_EQ(g_session.statusText, u"图片已替换");
  unsigned w = 0, h = 0;
  ASSERT_TRUE(g_engine.FPDFImageObj_GetImagePixelSize(image, &w, &h));
  EXPECT_EQ(w, 40u);
  FS_MATRIX m1 = Matrix(image);
  EXPECT_FLOAT_EQ(m1.a, m0.a);
  EXPECT_FLOAT_EQ(m1.e, m0.e);
  EXPECT_FLOAT_EQ(m1.f, m0.f);
  EXPECT_EQ(Images()[0], image) << "same object, same place in the page";

  WriteBytes(WorkPath("bad.jpg"), "not a picture");
  g_script.boxes.clear();
  EXPECT_FALSE(ReplaceImageObject(image, U16(WorkPath("bad.jpg"))));
  ASSERT_EQ(g_script.boxes.size(), 1u);
  EXPECT_EQ(g_script.boxes[0].caption, u"替换图片失败");
  ASSERT_TRUE(g_engine.FPDFImageObj_GetImagePixelSize(image, &w, &h));
  EXPECT_EQ(w, 40u) << "the old picture stays";
}

TEST_F(ImageInsertTest, DeletingTheSelectedImageIsOneUndoableStep) {
  Open("/MediaBox [0 0 595 842]");
  InsertByClick(WorkPath("photo.jpg"), At(0.4f, 0.4f));
  ASSERT_EQ(Images().size(), 1u);
  size_t steps = Steps();
  {
    EditScope scope = BeginPossibleEdit();
    EXPECT_TRUE(DeleteSelectedImage());
    EndPossibleEdit(scope);
  }
  EXPECT_TRUE(Images().empty());
  EXPECT_EQ(g_selection.selectedImage, nullptr);
  EXPECT_EQ(g_session.statusText, u"图片已删除");
  EXPECT_EQ(Steps(), steps + 1);
  RouteCommand(kCmdUndo);
  EXPECT_EQ(Images().size(), 1u);
}

TEST_F(ImageInsertTest, TheEditToolSelectsThePagesFirstImage) {
  Open("/MediaBox [0 0 595 842]");
  RouteCommand(kCmdEditMode);
  EXPECT_EQ(g_selection.selectedImage, nullptr);
  EXPECT_EQ(g_session.statusText, u"编辑模式：点选图形或图片，拖动移动");
  InsertByClick(WorkPath("photo.jpg"), At(0.3f, 0.3f));
  RouteCommand(kCmdSelectTool);
  InsertByClick(WorkPath("photo.jpg"), At(0.7f, 0.7f));
  ASSERT_EQ(Images().size(), 2u);
  RouteCommand(kCmdSelectTool);
  RouteCommand(kCmdEditMode);
  EXPECT_EQ(g_selection.selectedImage, Images()[0]);
  EXPECT_EQ(g_session.statusText, u"已选中第一张图片：拖动图片可平移，拖动边缘控制点可调大小");
  // A click on the other image selects it.
  QPointF other = Screen(Images()[1], 0.5, 0.5);
  Click(other.toPoint());
  EXPECT_EQ(g_selection.selectedImage, Images()[1]);
  EXPECT_EQ(g_session.statusText, u"已选中图片：拖动可平移，边缘控制点调大小，上方控制点旋转");
}

}  // namespace

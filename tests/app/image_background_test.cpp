// A backing colour under a picture: the marked rectangle goes directly under the image, the
// objects above that overlap the image go under the rectangle, and a failure puts the page
// order back exactly. Both engine paths (insertion at an index, appending) are driven, and
// the saved file must draw what the window drew.

#include <QFileInfo>

#include "app/image_test_fixture.h"
#include "document/edit_wrapper.h"
#include "editing/drawn_objects.h"
#include "editing/image_background.h"
#include "support/image_page_pdf.h"
#include "support/pdf_fixtures.h"
#include "widgets/qt_clipboard.h"

namespace {

constexpr uint32_t kGreen = 40u | 170u << 8 | 60u << 16;  // red in the lowest byte

constexpr SavedCrop kCrop{100, 100, 500, 700};

bool Near(QColor a, QColor b) {
  return std::abs(a.red() - b.red()) <= 3 && std::abs(a.green() - b.green()) <= 3 && std::abs(a.blue() - b.blue()) <= 3;
}

class ImageBackgroundTest : public ImageWindowTest {
 protected:
  void SetUp() override {
    ImageWindowTest::SetUp();
    ASSERT_TRUE(WritePicture(WorkPath("clear.png"), 40, 30, "PNG", QColor(220, 30, 30, 255), QColor(30, 60, 220, 0), true));
  }
  // A filled box on top of the page (not committed).
  static FPDF_PAGEOBJECT AddBox(float l, float b, float r, float t, QColor fill) {
    return AddFilledBox(g_session.currentPage, l, b, r, t, unsigned(fill.red()), unsigned(fill.green()),
                        unsigned(fill.blue()));
  }
  // A page with a box below the picture, the picture (half transparent, 120 × 90 pt at
  // 200,400), then above it: a bar across its top, a box beside it, a box touching its right
  // edge only, and a second bar across it.
  struct Scene {
    FPDF_PAGEOBJECT below, image, acrossTop, beside, touching, across;
  };
  Scene Build(const std::string& entries) {
    Open(entries);
    Scene s{};
    s.below = AddBox(150, 350, 250, 420, QColor(250, 200, 0));
    InsertByClick(WorkPath("clear.png"), At(0.5f, 0.5f));
    s.image = g_selection.selectedImage;
    EXPECT_NE(s.image, nullptr) << RecordedBoxesText();
    EXPECT_TRUE(g_engine.FPDFImageObj_SetMatrix(s.image, 120, 0, 0, 90, 200, 400));
    s.acrossTop = AddBox(180, 470, 340, 480, QColor(0, 0, 0));
    s.beside = AddBox(400, 400, 450, 450, QColor(90, 0, 160));
    s.touching = AddBox(320, 420, 360, 440, QColor(0, 120, 200));
    float l, b, r, t;  // its bounds' left edge moved onto the image's right edge exactly
    g_engine.FPDFPageObj_GetBounds(s.touching, &l, &b, &r, &t);
    g_engine.FPDFPageObj_Transform(s.touching, 1, 0, 0, 1, 320 - double(l), 0);
    s.across = AddBox(210, 430, 230, 500, QColor(0, 0, 0));
    g_engine.FPDFPage_GenerateContent(g_session.currentPage);
    InvalidateRender(true);
    Canvas()->repaint();
    return s;
  }
  void ChooseGreen() {
    g_script.colourAnswers.push_back(kGreen);
    RouteCommand(kCmdBackgroundColour);
  }
  static QColor SavedAt(const std::string& name, PagePoint p, int rotate = 0, SavedCrop crop = {}) {
    return SavedColourAt(g_session.document, name, p, rotate, crop);
  }
  // The layering on its own, as one wrapped edit.
  bool ApplyGreen() {
    EditScope scope = BeginPossibleEdit();
    bool applied = ApplyImageBackground(g_session.currentPage, g_selection.selectedImage, kGreen);
    if (applied) NotifyKeepingSelection(u"图片底色已添加");
    EndPossibleEdit(scope);
    InvalidateRender(true);
    Canvas()->repaint();
    return applied;
  }
};

TEST_F(ImageBackgroundTest, WithoutASelectedImageOnlyThePaperColourChanges) {
  Open("/MediaBox [0 0 595 842] /CropBox [100 100 500 700] /Rotate 90");
  int objects = CurrentObjectCount();
  ChooseGreen();
  ASSERT_EQ(g_script.colourDialogs.size(), 1u);
  EXPECT_EQ(g_script.colourDialogs[0], 0xFFFFFFu) << "starts from white";
  EXPECT_EQ(g_view.background, kGreen);
  EXPECT_EQ(CurrentObjectCount(), objects);
  EXPECT_FALSE(g_session.modified);
  EXPECT_TRUE(Near(ShownAt(At(0.1f, 0.9f)), QColor(40, 170, 60)));
  g_script.colourAnswers.push_back(std::nullopt);  // 取消 changes nothing
  RouteCommand(kCmdBackgroundColour);
  EXPECT_EQ(g_view.background, kGreen);
  EXPECT_EQ(g_script.colourDialogs.back(), kGreen);
}

void ExpectLayered(const ImageBackgroundTest* test, const std::vector<FPDF_PAGEOBJECT>& objects, FPDF_PAGEOBJECT below,
                   FPDF_PAGEOBJECT image, FPDF_PAGEOBJECT acrossTop, FPDF_PAGEOBJECT beside, FPDF_PAGEOBJECT touching,
                   FPDF_PAGEOBJECT across) {
  ASSERT_EQ(objects.size(), 7u);
  FPDF_PAGEOBJECT rectangle = objects[3];
  EXPECT_EQ(objects, (std::vector<FPDF_PAGEOBJECT>{below, acrossTop, across, rectangle, image, beside, touching}));
  EXPECT_TRUE(IsImageBackground(rectangle, g_engine));
  float l, b, r, t;
  ASSERT_TRUE(g_engine.FPDFPageObj_GetBounds(rectangle, &l, &b, &r, &t));
  EXPECT_NEAR(l, 200, 0.01);
  EXPECT_NEAR(b, 400, 0.01);
  EXPECT_NEAR(r, 320, 0.01);
  EXPECT_NEAR(t, 490, 0.01);
  unsigned red, green, blue, alpha;
  ASSERT_TRUE(g_engine.FPDFPageObj_GetFillColor(rectangle, &red, &green, &blue, &alpha));
  EXPECT_EQ((std::vector<unsigned>{red, green, blue, alpha}), (std::vector<unsigned>{40, 170, 60, 255}));
}

TEST_F(ImageBackgroundTest, OverlappingObjectsGoUnderTheNewRectangleOnATurnedCroppedPageAndStayThereWhenSaved) {
  Scene s = Build("/MediaBox [0 0 595 842] /CropBox [100 100 500 700] /Rotate 90");
  size_t steps = Steps();
  ChooseGreen();
  ASSERT_TRUE(g_script.boxes.empty()) << RecordedBoxesText();
  FPDF_PAGEOBJECT picture = g_selection.selectedImage;
  EXPECT_NE(picture, s.image) << "the picture goes back as a new object";
  ExpectLayered(this, Objects(), s.below, picture, s.acrossTop, s.beside, s.touching, s.across);
  EXPECT_EQ(g_session.statusText, u"已将图片区域内的上层对象移到底色下方");
  EXPECT_EQ(Steps(), steps + 1);
  EXPECT_TRUE(g_session.modified);
  // Through the transparent half of the picture the green backing shows, not the bars; the
  // opaque half is still red; the bar above the picture still shows outside it.
  const PagePoint clear{300, 472}, opaque{245, 420}, barOutside{335, 475}, beside{425, 425};
  EXPECT_TRUE(Near(ShownAt(OnScreen(clear)), QColor(40, 170, 60))) << "the bar went under the backing";
  EXPECT_TRUE(Near(ShownAt(OnScreen(opaque)), QColor(220, 30, 30)));
  EXPECT_LT(ShownAt(OnScreen(barOutside)).green(), 60);
  Screenshot("image-background-window");
  // The saved file draws the same: the engine keeps old objects in their old content stream,
  // so a picture that stayed an old object would be saved under the new rectangle.
  EXPECT_TRUE(Near(SavedAt("image-background-poppler", clear, 90, kCrop), QColor(40, 170, 60)));
  EXPECT_TRUE(Near(SavedAt("image-background-poppler", opaque, 90, kCrop), QColor(220, 30, 30)));
  EXPECT_LT(SavedAt("image-background-poppler", barOutside, 90, kCrop).green(), 60);
  // The box beside the picture, not touching it, still shows.
  EXPECT_TRUE(Near(ShownAt(OnScreen(beside)), QColor(90, 0, 160)));
  EXPECT_TRUE(Near(SavedAt("image-background-poppler", beside, 90, kCrop), QColor(90, 0, 160)));
  RouteCommand(kCmdUndo);
  Canvas()->repaint();
  EXPECT_EQ(CurrentObjectCount(), 6);
  EXPECT_LT(ShownAt(OnScreen(clear)).green(), 60) << "the bar is back above the picture";
  EXPECT_LT(SavedAt("image-background-undone", clear, 90, kCrop).green(), 60);
}

TEST_F(ImageBackgroundTest, AJpegKeepsItsStreamAndStaysAboveItsBacking) {
  Open("/MediaBox [0 0 595 842]");
  ASSERT_TRUE(WritePicture(WorkPath("photo.jpg"), 400, 300, "JPEG"));
  InsertByClick(WorkPath("photo.jpg"), At(0.5f, 0.5f));
  ASSERT_NE(g_selection.selectedImage, nullptr) << RecordedBoxesText();
  float l, b, r, t;  // a point in the photo's left (red) half
  ASSERT_TRUE(g_engine.FPDFPageObj_GetBounds(g_selection.selectedImage, &l, &b, &r, &t));
  const PagePoint red{l + (r - l) / 4, (b + t) / 2};
  QColor before = SavedAt("jpeg-before", red);
  EXPECT_TRUE(Near(before, QColor(220, 30, 30)));
  qint64 sizeBefore = QFileInfo(QStringLiteral(CORVAN_ARTEFACTS "/jpeg-before.pdf")).size();
  ChooseGreen();
  ASSERT_TRUE(g_script.boxes.empty()) << RecordedBoxesText();
  FPDF_PAGEOBJECT picture = g_selection.selectedImage;
  char filter[16] = {};
  EXPECT_EQ(g_engine.FPDFImageObj_GetImageFilterCount(picture), 1);
  EXPECT_GT(g_engine.FPDFImageObj_GetImageFilter(picture, 0, filter, sizeof filter), 0u);
  EXPECT_STREQ(filter, "DCTDecode");
  EXPECT_TRUE(Near(SavedAt("jpeg-after", red), before)) << "the photo stays above its backing";
  // The copy carries the JPEG's bytes: far less than its 400 × 300 × 3 raw pixels.
  qint64 added = QFileInfo(QStringLiteral(CORVAN_ARTEFACTS "/jpeg-after.pdf")).size() - sizeBefore;
  EXPECT_LT(added, 400 * 300 * 3 / 8) << added;
}

TEST_F(ImageBackgroundTest, AClippedImageIsRefusedAndThePageKeepsItsObjects) {
  ImagePageSpec clipped;
  clipped.clipped = true;
  WriteImagePagePdf(WorkPath("clipped.pdf"), clipped);
  OpenOrFail(WorkPath("clipped.pdf"));
  RouteCommand(kCmdEditMode);
  ASSERT_NE(g_selection.selectedImage, nullptr);
  std::vector<FPDF_PAGEOBJECT> objects = Objects();
  g_script.boxes.clear();
  ChooseGreen();
  ASSERT_EQ(g_script.boxes.size(), 1u);
  EXPECT_EQ(g_script.boxes[0].caption, u"更换底色失败");
  EXPECT_EQ(g_script.boxes[0].text, u"所选图片带有裁剪路径或透明效果，无法在其下方添加底色。");
  EXPECT_EQ(Objects(), objects);
  EXPECT_FALSE(g_session.modified);
}

TEST_F(ImageBackgroundTest, ATopmostImageGetsTheRectangleDirectlyBeneathAndNothingElseMoves) {
  Open("/MediaBox [0 0 595 842]");
  FPDF_PAGEOBJECT low = AddBox(150, 350, 250, 420, QColor(250, 200, 0));
  InsertByClick(WorkPath("clear.png"), At(0.3f, 0.6f));
  FPDF_PAGEOBJECT image = g_selection.selectedImage;
  ASSERT_NE(image, nullptr);
  EXPECT_TRUE(ApplyGreen());
  std::vector<FPDF_PAGEOBJECT> objects = Objects();
  ASSERT_EQ(objects.size(), 3u);
  EXPECT_EQ(objects[0], low);
  EXPECT_TRUE(IsImageBackground(objects[1], g_engine));
  EXPECT_EQ(objects[2], g_selection.selectedImage);
  EXPECT_NE(objects[2], image);
}

TEST_F(ImageBackgroundTest, ABackingWhosePictureWasCutCanBeSelectedAndRemoved) {
  InstallQtClipboard();
  Open("/MediaBox [0 0 595 842]");
  InsertByClick(WorkPath("clear.png"), At(0.5f, 0.5f));
  ASSERT_NE(g_selection.selectedImage, nullptr);
  ASSERT_TRUE(ApplyGreen());
  ASSERT_EQ(Objects().size(), 2u);
  FPDF_PAGEOBJECT backing = Objects()[0];
  const QPoint centre = Screen(g_selection.selectedImage, 0.5, 0.5).toPoint();
  // While the picture stands on it, a click there takes the picture.
  Press(centre);
  Release(centre);
  EXPECT_EQ(g_selection.object, nullptr);
  EXPECT_NE(g_selection.selectedImage, nullptr);

  RouteCommand(kCmdCut);
  ASSERT_TRUE(g_script.boxes.empty()) << RecordedBoxesText();
  ASSERT_EQ(Objects(), std::vector<FPDF_PAGEOBJECT>{backing});
  EXPECT_FALSE(IsImageBackground(backing, g_engine));
  Press(centre);
  Release(centre);
  EXPECT_EQ(g_selection.object, backing);
  const size_t steps = Steps();
  QTest::keyClick(Canvas(), Qt::Key_Delete);
  EXPECT_TRUE(Objects().empty());
  EXPECT_EQ(Steps(), steps + 1);
}

// The engine fails after the page was already changed: the order comes back exactly.
int g_calls = 0;
int g_failAt = 0;
void (*g_realInsert)(FPDF_PAGE, FPDF_PAGEOBJECT) = nullptr;
FPDF_BOOL (*g_realRemove)(FPDF_PAGE, FPDF_PAGEOBJECT) = nullptr;
// A real refusal: the engine is given no page for this one insertion.
void InsertFailingLater(FPDF_PAGE page, FPDF_PAGEOBJECT object) {
  g_realInsert(++g_calls == g_failAt ? nullptr : page, object);
}
FPDF_BOOL RemoveFailingLater(FPDF_PAGE page, FPDF_PAGEOBJECT object) {
  return ++g_calls == g_failAt ? 0 : g_realRemove(page, object);
}

TEST_F(ImageBackgroundTest, AFailureAfterPartOfTheWorkPutsThePageOrderBack) {
  Build("/MediaBox [0 0 595 842] /CropBox [100 100 500 700] /Rotate 270");
  const std::vector<FPDF_PAGEOBJECT> original = Objects();
  // The picture and everything above it are off the page and the two bars are back on when
  // the rectangle is refused.
  g_realInsert = g_engine.FPDFPage_InsertObject;
  g_calls = 0;
  g_failAt = 3;
  g_engine.FPDFPage_InsertObject = InsertFailingLater;
  EXPECT_FALSE(ApplyGreen());
  g_engine.FPDFPage_InsertObject = g_realInsert;
  ASSERT_FALSE(g_script.boxes.empty());
  EXPECT_EQ(g_script.boxes.back().caption, u"更换底色失败");
  EXPECT_EQ(g_script.boxes.back().text, u"无法完成图层调整；页面内容已恢复。");
  EXPECT_EQ(Objects(), original);
  // The second removal is refused after the picture and one object came off.
  g_realRemove = g_engine.FPDFPage_RemoveObject;
  g_calls = 0;
  g_failAt = 3;
  g_engine.FPDFPage_RemoveObject = RemoveFailingLater;
  EXPECT_FALSE(ApplyGreen());
  g_engine.FPDFPage_RemoveObject = g_realRemove;
  EXPECT_EQ(g_script.boxes.back().text, u"无法调整页面对象图层；页面内容已恢复。");
  EXPECT_EQ(Objects(), original);
  EXPECT_EQ(g_selection.selectedImage, original[1]) << "the selection keeps the original picture";
  EXPECT_TRUE(Near(SavedAt("image-background-failed", {300, 472}, 270, kCrop), QColor(0, 0, 0)))
      << "the bar is still drawn above the picture";
}

}  // namespace

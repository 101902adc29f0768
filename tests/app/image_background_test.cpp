// A backing colour under a picture: the marked rectangle goes directly under the image, the
// objects above that overlap the image go under the rectangle, and a failure puts the page
// order back exactly. Both engine paths (insertion at an index, appending) are driven.

#include "app/image_test_fixture.h"
#include "content/image_background.h"
#include "document/edit_wrapper.h"
#include "editing/drawn_objects.h"

namespace {

constexpr uint32_t kGreen = 40u | 170u << 8 | 60u << 16;  // red in the lowest byte

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
  FPDF_PAGEOBJECT AddBox(float l, float b, float r, float t, QColor fill) {
    FPDF_PAGEOBJECT path = g_engine.FPDFPageObj_CreateNewPath(l, b);
    g_engine.FPDFPath_LineTo(path, r, b);
    g_engine.FPDFPath_LineTo(path, r, t);
    g_engine.FPDFPath_LineTo(path, l, t);
    g_engine.FPDFPath_Close(path);
    g_engine.FPDFPageObj_SetFillColor(path, unsigned(fill.red()), unsigned(fill.green()), unsigned(fill.blue()), 255);
    g_engine.FPDFPath_SetDrawMode(path, kFillWinding, 0);
    g_engine.FPDFPage_InsertObject(g_session.currentPage, path);
    return path;
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

TEST_F(ImageBackgroundTest, OverlappingObjectsGoUnderTheNewRectangleOnATurnedCroppedPage) {
  Scene s = Build("/MediaBox [0 0 595 842] /CropBox [100 100 500 700] /Rotate 90");
  size_t steps = Steps();
  ChooseGreen();
  EXPECT_EQ(CurrentObjectCount(), 6) << "the command changes only the paper colour for now";
  ASSERT_TRUE(ApplyGreen()) << RecordedBoxesText();
  ExpectLayered(this, Objects(), s.below, s.image, s.acrossTop, s.beside, s.touching, s.across);
  EXPECT_EQ(Steps(), steps + 1);
  EXPECT_EQ(g_selection.selectedImage, s.image);
  // Through the transparent half of the picture the green backing shows, not the bars; the
  // bar above the picture still shows outside it.
  EXPECT_TRUE(Near(ShownAt(OnScreen({300, 472})), QColor(40, 170, 60))) << "the bar went under the backing";
  QColor barOutside = ShownAt(OnScreen({335, 475}));
  EXPECT_LT(barOutside.green(), 60);
  Screenshot("image-background-window");
  RouteCommand(kCmdUndo);
  EXPECT_EQ(CurrentObjectCount(), 6);
}

TEST_F(ImageBackgroundTest, WithoutInsertionAtAnIndexTheSameOrderIsReachedByAppending) {
  Scene s = Build("/MediaBox [0 0 595 842]");
  auto saved = g_engine.FPDFPage_InsertObjectAtIndex;
  g_engine.FPDFPage_InsertObjectAtIndex = nullptr;
  EXPECT_TRUE(ApplyGreen()) << RecordedBoxesText();
  g_engine.FPDFPage_InsertObjectAtIndex = saved;
  ExpectLayered(this, Objects(), s.below, s.image, s.acrossTop, s.beside, s.touching, s.across);
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
  EXPECT_EQ(objects[2], image);
}

// The engine fails after the page was already changed: the order comes back exactly.
int g_calls = 0;
int g_failAt = 0;
FPDF_BOOL (*g_realInsertAt)(FPDF_PAGE, FPDF_PAGEOBJECT, size_t) = nullptr;
FPDF_BOOL (*g_realRemove)(FPDF_PAGE, FPDF_PAGEOBJECT) = nullptr;
// A real refusal: the engine is given an index it rejects (and takes the object, as it does).
FPDF_BOOL InsertAtFailingLater(FPDF_PAGE page, FPDF_PAGEOBJECT object, size_t index) {
  return g_realInsertAt(page, object, ++g_calls == g_failAt ? index + 1000 : index);
}
FPDF_BOOL RemoveFailingLater(FPDF_PAGE page, FPDF_PAGEOBJECT object) {
  return ++g_calls == g_failAt ? 0 : g_realRemove(page, object);
}

TEST_F(ImageBackgroundTest, AFailureAfterPartOfTheWorkPutsThePageOrderBack) {
  Scene s = Build("/MediaBox [0 0 595 842]");
  std::vector<FPDF_PAGEOBJECT> original = Objects();
  // Insertion at an index: the two overlapping bars are back in, the rectangle is refused.
  g_realInsertAt = g_engine.FPDFPage_InsertObjectAtIndex;
  g_calls = 0;
  g_failAt = 3;
  g_engine.FPDFPage_InsertObjectAtIndex = InsertAtFailingLater;
  EXPECT_FALSE(ApplyGreen());
  g_engine.FPDFPage_InsertObjectAtIndex = g_realInsertAt;
  ASSERT_FALSE(g_script.boxes.empty());
  EXPECT_EQ(g_script.boxes.back().caption, u"更换底色失败");
  EXPECT_EQ(g_script.boxes.back().text, u"无法将底色放在图片下方；页面对象已恢复。");
  EXPECT_EQ(Objects(), original);
  // Appending: the second removal is refused after the image and one object came off.
  g_engine.FPDFPage_InsertObjectAtIndex = nullptr;
  g_realRemove = g_engine.FPDFPage_RemoveObject;
  g_calls = 0;
  g_failAt = 3;
  g_engine.FPDFPage_RemoveObject = RemoveFailingLater;
  EXPECT_FALSE(ApplyGreen());
  g_engine.FPDFPage_RemoveObject = g_realRemove;
  g_engine.FPDFPage_InsertObjectAtIndex = g_realInsertAt;
  EXPECT_EQ(g_script.boxes.back().text, u"无法调整页面对象图层；页面内容已恢复。");
  EXPECT_EQ(Objects(), original);
  EXPECT_EQ(CurrentObjectCount(), 6) << "no rectangle left behind";
  (void)s;
}

}  // namespace

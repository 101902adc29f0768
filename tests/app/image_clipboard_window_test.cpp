// Cutting, copying and pasting page images through the real clipboard inside the window, the
// pictures other programs offer, layer moves and the text box's own Ctrl+C.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include <QBuffer>
#include <QClipboard>
#include <QCursor>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QTextEdit>

#include "app/clipboard_test_pictures.h"
#include "app/editing_test_fixture.h"
#include "app/image_test_fixture.h"
#include "content/clipboard_dib.h"
#include "document/edit_wrapper.h"
#include "editing/image_clipboard.h"
#include "editing/selection.h"
#include "support/image_page_pdf.h"
#include "support/pdf_fixtures.h"
#include "widgets/page_text_box.h"
#include "widgets/qt_clipboard.h"

namespace {

struct Bounds {
  float left = 0, bottom = 0, right = 0, top = 0;
  float Width() const { return right - left; }
  float Height() const { return top - bottom; }
};

Bounds BoundsOf(FPDF_PAGEOBJECT object) {
  Bounds b;
  g_engine.FPDFPageObj_GetBounds(object, &b.left, &b.bottom, &b.right, &b.top);
  return b;
}

class ImageClipboardWindowTest : public EditingWindowTest {
 protected:
  void SetUp() override {
    EditingWindowTest::SetUp();
    InstallQtClipboard();
    QGuiApplication::clipboard()->clear();
  }
  void OpenImagePage(const ImagePageSpec& spec) {
    WriteImagePagePdf(WorkPath("page.pdf"), spec);
    OpenOrFail(WorkPath("page.pdf"));
    RouteCommand(kCmdFitPage);
    Canvas()->repaint();
  }
  // A 60 × 30 pixel picture shown at 300 × 150 points.
  void OpenWideImage() {
    ImagePageSpec spec;
    spec.width = 60;
    spec.height = 30;
    spec.matrix = {300, 0, 0, 150, 100, 400};
    OpenImagePage(spec);
    g_selection.selectedImage = FirstImage(g_session.currentPage);
  }
  FPDF_PAGEOBJECT LastObject() const { return Objects().back(); }
  void Offer(const QString& type, const QByteArray& bytes) {
    auto* data = new QMimeData;
    data->setData(type, bytes);
    QGuiApplication::clipboard()->setMimeData(data);
  }
};

}  // namespace

TEST_F(ImageClipboardWindowTest, CopyAndPasteKeepsThePhysicalSizeAndPastesAtThePageCentre) {
  OpenWideImage();
  FPDF_PAGEOBJECT original = g_selection.selectedImage;
  RouteCommand(kCmdCopy);
  ASSERT_TRUE(g_script.boxes.empty()) << RecordedBoxesText();
  const QMimeData* data = QGuiApplication::clipboard()->mimeData();
  ASSERT_TRUE(data->hasFormat("image/png"));
  QByteArray record = data->data(kImageSizeMimeType);
  ASSERT_EQ(record.size(), 16);
  auto size = DecodeImageSizeRecord(reinterpret_cast<const uint8_t*>(record.constData()), 16);
  ASSERT_TRUE(size);
  EXPECT_NEAR(size->width, 300, 0.01);
  EXPECT_NEAR(size->height, 150, 0.01);
  EXPECT_NEAR(size->turnDegrees, 0, 0.01);
  // The picture is the image's own 60 × 30 pixels, not its size on the page.
  QImage png = QImage::fromData(data->data("image/png"), "PNG");
  EXPECT_EQ(png.size(), QSize(60, 30));

  size_t steps = Steps();
  int count = CurrentObjectCount();
  QCursor::setPos(Canvas()->mapToGlobal(QPoint(2, 2)));  // outside the page: its centre counts
  RouteCommand(kCmdPaste);
  ASSERT_TRUE(g_script.boxes.empty()) << RecordedBoxesText();
  ASSERT_EQ(CurrentObjectCount(), count + 1);
  FPDF_PAGEOBJECT pasted = LastObject();
  EXPECT_NE(pasted, original);
  EXPECT_EQ(g_selection.selectedImage, pasted);
  EXPECT_EQ(g_session.statusText, u"已粘贴图片");
  EXPECT_EQ(Steps(), steps + 1);
  Bounds b = BoundsOf(pasted);
  EXPECT_NEAR(b.Width(), 300, 0.05);
  EXPECT_NEAR(b.Height(), 150, 0.05);
  PagePoint centre = OnPage(QPoint((g_view.pageRect.left + g_view.pageRect.right) / 2,
                                   (g_view.pageRect.top + g_view.pageRect.bottom) / 2));
  EXPECT_NEAR((b.left + b.right) / 2, centre.x, 0.05);
  EXPECT_NEAR((b.bottom + b.top) / 2, centre.y, 0.05);
  unsigned w = 0, h = 0;
  ASSERT_TRUE(g_engine.FPDFImageObj_GetImagePixelSize(pasted, &w, &h));
  EXPECT_EQ(w, 60u);
  EXPECT_EQ(h, 30u);
  RouteCommand(kCmdUndo);
  EXPECT_EQ(CurrentObjectCount(), count);
}

TEST_F(ImageClipboardWindowTest, PicturesFromOtherProgramsPasteUprightOpaqueAtThreeQuartersOfAPointPerPixel) {
  OpenWideImage();
  for (int bits : {24, 32}) {
    SCOPED_TRACE(bits);
    Offer("image/bmp", RedOverBlueBmp(400, 300, bits));
    ASSERT_TRUE(CanPasteImage());
    QCursor::setPos(Canvas()->mapToGlobal(At(0.5f, 0.5f)));
    RouteCommand(kCmdPaste);
    ASSERT_TRUE(g_script.boxes.empty()) << RecordedBoxesText();
    FPDF_PAGEOBJECT pasted = LastObject();
    Bounds b = BoundsOf(pasted);
    EXPECT_NEAR(b.Width(), 300, 0.05);
    EXPECT_NEAR(b.Height(), 225, 0.05);
    ImagePixels pixels = ReadImagePixels(g_session.document, g_session.currentPage, pasted);
    ASSERT_EQ(pixels.width, 400);
    const uint8_t* top = &pixels.bgra[(10 * 400 + 5) * 4];
    const uint8_t* bottom = &pixels.bgra[(290 * 400 + 5) * 4];
    EXPECT_EQ(top[2], 255);  // red at the top: upright
    EXPECT_EQ(top[0], 0);
    EXPECT_EQ(bottom[0], 255);  // blue at the bottom
    EXPECT_EQ(bottom[2], 0);
    EXPECT_EQ(top[3], 255);  // the 32-bit picture's fourth bytes were 0: still opaque
    EXPECT_EQ(bottom[3], 255);
  }
  // A size record that claims more than 100000 points is ignored: the 0.75 rule applies. (A
  // Qt program's image reaches other programs as PNG.)
  auto* data = new QMimeData;
  QImage small(40, 20, QImage::Format_ARGB32);
  small.fill(Qt::darkGreen);
  QByteArray png;
  QBuffer buffer(&png);
  buffer.open(QIODevice::WriteOnly);
  ASSERT_TRUE(small.save(&buffer, "PNG"));
  data->setData("image/png", png);
  auto record = EncodeImageSizeRecord({200000.0f, 50.0f});
  data->setData(kImageSizeMimeType, QByteArray(reinterpret_cast<const char*>(record.data()), 12));
  QGuiApplication::clipboard()->setMimeData(data);
  RouteCommand(kCmdPaste);
  Bounds b = BoundsOf(LastObject());
  EXPECT_NEAR(b.Width(), 30, 0.05);
  EXPECT_NEAR(b.Height(), 15, 0.05);
}

TEST_F(ImageClipboardWindowTest, NothingToPasteOrALyingBitmapChangesNothing) {
  OpenWideImage();
  int count = CurrentObjectCount();
  QByteArray lying = RedOverBlueBmp(400, 300, 24);
  lying[22] = char(0x2D);  // height 301: one row more than the file holds
  for (const QByteArray& bytes : {QByteArray("not a picture"), lying}) {
    Offer("image/bmp", bytes);
    g_script.boxes.clear();
    RouteCommand(kCmdPaste);
    ASSERT_EQ(g_script.boxes.size(), 1u);
    EXPECT_EQ(g_script.boxes[0].caption, u"粘贴图片失败");
    EXPECT_EQ(g_script.boxes[0].text, u"剪贴板中没有受支持的图片数据。");
    EXPECT_EQ(g_script.boxes[0].icon, MessageIcon::Information);
    EXPECT_EQ(CurrentObjectCount(), count);
  }
  QGuiApplication::clipboard()->clear();
  EXPECT_FALSE(CanPasteImage());
}

TEST_F(ImageClipboardWindowTest, CutTakesTheImageOffThePageAndUndoBringsItBack) {
  OpenWideImage();
  int count = CurrentObjectCount();
  EXPECT_TRUE(CanCutImage());
  RouteCommand(kCmdCut);
  ASSERT_TRUE(g_script.boxes.empty()) << RecordedBoxesText();
  EXPECT_EQ(CurrentObjectCount(), count - 1);
  EXPECT_EQ(g_selection.selectedImage, nullptr);
  EXPECT_EQ(g_session.statusText, u"图片已剪切");
  EXPECT_TRUE(QGuiApplication::clipboard()->mimeData()->hasFormat("image/png"));
  EXPECT_FALSE(CanCutImage());
  RouteCommand(kCmdUndo);
  EXPECT_EQ(CurrentObjectCount(), count);
  // Pasting what was cut gives it back at its size.
  RouteCommand(kCmdPaste);
  EXPECT_NEAR(BoundsOf(LastObject()).Width(), 300, 0.05);
}

TEST_F(ImageClipboardWindowTest, CopyInATextBoxCopiesItsTextNotTheSelectedImage) {
  OpenWideImage();
  auto* box = new QTextEdit(Canvas());
  box->setPlainText(QStringLiteral("三角形 ABC"));
  box->show();
  box->setFocus();
  QApplication::processEvents();
  ASSERT_EQ(QApplication::focusWidget(), box);
  box->selectAll();
  ASSERT_NE(g_selection.selectedImage, nullptr);
  RouteCommand(kCmdCopy);
  EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("三角形 ABC"));
  EXPECT_FALSE(QGuiApplication::clipboard()->mimeData()->hasFormat("image/png"));
  // Cut in the box takes the text out of it and leaves the page alone.
  int count = CurrentObjectCount();
  RouteCommand(kCmdCut);
  EXPECT_TRUE(box->toPlainText().isEmpty());
  EXPECT_EQ(CurrentObjectCount(), count);
  delete box;

  // The in-place text box of the text tool, with the real Ctrl+C.
  FPDF_PAGEOBJECT image = FirstImage(g_session.currentPage);
  RouteCommand(kCmdAddText);
  Click(At(0.3f, 0.85f));
  QPlainTextEdit* inPlace = TextBoxEditor();
  ASSERT_NE(inPlace, nullptr);
  QTest::keyClicks(inPlace, QStringLiteral("ABC"));
  inPlace->selectAll();
  g_selection.selectedImage = image;
  QGuiApplication::clipboard()->clear();
  QTest::keyClick(inPlace, Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("ABC"));
  QGuiApplication::clipboard()->clear();
  RouteCommand(kCmdCopy);
  EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("ABC"));
  EXPECT_FALSE(QGuiApplication::clipboard()->mimeData()->hasFormat("image/png"));
  FinishTextBox(false);
}

TEST_F(ImageClipboardWindowTest, LayerMovesStepThroughTheDrawingOrderAndStopAtTheEnds) {
  ImagePageSpec spec;
  spec.textBeside = true;  // the image, then a text and a path above it
  OpenImagePage(spec);
  g_selection.selectedImage = FirstImage(g_session.currentPage);
  auto indexOfImage = [&] {
    std::vector<FPDF_PAGEOBJECT> objects = Objects();
    return int(std::find(objects.begin(), objects.end(), g_selection.selectedImage) - objects.begin());
  };
  ASSERT_EQ(indexOfImage(), 0);
  ASSERT_EQ(CurrentObjectCount(), 3);
  EXPECT_FALSE(CanMoveImageLayer(-1));  // the first object cannot go lower
  EXPECT_TRUE(CanMoveImageLayer(+1));
  size_t steps = Steps();
  EditScope scope = BeginPossibleEdit();
  EXPECT_TRUE(MoveSelectedImageLayer(+1));
  EndPossibleEdit(scope);
  EXPECT_EQ(indexOfImage(), 1);
  EXPECT_EQ(Steps(), steps + 1);
  EXPECT_TRUE(MoveSelectedImageLayer(+1));
  EXPECT_EQ(indexOfImage(), 2);
  EXPECT_FALSE(CanMoveImageLayer(+1));  // topmost
  EXPECT_TRUE(CanMoveImageLayer(-1));
  EXPECT_TRUE(MoveSelectedImageLayer(-1));
  EXPECT_EQ(indexOfImage(), 1);
  EXPECT_EQ(FirstImage(g_session.currentPage), g_selection.selectedImage);
  EXPECT_EQ(CurrentObjectCount(), 3);
  EXPECT_TRUE(g_script.boxes.empty()) << RecordedBoxesText();

  // The engine refuses the moved copy (freeing it, as the real engine does with a refused
  // insertion) after the picture left the page: the picture goes back to its place.
  static auto real = g_engine.FPDFPage_InsertObjectAtIndex;
  static int calls = 0;
  g_engine.FPDFPage_InsertObjectAtIndex = [](FPDF_PAGE page, FPDF_PAGEOBJECT object, size_t index) -> FPDF_BOOL {
    if (++calls > 1) return real(page, object, index);
    g_engine.FPDFPageObj_Destroy(object);
    return 0;
  };
  FPDF_PAGEOBJECT before = g_selection.selectedImage;
  EXPECT_FALSE(MoveSelectedImageLayer(+1));
  g_engine.FPDFPage_InsertObjectAtIndex = real;
  ASSERT_EQ(g_script.boxes.size(), 1u);
  EXPECT_EQ(g_script.boxes[0].text, u"无法调整所选图片的图层顺序。");
  EXPECT_EQ(indexOfImage(), 1);
  EXPECT_EQ(g_selection.selectedImage, before);
  EXPECT_EQ(CurrentObjectCount(), 3);
  g_script.boxes.clear();

  // Both the copy and the picture's way back are refused.
  g_engine.FPDFPage_InsertObjectAtIndex = [](FPDF_PAGE, FPDF_PAGEOBJECT object, size_t) -> FPDF_BOOL {
    g_engine.FPDFPageObj_Destroy(object);
    return 0;
  };
  EXPECT_FALSE(MoveSelectedImageLayer(+1));
  g_engine.FPDFPage_InsertObjectAtIndex = real;
  ASSERT_EQ(g_script.boxes.size(), 1u);
  EXPECT_EQ(g_script.boxes[0].caption, u"图片恢复失败");
  EXPECT_EQ(g_script.boxes[0].text, u"图层调整和图片恢复均失败；图片已从页面中移除。");
  EXPECT_EQ(CurrentObjectCount(), 2);
  EXPECT_EQ(FirstImage(g_session.currentPage), nullptr);
  EXPECT_EQ(g_selection.selectedImage, nullptr);
}

TEST_F(ImageClipboardWindowTest, AMovedLayerIsSavedInTheOrderTheWindowShows) {
  // A picture drawn before a box that overlaps it: each came to the page in its own edit, so
  // the engine keeps them in different content streams.
  ImagePageSpec spec;
  spec.cropBox = "[100 100 500 700]";
  spec.rotate = 90;
  spec.matrix = {120, 0, 0, 90, 200, 400};
  OpenImagePage(spec);
  AddFilledBox(g_session.currentPage, 150, 380, 250, 480, 0, 0, 0);
  ASSERT_TRUE(CommitPageContent());
  const PagePoint overlap{230, 430};
  const SavedCrop crop{100, 100, 500, 700};
  ASSERT_LT(SavedColourAt(g_session.document, "layer-before", overlap, 90, crop).lightness(), 40);
  g_selection.selectedImage = FirstImage(g_session.currentPage);
  EditScope scope = BeginPossibleEdit();
  ASSERT_TRUE(MoveSelectedImageLayer(+1));
  EndPossibleEdit(scope);
  ASSERT_EQ(Objects().back(), g_selection.selectedImage);
  Canvas()->repaint();
  QColor shown = Canvas()->grab().toImage().pixelColor(OnScreen(overlap));
  QColor saved = SavedColourAt(g_session.document, "layer-after", overlap, 90, crop);
  EXPECT_GT(shown.lightness(), 90) << "the grey picture is drawn over the box";
  EXPECT_NEAR(saved.lightness(), shown.lightness(), 8) << "and saved so";
  // And back down, now that the picture came to the page after the box.
  scope = BeginPossibleEdit();
  ASSERT_TRUE(MoveSelectedImageLayer(-1));
  EndPossibleEdit(scope);
  ASSERT_EQ(Objects().front(), g_selection.selectedImage);
  Canvas()->repaint();
  shown = Canvas()->grab().toImage().pixelColor(OnScreen(overlap));
  saved = SavedColourAt(g_session.document, "layer-down", overlap, 90, crop);
  EXPECT_LT(shown.lightness(), 40) << "the box is drawn over the picture";
  EXPECT_NEAR(saved.lightness(), shown.lightness(), 8) << "and saved so";
}

namespace {

// A 40 × 20 picture whose left half is red, right half blue and top row black.
std::vector<uint8_t> OrientedPicture() {
  std::vector<uint8_t> rgb(40 * 20 * 3);
  for (int row = 0; row < 20; ++row) {
    for (int column = 0; column < 40; ++column) {
      uint8_t* p = &rgb[(row * 40 + column) * 3];
      p[0] = row == 0 ? 0 : column < 20 ? 220 : 30;
      p[1] = row == 0 ? 0 : 40;
      p[2] = row == 0 ? 0 : column < 20 ? 30 : 220;
    }
  }
  return rgb;
}

float SideAlong(const FS_MATRIX& m) { return std::hypot(m.a, m.b); }
float SideUp(const FS_MATRIX& m) { return std::hypot(m.c, m.d); }
float TurnOf(const FS_MATRIX& m) { return float(std::atan2(m.b, m.a) * 180 / 3.14159265358979); }

}  // namespace

TEST_F(ImageClipboardWindowTest, ATurnedPictureKeepsItsSidesAndTurnWhenPastedIntoAnotherDocument) {
  // 200 × 100 pt turned by −45 degrees.
  const float c = float(std::cos(-3.14159265358979 / 4)), s = float(std::sin(-3.14159265358979 / 4));
  ImagePageSpec spec;
  spec.width = 40;
  spec.height = 20;
  spec.rgb = OrientedPicture();
  spec.matrix = {200 * c, 200 * s, -100 * s, 100 * c, 150, 450};
  OpenImagePage(spec);
  g_selection.selectedImage = FirstImage(g_session.currentPage);
  const Bounds originalBounds = BoundsOf(g_selection.selectedImage);
  const ImagePixels originalPixels = ReadImagePixels(g_session.document, g_session.currentPage, g_selection.selectedImage);
  RouteCommand(kCmdCopy);
  ASSERT_TRUE(g_script.boxes.empty()) << RecordedBoxesText();

  // Another document: an upright page without the picture.
  ImagePageSpec other;
  other.matrix = {50, 0, 0, 40, 20, 20};
  OpenImagePage(other);
  QCursor::setPos(Canvas()->mapToGlobal(At(0.5f, 0.5f)));
  RouteCommand(kCmdPaste);
  ASSERT_TRUE(g_script.boxes.empty()) << RecordedBoxesText();
  FPDF_PAGEOBJECT pasted = LastObject();
  ASSERT_EQ(g_engine.FPDFPageObj_GetType(pasted), kPageObjImage);
  FS_MATRIX m{};
  ASSERT_TRUE(g_engine.FPDFPageObj_GetMatrix(pasted, &m));
  EXPECT_NEAR(SideAlong(m), 200, 0.05);
  EXPECT_NEAR(SideUp(m), 100, 0.05);
  EXPECT_NEAR(TurnOf(m), -45, 0.01);
  EXPECT_GT(m.a * m.d - m.b * m.c, 0) << "not mirrored";
  const Bounds b = BoundsOf(pasted);
  EXPECT_NEAR(b.Width(), originalBounds.Width(), 0.05);
  EXPECT_NEAR(b.Height(), originalBounds.Height(), 0.05);
  const ImagePixels pixels = ReadImagePixels(g_session.document, g_session.currentPage, pasted);
  EXPECT_EQ(pixels.width, 40);
  EXPECT_EQ(pixels.height, 20);
  EXPECT_EQ(pixels.bgra, originalPixels.bgra);
}

TEST_F(ImageClipboardWindowTest, APictureShownUprightOnATurnedPagePastesUprightAsShown) {
  // On a page turned by 90 degrees, 120 × 90 pt shown upright: its rows run up the page.
  ImagePageSpec spec;
  spec.rotate = 90;
  spec.width = 40;
  spec.height = 20;
  spec.rgb = OrientedPicture();
  spec.matrix = {0, 120, -90, 0, 300, 300};
  OpenImagePage(spec);
  g_selection.selectedImage = FirstImage(g_session.currentPage);
  FPDF_PAGEOBJECT original = g_selection.selectedImage;
  const Bounds originalBounds = BoundsOf(original);
  RouteCommand(kCmdCopy);
  ASSERT_TRUE(g_script.boxes.empty()) << RecordedBoxesText();
  auto record = QGuiApplication::clipboard()->mimeData()->data(kImageSizeMimeType);
  auto size = DecodeImageSizeRecord(reinterpret_cast<const uint8_t*>(record.constData()), size_t(record.size()));
  ASSERT_TRUE(size);
  EXPECT_NEAR(size->width, 120, 0.01);
  EXPECT_NEAR(size->height, 90, 0.01);
  EXPECT_NEAR(size->turnDegrees, 0, 0.01);

  // Pasted on the same turned page: the same matrix but for its place, the same pixels.
  QCursor::setPos(Canvas()->mapToGlobal(At(0.3f, 0.3f)));
  RouteCommand(kCmdPaste);
  ASSERT_TRUE(g_script.boxes.empty()) << RecordedBoxesText();
  FPDF_PAGEOBJECT pasted = LastObject();
  ASSERT_NE(pasted, original);
  FS_MATRIX m{};
  ASSERT_TRUE(g_engine.FPDFPageObj_GetMatrix(pasted, &m));
  EXPECT_NEAR(m.a, 0, 0.01);
  EXPECT_NEAR(m.b, 120, 0.01);
  EXPECT_NEAR(m.c, -90, 0.01);
  EXPECT_NEAR(m.d, 0, 0.01);
  const Bounds b = BoundsOf(pasted);
  EXPECT_NEAR(b.Width(), originalBounds.Width(), 0.05);  // 90 across the unturned page
  EXPECT_NEAR(b.Height(), originalBounds.Height(), 0.05);
  EXPECT_EQ(ReadImagePixels(g_session.document, g_session.currentPage, pasted).bgra,
            ReadImagePixels(g_session.document, g_session.currentPage, original).bgra);
  // The red half is on the left as shown: the pasted picture's left-centre is red on screen.
  Canvas()->repaint();
  QApplication::processEvents();
  QImage shown = Canvas()->grab().toImage();
  auto onScreen = [&](double s, double t) {
    float x, y;
    PageToScreen(m.a * s + m.c * t + m.e, m.b * s + m.d * t + m.f, x, y);
    return shown.pixelColor(int(std::lround(x)), int(std::lround(y)));
  };
  EXPECT_GT(onScreen(0.25, 0.5).red(), 180);
  EXPECT_GT(onScreen(0.75, 0.5).blue(), 180);
  QPointF left = QPointF(OnScreen({m.a * 0.25f + m.c * 0.5f + m.e, m.b * 0.25f + m.d * 0.5f + m.f}));
  QPointF right = QPointF(OnScreen({m.a * 0.75f + m.c * 0.5f + m.e, m.b * 0.75f + m.d * 0.5f + m.f}));
  EXPECT_LT(left.x(), right.x()) << "rows run left to right on screen";
  EXPECT_NEAR(left.y(), right.y(), 1.0);
}

TEST_F(ImageClipboardWindowTest, APictureOverTheClipboardLimitIsRefusedForItsSize) {
  // 9000 × 8000 pixels would take 288 MB as BGRA; the stream itself is never read.
  ImagePageSpec spec;
  spec.width = 9000;
  spec.height = 8000;
  spec.rgb.assign(300, 128);
  OpenImagePage(spec);
  g_selection.selectedImage = FirstImage(g_session.currentPage);
  RouteCommand(kCmdCopy);
  ASSERT_EQ(g_script.boxes.size(), 1u) << RecordedBoxesText();
  EXPECT_EQ(g_script.boxes[0].caption, u"复制图片失败");
  EXPECT_EQ(g_script.boxes[0].text, u"所选图片的像素格式或尺寸不受支持。");
  const QMimeData* left = QGuiApplication::clipboard()->mimeData();
  EXPECT_TRUE(left == nullptr || !left->hasFormat("image/png"));
}

// Force erase driven through the real window: the brush on turned and cropped pages, what the
// user is told, the trail while dragging, undo, and evidence renders for a person to look at.
#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <cstdlib>
#include <random>

#include "app/force_erase_test_fixture.h"
#include "content/image_file.h"
#include "content/image_pixels.h"
#include "document/file_writer.h"
#include "editing/force_erase_tool.h"
#include "platform/file_system.h"
#include "platform/text_encoding.h"
#include "support/image_page_pdf.h"
#include "support/jpeg_maker.h"
#include "support/pdf_fixtures.h"
#include "view/page_view.h"

namespace {

struct TurnedPage {
  const char* name;
  int rotate;
};
void PrintTo(const TurnedPage& page, std::ostream* out) { *out << page.name; }

class ForceEraseTurnedPageTest : public ForceEraseWindowTest, public testing::WithParamInterface<TurnedPage> {};

}  // namespace

TEST_P(ForceEraseTurnedPageTest, TheBrushWhitensThePixelsUnderItAsSeen) {
  ImagePageSpec spec;
  spec.cropBox = "[100 100 500 700]";
  spec.rotate = GetParam().rotate;
  spec.width = 80;
  spec.height = 60;
  spec.matrix = {200, 0, 0, 150, 150, 300};
  OpenPage(spec);
  // The image's own upper-left quarter point: pixel column 20, row 15 from its top.
  QPoint spot = UnitOnScreen(0.25f, 0.75f);
  QPoint mirroredAcross = UnitOnScreen(0.75f, 0.75f), mirroredUpDown = UnitOnScreen(0.25f, 0.25f);
  ASSERT_TRUE(g_view.pageRect.Contains(spot.x(), spot.y()));
  EXPECT_EQ(qGray(ScreenPixel(spot)), 128);
  size_t steps = Steps();
  Click(spot);
  ASSERT_TRUE(g_script.boxes.empty()) << RecordedBoxesText();
  EXPECT_EQ(g_session.statusText, u"图片像素已修改；共享图片可能同时改变");
  EXPECT_EQ(Steps(), steps + 1);
  EXPECT_TRUE(g_session.modified);
  ImagePixels pixels = Pixels();
  EXPECT_TRUE(pixels.White(20, 15));
  EXPECT_FALSE(pixels.White(59, 15));  // mirrored left to right in the image
  EXPECT_FALSE(pixels.White(20, 44));  // mirrored top to bottom
  EXPECT_FALSE(pixels.White(59, 44));
  // The screen agrees: white where the brush was, grey at the image's mirrored points.
  EXPECT_EQ(ScreenPixel(spot), qRgb(255, 255, 255));
  EXPECT_EQ(qGray(ScreenPixel(mirroredAcross)), 128);
  EXPECT_EQ(qGray(ScreenPixel(mirroredUpDown)), 128);
  // A disc of 12 pixels plus one image pixel: 10 screen pixels off is white, 20 is not.
  EXPECT_EQ(ScreenPixel(spot + QPoint(10, 0)), qRgb(255, 255, 255));
  EXPECT_EQ(ScreenPixel(spot + QPoint(0, -10)), qRgb(255, 255, 255));
  EXPECT_EQ(qGray(ScreenPixel(spot + QPoint(20, 0))), 128);
  EXPECT_EQ(qGray(ScreenPixel(spot + QPoint(0, 20))), 128);
  Screenshot(QStringLiteral("force-erase-") + GetParam().name);
  RouteCommand(kCmdUndo);
  EXPECT_EQ(Pixels().WhiteCount(), 0);
}

INSTANTIATE_TEST_SUITE_P(Turns, ForceEraseTurnedPageTest,
                         testing::Values(TurnedPage{"upright", 0}, TurnedPage{"turned90", 90}, TurnedPage{"turned180", 180},
                                         TurnedPage{"turned270", 270}),
                         [](const testing::TestParamInfo<TurnedPage>& info) { return std::string(info.param.name); });

TEST_F(ForceEraseWindowTest, TheTrailShowsWhileDraggingAndTheStrokeIsOneUndoStep) {
  ImagePageSpec spec;
  OpenPage(spec);
  QPoint from = UnitOnScreen(0.2f, 0.5f), to = UnitOnScreen(0.8f, 0.5f);
  size_t steps = Steps();
  Press(from);
  for (int i = 1; i <= 10; ++i) MoveTo(from + (to - from) * i / 10);
  // Before the release: a white band 24 pixels wide along the drag, the page still grey.
  QPoint middle = (from + to) / 2;
  EXPECT_EQ(ScreenPixel(middle), qRgb(255, 255, 255));
  EXPECT_EQ(ScreenPixel(middle + QPoint(0, 10)), qRgb(255, 255, 255));
  EXPECT_EQ(qGray(ScreenPixel(middle + QPoint(0, 16))), 128);
  EXPECT_EQ(Pixels().WhiteCount(), 0);
  EXPECT_EQ(g_tool.stroke.points.size(), 11u);
  Release(to);
  EXPECT_EQ(Steps(), steps + 1);
  int whites = Pixels().WhiteCount();
  EXPECT_GT(whites, 0);
  EXPECT_EQ(ScreenPixel(middle), qRgb(255, 255, 255));
  EXPECT_TRUE(g_tool.stroke.points.empty());
  // A drag that leaves the page is clamped to it and still erases what it crossed.
  QPoint outside(g_view.pageRect.right + 40, middle.y() + 30);
  Drag(UnitOnScreen(0.5f, 0.2f), outside, 4);
  EXPECT_EQ(Steps(), steps + 2);
  EXPECT_GT(Pixels().WhiteCount(), whites);
  RouteCommand(kCmdUndo);
  EXPECT_EQ(Pixels().WhiteCount(), whites);
  RouteCommand(kCmdUndo);
  EXPECT_EQ(Pixels().WhiteCount(), 0);
}

TEST_F(ForceEraseWindowTest, SkippedImagesAreReportedAndTextAloneChangesNothing) {
  ImagePageSpec clipped;
  clipped.clipped = true;
  OpenPage(clipped);
  size_t steps = Steps();
  Click(UnitOnScreen(0.25f, 0.5f));
  ASSERT_EQ(g_script.boxes.size(), 1u);
  EXPECT_EQ(g_script.boxes[0].caption, u"强制擦除未完成");
  EXPECT_EQ(g_script.boxes[0].text, u"无法处理图片；裁剪、透明图形状态或过大的图片不会被修改。");
  EXPECT_EQ(g_script.boxes[0].icon, MessageIcon::Warning);
  EXPECT_EQ(Steps(), steps);
  EXPECT_FALSE(g_session.modified);
  EXPECT_EQ(Pixels().WhiteCount(), 0);

  ImagePageSpec wide;
  wide.width = 40000;
  wide.height = 10;
  OpenPage(wide);
  Click(UnitOnScreen(0.5f, 0.5f));
  ASSERT_EQ(g_script.boxes.size(), 1u);
  EXPECT_EQ(g_script.boxes[0].text, u"无法处理图片；裁剪、透明图形状态或过大的图片不会被修改。");

  ImagePageSpec text;
  text.textBeside = true;
  OpenPage(text);
  std::string before = ReadBytes(WorkPath("page.pdf"));
  Drag(OnScreen({20, 22}), OnScreen({280, 12}), 6);
  EXPECT_TRUE(g_script.boxes.empty()) << RecordedBoxesText();
  EXPECT_EQ(g_session.statusText, u"没有需要修改的图片像素（文字和图形不受影响）");
  EXPECT_FALSE(g_session.modified);
  EXPECT_EQ(ReadBytes(WorkPath("page.pdf")), before);
}

TEST_F(ForceEraseWindowTest, AnErasedScanLooksTheSameInPopplerAndOnScreen) {
  // A scan-like page: grey paper with dark lines of "text" every 20 pixel rows.
  ImagePageSpec scan;
  scan.width = 400;
  scan.height = 560;
  scan.matrix = {495, 0, 0, 693, 50, 75};
  scan.rgb.assign(size_t(scan.width) * scan.height * 3, 225);
  for (int row = 0; row < scan.height; ++row) {
    if (row % 20 < 6) {
      for (int c = 40; c < 360; ++c) std::fill_n(&scan.rgb[(size_t(row) * scan.width + c) * 3], 3, uint8_t(30));
    }
  }
  OpenPage(scan);
  // A diagonal stroke from the upper left to the middle right, as seen.
  QPoint from = UnitOnScreen(0.15f, 0.85f), to = UnitOnScreen(0.85f, 0.55f);
  Drag(from, to, 12);
  ASSERT_TRUE(g_script.boxes.empty()) << RecordedBoxesText();
  QPoint middle = (from + to) / 2;
  EXPECT_EQ(ScreenPixel(middle), qRgb(255, 255, 255));
  Screenshot("force-erased-scan-window");
  ASSERT_TRUE(CommitPageContent());
  std::string saved = WorkPath("erased.pdf");
  ASSERT_TRUE(SaveDocumentToPath(g_session.document, saved));
  QDir().mkpath(QStringLiteral(CORVAN_ARTEFACTS));
  std::string out = std::string(CORVAN_ARTEFACTS) + "/force-erased-scan-poppler";
  ASSERT_EQ(std::system(("pdftoppm -r 72 -png -singlefile '" + saved + "' '" + out + "'").c_str()), 0);
  QImage poppler(QString::fromStdString(out + ".png"));
  ASSERT_FALSE(poppler.isNull());
  // poppler at 72 dpi: one pixel per point. The stroke's middle, on the page, is white there
  // too; the image's lower-left part is still paper-grey or text-dark.
  PagePoint mid = OnPage(middle);
  EXPECT_EQ(poppler.pixel(int(mid.x), int(842 - mid.y)), qRgb(255, 255, 255));
  PagePoint untouched{50 + 495 * 0.2f, 75 + 693 * 0.2f};
  EXPECT_NE(poppler.pixel(int(untouched.x), int(842 - untouched.y)), qRgb(255, 255, 255));
}

TEST_F(ForceEraseWindowTest, AnErasedJpegScanStaysAJpegOfAboutItsSize) {
  // A 150-dpi A4 scan: noisy paper with dark lines, stored as a JPEG filling the page.
  std::mt19937 noise(5);
  const std::vector<uint8_t> jpeg = EncodeJpeg({1240, 1754, JpegPixels::Rgb, 92}, [&](int y, uint8_t* line) {
    for (int x = 0; x < 1240; ++x) {
      int g = (y % 30 < 7 && x > 100 && x < 1140) ? 40 + int(noise() % 30) : 228 + int(noise() % 16);
      line[x * 3] = line[x * 3 + 1] = uint8_t(g);
      line[x * 3 + 2] = uint8_t(g - 4);
    }
  });
  FPDF_DOCUMENT document = g_engine.FPDF_CreateNewDocument();
  FPDF_PAGE page = g_engine.FPDFPage_New(document, 0, 595, 842);
  FPDF_PAGEOBJECT image = g_engine.FPDFPageObj_NewImageObj(document);
  ASSERT_TRUE(LoadJpegBytes(g_engine, nullptr, 0, image, jpeg));
  ASSERT_TRUE(g_engine.FPDFImageObj_SetMatrix(image, 595, 0, 0, 842, 0, 0));
  g_engine.FPDFPage_InsertObject(page, image);
  ASSERT_TRUE(g_engine.FPDFPage_GenerateContent(page));
  g_engine.FPDF_ClosePage(page);
  ASSERT_TRUE(SaveDocumentToPath(document, WorkPath("scan.pdf")));
  g_engine.FPDF_CloseDocument(document);
  const qint64 sizeBefore = QFileInfo(QString::fromStdString(WorkPath("scan.pdf"))).size();

  OpenInForceErase(WorkPath("scan.pdf"));
  const ImagePixels before = Pixels();
  QPoint from = UnitOnScreen(0.2f, 0.7f), to = UnitOnScreen(0.6f, 0.7f);
  Drag(from, to, 8);
  ASSERT_TRUE(g_script.boxes.empty()) << RecordedBoxesText();
  EXPECT_EQ(g_session.statusText, u"图片像素已修改；共享图片可能同时改变");
  EXPECT_TRUE(StoredAsJpeg(g_engine, Image()));
  // Under the stroke the paper and the dark line are white (JPEG leaves them within a few
  // levels); far from it the scan is as it was, up to the re-encoding's small loss.
  const ImagePixels after = Pixels();
  ASSERT_EQ(after.width, 1240);
  auto channelMin = [&](int column, int row) {
    const uint8_t* p = &after.bgra[(size_t(row) * after.width + column) * 4];
    return std::min({p[0], p[1], p[2]});
  };
  for (int column : {300, 500, 700}) {
    for (int row = int(0.3 * 1754) - 3; row <= int(0.3 * 1754) + 3; ++row) EXPECT_GE(channelMin(column, row), 245);
  }
  double difference = 0;
  int count = 0;
  for (int row = 1200; row < 1700; row += 7) {
    for (int column = 0; column < 1240; column += 5, ++count) {
      size_t i = (size_t(row) * 1240 + column) * 4;
      difference += std::abs(int(after.bgra[i + 1]) - int(before.bgra[i + 1]));
    }
  }
  EXPECT_LT(difference / count, 3.0) << "far from the stroke the scan keeps its look";
  // The saved copy costs about what the scan cost, not the pixels' raw size (6.5 MB).
  ASSERT_TRUE(CommitPageContent());
  ASSERT_TRUE(SaveDocumentToPath(g_session.document, WorkPath("erased.pdf")));
  const qint64 sizeAfter = QFileInfo(QString::fromStdString(WorkPath("erased.pdf"))).size();
  EXPECT_LT(sizeAfter, sizeBefore * 3 / 2) << sizeBefore << " → " << sizeAfter;
}

TEST_F(ForceEraseWindowTest, StrokesAfterUndoRedoOrAPageTurnStartFromThePictureAsItIsThen) {
  ImagePageSpec spec;
  spec.pages = 2;
  spec.width = 80;
  spec.height = 60;
  OpenPage(spec);
  auto strokeAt = [&](float t) {
    if (g_tool.mode != ToolMode::ForceErase) {  // undo leaves the mode
      g_script.answers.push_back(MessageAnswer::Ok);
      RouteCommand(kCmdForceErase);
      ASSERT_EQ(g_tool.mode, ToolMode::ForceErase);
    }
    Canvas()->repaint();  // an undo or a turn shows the page anew
    size_t steps = Steps();
    Drag(UnitOnScreen(0.1f, t), UnitOnScreen(0.9f, t), 6);
    ASSERT_EQ(Steps(), steps + 1);
  };
  // Rows of the image a stroke along unit height t whitens (row 0 at the top).
  auto whiteRows = [&](const ImagePixels& pixels, int row) { return pixels.White(40, row); };
  strokeAt(0.8f);  // near the top: rows about 12
  ImagePixels first = Pixels();
  ASSERT_TRUE(whiteRows(first, 12));
  ASSERT_FALSE(whiteRows(first, 48));
  RouteCommand(kCmdUndo);
  ASSERT_EQ(Pixels().WhiteCount(), 0);
  // After the undo the next stroke paints the picture as it is now, without the first one.
  strokeAt(0.2f);  // near the bottom: rows about 48
  ImagePixels second = Pixels();
  EXPECT_FALSE(whiteRows(second, 12));
  EXPECT_TRUE(whiteRows(second, 48));
  EXPECT_EQ(qGray(ScreenPixel(UnitOnScreen(0.5f, 0.8f))), 128);
  // Undo and redo give that state back; a stroke then adds to it.
  RouteCommand(kCmdUndo);
  RouteCommand(kCmdRedo);
  ASSERT_EQ(Pixels().WhiteCount(), second.WhiteCount());
  strokeAt(0.5f);
  ImagePixels third = Pixels();
  EXPECT_FALSE(whiteRows(third, 12));
  EXPECT_TRUE(whiteRows(third, 30));
  EXPECT_TRUE(whiteRows(third, 48));
  // To the next page and back: still the picture as it is, and the page shows it.
  RouteCommand(kCmdNextPage);
  RouteCommand(kCmdPreviousPage);
  strokeAt(0.65f);
  ImagePixels fourth = Pixels();
  EXPECT_FALSE(whiteRows(fourth, 12));
  EXPECT_TRUE(whiteRows(fourth, 21));
  EXPECT_TRUE(whiteRows(fourth, 30));
  EXPECT_TRUE(whiteRows(fourth, 48));
  EXPECT_EQ(ScreenPixel(UnitOnScreen(0.5f, 0.2f)), qRgb(255, 255, 255));
  EXPECT_EQ(qGray(ScreenPixel(UnitOnScreen(0.5f, 0.8f))), 128);
}

TEST_F(ForceEraseWindowTest, AfterAnotherEditOfThePictureTheNextStrokePaintsItsNewPixels) {
  ImagePageSpec spec;  // 40 × 30 grey pixels
  OpenPage(spec);
  auto at = [](QPoint p) { return std::vector<ScreenPoint>{{p.x(), p.y()}}; };
  RunForceErase(at(UnitOnScreen(0.25f, 0.5f)));
  ASSERT_TRUE(Pixels().White(10, 15));
  // Another edit gives the picture new pixels, all black, through the session as every edit does.
  FPDF_BITMAP black = g_engine.FPDFBitmap_CreateEx(40, 30, kBitmapBgrx, nullptr, 0);
  ASSERT_TRUE(g_engine.FPDFBitmap_FillRect(black, 0, 0, 40, 30, 0xFF000000));
  FPDF_PAGE pages[] = {g_session.currentPage};
  ASSERT_TRUE(g_engine.FPDFImageObj_SetBitmap(pages, 1, Image(), black));
  g_engine.FPDFBitmap_Destroy(black);
  NotifyObjectModified();
  RunForceErase(at(UnitOnScreen(0.75f, 0.5f)));
  ImagePixels pixels = Pixels();
  EXPECT_TRUE(pixels.White(30, 15));
  // Where the first click was, the black of the other edit stays: the grey picture painted
  // before it is not written back.
  EXPECT_EQ(pixels.bgra[(15 * 40 + 10) * 4], 0);
  EXPECT_EQ(pixels.bgra[(15 * 40 + 20) * 4 + 1], 0);
}

namespace {

// The pixels kept for the next stroke belong to the open document: closing it lets them go.
TEST_F(ForceEraseWindowTest, ThePictureKeptForTheNextStrokeGoesWithItsDocument) {
  ImagePageSpec spec;  // 40 × 30 grey pixels
  OpenPage(spec);
  ASSERT_EQ(KeptPictureBytes(), 0u);
  RunForceErase({ScreenPoint{UnitOnScreen(0.25f, 0.5f).x(), UnitOnScreen(0.25f, 0.5f).y()}});
  ASSERT_TRUE(Pixels().White(10, 15));
  EXPECT_GE(KeptPictureBytes(), 40u * 30 * 4);
  WriteNumberedPdf(WorkPath("other.pdf"), 1);
  g_script.answers.push_back(MessageAnswer::No);  // do not save the erased page
  OpenOrFail(WorkPath("other.pdf"));
  EXPECT_EQ(KeptPictureBytes(), 0u);
  // The same file opened again: a stroke elsewhere starts from the picture as saved, so the
  // first stroke, never saved, does not come back with it.
  OpenInForceErase(WorkPath("page.pdf"));
  RunForceErase({ScreenPoint{UnitOnScreen(0.75f, 0.5f).x(), UnitOnScreen(0.75f, 0.5f).y()}});
  ImagePixels pixels = Pixels();
  EXPECT_TRUE(pixels.White(30, 15));
  EXPECT_FALSE(pixels.White(10, 15));
}

}  // namespace

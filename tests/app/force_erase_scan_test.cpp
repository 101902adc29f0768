// Force erase on scans as they come from scanners: a colour JPEG keeps its colours away from
// the stroke, and a picture drawn by two pages is erased on both, in the window and in the
// saved file.
#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <cstdio>
#include <cstdlib>
#include <random>

#include "app/force_erase_test_fixture.h"
#include "content/image_pixels.h"
#include "document/save_copy.h"
#include "support/jpeg_maker.h"
#include "support/pdf_fixtures.h"

namespace {

// A colour page: tinted paper with noise, coloured bands of "text" and a photo-like gradient.
std::vector<uint8_t> ColourScan(int width, int height) {
  std::vector<uint8_t> rgb(size_t(width) * height * 3);
  std::mt19937 noise(11);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      uint8_t* p = &rgb[(size_t(y) * width + x) * 3];
      int r = 236 + int(noise() % 12), g = 228 + int(noise() % 12), b = 205 + int(noise() % 12);
      if (y % 24 < 6 && x > 40 && x < width - 40) r = 30 + x % 200, g = 60, b = 160 - x % 120;
      if (y > height / 2 && x < width / 2) r = x * 255 / width, g = y * 255 / height, b = 128 + (x + y) % 100;
      p[0] = uint8_t(r), p[1] = uint8_t(g), p[2] = uint8_t(b);
    }
  }
  return rgb;
}

struct ChannelDrift {
  int maximum[3] = {0, 0, 0};
};
// Blue, green and red compared over the picture's rows [firstRow, lastRow).
ChannelDrift DriftOver(const ImagePixels& before, const ImagePixels& after, int firstRow, int lastRow) {
  ChannelDrift drift;
  for (int row = firstRow; row < lastRow; ++row) {
    for (int column = 0; column < before.width; ++column) {
      size_t i = (size_t(row) * before.width + column) * 4;
      for (int c = 0; c < 3; ++c) {
        drift.maximum[c] = std::max(drift.maximum[c], std::abs(int(after.bgra[i + c]) - int(before.bgra[i + c])));
      }
    }
  }
  return drift;
}

class ForceEraseScanTest : public ForceEraseWindowTest {
 protected:
  // Opens another file, dropping the changes of the one open.
  void Reopen(const std::string& pdf) {
    if (g_session.modified) g_script.answers.push_back(MessageAnswer::No);
    OpenOrFail(pdf);
    g_script.boxes.clear();
  }
  // poppler's picture of one page of a saved file at 72 dpi (one pixel per point).
  QImage Poppler(const std::string& pdf, int page, const char* name) {
    QDir().mkpath(QStringLiteral(CORVAN_ARTEFACTS));
    std::string out = std::string(CORVAN_ARTEFACTS) + "/" + name;
    std::string command = "pdftoppm -r 72 -png -singlefile -f " + std::to_string(page) + " -l " +
                          std::to_string(page) + " '" + pdf + "' '" + out + "'";
    if (std::system(command.c_str()) != 0) return {};
    return QImage(QString::fromStdString(out + ".png"));
  }
};

}  // namespace

TEST_F(ForceEraseScanTest, AColourScanKeepsItsColoursAwayFromTheStroke) {
  ImagePageSpec spec;
  spec.width = 620;
  spec.height = 877;
  // Colour at full resolution (4:4:4), as office scanners write it.
  spec.jpeg = EncodeJpeg({spec.width, spec.height, JpegPixels::Rgb, 90, 1}, ColourScan(spec.width, spec.height));
  spec.matrix = {595, 0, 0, 842, 0, 0};
  OpenPage(spec);
  ASSERT_TRUE(StoredAsJpeg(g_engine, Image()));
  const ImagePixels original = Pixels();
  ASSERT_EQ(original.width, 620);

  // Two strokes across the upper third (the second step reads the first one's result).
  Drag(UnitOnScreen(0.2f, 0.8f), UnitOnScreen(0.7f, 0.8f), 8);
  Drag(UnitOnScreen(0.3f, 0.7f), UnitOnScreen(0.6f, 0.75f), 6);
  ASSERT_TRUE(g_script.boxes.empty()) << RecordedBoxesText();
  EXPECT_EQ(g_session.statusText, u"图片像素已修改；共享图片可能同时改变");
  ASSERT_TRUE(StoredAsJpeg(g_engine, Image()));
  const ImagePixels after = Pixels();
  // Under the stroke: white, up to the JPEG's small loss.
  for (int column : {200, 300, 400}) {
    const uint8_t* p = &after.bgra[(size_t(0.2 * 877) * 620 + column) * 4];
    EXPECT_GE(std::min({p[0], p[1], p[2]}), 245) << column;
  }
  // The lower two thirds, far from both strokes, keep every channel within two levels.
  ChannelDrift drift = DriftOver(original, after, 877 / 3 + 16, 877);
  for (int c = 0; c < 3; ++c) EXPECT_LE(drift.maximum[c], 2) << "channel " << c << " (blue, green, red)";

  // Saved and opened again: the same picture.
  ASSERT_TRUE(CommitPageContent());
  ASSERT_TRUE(SaveDocumentToPath(g_session.document, WorkPath("erased.pdf")));
  Reopen(WorkPath("erased.pdf"));
  const ImagePixels reopened = Pixels();
  ASSERT_EQ(reopened.width, 620);
  drift = DriftOver(original, reopened, 877 / 3 + 16, 877);
  for (int c = 0; c < 3; ++c) EXPECT_LE(drift.maximum[c], 2) << "channel " << c << " after reopening";
  EXPECT_EQ(reopened.bgra, after.bgra);
}

TEST_F(ForceEraseScanTest, APictureDrawnByTwoPagesIsErasedOnBothInTheSavedFile) {
  for (bool jpeg : {false, true}) {
    SCOPED_TRACE(jpeg ? "JPEG" : "raw pixels");
    ImagePageSpec spec;
    spec.pages = 2;
    spec.width = 200;
    spec.height = 280;
    spec.rgb.assign(size_t(spec.width) * spec.height * 3, 90);
    if (jpeg) spec.jpeg = EncodeJpeg({spec.width, spec.height, JpegPixels::Rgb, 90, 1}, spec.rgb);
    spec.matrix = {400, 0, 0, 560, 100, 150};
    if (g_session.modified) g_script.answers.push_back(MessageAnswer::No);
    OpenPage(spec);
    ASSERT_EQ(g_session.pageCount, 2);
    const QPoint middle = UnitOnScreen(0.5f, 0.5f);
    const PagePoint onPage = OnPage(middle);
    Drag(UnitOnScreen(0.2f, 0.5f), UnitOnScreen(0.8f, 0.5f), 6);
    ASSERT_TRUE(g_script.boxes.empty()) << RecordedBoxesText();
    EXPECT_EQ(g_session.statusText, u"图片像素已修改；共享图片可能同时改变");
    // The window shows the band on the second page too.
    ASSERT_TRUE(GoToPage(1));
    Canvas()->repaint();
    EXPECT_EQ(ScreenPixel(middle), qRgb(255, 255, 255));
    EXPECT_NE(ScreenPixel(UnitOnScreen(0.5f, 0.2f)), qRgb(255, 255, 255));

    std::string saved = WorkPath(jpeg ? "shared-jpeg.pdf" : "shared-raw.pdf");
    ASSERT_TRUE(SaveDocumentToPath(g_session.document, saved));
    for (int page : {1, 2}) {
      SCOPED_TRACE(page);
      QImage poppler = Poppler(saved, page, jpeg ? "shared-jpeg-poppler" : "shared-raw-poppler");
      ASSERT_FALSE(poppler.isNull());
      EXPECT_EQ(poppler.pixel(int(onPage.x), int(842 - onPage.y)), qRgb(255, 255, 255));
      EXPECT_NE(qGray(poppler.pixel(int(onPage.x), int(842 - onPage.y) + 150)), 255);
    }
    // Opened again, both pages draw one picture.
    Reopen(saved);
    const ImagePixels first = Pixels();
    ASSERT_TRUE(GoToPage(1));
    const ImagePixels second = Pixels();
    ASSERT_GT(first.WhiteCount(), 0);
    EXPECT_EQ(first.bgra, second.bgra);
  }
}

TEST_F(ForceEraseScanTest, ACopyAfterManyStrokesCarriesOnlyTheLastPictureAndUndoRecordsStaySmall) {
  ImagePageSpec spec;
  spec.width = 620;
  spec.height = 877;
  spec.jpeg = EncodeJpeg({spec.width, spec.height, JpegPixels::Rgb, 90, 1}, ColourScan(spec.width, spec.height));
  spec.matrix = {595, 0, 0, 842, 0, 0};
  OpenPage(spec);
  std::string original = ReadBytes(WorkPath("page.pdf"));
  // Six strokes, each replacing the picture with a new stream.
  for (int i = 0; i < 6; ++i) Drag(UnitOnScreen(0.2f, 0.9f - 0.05f * i), UnitOnScreen(0.7f, 0.9f - 0.05f * i), 8);
  ASSERT_TRUE(g_script.boxes.empty()) << RecordedBoxesText();
  g_script.dialogAnswers = {WorkPath16("erased.pdf")};
  ASSERT_TRUE(SavePdfCopy(u"_annotated.pdf", u"已保存 PDF 副本。"));
  std::string copy = ReadBytes(WorkPath("erased.pdf"));
  ASSERT_EQ(copy.substr(0, original.size()), original);
  // What follows the original's bytes holds one picture: the erased ones are nowhere in it.
  std::string added = copy.substr(original.size());
  size_t pictures = 0;
  for (size_t at = added.find("/DCTDecode"); at != std::string::npos; at = added.find("/DCTDecode", at + 1)) ++pictures;
  EXPECT_EQ(pictures, 1u);
  EXPECT_LT(added.size(), spec.jpeg.size() * 11 / 10 + 4096);
  // Undo records hold the picture of their step, not every picture before it.
  for (const auto& record : g_history.undo) EXPECT_LT(record.fileBytes, spec.jpeg.size() * 2 + 4096);
  Reopen(WorkPath("erased.pdf"));
  EXPECT_EQ(Pixels().width, 620);
}

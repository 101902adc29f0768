// Force erase on real PDFium pages, with a plain mapping of page points to the screen
// (one pixel per point, y down from 1000): which pixels turn white, which images are skipped.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "content/force_erase.h"
#include "document/file_writer.h"
#include "document/session.h"
#include "engine/engine_table.h"
#include "platform/file_system.h"
#include "platform/text_encoding.h"
#include "support/document_test.h"
#include "support/image_page_pdf.h"
#include "support/pdf_fixtures.h"

namespace {

// Page points one to one on screen, y turned down from 1000.
const ScreenMapping kFlatScreen{PageFrame{0, 0, 1000, 1000, 0}, IntRect{0, 0, 1000, 1000}};

void FlatScreen(float px, float py, float& x, float& y) { MapToScreen(kFlatScreen, px, py, x, y); }

using Pixels = ImagePixels;

Pixels ReadImage(FPDF_PAGEOBJECT image) { return ReadImagePixels(g_session.document, g_session.currentPage, image); }

double DistanceToSegment(double x, double y, ScreenPoint a, ScreenPoint b) {
  double dx = b.x - a.x, dy = b.y - a.y, len2 = dx * dx + dy * dy;
  double t = len2 > 0 ? std::clamp(((x - a.x) * dx + (y - a.y) * dy) / len2, 0.0, 1.0) : 0.0;
  return std::hypot(x - (a.x + t * dx), y - (a.y + t * dy));
}

// Where each pixel should end up, worked out forwards: its centre through the image matrix
// onto the page and the screen, measured against the stroke.
std::vector<bool> ExpectedWhite(const FS_MATRIX& m, int w, int h, const std::vector<ScreenPoint>& stroke) {
  float x0, y0, x1, y1, x2, y2;
  FlatScreen(m.e, m.f, x0, y0);
  FlatScreen(m.a + m.e, m.b + m.f, x1, y1);
  FlatScreen(m.c + m.e, m.d + m.f, x2, y2);
  double q = (std::hypot(x1 - x0, y1 - y0) / w + std::hypot(x2 - x0, y2 - y0) / h) / 2;
  std::vector<bool> white(size_t(w) * h);
  for (int r = 0; r < h; ++r) {
    for (int c = 0; c < w; ++c) {
      double s = (c + 0.5) / w, t = 1 - (r + 0.5) / h;
      float sx, sy;
      FlatScreen(float(m.a * s + m.c * t + m.e), float(m.b * s + m.d * t + m.f), sx, sy);
      double best = 1e9;
      for (size_t k = 0; k < stroke.size(); ++k) best = std::min(best, DistanceToSegment(sx, sy, stroke[k ? k - 1 : 0], stroke[k]));
      white[size_t(r) * w + c] = best <= kForceEraseRadius + q;
    }
  }
  return white;
}

class ForceEraseTest : public DocumentTest {
 protected:
  FPDF_PAGEOBJECT Open(const ImagePageSpec& spec) {
    WriteImagePagePdf(WorkPath("image.pdf"), spec);
    OpenOrFail(WorkPath("image.pdf"));
    return FirstImage(g_session.currentPage);
  }
  ForceEraseResult Erase(const std::vector<ScreenPoint>& stroke) {
    return ForceEraseImages(g_engine, g_session.document, g_session.currentPage, stroke, kForceEraseRadius, kFlatScreen);
  }
  // Every pixel as the forward computation says, and the counts of white pixels.
  void ExpectErasedExactly(FPDF_PAGEOBJECT image, const ImagePageSpec& spec, const std::vector<ScreenPoint>& stroke) {
    Pixels pixels = ReadImage(image);
    ASSERT_EQ(pixels.width, spec.width);
    std::vector<bool> expected = ExpectedWhite(spec.matrix, spec.width, spec.height, stroke);
    int mismatches = 0, whites = 0;
    for (int r = 0; r < spec.height; ++r) {
      for (int c = 0; c < spec.width; ++c) {
        whites += expected[size_t(r) * spec.width + c];
        mismatches += pixels.White(c, r) != expected[size_t(r) * spec.width + c];
      }
    }
    EXPECT_GT(whites, 0);
    EXPECT_EQ(mismatches, 0) << "of " << whites << " expected white";
  }
};

}  // namespace

TEST_F(ForceEraseTest, AClickWhitensADiscNearTheTopLeftAsSeen) {
  // 40 × 30 pixels on 200 × 150 points: five screen pixels per image pixel.
  ImagePageSpec spec;
  FPDF_PAGEOBJECT image = Open(spec);
  ASSERT_NE(image, nullptr);
  // Image pixel (10, 5) from the top-left has its centre at page (152.5, 322.5), screen (152.5, 677.5).
  std::vector<ScreenPoint> click = {{152, 677}};
  ForceEraseResult result = Erase(click);
  EXPECT_TRUE(result.ran);
  EXPECT_EQ(result.modified, 1);
  EXPECT_EQ(result.skipped, 0);
  EXPECT_FALSE(result.possiblyChanged);
  Pixels pixels = ReadImage(image);
  EXPECT_TRUE(pixels.White(10, 5));
  EXPECT_FALSE(pixels.White(40 - 1 - 10, 5));   // mirrored left to right
  EXPECT_FALSE(pixels.White(10, 30 - 1 - 5));   // mirrored top to bottom
  // The reach is 12 + 5 pixels: pixel (13, 5), 15.5 right of the click, is white; (14, 5) at 20.5 is not.
  EXPECT_TRUE(pixels.White(13, 5));
  EXPECT_FALSE(pixels.White(14, 5));
  ExpectErasedExactly(image, spec, click);
  // The rest keeps its grey, and alpha stays opaque.
  EXPECT_EQ(pixels.bgra[(29 * 40 + 39) * 4], 128);
  EXPECT_EQ(pixels.bgra[(5 * 40 + 10) * 4 + 3], 255);
}

TEST_F(ForceEraseTest, RotatedAndShearedImagesAreErasedAlongTheStrokeAsSeen) {
  struct Case {
    const char* name;
    FS_MATRIX matrix;
  };
  const float c30 = std::cos(0.5236f) , s30 = std::sin(0.5236f);
  for (Case k : {Case{"turned 90", {0, 150, -200, 0, 400, 200}},
                 Case{"turned 30", {200 * c30, 200 * s30, -150 * s30, 150 * c30, 200, 200}},
                 Case{"sheared", {200, 0, 80, 150, 100, 200}},
                 Case{"flipped", {-200, 0, 0, 150, 400, 200}}}) {
    SCOPED_TRACE(k.name);
    ImagePageSpec spec;
    spec.matrix = k.matrix;
    FPDF_PAGEOBJECT image = Open(spec);
    ASSERT_NE(image, nullptr);
    float l, b, r, t;
    ASSERT_TRUE(g_engine.FPDFPageObj_GetBounds(image, &l, &b, &r, &t));
    // A diagonal stroke across the lower-left third of the picture's bounds, as seen.
    int x0 = int(l + (r - l) * 0.15f), y0 = int(1000 - (b + (t - b) * 0.2f));
    std::vector<ScreenPoint> stroke = {{x0, y0}, {x0 + 20, y0 - 10}, {x0 + 45, y0 - 12}};
    ForceEraseResult result = Erase(stroke);
    EXPECT_EQ(result.modified, 1);
    ExpectErasedExactly(image, spec, stroke);
    ResetDocumentState();
  }
}

TEST_F(ForceEraseTest, ImagesThatCannotBeRewrittenSafelyAreSkippedAndKept) {
  struct Case {
    const char* name;
    ImagePageSpec spec;
  };
  ImagePageSpec clipped, masked, wide, tall;
  clipped.clipped = true;
  masked.softMask = true;
  wide.width = 40000;
  wide.height = 10;
  tall.width = 10;
  tall.height = 32768;
  for (const Case& k : {Case{"clipped", clipped}, Case{"soft mask", masked}, Case{"40000 wide", wide}, Case{"32768 tall", tall}}) {
    SCOPED_TRACE(k.name);
    FPDF_PAGEOBJECT image = Open(k.spec);
    ASSERT_NE(image, nullptr);
    ForceEraseResult result = Erase({{200, 700}, {260, 690}});
    EXPECT_TRUE(result.ran);
    EXPECT_EQ(result.modified, 0);
    EXPECT_EQ(result.skipped, 1);
    EXPECT_FALSE(result.possiblyChanged);
    if (k.spec.width <= 100) {
      EXPECT_EQ(ReadImage(image).WhiteCount(), 0);
    }
    FS_MATRIX m{};
    ASSERT_TRUE(g_engine.FPDFPageObj_GetMatrix(image, &m));
    EXPECT_FLOAT_EQ(m.a, k.spec.matrix.a);  // the matrix put back after rendering
    EXPECT_FLOAT_EQ(m.e, k.spec.matrix.e);
    ResetDocumentState();
  }
  // The largest side taken: 32767 × 2.
  ImagePageSpec edge;
  edge.width = 32767;
  edge.height = 2;
  Open(edge);
  EXPECT_EQ(Erase({{200, 700}}).modified, 1);
}

TEST_F(ForceEraseTest, StrokesAwayFromImagesOrOverWhiteChangeNothing) {
  ImagePageSpec spec;
  spec.textBeside = true;
  FPDF_PAGEOBJECT image = Open(spec);
  ASSERT_NE(image, nullptr);
  std::string before = ReadBytes(WorkPath("image.pdf"));
  // Over the text and the line at the bottom of the page, far from the image.
  ForceEraseResult result = Erase({{20, 985}, {120, 990}, {300, 990}});
  EXPECT_TRUE(result.ran);
  EXPECT_EQ(result.modified, 0);
  EXPECT_EQ(result.skipped, 0);
  EXPECT_EQ(ReadImage(image).WhiteCount(), 0);
  // The same spot twice: the second stroke finds only white and writes nothing.
  EXPECT_EQ(Erase({{200, 700}}).modified, 1);
  int whites = ReadImage(image).WhiteCount();
  EXPECT_EQ(Erase({{200, 700}}).modified, 0);
  EXPECT_EQ(ReadImage(image).WhiteCount(), whites);
  // Nothing to run on: no stroke, no page.
  EXPECT_FALSE(Erase({}).ran);
  EXPECT_FALSE(ForceEraseImages(g_engine, g_session.document, nullptr, {{1, 1}}, 12, kFlatScreen).ran);
  EXPECT_FALSE(ForceEraseImages(g_engine, g_session.document, g_session.currentPage, {{1, 1}}, 12, ScreenMapping{}).ran)
      << "no page on screen: nothing to erase";
  EXPECT_FALSE(ForceEraseImages(g_engine, g_session.document, g_session.currentPage, {{1, 1}}, std::nan(""), kFlatScreen).ran);
}

TEST_F(ForceEraseTest, ALongStrokeWritesTheImageOnceAndSurvivesSaving) {
  ImagePageSpec spec;
  FPDF_PAGEOBJECT image = Open(spec);
  std::vector<ScreenPoint> stroke;
  for (int x = 100; x <= 300; x += 2) stroke.push_back({x, 700 - (x - 100) / 4});
  EXPECT_EQ(Erase(stroke).modified, 1);
  ExpectErasedExactly(image, spec, stroke);
  // The rewritten image has no soft mask: the engine wrote it opaque.
  EXPECT_FALSE(g_engine.FPDFPageObj_HasTransparency(image));
  Pixels before = ReadImage(image);
  ASSERT_TRUE(g_engine.FPDFPage_GenerateContent(g_session.currentPage));
  int fd = OpenForWriting(Utf8ToUtf16(WorkPath("saved.pdf")), false);
  ASSERT_GE(fd, 0);
  FileWriter writer = MakeFileWriter(fd);
  ASSERT_TRUE(SaveDocumentToFile(g_session.document, writer, kSaveNoIncremental));
  CloseFile(fd);
  ResetDocumentState();
  OpenOrFail(WorkPath("saved.pdf"));
  FPDF_PAGEOBJECT reopened = g_engine.FPDFPage_GetObject(g_session.currentPage, 0);
  ASSERT_EQ(g_engine.FPDFPageObj_GetType(reopened), kPageObjImage);
  Pixels after = ReadImage(reopened);
  EXPECT_EQ(after.bgra, before.bgra);
}

namespace {

// An A4 page filled by one 2480 × 3508 grey scan stored by the engine from a BGRA bitmap, so
// with a soft mask: opaque but for the pixels `transparent` picks, which get `alpha`.
template <typename Pick>
void WriteMaskedScan(const std::string& path, Pick transparent, uint8_t alpha) {
  constexpr int kWidth = 2480, kHeight = 3508;
  FPDF_DOCUMENT document = g_engine.FPDF_CreateNewDocument();
  FPDF_PAGE page = g_engine.FPDFPage_New(document, 0, 595, 842);
  FPDF_BITMAP bitmap = g_engine.FPDFBitmap_CreateEx(kWidth, kHeight, kBitmapBgra, nullptr, 0);
  auto* pixels = static_cast<uint8_t*>(g_engine.FPDFBitmap_GetBuffer(bitmap));
  const int stride = g_engine.FPDFBitmap_GetStride(bitmap);
  for (int row = 0; row < kHeight; ++row) {
    for (int column = 0; column < kWidth; ++column) {
      uint8_t* p = pixels + size_t(row) * stride + size_t(column) * 4;
      p[0] = p[1] = p[2] = 128;
      p[3] = transparent(column, row) ? alpha : 255;
    }
  }
  FPDF_PAGEOBJECT image = g_engine.FPDFPageObj_NewImageObj(document);
  ASSERT_TRUE(g_engine.FPDFImageObj_SetBitmap(nullptr, 0, image, bitmap));
  ASSERT_TRUE(g_engine.FPDFImageObj_SetMatrix(image, 595, 0, 0, 842, 0, 0));
  g_engine.FPDFPage_InsertObject(page, image);
  ASSERT_TRUE(g_engine.FPDFPage_GenerateContent(page));
  g_engine.FPDFBitmap_Destroy(bitmap);
  g_engine.FPDF_ClosePage(page);
  ASSERT_TRUE(SaveDocumentToPath(document, path));
  g_engine.FPDF_CloseDocument(document);
}

}  // namespace

TEST_F(ForceEraseTest, ASoftMaskIsFoundEvenWhereOnlyOnePixelOrOneLineFarFromTheStrokeLetsThrough) {
  struct Case {
    const char* name;
    bool (*transparent)(int column, int row);
    uint8_t alpha;
    bool erased;
  };
  // The stroke runs near the top-left; every see-through pixel lies far from it.
  for (const Case& k : {Case{"one clear pixel in the last corner", [](int c, int r) { return c == 2479 && r == 3507; }, 0, false},
                        Case{"one pixel of alpha 254", [](int c, int r) { return c == 1801 && r == 2999; }, 254, false},
                        Case{"a clear line one pixel wide", [](int c, int) { return c == 2000; }, 0, false},
                        Case{"a mask that is opaque everywhere", [](int, int) { return false; }, 0, true}}) {
    SCOPED_TRACE(k.name);
    WriteMaskedScan(WorkPath("masked.pdf"), k.transparent, k.alpha);
    OpenOrFail(WorkPath("masked.pdf"));
    FPDF_PAGEOBJECT image = FirstImage(g_session.currentPage);
    ASSERT_NE(image, nullptr);
    // Neither of the engine's cheap answers sees the mask: only the rendered alpha does.
    EXPECT_FALSE(g_engine.FPDFPageObj_HasTransparency(image));
    ForceEraseResult result = Erase({{60, 200}, {160, 220}});
    EXPECT_TRUE(result.ran);
    EXPECT_EQ(result.modified, k.erased ? 1 : 0);
    EXPECT_EQ(result.skipped, k.erased ? 0 : 1);
    EXPECT_FALSE(result.possiblyChanged);
    FS_MATRIX m{};
    ASSERT_TRUE(g_engine.FPDFPageObj_GetMatrix(image, &m));
    EXPECT_FLOAT_EQ(m.a, 595);
    EXPECT_FLOAT_EQ(m.d, 842);
    const int whites = ReadImage(image).WhiteCount();
    if (k.erased) {
      EXPECT_GT(whites, 0);
    } else {
      EXPECT_EQ(whites, 0);
    }
    ResetDocumentState();
  }
}

TEST_F(ForceEraseTest, TheNextStrokePaintsThePixelsTheLastOneWroteAndGivesWhatAFreshReadGives) {
  // Two images: strokes on the first are kept and reused, one on the second replaces them.
  ImagePageSpec spec;
  spec.rgb.resize(size_t(spec.width) * spec.height * 3);
  for (size_t i = 0; i < spec.rgb.size(); ++i) spec.rgb[i] = uint8_t(60 + (i * 7) % 120);
  FPDF_PAGEOBJECT image = Open(spec);
  ASSERT_NE(image, nullptr);
  ErasedPicture kept;
  auto erase = [&](const std::vector<ScreenPoint>& stroke) {
    return ForceEraseImages(g_engine, g_session.document, g_session.currentPage, stroke, kForceEraseRadius, kFlatScreen,
                            &kept);
  };
  const std::vector<ScreenPoint> first = {{120, 660}, {160, 680}}, second = {{250, 760}, {280, 700}};
  ASSERT_EQ(erase(first).modified, 1);
  EXPECT_EQ(kept.image, image);
  EXPECT_EQ(kept.width, 40u);
  // What is kept is exactly what the engine now holds, alpha included.
  EXPECT_EQ(kept.pixels, ReadImage(image).bgra);

  ASSERT_EQ(erase(second).modified, 1);
  std::vector<ScreenPoint> both = first;
  both.insert(both.end(), second.begin(), second.end());
  Pixels pixels = ReadImage(image);
  std::vector<bool> white = ExpectedWhite(spec.matrix, spec.width, spec.height, first);
  std::vector<bool> whiteSecond = ExpectedWhite(spec.matrix, spec.width, spec.height, second);
  int mismatches = 0;
  for (int r = 0; r < spec.height; ++r) {
    for (int c = 0; c < spec.width; ++c) {
      size_t i = size_t(r) * spec.width + c;
      bool expected = white[i] || whiteSecond[i];
      // Pixels no stroke reached keep their own colour, not the grey of a fresh spec.
      if (!expected) mismatches += pixels.bgra[i * 4 + 2] != spec.rgb[i * 3];
      mismatches += pixels.White(c, r) != expected;
    }
  }
  EXPECT_EQ(mismatches, 0);
  EXPECT_EQ(kept.pixels, pixels.bgra);

  // A stroke over white changes nothing and keeps what is kept.
  EXPECT_EQ(erase({{140, 670}}).modified, 0);
  EXPECT_EQ(kept.image, image);
  EXPECT_EQ(kept.pixels, pixels.bgra);
}

TEST_F(ForceEraseTest, KeptPixelsOfAnotherImageOrPageAreNotUsed) {
  ImagePageSpec spec;
  FPDF_PAGEOBJECT image = Open(spec);
  ErasedPicture kept;
  ASSERT_EQ(ForceEraseImages(g_engine, g_session.document, g_session.currentPage, {{152, 677}}, kForceEraseRadius,
                             kFlatScreen, &kept)
                .modified,
            1);
  // Pixels that are not the image's (all black) under another identity: a stroke must read
  // the image afresh and leave it grey away from the stroke.
  int x = 180;
  for (auto change : {+[](ErasedPicture& k) { k.objectIndex = 1; }, +[](ErasedPicture& k) { k.page = nullptr; },
                      +[](ErasedPicture& k) { k.image = nullptr; }, +[](ErasedPicture& k) { k.height = 29; }}) {
    x += 25;  // fresh pixels each time
    ErasedPicture other = kept;
    std::fill(other.pixels.begin(), other.pixels.end(), 0);
    for (size_t i = 3; i < other.pixels.size(); i += 4) other.pixels[i] = 255;
    change(other);
    ASSERT_EQ(ForceEraseImages(g_engine, g_session.document, g_session.currentPage, {{x, 760}}, kForceEraseRadius,
                               kFlatScreen, &other)
                  .modified,
              1);
    Pixels pixels = ReadImage(image);
    EXPECT_EQ(pixels.bgra[(29 * 40 + 39) * 4], 128);
    EXPECT_TRUE(pixels.White(10, 5));  // the first click is still there
    // Now the image's own pixels are kept.
    EXPECT_EQ(other.pixels, pixels.bgra);
    EXPECT_EQ(other.objectIndex, 0);
  }
}

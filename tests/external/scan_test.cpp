// Scanning into a new document: SANE's real test backend (a private configuration folder that
// lists only it), synthetic pictures for the page rules, and the engine made to fail part-way.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <optional>
#include <sstream>

#include "document/file_writer.h"
#include "document/session.h"
#include "engine/engine_table.h"
#include "external/sane_device.h"
#include "external/scan_frames.h"
#include "external/scan_modes.h"
#include "external/scan_pages.h"
#include "external/scanning.h"
#include "platform/file_system.h"
#include "platform/text_encoding.h"
#include "support/document_test.h"
#include "support/live_handles.h"
#include "support/pdf_fixtures.h"
#include "support/sane_test_backend.h"

namespace {

using Options = std::vector<std::pair<std::string, std::string>>;

ScanDialogRequest Answer(int dpi, Options options = {}) {
  ScanDialogRequest request;
  request.device = 0;
  request.dpi = dpi;
  request.deviceOptions = std::move(options);
  return request;
}

// Pixel (x, y) of a page rendered at 1 pixel per point, as blue, green, red.
struct Colour {
  int b, g, r;
};
Colour PixelOf(FPDF_DOCUMENT document, int index, float fx, float fy) {
  FPDF_PAGE page = g_engine.FPDF_LoadPage(document, index);
  int w = int(g_engine.FPDF_GetPageWidthF(page)), h = int(g_engine.FPDF_GetPageHeightF(page));
  FPDF_BITMAP bitmap = g_engine.FPDFBitmap_CreateEx(w, h, kBitmapBgrx, nullptr, 0);
  g_engine.FPDFBitmap_FillRect(bitmap, 0, 0, w, h, 0xFF00FF00);
  g_engine.FPDF_RenderPageBitmap(bitmap, page, 0, 0, w, h, 0, 0);
  auto* row = static_cast<uint8_t*>(g_engine.FPDFBitmap_GetBuffer(bitmap)) +
              size_t(int(fy * (h - 1))) * size_t(g_engine.FPDFBitmap_GetStride(bitmap));
  const uint8_t* pixel = row + 4 * int(fx * (w - 1));
  Colour colour{pixel[0], pixel[1], pixel[2]};
  g_engine.FPDFBitmap_Destroy(bitmap);
  g_engine.FPDF_ClosePage(page);
  return colour;
}

class ScanTest : public DocumentTest {
 protected:
  void SetUp() override {
    DocumentTest::SetUp();
    UseSaneTestBackendOnly();
  }

  // A document to replace: one page with one path, saved.
  void OpenExisting() {
    WriteTestPdf(WorkPath("existing.pdf"), {PageSpec{}});
    OpenOrFail(WorkPath("existing.pdf"));
  }

  const RecordedBox* Box(const std::string& caption) {
    for (const auto& box : g_script.boxes) {
      if (Utf8(box.caption) == caption) return &box;
    }
    return nullptr;
  }
};

// The test backend's default area is 80 × 100 mm.
constexpr double kAreaWidthInches = 80 / 25.4;

TEST_F(ScanTest, TwoScannedPagesOpenAsAnUnsavedUntitledDocument) {
  OpenExisting();
  g_script.scanAnswers.push_back(Answer(100, {{"test-picture", "Solid black"}}));
  g_script.scanAnswers.push_back(Answer(50, {{"mode", "Color"}, {"test-picture", "Solid white"}}));
  g_script.answers = {MessageAnswer::Yes, MessageAnswer::No};
  ScanToNewDocument();

  ASSERT_EQ(g_script.scanDialogs.size(), 2u);
  EXPECT_EQ(g_script.scanDialogs[1].pageNumber, 2);
  ASSERT_FALSE(g_script.scanDialogs[0].devices.empty());
  ASSERT_NE(Box("扫描 PDF"), nullptr) << RecordedBoxesText();
  EXPECT_EQ(Utf8(Box("扫描 PDF")->text), "是否继续扫描下一页？\n选择“否”将打开已扫描的 PDF。");
  EXPECT_EQ(Box("扫描失败"), nullptr) << RecordedBoxesText();
  ASSERT_EQ(g_session.pageCount, 2);
  EXPECT_TRUE(g_session.modified);
  EXPECT_TRUE(g_session.path.empty());
  EXPECT_EQ(Utf8(g_session.statusText), "扫描完成，请保存 PDF");
  std::string title = Utf8(WindowTitle());
  EXPECT_NE(title.find("未命名"), std::string::npos) << title;
  EXPECT_NE(title.find(" *"), std::string::npos) << title;

  // Each page is as large as the area scanned, whatever the resolution.
  std::vector<float> widths = PageWidths(g_session.document);
  EXPECT_NEAR(widths[0], kAreaWidthInches * 72, 1.0);
  EXPECT_NEAR(widths[1], kAreaWidthInches * 72, 1.5);
  Colour black = PixelOf(g_session.document, 0, 0.5f, 0.5f);
  Colour white = PixelOf(g_session.document, 1, 0.5f, 0.5f);
  EXPECT_LT(black.r + black.g + black.b, 30);
  EXPECT_GT(white.r + white.g + white.b, 740);
  EXPECT_EQ(ObjectCountOnPage(g_session.document, 0), 1);
  EXPECT_EQ(ReadBytes(WorkPath("existing.pdf")).substr(0, 5), "%PDF-");  // the replaced file is untouched
}

TEST_F(ScanTest, AJamOnTheThirdPageOpensTheTwoGoodPagesWithItsMessage) {
  OpenExisting();
  g_script.scanAnswers.push_back(Answer(60));
  g_script.scanAnswers.push_back(Answer(60));
  g_script.scanAnswers.push_back(Answer(60, {{"read-return-value", "SANE_STATUS_JAMMED"}}));
  g_script.answers = {MessageAnswer::Yes, MessageAnswer::Yes};
  ScanToNewDocument();

  const RecordedBox* failure = Box("扫描失败");
  ASSERT_NE(failure, nullptr) << RecordedBoxesText();
  EXPECT_EQ(Utf8(failure->text),
            "扫描失败（SANE 错误 6：卡纸）。请检查扫描仪、SANE 驱动及 SANE 服务。\n已扫描的页面将打开，请及时保存。");
  EXPECT_EQ(failure->icon, MessageIcon::Error);
  EXPECT_EQ(g_session.pageCount, 2);
  EXPECT_TRUE(g_session.modified);
  EXPECT_EQ(Utf8(g_session.statusText), "扫描完成，请保存 PDF");
}

TEST_F(ScanTest, CancellingTheFirstDialogOrTheReadingChangesNothing) {
  OpenExisting();
  std::string before = Utf8(WindowTitle());
  ScanToNewDocument();  // the script answers the dialog with 取消
  EXPECT_EQ(g_script.scanDialogs.size(), 1u);
  EXPECT_TRUE(g_script.boxes.empty()) << RecordedBoxesText();
  EXPECT_EQ(Utf8(WindowTitle()), before);
  EXPECT_EQ(g_session.pageCount, 1);
  EXPECT_EQ(Utf8(g_session.path), WorkPath("existing.pdf"));

  // A page read slowly (a byte at a time, with a pause after each) is stopped by 取消.
  g_script.scanAnswers.push_back(Answer(300, {{"read-limit", "yes"},
                                               {"read-limit-size", "1"},
                                               {"read-delay", "yes"},
                                               {"read-delay-duration", "200000"}}));
  g_script.cancelAtPump = 60;  // after the device list, while the page is read
  ScanToNewDocument();
  EXPECT_GE(g_script.pumps, 60);
  EXPECT_TRUE(g_script.boxes.empty()) << RecordedBoxesText();
  EXPECT_FALSE(g_script.busyShown);
  EXPECT_EQ(g_session.pageCount, 1);
  EXPECT_EQ(Utf8(g_session.path), WorkPath("existing.pdf"));
  EXPECT_FALSE(g_session.modified);
}

TEST_F(ScanTest, CancellingWhileConnectingEndsTheRunBeforeAnyDialog) {
  OpenExisting();
  g_script.scanAnswers.push_back(Answer(100, {{"test-picture", "Solid black"}}));
  g_script.cancelAtPump = 1;
  ScanToNewDocument();
  EXPECT_EQ(g_script.busyTexts, std::vector<std::u16string>{u"正在连接扫描仪..."});
  EXPECT_TRUE(g_script.scanDialogs.empty());
  EXPECT_TRUE(g_script.boxes.empty()) << RecordedBoxesText();
  EXPECT_FALSE(g_script.busyShown);
  EXPECT_EQ(Utf8(g_session.path), WorkPath("existing.pdf"));

  // SANE was stopped cleanly: the next run connects and scans.
  g_script.cancelAtPump = -1;
  g_script.answers = {MessageAnswer::No};
  ScanToNewDocument();
  EXPECT_EQ(g_script.scanDialogs.size(), 1u);
  EXPECT_EQ(g_session.pageCount, 1);
  EXPECT_TRUE(g_session.path.empty());
  EXPECT_TRUE(g_session.modified);
}

TEST(ScanModesTest, ColourAndGreyAreFoundInTheDevicesOwnWords) {
  EXPECT_EQ(DeviceModeFor({"Lineart", "Gray", "Color"}, "Color"), "Color");
  EXPECT_EQ(DeviceModeFor({"Lineart", "Grayscale", "24bit Color"}, "Color"), "24bit Color");
  EXPECT_EQ(DeviceModeFor({"Lineart", "Grayscale", "24bit Color"}, "Gray"), "Grayscale");
  EXPECT_EQ(DeviceModeFor({"Binary", "True Grey", "Colour"}, "Gray"), "True Grey");
  EXPECT_EQ(DeviceModeFor({"Binary", "True Grey", "Colour"}, "Color"), "Colour");
  EXPECT_EQ(DeviceModeFor({"color", "gray"}, "Color"), "color");
  EXPECT_EQ(DeviceModeFor({"Lineart", "Halftone"}, "Color"), std::nullopt);
  EXPECT_EQ(DeviceModeFor({}, "Gray"), "Gray");
}

TEST_F(ScanTest, ResolutionsOutsideTenToNineThousandSixHundredCountAsThreeHundred) {
  g_script.scanAnswers.push_back(Answer(5));  // the device scans at 5 dpi; placed as 300
  g_script.answers = {MessageAnswer::No};
  ScanToNewDocument();
  ASSERT_EQ(g_session.pageCount, 1) << RecordedBoxesText();
  float pixels = std::round(float(kAreaWidthInches * 5));
  EXPECT_NEAR(PageWidths(g_session.document)[0], pixels * 72 / 300, 0.5);

  ScannedImage image;
  image.width = 2480;
  image.height = 3508;
  for (double dpi : {300.0, 0.0, 20000.0, 9.99, 9600.01, std::nan("")}) {
    image.dpiX = image.dpiY = dpi;
    auto size = ScannedPageSize(image);
    ASSERT_TRUE(size.has_value());
    EXPECT_NEAR(size->width, 595.2, 1e-6);
    EXPECT_NEAR(size->height, 841.92, 1e-6);
  }
  image.dpiX = 600;  // one usable and one unusable: both count as 300
  image.dpiY = 0;
  ASSERT_TRUE(ScannedPageSize(image).has_value());
  EXPECT_NEAR(ScannedPageSize(image)->width, 595.2, 1e-6);
  image.width = image.height = 1000;  // the ends of the range are usable
  image.dpiX = image.dpiY = 10;
  ASSERT_TRUE(ScannedPageSize(image).has_value());
  EXPECT_NEAR(ScannedPageSize(image)->width, 7200, 1e-6);
  image.dpiX = image.dpiY = 9600;
  EXPECT_NEAR(ScannedPageSize(image)->height, 7.5, 1e-6);
}

TEST_F(ScanTest, PagesAbove14400PointsOr256MebibytesAreRefused) {
  ScannedImage image;
  image.dpiX = image.dpiY = 300;
  image.width = 60000;  // exactly 14,400 points
  image.height = 10;
  EXPECT_TRUE(ScannedPageSize(image).has_value());
  image.width = 60001;
  EXPECT_FALSE(ScannedPageSize(image).has_value());
  image.width = 8192;  // 8192 × 8192 × 4 bytes is exactly 256 MiB
  image.height = 8192;
  image.dpiX = image.dpiY = 9600;
  EXPECT_TRUE(ScannedPageSize(image).has_value());
  image.height = 8193;
  EXPECT_FALSE(ScannedPageSize(image).has_value());
  image.width = 0;
  EXPECT_FALSE(ScannedPageSize(image).has_value());
}

// A 2 × 2 picture: red and green on top, blue and white below.
ScannedImage FourColours(double dpi) {
  ScannedImage image;
  image.width = 2;
  image.height = 2;
  image.dpiX = image.dpiY = dpi;
  image.pixels = {0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 0, 255, 255, 255, 0};
  return image;
}

FPDF_BOOL RefuseBitmap(FPDF_PAGE*, int, FPDF_PAGEOBJECT, FPDF_BITMAP) { return 0; }

TEST_F(ScanTest, APictureFillsItsPageUprightAndAFailedPageLeavesNothingBehind) {
  FPDF_DOCUMENT document = g_engine.FPDF_CreateNewDocument();
  ScanOps ops = ScanOpsFromEngine();
  ASSERT_EQ(AddScannedPage(ops, document, 0, FourColours(10)), ScanPageFailure::None);  // 14.4 × 14.4 pt
  EXPECT_NEAR(PageWidths(document)[0], 14.4, 1e-3);
  Colour topLeft = PixelOf(document, 0, 0.2f, 0.2f);
  Colour topRight = PixelOf(document, 0, 0.8f, 0.2f);  // rows of the bitmap run down
  Colour bottomLeft = PixelOf(document, 0, 0.2f, 0.8f);
  EXPECT_GT(topLeft.r, 200);
  EXPECT_LT(topLeft.b, 50);
  EXPECT_GT(topRight.g, 200);
  EXPECT_LT(topRight.r, 50);
  EXPECT_GT(bottomLeft.b, 200);
  EXPECT_LT(bottomLeft.r, 50);

  ops.FPDFImageObj_SetBitmap = RefuseBitmap;
  EXPECT_EQ(AddScannedPage(ops, document, 1, FourColours(72)), ScanPageFailure::EngineFailed);
  EXPECT_EQ(g_engine.FPDF_GetPageCount(document), 1);
  ScannedImage broken = FourColours(72);
  broken.pixels.pop_back();
  EXPECT_EQ(AddScannedPage(ScanOpsFromEngine(), document, 1, broken), ScanPageFailure::InvalidImage);
  EXPECT_EQ(g_engine.FPDF_GetPageCount(document), 1);
  g_engine.FPDF_CloseDocument(document);
}

FPDF_BOOL RefuseMatrix(FPDF_PAGEOBJECT, double, double, double, double, double, double) { return 0; }
FPDF_BOOL RefuseContent(FPDF_PAGE) { return 0; }

TEST_F(ScanTest, EveryPageClosesItsPageAndBitmapAndAPictureOffThePageIsDestroyed) {
  LiveHandles live;
  FPDF_DOCUMENT document = g_engine.FPDF_CreateNewDocument();
  ASSERT_EQ(AddScannedPage(ScanOpsFromEngine(), document, 0, FourColours(72)), ScanPageFailure::None);
  EXPECT_EQ(live.Closes(), 2);  // the page and the bitmap; the picture is the page's

  // Refused before the picture reaches the page: page, bitmap and picture all go.
  for (int refused = 0; refused < 2; ++refused) {
    SCOPED_TRACE(refused);
    ScanOps ops = ScanOpsFromEngine();
    if (refused == 0) ops.FPDFImageObj_SetBitmap = RefuseBitmap;
    if (refused == 1) ops.FPDFImageObj_SetMatrix = RefuseMatrix;
    int closesBefore = live.Closes();
    EXPECT_EQ(AddScannedPage(ops, document, 1, FourColours(72)), ScanPageFailure::EngineFailed);
    EXPECT_EQ(live.Closes() - closesBefore, 3);
    EXPECT_EQ(live.Open().documents, 1);
    EXPECT_EQ(live.Open().pages + live.Open().bitmaps + live.Open().looseObjects, 0);
  }

  // Refused after it: the picture went with the page, which is closed and taken out again.
  ScanOps ops = ScanOpsFromEngine();
  ops.FPDFPage_GenerateContent = RefuseContent;
  int closesBefore = live.Closes();
  EXPECT_EQ(AddScannedPage(ops, document, 1, FourColours(72)), ScanPageFailure::EngineFailed);
  EXPECT_EQ(live.Closes() - closesBefore, 2);
  EXPECT_EQ(g_engine.FPDF_GetPageCount(document), 1);
  g_engine.FPDF_CloseDocument(document);
  EXPECT_EQ(live.Open(), HandleCounts{});
}

TEST_F(ScanTest, FramesOfEveryDepthAndLayoutBecomeOnePicture) {
  // Grey, 1 bit: a set bit is black; padding bytes at the line ends are skipped.
  RawFrame lineArt{FrameKind::Gray, 1, 2, 3, {0b10100000, 0xFF, 0b01000000, 0xFF}};
  auto art = DecodeScanFrames({lineArt}, 200, 200);
  ASSERT_TRUE(art.has_value());
  EXPECT_EQ(art->width, 3);
  EXPECT_EQ(art->height, 2);
  std::vector<uint8_t> blues;
  for (size_t i = 0; i < art->pixels.size(); i += 4) blues.push_back(art->pixels[i]);
  EXPECT_EQ(blues, (std::vector<uint8_t>{0, 255, 0, 255, 0, 255}));
  EXPECT_EQ(art->dpiX, 200);

  // RGB, 16 bits in host order: the high byte counts.
  uint16_t samples[3] = {0xFF00, 0x8000, 0x0100};
  RawFrame deep{FrameKind::Rgb, 16, 6, 1, std::vector<uint8_t>(6)};
  std::memcpy(deep.bytes.data(), samples, 6);
  auto colour = DecodeScanFrames({deep}, 0, 0);
  ASSERT_TRUE(colour.has_value());
  EXPECT_EQ(std::vector<uint8_t>(colour->pixels.begin(), colour->pixels.begin() + 3), (std::vector<uint8_t>{1, 128, 255}));

  // Three passes, in any order.
  RawFrame green{FrameKind::Green, 8, 1, 1, {20}};
  RawFrame blue{FrameKind::Blue, 8, 1, 1, {30}};
  RawFrame red{FrameKind::Red, 8, 1, 1, {10}};
  auto passes = DecodeScanFrames({green, blue, red}, 0, 0);
  ASSERT_TRUE(passes.has_value());
  EXPECT_EQ(std::vector<uint8_t>(passes->pixels.begin(), passes->pixels.begin() + 3), (std::vector<uint8_t>{30, 20, 10}));

  EXPECT_FALSE(DecodeScanFrames({green, blue}, 0, 0).has_value());       // a colour missing
  EXPECT_FALSE(DecodeScanFrames({green, green, red}, 0, 0).has_value());  // one twice
  EXPECT_FALSE(DecodeScanFrames({RawFrame{FrameKind::Gray, 4, 1, 1, {0}}}, 0, 0).has_value());
  EXPECT_FALSE(DecodeScanFrames({RawFrame{FrameKind::Gray, 8, 1, 2, {0, 0}}}, 0, 0).has_value());  // line too short
  EXPECT_FALSE(DecodeScanFrames({RawFrame{FrameKind::Gray, 8, 4, 4, {0, 0}}}, 0, 0).has_value());  // no whole line
}

}  // namespace

namespace {

// A picture as scanimage writes it (P4, P5 or P6; comments allowed), as 32-bit BGRx.
std::optional<ScannedImage> ReadPnm(const std::string& bytes) {
  std::istringstream in(bytes);
  std::string magic;
  in >> magic;
  auto next = [&in]() {
    in >> std::ws;
    while (in.peek() == '#') {
      std::string comment;
      std::getline(in, comment);
      in >> std::ws;
    }
    int value = 0;
    in >> value;
    return value;
  };
  ScannedImage image;
  image.width = next();
  image.height = next();
  if (magic != "P4") next();  // the largest sample value
  in.get();
  std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  image.pixels.resize(size_t(image.width) * image.height * 4, 255);
  size_t rowBits = size_t(image.width + 7) / 8;
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) {
      uint8_t* out = &image.pixels[(size_t(y) * image.width + x) * 4];
      size_t i = size_t(y) * image.width + x;
      if (magic == "P6" && data.size() >= 3 * (i + 1)) {
        out[2] = uint8_t(data[3 * i]), out[1] = uint8_t(data[3 * i + 1]), out[0] = uint8_t(data[3 * i + 2]);
      } else if (magic == "P5" && data.size() > i) {
        out[0] = out[1] = out[2] = uint8_t(data[i]);
      } else if (magic == "P4" && data.size() > y * rowBits + x / 8) {
        bool black = (uint8_t(data[y * rowBits + x / 8]) >> (7 - x % 8)) & 1;
        out[0] = out[1] = out[2] = black ? 0 : 255;
      } else {
        return std::nullopt;
      }
    }
  }
  return image;
}

}  // namespace

// What this editor reads from a device is what SANE's own frontend reads from it, pixel for
// pixel (grey padding bytes aside), in colour and in line art.
TEST_F(ScanTest, PicturesMatchWhatScanimageReadsFromTheSameDevice) {
  struct Case {
    const char* name;
    Options options;
    std::string arguments;
  };
  std::vector<Case> cases = {
      {"colour-pattern", {{"mode", "Color"}, {"test-picture", "Color pattern"}},
       "--mode Color --test-picture 'Color pattern'"},
      {"line-art-grid", {{"mode", "Gray"}, {"depth", "1"}, {"test-picture", "Grid"}},
       "--mode Gray --depth 1 --test-picture Grid"},
  };
  ASSERT_EQ(StartSane(), kSaneGood);
  FPDF_DOCUMENT document = g_engine.FPDF_CreateNewDocument();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string pnm = WorkPath(std::string(c.name) + ".pnm");
    std::string command = "scanimage -d test:0 --resolution 50 " + c.arguments + " --format=pnm > '" + pnm + "' 2>/dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
    std::optional<ScannedImage> expected = ReadPnm(ReadBytes(pnm));
    ASSERT_TRUE(expected.has_value());

    PageReading reading;
    ScannedPage page = ScanOnePage(ScanSettings{"test:0", 50, c.options}, reading);
    ASSERT_EQ(page.status, kSaneGood);
    ASSERT_TRUE(page.image.has_value());
    EXPECT_EQ(page.image->dpiX, 50);
    ASSERT_EQ(page.image->width, expected->width);
    ASSERT_EQ(page.image->height, expected->height);
    size_t differing = 0;
    for (size_t i = 0; i < expected->pixels.size(); i += 4) {
      for (int k = 0; k < 3; ++k) differing += page.image->pixels[i + k] != expected->pixels[i + k];
    }
    EXPECT_EQ(differing, 0u);
    EXPECT_EQ(AddScannedPage(ScanOpsFromEngine(), document, g_engine.FPDF_GetPageCount(document), *page.image),
              ScanPageFailure::None);
  }
  StopSane();

  // Kept for a person to look at, drawn by poppler.
  std::string pdf = WorkPath("scanned.pdf");
  ASSERT_TRUE(SaveDocumentToPath(document, pdf));
  g_engine.FPDF_CloseDocument(document);
  std::string artefacts = std::string(CORVAN_ARTEFACTS) + "/scan";
  std::filesystem::create_directories(artefacts);
  EXPECT_EQ(std::system(("pdftoppm -png -r 72 '" + pdf + "' '" + artefacts + "/scanned'").c_str()), 0);
}

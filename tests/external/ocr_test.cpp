#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include "content/font_table.h"
#include "document/open_document.h"
#include "document/session.h"
#include "engine/engine_table.h"
#include "external/ocr_image.h"
#include "external/ocr_region.h"
#include "external/ocr_run.h"
#include "external_test.h"
#include "platform/text_encoding.h"
#include "support/document_test.h"

namespace {

constexpr const char16_t* kFailureLead = u"OCR 识别失败。请确认 Tesseract 和 chi_sim、eng 语言数据已正确安装。";

void AddFilledRect(FPDF_PAGE page, float left, float bottom, float right, float top) {
  FPDF_PAGEOBJECT path = g_engine.FPDFPageObj_CreateNewPath(left, bottom);
  g_engine.FPDFPath_LineTo(path, right, bottom);
  g_engine.FPDFPath_LineTo(path, right, top);
  g_engine.FPDFPath_LineTo(path, left, top);
  g_engine.FPDFPath_Close(path);
  g_engine.FPDFPageObj_SetFillColor(path, 0, 0, 0, 255);
  g_engine.FPDFPath_SetDrawMode(path, 1, 0);
  g_engine.FPDFPage_InsertObject(page, path);
}

void AddText(FPDF_PAGE page, const std::u16string& text, float x, float y, float size) {
  FPDF_FONT font = DefaultFontFor(text);
  ASSERT_NE(font, nullptr);
  FPDF_PAGEOBJECT object = g_engine.FPDFPageObj_CreateTextObj(g_session.document, font, size);
  ASSERT_TRUE(g_engine.FPDFText_SetText(object, reinterpret_cast<FPDF_WIDESTRING>(text.c_str())));
  g_engine.FPDFPageObj_SetFillColor(object, 0, 0, 0, 255);
  g_engine.FPDFPageObj_Transform(object, 1, 0, 0, 1, x, y);
  g_engine.FPDFPage_InsertObject(page, object);
}

bool Dark(const OcrImage& image, int x, int y) {
  const uint8_t* pixel = &image.pixels[(size_t(y) * image.width + x) * 4];
  return pixel[0] < 80 && pixel[1] < 80 && pixel[2] < 80;
}

class OcrTest : public DocumentTest {
 protected:
  void SetUp() override {
    DocumentTest::SetUp();
    own_ = root_ + "/own";
    std::filesystem::create_directories(own_);
    g_platform.programFolder = Utf8ToUtf16(own_);
  }
  void TearDown() override {
    g_platform.programFolder.clear();
    DocumentTest::TearDown();
  }

  // A 64 × 32 mid-grey image, run through RunOcr.
  bool RunOnGrey() {
    std::vector<uint8_t> pixels(64 * 32 * 4, 0x80);
    return RunOcr(pixels.data(), 64, 32, 64 * 4);
  }

  void ExpectFailure(const std::u16string& detail) {
    ASSERT_EQ(g_script.boxes.size(), 1u) << RecordedBoxesText();
    EXPECT_EQ(g_script.boxes[0].caption, u"OCR 识别失败");
    EXPECT_EQ(g_script.boxes[0].text, std::u16string(kFailureLead) + u"\n\n" + detail);
    EXPECT_EQ(g_script.boxes[0].icon, MessageIcon::Error);
    EXPECT_TRUE(g_script.ocrResults.empty());
    EXPECT_TRUE(TempFiles().empty()) << "work files left behind";
  }

  std::string own_;
};

TEST_F(OcrTest, RenderPlanKeepsTo300DpiAndTheSizeLimits) {
  std::u16string problem;
  // A tiny selection on a large page: exactly 300 dpi.
  auto tiny = PlanOcrRender(2384, 3370, {0, 0, 2384, 3370}, {100, 200, 150, 230}, problem);
  ASSERT_TRUE(tiny);
  EXPECT_DOUBLE_EQ(tiny->scale, 300.0 / 72.0);
  EXPECT_EQ(tiny->x0, 416);  // 100 pt at 300 dpi, counted from the left
  EXPECT_EQ(tiny->y0, 833);  // counted from the top
  // A whole A0 page shown at 0.25 px per point: scaled down into the limits.
  auto whole = PlanOcrRender(2384, 3370, {10, 20, 606, 862}, {10, 20, 606, 862}, problem);
  ASSERT_TRUE(whole);
  EXPECT_LE(whole->width, 8000);
  EXPECT_LE(whole->height, 8000);
  EXPECT_LE((long long)whole->width * whole->height, 23960000 + whole->width + whole->height);
  EXPECT_GT((long long)whole->width * whole->height, 23000000);
  EXPECT_EQ(whole->x0, 0);
  EXPECT_EQ(whole->y0, 0);
  // A selection reaching outside the page, or an empty one, is refused.
  EXPECT_FALSE(PlanOcrRender(595, 842, {0, 0, 595, 842}, {500, 10, 600, 20}, problem));
  EXPECT_EQ(problem, u"OCR 选区或页面尺寸无效，请重新选择。");
  EXPECT_FALSE(PlanOcrRender(595, 842, {0, 0, 595, 842}, {50, 10, 50, 20}, problem));
}

TEST_F(OcrTest, BmpIsBottomUpTwentyFourBitWithPaddedRows) {
  // 3 × 2 pixels, top row red, bottom row blue; rows padded from 9 to 12 bytes.
  std::vector<uint8_t> pixels = {0, 0, 255, 255, 0, 0, 255, 255, 0, 0, 255, 255,
                                 255, 0, 0, 255, 255, 0, 0, 255, 255, 0, 0, 255};
  std::u16string path = WorkPath16("a.bmp");
  ASSERT_TRUE(WriteBmp24(path, pixels.data(), 3, 2, 12));
  std::string bytes = ReadBytes(Utf8(path));
  ASSERT_EQ(bytes.size(), 54u + 24u);
  EXPECT_EQ(bytes.substr(0, 2), "BM");
  EXPECT_EQ(uint8_t(bytes[2]), 78);    // file size
  EXPECT_EQ(uint8_t(bytes[10]), 54);   // pixel offset
  EXPECT_EQ(uint8_t(bytes[18]), 3);    // width
  EXPECT_EQ(uint8_t(bytes[22]), 2);    // positive height: bottom-up
  EXPECT_EQ(uint8_t(bytes[28]), 24);   // bits per pixel
  EXPECT_EQ(uint8_t(bytes[34]), 24);   // image size
  // First stored row is the bottom (blue) one: B, G, R bytes.
  EXPECT_EQ(uint8_t(bytes[54]), 255);
  EXPECT_EQ(uint8_t(bytes[56]), 0);
  EXPECT_EQ(uint8_t(bytes[54 + 12 + 2]), 255);  // second stored row: red
  EXPECT_EQ(uint8_t(bytes[54 + 12]), 0);
  // Stride too small or too many pixels: no file.
  EXPECT_FALSE(WriteBmp24(WorkPath16("b.bmp"), pixels.data(), 3, 2, 8));
  EXPECT_FALSE(Exists(WorkPath("b.bmp")));
}

TEST_F(OcrTest, RotatedPageWithAnOffsetCropBoxIsRenderedAsDisplayed) {
  WriteHandMadePdf(WorkPath("turned.pdf"), "/MediaBox [0 0 400 600] /CropBox [100 50 400 600] /Rotate 90");
  OpenOrFail(WorkPath("turned.pdf"));
  ASSERT_FLOAT_EQ(g_session.pageWidth, 550);
  ASSERT_FLOAT_EQ(g_session.pageHeight, 300);
  // A bar at the crop box's lower-left corner, 20 wide and 80 tall: shown turned clockwise,
  // it lies along the top edge from the left, 80 wide and 20 tall.
  AddFilledRect(g_session.currentPage, 100, 50, 120, 130);
  ASSERT_TRUE(g_engine.FPDFPage_GenerateContent(g_session.currentPage));
  auto image = RenderOcrRegion(g_session.currentPage, 550, 300, {0, 0, 550, 300}, {0, 0, 100, 40});
  ASSERT_TRUE(image);
  double k = image->width / 100.0;
  EXPECT_TRUE(Dark(*image, int(60 * k), int(10 * k)));   // along the top, far to the right
  EXPECT_FALSE(Dark(*image, int(10 * k), int(30 * k)));  // below the bar
  EXPECT_FALSE(Dark(*image, int(90 * k), int(10 * k)));  // past its end
  EXPECT_TRUE(Dark(*image, 1, 1));
}

TEST_F(OcrTest, TesseractReadsChineseAndEnglishFromTheFramedRegion) {
  ASSERT_TRUE(NewBlankDocument());
  AddText(g_session.currentPage, u"你好世界 Hello 2026", 72, 700, 28);
  AddText(g_session.currentPage, u"不要读这一行", 72, 400, 28);
  ASSERT_TRUE(g_engine.FPDFPage_GenerateContent(g_session.currentPage));
  // The page shown at half size, moved away from the corner of the client area.
  OcrPixelRect page{40, 60, 40 + 298, 60 + 421};
  OcrPixelRect selection{40 + 25, 60 + 50, 40 + 270, 60 + 85};
  EXPECT_TRUE(RecogniseRegion(page, selection)) << RecordedBoxesText();
  ASSERT_EQ(g_script.ocrResults.size(), 1u);
  EXPECT_EQ(g_script.ocrResults[0], u"你好世界 Hello 2026");
  EXPECT_EQ(g_session.statusText, u"OCR 识别已完成");
  EXPECT_EQ(g_script.busyTexts, std::vector<std::u16string>{u"正在识别所选区域..."});
  EXPECT_TRUE(TempFiles().empty());
  EXPECT_FALSE(g_session.modified);
}

TEST_F(OcrTest, ArgumentsEnvironmentAndShippedLanguageDataReachTesseract) {
  std::string record = root_ + "/args.txt";
  std::string folderMode = root_ + "/mode.txt";
  WriteFakeProgram(own_, "tesseract",
                   "printf '%s\\n' \"$@\" \"OMP=$OMP_THREAD_LIMIT\" > '" + record + "'\nprintf '\\n  \\n\\n' > \"$2.txt\"\n" +
                       "stat -c '%a' \"$(dirname \"$1\")\" > '" + folderMode + "'");
  std::filesystem::create_directories(own_ + "/tessdata");
  WriteBytes(own_ + "/tessdata/chi_sim.traineddata", "x");
  WriteBytes(own_ + "/tessdata/eng.traineddata", "x");
  EXPECT_TRUE(RunOnGrey());
  std::string args = ReadText(record);
  std::string image = args.substr(0, args.find('\n'));
  EXPECT_EQ(image.rfind(temp_ + "/pdf", 0), 0u);
  EXPECT_EQ(image.substr(image.size() - 4), ".bmp");
  std::string rest = args.substr(image.size() + 1);
  std::string base = rest.substr(0, rest.find('\n'));
  EXPECT_EQ(rest, base + "\n-l\nchi_sim+eng\n--psm\n3\n--tessdata-dir\n" + own_ + "/tessdata\nOMP=1\n");
  // The page image and the result sit in one folder only this user can enter.
  EXPECT_EQ(base.substr(0, base.rfind('/')), image.substr(0, image.rfind('/')));
  EXPECT_EQ(ReadText(folderMode), "700\n");
  // Only blank lines came back.
  ASSERT_EQ(g_script.ocrResults.size(), 1u);
  EXPECT_EQ(g_script.ocrResults[0], u"未识别到文字。");
  EXPECT_TRUE(g_script.boxes.empty()) << RecordedBoxesText();
  EXPECT_TRUE(TempFiles().empty());
}

TEST_F(OcrTest, IncompleteShippedLanguageDataStopsBeforeTesseractRuns) {
  std::string record = root_ + "/ran.txt";
  WriteFakeProgram(own_, "tesseract", "touch '" + record + "'");
  std::filesystem::create_directories(own_ + "/tessdata");
  WriteBytes(own_ + "/tessdata/eng.traineddata", "x");
  EXPECT_FALSE(RunOnGrey());
  ExpectFailure(u"程序附带的 OCR 语言数据不完整，请修复或重新安装：" + Utf8ToUtf16(own_) + u"/tessdata");
  EXPECT_FALSE(Exists(record));
}

TEST_F(OcrTest, MissingLanguageBadExitAndHangAreFailuresWithTheirDetails) {
  // Exit code 0 but the language failed to load: the log is the detail.
  WriteFakeProgram(own_, "tesseract",
                   "echo 'Error opening data file /x/chi_sim.traineddata' >&2\necho 'Failed loading language chi_sim'\n"
                   "echo text > \"$2.txt\"");
  EXPECT_FALSE(RunOnGrey());
  ExpectFailure(u"Error opening data file /x/chi_sim.traineddata\nFailed loading language chi_sim");

  g_script.boxes.clear();
  WriteFakeProgram(own_, "tesseract", "exit 2");
  EXPECT_FALSE(RunOnGrey());
  ExpectFailure(u"Tesseract 退出代码：2。");

  g_script.boxes.clear();
  WriteFakeProgram(own_, "tesseract", "echo 'Estimating resolution'\n/bin/sleep 60");
  g_platform.childTimeoutMs = 300;
  auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(RunOnGrey());
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
  ExpectFailure(u"识别超时（5 分钟）。\nEstimating resolution");

  // A result that is not UTF-8.
  g_script.boxes.clear();
  WriteFakeProgram(own_, "tesseract", "printf 'a\\377b' > \"$2.txt\"");
  EXPECT_FALSE(RunOnGrey());
  ExpectFailure(u"无法读取识别结果文件。");
}

TEST_F(OcrTest, CancellingEndsTesseractWithoutAMessage) {
  WriteFakeProgram(own_, "tesseract", "/bin/sleep 60");
  g_script.cancelAtPump = 2;
  EXPECT_FALSE(RunOnGrey());
  EXPECT_TRUE(g_script.boxes.empty()) << RecordedBoxesText();
  EXPECT_TRUE(TempFiles().empty());
  EXPECT_FALSE(g_script.busyShown);
}

TEST_F(OcrTest, WithoutTesseractTheChooserIsOfferedAndCancellingItSaysWhatIsMissing) {
  SearchPathOverride path(root_ + "/empty");
  EXPECT_FALSE(RunOnGrey());
  ASSERT_EQ(g_script.dialogs.size(), 1u);
  EXPECT_EQ(g_script.dialogs[0].title, u"选择本机 Tesseract OCR 程序");
  ASSERT_EQ(g_script.boxes.size(), 1u);
  EXPECT_EQ(g_script.boxes[0].caption, u"缺少 OCR 引擎");
  EXPECT_EQ(g_script.boxes[0].text,
            u"未找到 Tesseract OCR。请安装 Tesseract OCR，并安装中文简体（chi_sim）和英文（eng）语言数据后重试。");
  EXPECT_EQ(g_script.boxes[0].icon, MessageIcon::Warning);
  EXPECT_TRUE(TempFiles().empty());
}

}  // namespace

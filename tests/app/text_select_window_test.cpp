// 选择文字 in the real window: drags, double and triple clicks with the mouse, Ctrl+C and the
// right mouse menu, on a LibreOffice page with Chinese and Latin and on a turned, cropped page;
// the copied text checked against what poppler reads in the same place, the marking against
// the glyphs in the rendered page.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QTest>
#include <QTimer>

#include <filesystem>
#include <fstream>

#include "app/gui_test.h"
#include "app/main_window.h"
#include "document/session.h"
#include "editing/page_text_select.h"
#include "support/poppler_words.h"
#include "support/text_pdf.h"
#include "view/command_ids.h"
#include "view/page_view.h"
#include "view/tool_state.h"
#include "widgets/page_canvas.h"
#include "widgets/qt_clipboard.h"

namespace {

constexpr const char* kWorksheet =
    R"(<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" office:version="1.2" office:mimetype="application/vnd.oasis.opendocument.text">
<office:body><office:text>
<text:p>Triangles have three sides and three angles.</text:p>
<text:p>学生们今天学习三角形的面积公式，然后做练习。</text:p>
<text:p>Mixed 中文 and English words here.</text:p>
</office:text></office:body></office:document>
)";

std::string g_folder;
std::string g_worksheet;  // the converted PDF

class TextSelectWindowTest : public GuiTest {
 protected:
  static void SetUpTestSuite() {
    char pattern[] = "/tmp/corvan-select-XXXXXX";
    g_folder = mkdtemp(pattern);
    std::ofstream(g_folder + "/worksheet.fodt") << kWorksheet;
    g_worksheet = ConvertWithLibreOffice(g_folder + "/worksheet.fodt");
  }
  static void TearDownTestSuite() { std::filesystem::remove_all(g_folder); }

  void SetUp() override {
    GuiTest::SetUp();
    StartWindow();
    InstallQtClipboard();  // the scripted seam leaves the system clipboard out
    window_->show();
  }
  void Open(const std::string& path) {
    OpenOrFail(path);
    window_->RefreshAll();
    QApplication::processEvents();
  }
  // A point given from the top-left of the unturned page (poppler's words) on screen.
  static QPoint OnScreen(double x, double yFromTop) {
    float sx = 0, sy = 0;
    PageToScreen(float(x), g_session.pageHeight - float(yFromTop), sx, sy);
    return QPoint(int(std::lround(sx)), int(std::lround(sy)));
  }
  static QPoint PagePointOnScreen(double x, double y) {
    float sx = 0, sy = 0;
    PageToScreen(float(x), float(y), sx, sy);
    return QPoint(int(std::lround(sx)), int(std::lround(sy)));
  }
  QImage Grab() {
    QApplication::processEvents();
    return Canvas()->grab().toImage();
  }
  void CopyWithKeys() {
    QTest::keyClick(Canvas(), Qt::Key_C, Qt::ControlModifier);
    QApplication::processEvents();
  }
  static QString Clipboard() { return QGuiApplication::clipboard()->text(); }
  // Pixels the selection turned blue: paper or ink that lost red and green but kept blue.
  static QRect Tinted(const QImage& before, const QImage& after) {
    QRect found;
    for (int y = 0; y < after.height(); ++y) {
      for (int x = 0; x < after.width(); ++x) {
        QRgb a = before.pixel(x, y), b = after.pixel(x, y);
        if (qRed(a) - qRed(b) > 30 && qBlue(b) >= qRed(b) + 20) found |= QRect(x, y, 1, 1);
      }
    }
    return found;
  }
  static QRect Ink(const QImage& image, const QRect& within) {
    QRect found;
    for (int y = within.top(); y <= within.bottom(); ++y) {
      for (int x = within.left(); x <= within.right(); ++x) {
        if (qGray(image.pixel(x, y)) < 110) found |= QRect(x, y, 1, 1);
      }
    }
    return found;
  }
  // Chooses the menu entry with this text once the menu opened by a right click shows.
  void RightClickChoosing(QPoint at, const QString& entry, QStringList* offered, bool* enabled) {
    QTimer::singleShot(50, [entry, offered, enabled] {
      auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
      if (menu == nullptr) return;
      for (QAction* action : menu->actions()) {
        offered->append(action->text());
        if (action->text() == entry) {
          *enabled = action->isEnabled();
          if (action->isEnabled()) action->trigger();
        }
      }
      menu->close();
    });
    Click(at, Qt::RightButton);
  }
};

TEST_F(TextSelectWindowTest, DraggingAcrossALineCopiesWhatPopplerReadsThereAndMarksItsGlyphs) {
  ASSERT_FALSE(g_worksheet.empty()) << "LibreOffice did not convert the worksheet";
  auto lines = PopplerLines(PopplerWords(g_worksheet));
  ASSERT_GE(lines.size(), 3u);
  Open(g_worksheet);
  ClickToolbar(kCmdSelectTextTool);
  ASSERT_EQ(g_tool.mode, ToolMode::SelectText);
  EXPECT_TRUE(StatusLine().contains(QStringLiteral("选择文字：")));

  const auto& first = lines[0];
  double middle = (first.front().yMin + first.front().yMax) / 2;
  QImage before = Grab();
  Drag(OnScreen(first.front().xMin + 0.5, middle), OnScreen(first.back().xMax - 0.5, middle), 8);
  QImage after = Grab();
  std::string expected = PopplerRegionText(g_worksheet, first.front().xMin - 1, first.front().yMin - 1,
                                           first.back().xMax - first.front().xMin + 2,
                                           first.front().yMax - first.front().yMin + 2);
  ASSERT_EQ(expected, "Triangles have three sides and three angles.");

  CopyWithKeys();
  EXPECT_EQ(Clipboard().toStdString(), expected);
  EXPECT_TRUE(StatusLine().contains(QStringLiteral("已复制 %1 个字符").arg(QString::fromStdString(expected).size()))) << StatusLine().toStdString();

  // The marking covers the line's glyphs, and only that line.
  QRect tinted = Tinted(before, after);
  QRect lineBox = QRect(OnScreen(first.front().xMin, first.front().yMin), OnScreen(first.back().xMax, first.front().yMax))
                      .normalized();
  QRect ink = Ink(before, lineBox.adjusted(-2, -2, 2, 2));
  ASSERT_FALSE(ink.isEmpty());
  EXPECT_TRUE(tinted.adjusted(-1, -1, 1, 1).contains(ink)) << "tinted " << tinted.x() << "," << tinted.y() << " "
                                                          << tinted.width() << "x" << tinted.height();
  EXPECT_LE(tinted.height(), ink.height() * 2);
  QPoint secondLine = OnScreen(lines[1].front().xMin + 2, (lines[1].front().yMin + lines[1].front().yMax) / 2);
  EXPECT_LT(tinted.bottom(), secondLine.y());
  // The glyphs still show through the marking.
  EXPECT_FALSE(Ink(after, lineBox).isEmpty());
}

TEST_F(TextSelectWindowTest, TwoLinesJoinAsTheyReadAndChineseCopiesAsUtf8) {
  ASSERT_FALSE(g_worksheet.empty());
  auto lines = PopplerLines(PopplerWords(g_worksheet));
  ASSERT_GE(lines.size(), 3u);
  Open(g_worksheet);
  ClickToolbar(kCmdSelectTextTool);
  const auto& chinese = lines[1];
  const auto& mixed = lines[2];
  Drag(OnScreen(chinese.front().xMin + 0.5, (chinese.front().yMin + chinese.front().yMax) / 2),
       OnScreen(mixed.back().xMax - 0.5, (mixed.back().yMin + mixed.back().yMax) / 2), 10);
  CopyWithKeys();
  std::string chineseText = PopplerRegionText(g_worksheet, chinese.front().xMin - 1, chinese.front().yMin - 1,
                                              chinese.back().xMax - chinese.front().xMin + 2,
                                              chinese.front().yMax - chinese.front().yMin + 2);
  std::string mixedText = PopplerRegionText(g_worksheet, mixed.front().xMin - 1, mixed.front().yMin - 1,
                                            mixed.back().xMax - mixed.front().xMin + 2,
                                            mixed.front().yMax - mixed.front().yMin + 2);
  EXPECT_EQ(chineseText, "学生们今天学习三角形的面积公式，然后做练习。");
  EXPECT_EQ(Clipboard().toStdString(), chineseText + "\n" + mixedText);
  // 22 Chinese characters and punctuation, 33 of the mixed line; the line break does not count.
  EXPECT_TRUE(StatusLine().contains(QStringLiteral("已复制 %1 个字符").arg(22 + QString::fromStdString(mixedText).size()))) << StatusLine().toStdString();
}

TEST_F(TextSelectWindowTest, DoubleClickTakesAWordTripleClickItsLine) {
  ASSERT_FALSE(g_worksheet.empty());
  auto lines = PopplerLines(PopplerWords(g_worksheet));
  ASSERT_GE(lines.size(), 3u);
  Open(g_worksheet);
  ClickToolbar(kCmdSelectTextTool);
  const PopplerWord& sides = lines[0][3];
  ASSERT_EQ(sides.text, "sides");
  QPoint inSides = OnScreen((sides.xMin + sides.xMax) / 2, (sides.yMin + sides.yMax) / 2);
  QTest::mouseDClick(Canvas(), Qt::LeftButton, Qt::NoModifier, inSides);
  CopyWithKeys();
  EXPECT_EQ(Clipboard(), QStringLiteral("sides"));

  // A Chinese double click takes the run up to the punctuation.
  const PopplerWord& chinese = lines[1][0];
  QPoint inChinese = OnScreen(chinese.xMin + 6, (chinese.yMin + chinese.yMax) / 2);
  QTest::mouseDClick(Canvas(), Qt::LeftButton, Qt::NoModifier, inChinese);
  CopyWithKeys();
  EXPECT_EQ(Clipboard(), QStringLiteral("学生们今天学习三角形的面积公式"));

  // The third press right after the double click takes the line.
  QTest::mouseDClick(Canvas(), Qt::LeftButton, Qt::NoModifier, inSides);
  QTest::mousePress(Canvas(), Qt::LeftButton, Qt::NoModifier, inSides);
  QTest::mouseRelease(Canvas(), Qt::LeftButton, Qt::NoModifier, inSides);
  CopyWithKeys();
  EXPECT_EQ(Clipboard(), QStringLiteral("Triangles have three sides and three angles."));
  EXPECT_TRUE(StatusLine().contains(QStringLiteral("已复制 44 个字符"))) << StatusLine().toStdString();

  // A plain click lets the selection go: Ctrl+C then copies nothing new.
  Click(inChinese);
  EXPECT_FALSE(HasPageTextSelection());
  QGuiApplication::clipboard()->setText(QStringLiteral("earlier"));
  CopyWithKeys();
  EXPECT_EQ(Clipboard(), QStringLiteral("earlier"));
  // Nothing on the page changed.
  EXPECT_FALSE(g_session.modified);
}

TEST_F(TextSelectWindowTest, OnATurnedCroppedPageTheDragFollowsTheTextAsShown) {
  WriteTextPdf(WorkPath("turned.pdf"), "/MediaBox [0 0 595 842] /CropBox [40 300 560 700] /Rotate 90",
               TextAt(100, 500, 20, "Rotated page words") + TextAt(100, 460, 20, "Second line here"));
  Open(WorkPath("turned.pdf"));
  ASSERT_EQ(PageRotation(), 1);
  ClickToolbar(kCmdSelectTextTool);
  QImage before = Grab();
  // On screen the first line runs downwards; the drag starts before it and ends past it.
  QPoint start = PagePointOnScreen(95, 507), end = PagePointOnScreen(330, 507);
  ASSERT_GT(std::abs(end.y() - start.y()), 5 * std::abs(end.x() - start.x()));
  Drag(start, end, 8);
  QImage after = Grab();
  CopyWithKeys();
  EXPECT_EQ(Clipboard(), QStringLiteral("Rotated page words"));
  QString read = QString::fromStdString(ExtractedText(WorkPath("turned.pdf")));
  EXPECT_TRUE(read.contains(Clipboard())) << read.toStdString();
  QRect tinted = Tinted(before, after);
  EXPECT_GT(tinted.height(), 4 * tinted.width());  // a band along the turned line

  QPoint second = PagePointOnScreen(150, 467);
  QTest::mouseDClick(Canvas(), Qt::LeftButton, Qt::NoModifier, second);
  QTest::mousePress(Canvas(), Qt::LeftButton, Qt::NoModifier, second);
  QTest::mouseRelease(Canvas(), Qt::LeftButton, Qt::NoModifier, second);
  CopyWithKeys();
  EXPECT_EQ(Clipboard(), QStringLiteral("Second line here"));
}

TEST_F(TextSelectWindowTest, TheHandMenuOffersSelectingAndTheMenuCopies) {
  ASSERT_FALSE(g_worksheet.empty());
  auto lines = PopplerLines(PopplerWords(g_worksheet));
  ASSERT_GE(lines.size(), 1u);
  Open(g_worksheet);
  if (g_tool.mode != ToolMode::Hand) ClickToolbar(kCmdHandTool);
  ASSERT_EQ(g_tool.mode, ToolMode::Hand);
  QPoint onPage = OnScreen(lines[0][1].xMin + 2, lines[0][1].yMin + 2);
  QStringList offered;
  bool enabled = false;
  RightClickChoosing(onPage, QStringLiteral("选择文字"), &offered, &enabled);
  EXPECT_EQ(offered, (QStringList{QStringLiteral("选择文字"), QStringLiteral("复制"), QString(), QStringLiteral("高亮"),
                                  QStringLiteral("下划线"), QStringLiteral("删除线")}));
  EXPECT_EQ(g_tool.mode, ToolMode::SelectText);

  const PopplerWord& have = lines[0][1];
  QTest::mouseDClick(Canvas(), Qt::LeftButton, Qt::NoModifier,
                     OnScreen((have.xMin + have.xMax) / 2, (have.yMin + have.yMax) / 2));
  offered.clear();
  RightClickChoosing(onPage, QStringLiteral("复制"), &offered, &enabled);
  EXPECT_TRUE(enabled);
  EXPECT_EQ(Clipboard(), QStringLiteral("have"));
  EXPECT_TRUE(StatusLine().contains(QStringLiteral("已复制 4 个字符"))) << StatusLine().toStdString();
}

TEST_F(TextSelectWindowTest, APageWithoutTextSaysSoAndSelectsNothing) {
  WriteTextPdf(WorkPath("empty.pdf"), "/MediaBox [0 0 595 842]", "0 0 1 rg 100 100 200 200 re f");
  Open(WorkPath("empty.pdf"));
  ClickToolbar(kCmdSelectTextTool);
  Drag(PagePointOnScreen(120, 800), PagePointOnScreen(280, 760), 4);
  EXPECT_FALSE(HasPageTextSelection());
  EXPECT_TRUE(StatusLine().contains(QStringLiteral("此页没有可选择的文字；扫描页可先进行 OCR 识别"))) << StatusLine().toStdString();
}

}  // namespace

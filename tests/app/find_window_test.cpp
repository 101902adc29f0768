// The find bar in the real window: Ctrl+F, Enter, Shift+Enter, F3 and Esc on the widgets,
// highlights checked against the glyphs in the rendered page, the count and the messages.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "app/command_router.h"
#include "app/gui_test.h"
#include "app/main_window.h"
#include "document/find_in_document.h"
#include "document/session.h"
#include "support/searchable_pdf.h"
#include "support/text_pdf.h"
#include "view/command_ids.h"
#include "view/page_view.h"
#include "widgets/find_bar.h"
#include "widgets/page_canvas.h"

namespace {

class FindWindowTest : public GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    StartWindow();
    window_->show();
  }
  void TearDown() override {
    ClearFind();
    GuiTest::TearDown();
  }
  FindBar* Bar() const { return CurrentFindBar(); }
  QString Count() const { return Bar()->countLabel()->text(); }

  void OpenPages(const std::vector<SearchablePage>& pages) {
    WriteSearchablePdf(WorkPath("book.pdf"), pages);
    OpenOrFail(WorkPath("book.pdf"));
    window_->RefreshAll();
  }
  // Ctrl+F, the query typed, then Enter.
  void Search(const QString& query) {
    QTest::keyClick(Canvas(), Qt::Key_F, Qt::ControlModifier);
    ASSERT_TRUE(Bar()->isVisible());
    ASSERT_TRUE(Bar()->field()->hasFocus());
    Bar()->field()->setText(query);  // Chinese comes from an input method, not from keys
    QTest::keyClick(Bar()->field(), Qt::Key_Return);
  }
  // Lets the event loop run the search until it has finished (or the time is up).
  void WaitForSearch(int milliseconds = 20000) {
    QElapsedTimer timer;
    timer.start();
    while ((g_find.running || g_find.pendingStep != 0) && timer.elapsed() < milliseconds) {
      QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    QApplication::processEvents();
  }
  // The client-pixel bounds of the pixels of `image` (a grab of the canvas) that pass `test`,
  // inside the page shown.
  static QRect Bounds(const QImage& image, const std::function<bool(QRgb)>& test) {
    const IntRect& page = g_view.pageRect;
    QRect found;
    for (int y = std::max(0, page.top); y < std::min(image.height(), page.bottom); ++y) {
      for (int x = std::max(0, page.left); x < std::min(image.width(), page.right); ++x) {
        if (test(image.pixel(x, y))) found |= QRect(x, y, 1, 1);
      }
    }
    return found;
  }
  static bool Ink(QRgb c) { return qRed(c) < 90 && qGreen(c) < 90 && qBlue(c) < 90; }
  // White paper under the orange mark of the chosen match.
  static bool Marked(QRgb c) { return qRed(c) > 220 && qBlue(c) < 190 && qGreen(c) > 150 && qGreen(c) < 235; }
};

// `lines` more lines of text on every page make each page cost the engine more to read.
std::vector<SearchablePage> Book(int count, int phrasePage, int lines = 0) {
  std::vector<SearchablePage> pages(size_t(count), SearchablePage{});
  for (int i = 0; i < count; ++i) {
    pages[size_t(i)].content = ChineseTextAt(72, 760, 14, "第" + std::to_string(i + 1) + "页 直角三角形") +
                               TextAt(72, 720, 12, "Page " + std::to_string(i + 1));
    for (int line = 0; line < lines; ++line) {
      pages[size_t(i)].content += ChineseTextAt(72, 700 - 14 * line, 12, "在直角三角形中，两条直角边的平方和等于斜边的平方。");
    }
  }
  pages[size_t(phrasePage)].content += ChineseTextAt(150, 120, 24, "勾股定理");
  return pages;
}

TEST_F(FindWindowTest, EnterLandsOnTheHighlightedPhraseOnPage250OfAThreeHundredPageBook) {
  OpenPages(Book(300, 249));
  ASSERT_EQ(g_session.currentPageIndex, 0);
  Search(QStringLiteral("勾股定理"));
  WaitForSearch();
  EXPECT_EQ(g_session.currentPageIndex, 249);
  EXPECT_EQ(Count(), QStringLiteral("第 1 / 1 处"));
  EXPECT_EQ(window_->windowTitle(), QStringLiteral("Corvan PDF 编辑器 - book.pdf  (250/300)"));
  // The phrase near the page's foot is scrolled into view, clear of the bar.
  ASSERT_NE(CurrentMatch(), nullptr);
  QImage shot = Canvas()->grab().toImage();
  QRect marked = Bounds(shot, Marked);
  ASSERT_FALSE(marked.isEmpty());
  IntRect view = ViewArea();
  EXPECT_GE(marked.top(), view.top + Bar()->height());
  EXPECT_LE(marked.bottom(), view.bottom);
  EXPECT_GT(ScrollOffset(), 0);
  Screenshot(QStringLiteral("find-page-250"));
}

TEST_F(FindWindowTest, EnterShiftEnterAndF3StepThroughTheMatchesAndGoRound) {
  std::vector<SearchablePage> pages(3, SearchablePage{});
  pages[0].content = ChineseTextAt(72, 700, 14, "三角形");
  pages[1].content = ChineseTextAt(72, 700, 14, "圆");
  pages[2].content = ChineseTextAt(72, 700, 14, "三角形") + ChineseTextAt(72, 400, 14, "直角三角形");
  OpenPages(pages);
  Search(QStringLiteral("三角形"));
  WaitForSearch();
  EXPECT_EQ(g_session.currentPageIndex, 0);
  EXPECT_EQ(Count(), QStringLiteral("第 1 / 3 处"));
  QTest::keyClick(Bar()->field(), Qt::Key_Return);
  EXPECT_EQ(g_session.currentPageIndex, 2);
  EXPECT_EQ(Count(), QStringLiteral("第 2 / 3 处"));
  QTest::keyClick(Bar()->field(), Qt::Key_F3);
  EXPECT_EQ(Count(), QStringLiteral("第 3 / 3 处"));
  QTest::keyClick(Bar()->field(), Qt::Key_F3);  // round the end
  EXPECT_EQ(g_session.currentPageIndex, 0);
  EXPECT_EQ(Count(), QStringLiteral("第 1 / 3 处"));
  EXPECT_EQ(g_session.statusText, u"已查到文档末尾，从开头继续");
  QTest::keyClick(Bar()->field(), Qt::Key_Return, Qt::ShiftModifier);  // and back
  EXPECT_EQ(g_session.currentPageIndex, 2);
  EXPECT_EQ(Count(), QStringLiteral("第 3 / 3 处"));
  EXPECT_EQ(g_session.statusText, u"已查到文档开头，从末尾继续");
  QTest::mouseClick(Bar()->previousButton(), Qt::LeftButton);
  EXPECT_EQ(Count(), QStringLiteral("第 2 / 3 处"));
}

TEST_F(FindWindowTest, CaseAndWholeWordBoxesChangeWhatIsFound) {
  std::vector<SearchablePage> pages(1, SearchablePage{});
  pages[0].content = TextAt(72, 700, 14, "Area area areas AREA");
  OpenPages(pages);
  Search(QStringLiteral("area"));
  WaitForSearch();
  EXPECT_EQ(Count(), QStringLiteral("第 1 / 4 处"));
  Bar()->matchCaseBox()->setChecked(true);
  QTest::keyClick(Bar()->field(), Qt::Key_Return);
  WaitForSearch();
  EXPECT_EQ(Count(), QStringLiteral("第 1 / 2 处"));
  Bar()->wholeWordBox()->setChecked(true);
  QTest::keyClick(Bar()->field(), Qt::Key_Return);
  WaitForSearch();
  EXPECT_EQ(Count(), QStringLiteral("第 1 / 1 处"));
  ASSERT_NE(CurrentMatch(), nullptr);
  EXPECT_EQ(CurrentMatch()->charIndex, 5);  // "area", the second word
}

TEST_F(FindWindowTest, NoMatchIsToldAndATextlessDocumentSuggestsOcr) {
  OpenPages(Book(3, 1));
  Search(QStringLiteral("余弦定理"));
  WaitForSearch();
  EXPECT_EQ(Count(), QStringLiteral("未找到"));
  EXPECT_EQ(g_session.statusText, u"未找到“余弦定理”");
  EXPECT_EQ(g_session.currentPageIndex, 0);
  EXPECT_TRUE(g_script.boxes.empty());  // no box to click away

  WriteTestPdf(WorkPath("scan.pdf"), {PageSpec{}, PageSpec{}});
  OpenOrFail(WorkPath("scan.pdf"));
  window_->RefreshAll();
  Search(QStringLiteral("勾股定理"));
  WaitForSearch();
  EXPECT_EQ(Count(), QStringLiteral("未找到：没有文字层"));
  EXPECT_NE(g_session.statusText.find(u"OCR"), std::u16string::npos);
}

TEST_F(FindWindowTest, AnotherDocumentClearsTheCountAndTheMarksButKeepsTheQuery) {
  OpenPages(Book(3, 1));
  Search(QStringLiteral("直角三角形"));
  WaitForSearch();
  EXPECT_EQ(Count(), QStringLiteral("第 1 / 3 处"));
  WriteSearchablePdf(WorkPath("other.pdf"), Book(2, 0));
  OpenOrFail(WorkPath("other.pdf"));
  window_->RefreshAll();
  EXPECT_TRUE(Bar()->isVisible());
  EXPECT_EQ(Count(), QString());
  EXPECT_EQ(Bar()->field()->text(), QStringLiteral("直角三角形"));
  EXPECT_TRUE(g_find.pages.empty());
  // Enter searches the new document.
  QTest::keyClick(Bar()->field(), Qt::Key_Return);
  WaitForSearch();
  EXPECT_EQ(Count(), QStringLiteral("第 1 / 2 处"));
}

TEST_F(FindWindowTest, EscStopsARunningSearchThenClosesTheBar) {
  OpenPages(Book(300, 299, 40));
  Search(QStringLiteral("余弦定理"));
  // Esc arrives as the next input once the search has had a turn of the event loop.
  bool pressed = false, runningThen = false;
  int searched = -1;
  QTimer input;
  input.setTimerType(Qt::PreciseTimer);
  input.setInterval(1);
  QObject::connect(&input, &QTimer::timeout, [&] {
    if (g_find.pagesSearched == 0) return;
    input.stop();
    runningThen = g_find.running;
    searched = g_find.pagesSearched;
    QTest::keyClick(Bar()->field(), Qt::Key_Escape);
    pressed = true;
  });
  input.start();
  QElapsedTimer timer;
  timer.start();
  while (!pressed && timer.elapsed() < 5000) QApplication::processEvents();
  ASSERT_TRUE(pressed);
  EXPECT_TRUE(runningThen);
  EXPECT_GT(searched, 0);
  EXPECT_LT(searched, 300);
  EXPECT_FALSE(g_find.running);
  EXPECT_EQ(g_find.pagesSearched, searched);
  // Nothing is left to go on with: no step waits for pages, and the bar's next slice does nothing.
  EXPECT_EQ(g_find.pendingStep, 0);
  QApplication::processEvents();
  EXPECT_EQ(g_find.pagesSearched, searched);
  EXPECT_EQ(Count(), QStringLiteral("查找已取消"));
  EXPECT_TRUE(Bar()->isVisible());
  QTest::keyClick(Bar()->field(), Qt::Key_Escape);
  EXPECT_FALSE(Bar()->isVisible());
  EXPECT_TRUE(g_find.pages.empty());
  // Again, and the close button ends the running search the same way.
  Search(QStringLiteral("余弦定理"));
  ASSERT_TRUE(g_find.running);
  QTest::mouseClick(Bar()->closeButton(), Qt::LeftButton);
  EXPECT_FALSE(Bar()->isVisible());
  EXPECT_FALSE(g_find.running);
  EXPECT_TRUE(g_find.pages.empty());
  EXPECT_EQ(g_find.pendingStep, 0);
  QApplication::processEvents();
  EXPECT_TRUE(g_find.pages.empty());  // no turn of the search came after the close
}

// The mark of the chosen match covers the glyphs it found, however the page is turned and
// cropped: checked against the ink of the rendered page.
TEST_F(FindWindowTest, TheMarkLiesOnTheGlyphsOnTurnedAndCroppedPages) {
  struct Case {
    const char* entries;
    bool upright;  // the word runs across the screen (else down or up it)
  };
  const Case cases[] = {
      {"/MediaBox [0 0 595 842]", true},
      {"/MediaBox [0 0 595 842] /CropBox [40 200 560 800]", true},
      {"/MediaBox [0 0 595 842] /CropBox [40 200 560 800] /Rotate 90", false},
      {"/MediaBox [0 0 595 842] /Rotate 270", false},
      {"/MediaBox [0 0 595 842] /CropBox [30 100 500 700] /Rotate 180", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.entries);
    SearchablePage page{TextAt(150, 420, 40, "Pythagoras"), c.entries};
    OpenPages({page});
    RouteCommand(kCmdFitPage);
    Canvas()->repaint();
    QImage plain = Canvas()->grab().toImage();
    QRect ink = Bounds(plain, Ink);
    ASSERT_FALSE(ink.isEmpty());
    EXPECT_EQ(ink.width() > ink.height(), c.upright) << ink.width() << "x" << ink.height();
    Search(QStringLiteral("Pythagoras"));
    WaitForSearch();
    ASSERT_EQ(Count(), QStringLiteral("第 1 / 1 处"));
    Canvas()->repaint();
    QImage shot = Canvas()->grab().toImage();
    QRect marked = Bounds(shot, Marked);
    ASSERT_FALSE(marked.isEmpty());
    // The mark encloses the ink with a small margin and is no larger than a line of it.
    EXPECT_TRUE(marked.adjusted(-2, -2, 2, 2).contains(ink)) << "mark " << marked.x() << "," << marked.y() << " "
                                                              << marked.width() << "x" << marked.height() << " ink "
                                                              << ink.x() << "," << ink.y() << " " << ink.width()
                                                              << "x" << ink.height();
    int across = c.upright ? marked.height() - ink.height() : marked.width() - ink.width();
    int along = c.upright ? marked.width() - ink.width() : marked.height() - ink.height();
    EXPECT_LT(across, ink.height() + ink.width());  // not a mark of the whole page
    EXPECT_LT(std::abs(along), 30);
    Screenshot(QStringLiteral("find-mark-%1").arg(&c - cases));
    RouteCommand(kCmdFind);
    QTest::keyClick(Bar()->field(), Qt::Key_Escape);  // closes the bar for the next case
  }
}

}  // namespace

// 高亮, 下划线 and 删除线 chosen with the mouse on selected words of a LibreOffice page and a
// turned, cropped page; the saved file read by poppler, MuPDF and qpdf: the annotations are
// standard, cover the glyphs exactly and leave the words readable. Undo, redo, reopening and
// a second mark on the same line.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QMenu>
#include <QProcess>
#include <QTest>
#include <QTimer>

#include <filesystem>
#include <fstream>

#include "app/gui_test.h"
#include "app/main_window.h"
#include "document/save_copy.h"
#include "document/session.h"
#include "document/undo_history.h"
#include "editing/page_text_select.h"
#include "editing/pen_palette.h"
#include "engine/engine_table.h"
#include "support/poppler_words.h"
#include "support/scripted_platform.h"
#include "support/text_pdf.h"
#include "view/command_ids.h"
#include "view/page_view.h"
#include "view/tool_state.h"
#include "widgets/page_canvas.h"

namespace {

constexpr const char* kWorksheet =
    R"(<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" office:version="1.2" office:mimetype="application/vnd.oasis.opendocument.text">
<office:body><office:text>
<text:p>Triangles have three sides and three angles.</text:p>
<text:p>学生们今天学习三角形的面积公式，然后做练习。</text:p>
</office:text></office:body></office:document>
)";

constexpr uint32_t kYellow = PaletteRgb(255, 220, 0);

std::string g_folder;
std::string g_worksheet;

struct ProgramRun {
  int exitCode = -1;
  QString out, err;
};

ProgramRun RunProgram(const QString& program, const QStringList& arguments) {
  QProcess process;
  process.start(program, arguments);
  ProgramRun run;
  if (!process.waitForFinished(60000)) return run;
  run.exitCode = process.exitCode();
  run.out = QString::fromUtf8(process.readAllStandardOutput());
  run.err = QString::fromUtf8(process.readAllStandardError());
  return run;
}

class TextMarksWindowTest : public GuiTest {
 protected:
  static void SetUpTestSuite() {
    char pattern[] = "/tmp/corvan-marks-XXXXXX";
    g_folder = mkdtemp(pattern);
    std::ofstream(g_folder + "/worksheet.fodt") << kWorksheet;
    g_worksheet = ConvertWithLibreOffice(g_folder + "/worksheet.fodt");
  }
  static void TearDownTestSuite() { std::filesystem::remove_all(g_folder); }

  void SetUp() override {
    GuiTest::SetUp();
    StartWindow();
    window_->show();
  }
  void Open(const std::string& path) {
    OpenOrFail(path);
    window_->RefreshAll();
    QApplication::processEvents();
  }
  static QPoint OnScreen(double x, double y) {
    float sx = 0, sy = 0;
    PageToScreen(float(x), float(y), sx, sy);
    return QPoint(int(std::lround(sx)), int(std::lround(sy)));
  }
  void TripleClick(QPoint at) {
    QTest::mouseDClick(Canvas(), Qt::LeftButton, Qt::NoModifier, at);
    QTest::mousePress(Canvas(), Qt::LeftButton, Qt::NoModifier, at);
    QTest::mouseRelease(Canvas(), Qt::LeftButton, Qt::NoModifier, at);
    QApplication::processEvents();
  }
  // Right click, then the menu entry with this text.
  void Choose(QPoint at, const QString& entry) {
    bool found = false;
    QTimer::singleShot(50, [entry, &found] {
      auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
      if (menu == nullptr) return;
      for (QAction* action : menu->actions()) {
        if (action->text() == entry && action->isEnabled()) {
          found = true;
          action->trigger();
        }
      }
      menu->close();
    });
    Click(at, Qt::RightButton);
    QApplication::processEvents();
    EXPECT_TRUE(found) << entry.toStdString();
  }
  static int Annotations() { return g_engine.FPDFPage_GetAnnotCount(g_session.currentPage); }
  static int Subtype(int index) {
    FPDF_ANNOTATION annot = g_engine.FPDFPage_GetAnnot(g_session.currentPage, index);
    int subtype = g_engine.FPDFAnnot_GetSubtype(annot);
    g_engine.FPDFPage_CloseAnnot(annot);
    return subtype;
  }
  QString SaveAs(const std::string& name) {
    g_script.dialogAnswers = {WorkPath16(name)};
    EXPECT_TRUE(SavePdfCopy(u"_annotated.pdf", u"已保存 PDF 副本。"));
    return QString::fromStdString(WorkPath(name));
  }
  // Page 1 at 72 dpi through poppler; its warnings land in `warnings`.
  QImage Poppler(const QString& pdf, const QString& name, QString* warnings) {
    QString out = QString::fromStdString(WorkPath(name.toStdString()));
    ProgramRun run = RunProgram("pdftoppm", {"-cropbox", "-png", "-r", "72", "-f", "1", "-l", "1", "-singlefile", pdf, out});
    EXPECT_EQ(run.exitCode, 0);
    *warnings = run.err;
    return QImage(out + ".png").convertToFormat(QImage::Format_RGB32);
  }
  // Pixels that differ between two renders of the same page.
  static QRect Changed(const QImage& a, const QImage& b) {
    QRect found;
    for (int y = 0; y < std::min(a.height(), b.height()); ++y) {
      for (int x = 0; x < std::min(a.width(), b.width()); ++x) {
        QRgb p = a.pixel(x, y), q = b.pixel(x, y);
        if (std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) + std::abs(qBlue(p) - qBlue(q)) > 24) {
          found |= QRect(x, y, 1, 1);
        }
      }
    }
    return found;
  }
};

TEST_F(TextMarksWindowTest, AHighlightIsAStandardAnnotationOverExactlyTheGlyphsInEveryReader) {
  ASSERT_FALSE(g_worksheet.empty()) << "LibreOffice did not convert the worksheet";
  auto lines = PopplerLines(PopplerWords(g_worksheet));
  ASSERT_GE(lines.size(), 2u);
  Open(g_worksheet);
  ClickToolbar(kCmdSelectTextTool);
  g_tool.drawColor = kYellow;
  const PopplerWord& word = lines[0][2];
  QPoint inLine = OnScreen((word.xMin + word.xMax) / 2, g_session.pageHeight - (word.yMin + word.yMax) / 2);
  TripleClick(inLine);
  std::vector<TextRect> glyphs = SelectedPageTextRects();
  ASSERT_EQ(glyphs.size(), 1u);
  Choose(inLine, QStringLiteral("高亮"));
  EXPECT_TRUE(StatusLine().contains(QStringLiteral("已添加高亮"))) << StatusLine().toStdString();
  ASSERT_EQ(Annotations(), 1);
  EXPECT_EQ(Subtype(0), kAnnotHighlight);
  EXPECT_EQ(g_history.undo.size(), 1u);

  // The window shows it: yellow over the line, the words still dark through it.
  QImage screen = Screenshot("highlight-window");
  // Paper between two words, halfway up the line.
  QPoint paper = OnScreen((word.xMax + lines[0][3].xMin) / 2, g_session.pageHeight - (word.yMin + word.yMax) / 2);
  QRgb tint = Canvas()->grab().toImage().pixel(paper);
  EXPECT_GT(qRed(tint), 200);
  EXPECT_LT(qBlue(tint), 200) << "no yellow at " << paper.x() << "," << paper.y();

  QString saved = SaveAs("highlighted.pdf");
  QString warnings;
  QImage before = Poppler(QString::fromStdString(g_worksheet), "plain", &warnings);
  QImage after = Poppler(saved, "highlighted", &warnings);
  EXPECT_TRUE(warnings.isEmpty()) << warnings.toStdString();
  // What changed in poppler's picture is the glyph boxes of the line, to a pixel.
  QRect changed = Changed(before, after);
  double height = g_session.pageHeight;
  QRect expected(QPoint(int(std::floor(glyphs[0].left)), int(std::floor(height - glyphs[0].top))),
                 QPoint(int(std::ceil(glyphs[0].right)) - 1, int(std::ceil(height - glyphs[0].bottom)) - 1));
  EXPECT_LE(std::abs(changed.left() - expected.left()), 1);
  EXPECT_LE(std::abs(changed.right() - expected.right()), 1);
  EXPECT_LE(std::abs(changed.top() - expected.top()), 1);
  EXPECT_LE(std::abs(changed.bottom() - expected.bottom()), 1);
  // The words are read as before.
  EXPECT_EQ(ExtractedText(saved.toStdString()), ExtractedText(g_worksheet));

  // MuPDF draws it too, without complaint.
  QString mupdfPng = QString::fromStdString(WorkPath("mupdf.png"));
  ProgramRun mupdf = RunProgram("mutool", {"draw", "-r", "72", "-o", mupdfPng, saved, "1"});
  EXPECT_EQ(mupdf.exitCode, 0);
  QStringList complaints;
  for (const QString& line : mupdf.err.split('\n')) {
    if ((line.contains("warning") || line.contains("error")) && !line.contains("ICC support is not available")) complaints << line;
  }
  EXPECT_TRUE(complaints.isEmpty()) << complaints.join('\n').toStdString();
  QImage drawn = QImage(mupdfPng).convertToFormat(QImage::Format_RGB32);
  QRgb marked = drawn.pixel(expected.left() + 2, expected.top() + 1);
  EXPECT_LT(qBlue(marked), 200);

  // The annotation as qpdf reads it: subtype, quadrilateral, colour, appearance, author, date.
  EXPECT_EQ(RunProgram("qpdf", {"--check", saved}).exitCode, 0);
  QString plain = QString::fromStdString(WorkPath("plain-objects.pdf"));
  ASSERT_EQ(RunProgram("qpdf", {"--qdf", "--object-streams=disable", saved, plain}).exitCode, 0);
  QFile objects(plain);
  ASSERT_TRUE(objects.open(QIODevice::ReadOnly));
  QString dump = QString::fromLatin1(objects.readAll());
  EXPECT_TRUE(dump.contains("/Subtype /Highlight"));
  for (const char* key : {"/QuadPoints [", "/AP <<", "/T ", "/M ", "/C [", "/Type /ExtGState"}) {
    EXPECT_TRUE(dump.contains(key)) << key;
  }
  ProgramRun info = RunProgram("pdfinfo", {saved});
  EXPECT_EQ(info.exitCode, 0);
  EXPECT_TRUE(info.err.isEmpty()) << info.err.toStdString();

  // Ctrl+Z takes it back, Ctrl+Y brings it again.
  QTest::keyClick(Canvas(), Qt::Key_Z, Qt::ControlModifier);
  QApplication::processEvents();
  EXPECT_EQ(Annotations(), 0);
  QTest::keyClick(Canvas(), Qt::Key_Y, Qt::ControlModifier);
  QApplication::processEvents();
  EXPECT_EQ(Annotations(), 1);

  // A right click on the mark recolours it (one step) and deletes it (another), both undone.
  size_t steps = g_history.undo.size();
  g_script.colourAnswers = {PaletteRgb(40, 210, 0)};
  Choose(inLine, QStringLiteral("标记颜色..."));
  EXPECT_TRUE(StatusLine().contains(QStringLiteral("标记颜色已修改"))) << StatusLine().toStdString();
  QRgb green = Canvas()->grab().toImage().pixel(paper);
  EXPECT_LT(qRed(green), qRed(tint) - 40);
  Choose(inLine, QStringLiteral("删除标记"));
  EXPECT_EQ(Annotations(), 0);
  EXPECT_TRUE(StatusLine().contains(QStringLiteral("已删除标记"))) << StatusLine().toStdString();
  EXPECT_EQ(g_history.undo.size(), steps + 2);
  QTest::keyClick(Canvas(), Qt::Key_Z, Qt::ControlModifier);
  QTest::keyClick(Canvas(), Qt::Key_Z, Qt::ControlModifier);
  QApplication::processEvents();
  EXPECT_EQ(Annotations(), 1);

  // Reopened, the same line takes a second mark beside the first.
  Open(saved.toStdString());
  ASSERT_EQ(Annotations(), 1);
  ClickToolbar(kCmdSelectTextTool);
  TripleClick(inLine);
  Choose(inLine, QStringLiteral("下划线"));
  ASSERT_EQ(Annotations(), 2);
  EXPECT_EQ(Subtype(0), kAnnotHighlight);
  EXPECT_EQ(Subtype(1), kAnnotUnderline);
  EXPECT_TRUE(StatusLine().contains(QStringLiteral("已添加下划线"))) << StatusLine().toStdString();
}

TEST_F(TextMarksWindowTest, UnderlineAndStrikeOutOnATurnedCroppedPageStayOnTheirLine) {
  WriteTextPdf(WorkPath("turned.pdf"), "/MediaBox [0 0 595 842] /CropBox [40 300 560 700] /Rotate 90",
               TextAt(100, 500, 20, "Rotated page words") + TextAt(100, 460, 20, "Second line here"));
  Open(WorkPath("turned.pdf"));
  ClickToolbar(kCmdSelectTextTool);
  g_tool.drawColor = PaletteRgb(0, 95, 255);
  QPoint first = OnScreen(150, 507), second = OnScreen(150, 467);
  TripleClick(first);
  Choose(first, QStringLiteral("删除线"));
  TripleClick(second);
  Choose(second, QStringLiteral("下划线"));
  ASSERT_EQ(Annotations(), 2);
  EXPECT_EQ(Subtype(0), kAnnotStrikeOut);
  EXPECT_EQ(g_history.undo.size(), 2u);

  QString saved = SaveAs("turned-marked.pdf");
  QString warnings;
  QImage before = Poppler(QString::fromStdString(WorkPath("turned.pdf")), "turned-plain", &warnings);
  QImage after = Poppler(saved, "turned-marked", &warnings);
  EXPECT_TRUE(warnings.isEmpty()) << warnings.toStdString();
  ASSERT_EQ(before.size(), QSize(400, 520));  // the crop box, turned
  QRect changed = Changed(before, after);
  // Two blue lines running down the turned page, 40 points apart like their lines of text.
  ASSERT_FALSE(changed.isEmpty());
  EXPECT_GT(changed.height(), 3 * changed.width());
  EXPECT_LT(std::abs(changed.width() - 40), 12);
  EXPECT_EQ(ExtractedText(saved.toStdString()), ExtractedText(WorkPath("turned.pdf")));
}

}  // namespace

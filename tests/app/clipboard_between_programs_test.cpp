// The image clipboard between the editor and another program on a real X display (xvfb-run):
// a picture another program offers pastes upright at 0.75 point per pixel; an image the
// editor copies reaches the other program as PNG and BMP with its size record; a BMP the
// editor's own reader refuses is refused, never decoded some other way.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QCursor>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMimeData>
#include <QProcess>

#include "app/clipboard_test_pictures.h"
#include "app/editing_test_fixture.h"
#include "content/clipboard_dib.h"
#include "editing/image_clipboard.h"
#include "editing/selection.h"
#include "support/image_page_pdf.h"
#include "widgets/qt_clipboard.h"

namespace {

class ClipboardBetweenProgramsTest : public EditingWindowTest {
 protected:
  void SetUp() override {
    EditingWindowTest::SetUp();
    InstallQtClipboard();
    ImagePageSpec spec;
    spec.width = 60;
    spec.height = 30;
    spec.matrix = {300, 0, 0, 150, 100, 400};
    WriteImagePagePdf(WorkPath("page.pdf"), spec);
    OpenOrFail(WorkPath("page.pdf"));
    RouteCommand(kCmdFitPage);
    Canvas()->repaint();
  }
  // Runs the peer until it ends, letting the window answer the clipboard meanwhile.
  static bool RunPeer(QProcess& peer, int timeoutMs = 20000) {
    QElapsedTimer clock;
    clock.start();
    while (peer.state() != QProcess::NotRunning && clock.elapsed() < timeoutMs) {
      QApplication::processEvents();
      peer.waitForFinished(20);
    }
    return peer.state() == QProcess::NotRunning && peer.exitCode() == 0;
  }
  // xclip offers the bytes under image/bmp, as any other program would, until it is ended;
  // returns once the window sees them.
  bool OfferWithXclip(QProcess& xclip, const QByteArray& bytes) {
    QString file = QString::fromStdString(WorkPath("offered.bmp"));
    QFile out(file);
    if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size()) return false;
    out.close();
    xclip.start(QStringLiteral("xclip"), {"-quiet", "-selection", "clipboard", "-t", "image/bmp", "-i", file});
    if (!xclip.waitForStarted(10000)) return false;
    // Until then the clipboard may still hold the editor's own copy of an earlier test.
    auto offered = [] { return !QGuiApplication::clipboard()->ownsClipboard() && CanPasteImage(); };
    QElapsedTimer clock;
    clock.start();
    while (!offered() && clock.elapsed() < 10000) QTest::qWait(20);
    return offered();
  }
  // Ends xclip and waits until the window sees that nothing is offered any more.
  static void EndXclip(QProcess& xclip) {
    xclip.kill();
    xclip.waitForFinished(5000);
    QElapsedTimer clock;
    clock.start();
    while (CanPasteImage() && clock.elapsed() < 5000) QTest::qWait(20);
  }
  void PasteAtCentre() {
    QCursor::setPos(Canvas()->mapToGlobal(At(0.5f, 0.5f)));
    RouteCommand(kCmdPaste);
  }
};

void Put32(QByteArray& b, int at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = char(v >> (8 * i));
}

}  // namespace

TEST_F(ClipboardBetweenProgramsTest, APictureAnotherProgramOffersPastesUprightAtThreeQuartersOfAPointPerPixel) {
  QString file = QString::fromStdString(WorkPath("offered.bmp"));
  QFile out(file);
  ASSERT_TRUE(out.open(QIODevice::WriteOnly));
  out.write(RedOverBlueBmp(400, 300, 24));
  out.close();
  QProcess peer;
  peer.start(QStringLiteral(CORVAN_CLIPBOARD_PEER), {QStringLiteral("offer"), QStringLiteral("image/bmp"), file});
  ASSERT_TRUE(peer.waitForReadyRead(20000));
  ASSERT_EQ(peer.readLine().trimmed(), QByteArray("ready"));
  int count = CurrentObjectCount();
  // The window learns of the new owner through its event loop, as it would before a paste.
  QElapsedTimer clock;
  clock.start();
  while (!CanPasteImage() && clock.elapsed() < 10000) QTest::qWait(20);
  ASSERT_TRUE(CanPasteImage());
  QCursor::setPos(Canvas()->mapToGlobal(At(0.5f, 0.5f)));
  RouteCommand(kCmdPaste);
  peer.closeWriteChannel();
  peer.waitForFinished(5000);
  ASSERT_TRUE(g_script.boxes.empty()) << RecordedBoxesText();
  ASSERT_EQ(CurrentObjectCount(), count + 1);
  FPDF_PAGEOBJECT pasted = Objects().back();
  float l, b, r, t;
  ASSERT_TRUE(g_engine.FPDFPageObj_GetBounds(pasted, &l, &b, &r, &t));
  EXPECT_NEAR(r - l, 300, 0.05);
  EXPECT_NEAR(t - b, 225, 0.05);
  ImagePixels pixels = ReadImagePixels(g_session.document, g_session.currentPage, pasted);
  ASSERT_EQ(pixels.width, 400);
  const uint8_t* top = &pixels.bgra[(10 * 400 + 5) * 4];
  const uint8_t* bottom = &pixels.bgra[(290 * 400 + 5) * 4];
  EXPECT_EQ(top[2], 255);  // red stays at the top
  EXPECT_EQ(bottom[0], 255);
  EXPECT_EQ(top[3], 255);
  EXPECT_EQ(g_session.statusText, u"已粘贴图片");
}

TEST_F(ClipboardBetweenProgramsTest, AnImageTheEditorCopiesReachesAnotherProgramWithItsSize) {
  g_selection.selectedImage = FirstImage(g_session.currentPage);
  RouteCommand(kCmdCopy);
  ASSERT_TRUE(g_script.boxes.empty()) << RecordedBoxesText();
  QString folder = QString::fromStdString(WorkPath("received"));
  QDir().mkpath(folder);
  QProcess peer;
  peer.start(QStringLiteral(CORVAN_CLIPBOARD_PEER), {QStringLiteral("read"), folder});
  ASSERT_TRUE(RunPeer(peer)) << peer.readAllStandardError().toStdString();
  QStringList types = QString::fromUtf8(peer.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
  EXPECT_TRUE(types.contains("image/png")) << types.join(' ').toStdString();
  EXPECT_TRUE(types.contains("image/bmp"));
  EXPECT_TRUE(types.contains(kImageSizeMimeType));
  QImage png(folder + "/image_png");
  EXPECT_EQ(png.size(), QSize(60, 30));
  QFile record(folder + "/" + QString(kImageSizeMimeType).replace('/', '_'));
  ASSERT_TRUE(record.open(QIODevice::ReadOnly));
  QByteArray bytes = record.readAll();
  auto size = DecodeImageSizeRecord(reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size()));
  ASSERT_TRUE(size);
  EXPECT_NEAR(size->width, 300, 0.01);
  EXPECT_NEAR(size->height, 150, 0.01);
  // The BMP the other program gets is the editor's own: top-down, with an alpha mask.
  QFile bmpFile(folder + "/image_bmp");
  ASSERT_TRUE(bmpFile.open(QIODevice::ReadOnly));
  QByteArray bmp = bmpFile.readAll();
  auto picture = DecodeBmpFile(reinterpret_cast<const uint8_t*>(bmp.constData()), size_t(bmp.size()));
  ASSERT_TRUE(picture);
  EXPECT_EQ(picture->width, 60);
  EXPECT_EQ(picture->height, 30);
  EXPECT_EQ(picture->pixels[3], 255);
  EXPECT_EQ(picture->pixels[0], 128);  // the test image is mid-grey
}

TEST_F(ClipboardBetweenProgramsTest, BmpsTheBoundedReaderRefusesAreRefusedNotDecodedOtherwise) {
  const QByteArray good = RedOverBlueBmp(40, 30, 24);
  // Bit fields whose masks are all zero: a 40-byte header, compression 3, three zero masks.
  QByteArray zeroMasks = RedOverBlueBmp(40, 30, 32);
  zeroMasks.insert(54, QByteArray(12, '\0'));
  Put32(zeroMasks, 10, 66);
  Put32(zeroMasks, 30, 3);
  QByteArray hugeTable = good;
  Put32(hugeTable, 46, 0xFFFFFFFF);
  const std::vector<std::pair<const char*, QByteArray>> offers = {
      {"truncated", good.left(200)}, {"zero masks", zeroMasks}, {"2^32 - 1 colours", hugeTable}};
  const int count = CurrentObjectCount();
  for (const auto& [name, bytes] : offers) {
    SCOPED_TRACE(name);
    g_script.boxes.clear();
    QProcess xclip;
    ASSERT_TRUE(OfferWithXclip(xclip, bytes));
    PasteAtCentre();
    EndXclip(xclip);
    ASSERT_EQ(g_script.boxes.size(), 1u) << RecordedBoxesText();
    EXPECT_EQ(g_script.boxes[0].caption, u"粘贴图片失败");
    EXPECT_EQ(g_script.boxes[0].text, u"剪贴板中没有受支持的图片数据。");
    EXPECT_EQ(g_script.boxes[0].icon, MessageIcon::Information);
    EXPECT_EQ(CurrentObjectCount(), count);
    EXPECT_FALSE(g_session.modified);
  }
}

TEST_F(ClipboardBetweenProgramsTest, ABmpWhosePixelsStartAfterAGapPastesAsItLooks) {
  // Offset 118 with a 40-byte header: 64 bytes of 0xEE between header and pixels.
  QByteArray gapped = RedOverBlueBmp(40, 30, 24);
  gapped.insert(54, QByteArray(64, char(0xEE)));
  Put32(gapped, 10, 118);
  Put32(gapped, 2, uint32_t(gapped.size()));
  QProcess xclip;
  ASSERT_TRUE(OfferWithXclip(xclip, gapped));
  const int count = CurrentObjectCount();
  PasteAtCentre();
  EndXclip(xclip);
  ASSERT_TRUE(g_script.boxes.empty()) << RecordedBoxesText();
  ASSERT_EQ(CurrentObjectCount(), count + 1);
  ImagePixels pixels = ReadImagePixels(g_session.document, g_session.currentPage, Objects().back());
  ASSERT_EQ(pixels.width, 40);
  ASSERT_EQ(pixels.height, 30);
  for (int row = 0; row < 30; ++row) {
    for (int column = 0; column < 40; ++column) {
      const uint8_t* p = &pixels.bgra[(row * 40 + column) * 4];
      const bool red = row < 15;
      ASSERT_EQ(p[0], red ? 0 : 255) << column << "," << row;
      ASSERT_EQ(p[1], 0) << column << "," << row;
      ASSERT_EQ(p[2], red ? 255 : 0) << column << "," << row;
    }
  }
}

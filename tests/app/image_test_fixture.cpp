#include "app/image_test_fixture.h"

#include <QBuffer>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <cstring>

#include "app/command_router.h"
#include "document/session.h"
#include "support/pdf_fixtures.h"
#include "view/command_ids.h"
#include "view/page_view.h"

namespace {

uint32_t Crc32(const std::string& bytes) {
  uint32_t crc = 0xFFFFFFFFu;
  for (unsigned char c : bytes) {
    crc ^= c;
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

std::string BigEndian(uint32_t v) {
  return std::string{char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
}

std::string Chunk(const std::string& type, const std::string& data) {
  return BigEndian(uint32_t(data.size())) + type + data + BigEndian(Crc32(type + data));
}

}  // namespace

bool WritePicture(const std::string& path, int width, int height, const char* format, QColor left, QColor right,
                  bool alpha) {
  QImage image(width, height, alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
  image.fill(right);
  QPainter painter(&image);
  painter.fillRect(0, 0, width / 2, height, left);
  painter.fillRect(0, 0, width, std::max(1, height / 6), QColor(0, 0, 0, alpha ? 255 : 255));
  painter.end();
  return image.save(QString::fromStdString(path), format, 90);
}

std::string PngHeaderOnly(int width, int height) {
  std::string ihdr = BigEndian(uint32_t(width)) + BigEndian(uint32_t(height)) + std::string("\x08\x06\x00\x00\x00", 5);
  // A few bytes of data and the end, so that readers get past the header.
  return std::string("\x89PNG\r\n\x1a\n", 8) + Chunk("IHDR", ihdr) + Chunk("IDAT", std::string("\x78\x9c\x03\x00\x00\x00\x00\x01", 8)) +
         Chunk("IEND", "");
}

std::string PngWithLyingHeader(int width, int height) {
  // A real 8 × 8 picture's data under a header that promises more rows and columns.
  QImage small(8, 8, QImage::Format_ARGB32);
  small.fill(QColor(10, 200, 10));
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  small.save(&buffer, "PNG");
  std::string png(bytes.constData(), size_t(bytes.size()));
  std::string ihdrData = BigEndian(uint32_t(width)) + BigEndian(uint32_t(height)) + png.substr(24, 5);
  return png.substr(0, 8) + Chunk("IHDR", ihdrData) + png.substr(33);
}

void ImageWindowTest::Open(const std::string& pageEntries) {
  if (g_session.modified) g_script.answers.push_back(MessageAnswer::No);  // the previous page's edits go
  WriteHandMadePdf(WorkPath("page.pdf"), pageEntries);
  OpenOrFail(WorkPath("page.pdf"));
  RouteCommand(kCmdFitPage);
  Canvas()->repaint();
}

void ImageWindowTest::InsertByClick(const std::string& file, QPoint at) {
  g_script.dialogAnswers.push_back(std::u16string(file.begin(), file.end()));
  RouteCommand(kCmdInsertImage);
  Click(at);
  Canvas()->repaint();
}

std::vector<FPDF_PAGEOBJECT> ImageWindowTest::Images() const {
  std::vector<FPDF_PAGEOBJECT> images;
  for (FPDF_PAGEOBJECT o : Objects()) {
    if (g_engine.FPDFPageObj_GetType(o) == kPageObjImage) images.push_back(o);
  }
  return images;
}

FS_MATRIX ImageWindowTest::Matrix(FPDF_PAGEOBJECT image) {
  FS_MATRIX m{};
  EXPECT_TRUE(g_engine.FPDFPageObj_GetMatrix(image, &m));
  return m;
}

QPointF ImageWindowTest::Screen(FPDF_PAGEOBJECT image, double s, double t) {
  ScreenPointF p = UnitToScreen(CurrentPageFrame(), Matrix(image), s, t);
  return QPointF(p.x, p.y);
}

QColor ImageWindowTest::ShownAt(QPoint p) {
  QImage shot = Canvas()->grab().toImage();
  return shot.pixelColor(p * shot.devicePixelRatio());
}

QColor SavedColourAt(FPDF_DOCUMENT document, const std::string& name, PagePoint p, int rotate, SavedCrop crop) {
  QDir().mkpath(QStringLiteral(CORVAN_ARTEFACTS));
  std::string pdf = std::string(CORVAN_ARTEFACTS) + "/" + name + ".pdf";
  EXPECT_TRUE(CommitPageContent());
  EXPECT_TRUE(SaveDocumentToPath(document, pdf));
  QString out = QStringLiteral(CORVAN_ARTEFACTS "/") + QString::fromStdString(name);
  EXPECT_EQ(QProcess::execute("pdftoppm", {"-cropbox", "-r", "72", "-png", "-singlefile", QString::fromStdString(pdf), out}),
            0);
  QImage render(out + ".png");
  EXPECT_FALSE(render.isNull());
  // /Rotate 90 turns the page clockwise: its bottom edge becomes the left edge; 270 the other way.
  QPoint at = rotate == 90    ? QPoint(int(p.y - crop.bottom), int(p.x - crop.left))
              : rotate == 270 ? QPoint(int(crop.top - p.y), int(crop.right - p.x))
                              : QPoint(int(p.x - crop.left), int(crop.top - p.y));
  return render.pixelColor(at);
}

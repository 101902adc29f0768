// How the toolbar looks at one and two device pixels per pixel. The PNGs are written as
// artefacts for a person to look at.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QPainter>
#include <QToolButton>

#include "app/gui_test.h"
#include "app/main_window.h"
#include "view/command_ids.h"
#include "view/page_view.h"
#include "view/toolbar.h"
#include "widgets/page_canvas.h"
#include "widgets/page_number_controls.h"

namespace {

class ToolbarLookTest : public GuiTest {
 protected:
  // The toolbar band painted by the canvas at `scale` device pixels per pixel.
  QImage PaintBand(double scale, const QString& artefact) {
    int width = ToolbarButtons().back().x + kToolbarButtonWidth + 4;
    QImage band(int(width * scale), int(kToolbarHeight * scale), QImage::Format_RGB32);
    band.setDevicePixelRatio(scale);
    QPainter painter(&band);
    Canvas()->PaintContent(painter, QRect(0, 0, width, kToolbarHeight));
    painter.end();
    QDir().mkpath(QStringLiteral(CORVAN_ARTEFACTS));
    band.save(QStringLiteral(CORVAN_ARTEFACTS) + "/" + artefact + ".png");
    return band;
  }

  // The icon part of a button (above its label), in device pixels.
  static QImage IconOf(const QImage& band, const ToolbarButton& button, double scale) {
    return band.copy(QRect(int((button.x + 6) * scale), int(1 * scale), int(32 * scale), int(17 * scale)));
  }

  static int InkPixels(const QImage& icon) {
    int ink = 0;
    for (int y = 0; y < icon.height(); ++y) {
      for (int x = 0; x < icon.width(); ++x) ink += qGray(icon.pixel(x, y)) < 170;
    }
    return ink;
  }
};

TEST_F(ToolbarLookTest, EveryButtonHasItsOwnIconAtOneAndTwoDevicePixels) {
  StartWindow();
  for (double scale : {1.0, 2.0}) {
    SCOPED_TRACE(scale);
    QImage band = PaintBand(scale, scale == 1 ? QStringLiteral("toolbar-1x") : QStringLiteral("toolbar-2x"));
    std::vector<QImage> icons;
    for (const ToolbarButton& button : ToolbarButtons()) {
      // The buttons' backgrounds differ (active, disabled): compare the ink only.
      QImage icon = IconOf(band, button, scale).convertToFormat(QImage::Format_Mono, Qt::ThresholdDither);
      EXPECT_GT(InkPixels(IconOf(band, button, scale)), 12 * scale * scale) << button.id;
      for (size_t other = 0; other < icons.size(); ++other) {
        EXPECT_NE(icon, icons[other]) << button.id << " looks like button " << ToolbarButtons()[other].id;
      }
      icons.push_back(icon);
    }
  }
}

TEST_F(ToolbarLookTest, AtTwiceTheDensityIconsAreDrawnNotEnlarged) {
  StartWindow();
  QImage one = PaintBand(1, QStringLiteral("toolbar-1x"));
  QImage two = PaintBand(2, QStringLiteral("toolbar-2x"));
  for (const ToolbarButton& button : ToolbarButtons()) {
    QImage small = IconOf(one, button, 1);
    QImage large = IconOf(two, button, 2);
    // An enlarged bitmap repeats every pixel in 2 × 2 blocks; a drawing at device pixels
    // does not.
    int blocksDiffering = 0;
    for (int y = 0; y + 1 < large.height(); y += 2) {
      for (int x = 0; x + 1 < large.width(); x += 2) {
        QRgb a = large.pixel(x, y);
        blocksDiffering += a != large.pixel(x + 1, y) || a != large.pixel(x, y + 1) || a != large.pixel(x + 1, y + 1);
      }
    }
    EXPECT_GT(blocksDiffering, 10) << button.id;
    // The same drawing: ink falls where it falls at one device pixel, four times as much.
    double ratio = double(InkPixels(large)) / std::max(1, InkPixels(small));
    EXPECT_GT(ratio, 2.0) << button.id;
    EXPECT_LT(ratio, 6.0) << button.id;
  }
}

TEST_F(ToolbarLookTest, PageTurnButtonsShowDrawnGlyphs) {
  StartWindow();
  for (int id : {kCmdFirstPage, kCmdPreviousPageButton, kCmdNextPageButton, kCmdLastPage}) {
    QToolButton* button = Canvas()->pageControls()->button(id);
    ASSERT_NE(button, nullptr);
    EXPECT_FALSE(button->icon().isNull()) << id;
    EXPECT_GE(button->iconSize().height(), 16);
  }
  // Backward glyphs are the forward ones mirrored, and the two differ.
  auto glyph = [this](int id) { return Canvas()->pageControls()->button(id)->icon().pixmap(32, 32).toImage(); };
  auto difference = [](const QImage& a, const QImage& b) {
    double sum = 0;
    for (int y = 0; y < a.height(); ++y) {
      for (int x = 0; x < a.width(); ++x) sum += std::abs(qAlpha(a.pixel(x, y)) - qAlpha(b.pixel(x, y)));
    }
    return sum / (a.width() * a.height() * 255.0);
  };
  for (auto [forward, backward] : {std::pair{kCmdNextPageButton, kCmdPreviousPageButton},
                                   std::pair{kCmdLastPage, kCmdFirstPage}}) {
    QImage f = glyph(forward), b = glyph(backward);
    EXPECT_LT(difference(f.mirrored(true, false), b), 0.03) << forward;
    EXPECT_GT(difference(f, b), 0.1) << forward;
  }
  EXPECT_GT(difference(glyph(kCmdNextPageButton), glyph(kCmdLastPage)), 0.03);
}

// Run with QT_SCALE_FACTOR=2 (its own CTest entry): the real window on a dense screen.
TEST_F(ToolbarLookTest, HighDensityWindowRendersThePageAtDevicePixels) {
  StartWindow();
  if (window_->devicePixelRatioF() < 2) GTEST_SKIP() << "runs in the QT_SCALE_FACTOR=2 entry";
  QImage shot = Screenshot(QStringLiteral("window-2x"));
  EXPECT_EQ(shot.width(), 2 * window_->width());
  ASSERT_GT(g_view.bitmapWidth, 0);
  EXPECT_EQ(g_view.pixelWidth, 2 * g_view.bitmapWidth);
  EXPECT_EQ(g_view.pixelHeight, 2 * g_view.bitmapHeight);
  PaintBand(2, QStringLiteral("toolbar-window-2x"));
}

}  // namespace

// The stroke cover against the rule it must keep, pixel by pixel: a pixel turns white iff its
// centre lies within the reach of some segment of the stroke (segment 0 is point 0 alone).
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "content/stroke_cover.h"

namespace {

ScreenPicture Picture(ScreenVec origin, ScreenVec along, ScreenVec down) {
  ScreenPicture p;
  p.origin = origin;
  p.along = along;
  p.down = down;
  p.det = down.y * along.x - down.x * along.y;
  return p;
}

// Every pixel measured against every segment, the centre worked out as the painter does.
std::vector<bool> CoveredByRule(const ScreenPicture& picture, int w, int h, const std::vector<ScreenPoint>& stroke,
                                double reach) {
  const ScreenVec columnStep = (1.0 / w) * picture.along, rowStep = (1.0 / h) * picture.down;
  std::vector<bool> covered(size_t(w) * h);
  for (int row = 0; row < h; ++row) {
    for (int column = 0; column < w; ++column) {
      for (size_t k = 0; k < stroke.size(); ++k) {
        const ScreenVec a{double(stroke[k ? k - 1 : 0].x), double(stroke[k ? k - 1 : 0].y)};
        const ScreenVec ab = ScreenVec{double(stroke[k].x), double(stroke[k].y)} - a;
        const ScreenVec centre = (picture.origin + (column + 0.5) * columnStep + (row + 0.5) * rowStep) - a;
        const double abSquared = Dot(ab, ab);
        const double t = abSquared > 0 ? std::clamp(Dot(centre, ab) / abSquared, 0.0, 1.0) : 0.0;
        const ScreenVec off = centre - t * ab;
        if (Dot(off, off) <= reach * reach) {
          covered[size_t(row) * w + column] = true;
          break;
        }
      }
    }
  }
  return covered;
}

struct Painted {
  std::vector<uint8_t> bgra;
  bool changed = false;
};

// A w × h picture of grey pixels with alpha 200, its row stride padded by 12 bytes.
Painted Paint(const ScreenPicture& picture, int w, int h, const std::vector<ScreenPoint>& stroke, double reach) {
  const size_t stride = size_t(w) * 4 + 12;
  Painted out;
  out.bgra.assign(stride * h, 0);
  for (int row = 0; row < h; ++row) {
    for (int column = 0; column < w; ++column) {
      uint8_t* p = &out.bgra[row * stride + column * 4];
      p[0] = 90, p[1] = 100, p[2] = 110, p[3] = 200;
    }
  }
  out.changed = PaintStroke(out.bgra.data(), stride, w, h, picture, stroke, reach);
  return out;
}

// Every pixel as the rule says; alpha and the row padding untouched.
void ExpectPaintedByRule(const ScreenPicture& picture, int w, int h, const std::vector<ScreenPoint>& stroke,
                         double reach) {
  const size_t stride = size_t(w) * 4 + 12;
  Painted painted = Paint(picture, w, h, stroke, reach);
  std::vector<bool> rule = CoveredByRule(picture, w, h, stroke, reach);
  int mismatches = 0, whites = 0;
  for (int row = 0; row < h; ++row) {
    for (int column = 0; column < w; ++column) {
      const uint8_t* p = &painted.bgra[row * stride + column * 4];
      const bool white = p[0] == 255 && p[1] == 255 && p[2] == 255;
      const bool untouched = p[0] == 90 && p[1] == 100 && p[2] == 110;
      mismatches += rule[size_t(row) * w + column] ? !white : !untouched;
      mismatches += p[3] != 200;
      whites += white;
    }
    for (size_t pad = size_t(w) * 4; pad < stride; ++pad) mismatches += painted.bgra[row * stride + pad] != 0;
  }
  EXPECT_EQ(mismatches, 0) << "of " << whites << " white";
  EXPECT_EQ(painted.changed, whites > 0);
}

}  // namespace

TEST(StrokeCoverTest, RandomPicturesAndStrokesArePaintedExactlyByTheDistanceRule) {
  std::mt19937 random(20240607);
  auto uniform = [&random](double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(random); };
  for (int round = 0; round < 300; ++round) {
    SCOPED_TRACE(round);
    const int w = 1 + int(random() % 70), h = 1 + int(random() % 70);
    // Turned, sheared, mirrored or squeezed: any two sides that are not parallel.
    ScreenVec along{uniform(-300, 300), uniform(-300, 300)}, down{uniform(-300, 300), uniform(-300, 300)};
    if (std::fabs(down.y * along.x - down.x * along.y) < 100) continue;
    const ScreenPicture picture = Picture({uniform(100, 500), uniform(100, 500)}, along, down);
    std::vector<ScreenPoint> stroke;
    const int points = 1 + int(random() % 12);
    for (int i = 0; i < points; ++i) {
      // Repeated points now and then: segments of length zero.
      if (i > 0 && random() % 5 == 0) stroke.push_back(stroke.back());
      else stroke.push_back({int(uniform(0, 900)), int(uniform(0, 900))});
    }
    ExpectPaintedByRule(picture, w, h, stroke, uniform(0.3, 40));
  }
}

TEST(StrokeCoverTest, PixelCentresExactlyAtTheReachAndDenseStrokesFollowTheRule) {
  // Four screen pixels per image pixel, upright: centres at whole numbers, so many lie at a
  // distance of exactly 8 from the stroke and are covered.
  const ScreenPicture upright = Picture({0, 0}, {160, 0}, {0, 120});
  ExpectPaintedByRule(upright, 40, 30, {{50, 50}}, 8);
  ExpectPaintedByRule(upright, 40, 30, {{10, 62}, {150, 62}, {150, 10}}, 8);
  // A brush dragged one pixel at a time, back and forth, over a fine picture.
  std::vector<ScreenPoint> dense;
  for (int i = 0; i < 300; ++i) dense.push_back({20 + (i < 150 ? i : 300 - i), 40 + (i % 40) / 4});
  ExpectPaintedByRule(Picture({5, 5}, {180, 20}, {-15, 110}), 400, 300, dense, 12.3);
  // Only the pixels under the stroke: a stroke wholly outside the picture paints nothing.
  Painted outside = Paint(upright, 40, 30, {{-100, -100}, {-60, -100}}, 8);
  EXPECT_FALSE(outside.changed);
}

TEST(StrokeCoverTest, WhitePixelsCountAsUnchanged) {
  const ScreenPicture upright = Picture({0, 0}, {40, 0}, {0, 30});
  const size_t stride = 40 * 4;
  std::vector<uint8_t> bgra(stride * 30, 255);
  EXPECT_FALSE(PaintStroke(bgra.data(), stride, 40, 30, upright, {{20, 15}}, 5));
  bgra[15 * stride + 20 * 4 + 1] = 0;  // one green byte under the click
  EXPECT_TRUE(PaintStroke(bgra.data(), stride, 40, 30, upright, {{20, 15}}, 5));
  EXPECT_EQ(bgra[15 * stride + 20 * 4 + 1], 255);
}

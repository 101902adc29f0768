#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "geometry/stroke_smoothing.h"

namespace {

std::vector<ScreenPoint> Zigzag(int count) {
  std::vector<ScreenPoint> raw;
  for (int i = 0; i < count; ++i) {
    // Fast, irregular moves: long segments that cross from one run to the next.
    raw.push_back({100 + (i * 37) % 400, 100 + (i * i * 13) % 300});
  }
  return raw;
}

TEST(StrokeSmoothing, ExtendingMoveByMoveGivesTheWholeStrokesSmoothing) {
  std::vector<ScreenPoint> raw = Zigzag(300);
  SmoothedStroke incremental;
  std::vector<ScreenPoint> growing;
  for (const ScreenPoint& p : raw) {
    growing.push_back(p);
    ExtendSmoothing(incremental, growing);
    // The tail is always the latest position, as the preview shows it.
    ASSERT_FLOAT_EQ(incremental.points.back().x, float(p.x));
    ASSERT_FLOAT_EQ(incremental.points.back().y, float(p.y));
  }
  std::vector<SmoothPoint> whole = SmoothStroke(raw);
  ASSERT_EQ(incremental.points.size(), whole.size());
  for (size_t i = 0; i < whole.size(); ++i) {
    ASSERT_FLOAT_EQ(incremental.points[i].x, whole[i].x) << i;
    ASSERT_FLOAT_EQ(incremental.points[i].y, whole[i].y) << i;
  }
  // Several positions at once (a slow paint) give the same as one at a time.
  SmoothedStroke batched;
  ExtendSmoothing(batched, std::vector<ScreenPoint>(raw.begin(), raw.begin() + 7));
  ExtendSmoothing(batched, raw);
  ASSERT_EQ(batched.points.size(), whole.size());
  EXPECT_FLOAT_EQ(batched.points[whole.size() / 2].x, whole[whole.size() / 2].x);
}

TEST(StrokeSmoothing, EverySegmentLiesInsideTheBoxOfItsRun) {
  std::vector<ScreenPoint> raw = Zigzag(500);
  SmoothedStroke stroke;
  std::vector<ScreenPoint> growing;
  for (const ScreenPoint& p : raw) {
    growing.push_back(p);
    ExtendSmoothing(stroke, growing);
  }
  ASSERT_EQ(stroke.runBoxes.size(), (stroke.points.size() + kSmoothRunLength - 1) / kSmoothRunLength);
  for (size_t i = 0; i + 1 < stroke.points.size(); ++i) {
    const PointRunBox& box = stroke.runBoxes[i / kSmoothRunLength];
    for (const SmoothPoint& end : {stroke.points[i], stroke.points[i + 1]}) {
      ASSERT_GE(end.x, box.left) << i;
      ASSERT_LE(end.x, box.right) << i;
      ASSERT_GE(end.y, box.top) << i;
      ASSERT_LE(end.y, box.bottom) << i;
    }
  }
}

TEST(StrokeSmoothing, ANewShorterStrokeStartsOver) {
  SmoothedStroke stroke;
  ExtendSmoothing(stroke, Zigzag(50));
  std::vector<ScreenPoint> next = {{10, 10}, {20, 30}};
  ExtendSmoothing(stroke, next);
  EXPECT_EQ(stroke.consumed, 2u);
  EXPECT_FLOAT_EQ(stroke.points.front().x, 10);
  EXPECT_FLOAT_EQ(stroke.points.back().y, 30);
  EXPECT_EQ(stroke.points.size(), 2u);
}

}  // namespace

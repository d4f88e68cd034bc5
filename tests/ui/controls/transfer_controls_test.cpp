#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <QtTest/QTest>
#include <climits>
#include <vector>

#include "core/config/text_format.h"
#include "ui/controls/graph.h"
#include "ui/controls/progress_bar_xp.h"
#include "ui/controls/progress_drawing.h"
#include "ui/shell/qt_text.h"

namespace kp {
namespace {

// ---- The segmented bar -------------------------------------------------------

const QColor kLight(230, 230, 230), kShadow(90, 90, 90), kHighlight(100, 120, 140), kOutside(255, 0, 255);
// Off the image's origin, so that a mix-up of edges and sizes shows.
const QRect kBar(5, 3, 100, 16);

QImage DrawBar(int percent, QRect rect = kBar) {
  QPalette palette;
  palette.setColor(QPalette::Light, kLight);
  palette.setColor(QPalette::Dark, kShadow);
  palette.setColor(QPalette::Highlight, kHighlight);
  QImage image(rect.right() + 6, rect.bottom() + 6, QImage::Format_RGB32);
  image.fill(kOutside);
  QPainter painter(&image);
  DrawProgress(painter, rect, percent, palette);
  return image;
}

// Left edges of the segments, relative to the bar, along the top row of shading.
std::vector<int> SegmentStarts(const QImage& image, const QRect& rect = kBar) {
  std::vector<int> starts;
  const int y = rect.top() + 2;
  for (int x = rect.left() + 1; x < rect.left() + rect.width() - 1; ++x) {
    if (image.pixelColor(x, y) != kLight && image.pixelColor(x - 1, y) == kLight)
      starts.push_back(x - rect.left());
  }
  return starts;
}

struct SegmentCase {
  int percent;
  int segments;
};
class ProgressSegmentCount : public ::testing::TestWithParam<SegmentCase> {};

TEST_P(ProgressSegmentCount, SegmentsStandNinePixelsApart) {
  const std::vector<int> starts = SegmentStarts(DrawBar(GetParam().percent));
  ASSERT_EQ(starts.size(), static_cast<size_t>(GetParam().segments));
  for (size_t k = 0; k < starts.size(); ++k)
    EXPECT_EQ(starts[k], 2 + 9 * static_cast<int>(k)) << "segment " << k;
}

INSTANTIATE_TEST_SUITE_P(Percentages, ProgressSegmentCount,
                         ::testing::Values(SegmentCase{100, 11}, SegmentCase{50, 6},  // 5.5 to the even 6
                                           SegmentCase{1, 0}, SegmentCase{-20, 0},
                                           SegmentCase{65536 + 50, 6}));  // taken as 16 bits

TEST(ProgressDrawing, ShadesSegmentsFromTheHighlightInsideTheFrame) {
  const QImage image = DrawBar(50);
  const int l = kBar.left(), t = kBar.top();
  EXPECT_EQ(image.pixelColor(l, t + 8), kShadow);
  EXPECT_EQ(image.pixelColor(l + 99, t + 15), kShadow);
  EXPECT_EQ(image.pixelColor(l + 1, t + 1), kLight);
  EXPECT_EQ(image.pixelColor(l + 2, t + 1), kLight) << "a light row above the segments";
  EXPECT_EQ(image.pixelColor(l + 2, t + 2), QColor(65, 85, 105)) << "top row: highlight darkened by 35";
  EXPECT_EQ(image.pixelColor(l + 2, t + 3), QColor(79, 99, 119)) << "lightened by round(150 / 11)";
  EXPECT_EQ(image.pixelColor(l + 2, t + 7), QColor(125, 145, 165)) << "middle: highlight lightened by 25";
  EXPECT_EQ(image.pixelColor(l + 2, t + 13), QColor(41, 61, 81));
  EXPECT_EQ(image.pixelColor(l + 2, t + 14), kLight) << "a light row below the segments";
  EXPECT_EQ(image.pixelColor(l + 9, t + 5), kLight) << "gap between segments";
  EXPECT_EQ(image.pixelColor(l + 56, t + 5), kLight) << "past the sixth segment";
}

TEST(ProgressDrawing, ZeroDrawsTheFrameAloneAndNothingLeavesTheRectangle) {
  for (int percent : {0, 300}) {
    const QImage image = DrawBar(percent);
    for (int y = 0; y < image.height(); ++y) {
      for (int x = 0; x < image.width(); ++x) {
        const bool inside = kBar.contains(x, y);
        const bool frame =
            inside && (x == kBar.left() || x == kBar.right() || y == kBar.top() || y == kBar.bottom());
        if (!inside) {
          ASSERT_EQ(image.pixelColor(x, y), kOutside) << percent << "% at " << x << "," << y;
        } else if (frame) {
          ASSERT_EQ(image.pixelColor(x, y), kShadow) << percent << "% at " << x << "," << y;
        } else if (percent == 0) {
          ASSERT_EQ(image.pixelColor(x, y), kLight) << x << "," << y;
        }
      }
    }
  }
  EXPECT_EQ(ProgressSegments(kBar, 300).drawn, 33);
}

// ---- The progress bar control --------------------------------------------------

struct RangeCase {
  int min, max, position;
  int wantMax, wantPosition, wantPercentage;
};
class ProgressBarRange : public ::testing::TestWithParam<RangeCase> {};

TEST_P(ProgressBarRange, NormalisesAndRounds) {
  const RangeCase& c = GetParam();
  TProgressBarXP bar;
  bar.SetMinPosition(c.min);
  bar.SetMaxPosition(c.max);
  bar.SetPosition(c.position);
  EXPECT_EQ(bar.MaxPosition(), c.wantMax);
  EXPECT_EQ(bar.Position(), c.wantPosition);
  EXPECT_EQ(bar.Percentage(), c.wantPercentage);
}

INSTANTIATE_TEST_SUITE_P(Ranges, ProgressBarRange,
                         ::testing::Values(RangeCase{0, 100, 150, 100, 100, 100},
                                           RangeCase{50, 10, 30, 50, 50, 0},  // maximum below minimum
                                           RangeCase{0, 100, -5, 100, 0, 0}, RangeCase{7, 7, 7, 7, 7, 0},
                                           RangeCase{0, 8, 1, 8, 1, 12},  // 12.5 to the even 12
                                           RangeCase{0, 8, 3, 8, 3, 38},
                                           RangeCase{INT_MIN, INT_MAX, 0, INT_MAX, 0, 50}));

// ---- The graph -------------------------------------------------------------------

class Graph : public ::testing::Test {
 protected:
  void SetUp() override {
    graph.resize(200, 100);
    graph.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&graph));
  }
  void Add(int count, std::int32_t value) {
    for (int i = 0; i < count; ++i) graph.AddValue(value);
  }
  QColor At(const QImage& image, int x, int y) const { return image.pixelColor(x, y); }

  TGraph graph;
  const QColor line{0, 255, 0}, grid{0, 0, 255}, back{0, 0, 0};
};

TEST_F(Graph, DropsTheOldestValueAndMovesTheGridWithTheData) {
  for (int i = 0; i <= 200; ++i) graph.AddValue(i % 50);
  ASSERT_EQ(graph.Values().size(), 200u);
  EXPECT_EQ(graph.Values().front(), 1);
  EXPECT_EQ(graph.ScrollOffset(), -1);
  QImage image = graph.grab().toImage();
  EXPECT_EQ(At(image, 11, 5), grid);
  EXPECT_EQ(At(image, 12, 5), back);

  Add(11, 0);
  EXPECT_EQ(graph.ScrollOffset(), 0) << "back to the start after a whole grid cell";
  image = graph.grab().toImage();
  EXPECT_EQ(At(image, 12, 5), grid);
}

TEST_F(Graph, ScalesToTheLargerOfMaximumAndLargestValue) {
  Add(10, 0);
  Add(10, 50);
  QImage image = graph.grab().toImage();
  EXPECT_EQ(At(image, 5, 98), line) << "zero on the baseline";
  EXPECT_EQ(At(image, 15, 58), line) << "halfway between the baseline and 18 pixels below the top";
  EXPECT_EQ(At(image, 15, 59), back) << "the two-pixel line ends on its row";
  EXPECT_EQ(At(image, 150, 97), grid) << "lowest grid line";
  EXPECT_EQ(At(image, 150, 96), back);

  graph.AddValue(200);
  graph.grab();  // still against the old scale
  EXPECT_EQ(graph.FullScale(), 200);
  image = graph.grab().toImage();
  EXPECT_EQ(At(image, 15, 78), line) << "50 of 200";
}

TEST_F(Graph, RefillInsideAnUpdateNeitherRepaintsNorScrolls) {
  struct PaintCounter : QObject {
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override {
      if (event->type() == QEvent::Paint) ++paints;
      return false;
    }
  } counter;
  QTest::qWait(20);
  graph.installEventFilter(&counter);

  graph.BeginUpdate();
  graph.ClearValues();
  Add(300, 250);
  graph.SetLineColor(Qt::red);
  QTest::qWait(50);
  EXPECT_EQ(counter.paints, 0);
  EXPECT_EQ(graph.Values().size(), 200u);
  EXPECT_EQ(graph.ScrollOffset(), 0);

  graph.EndUpdate();
  EXPECT_EQ(graph.FullScale(), 250);
  EXPECT_TRUE(QTest::qWaitFor([&] { return counter.paints > 0; }, 1000));
}

TEST_F(Graph, LabelsTakeTheirWidthFromTheWidestValue) {
  graph.SetSuffix(" kB/s");
  graph.SetMaximum(5000);
  graph.SetLabelGraph(true);
  // 100 pixels hold four label rows two grid cells apart: steps of 1250.
  const QString widest = ToQString(FormatThousands(5000)) + " kB/s";
  const int width = graph.fontMetrics().horizontalAdvance(widest) + 10;
  EXPECT_EQ(graph.LabelWidth(), width);
  Add(300, 1);
  EXPECT_EQ(static_cast<int>(graph.Values().size()), 200 - width);
  const QImage image = graph.grab().toImage();
  EXPECT_EQ(At(image, width, 98), line) << "the line starts right of the labels";
  EXPECT_EQ(At(image, width - 1, 60), graph.palette().color(QPalette::Button));

  graph.SetLabelGraph(false);
  EXPECT_EQ(graph.LabelWidth(), 0);
}

}  // namespace
}  // namespace kp

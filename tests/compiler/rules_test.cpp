#include "compiler/rules.h"

#include <gtest/gtest.h>

#include "compiler/track.h"

namespace sc {
namespace {

TEST(RoundHalfEven, HalvesGoToTheEvenNeighbour) {
  struct Case {
    double in;
    int64_t out;
  } cases[] = {{22.5, 22}, {23.5, 24},     {-0.5, 0},      {-1.5, -2}, {0.5, 0},
               {1.5, 2},   {2586.8, 2587}, {22.49999, 22}, {-2.5, -2}, {7300.0, 7300}};
  for (const Case& c : cases) EXPECT_EQ(roundHalfEven(c.in), c.out) << c.in;
}

TEST(Cells, PointItemsAndBoundaries) {
  EXPECT_EQ(pointCell(1050), 22);
  EXPECT_EQ(pointCell(1075), 22);  // 22.5 rounds to 22
  EXPECT_EQ(pointCell(1125), 24);  // 23.5 rounds to 24
  EXPECT_EQ(pointCell(113050), 2262);
  EXPECT_EQ(boundaryCell(129340), 2587);
  EXPECT_EQ(cellToMetres(25), 1250);
}

TEST(Cells, ModelSizeFollowsTheRouteLength) {
  Track t;
  t.create(358000, 1);
  EXPECT_EQ(t.modelLength, 365000);
  EXPECT_EQ(t.lastCell, 7300);
  EXPECT_EQ(t.trackCells.size(), 7301u);
  ASSERT_TRUE(t.trackPlan);
  EXPECT_EQ(t.trackPlan->rows(), 365001);
  t.create(358000, 0);
  EXPECT_FALSE(t.trackPlan);
}

TEST(Cells, OnlyFreeAndTunnelMarkerCountAsFree) {
  for (int kind = 0; kind < 256; ++kind) {
    TrackCell c;
    c.kind = static_cast<uint8_t>(kind);
    EXPECT_EQ(isOccupied(c), kind != 0 && kind != 11) << kind;
  }
}

TEST(RangeTest, ComparesTheRealQuotientWithTheLastCell) {
  // lastCell 7300: (p + 100) / 50 <= 7300 <=> p <= 364900.
  EXPECT_TRUE(passesRangeTest(364900, 7300));
  EXPECT_FALSE(passesRangeTest(364901, 7300));
  EXPECT_TRUE(passesRangeTest(364200, 7300, kStationRangeMargin));
  EXPECT_FALSE(passesRangeTest(364201, 7300, kStationRangeMargin));
}

}  // namespace
}  // namespace sc

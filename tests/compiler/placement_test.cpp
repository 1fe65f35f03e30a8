#include "compiler/placement.h"

#include <gtest/gtest.h>

#include <vector>

#include "compiler/field_stream.h"

namespace sc {
namespace {

// A 358000 m line: cells 0 to 7300.
class Placement : public ::testing::Test {
 protected:
  Placement() : b("/nonexistent", "S", "1", 0) { b.track.create(358000, 0); }

  TrackCell& cell(int i) { return b.track.trackCells.at(static_cast<size_t>(i)); }

  void signal(int32_t posizione, int32_t sx, int32_t s1, int32_t s2, int32_t s3, int32_t rapp,
              int32_t dx, int32_t d1, int32_t d2, int32_t d3, int32_t tempo) {
    memo_segnale(b, posizione, sx, s1, s2, s3, rapp, dx, d1, d2, d3, tempo);
  }
  void slowdown(int32_t x, int32_t v, int32_t l, int32_t f_tt, int32_t f_ta, int32_t d_v) {
    memo_rallentamento(b, x, v, l, f_tt, f_ta, d_v);
  }
  // Cells of a kind, in index order.
  std::vector<int> cellsOfKind(uint8_t kind) const {
    std::vector<int> out;
    for (size_t i = 0; i < b.track.trackCells.size(); ++i) {
      if (b.track.trackCells[i].kind == kind) out.push_back(static_cast<int>(i));
    }
    return out;
  }

  Build b;
};

TEST_F(Placement, SignalCellPackedValuesAndApproachCodes) {
  signal(113050, 2, 4, 0, 0, 0, 0, 0, 0, 0, 0);
  EXPECT_EQ(b.error.errorNumber, 0);
  EXPECT_EQ(cellsOfKind(CellSignal), std::vector<int>{2262});
  const TrackCell& c = cell(2262);
  EXPECT_EQ(c.value1, 40);
  EXPECT_EQ(c.value2, 0);
  EXPECT_EQ(c.value3, 0);
  EXPECT_EQ(c.value4, 6);
  EXPECT_EQ(c.signalTime, 0);
  EXPECT_EQ(c.approachCode, 0);
  EXPECT_EQ(cell(2260).approachCode, 61);
  EXPECT_EQ(cell(2258).approachCode, 62);
  EXPECT_EQ(cell(2256).approachCode, 63);
  EXPECT_EQ(cell(2254).approachCode, 64);
  for (int i : {2261, 2259, 2257, 2255, 2253, 2252}) EXPECT_EQ(cell(i).approachCode, 0) << i;
}

TEST_F(Placement, SignalPacksBothSidesAndRapp) {
  signal(119950, 2, 3, 1, 1, 1, 2, 2, 1, 1, 0);
  const TrackCell& c = cell(2400);
  EXPECT_EQ(c.value1, 32);
  EXPECT_EQ(c.value2, 11);
  EXPECT_EQ(c.value3, 11);
  EXPECT_EQ(c.value4, 18);                 // rapp 1 x 10 + sx 2 x 3 + dx 2
  EXPECT_EQ(cell(2398).approachCode, 81);  // 60 + 20 + 1
  EXPECT_EQ(cell(2392).approachCode, 84);
}

TEST_F(Placement, SignalTime) {
  struct Case {
    int32_t tempo, sx, tempoAfter;
    uint8_t signalTime;
  } cases[] = {
      {0, 2, 0, 0},       {1, 2, 101, 101},   {100, 2, 101, 101}, {100, 1, 101, 0},
      {101, 2, 101, 101}, {150, 2, 150, 150}, {300, 2, 300, 44},  {-5, 2, -5, 251},
  };
  for (const Case& k : cases) {
    b.track.create(358000, 0);
    int32_t sx = k.sx, s1 = 4, s2 = 0, s3 = 0, rapp = 0, dx = 0, d1 = 0, d2 = 0, d3 = 0;
    int32_t tempo = k.tempo;
    memo_segnale(b, 113050, sx, s1, s2, s3, rapp, dx, d1, d2, d3, tempo);
    EXPECT_EQ(tempo, k.tempoAfter) << k.tempo << " sx " << k.sx;
    EXPECT_EQ(cell(2262).signalTime, k.signalTime) << k.tempo << " sx " << k.sx;
  }
}

TEST_F(Placement, SignalOnTunnelMarkerIsPlacedOnStationStopIsRefused) {
  cell(2262).kind = CellTunnelMarker;
  cell(2262).mountainType = 1;
  signal(113050, 2, 4, 0, 0, 0, 0, 0, 0, 0, 0);
  EXPECT_EQ(b.error.errorNumber, 0);
  EXPECT_EQ(cell(2262).kind, CellSignal);
  EXPECT_EQ(cell(2262).mountainType, 1);

  b.track.create(358000, 0);
  cell(2262).kind = CellStationStop;
  cell(2262).value1 = 3;
  cell(2260).approachCode = 82;
  const auto before = b.track.trackCells;
  signal(113050, 2, 4, 0, 0, 0, 0, 0, 0, 0, 100);
  EXPECT_EQ(b.error.errorNumber, err::SignalOccupied);
  EXPECT_EQ(b.error.errorPosition, 0);  // the caller records the position
  EXPECT_TRUE(b.track.trackCells == before);
}

TEST_F(Placement, SignalApproachCodesStopAtTheFirstCell) {
  // Cell 3: the codes for cells 1, -1, -3, -5 -- only cell 1 exists.
  signal(100, 1, 2, 0, 0, 0, 0, 0, 0, 0, 0);
  EXPECT_EQ(cell(3).kind, CellSignal);
  EXPECT_EQ(cell(1).approachCode, 31);
}

TEST_F(Placement, SignalOutsideTheCellsIsAPlatformFailure) {
  const auto before = b.track.trackCells;
  EXPECT_THROW(signal(-100, 2, 4, 0, 0, 0, 0, 0, 0, 0, 0), PlatformFailure);    // cell -1
  EXPECT_THROW(signal(365000, 2, 4, 0, 0, 0, 0, 0, 0, 0, 0), PlatformFailure);  // cell 7301
  EXPECT_TRUE(b.track.trackCells == before);
  signal(364950, 2, 4, 0, 0, 0, 0, 0, 0, 0, 0);  // cell 7300, the last one
  EXPECT_EQ(cell(7300).kind, CellSignal);
}

TEST_F(Placement, SlowdownAt180950) {
  slowdown(180950, 40, 200, 0, 1, 40);
  EXPECT_EQ(b.error.errorNumber, 0);
  EXPECT_EQ(cellsOfKind(CellSlowdownWarning), std::vector<int>{3596});
  EXPECT_EQ(cellsOfKind(CellSlowdownStart), std::vector<int>{3620});
  EXPECT_EQ(cellsOfKind(CellSlowdownEnd), std::vector<int>{3624});
  EXPECT_EQ(cellsOfKind(CellSlowdownApproach), (std::vector<int>{3592, 3593, 3594, 3595}));
  for (int i : {3596, 3620, 3624}) {
    EXPECT_EQ(cell(i).value1, 40) << i;
    EXPECT_EQ(cell(i).value2, 40) << i;
  }
  EXPECT_EQ(cell(3620).value3, 0);
  for (int j = 0; j < 4; ++j) {
    EXPECT_EQ(cell(3595 - j).value1, j + 1);
    EXPECT_EQ(cell(3595 - j).value2, j + 1);
  }
}

TEST_F(Placement, SlowdownWithoutSpeedChangeOrApproach) {
  cell(6499).kind = CellTunnelMarker;  // start cell: free for a slowdown
  cell(6499).value2 = 0;
  slowdown(324900, 60, 200, 1, 0, 0);
  EXPECT_EQ(b.error.errorNumber, 0);
  EXPECT_EQ(cellsOfKind(CellSlowdownWarning), std::vector<int>{6475});
  EXPECT_EQ(cellsOfKind(CellSlowdownStart), std::vector<int>{6499});
  EXPECT_EQ(cellsOfKind(CellSlowdownEnd), std::vector<int>{6503});
  EXPECT_TRUE(cellsOfKind(CellSlowdownApproach).empty());
  EXPECT_EQ(cell(6499).value2, 0);
  EXPECT_EQ(cell(6499).value3, 1);
  EXPECT_EQ(cell(6503).value3, 1);
  EXPECT_EQ(cell(6475).value3, 0);  // f_tt goes to start and end only
}

TEST_F(Placement, WarningAndApproachOnlyBeyond1500) {
  slowdown(1500, 50, 200, 0, 1, 0);
  EXPECT_EQ(b.error.errorNumber, 0);
  EXPECT_TRUE(cellsOfKind(CellSlowdownWarning).empty());
  EXPECT_TRUE(cellsOfKind(CellSlowdownApproach).empty());
  EXPECT_EQ(cellsOfKind(CellSlowdownStart), std::vector<int>{31});
  EXPECT_EQ(cellsOfKind(CellSlowdownEnd), std::vector<int>{35});

  b.track.create(358000, 0);
  slowdown(1550, 50, 200, 0, 1, 0);
  EXPECT_EQ(cellsOfKind(CellSlowdownWarning), std::vector<int>{8});
  EXPECT_EQ(cellsOfKind(CellSlowdownApproach), (std::vector<int>{4, 5, 6, 7}));
  EXPECT_EQ(cellsOfKind(CellSlowdownStart), std::vector<int>{32});
}

TEST_F(Placement, StartAndEndInOneCellEndsAsAStart) {
  slowdown(1000, 30, 20, 1, 0, 10);
  EXPECT_EQ(cellsOfKind(CellSlowdownStart), std::vector<int>{21});
  EXPECT_TRUE(cellsOfKind(CellSlowdownEnd).empty());
  EXPECT_EQ(cell(21).value1, 30);
  EXPECT_EQ(cell(21).value2, 10);
  EXPECT_EQ(cell(21).value3, 1);
}

TEST_F(Placement, OccupiedMainCellsWriteNothing) {
  struct Case {
    int occupied;
    int32_t error;
  } cases[] = {{3596, err::WarningOccupied},
               {3620, err::SlowdownStartOccupied},
               {3624, err::SlowdownEndOccupied}};
  for (const Case& k : cases) {
    b.track.create(358000, 0);
    b.error.errorNumber = 0;
    cell(k.occupied).kind = CellSignal;
    const auto before = b.track.trackCells;
    slowdown(180950, 40, 200, 0, 1, 40);
    EXPECT_EQ(b.error.errorNumber, k.error) << k.occupied;
    EXPECT_TRUE(b.track.trackCells == before) << k.occupied;
  }
}

TEST_F(Placement, OccupiedApproachCellLeavesTheMainCellsWritten) {
  cell(3593).kind = CellReductionPoint;
  slowdown(180950, 40, 200, 0, 1, 40);
  EXPECT_EQ(b.error.errorNumber, err::ApproachOccupied);
  EXPECT_EQ(cell(3596).kind, CellSlowdownWarning);
  EXPECT_EQ(cell(3620).kind, CellSlowdownStart);
  EXPECT_EQ(cell(3624).kind, CellSlowdownEnd);
  EXPECT_EQ(cell(3624).value1, 40);
  EXPECT_TRUE(cellsOfKind(CellSlowdownApproach).empty());
}

TEST_F(Placement, SlowdownEndOutsideTheCellsIsAPlatformFailure) {
  const auto before = b.track.trackCells;
  EXPECT_THROW(slowdown(360000, 40, 5000, 0, 1, 40), PlatformFailure);  // end cell 7301
  EXPECT_TRUE(b.track.trackCells == before);
  EXPECT_EQ(b.error.errorNumber, 0);
}

}  // namespace
}  // namespace sc

#include "compiler/post_pass.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace sc {
namespace {

// A route of length 0: cells 0 to 140, every one free, the post-pass's loop over 1 to 138.
class PostPassTest : public ::testing::Test {
 protected:
  PostPassTest() : b("", "Scenario", "1", 0) { b.track.create(0, 0); }

  TrackCell& cell(int n) { return b.track.trackCells.at(static_cast<size_t>(n)); }
  void put(int n, uint8_t kind, int16_t value1 = 0) {
    cell(n).kind = kind;
    cell(n).value1 = value1;
  }
  // An item that is neither a reduction point nor free.
  void block(int n) { put(n, CellSpeedBoard, 2828); }
  void slowdown(int start, int end, int16_t speed) {
    put(start, CellSlowdownStart, speed);
    if (end >= 0) put(end, CellSlowdownEnd, speed);
  }

  // Cells holding an automatic point (kind 12, value 180), in index order.
  std::vector<int> automaticPoints() {
    std::vector<int> out;
    for (size_t n = 0; n < b.track.trackCells.size(); ++n) {
      const TrackCell& c = b.track.trackCells[n];
      if (c.kind == CellReductionPoint && c.value1 == kAutomaticPointValue)
        out.push_back(static_cast<int>(n));
    }
    return out;
  }
  bool isPoint(int n) { return cell(n).kind == CellReductionPoint; }
  // Cells from `from` up to (not including) `to` holding a reduction point, in index order.
  std::vector<int> pointsBetween(size_t from, size_t to) {
    std::vector<int> out;
    for (size_t n = from; n < to; ++n)
      if (b.track.trackCells[n].kind == CellReductionPoint) out.push_back(static_cast<int>(n));
    return out;
  }
  std::vector<int32_t> faultNumbers() {
    std::vector<int32_t> out;
    for (const Fault& f : b.error.faults) out.push_back(f.number);
    return out;
  }

  Build b;
};

using Cells = std::vector<int>;

// A table of cases, each on a fresh route of its own.
template <class Case>
class PostPassCases : public PostPassTest, public ::testing::WithParamInterface<Case> {};

// --- minimo --------------------------------------------------------------------------------

TEST(Minimo, SmallerValueAndTiesGiveA) {
  EXPECT_EQ(minimo(180, 200), 180);
  EXPECT_EQ(minimo(180, 150), 150);
  EXPECT_EQ(minimo(180, 180), 180);
  // 0.0 and -0.0 compare equal: the result is a, with its sign.
  EXPECT_FALSE(std::signbit(minimo(0.0, -0.0)));
  EXPECT_TRUE(std::signbit(minimo(-0.0, 0.0)));
}

// --- rule A: signals before a warning board -------------------------------------------------

TEST_F(PostPassTest, SignalBeforeBoardGetsAPointInTheCellBeforeIt) {
  put(30, CellSlowdownWarning, 60);
  put(25, CellSignal, 11);
  postPass(b);
  EXPECT_EQ(automaticPoints(), (Cells{24}));
  EXPECT_EQ(cell(23).kind, CellFree);
  EXPECT_EQ(b.error.errorNumber, 0);
  EXPECT_EQ(cell(25).kind, CellSignal);
  EXPECT_EQ(cell(30).kind, CellSlowdownWarning);
}

TEST_F(PostPassTest, TwoAdjacentSignalsGetPointsAt23And22) {
  put(30, CellSlowdownWarning, 60);
  put(25, CellSignal, 11);
  put(24, CellSignal, 12);
  postPass(b);
  EXPECT_EQ(automaticPoints(), (Cells{22, 23}));
  EXPECT_EQ(cell(24).kind, CellSignal);
  EXPECT_EQ(cell(24).value1, 12);
}

struct CapCase {
  uint8_t kind24;
  int16_t value24;
  uint8_t kind23;
  int16_t value23;
  int16_t expect24;
  int16_t expect23;
  uint8_t expectKind23;
};
using ExistingReductionPoint = PostPassCases<CapCase>;

TEST_P(ExistingReductionPoint, IsCappedOnlyWhenNoCellIsFree) {
  const CapCase& c = GetParam();
  auto& cells = b.track.trackCells;
  cells[30].kind = CellSlowdownWarning;
  cells[25].kind = CellSignal;
  cells[24].kind = c.kind24;
  cells[24].value1 = c.value24;
  cells[23].kind = c.kind23;
  cells[23].value1 = c.value23;
  postPass(b);
  SCOPED_TRACE(testing::Message() << "24=" << int(c.kind24) << "/" << c.value24
                                  << " 23=" << int(c.kind23) << "/" << c.value23);
  EXPECT_EQ(cells[24].kind, c.kind24);
  EXPECT_EQ(cells[24].value1, c.expect24);
  EXPECT_EQ(cells[23].kind, c.expectKind23);
  EXPECT_EQ(cells[23].value1, c.expect23);
  EXPECT_EQ(cells[22].kind, CellFree);
  EXPECT_EQ(b.error.errorNumber, 0);
}

INSTANTIATE_TEST_SUITE_P(
    PostPassTest, ExistingReductionPoint,
    ::testing::ValuesIn(std::vector<CapCase>{
        // 24 a point with 200, 23 another item: 24 is capped to 180.
        {CellReductionPoint, 200, CellSpeedBoard, 2828, 180, 2828, CellSpeedBoard},
        // With 150 it stays 150.
        {CellReductionPoint, 150, CellSpeedBoard, 2828, 150, 2828, CellSpeedBoard},
        // 23 free: a new point in 23 wins over capping; 24 keeps its 200.
        {CellReductionPoint, 200, CellFree, 0, 200, 180, CellReductionPoint},
        // 24 another item, 23 a point with 200: 23 is capped.
        {CellSpeedBoard, 2828, CellReductionPoint, 200, 2828, 180, CellReductionPoint},
        // Both cells points: the nearer one (24) is capped, 23 keeps its value.
        {CellReductionPoint, 300, CellReductionPoint, 250, 180, 250, CellReductionPoint},
    }));

TEST_F(PostPassTest, BlockedSignalRecordsError11AndTheLookBackGoesOn) {
  put(30, CellSlowdownWarning, 60);
  put(25, CellSignal, 11);
  block(24);
  block(23);
  put(15, CellSignal, 11);
  postPass(b);
  EXPECT_EQ(b.error.errorNumber, err::SignalNoPoint);
  EXPECT_EQ(b.error.errorPosition, 1250);
  ASSERT_EQ(b.error.faults.size(), 1u);
  ASSERT_TRUE(b.error.faults[0].position);
  EXPECT_EQ(*b.error.faults[0].position, 1250);
  EXPECT_TRUE(b.error.faults[0].place.file.empty());
  EXPECT_EQ(automaticPoints(), (Cells{14}));  // the signal further back is still served
  EXPECT_EQ(cell(24).value1, 2828);
  EXPECT_EQ(cell(23).value1, 2828);
}

struct LookBackCase {
  int board;
  int signal;
  int expectPoint;  // -1: the signal is not looked at
};
using LookBack = PostPassCases<LookBackCase>;

TEST_P(LookBack, CoversTwentyCellsDownToCell3) {
  const LookBackCase& c = GetParam();
  auto& cells = b.track.trackCells;
  cells[static_cast<size_t>(c.board)].kind = CellSlowdownWarning;
  cells[static_cast<size_t>(c.signal)].kind = CellSignal;
  postPass(b);
  SCOPED_TRACE(testing::Message() << "board " << c.board << " signal " << c.signal);
  for (size_t n = 0; n < cells.size(); ++n) {
    bool expected = static_cast<int>(n) == c.expectPoint;
    EXPECT_EQ(cells[n].kind == CellReductionPoint, expected) << "cell " << n;
  }
}

INSTANTIATE_TEST_SUITE_P(PostPassTest, LookBack,
                         ::testing::ValuesIn(std::vector<LookBackCase>{
                             {10, 9, 8},
                             {10, 3, 2},
                             {10, 2, -1},  // board at 10: only 9 down to 3 (k = 1 to 7)
                             {30, 10, 9},
                             {30, 9, -1},   // k = 20 is looked at, k = 21 is not
                             {4, 3, 2},     // k = 1 is the only one
                             {30, 31, -1},  // a signal beyond the board is not looked at
                         }));

TEST_F(PostPassTest, SignalAt3WithCell2TakenUsesCell1) {
  put(10, CellSlowdownWarning, 60);
  put(3, CellSignal, 11);
  block(2);
  postPass(b);
  EXPECT_EQ(automaticPoints(), (Cells{1}));
  EXPECT_EQ(cell(0).kind, CellFree);
}

TEST_F(PostPassTest, TunnelMarkerCountsAsFreeAndOnlyKindAndValue1Change) {
  put(30, CellSlowdownWarning, 60);
  put(25, CellSignal, 11);
  TrackCell before{CellTunnelMarker, 0, 7, 8, 9, 10, 83, 12, 28, 106, 3};
  cell(24) = before;
  postPass(b);
  TrackCell expected = before;
  expected.kind = CellReductionPoint;
  expected.value1 = 180;
  EXPECT_EQ(cell(24), expected);
}

// --- rule B: bands before a slowdown start --------------------------------------------------

struct BandCase {
  int start;
  Cells points;
};
using Bands = PostPassCases<BandCase>;

TEST_P(Bands, DependOnTheStartCell) {
  const BandCase& c = GetParam();
  b.track.trackCells[static_cast<size_t>(c.start)].kind = CellSlowdownStart;
  b.track.trackCells[static_cast<size_t>(c.start)].value1 = 150;  // fast: no rule C/D
  postPass(b);
  Cells got;
  for (size_t n = 0; n < b.track.trackCells.size(); ++n) {
    const TrackCell& cl = b.track.trackCells[n];
    if (cl.kind == CellReductionPoint) {
      EXPECT_EQ(cl.value1, 180);
      got.push_back(static_cast<int>(n));
    }
  }
  EXPECT_EQ(got, c.points) << "start " << c.start;
  EXPECT_EQ(b.error.errorNumber, 0) << "start " << c.start;
}

INSTANTIATE_TEST_SUITE_P(PostPassTest, Bands,
                         ::testing::ValuesIn(std::vector<BandCase>{
                             {7, {}},
                             {8, {3}},
                             {13, {8}},
                             {14, {3, 9}},
                             {20, {9, 15}},
                             {21, {3, 10, 16}},
                         }));

TEST_F(PostPassTest, BandTakesTheFirstFreeCellOfItsThree) {
  slowdown(60, -1, 150);
  block(55);  // band 1: 55 taken -> 54
  block(49);  // band 2: 49 and 48 taken -> 47
  block(48);
  postPass(b);
  EXPECT_EQ(automaticPoints(), (Cells{42, 47, 54}));
  EXPECT_EQ(b.error.errorNumber, 0);
}

TEST_F(PostPassTest, FullBandRecordsError12AndTheOtherBandsStillGetPoints) {
  slowdown(60, -1, 150);
  block(49);
  block(48);
  block(47);
  postPass(b);
  EXPECT_EQ(b.error.errorNumber, err::BandNotFree);
  EXPECT_EQ(b.error.errorPosition, 3000);
  EXPECT_EQ(automaticPoints(), (Cells{42, 55}));
}

// --- rule C: points inside a slow slowdown --------------------------------------------------

TEST_F(PostPassTest, SlowSlowdownGetsPointsEveryEightCells) {
  slowdown(100, 120, 40);
  postPass(b);
  EXPECT_EQ(automaticPoints(), (Cells{82, 89, 95, 108, 116}));
  EXPECT_EQ(b.error.errorNumber, 0);
}

struct SpeedCase {
  int16_t speed;
  Cells points;
};
using SpeedThreshold = PostPassCases<SpeedCase>;

TEST_P(SpeedThreshold, Is110) {
  const SpeedCase& c = GetParam();
  auto& cells = b.track.trackCells;
  cells[100] = TrackCell{CellSlowdownStart, c.speed};
  cells[120] = TrackCell{CellSlowdownEnd, c.speed};
  cells[125].kind = CellSignal;  // rule D would place 124 for a slow slowdown
  postPass(b);
  Cells got = pointsBetween(0, cells.size());
  Cells expected = c.points;
  if (c.speed < 110) expected.push_back(124);
  EXPECT_EQ(got, expected) << "speed " << c.speed;
}

INSTANTIATE_TEST_SUITE_P(PostPassTest, SpeedThreshold,
                         ::testing::ValuesIn(std::vector<SpeedCase>{
                             {110, {82, 89, 95}},
                             {109, {82, 89, 95, 108, 116}},
                         }));

struct FollowCase {
  const char* name;
  Cells blocked;
  Cells points;  // inside the slowdown (the bands are always 82, 89, 95)
};
using PointsFollow = PostPassCases<FollowCase>;

TEST_P(PointsFollow, ThePointActuallyPlaced) {
  const FollowCase& c = GetParam();
  auto& cells = b.track.trackCells;
  cells[100] = TrackCell{CellSlowdownStart, 40};
  cells[120] = TrackCell{CellSlowdownEnd, 40};
  for (int n : c.blocked) cells[static_cast<size_t>(n)].kind = CellSignal;
  postPass(b);
  Cells got = pointsBetween(101, 120);
  EXPECT_EQ(got, c.points) << c.name;
  EXPECT_EQ(b.error.errorNumber, 0) << c.name;
}

INSTANTIATE_TEST_SUITE_P(PostPassTest, PointsFollow,
                         ::testing::ValuesIn(std::vector<FollowCase>{
                             {"cell 108 taken, 107 free", {108}, {107, 115}},
                             {"108 and 107 taken, 109 free", {107, 108}, {109, 117}},
                             {"116 taken", {116}, {108, 115}},
                         }));

TEST_F(PostPassTest, NoFreeCellInsideRecordsError13AndNoFurtherPoint) {
  slowdown(100, 130, 40);
  block(107);
  block(108);
  block(109);
  postPass(b);
  EXPECT_EQ(b.error.errorNumber, err::SlowdownNoPoint);
  EXPECT_EQ(b.error.errorPosition, 5400);
  for (int n = 101; n < 130; ++n) EXPECT_FALSE(isPoint(n)) << n;
}

TEST_F(PostPassTest, EndCellTakesPartWhenTheCountReachesEightThere) {
  // Slowdown 100 to 108: the point due at 108 falls on the end cell.
  slowdown(100, 108, 40);
  postPass(b);
  EXPECT_TRUE(isPoint(107));
  EXPECT_EQ(cell(108).kind, CellSlowdownEnd);
  EXPECT_FALSE(isPoint(109));
}

TEST_F(PostPassTest, EndCellAndTheCellBeforeTakenPutsThePointJustAfterTheEnd) {
  slowdown(100, 108, 40);
  block(107);
  postPass(b);
  EXPECT_TRUE(isPoint(109));
  EXPECT_EQ(cell(108).kind, CellSlowdownEnd);
  EXPECT_EQ(b.error.errorNumber, 0);
}

TEST_F(PostPassTest, WalkWithoutEndStopsAtLastCell) {
  // The end is lost (start and end in one cell): the walk runs to lastCell (140).
  slowdown(125, -1, 40);
  postPass(b);
  EXPECT_EQ(b.track.trackCells.size(), 141u);
  EXPECT_TRUE(isPoint(133));
  EXPECT_EQ(b.error.errorNumber, 0);
}

TEST_F(PostPassTest, PointDueAtLastCellWithNoRoomRecordsError13) {
  // The point is due at 140 = lastCell; 140 and 139 are taken and 141 does not exist.
  slowdown(132, -1, 40);
  block(140);
  block(139);
  postPass(b);
  EXPECT_EQ(b.track.trackCells.size(), 141u);
  EXPECT_EQ(b.error.errorNumber, err::SlowdownNoPoint);
  EXPECT_EQ(b.error.errorPosition, 7000);
  for (int n = 133; n <= 140; ++n) EXPECT_FALSE(isPoint(n)) << n;
}

TEST_F(PostPassTest, PointDueAtLastCellTakesItWhenFree) {
  slowdown(132, -1, 40);
  postPass(b);
  EXPECT_TRUE(isPoint(140));
}

TEST_F(PostPassTest, StartAtTheLastVisitedCellIsWalkedSafely) {
  // lastCell - 2 = 138 is the last cell the loop visits; 139 and 140 are never visited.
  slowdown(138, -1, 40);
  put(139, CellSlowdownWarning, 40);
  put(140, CellSlowdownStart, 40);
  put(137, CellSignal, 11);
  postPass(b);
  EXPECT_EQ(b.error.errorNumber, 0);
  EXPECT_EQ(automaticPoints(), (Cells{120, 127, 133}));  // only the bands of 138
}

// --- rule D: the first signal after the end -------------------------------------------------

struct AfterEndCase {
  const char* name;
  Cells signals;
  Cells blocked;
  int expectPoint;  // -1: none after the end
  int32_t error;
};
using PointAfterTheEnd = PostPassCases<AfterEndCase>;

TEST_P(PointAfterTheEnd, StandsBeforeTheFirstSignal) {
  const AfterEndCase& c = GetParam();
  auto& cells = b.track.trackCells;
  cells[100] = TrackCell{CellSlowdownStart, 40};
  cells[120] = TrackCell{CellSlowdownEnd, 40};
  for (int n : c.signals) cells[static_cast<size_t>(n)].kind = CellSignal;
  for (int n : c.blocked) cells[static_cast<size_t>(n)].kind = CellSpeedBoard;
  postPass(b);
  Cells got = pointsBetween(117, cells.size());
  Cells expected;
  if (c.expectPoint >= 0) expected.push_back(c.expectPoint);
  EXPECT_EQ(got, expected) << c.name;
  EXPECT_EQ(b.error.errorNumber, c.error) << c.name;
  if (c.error != 0) {
    EXPECT_EQ(b.error.errorPosition, 6000) << c.name;
  }
}

INSTANTIATE_TEST_SUITE_P(
    PostPassTest, PointAfterTheEnd,
    ::testing::ValuesIn(std::vector<AfterEndCase>{
        {"signal at 125, 124 free", {125}, {}, 124, 0},
        {"124 taken, 123 free", {125}, {124}, 123, 0},
        {"124 and 123 taken", {125}, {124, 123}, -1, err::SlowdownNoPoint},
        {"only the first signal", {125, 128}, {}, 124, 0},
        {"signal at 132 (end + 12)", {132}, {}, 131, 0},
        {"signal at 133 is out of reach", {133}, {}, -1, 0},
        {"signal right after the end: 120 taken, point at 119", {121}, {}, 119, 0},
    }));

TEST_F(PostPassTest, FastSlowdownGetsNoPointAfterItsEnd) {
  slowdown(100, 120, 110);
  put(125, CellSignal, 11);
  postPass(b);
  EXPECT_FALSE(isPoint(124));
}

TEST_F(PostPassTest, RuleDSearchesFromTheEndCell) {
  // A signal inside the slowdown is not the first signal after its end.
  put(40, CellSlowdownWarning, 60);
  slowdown(100, 120, 40);
  put(105, CellSignal, 11);
  put(126, CellSignal, 11);
  postPass(b);
  EXPECT_TRUE(isPoint(125));
  EXPECT_FALSE(isPoint(104));
  EXPECT_FALSE(isPoint(103));
  EXPECT_EQ(automaticPoints(), (Cells{82, 89, 95, 108, 116, 125}));
}

// --- the record ------------------------------------------------------------------------------

TEST_F(PostPassTest, LaterFaultOverwritesTheRecordAndAllAreKept) {
  put(30, CellSlowdownWarning, 60);
  put(25, CellSignal, 11);
  block(24);
  block(23);
  slowdown(60, -1, 150);
  block(55);
  block(54);
  block(53);
  postPass(b);
  EXPECT_EQ(faultNumbers(), (std::vector<int32_t>{err::SignalNoPoint, err::BandNotFree}));
  EXPECT_EQ(b.error.errorNumber, err::BandNotFree);
  EXPECT_EQ(b.error.errorPosition, 3000);
}

TEST_F(PostPassTest, NeverOverwritesAPlacedItem) {
  // Every cell holds an item: nothing may change, only errors are recorded.
  for (size_t n = 0; n < b.track.trackCells.size(); ++n) block(static_cast<int>(n));
  put(30, CellSlowdownWarning, 60);
  put(25, CellSignal, 11);
  slowdown(100, 120, 40);
  put(125, CellSignal, 11);
  std::vector<TrackCell> before = b.track.trackCells;
  postPass(b);
  EXPECT_EQ(b.track.trackCells, before);
  EXPECT_EQ(faultNumbers(),
            (std::vector<int32_t>{err::SignalNoPoint, err::BandNotFree, err::BandNotFree,
                                  err::BandNotFree, err::SlowdownNoPoint, err::SlowdownNoPoint}));
  EXPECT_EQ(b.error.errorPosition, 6000);
}

TEST_F(PostPassTest, BuildWithoutCellsIsLeftAlone) {
  Build empty("", "Scenario", "1", 0);
  postPass(empty);
  EXPECT_FALSE(empty.track.hasCells());
  EXPECT_EQ(empty.error.errorNumber, 0);
}

}  // namespace
}  // namespace sc

#include "compiler/post_pass.h"

#include "compiler/rules.h"

namespace sc {
namespace {

constexpr int32_t kSignalLookBack = 20;        // rule A: cells looked at before a board
constexpr int32_t kLowestSignalCell = 3;       // rule A: i - k must stay at or above it
constexpr int16_t kSlowSlowdownBelow = 110;    // rules C and D: slowdowns below this speed
constexpr int32_t kPointSpacing = 8;           // rule C: cells between two points
constexpr int32_t kSignalSearchAfterEnd = 12;  // rule D: cells searched after the end

// A band of three cells before a slowdown start: used when the start lies above `guard`,
// tried from `nearest` going back.
struct Band {
  int32_t guard;
  int32_t nearest;
};
constexpr Band kBands[] = {{7, 5}, {13, 11}, {20, 18}};

class PostPass {
 public:
  explicit PostPass(Build& b) : b_(b), cells_(b.track.trackCells), last_(b.track.lastCell) {}

  void run() {
    const int32_t u = last_;  // taken once, before the loop
    for (int32_t i = 1; i <= u - 2; ++i) {
      if (!exists(i)) break;
      switch (cells_[static_cast<size_t>(i)].kind) {
        case CellSlowdownWarning:
          signalsBeforeBoard(i);
          break;
        case CellSlowdownStart:
          bandsBeforeStart(i);
          if (cells_[static_cast<size_t>(i)].value1 < kSlowSlowdownBelow) {
            int32_t end = pointsInsideSlowdown(i);
            pointBeforeNextSignal(end, i);
          }
          break;
        default:
          break;
      }
    }
  }

 private:
  // Cells outside the array (below 0 or beyond lastCell) exist for no rule: they are never
  // free, never hold an item and nothing is placed there.
  bool exists(int64_t n) const { return n >= 0 && n <= last_ && b_.track.inCells(n); }
  bool isFree(int64_t n) const { return exists(n) && !isOccupied(cell(n)); }
  bool hasKind(int64_t n, uint8_t kind) const { return exists(n) && cell(n).kind == kind; }
  const TrackCell& cell(int64_t n) const { return cells_[static_cast<size_t>(n)]; }

  // Only ever called on a free cell: kind and value1 change, nothing else. The point serves
  // the signal or slowdown start of cell forCell, by the given rule.
  void placePoint(int64_t n, char rule, int64_t forCell) {
    TrackCell& c = cells_[static_cast<size_t>(n)];
    c.kind = CellReductionPoint;
    c.value1 = kAutomaticPointValue;
    b_.markAutomatic(n, rule, forCell);
  }

  void capPoint(int64_t n) {
    TrackCell& c = cells_[static_cast<size_t>(n)];
    c.value1 = static_cast<int16_t>(roundHalfEven(minimo(kAutomaticPointValue, c.value1)));
  }

  // A fault at cellIndex, placed at the row of the signal or slowdown of cell itemCell, with
  // a note for each occupied cell among those it could not use.
  void fault(int32_t number, int64_t cellIndex, int64_t itemCell,
             std::initializer_list<int64_t> blocked) {
    Fault& f = b_.recordFault(number, static_cast<int32_t>(cellToMetres(cellIndex)),
                              b_.rowOf(itemCell), {}, cellIndex);
    for (int64_t n : blocked) b_.addOccupantNote(f, n);
  }

  // Rule A: every signal in the 20 cells before the warning board in cell i gets a reduction
  // point in one of the two cells before it, or has an existing one capped at 180.
  void signalsBeforeBoard(int32_t i) {
    for (int32_t k = 1; k <= kSignalLookBack; ++k) {
      const int32_t s = i - k;
      if (s < kLowestSignalCell) break;
      if (!hasKind(s, CellSignal)) continue;
      if (isFree(s - 1)) {
        placePoint(s - 1, 'A', s);
      } else if (isFree(s - 2)) {
        placePoint(s - 2, 'A', s);
      } else if (hasKind(s - 1, CellReductionPoint)) {
        capPoint(s - 1);
      } else if (hasKind(s - 2, CellReductionPoint)) {
        capPoint(s - 2);
      } else {
        fault(err::SignalNoPoint, s, s, {s - 1, s - 2});
      }
    }
  }

  // Rule B: a point in each of the three bands before the slowdown start in cell i.
  void bandsBeforeStart(int32_t i) {
    for (const Band& band : kBands) {
      if (i <= band.guard) continue;
      bool placed = false;
      for (int32_t d = band.nearest; d <= band.nearest + 2 && !placed; ++d) {
        if (isFree(i - d)) {
          placePoint(i - d, 'B', i);
          placed = true;
        }
      }
      if (!placed) {
        fault(err::BandNotFree, i, i,
              {i - band.nearest, i - band.nearest - 1, i - band.nearest - 2});
      }
    }
  }

  // Rule C: a point every 8 cells inside the slow slowdown starting in cell i, counted from
  // the point actually placed. Returns the cell the walk ended on: the slowdown's end cell, or
  // lastCell when the walk meets no end before it.
  int32_t pointsInsideSlowdown(int32_t i) {
    int32_t c = 0;
    int32_t j = i;
    for (;;) {
      ++j;
      ++c;
      if (c == kPointSpacing) {
        if (isFree(j)) {
          placePoint(j, 'C', i);
          c = 0;
        } else if (isFree(j - 1)) {
          placePoint(j - 1, 'C', i);
          c = 1;
        } else if (isFree(j + 1)) {
          placePoint(j + 1, 'C', i);
          c = -1;
        } else {
          // c stays 8: the next step makes it 9 and no further point is due in this slowdown.
          fault(err::SlowdownNoPoint, j, i, {j - 1, j, j + 1});
        }
      }
      if (hasKind(j, CellSlowdownEnd) || j >= last_) return j;
    }
  }

  // Rule D: a point in front of the first signal within 12 cells from the end cell j.
  void pointBeforeNextSignal(int32_t j, int32_t start) {
    for (int32_t m = j; m <= j + kSignalSearchAfterEnd && exists(m); ++m) {
      if (!hasKind(m, CellSignal)) continue;
      const int32_t t = m - 1;
      if (t > 0) {
        if (isFree(t)) {
          placePoint(t, 'D', start);
        } else if (isFree(t - 1)) {
          placePoint(t - 1, 'D', start);
        } else {
          fault(err::SlowdownNoPoint, j, start, {t, t - 1});
        }
      }
      return;
    }
  }

  Build& b_;
  std::vector<TrackCell>& cells_;
  const int32_t last_;
};

}  // namespace

void postPass(Build& b) {
  if (!b.track.hasCells()) return;
  PostPass(b).run();
}

double minimo(double a, double b) {
  return a > b ? b : a;
}

}  // namespace sc

#include "compiler/placement.h"

#include <string>

#include "compiler/field_stream.h"
#include "compiler/rules.h"

namespace sc {
namespace {

// A point item must lie inside the cells; a write outside them is a platform failure, raised
// before anything of the item is written. The reader adds the row's place.
void requireCell(const Build& b, int64_t cell, const char* what) {
  if (!b.track.inCells(cell)) {
    throw PlatformFailure(std::string(what) + " would lie in cell " + std::to_string(cell) +
                              ", outside the cells 0 to " +
                              std::to_string(static_cast<int64_t>(b.track.trackCells.size()) - 1),
                          SourcePlace{});
  }
}

}  // namespace

void memo_segnale(Build& b, int32_t posizione, int32_t& sx, int32_t& s1, int32_t& s2, int32_t& s3,
                  int32_t& rapp, int32_t& dx, int32_t& d1, int32_t& d2, int32_t& d3,
                  int32_t& tempo) {
  const int64_t c = pointCell(posizione);
  requireCell(b, c, "the signal");
  TrackCell& cell = b.track.trackCells[static_cast<size_t>(c)];
  if (isOccupied(cell)) {
    b.error.errorNumber = err::SignalOccupied;
    return;
  }
  cell.kind = CellSignal;
  cell.value4 = low16(int64_t{rapp} * 10 + int64_t{sx} * 3 + dx);
  cell.value1 = low16(int64_t{s1} * 10 + d1);
  cell.value2 = low16(int64_t{s2} * 10 + d2);
  cell.value3 = low16(int64_t{s3} * 10 + d3);
  if (tempo >= 1 && tempo <= 100) tempo = 101;
  cell.signalTime = sx == 2 ? low8(tempo) : 0;
  // Approach codes 2, 4, 6 and 8 cells before the signal, whatever those cells hold; the
  // ones that would fall before the first cell are left out.
  for (int32_t step = 1; step <= 4; ++step) {
    const int64_t a = c - 2 * step;
    if (!b.track.inCells(a)) continue;
    b.track.trackCells[static_cast<size_t>(a)].approachCode =
        low8(int64_t{sx} * 30 + int64_t{dx} * 10 + step);
  }
}

void memo_rallentamento(Build& b, int32_t x, int32_t& v, int32_t& l, int32_t& f_tt, int32_t f_ta,
                        int32_t& d_v) {
  auto& cells = b.track.trackCells;
  auto at = [&cells](int64_t i) -> TrackCell& { return cells[static_cast<size_t>(i)]; };

  const bool warned = x > 1500;
  if (!warned) f_ta = 0;
  const int64_t wc = pointCell(static_cast<double>(x) - 1200.0);
  const int64_t sc = pointCell(x);
  const int64_t ec = pointCell(static_cast<double>(x) + static_cast<double>(l));
  const int64_t h = boundaryCell(static_cast<double>(x) - 1200.0);

  // Every cell of the slowdown must lie inside the cells before anything of it is written.
  if (warned) requireCell(b, wc, "the slowdown's warning board");
  requireCell(b, sc, "the slowdown's start");
  requireCell(b, ec, "the slowdown's end");
  if (f_ta != 0) {
    for (int64_t j = 0; j < 4; ++j) requireCell(b, h - j, "the slowdown's approach cell");
  }

  if (warned && isOccupied(at(wc))) {
    b.error.errorNumber = err::WarningOccupied;
    return;
  }
  if (isOccupied(at(sc))) {
    b.error.errorNumber = err::SlowdownStartOccupied;
    return;
  }
  if (isOccupied(at(ec))) {
    b.error.errorNumber = err::SlowdownEndOccupied;
    return;
  }

  at(ec).kind = CellSlowdownEnd;
  if (d_v != 0) at(ec).value2 = low16(d_v);
  // Start and end in one cell: the cell ends as a start.
  at(sc).kind = CellSlowdownStart;
  if (d_v != 0) at(sc).value2 = low16(d_v);
  if (warned) {
    at(wc).kind = CellSlowdownWarning;
    if (d_v != 0) at(wc).value2 = low16(d_v);
    at(wc).value1 = low16(v);
  }
  at(sc).value1 = low16(v);
  at(ec).value1 = low16(v);
  at(sc).value3 = low16(f_tt);
  at(ec).value3 = low16(f_tt);

  if (f_ta == 0) return;
  for (int64_t j = 0; j < 4; ++j) {
    if (isOccupied(at(h - j))) {
      // The end, start and warning cells written above stay.
      b.error.errorNumber = err::ApproachOccupied;
      return;
    }
  }
  for (int64_t j = 0; j < 4; ++j) {
    TrackCell& cell = at(h - j);
    cell.kind = CellSlowdownApproach;
    cell.value1 = low16(j + 1);
    if (d_v != 0) cell.value2 = low16(j + 1);
  }
}

}  // namespace sc

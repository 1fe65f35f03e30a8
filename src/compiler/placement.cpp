#include "compiler/placement.h"

#include <string>

#include "compiler/field_stream.h"
#include "compiler/packing.h"
#include "compiler/rules.h"

namespace sc {
namespace {

// A point item must lie inside the cells; the reader adds the row's place to the failure.
void requireCell(const Build& b, int64_t cell, const char* what) {
  sc::requireCell(b.track.trackCells, cell, what, SourcePlace{});
}

// A mountain starting this close (or closer) after the previous one's end is of type 3.
constexpr int64_t kMountainGap = 150;
constexpr int32_t kJoinedMountainType = 3;
constexpr int32_t kMarkerTypeOffset = 10;

}  // namespace

void memo_segnale(Build& b, int32_t posizione, int32_t& sx, int32_t& s1, int32_t& s2, int32_t& s3,
                  int32_t& rapp, int32_t& dx, int32_t& d1, int32_t& d2, int32_t& d3,
                  int32_t& tempo) {
  const int64_t c = pointCell(posizione);
  requireCell(b, c, "the signal");
  TrackCell& cell = b.track.trackCells[static_cast<size_t>(c)];
  if (isOccupied(cell)) {
    b.addOccupantNote(b.recordFault(err::SignalOccupied, std::nullopt, b.row, {}, c), c);
    return;
  }
  cell.kind = CellSignal;
  b.markOrigin(c);
  cell.value4 = low16(packing::signalHead(rapp, sx, dx));
  cell.value1 = low16(packing::signalAspect(s1, d1));
  cell.value2 = low16(packing::signalAspect(s2, d2));
  cell.value3 = low16(packing::signalAspect(s3, d3));
  if (tempo >= 1 && tempo <= 100) tempo = 101;
  cell.signalTime = sx == 2 ? low8(tempo) : 0;
  // Approach codes 2, 4, 6 and 8 cells before the signal, whatever those cells hold; the
  // ones that would fall before the first cell are left out.
  for (int32_t step = 1; step <= 4; ++step) {
    const int64_t a = c - 2 * step;
    if (!b.track.inCells(a)) continue;
    b.track.trackCells[static_cast<size_t>(a)].approachCode =
        low8(packing::signalApproachCode(sx, dx, step));
  }
}

void memo_rallentamento(Build& b, int32_t x, int32_t& v, int32_t& l, int32_t& f_tt, int32_t f_ta,
                        int32_t& d_v) {
  auto& cells = b.track.trackCells;
  auto at = [&cells](int64_t i) -> TrackCell& { return cells[static_cast<size_t>(i)]; };

  const bool warned = x > kWarnedSlowdownStart;
  if (!warned) f_ta = 0;
  // Each cell is tested against the array where it is first used: the warning and start cells
  // before the end cell is even looked at, the approach cells only after the main items.
  auto occupied = [&b, &at](int64_t c, int32_t number) {
    if (!isOccupied(at(c))) return false;
    b.addOccupantNote(b.recordFault(number, std::nullopt, b.row, {}, c), c);
    return true;
  };
  const int64_t wc = pointCell(static_cast<double>(x) - kWarningBoardDistance);
  if (warned) {
    requireCell(b, wc, "the slowdown's warning board");
    if (occupied(wc, err::WarningOccupied)) return;
  }
  const int64_t sc = pointCell(x);
  requireCell(b, sc, "the slowdown's start");
  if (occupied(sc, err::SlowdownStartOccupied)) return;
  const int64_t ec = pointCell(static_cast<double>(x) + static_cast<double>(l));
  requireCell(b, ec, "the slowdown's end");
  if (occupied(ec, err::SlowdownEndOccupied)) return;

  at(ec).kind = CellSlowdownEnd;
  b.markOrigin(ec);
  if (d_v != 0) at(ec).value2 = low16(d_v);
  // Start and end in one cell: the cell ends as a start.
  at(sc).kind = CellSlowdownStart;
  b.markOrigin(sc);
  if (d_v != 0) at(sc).value2 = low16(d_v);
  if (warned) {
    at(wc).kind = CellSlowdownWarning;
    b.markOrigin(wc);
    if (d_v != 0) at(wc).value2 = low16(d_v);
    at(wc).value1 = low16(v);
  }
  at(sc).value1 = low16(v);
  at(ec).value1 = low16(v);
  at(sc).value3 = low16(f_tt);
  at(ec).value3 = low16(f_tt);

  if (f_ta == 0) return;
  const int64_t h = boundaryCell(static_cast<double>(x) - kWarningBoardDistance);
  for (int64_t j = 0; j < 4; ++j) requireCell(b, h - j, "the slowdown's approach cell");
  for (int64_t j = 0; j < 4; ++j) {
    // The end, start and warning cells written above stay.
    if (occupied(h - j, err::ApproachOccupied)) return;
  }
  for (int64_t j = 0; j < 4; ++j) {
    TrackCell& cell = at(h - j);
    cell.kind = CellSlowdownApproach;
    b.markOrigin(h - j);
    cell.value1 = low16(j + 1);
    if (d_v != 0) cell.value2 = low16(j + 1);
  }
}

void memo_montagna(Build& b, MountainList& mountains, int32_t& inizio, int32_t& fine,
                   int32_t& tipo) {
  const bool markerFlag = tipo > kMarkerTypeOffset;
  if (markerFlag) tipo -= kMarkerTypeOffset;
  ++mountains.ordinal;
  const int32_t previousFine = mountains.previousFine;
  mountains.previousFine = fine;
  if (mountains.ordinal > 1 && static_cast<int64_t>(inizio) - previousFine <= kMountainGap) {
    tipo = kJoinedMountainType;
  }

  // Cells first to last, counted c = 1, 2, ... from the first; the part outside the array is
  // cut off without changing the count of the cells inside it.
  const int64_t first = boundaryCell(inizio);
  const int64_t last = roundHalfEven(static_cast<double>(fine) / double{kMetresPerCell} - 1.0);
  const int64_t from = std::max<int64_t>(first, 0);
  const int64_t to = std::min<int64_t>(last, static_cast<int64_t>(b.track.trackCells.size()) - 1);
  for (int64_t i = from; i <= to; ++i) {
    TrackCell& cell = b.track.trackCells[static_cast<size_t>(i)];
    cell.mountainType = static_cast<uint8_t>(tipo);
    const int64_t c = i - first + 1;
    if (markerFlag && c % 4 == 0 && cell.kind == CellFree) cell.kind = CellTunnelMarker;
  }
}

void memo_indicatori_v_max(Build& b, int32_t posizione, const int32_t& vas, const int32_t& vbs,
                           const int32_t& vcs, const int16_t& strisces, const int32_t& vad,
                           const int32_t& vbd, const int32_t& vcd, const int16_t& strisced,
                           const SourcePlace& place) {
  const int64_t c = pointCell(posizione);
  if (!b.track.inCells(c)) {
    throw PlatformFailure(
        "the speed board at " + std::to_string(posizione) + " m falls outside the cells", place);
  }
  TrackCell& cell = b.track.trackCells[static_cast<size_t>(c)];
  if (isOccupied(cell)) {
    b.addOccupantNote(b.recordFault(err::SpeedBoardOccupied, posizione, place, {}, c), c);
    return;
  }
  auto pack = [&place](int32_t left, int32_t right) {
    return narrow<int16_t>(packing::speedPair(left, right), "the speed pair value", place);
  };
  const int16_t value1 = pack(vas, vad);
  const int16_t value2 = pack(vbs, vbd);
  const int16_t value3 = pack(vcs, vcd);
  const int16_t value4 =
      narrow<int16_t>(packing::stripeValue(strisces, strisced), "the stripe value", place);
  cell.kind = CellSpeedBoard;
  b.markOrigin(c);
  cell.value1 = value1;
  cell.value2 = value2;
  cell.value3 = value3;
  cell.value4 = value4;
}

}  // namespace sc

#include "compiler/train_reader.h"

#include <algorithm>
#include <limits>
#include <optional>
#include <string>

#include "compiler/field_stream.h"
#include "compiler/file_io.h"
#include "compiler/keywords.h"
#include "compiler/packing.h"
#include "compiler/placement.h"
#include "compiler/rules.h"

namespace sc {
namespace {

class TrainReader {
 public:
  TrainReader(Build& b, std::filesystem::path file, std::string content)
      : b_(b), file_(std::move(file)), s_(file_.filename().string(), std::move(content)) {}

  void run() {
    if (findGeneralSection()) {
      Next next = Next::Row;
      while (next == Next::Row) next = b_.recovery ? recoveringRow() : readRow();
      if (next == Next::Stopped) return;
    }
    finalStep();
  }

 private:
  // What follows a row: the next row, the final step (end of the file or error 15), or
  // nothing (the reading stopped on a fault, the file already deleted).
  enum class Next { Row, Final, Stopped };

  // Reads fields until one holds "[generale]"; false when the text ends first.
  bool findGeneralSection() {
    while (!s_.atEnd()) {
      if (containsText(s_.readText(), "[generale]")) return true;
    }
    return false;
  }

  // A reading that recovers records a platform failure of a row and goes on with the next.
  Next recoveringRow() {
    try {
      return readRow();
    } catch (const PlatformFailure& f) {
      Fault& fault = b_.recordFault(err::PlatformFailure, std::nullopt, f.place(), f.what());
      if (fault.place.file.empty()) fault.place = rowPlace_;
      s_.skipLine();
      return Next::Row;
    }
  }

  Next readRow() {
    if (s_.atEnd()) return Next::Final;
    std::string f = readKeyword();
    if (s_.atEnd()) return Next::Final;  // the last field of the text is never processed
    // Up to two fields holding a hyphen are passed over; a third one is taken as it is.
    for (int skipped = 0; skipped < 2 && containsText(f, "-"); ++skipped) {
      f = readKeyword();
      if (s_.atEnd()) return Next::Final;
    }

    const bool matched = (containsText(f, "frenata") && containsText(f, "massa")) ||
                         containsText(f, "vetture") || containsText(f, "velocit") ||
                         containsText(f, "aderenza") || containsText(f, "orologio") ||
                         containsText(f, "sabbia") || containsText(f, "segnale") ||
                         containsText(f, "rallentamento") || containsText(f, "abbattimento") ||
                         containsText(f, "stazione");
    watch_.field(b_, s_, f, matched);

    // Every test that matches is applied, in this order; each reads its own values.
    if (containsText(f, "frenata") && containsText(f, "massa")) {
      b_.records.brakedMassPercent() = s_.readNumber();
    }
    if (containsText(f, "vetture")) b_.records.coachCount() = s_.readNumber();
    if (containsText(f, "velocit")) {
      if (Next n = speedRow(); n != Next::Row) return n;
    }
    if (containsText(f, "aderenza")) {
      if (Next n = adhesionRow(); n != Next::Row) return n;
    }
    if (containsText(f, "orologio")) {
      b_.records.clockHours() = s_.readInt16();
      b_.records.clockMinutes() = s_.readInt16();
      b_.records.clockSeconds() = s_.readInt16();
    }
    if (containsText(f, "sabbia")) b_.records.sand() = s_.readInt16();
    if (containsText(f, "segnale")) {
      if (Next n = signalRow(); n != Next::Row) return n;
    }
    if (containsText(f, "rallentamento")) {
      if (Next n = slowdownRow(); n != Next::Row) return n;
    }
    if (containsText(f, "abbattimento")) {
      if (Next n = reductionRow(); n != Next::Row) return n;
    }
    if (containsText(f, "stazione")) {
      if (Next n = stationRow(); n != Next::Row) return n;
    }
    return Next::Row;
  }

  std::string readKeyword() {
    std::string f = s_.readText();
    rowPlace_ = s_.place();
    b_.row = rowPlace_;
    return f;
  }

  // --- stretch properties ---------------------------------------------------------------

  Next speedRow() {
    const int32_t p = s_.readNumber();
    const int32_t speed = s_.readNumber();
    if (!inRange(p)) return outOfRange(p);
    speedRows_.row(b_, p, rowPlace_);
    const int64_t w = boundaryCell(p);
    if (w > 0) {
      // At least one cell, even when the cursor already stands at or beyond w.
      do {
        if (speedCursor_ >= b_.track.lastCell) break;
        writeSpeed(speedCursor_);
        ++speedCursor_;
      } while (speedCursor_ < w);
    }
    runningSpeed_ = speed;
    return Next::Row;
  }

  Next adhesionRow() {
    const int32_t p = s_.readNumber();
    const int32_t a = s_.readNumber();
    if (!inRange(p)) return outOfRange(p);
    const int64_t w = boundaryCell(p);
    if (w > 0) {
      do {
        writeAdhesion(adhesionCursor_);
        ++adhesionCursor_;
      } while (adhesionCursor_ < w);
    }
    runningAdhesion_ = a;
    return Next::Row;
  }

  // The stretch cursors write nothing beyond the cells.
  void writeSpeed(int64_t cell) {
    if (!b_.track.inCells(cell)) return;
    cellAt(cell).speedStep = low8(packing::speedStep(runningSpeed_));
  }
  void writeAdhesion(int64_t cell) {
    if (!b_.track.inCells(cell)) return;
    cellAt(cell).adhesion = low8(runningAdhesion_);
  }

  // --- point items ----------------------------------------------------------------------

  Next signalRow() {
    int32_t v[11];
    for (int32_t& value : v) value = s_.readNumber();
    int32_t posizione = v[0];
    if (!inRange(posizione)) return outOfRange(posizione);
    signalRows_.row(b_, posizione, rowPlace_);
    const size_t faults = b_.faultCount;
    placing([&] {
      memo_segnale(b_, posizione, v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8], v[9], v[10]);
    });
    return afterPlacing(faults, posizione);
  }

  Next slowdownRow() {
    int32_t v[6];
    for (int32_t& value : v) value = s_.readNumber();
    const int32_t x = v[0];
    if (!inRange(x)) return outOfRange(x);
    const size_t faults = b_.faultCount;
    placing([&] { memo_rallentamento(b_, x, v[1], v[2], v[3], v[4], v[5]); });
    return afterPlacing(faults, x);
  }

  Next reductionRow() {
    const int32_t p = s_.readNumber();
    const int32_t r = s_.readNumber();
    if (!inRange(p)) return outOfRange(p);
    const int64_t c = boundaryCell(p);
    requireCell(c, "the reduction point");
    TrackCell& cell = cellAt(c);
    if (isOccupied(cell)) {
      b_.addOccupantNote(b_.recordFault(err::ReductionOccupied, p, rowPlace_, {}, c), c);
      return stopped();
    }
    b_.markOrigin(c);
    if (r <= 0) {
      cell.kind = CellReductionPointNoValue;
    } else {
      cell.kind = CellReductionPoint;
      cell.value1 = low16(r);
    }
    return Next::Row;
  }

  // --- stations -------------------------------------------------------------------------

  Next stationRow() {
    const int32_t k = stationIndex_;
    ScenarioRecord& rec = b_.records[k];

    rec.position = s_.readNumber();
    if (!passesRangeTest(rec.position, b_.track.lastCell, kStationRangeMargin)) {
      return outOfRange(rec.position);
    }
    if (rec.position % 50 != 0) {
      return stop(err::StationPosition, rec.position, s_.place());  // at the value
    }
    stationRows_.row(b_, rec.position, rowPlace_);

    rec.stationKind = s_.readUInt8();
    const int32_t length = s_.readNumber();
    if (length % 100 != 0) return stop(err::StationLength, rec.position, s_.place());

    rec.flagA = s_.readUInt8();
    rec.flagB = s_.readUInt8();
    rec.extendEnd = s_.readUInt8();
    rec.groupA1 = s_.readInt16();
    rec.groupA2 = s_.readInt16();
    rec.groupA3 = s_.readUInt8();
    rec.groupB1 = s_.readInt16();
    rec.groupB2 = s_.readInt16();
    rec.groupB3 = s_.readInt16();
    rec.stopTime = s_.readUInt8();
    const int64_t hours = s_.readNumber();
    const int64_t minutes = s_.readNumber();
    const int64_t seconds = s_.readNumber();
    rec.scheduledTime = fit32((hours * 60 + minutes) * 60 + seconds, "the station's time");
    rec.text = s_.readText();
    watchEncoding(b_, "the station name", rec.text, s_.place());

    // Station area.
    const int64_t pos = rec.position;
    const int64_t kind = rec.stationKind;
    int64_t start = 0;
    int64_t end = 0;
    if (kind == 5 || kind == 6) {
      start = pos - length;
      end = pos + 150;
      rec.extendEnd = 0;
    } else if (kind == 7 || kind == 8) {
      start = pos - length;
      end = pos + length;
      rec.extendEnd = 0;
    } else {
      start = roundHalfEven(static_cast<double>(pos) - length / 2.0);
      end = roundHalfEven(static_cast<double>(pos) + length / 2.0) + (rec.extendEnd != 0 ? 50 : 0);
    }
    const int32_t start32 = fit32(start, "the station's start");
    const int32_t end32 = fit32(end, "the station's end");
    rec.start = start32;
    rec.end = end32;

    if (length < 600) rec.flagB = 0;
    if (k == kFirstStationIndex) {
      // After the area, so the first station's end keeps the 50 m of its own extendEnd.
      rec.extendEnd = 0;
      rec.flagB = 0;
    }

    const double endCells = rec.end / double{kMetresPerCell};
    if (kind < 25 && kind != 5 && kind != 6) {
      for (int32_t i = 1; i <= 4; ++i) {
        const double at = endCells - i - 1;
        if (!(at > 1)) continue;
        const int64_t c = roundHalfEven(at);
        if (!b_.track.inCells(c)) continue;  // codes beyond the cells are left out
        cellAt(c).approachCode = low8(packing::stationApproachCode(i));
      }
    }

    if (kind < 25) {
      if (endCells - 1 <= 1) return stop(err::StopCellTooEarly, std::nullopt);
      const int64_t c = roundHalfEven(endCells - 1);
      requireCell(c, "the station's stop");
      TrackCell& cell = cellAt(c);  // written whatever it holds
      cell.kind = CellStationStop;
      b_.markOrigin(c);
      cell.value1 = low16(k);
    }

    if (k > kFirstStationIndex && int64_t{rec.start} - kStationGap < b_.records[k - 1].end) {
      return stop(err::StationsTooClose, rec.position);
    }

    stationIndex_ = k + 1;
    // The stations must stay below the indication-board texts (and below the general records).
    if (stationIndex_ >= std::min(b_.boardTextSlot, kFirstBoardTextSlot)) {
      return stop(err::StationsReachBoards, std::nullopt);
    }
    return Next::Row;
  }

  // --- end of the reading ---------------------------------------------------------------

  void finalStep() {
    b_.deleteSource(file_);
    const int64_t tailEnd = int64_t{b_.track.lastCell} - 2;
    do {
      writeSpeed(speedCursor_);
      ++speedCursor_;
    } while (speedCursor_ < tailEnd);
    do {
      writeAdhesion(adhesionCursor_);
      ++adhesionCursor_;
    } while (adhesionCursor_ < tailEnd);

    for (int index : {kRecordKmThree, kRecordKmTwo, kRecordKmOne}) {
      const ScenarioRecord& r = b_.records[index];
      if (r.start % 50 != 0 || r.end % 50 != 0) {
        b_.recordFault(err::KmReferenceNotMultiple, std::nullopt, {},
                       "kilometre reference in record " + std::to_string(index) +
                           " has a start or end that is not a multiple of 50");
        break;
      }
    }
  }

  // --- helpers --------------------------------------------------------------------------

  bool inRange(int32_t p) const { return passesRangeTest(p, b_.track.lastCell); }

  Next outOfRange(int32_t p) {
    b_.recordFault(err::OutOfRange, p, rowPlace_);
    return b_.recovery ? recovered() : Next::Final;
  }

  // Reading stops: the file is deleted and the fault recorded at the row's keyword. A reading
  // that recovers passes over the rest of the row and goes on, except after error 10, which
  // every later station would repeat.
  Next stop(int32_t number, std::optional<int32_t> position,
            std::optional<SourcePlace> at = std::nullopt) {
    b_.recordFault(number, position, at ? *at : rowPlace_);
    return stopped();
  }
  Next stopped() {
    if (b_.recovery && b_.error.errorNumber != err::StationsReachBoards) return recovered();
    if (!b_.recovery) b_.deleteSource(file_);
    return Next::Stopped;
  }
  Next recovered() {
    s_.skipLine();
    return Next::Row;
  }

  // After a signal or slowdown row: a fault the placing method recorded gets the row's
  // position and stops the reading. An error left by the line reader (15) stops it as well,
  // with this row's position, but it is no fault of this row: it becomes a note on that error.
  Next afterPlacing(size_t faultsBefore, int32_t position) {
    if (b_.faultCount > faultsBefore) {
      b_.addPosition(position);
      return stopped();
    }
    if (b_.error.errorNumber <= 0 || b_.recovery) return Next::Row;
    b_.error.errorPosition = position;
    if (!b_.error.faults.empty() && b_.unlistedFaults == 0) {
      b_.error.faults.back().stopPosition = position;
      b_.error.faults.back().notes.push_back(
          Note{"the train description was read up to line " + std::to_string(rowPlace_.line) +
                   ", where the first signal or slowdown row stops it",
               rowPlace_});
    }
    b_.deleteSource(file_);
    return Next::Stopped;
  }

  TrackCell& cellAt(int64_t c) { return b_.track.trackCells[static_cast<size_t>(c)]; }

  [[noreturn]] void failRow(const std::string& what) const {
    throw PlatformFailure(what, rowPlace_);
  }

  void requireCell(int64_t c, const char* what) const {
    sc::requireCell(b_.track.trackCells, c, what, rowPlace_);
  }

  int32_t fit32(int64_t v, const char* what) const { return narrow<int32_t>(v, what, rowPlace_); }

  // A placing method's platform failure is reported at the row.
  template <class F>
  void placing(F&& place) {
    try {
      place();
    } catch (const PlatformFailure& f) {
      if (!f.place().file.empty()) throw;
      failRow(f.what());
    }
  }

  Build& b_;
  std::filesystem::path file_;
  FieldStream s_;
  SourcePlace rowPlace_;
  RowWatch watch_{trainKeywords(), trainSections(), "train description"};
  AscendingWatch speedRows_{"speed row"};
  AscendingWatch signalRows_{"signal"};
  AscendingWatch stationRows_{"station"};

  int64_t runningSpeed_ = 0;
  int64_t speedCursor_ = 0;
  int64_t runningAdhesion_ = 0;
  int64_t adhesionCursor_ = 0;
  int32_t stationIndex_ = kFirstStationIndex;
};

}  // namespace

void readTrainDescription(Build& b) {
  const std::filesystem::path file = b.files.trainDescription();
  std::string content = b.readSource(file);
  TrainReader reader(b, file, std::move(content));
  reader.run();
}

}  // namespace sc

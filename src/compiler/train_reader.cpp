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
#include "compiler/source_reader.h"

namespace sc {
namespace {

class TrainReader : SourceReader {
 public:
  TrainReader(Build& build, std::filesystem::path path, std::string content,
              const LineReading& line)
      : SourceReader(build, std::move(path), std::move(content),
                     RowWatch{trainKeywords(), trainSections(), "train description"}),
        stationsBelow_(std::min(line.nextBoardTextSlot, kFirstBoardTextSlot)) {}

  void run() {
    if (findGeneralSection()) {
      Next next = Next::Continue;
      while (next == Next::Continue) {
        next = b.recovery ? recovering([this] { return readRow(); }) : readRow();
      }
      if (next == Next::Stopped) return;
    }
    finalStep();
  }

 private:
  // Reads fields until one holds "[generale]"; false when the text ends first.
  bool findGeneralSection() {
    while (!s.atEnd()) {
      if (containsText(s.readText(), "[generale]")) return true;
    }
    return false;
  }

  Next readRow() {
    if (s.atEnd()) return Next::EndRows;
    std::string f = readKeyword();
    if (s.atEnd()) return Next::EndRows;  // the last field of the text is never processed
    // Up to two fields holding a hyphen are passed over; a third one is taken as it is.
    for (int skipped = 0; skipped < 2 && containsText(f, "-"); ++skipped) {
      f = readKeyword();
      if (s.atEnd()) return Next::EndRows;
    }

    const bool matched = (containsText(f, "frenata") && containsText(f, "massa")) ||
                         containsText(f, "vetture") || containsText(f, "velocit") ||
                         containsText(f, "aderenza") || containsText(f, "orologio") ||
                         containsText(f, "sabbia") || containsText(f, "segnale") ||
                         containsText(f, "rallentamento") || containsText(f, "abbattimento") ||
                         containsText(f, "stazione");
    watch.field(b, s, f, matched);

    // Every test that matches is applied, in this order; each reads its own values.
    if (containsText(f, "frenata") && containsText(f, "massa")) {
      b.records.brakedMassPercent() = s.readNumber();
    }
    if (containsText(f, "vetture")) b.records.coachCount() = s.readNumber();
    if (containsText(f, "velocit")) {
      if (Next n = speedRow(); n != Next::Continue) return n;
    }
    if (containsText(f, "aderenza")) {
      if (Next n = adhesionRow(); n != Next::Continue) return n;
    }
    if (containsText(f, "orologio")) {
      b.records.clockHours() = s.readInt16();
      b.records.clockMinutes() = s.readInt16();
      b.records.clockSeconds() = s.readInt16();
    }
    if (containsText(f, "sabbia")) b.records.sand() = s.readInt16();
    if (containsText(f, "segnale")) {
      if (Next n = signalRow(); n != Next::Continue) return n;
    }
    if (containsText(f, "rallentamento")) {
      if (Next n = slowdownRow(); n != Next::Continue) return n;
    }
    if (containsText(f, "abbattimento")) {
      if (Next n = reductionRow(); n != Next::Continue) return n;
    }
    if (containsText(f, "stazione")) {
      if (Next n = stationRow(); n != Next::Continue) return n;
    }
    return Next::Continue;
  }

  // --- stretch properties ---------------------------------------------------------------

  Next speedRow() {
    const int32_t p = s.readNumber();
    const int32_t speed = s.readNumber();
    if (!inRange(p)) return outOfRange(p);
    speedRows_.row(b, p, rowPlace);
    const int64_t w = boundaryCell(p);
    if (w > 0) {
      // At least one cell, even when the cursor already stands at or beyond w.
      do {
        if (speedCursor_ >= b.track.lastCell) break;
        writeSpeed(speedCursor_);
        ++speedCursor_;
      } while (speedCursor_ < w);
    }
    runningSpeed_ = speed;
    return Next::Continue;
  }

  Next adhesionRow() {
    const int32_t p = s.readNumber();
    const int32_t a = s.readNumber();
    if (!inRange(p)) return outOfRange(p);
    const int64_t w = boundaryCell(p);
    if (w > 0) {
      do {
        writeAdhesion(adhesionCursor_);
        ++adhesionCursor_;
      } while (adhesionCursor_ < w);
    }
    runningAdhesion_ = a;
    return Next::Continue;
  }

  // The stretch cursors write nothing beyond the cells.
  void writeSpeed(int64_t cell) {
    if (!b.track.inCells(cell)) return;
    cellAt(cell).speedStep = low8(packing::speedStep(runningSpeed_));
  }
  void writeAdhesion(int64_t cell) {
    if (!b.track.inCells(cell)) return;
    cellAt(cell).adhesion = low8(runningAdhesion_);
  }

  // --- point items ----------------------------------------------------------------------

  Next signalRow() {
    int32_t v[11];
    for (int32_t& value : v) value = s.readNumber();
    int32_t posizione = v[0];
    if (!inRange(posizione)) return outOfRange(posizione);
    signalRows_.row(b, posizione, rowPlace);
    const size_t faults = b.faultCount;
    placing([&] {
      memo_segnale(b, posizione, v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8], v[9], v[10]);
    });
    return afterPlacing(faults, posizione);
  }

  Next slowdownRow() {
    int32_t v[6];
    for (int32_t& value : v) value = s.readNumber();
    const int32_t x = v[0];
    if (!inRange(x)) return outOfRange(x);
    const size_t faults = b.faultCount;
    placing([&] { memo_rallentamento(b, x, v[1], v[2], v[3], v[4], v[5]); });
    return afterPlacing(faults, x);
  }

  Next reductionRow() {
    const int32_t p = s.readNumber();
    const int32_t r = s.readNumber();
    if (!inRange(p)) return outOfRange(p);
    const int64_t c = boundaryCell(p);
    requireCell(c, "the reduction point");
    TrackCell& cell = cellAt(c);
    if (isOccupied(cell)) {
      b.addOccupantNote(b.recordFault(err::ReductionOccupied, p, rowPlace, {}, c), c);
      return stopped();
    }
    b.markOrigin(c);
    if (r <= 0) {
      cell.kind = CellReductionPointNoValue;
    } else {
      cell.kind = CellReductionPoint;
      cell.value1 = low16(r);
    }
    return Next::Continue;
  }

  // --- stations -------------------------------------------------------------------------

  Next stationRow() {
    const int32_t k = stationIndex_;
    ScenarioRecord& rec = b.records[k];

    rec.position = s.readNumber();
    if (!passesRangeTest(rec.position, b.track.lastCell, kStationRangeMargin)) {
      return outOfRange(rec.position);
    }
    if (rec.position % kMetresPerCell != 0) {
      return stopAtRow(err::StationPosition, rec.position, s.place());  // at the value
    }
    stationRows_.row(b, rec.position, rowPlace);

    rec.stationKind = s.readUInt8();
    const int32_t length = s.readNumber();
    if (length % 100 != 0) return stopAtRow(err::StationLength, rec.position, s.place());

    readStationValues(rec);
    setStationArea(rec, length, k);
    if (Next n = placeStationCells(rec, k); n != Next::Continue) return n;

    if (k > kFirstStationIndex && int64_t{rec.start} - kStationGap < b.records[k - 1].end) {
      return stopAtRow(err::StationsTooClose, rec.position);
    }

    stationIndex_ = k + 1;
    // The stations must stay below the indication-board texts (and below the general records).
    if (stationIndex_ >= stationsBelow_) {
      return stopAtRow(err::StationsReachBoards, std::nullopt);
    }
    return Next::Continue;
  }

  // The station's values after its length, as they stand in the row.
  void readStationValues(ScenarioRecord& rec) {
    rec.flagA = s.readUInt8();
    rec.flagB = s.readUInt8();
    rec.extendEnd = s.readUInt8();
    rec.groupA1 = s.readInt16();
    rec.groupA2 = s.readInt16();
    rec.groupA3 = s.readUInt8();
    rec.groupB1 = s.readInt16();
    rec.groupB2 = s.readInt16();
    rec.groupB3 = s.readInt16();
    rec.stopTime = s.readUInt8();
    const int64_t hours = s.readNumber();
    const int64_t minutes = s.readNumber();
    const int64_t seconds = s.readNumber();
    rec.scheduledTime = fit<int32_t>((hours * 60 + minutes) * 60 + seconds, "the station's time");
    rec.text = s.readText();
    watchEncoding(b, "the station name", rec.text, s.place());
  }

  void setStationArea(ScenarioRecord& rec, int32_t length, int32_t k) {
    if (!stationHasExtendEnd(rec.stationKind)) rec.extendEnd = 0;
    const StationArea area = stationArea(rec.position, rec.stationKind, length, rec.extendEnd != 0);
    rec.start = fit<int32_t>(area.start, "the station's start");
    rec.end = fit<int32_t>(area.end, "the station's end");
    if (length < kShortStationLength) rec.flagB = 0;
    if (k == kFirstStationIndex) {
      // After the area, so the first station's end keeps the 50 m of its own extendEnd.
      rec.extendEnd = 0;
      rec.flagB = 0;
    }
  }

  // The approach codes before the station's stop cell, and the stop cell.
  Next placeStationCells(const ScenarioRecord& rec, int32_t k) {
    const int64_t kind = rec.stationKind;
    const double endCells = rec.end / double{kMetresPerCell};
    if (kind < 25 && kind != 5 && kind != 6) {
      for (int32_t i = 1; i <= 4; ++i) {
        const double at = endCells - i - 1;
        if (!(at > 1)) continue;
        const int64_t c = roundHalfEven(at);
        if (!b.track.inCells(c)) continue;  // codes beyond the cells are left out
        cellAt(c).approachCode = low8(packing::stationApproachCode(i));
      }
    }
    if (kind < 25) {
      if (endCells - 1 <= 1) return stopAtRow(err::StopCellTooEarly, std::nullopt);
      const int64_t c = roundHalfEven(endCells - 1);
      requireCell(c, "the station's stop");
      TrackCell& cell = cellAt(c);  // written whatever it holds
      cell.kind = CellStationStop;
      b.markOrigin(c);
      cell.value1 = low16(k);
    }
    return Next::Continue;
  }

  // --- end of the reading ---------------------------------------------------------------

  void finalStep() {
    b.deleteSource(file);
    const int64_t tailEnd = int64_t{b.track.lastCell} - 2;
    do {
      writeSpeed(speedCursor_);
      ++speedCursor_;
    } while (speedCursor_ < tailEnd);
    do {
      writeAdhesion(adhesionCursor_);
      ++adhesionCursor_;
    } while (adhesionCursor_ < tailEnd);

    for (int index : {kRecordKmThree, kRecordKmTwo, kRecordKmOne}) {
      const ScenarioRecord& r = b.records[index];
      if (r.start % kMetresPerCell != 0 || r.end % kMetresPerCell != 0) {
        b.recordFault(err::KmReferenceNotMultiple, std::nullopt, {},
                      "kilometre reference in record " + std::to_string(index) +
                          " has a start or end that is not a multiple of " +
                          std::to_string(kMetresPerCell));
        break;
      }
    }
  }

  // --- helpers --------------------------------------------------------------------------

  bool inRange(int32_t p) const { return passesRangeTest(p, b.track.lastCell); }

  Next outOfRange(int32_t p) {
    b.recordFault(err::OutOfRange, p, rowPlace);
    return b.recovery ? recovered() : Next::EndRows;
  }

  // Reading stops: the file is deleted and the fault recorded at the row's keyword. A reading
  // that recovers passes over the rest of the row and goes on, except after error 10, which
  // every later station would repeat.
  Next stopAtRow(int32_t number, std::optional<int32_t> position,
                 std::optional<SourcePlace> at = std::nullopt) {
    b.recordFault(number, position, at ? *at : rowPlace);
    return stopped();
  }
  Next stopped() {
    if (b.recovery && b.error.errorNumber != err::StationsReachBoards) return recovered();
    if (!b.recovery) b.deleteSource(file);
    return Next::Stopped;
  }
  Next recovered() {
    s.skipLine();
    return Next::Continue;
  }

  // After a signal or slowdown row: a fault the placing method recorded gets the row's
  // position and stops the reading. An error left by the line reader (15) stops it as well,
  // with this row's position, but it is no fault of this row: it becomes a note on that error.
  Next afterPlacing(size_t faultsBefore, int32_t position) {
    if (b.faultCount > faultsBefore) {
      b.addPosition(position);
      return stopped();
    }
    if (b.error.errorNumber <= 0 || b.recovery) return Next::Continue;
    b.error.errorPosition = position;
    if (!b.error.faults.empty() && b.unlistedFaults == 0) {
      b.error.faults.back().stopPosition = position;
      b.error.faults.back().notes.push_back(
          Note{"the train description was read up to line " + std::to_string(rowPlace.line) +
                   ", where the first signal or slowdown row stops it",
               rowPlace});
    }
    b.deleteSource(file);
    return Next::Stopped;
  }

  TrackCell& cellAt(int64_t c) { return b.track.trackCells[static_cast<size_t>(c)]; }

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

  AscendingWatch speedRows_{"speed row"};
  AscendingWatch signalRows_{"signal"};
  AscendingWatch stationRows_{"station"};

  int64_t runningSpeed_ = 0;
  int64_t speedCursor_ = 0;
  int64_t runningAdhesion_ = 0;
  int64_t adhesionCursor_ = 0;
  int32_t stationIndex_ = kFirstStationIndex;
  const int32_t stationsBelow_;  // the lowest record of the board texts, or the general ones
};

}  // namespace

void readTrainDescription(Build& b, const LineReading& line) {
  const std::filesystem::path file = b.files.trainDescription();
  std::string content = b.readSource(file);
  TrainReader reader(b, file, std::move(content), line);
  reader.run();
}

}  // namespace sc

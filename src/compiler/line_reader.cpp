#include "compiler/line_reader.h"

#include <algorithm>
#include <optional>
#include <string>

#include "compiler/field_stream.h"
#include "compiler/file_io.h"
#include "compiler/keywords.h"
#include "compiler/line_general_rows.h"
#include "compiler/packing.h"
#include "compiler/placement.h"
#include "compiler/rules.h"
#include "compiler/source_reader.h"

namespace sc {
namespace {

// The plan cursor may not pass this row inside a curve rule.
constexpr int32_t kPlanCursorLimit = 1000000;

// The line description: its general section (line_general_rows.cpp), then the item rows
// (gradients, curves, mountains, speed boards, indication boards) into the cells and the plan.
class LineReader : SourceReader {
 public:
  LineReader(Build& build, std::filesystem::path path, std::string content)
      : SourceReader(build, std::move(path), std::move(content),
                     RowWatch{lineKeywords(), lineSections(), "line description"}) {
    rowPlace = SourcePlace{s.label(), 1, 1};  // an empty text has its fault at its start
  }

  LineReading run() {
    if (readLineGeneralSection(*this) == Next::Stopped) return {};
    prepareItems();
    if (readItems() == Next::Stopped) return {};
    finish();
    return LineReading{true, nextBoardTextSlot_};
  }

 private:
  // The cells (and, with buildFlag, the plan table) exist only after a length row.
  void requireModel() {
    if (!b.track.hasCells()) {
      s.fail("the line description has no length row, so the route model does not exist");
    }
  }

  // The range test of a row at p; a failure records error 15 and ends the item loop.
  bool inRange(int32_t p) {
    requireModel();
    if (passesRangeTest(p, b.track.lastCell)) return true;
    b.recordFault(err::OutOfRange, p, rowPlace);
    return false;
  }
  // What follows a row that failed the range test: the end of the item loop, or, when the
  // reading recovers, the next row.
  Next outOfRange() const { return b.recovery ? Next::Continue : Next::EndRows; }

  void prepareItems() {
    mountains_ = MountainList{};
    nextBoardTextSlot_ = kFirstBoardTextSlot;
    gradientCursor_ = 0;
    previousGradient_ = 0;
    planCursor_ = 2;
    if (b.buildFlag != 0) {
      requireModel();
      b.track.createPlan();
      b.track.trackPlan->setInteger(0, 0, 0);
      b.track.trackPlan->setInteger(1, 0, 1);
    }
  }

  // The item section: Continue or EndRows when the final step follows, Stopped when the
  // reader stopped.
  Next readItems() {
    for (;;) {
      if (s.atEnd()) return Next::Continue;
      readKeyword();
      if (s.atEnd()) return Next::Continue;
      if (containsExact(field, "-")) {
        readKeyword();
        if (s.atEnd()) return Next::Continue;
        if (containsExact(field, "-")) {
          readKeyword();
          if (s.atEnd()) return Next::Continue;
        }
      }
      const bool matched = containsText(field, "pendenza") || containsText(field, "curva") ||
                           containsText(field, "montagna") || containsText(field, "indicatori_v") ||
                           (containsText(field, "cartello") && containsText(field, "indicat"));
      watch.field(b, s, field, matched);
      Next next = b.recovery ? recovering([this] { return applyItemRules(); }) : applyItemRules();
      if (next != Next::Continue) return next;
    }
  }

  // The rules are independent: every one whose test holds runs, in this order.
  Next applyItemRules() {
    Next next = Next::Continue;
    if (containsText(field, "pendenza")) next = gradientRow();
    if (next == Next::Continue && containsText(field, "curva") && b.buildFlag != 0) {
      next = curveRow();
    }
    if (next == Next::Continue && containsText(field, "montagna")) next = mountainRow();
    if (next == Next::Continue && containsText(field, "indicatori_v")) next = speedBoardRow();
    if (next == Next::Continue && containsText(field, "cartello") &&
        containsText(field, "indicat")) {
      next = indicationBoardRow();
    }
    return next;
  }

  // One cell of the running gradient cursor; past the last cell nothing is written.
  void writeGradientCell() {
    if (b.track.inCells(gradientCursor_)) {
      b.track.trackCells[static_cast<size_t>(gradientCursor_)].gradientCode =
          static_cast<uint8_t>(packing::gradientCode(previousGradient_));
    }
    ++gradientCursor_;
  }

  Next gradientRow() {
    int32_t p = s.readNumber();
    int32_t g = s.readNumber();
    if (!inRange(p)) return outOfRange();
    gradientRows_.row(b, p, rowPlace);
    int64_t v = boundaryCell(p);
    if (v > 0) {
      do {
        writeGradientCell();
      } while (gradientCursor_ < v);
    }
    previousGradient_ = g;
    return Next::Continue;
  }

  // Plan rows from the cursor to end, cut at the model's last real row and at the cursor's
  // limit, each computed once by run(last row); false when the cursor passed its limit.
  template <class Run>
  bool planRun(int64_t end, Run run) {
    const int64_t lastRow = static_cast<int64_t>(b.track.modelLength) - 2;
    const int64_t last = std::min({end, lastRow, int64_t{kPlanCursorLimit}});
    if (last < planCursor_) return true;
    run(static_cast<int32_t>(last));
    planCursor_ = static_cast<int32_t>(last) + 1;
    return planCursor_ <= kPlanCursorLimit;
  }

  Next curveRow() {
    int32_t p = s.readNumber();
    int32_t n = s.readNumber();
    if (!inRange(p)) return outOfRange();
    std::optional<double> rate;
    for (const CurveRate& r : kCurveRates) {
      if (containsText(field, r.digit)) {
        rate = r.rate;
        break;
      }
    }
    if (!rate) return rowFault(err::BadCurve);
    double k = containsText(field, "s") ? -*rate : *rate;
    const int64_t end = static_cast<int64_t>(p) + n;
    if (previousCurveRow_ && p < previousCurveEnd_) {
      b.warn(warn::NonAscending,
             "curve at " + std::to_string(p) + " m starts before the previous one ends at " +
                 std::to_string(previousCurveEnd_) + " m; it goes on from there",
             rowPlace, {Note{"the previous curve row", *previousCurveRow_}});
    }
    previousCurveRow_ = rowPlace;
    previousCurveEnd_ = end;

    // A curve reaching past the model stops at its last computed row; the last two rows stay
    // empty as after a normal tail.
    TrackPlan& plan = *b.track.trackPlan;
    if (!planRun(p, [&plan](int32_t last) { plan.straightSteps(last); })) {
      return stopReading(err::BadCurve);
    }
    if (!planRun(static_cast<int64_t>(p) + n,
                 [&plan, k](int32_t last) { plan.curvedSteps(last, k); })) {
      return stopReading(err::BadCurve);
    }
    return Next::Continue;
  }

  Next mountainRow() {
    int32_t inizio = s.readNumber();
    int32_t fine = s.readNumber();
    int32_t tipo = s.readNumber();
    if (!inRange(inizio)) return outOfRange();
    memo_montagna(b, mountains_, inizio, fine, tipo);
    if (!b.recovery && b.error.errorNumber > 0) return stopReading();
    return Next::Continue;
  }

  Next speedBoardRow() {
    int32_t posizione = s.readNumber();
    int32_t vas = s.readNumber();
    int32_t vbs = s.readNumber();
    int32_t vcs = s.readNumber();
    int16_t strisces = s.readInt16();
    int32_t vad = s.readNumber();
    int32_t vbd = s.readNumber();
    int32_t vcd = s.readNumber();
    int16_t strisced = s.readInt16();
    if (!inRange(posizione)) return outOfRange();
    memo_indicatori_v_max(b, posizione, vas, vbs, vcs, strisces, vad, vbd, vcd, strisced, rowPlace);
    if (b.recovery) return Next::Continue;  // a fault of this board is already recorded
    if (b.error.errorNumber > 0) {
      b.error.errorPosition = posizione;
      return stopReading();
    }
    return Next::Continue;
  }

  Next indicationBoardRow() {
    int32_t p = s.readNumber();
    field = s.readText();  // the board text becomes the current field
    if (!inRange(p)) return outOfRange();
    int64_t c = pointCell(p);
    if (!b.track.inCells(c)) {
      failRow("the indication board at " + std::to_string(p) + " m falls before the first cell");
    }
    TrackCell& cell = b.track.trackCells[static_cast<size_t>(c)];
    if (isOccupied(cell)) {
      if (!b.recovery) b.deleteSource(file);
      b.addOccupantNote(b.recordFault(err::IndicationBoardOccupied, p, rowPlace, {}, c), c);
      return b.recovery ? Next::Continue : Next::Stopped;
    }
    watchEncoding(b, "the board text", field, s.place());
    if (nextBoardTextSlot_ < 1) {
      failRow("more than 80 indication boards: record 0 is not a board text");
    }
    cell.kind = CellIndicationBoard;
    b.markOrigin(c);
    cell.value1 = static_cast<int16_t>(nextBoardTextSlot_);
    b.records[nextBoardTextSlot_].text = field;
    --nextBoardTextSlot_;
    return Next::Continue;
  }

  // The end of the line description, after its last field or after error 15.
  void finish() {
    b.deleteSource(file);
    requireModel();
    do {
      writeGradientCell();
    } while (gradientCursor_ < static_cast<int64_t>(b.track.lastCell) - 2);
    if (b.buildFlag != 0) {
      const int32_t lastRow = b.track.modelLength - 2;
      if (planCursor_ <= lastRow) b.track.trackPlan->straightSteps(lastRow);
      planCursor_ = std::max(planCursor_, lastRow + 1);
    }
  }

  AscendingWatch gradientRows_{"gradient"};
  std::optional<SourcePlace> previousCurveRow_;
  int64_t previousCurveEnd_ = 0;

  MountainList mountains_;
  int64_t gradientCursor_ = 0;
  int64_t previousGradient_ = 0;
  int32_t planCursor_ = 2;
  int32_t nextBoardTextSlot_ = kFirstBoardTextSlot;
};

}  // namespace

LineReading readLineDescription(Build& b) {
  const std::filesystem::path file = b.files.lineDescription();
  if (!b.sourceExists(file)) {
    b.recordFault(err::NoLineDescription, std::nullopt, SourcePlace{},
                  file.filename().string() + " is missing");
    return {};
  }
  return LineReader(b, file, b.readSource(file)).run();
}

}  // namespace sc

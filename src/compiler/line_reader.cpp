#include "compiler/line_reader.h"

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

// The shortest length whose model still has cell 1 (lastCell 1) and plan row 1.
constexpr int32_t kMinRouteLength = -6974;
// The plan cursor may not pass this row inside a curve rule.
constexpr int32_t kPlanCursorLimit = 1000000;
constexpr int32_t kKmReferenceBonus = 100;

// A section header ends the general rows: it holds "[" and "]" and does not begin with "-".
bool isSectionHeader(const std::string& field) {
  if (!containsText(field, "[") || !containsText(field, "]")) return false;
  size_t first = field.find_first_not_of(' ');
  return first == std::string::npos || field[first] != '-';
}

// What a rule of the item section leaves behind.
enum class Next { Continue, EndLoop, Stop };

class LineReader {
 public:
  explicit LineReader(Build& b) : b_(b), path_(b.files.lineDescription()) {}

  bool run() {
    if (!b_.sourceExists(path_)) {
      b_.recordFault(err::NoLineDescription, std::nullopt, SourcePlace{},
                     path_.filename().string() + " is missing");
      return false;
    }
    stream_.emplace(path_.filename().string(), b_.readSource(path_));
    rowPlace_ = SourcePlace{s().label(), 1, 1};  // an empty text has its fault at its start
    if (!findGeneralSection()) return false;
    if (!readGeneralSection()) return false;
    orderKmReferences();
    prepareItems();
    if (!readItems()) return false;
    finish();
    return true;
  }

 private:
  FieldStream& s() { return *stream_; }

  // Reads the next candidate keyword; its place is where a fault of its row is reported.
  void readKeyword() {
    field_ = s().readText();
    rowPlace_ = s().place();
    b_.row = rowPlace_;
  }

  // A fault of the current row. The reading stops, unless it recovers (then the row is
  // passed over and the caller goes on).
  bool rowFault(int32_t number, std::optional<int32_t> position = std::nullopt) {
    if (!b_.recovery) return stop(number, position);
    b_.recordFault(number, position, rowPlace_);
    return true;
  }
  // The same for a fault of one value of the row, placed at that value.
  bool valueFault(int32_t number, const SourcePlace& value) {
    rowPlace_ = value;
    return rowFault(number);
  }
  Next itemFault(int32_t number, std::optional<int32_t> position = std::nullopt) {
    return rowFault(number, position) ? Next::Continue : Next::Stop;
  }

  // Deletes the line description and ends the reading (the caller returns false).
  bool stop() {
    b_.deleteSource(path_);
    return false;
  }
  bool stop(int32_t number, std::optional<int32_t> position = std::nullopt) {
    b_.deleteSource(path_);
    b_.recordFault(number, position, rowPlace_);
    return false;
  }
  Next halt() {
    stop();
    return Next::Stop;
  }
  Next halt(int32_t number, std::optional<int32_t> position = std::nullopt) {
    stop(number, position);
    return Next::Stop;
  }

  // The cells (and, with buildFlag, the plan table) exist only after a length row.
  void requireModel() {
    if (!b_.track.hasCells()) {
      s().fail("the line description has no length row, so the route model does not exist");
    }
  }

  // The range test of a row at p; a failure records error 15 and ends the item loop.
  bool inRange(int32_t p) {
    requireModel();
    if (passesRangeTest(p, b_.track.lastCell)) return true;
    b_.recordFault(err::OutOfRange, p, rowPlace_);
    return false;
  }
  // What follows a row that failed the range test: the end of the item loop, or, when the
  // reading recovers, the next row.
  Next outOfRange() const { return b_.recovery ? Next::Continue : Next::EndLoop; }

  bool findGeneralSection() {
    for (;;) {
      if (s().atEnd()) return stop(err::NoGeneralSection);  // a text with no character at all
      readKeyword();
      if (s().atEnd()) return stop(err::NoGeneralSection);
      if (containsText(field_, "[generale]")) return true;
    }
  }

  bool readGeneralSection() {
    for (;;) {
      if (s().atEnd()) return true;
      readKeyword();
      if (s().atEnd()) return true;
      // These reads do not look for the end of the text: reading past it is a failure.
      for (int i = 0; i < 10; ++i) {
        if (containsExact(field_, "-")) readKeyword();
      }
      const bool matched = isGeneralKeyword(field_);
      if (containsText(field_, "percorso") && containsText(field_, "lunghezza")) {
        if (!readLength()) return false;
      }
      if (containsExact(field_, "tre") && containsExact(field_, "progressiva")) {
        readKmReference(kRecordKmThree);
      }
      if (containsExact(field_, "due") && containsExact(field_, "progressiva")) {
        readKmReference(kRecordKmTwo);
      }
      if (containsExact(field_, "uno") && containsExact(field_, "progressiva")) {
        readKmReference(kRecordKmOne);
      }
      if (containsExact(field_, "sfondo") && containsExact(field_, "uno")) {
        b_.records.backgroundOne() = s().readNumber();
      }
      if (containsExact(field_, "sfondo") && containsExact(field_, "due")) {
        b_.records.backgroundTwo() = s().readNumber();
      }
      if (containsExact(field_, "sfondo") && containsExact(field_, "tre")) {
        b_.records.backgroundThree() = s().readNumber();
      }
      if (containsExact(field_, "segnali") && containsExact(field_, "ripetizione")) {
        if (!readRepetition()) return false;
      }
      watch_.field(b_, s(), field_, matched);
      if (isSectionHeader(field_)) return true;
    }
  }

  static bool isGeneralKeyword(const std::string& f) {
    auto both = [&f](const char* a, const char* b) {
      return containsExact(f, a) && containsExact(f, b);
    };
    return (containsText(f, "percorso") && containsText(f, "lunghezza")) ||
           both("tre", "progressiva") || both("due", "progressiva") || both("uno", "progressiva") ||
           both("sfondo", "uno") || both("sfondo", "due") || both("sfondo", "tre") ||
           both("segnali", "ripetizione");
  }

  bool readLength() {
    const SourcePlace lengthRow = rowPlace_;
    int32_t length = s().readNumber();
    if (length > kMaxRouteLength) return stop(err::RouteTooLong);
    if (length < kMinRouteLength) {
      s().fail("the length " + std::to_string(length) + " leaves the model without cell 1");
    }
    if (firstLengthRow_) {
      b_.warn(warn::RepeatedLength,
              "a second length row: the cells are made anew and what the first one made is "
              "discarded",
              lengthRow, {Note{"the first length row", *firstLengthRow_}});
    } else {
      firstLengthRow_ = lengthRow;
    }
    b_.origins.clear();
    b_.records.routeLength() = length;
    // Every length row creates the cells anew; the plan table, empty until the item rows,
    // is created once for the last of them (prepareItems), so that a text repeating the row
    // does not build a table of up to a million rows each time.
    b_.track.createCells(length);
    return true;
  }

  void readKmReference(int index) {
    ScenarioRecord& r = b_.records[index];
    r.start = s().readNumber();
    r.end = s().readNumber();
    r.position = s().readNumber();
  }

  bool readRepetition() {
    b_.records.repetitionStart() = s().readNumber();
    const SourcePlace start = s().place();
    b_.records.repetitionEnd() = s().readNumber();
    const SourcePlace end = s().place();
    if (b_.records.repetitionStart() % 50 != 0) return valueFault(err::RepetitionStart, start);
    if (b_.records.repetitionEnd() % 50 != 0) return valueFault(err::RepetitionEnd, end);
    if (containsText(field_, "4")) {
      b_.records.repetitionCodes() = 4;
    } else if (containsText(field_, "9")) {
      b_.records.repetitionCodes() = 9;
    } else {
      return rowFault(err::RepetitionCodes);
    }
    if (b_.records.repetitionEnd() == 0) b_.records.repetitionCodes() = 0;
    return true;
  }

  void orderKmReferences() {
    try {
      progressive_ordina(b_.records);
    } catch (const PlatformFailure& f) {
      s().fail(f.what());
    }
  }

  void prepareItems() {
    mountains_ = MountainList{};
    b_.boardTextSlot = kFirstBoardTextSlot;
    gradientCursor_ = 0;
    previousGradient_ = 0;
    planCursor_ = 2;
    if (b_.buildFlag != 0) {
      requireModel();
      b_.track.createPlan();
      b_.track.trackPlan->setInteger(0, 0, 0);
      b_.track.trackPlan->setInteger(1, 0, 1);
    }
  }

  // The item section; false when the reader stopped.
  bool readItems() {
    for (;;) {
      if (s().atEnd()) return true;
      readKeyword();
      if (s().atEnd()) return true;
      if (containsExact(field_, "-")) {
        readKeyword();
        if (s().atEnd()) return true;
        if (containsExact(field_, "-")) {
          readKeyword();
          if (s().atEnd()) return true;
        }
      }
      // The rules are independent: every one whose test holds runs, in this order.
      const bool matched = containsText(field_, "pendenza") || containsText(field_, "curva") ||
                           containsText(field_, "montagna") ||
                           containsText(field_, "indicatori_v") ||
                           (containsText(field_, "cartello") && containsText(field_, "indicat"));
      watch_.field(b_, s(), field_, matched);
      Next next = b_.recovery ? recovering([&] { return applyItemRules(); }) : applyItemRules();
      if (next == Next::EndLoop) return true;
      if (next == Next::Stop) return false;
    }
  }

  // A reading that recovers records a platform failure of a row and goes on with the next.
  template <class F>
  Next recovering(F&& rules) {
    try {
      return rules();
    } catch (const PlatformFailure& f) {
      Fault& fault = b_.recordFault(err::PlatformFailure, std::nullopt, f.place(), f.what());
      if (fault.place.file.empty()) fault.place = rowPlace_;
      s().skipLine();
      return Next::Continue;
    }
  }

  Next applyItemRules() {
    {
      Next next = Next::Continue;
      if (containsText(field_, "pendenza")) next = gradientRow();
      if (next == Next::Continue && containsText(field_, "curva") && b_.buildFlag != 0) {
        next = curveRow();
      }
      if (next == Next::Continue && containsText(field_, "montagna")) next = mountainRow();
      if (next == Next::Continue && containsText(field_, "indicatori_v")) next = speedBoardRow();
      if (next == Next::Continue && containsText(field_, "cartello") &&
          containsText(field_, "indicat")) {
        next = indicationBoardRow();
      }
      return next;
    }
  }

  // One cell of the running gradient cursor; past the last cell nothing is written.
  void writeGradientCell() {
    if (b_.track.inCells(gradientCursor_)) {
      b_.track.trackCells[static_cast<size_t>(gradientCursor_)].gradientCode =
          static_cast<uint8_t>(packing::gradientCode(previousGradient_));
    }
    ++gradientCursor_;
  }

  Next gradientRow() {
    int32_t p = s().readNumber();
    int32_t g = s().readNumber();
    if (!inRange(p)) return outOfRange();
    gradientRows_.row(b_, p, rowPlace_);
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
    const int64_t lastRow = static_cast<int64_t>(b_.track.modelLength) - 2;
    const int64_t last = std::min({end, lastRow, int64_t{kPlanCursorLimit}});
    if (last < planCursor_) return true;
    run(static_cast<int32_t>(last));
    planCursor_ = static_cast<int32_t>(last) + 1;
    return planCursor_ <= kPlanCursorLimit;
  }

  Next curveRow() {
    int32_t p = s().readNumber();
    int32_t n = s().readNumber();
    if (!inRange(p)) return outOfRange();
    std::optional<double> rate;
    for (const CurveRate& r : kCurveRates) {
      if (containsText(field_, r.digit)) {
        rate = r.rate;
        break;
      }
    }
    if (!rate) return itemFault(err::BadCurve);
    double k = containsText(field_, "s") ? -*rate : *rate;
    const int64_t end = static_cast<int64_t>(p) + n;
    if (previousCurveRow_ && p < previousCurveEnd_) {
      b_.warn(warn::NonAscending,
              "curve at " + std::to_string(p) + " m starts before the previous one ends at " +
                  std::to_string(previousCurveEnd_) + " m; it goes on from there",
              rowPlace_, {Note{"the previous curve row", *previousCurveRow_}});
    }
    previousCurveRow_ = rowPlace_;
    previousCurveEnd_ = end;

    // A curve reaching past the model stops at its last computed row; the last two rows stay
    // empty as after a normal tail.
    TrackPlan& plan = *b_.track.trackPlan;
    if (!planRun(p, [&plan](int32_t last) { plan.straightSteps(last); })) {
      return halt(err::BadCurve);
    }
    if (!planRun(static_cast<int64_t>(p) + n,
                 [&plan, k](int32_t last) { plan.curvedSteps(last, k); })) {
      return halt(err::BadCurve);
    }
    return Next::Continue;
  }

  Next mountainRow() {
    int32_t inizio = s().readNumber();
    int32_t fine = s().readNumber();
    int32_t tipo = s().readNumber();
    if (!inRange(inizio)) return outOfRange();
    memo_montagna(b_, mountains_, inizio, fine, tipo);
    if (!b_.recovery && b_.error.errorNumber > 0) return halt();
    return Next::Continue;
  }

  Next speedBoardRow() {
    int32_t posizione = s().readNumber();
    int32_t vas = s().readNumber();
    int32_t vbs = s().readNumber();
    int32_t vcs = s().readNumber();
    int16_t strisces = s().readInt16();
    int32_t vad = s().readNumber();
    int32_t vbd = s().readNumber();
    int32_t vcd = s().readNumber();
    int16_t strisced = s().readInt16();
    if (!inRange(posizione)) return outOfRange();
    memo_indicatori_v_max(b_, posizione, vas, vbs, vcs, strisces, vad, vbd, vcd, strisced,
                          rowPlace_);
    if (b_.recovery) return Next::Continue;  // a fault of this board is already recorded
    if (b_.error.errorNumber > 0) {
      b_.error.errorPosition = posizione;
      return halt();
    }
    return Next::Continue;
  }

  Next indicationBoardRow() {
    int32_t p = s().readNumber();
    field_ = s().readText();  // the board text becomes the current field
    if (!inRange(p)) return outOfRange();
    int64_t c = pointCell(p);
    if (!b_.track.inCells(c)) {
      throw PlatformFailure(
          "the indication board at " + std::to_string(p) + " m falls before the first cell",
          rowPlace_);
    }
    TrackCell& cell = b_.track.trackCells[static_cast<size_t>(c)];
    if (isOccupied(cell)) {
      if (!b_.recovery) b_.deleteSource(path_);
      b_.addOccupantNote(b_.recordFault(err::IndicationBoardOccupied, p, rowPlace_, {}, c), c);
      return b_.recovery ? Next::Continue : Next::Stop;
    }
    watchEncoding(b_, "the board text", field_, s().place());
    if (b_.boardTextSlot < 1) {
      throw PlatformFailure("more than 80 indication boards: record 0 is not a board text",
                            rowPlace_);
    }
    cell.kind = CellIndicationBoard;
    b_.markOrigin(c);
    cell.value1 = static_cast<int16_t>(b_.boardTextSlot);
    b_.records[b_.boardTextSlot].text = field_;
    --b_.boardTextSlot;
    return Next::Continue;
  }

  // The end of the line description, after its last field or after error 15.
  void finish() {
    b_.deleteSource(path_);
    requireModel();
    do {
      writeGradientCell();
    } while (gradientCursor_ < static_cast<int64_t>(b_.track.lastCell) - 2);
    if (b_.buildFlag != 0) {
      const int32_t lastRow = b_.track.modelLength - 2;
      if (planCursor_ <= lastRow) b_.track.trackPlan->straightSteps(lastRow);
      planCursor_ = std::max(planCursor_, lastRow + 1);
    }
  }

  Build& b_;
  std::filesystem::path path_;
  std::optional<FieldStream> stream_;
  std::string field_;  // the current field: the last text field read
  SourcePlace rowPlace_;

  RowWatch watch_{lineKeywords(), lineSections(), "line description"};
  std::optional<SourcePlace> firstLengthRow_;
  AscendingWatch gradientRows_{"gradient"};
  std::optional<SourcePlace> previousCurveRow_;
  int64_t previousCurveEnd_ = 0;

  MountainList mountains_;
  int64_t gradientCursor_ = 0;
  int64_t previousGradient_ = 0;
  int32_t planCursor_ = 2;
};

}  // namespace

bool readLineDescription(Build& b) {
  return LineReader(b).run();
}

void progressive_ordina(RecordTable& records) {
  struct KmReference {
    int32_t start = 0;
    int32_t end = 0;
    int32_t position = 0;
  };
  auto get = [&records](int index) {
    const ScenarioRecord& r = records[index];
    return KmReference{r.start, r.end, r.position};
  };
  const KmReference t = get(kRecordKmThree);
  const KmReference d = get(kRecordKmTwo);
  const KmReference u = get(kRecordKmOne);
  const KmReference zero{};

  KmReference order[3] = {zero, zero, zero};
  const int64_t sum = static_cast<int64_t>(t.start) + d.start + u.start;
  if (sum != 0) {
    // The greatest start goes first; ties between the other two: after T, U before D; after
    // D, U before T; after U, D before T. A greatest start held twice clears all three.
    if (t.start > d.start && t.start > u.start) {
      order[0] = t;
      order[1] = d.start > u.start ? d : u;
      order[2] = d.start > u.start ? u : d;
    } else if (d.start > t.start && d.start > u.start) {
      order[0] = d;
      order[1] = t.start > u.start ? t : u;
      order[2] = t.start > u.start ? u : t;
    } else if (u.start > t.start && u.start > d.start) {
      order[0] = u;
      order[1] = t.start > d.start ? t : d;
      order[2] = t.start > d.start ? d : t;
    }
  } else {
    if (t.end > 0) order[0] = t, order[1] = d, order[2] = u;
    if (d.end > 0) order[0] = d, order[1] = t, order[2] = u;
    if (u.end > 0) order[0] = u, order[1] = d, order[2] = t;
  }

  for (int i = 0; i < 3; ++i) {
    KmReference& k = order[i];
    if (k.position == 1) {
      int64_t end = static_cast<int64_t>(k.end) + kKmReferenceBonus;
      if (end > std::numeric_limits<int32_t>::max()) {
        throw PlatformFailure("the kilometre reference end " + std::to_string(k.end) +
                                  " + 100 does not fit its 32-bit field",
                              SourcePlace{});
      }
      k.end = static_cast<int32_t>(end);
    }
    ScenarioRecord& r = records[kRecordKmThree + i];
    r.start = k.start;
    r.end = k.end;
    r.position = k.position;
  }
}

}  // namespace sc

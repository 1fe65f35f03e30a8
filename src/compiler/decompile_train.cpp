// The train description from records 1 upward, 84 and 86, the cells' speeds and adhesion,
// the slowdown cells and the signals.
#include <algorithm>
#include <limits>
#include <set>

#include "compiler/decompile_rows.h"
#include "compiler/packing.h"
#include "compiler/rules.h"

namespace sc::decompiling {
namespace {

constexpr int32_t kSignalApproachSteps = 4;
constexpr int32_t kSignalTimeRaised = 101;  // a tempo from 1 to 100 becomes 101
constexpr int32_t kSignalKindWithTime = 2;  // only this kind keeps its tempo
constexpr int64_t kWarningCells = kWarningBoardDistance / kMetresPerCell;
constexpr int32_t kSecondsPerHour = 3600;

std::vector<Row> generalRows(const Context& c) {
  const RecordTable& r = c.model.records;
  const ScenarioRecord& service = r[kRecordService];
  return {numbers("numero vetture", {r[kRecordTrain].position}),
          numbers("percentuale massa frenata", {r[kRecordTrain].start}),
          numbers("sabbia", {service.groupA1}),
          // The clock's three numbers stand apart by blanks, and the row ends with one.
          Row{"orologio",
              {std::to_string(service.groupB1) + " " + std::to_string(service.groupB2) + " " +
               std::to_string(service.groupB3) + " "},
              true,
              0}};
}

// The lowest record that holds an indication-board text (81 when there is none).
int lowestBoardRecord(const Context& c) {
  int lowest = kFirstBoardTextSlot + 1;
  for (const TrackCell& cell : c.model.cells) {
    if (cell.kind == CellIndicationBoard && cell.value1 >= 1 && cell.value1 < lowest) {
      lowest = cell.value1;
    }
  }
  return lowest;
}

// The station length and the extendEnd of the row that gave station record k.
struct StationRowArea {
  int64_t length = 0;
  int64_t extendEnd = 0;
};

// The length the kind's area ties to the start (centred kinds: twice the half before the
// position), checked by running the reader's own rule forward.
StationRowArea stationRowArea(const Context& c, int k) {
  const ScenarioRecord& r = c.model.records[k];
  const int64_t pos = r.position;
  const bool hasExtendEnd = stationHasExtendEnd(r.stationKind);
  StationRowArea a{hasExtendEnd ? 2 * (pos - r.start) : pos - r.start, r.extendEnd};
  const bool lengthFits = a.length >= std::numeric_limits<int32_t>::min() &&
                          a.length <= std::numeric_limits<int32_t>::max();
  const auto length = static_cast<int32_t>(a.length);
  // The first station keeps the 50 m of its own extendEnd, whose field then reads 0.
  if (hasExtendEnd && lengthFits && k == kFirstStationIndex && a.extendEnd == 0 &&
      r.end == stationArea(pos, r.stationKind, length, false).end + kMetresPerCell) {
    a.extendEnd = 1;
  }
  const StationArea area =
      lengthFits ? stationArea(pos, r.stationKind, length, a.extendEnd != 0) : StationArea{};
  const bool fits = lengthFits && area.start == r.start && area.end == r.end &&
                    (hasExtendEnd || r.extendEnd == 0);
  if (!fits || a.length % 100 != 0) {
    c.hint(CompiledPart::Records, k,
           "no station length (a multiple of 100) gives this start and end for its kind");
  }
  if (r.flagB != 0 && (a.length < kShortStationLength || k == kFirstStationIndex)) {
    c.hint(CompiledPart::Records, k, "flagB is cleared for the first station and short ones");
  }
  if (k == kFirstStationIndex && r.extendEnd != 0) {
    c.hint(CompiledPart::Records, k, "extendEnd is cleared for the first station");
  }
  return a;
}

Row stationRow(const Context& c, int k) {
  const ScenarioRecord& r = c.model.records[k];
  const StationRowArea a = stationRowArea(c, k);
  if (r.position % kMetresPerCell != 0 ||
      !passesRangeTest(r.position, c.lastCell(), kStationRangeMargin)) {
    c.hint(CompiledPart::Records, k, "the station's position is not one a row can give");
  }
  if (std::string why = textProblem(r.text); !why.empty()) {
    c.hint(CompiledPart::Records, k, "the station name: " + why);
  }
  const int64_t t = r.scheduledTime;
  Row row = numbers("stazione",
                    {r.position, r.stationKind, a.length, r.flagA, r.flagB, a.extendEnd, r.groupA1,
                     r.groupA2, r.groupA3, r.groupB1, r.groupB2, r.groupB3, r.stopTime,
                     t / kSecondsPerHour, t / 60 % 60, t % 60},
                    r.position);
  row.values.push_back(r.text);
  row.lastIsText = true;
  return row;
}

std::vector<Row> stationRows(const Context& c) {
  std::vector<Row> rows;
  const int limit = lowestBoardRecord(c);
  int k = kFirstStationIndex;
  for (; k < limit && !(c.model.records[k] == ScenarioRecord{}); ++k) {
    rows.push_back(stationRow(c, k));
  }
  for (; k < limit; ++k) {
    if (!(c.model.records[k] == ScenarioRecord{})) {
      c.hint(CompiledPart::Records, k,
             "a filled record after the stations' last, below the boards");
    }
  }
  return rows;
}

const TrackCell* cellAt(const Context& c, int64_t i) {
  return i >= 0 && i < static_cast<int64_t>(c.model.cells.size())
             ? &c.model.cells[static_cast<size_t>(i)]
             : nullptr;
}

// The slowdown whose start is cell sc: its end, warning and approach cells are marked used.
Row slowdownRow(const Context& c, int64_t sc, std::set<int64_t>& used) {
  const TrackCell& start = c.model.cells[static_cast<size_t>(sc)];
  int64_t ec = sc;  // start and end in one cell: the cell ends as a start
  for (int64_t j = sc + 1; const TrackCell* cell = cellAt(c, j); ++j) {
    if (cell->kind == CellSlowdownStart) break;
    if (cell->kind == CellSlowdownEnd && !used.count(j)) {
      ec = j;
      break;
    }
  }
  used.insert(ec);
  const int64_t x = cellToMetres(sc - 1);
  int64_t fTa = 0;
  if (x > kWarnedSlowdownStart) {
    const TrackCell* warning = cellAt(c, sc - kWarningCells);
    if (warning == nullptr || warning->kind != CellSlowdownWarning) {
      c.hint(CompiledPart::Cells, sc, "a slowdown start beyond 1500 m without its warning board");
    } else {
      used.insert(sc - kWarningCells);
    }
    bool approach = true;
    for (int64_t j = 0; j < 4; ++j) {
      const TrackCell* a = cellAt(c, sc - kWarningCells - 1 - j);
      approach = approach && a != nullptr && a->kind == CellSlowdownApproach && a->value1 == j + 1;
    }
    if (approach) {
      fTa = 1;
      for (int64_t j = 0; j < 4; ++j) used.insert(sc - kWarningCells - 1 - j);
    }
  }
  return numbers("rallentamento",
                 {x, start.value1, cellToMetres(ec - sc), start.value3, fTa, start.value2}, x);
}

std::vector<Row> slowdownRows(const Context& c) {
  std::vector<Row> rows;
  std::set<int64_t> used;
  const auto& cells = c.model.cells;
  for (size_t i = 0; i < cells.size(); ++i) {
    if (cells[i].kind == CellSlowdownStart) {
      rows.push_back(slowdownRow(c, static_cast<int64_t>(i), used));
    }
  }
  for (size_t i = 0; i < cells.size(); ++i) {
    const uint8_t kind = cells[i].kind;
    const bool part =
        kind == CellSlowdownEnd || kind == CellSlowdownWarning || kind == CellSlowdownApproach;
    if (part && !used.count(static_cast<int64_t>(i))) {
      c.hint(CompiledPart::Cells, static_cast<int64_t>(i),
             std::string("a ") + cellKindName(kind) + " that belongs to no slowdown start");
    }
  }
  return rows;
}

bool isSignal(const Context& c, int64_t i) {
  const TrackCell* cell = cellAt(c, i);
  return cell != nullptr && cell->kind == CellSignal;
}

// kind * 3 + indication of the signal in cell s, from an approach code that no later signal
// row overwrites; -1 when none is left to read it from.
int32_t headSumOfSignal(const Context& c, int64_t s, int16_t value4) {
  for (int32_t step = 1; step <= kSignalApproachSteps; ++step) {
    const TrackCell* a = cellAt(c, s - 2 * step);
    if (a == nullptr) continue;
    bool overwritten = false;
    for (int32_t later = step + 1; later <= kSignalApproachSteps; ++later) {
      overwritten = overwritten || isSignal(c, s + 2 * (later - step));
    }
    if (overwritten) continue;
    int32_t sum = packing::signalHeadSumOfCode(a->approachCode, step);
    if (sum < 0) {
      c.hint(CompiledPart::Cells, s - 2 * step, "an approach code that no signal row gives");
      return -1;
    }
    // The code keeps 8 bits: of the sums it allows, the one that leaves value4 a whole
    // repetition.
    for (int32_t m = 0; m < 10; ++m, sum += 128) {
      if ((value4 - sum) % 10 == 0) return sum;
    }
    return -1;
  }
  return -1;
}

Row signalRow(const Context& c, int64_t s) {
  const TrackCell& cell = c.model.cells[static_cast<size_t>(s)];
  int32_t sum = headSumOfSignal(c, s, cell.value4);
  if (sum < 0) sum = ((cell.value4 % 10) + 10) % 10;
  const int32_t rapp = (cell.value4 - sum) / 10;
  // The kind that keeps a tempo where the signal has one, and wherever the sum allows it.
  int32_t sx = kSignalKindWithTime;
  int32_t dx = sum - static_cast<int32_t>(packing::signalHeadSum(sx, 0));
  if (dx < 0 && cell.signalTime == 0) {
    sx = sum / 3;
    dx = sum % 3;
  }
  // A time from 1 to 100 is raised to 101; above 255 it comes through its low 8 bits.
  const int32_t st = cell.signalTime;
  const int32_t tempo = st == 0 ? 0 : st < kSignalTimeRaised ? st + 256 : st;
  const packing::Sides one = packing::signalAspectSides(cell.value1);
  const packing::Sides two = packing::signalAspectSides(cell.value2);
  const packing::Sides three = packing::signalAspectSides(cell.value3);
  const int64_t p = cellToMetres(s - 1);
  if (!passesRangeTest(p, c.lastCell())) {
    c.hint(CompiledPart::Cells, s, "a signal here fails the range test");
  }
  return numbers(
      "segnale",
      {p, sx, one.left, two.left, three.left, rapp, dx, one.right, two.right, three.right, tempo},
      p);
}

std::vector<Row> signalRows(const Context& c) {
  std::vector<Row> rows;
  const auto& cells = c.model.cells;
  for (size_t i = 0; i < cells.size(); ++i) {
    if (cells[i].kind == CellSignal) rows.push_back(signalRow(c, static_cast<int64_t>(i)));
  }
  return rows;
}

}  // namespace

TrainRows trainRows(const Context& c) {
  TrainRows t;
  t.general = generalRows(c);
  t.adhesion = stretchRows(
      c, {"aderenza", "adhesion", &TrackCell::adhesion, 0, [](uint8_t v) -> int64_t { return v; }});
  t.speeds = stretchRows(c, {"velocita", "speedStep", &TrackCell::speedStep, 0,
                             [](uint8_t v) -> int64_t { return packing::speedOfStep(v); }});
  t.stations = stationRows(c);
  t.slowdowns = slowdownRows(c);
  t.signals = signalRows(c);
  return t;
}

std::string trainText(const TrainRows& rows, const std::vector<Row>& reductions) {
  std::vector<std::string> lines;
  appendSection(lines, "[generale]", rows.general);
  appendSection(lines, "[aderenze]", rows.adhesion);
  appendSection(lines, "[vel_limite]", rows.speeds);
  appendSection(lines, "[stazioni]", rows.stations);
  appendSection(lines, "[rallentamenti]", rows.slowdowns);
  // Signals and reduction points in one run of ascending positions.
  std::vector<Row> points = rows.signals;
  points.insert(points.end(), reductions.begin(), reductions.end());
  std::stable_sort(points.begin(), points.end(),
                   [](const Row& a, const Row& b) { return a.position < b.position; });
  appendSection(lines, "[segnali]", points);
  lines.push_back("[codici]");
  lines.push_back("[fine]");
  lines.push_back("");
  return joinLines(lines);
}

}  // namespace sc::decompiling

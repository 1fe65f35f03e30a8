// The line description from the records 81 to 86, the cells' gradients, mountains and boards,
// and the plan's curves.
#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <optional>

#include "compiler/decompile_rows.h"
#include "compiler/line_general_rows.h"
#include "compiler/packing.h"
#include "compiler/platform_failure.h"
#include "compiler/rules.h"

namespace sc::decompiling {
namespace {

constexpr int32_t kKmReferenceBonus = 100;
constexpr int32_t kMarkerTypeOffset = 10;
constexpr int32_t kMarkerSpacing = 4;
constexpr int64_t kMountainGap = 150;
constexpr int32_t kJoinedMountainType = 3;

struct Triple {
  int32_t start, end, position;
};

// The three "progressiva" rows (tre, due, uno) that progressive_ordina turns back into
// records 81 to 83: every order of the three references is tried, the one as they stand
// first.
std::array<Triple, 3> kmRows(const Context& c) {
  const RecordTable& r = c.model.records;
  std::array<Triple, 3> asRead{};
  for (int i = 0; i < 3; ++i) {
    const ScenarioRecord& k = r[kRecordKmThree + i];
    // The reader adds 100 to the end of a reference whose third number is 1, after ordering.
    asRead[static_cast<size_t>(i)] = {k.start, k.position == 1 ? k.end - kKmReferenceBonus : k.end,
                                      k.position};
  }
  std::array<int, 3> order{0, 1, 2};
  do {
    RecordTable t;
    for (int i = 0; i < 3; ++i) {
      const Triple& x = asRead[static_cast<size_t>(order[static_cast<size_t>(i)])];
      t[kRecordKmThree + i].start = x.start;
      t[kRecordKmThree + i].end = x.end;
      t[kRecordKmThree + i].position = x.position;
    }
    try {
      progressive_ordina(t);
    } catch (const PlatformFailure&) {
      continue;
    }
    bool same = true;
    for (int i = kRecordKmThree; i <= kRecordKmOne; ++i) {
      same = same && t[i].start == r[i].start && t[i].end == r[i].end &&
             t[i].position == r[i].position;
    }
    if (same) {
      return {asRead[static_cast<size_t>(order[0])], asRead[static_cast<size_t>(order[1])],
              asRead[static_cast<size_t>(order[2])]};
    }
  } while (std::next_permutation(order.begin(), order.end()));
  c.hint(CompiledPart::Records, kRecordKmThree,
         "no order of the three kilometre-reference rows is put back into records 81 to 83 "
         "this way");
  return asRead;
}

std::vector<Row> generalRows(const Context& c) {
  const RecordTable& r = c.model.records;
  const int32_t length = r[kRecordTrain].end;
  if (static_cast<int64_t>(c.model.cells.size()) != int64_t{lastCellOf(length)} + 1) {
    c.hint(CompiledPart::Cells, -1,
           "the number of cells does not follow from record 84's route length");
  }
  std::vector<Row> rows{numbers("lunghezza percorso", {length})};
  const std::array<Triple, 3> km = kmRows(c);
  const char* names[] = {"uno", "due", "tre"};
  for (int i = 0; i < 3; ++i) {
    const Triple& t = km[static_cast<size_t>(2 - i)];
    rows.push_back(
        numbers(std::string("progressiva chilometrica ") + names[i], {t.start, t.end, t.position}));
  }
  const ScenarioRecord& scenario = r[kRecordScenario];
  rows.push_back(numbers("sfondo uno", {scenario.start}));
  rows.push_back(numbers("sfondo due", {scenario.position}));
  rows.push_back(numbers("sfondo tre", {scenario.end}));
  const ScenarioRecord& service = r[kRecordService];
  const int32_t codes = service.position;
  const bool possible = service.end == 0 ? codes == 0 : (codes == 4 || codes == 9);
  if (!possible) {
    c.hint(CompiledPart::Records, kRecordService,
           "the repetition row gives 4 or 9 codes, and 0 exactly when its end is 0");
  }
  rows.push_back(numbers(std::string("ripetizione segnali ") + (codes == 9 ? "9" : "4") + " codici",
                         {service.start, service.end}));
  return rows;
}

bool sameBits(double a, double b) {
  return std::bit_cast<uint64_t>(a) == std::bit_cast<uint64_t>(b);
}

// The turn rate that gives plan row j from the two rows before it (0 for a straight step),
// trying the rate of the row before first.
std::optional<double> rateOfRow(const Context& c, size_t j, double previous) {
  const auto& X = c.model.planX;
  const auto& Y = c.model.planY;
  auto coord = [](const TaggedValue& v) { return v.tag == PlanTag::Real ? v.real : v.integer; };
  const double x0 = coord(X[j - 2]), y0 = coord(Y[j - 2]);
  const double x1 = coord(X[j - 1]), y1 = coord(Y[j - 1]);
  const double dx = x1 - x0, dy = y1 - y0;
  auto gives = [&](double k) {
    double x, y;
    if (k == 0) {
      straightStep(x1, y1, dx, dy, x, y);
    } else {
      curvedStep(x1, y1, dx, dy, k, x, y);
    }
    return sameBits(x, X[j].real) && sameBits(y, Y[j].real);
  };
  if (gives(previous)) return previous;
  if (gives(0)) return 0.0;
  for (const CurveRate& r : kCurveRates) {
    if (gives(r.rate)) return r.rate;
    if (gives(-r.rate)) return -r.rate;
  }
  return std::nullopt;
}

// Whether the plan has the shape of a finished line reader's: integer rows 0 and 1 at (0, 0)
// and (0, 1), reals up to modelLength - 2, the last two rows empty.
bool planShaped(const Context& c) {
  const auto& X = c.model.planX;
  const auto& Y = c.model.planY;
  const size_t rows = X.size();
  if (rows < 5 || Y.size() != rows) return false;
  auto integer = [](const TaggedValue& v, int16_t value) {
    return v.tag == PlanTag::Integer && v.integer == value;
  };
  if (!integer(X[0], 0) || !integer(Y[0], 0) || !integer(X[1], 0) || !integer(Y[1], 1)) {
    return false;
  }
  for (size_t j = 2; j + 2 < rows; ++j) {
    if (X[j].tag != PlanTag::Real || Y[j].tag != PlanTag::Real) return false;
  }
  return X[rows - 1].tag == PlanTag::Empty && X[rows - 2].tag == PlanTag::Empty &&
         Y[rows - 1].tag == PlanTag::Empty && Y[rows - 2].tag == PlanTag::Empty;
}

Row curveRow(const Context& c, double rate, int64_t first, int64_t last) {
  const double size = rate < 0 ? -rate : rate;
  const char* digit = "1";
  for (const CurveRate& r : kCurveRates) {
    if (r.rate == size) digit = r.digit;
  }
  const int64_t p = first - 1;
  if (!passesRangeTest(p, c.lastCell())) {
    c.hint(CompiledPart::Plan, first,
           "the curve starting here fails the range test at " + std::to_string(p) + " m");
  }
  return numbers(std::string("curva") + (rate < 0 ? "s" : "d") + digit, {p, last - first + 1}, p);
}

// Runs of one turn rate, each a curve row: start, then length in metres.
std::vector<Row> curveRows(const Context& c) {
  std::vector<Row> rows;
  if (!c.model.hasPlan()) {
    c.notes.push_back("no plan file: the line description has no curve rows");
    return rows;
  }
  if (!planShaped(c)) {
    c.hint(CompiledPart::Plan, -1, "the plan is not one that a whole reading of a line writes");
    return rows;
  }
  const size_t lastRow = c.model.planX.size() - 3;
  std::vector<double> rates(lastRow + 1, 0.0);
  double previous = 0;
  for (size_t j = 2; j <= lastRow; ++j) {
    std::optional<double> k = rateOfRow(c, j, previous);
    if (!k) {
      // The rows after it cannot follow either: the first one is said.
      c.hint(CompiledPart::Plan, static_cast<int64_t>(j),
             "no curve row's turn rate gives this row from the two before it");
      break;
    }
    rates[j] = previous = *k;
  }
  for (size_t j = 2; j <= lastRow; ++j) {
    if (rates[j] == 0) continue;
    const size_t first = j;
    while (j + 1 <= lastRow && rates[j + 1] == rates[first]) ++j;
    rows.push_back(curveRow(c, rates[first], static_cast<int64_t>(first), static_cast<int64_t>(j)));
  }
  return rows;
}

std::vector<Row> gradientRows(const Context& c) {
  return stretchRows(c, {"pendenza", "gradientCode", &TrackCell::gradientCode,
                         static_cast<uint8_t>(packing::gradientCode(0)),
                         [](uint8_t v) -> int64_t { return packing::gradientOf(v); }});
}

// One mountain row for the cells first to last of one mountainType.
Row mountainRow(const Context& c, int64_t first, int64_t last, int64_t previousEnd) {
  const auto& cells = c.model.cells;
  const int32_t type = cells[static_cast<size_t>(first)].mountainType;
  bool markers = false;
  bool unmarked = false;
  for (int64_t i = first; i <= last; ++i) {
    const bool due = (i - first + 1) % kMarkerSpacing == 0;
    const uint8_t kind = cells[static_cast<size_t>(i)].kind;
    if (kind == CellTunnelMarker && !due) {
      c.hint(CompiledPart::Cells, i, "a tunnel marker off the every-fourth-cell rhythm");
    }
    if (due && kind == CellTunnelMarker) markers = true;
    if (due && kind == CellFree) unmarked = true;
  }
  if (markers && unmarked) {
    c.hint(CompiledPart::Cells, first, "a mountain with tunnel markers on some of its cells");
  }
  const int64_t inizio = cellToMetres(first);
  if (previousEnd >= 0 && inizio - previousEnd <= kMountainGap && type != kJoinedMountainType) {
    c.hint(CompiledPart::Cells, first,
           "a mountain 150 m or less after the one before it is of type 3");
  }
  if (!passesRangeTest(inizio, c.lastCell())) {
    c.hint(CompiledPart::Cells, first, "a mountain starting here fails the range test");
  }
  // Above 10 a type means markers: a type above 10 without them comes through its low 8 bits.
  const int64_t tipo = markers                    ? type + kMarkerTypeOffset
                       : type > kMarkerTypeOffset ? type - 256
                                                  : type;
  return numbers("montagna", {inizio, cellToMetres(last + 1), tipo}, inizio);
}

std::vector<Row> mountainRows(const Context& c) {
  std::vector<Row> rows;
  const auto& cells = c.model.cells;
  int64_t previousEnd = -1;
  for (size_t i = 0; i < cells.size();) {
    const uint8_t type = cells[i].mountainType;
    size_t j = i;
    while (j + 1 < cells.size() && cells[j + 1].mountainType == type) ++j;
    if (type != 0) {
      rows.push_back(mountainRow(c, static_cast<int64_t>(i), static_cast<int64_t>(j), previousEnd));
      previousEnd = cellToMetres(static_cast<int64_t>(j) + 1);
    } else {
      for (size_t k = i; k <= j; ++k) {
        if (cells[k].kind == CellTunnelMarker) {
          c.hint(CompiledPart::Cells, static_cast<int64_t>(k), "a tunnel marker outside mountains");
        }
      }
    }
    i = j + 1;
  }
  return rows;
}

// The point-item position whose cell is c: pointCell((c - 1) * 50) = c.
int64_t pointPosition(int64_t cell) {
  return cellToMetres(cell - 1);
}

std::vector<Row> speedBoardRows(const Context& c) {
  std::vector<Row> rows;
  const auto& cells = c.model.cells;
  for (size_t i = 0; i < cells.size(); ++i) {
    const TrackCell& cell = cells[i];
    // A station stop is written over whatever its cell holds: values 2 to 4 under it are left
    // by a speed board placed there before.
    const bool underStop =
        cell.kind == CellStationStop && (cell.value2 != 0 || cell.value3 != 0 || cell.value4 != 0);
    if (cell.kind != CellSpeedBoard && !underStop) continue;
    const int64_t p = pointPosition(static_cast<int64_t>(i));
    if (!passesRangeTest(p, c.lastCell())) {
      c.hint(CompiledPart::Cells, static_cast<int64_t>(i),
             "a speed board here fails the range test");
    }
    const packing::Sides a = packing::speedPairSides(underStop ? int16_t{0} : cell.value1);
    const packing::Sides b = packing::speedPairSides(cell.value2);
    const packing::Sides v = packing::speedPairSides(cell.value3);
    const packing::Sides s = packing::stripeSides(cell.value4);
    rows.push_back(numbers("indicatori_vmax",
                           {p, a.left, b.left, v.left, s.left, a.right, b.right, v.right, s.right},
                           p));
  }
  return rows;
}

// Indication boards in the order of their records (80, 79, ...), which is the rows' order.
std::vector<Row> indicationRows(const Context& c) {
  std::vector<std::pair<int32_t, int64_t>> boards;  // record, cell
  const auto& cells = c.model.cells;
  for (size_t i = 0; i < cells.size(); ++i) {
    if (cells[i].kind == CellIndicationBoard) {
      boards.emplace_back(cells[i].value1, static_cast<int64_t>(i));
    }
  }
  std::stable_sort(boards.begin(), boards.end(),
                   [](const auto& a, const auto& b) { return a.first > b.first; });
  std::vector<Row> rows;
  int32_t slot = kFirstBoardTextSlot;
  for (const auto& [record, cell] : boards) {
    const int64_t p = pointPosition(cell);
    if (record != slot) {
      c.hint(CompiledPart::Cells, cell,
             "the board points at record " + std::to_string(record) +
                 "; boards take records 80, 79, ... in the order of their rows");
    }
    const std::string text =
        record >= 1 && record <= kFirstBoardTextSlot ? c.model.records[record].text : "";
    if (std::string why = textProblem(text); !why.empty()) {
      c.hint(CompiledPart::Records, record, "the indication board's " + why.substr(4));
    }
    if (!passesRangeTest(p, c.lastCell())) {
      c.hint(CompiledPart::Cells, cell, "an indication board here fails the range test");
    }
    Row r = numbers("cartello_indicatore", {p}, p);
    r.values.push_back(text);
    r.lastIsText = true;
    rows.push_back(r);
    --slot;
  }
  return rows;
}

}  // namespace

std::string lineText(const Context& c) {
  std::vector<std::string> lines;
  appendSection(lines, "[generale]", generalRows(c));
  appendSection(lines, "[curve]", curveRows(c));
  appendSection(lines, "[pendenze]", gradientRows(c));
  appendSection(lines, "[montagne]", mountainRows(c));
  appendSection(lines, "[cartelli]", speedBoardRows(c));
  appendSection(lines, "[indicazioni]", indicationRows(c));
  lines.push_back("[fine]");
  lines.push_back("");
  return joinLines(lines);
}

}  // namespace sc::decompiling

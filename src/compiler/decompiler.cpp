#include "compiler/decompiler.h"

#include <bit>
#include <functional>
#include <set>

#include "compiler/build.h"
#include "compiler/compiler.h"
#include "compiler/decompile_rows.h"
#include "compiler/post_pass.h"

namespace sc {
namespace {

using decompiling::Row;

// The texts compiled in memory, as the files would hold them: nothing touches a folder.
struct MemoryCompile {
  CompiledModel model;
  CompileOutcome::End end = CompileOutcome::End::Written;
  int32_t erroreNumber = 0;
  int32_t errorNumber = 0;
  bool hasCells = false;
};

MemoryCompile compileInMemory(const CompiledModel& m, const std::string& line,
                              const std::string& train, int32_t buildFlag) {
  Build b({}, m.scenarioName, m.trainNumber, buildFlag);
  b.held = Build::HeldTexts{line, train};
  MemoryCompile r;
  const CompileOutcome outcome = compileModel(b);
  r.end = outcome.end;
  r.erroreNumber = outcome.erroreNumber;
  r.errorNumber = b.error.errorNumber;
  r.hasCells = b.track.hasCells();
  r.model.records = b.records;
  r.model.cells = std::move(b.track.trackCells);
  r.model.scenarioName = m.scenarioName;
  r.model.trainNumber = m.trainNumber;
  if (buildFlag != 0 && b.track.trackPlan) {
    const TrackPlan& plan = *b.track.trackPlan;
    for (int32_t row = 0; row < plan.rows(); ++row) {
      r.model.planX.push_back(plan.entry(row, 0));
      r.model.planY.push_back(plan.entry(row, 1));
    }
  }
  return r;
}

bool isReduction(const TrackCell& cell) {
  return cell.kind == CellReductionPoint || cell.kind == CellReductionPointNoValue;
}

// The reduction points the post-pass does not place again by itself. Those with a value other
// than its 180, and those without one, are rows for certain; the texts are then compiled
// with them, and every point the compile leaves out (or places otherwise) becomes a row too,
// until the compile places all of them.
std::vector<Row> reductionRows(const CompiledModel& m, const std::string& line,
                               const decompiling::TrainRows& rows) {
  std::set<int64_t> manual;
  const auto& cells = m.cells;
  for (size_t i = 0; i < cells.size(); ++i) {
    if (!isReduction(cells[i])) continue;
    if (cells[i].kind == CellReductionPointNoValue || cells[i].value1 != kAutomaticPointValue) {
      manual.insert(static_cast<int64_t>(i));
    }
  }
  auto asRows = [&] {
    std::vector<Row> out;
    for (int64_t i : manual)
      out.push_back(decompiling::reductionRow(cells[static_cast<size_t>(i)], i));
    return out;
  };
  // Each round adds at least one row, and there are no more rows than points.
  for (size_t round = 0; round <= cells.size(); ++round) {
    const MemoryCompile r = compileInMemory(m, line, decompiling::trainText(rows, asRows()), 0);
    if (!r.hasCells || r.model.cells.size() != cells.size()) break;
    size_t before = manual.size();
    for (size_t i = 0; i < cells.size(); ++i) {
      const TrackCell& want = cells[i];
      const TrackCell& got = r.model.cells[i];
      if (isReduction(want) && (got.kind != want.kind || got.value1 != want.value1)) {
        manual.insert(static_cast<int64_t>(i));
      }
    }
    if (manual.size() == before) break;
  }
  return asRows();
}

std::string why(const Hints& hints, CompiledPart part, int64_t index, const std::string& field) {
  if (auto it = hints.find({part, index}); it != hints.end()) return it->second;
  if (auto it = hints.find({part, -1}); it != hints.end()) return it->second;
  if (part == CompiledPart::Cells && field == "approachCode") {
    return "approach codes follow from the signal and station rows: no order of ascending "
           "rows (stations before signals) writes this one last";
  }
  if (part == CompiledPart::Cells && field == "kind") {
    return "the item of this cell comes from no row, or the post-pass places it otherwise";
  }
  return {};
}

// A field of a record or a cell, by name, shown as a number (a text as itself).
template <class T>
struct Field {
  const char* name;
  std::function<std::string(const T&)> show;
};

#define SC_FIELD(T, f)                                 \
  Field<T> {                                           \
#f, [](const T& v) { return std::to_string(v.f); } \
  }

const std::vector<Field<ScenarioRecord>>& recordFields() {
  static const std::vector<Field<ScenarioRecord>> fields = {
      SC_FIELD(ScenarioRecord, stationKind),
      SC_FIELD(ScenarioRecord, start),
      SC_FIELD(ScenarioRecord, end),
      SC_FIELD(ScenarioRecord, position),
      SC_FIELD(ScenarioRecord, flagA),
      Field<ScenarioRecord>{"text", [](const ScenarioRecord& r) { return "\"" + r.text + "\""; }},
      SC_FIELD(ScenarioRecord, groupA1),
      SC_FIELD(ScenarioRecord, groupA2),
      SC_FIELD(ScenarioRecord, groupB1),
      SC_FIELD(ScenarioRecord, groupB2),
      SC_FIELD(ScenarioRecord, groupB3),
      SC_FIELD(ScenarioRecord, groupA3),
      SC_FIELD(ScenarioRecord, stopTime),
      SC_FIELD(ScenarioRecord, extendEnd),
      SC_FIELD(ScenarioRecord, flagB),
      SC_FIELD(ScenarioRecord, scheduledTime)};
  return fields;
}

const std::vector<Field<TrackCell>>& cellFields() {
  static const std::vector<Field<TrackCell>> fields = {
      SC_FIELD(TrackCell, kind),         SC_FIELD(TrackCell, value1),
      SC_FIELD(TrackCell, value2),       SC_FIELD(TrackCell, value3),
      SC_FIELD(TrackCell, value4),       SC_FIELD(TrackCell, signalTime),
      SC_FIELD(TrackCell, approachCode), SC_FIELD(TrackCell, mountainType),
      SC_FIELD(TrackCell, speedStep),    SC_FIELD(TrackCell, gradientCode),
      SC_FIELD(TrackCell, adhesion)};
  return fields;
}

#undef SC_FIELD

std::string showEntry(const TaggedValue& v) {
  if (v.tag == PlanTag::Empty) return "empty";
  if (v.tag == PlanTag::Integer) return std::to_string(v.integer);
  char text[40];
  std::snprintf(text, sizeof text, "%.17g", v.real);
  return text;
}

// Collects the differences, listing at most `limit` of them.
class Differ {
 public:
  Differ(const Hints& hints, size_t limit) : hints_(hints), limit_(limit) {}

  template <class T>
  void items(CompiledPart part, const std::vector<T>& a, const std::vector<T>& b,
             const std::vector<Field<T>>& fields) {
    if (a.size() != b.size()) {
      add(part, -1, "count", std::to_string(a.size()), std::to_string(b.size()));
    }
    for (size_t i = 0; i < a.size() && i < b.size(); ++i) {
      if (a[i] == b[i]) continue;
      for (const Field<T>& f : fields) {
        std::string x = f.show(a[i]);
        std::string y = f.show(b[i]);
        if (x != y) add(part, static_cast<int64_t>(i), f.name, x, y);
      }
    }
  }

  void plan(const CompiledModel& a, const CompiledModel& b) {
    if (a.planX.size() != b.planX.size()) {
      add(CompiledPart::Plan, -1, "rows", std::to_string(a.planX.size()),
          std::to_string(b.planX.size()));
      return;
    }
    for (size_t j = 0; j < a.planX.size(); ++j) {
      if (!sameBits(a.planX[j], b.planX[j])) {
        add(CompiledPart::Plan, static_cast<int64_t>(j), "x", showEntry(a.planX[j]),
            showEntry(b.planX[j]));
      }
      if (!sameBits(a.planY[j], b.planY[j])) {
        add(CompiledPart::Plan, static_cast<int64_t>(j), "y", showEntry(a.planY[j]),
            showEntry(b.planY[j]));
      }
    }
  }

  std::vector<Difference> listed;
  size_t total = 0;

 private:
  void add(CompiledPart part, int64_t index, const std::string& field, std::string a,
           std::string b) {
    ++total;
    if (listed.size() >= limit_) return;
    listed.push_back(
        {part, index, field, std::move(a), std::move(b), why(hints_, part, index, field)});
  }

  const Hints& hints_;
  size_t limit_;
};

}  // namespace

const char* partName(CompiledPart part) {
  switch (part) {
    case CompiledPart::Plan:
      return "plan";
    case CompiledPart::Records:
      return "records";
    case CompiledPart::Cells:
      return "cells";
  }
  return "?";
}

std::vector<Difference> compareModels(const CompiledModel& input, const CompiledModel& roundTrip,
                                      const Hints& hints, size_t limit, size_t& total) {
  Differ d(hints, limit);
  std::vector<ScenarioRecord> a(input.records.records.begin(), input.records.records.end());
  std::vector<ScenarioRecord> b(roundTrip.records.records.begin(), roundTrip.records.records.end());
  d.items(CompiledPart::Records, a, b, recordFields());
  d.items(CompiledPart::Cells, input.cells, roundTrip.cells, cellFields());
  d.plan(input, roundTrip);
  total = d.total;
  return std::move(d.listed);
}

namespace {

// The model as the stamp found it: the markers and codes are not rows, and their slots were
// 0 before the stamp wrote them (it writes nothing otherwise).
CompiledModel unstamped(const CompiledModel& model) {
  CompiledModel m = model;
  if (m.cells.size() > 1) {
    m.cells[1].value1 = 0;
    m.cells[1].value2 = 0;
  }
  m.records.formatMagic() = 0;
  m.records.codeSt() = 0;
  return m;
}

}  // namespace

Decompiled decompile(const CompiledModel& model) {
  Decompiled d;
  const CompiledModel rowsOf = unstamped(model);
  const decompiling::Context c{rowsOf, d.hints, d.notes};
  d.lineText = decompiling::lineText(c);
  const decompiling::TrainRows rows = decompiling::trainRows(c);
  d.trainText = decompiling::trainText(rows, reductionRows(rowsOf, d.lineText, rows));

  const MemoryCompile r = compileInMemory(model, d.lineText, d.trainText, model.hasPlan() ? 1 : 0);
  d.errorNumber = r.errorNumber;
  if (r.end != CompileOutcome::End::Written) {
    const std::string what =
        r.end == CompileOutcome::End::Errore
            ? "the texts compile to Errore n. " + std::to_string(r.erroreNumber)
            : "the texts compile to no cells";
    d.differences.push_back({CompiledPart::Cells, -1, "(all)", "written", "nothing", what});
    return d;
  }
  size_t total = 0;
  d.differences = compareModels(model, r.model, d.hints, 1000, total);
  return d;
}

}  // namespace sc

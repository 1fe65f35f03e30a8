#include "cli/compiled_report.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "cli/compiled_scenario.h"
#include "compiler/codes.h"
#include "compiler/compiled_files.h"
#include "compiler/rules.h"

namespace sc {
namespace {

using json = nlohmann::ordered_json;

constexpr int32_t kStationSpacing = 350;

std::string num(int64_t v) {
  return std::to_string(v);
}

// No plan coordinate of a real line lies farther than this from the start, in metres.
constexpr double kPlanReach = 1e7;

std::string recordName(const CompiledScenario& s, int k) {
  return utf8FromCodePage(s.records[k].text);
}

void checkRecords(const CompiledScenario& s, Findings& f) {
  const auto problem = [&](std::string what) { f.problems.push_back({s.recordFile, what}); };
  const RecordTable& r = s.records;

  if (s.recordsWhole && !validRouteLength(s)) {
    problem("record 84 end (route length) " + num(r[kRecordTrain].end) +
            " m lies outside 0 to 1000000 m");
  }
  for (int k = kRecordKmThree; k <= kRecordKmOne && s.recordsWhole; ++k) {
    for (auto [field, value] : {std::pair{"start", r[k].start}, std::pair{"end", r[k].end}}) {
      if (value % 50 != 0) {
        problem("record " + num(k) + " (kilometre reference) " + field + " " + num(value) +
                " is not a multiple of 50");
      }
    }
  }
  if (recordIsFilled(r[0])) problem("record 0 is not all zero with an empty text");
  if (r[1].extendEnd != 0 || r[1].flagB != 0) {
    problem("record 1 (first station) has extendEnd " + num(r[1].extendEnd) + " and flagB " +
            num(r[1].flagB) + "; both must be 0");
  }
  std::vector<StationView> stations = stationsOf(s);
  for (size_t i = 1; i < stations.size(); ++i) {
    const ScenarioRecord& here = r[stations[i].record];
    const ScenarioRecord& before = r[stations[i - 1].record];
    if (int64_t{here.start} - kStationSpacing < int64_t{before.end}) {
      problem("station record " + num(stations[i].record) + " (" +
              recordName(s, stations[i].record) + ") starts at " + num(here.start) +
              " m, less than 350 m after the end of record " + num(stations[i - 1].record) +
              " at " + num(before.end) + " m");
    }
  }
  if (s.recordsWhole) {
    std::string expected = r[kRecordScenario].text + "_" + r[kRecordService].text + ".sim";
    if (s.recordFile.filename().string() != expected) {
      problem("records 85 and 86 name the scenario " + recordName(s, kRecordScenario) + ", train " +
              recordName(s, kRecordService) + ", whose record file is " +
              utf8FromCodePage(expected));
    }
  }
}

void checkSizes(const CompiledScenario& s, Findings& f) {
  std::optional<int32_t> length = validRouteLength(s);
  if (!length) return;
  if (s.hasCells) {
    size_t needed = static_cast<size_t>(lastCellOf(*length)) + 1;
    if (s.cells.size() != needed || s.cellBytes != needed * kCellBytes) {
      f.problems.push_back(
          {s.cellFile, "the cell file holds " + num(static_cast<int64_t>(s.cells.size())) +
                           " cells (" + num(static_cast<int64_t>(s.cellBytes)) +
                           " bytes); a route of " + num(*length) + " m needs " +
                           num(static_cast<int64_t>(needed)) + " cells (" +
                           num(static_cast<int64_t>(needed * kCellBytes)) + " bytes)"});
    }
  }
  if (s.hasPlan) {
    size_t needed = 2 * (static_cast<size_t>(modelLengthOf(*length)) + 1);
    size_t held = s.planX.size() + s.planY.size();
    if (held != needed) {
      f.problems.push_back({s.planFile, "the plan file holds " + num(static_cast<int64_t>(held)) +
                                            " entries; a route of " + num(*length) +
                                            " m needs 2 x (" + num(modelLengthOf(*length)) +
                                            " + 1) = " + num(static_cast<int64_t>(needed))});
    }
  }
}

void checkStamp(const CompiledScenario& s, Findings& f) {
  const std::string noRecords = s.hasRecords ? "the record file is cut short" : "no record file";
  const std::string noCell1 = s.hasCells ? "the cell file has no cell 1" : "no cell file";
  bool records = s.hasRecords && s.recordsWhole;
  bool cell1 = s.hasCells && s.cells.size() > 1;

  Check format{"format marker", "record 85 groupA1", std::nullopt, kFormatMagic, {}};
  if (records) {
    format.found = s.records[kRecordScenario].groupA1;
  } else {
    format.unchecked = noRecords;
  }
  Check cellMagic{"cell marker", "cell 1 value1", std::nullopt, kCellMagic, {}};
  if (cell1) {
    cellMagic.found = s.cells[1].value1;
  } else {
    cellMagic.unchecked = noCell1;
  }
  Check codeSt{"codice_gara_st", "record 85 scheduledTime", std::nullopt, std::nullopt, {}};
  if (records) {
    codeSt.found = s.records[kRecordScenario].scheduledTime;
    codeSt.expected = codice_gara_st(s.records);
  } else {
    codeSt.unchecked = noRecords;
  }
  Check codeOg{"codice_gara_og", "cell 1 value2", std::nullopt, std::nullopt, {}};
  if (records && cell1) {
    codeOg.found = s.cells[1].value2;
    codeOg.expected = codice_gara_og(s.records);
  } else {
    codeOg.unchecked = !records ? noRecords : noCell1;
  }

  for (const Check& c : {format, cellMagic, codeSt, codeOg}) {
    f.checks.push_back(c);
    if (c.made() && !c.matches()) {
      const std::filesystem::path& file = c.slot.rfind("cell", 0) == 0 ? s.cellFile : s.recordFile;
      f.problems.push_back({file, "the " + c.name + " in " + c.slot + " is " + num(*c.found) +
                                      ", expected " + num(*c.expected)});
    }
  }
}

// Plan coordinates the simulator could not place: not finite, or farther from the start than
// any line can reach.
void checkPlanValues(const CompiledScenario& s, Findings& f) {
  int64_t bad = 0;
  std::string first;
  for (const auto* half : {&s.planX, &s.planY}) {
    for (size_t row = 0; row < half->size(); ++row) {
      const TaggedValue& v = (*half)[row];
      if (v.tag != PlanTag::Real || (std::isfinite(v.real) && std::fabs(v.real) <= kPlanReach)) {
        continue;
      }
      if (bad++ == 0) {
        std::ostringstream text;
        text << (half == &s.planX ? "x" : "y") << " of row " << row << " is " << v.real;
        first = text.str();
      }
    }
  }
  if (bad > 0) {
    f.problems.push_back({s.planFile, num(bad) + " plan coordinate" + (bad == 1 ? " is" : "s are") +
                                          " not finite or beyond 10000000 m (first: " + first +
                                          ")"});
  }
}

}  // namespace

Findings examine(const CompiledScenario& s) {
  Findings f;
  f.problems = s.problems;
  f.warnings = s.warnings;
  if (s.hasRecords) checkRecords(s, f);
  checkSizes(s, f);
  if (s.hasPlan) checkPlanValues(s, f);
  checkStamp(s, f);
  return f;
}

namespace {

// ---- plain text -----------------------------------------------------------------------------

// Columns padded to their widest entry; right-aligned columns hold numbers.
class Table {
 public:
  Table(std::vector<std::string> header, std::vector<bool> right)
      : header_(std::move(header)), right_(std::move(right)) {}
  void add(std::vector<std::string> row) { rows_.push_back(std::move(row)); }
  bool empty() const { return rows_.empty(); }

  void print(std::ostream& out) const {
    std::vector<size_t> width(header_.size(), 0);
    for (size_t c = 0; c < header_.size(); ++c) width[c] = displayWidth(header_[c]);
    for (const auto& row : rows_) {
      for (size_t c = 0; c < row.size() && c < width.size(); ++c) {
        width[c] = std::max(width[c], displayWidth(row[c]));
      }
    }
    line(out, header_, width);
    for (const auto& row : rows_) line(out, row, width);
  }

 private:
  void line(std::ostream& out, const std::vector<std::string>& row,
            const std::vector<size_t>& width) const {
    std::string text = " ";
    for (size_t c = 0; c < row.size(); ++c) {
      std::string pad(width[c] - displayWidth(row[c]), ' ');
      bool last = c + 1 == row.size();
      text += " ";
      text += right_[c] ? pad + row[c] : row[c] + (last ? "" : pad);
      if (!last) text += " ";
    }
    out << text << "\n";
  }

  std::vector<std::string> header_;
  std::vector<bool> right_;
  std::vector<std::vector<std::string>> rows_;
};

void heading(std::ostream& out, const std::string& title) {
  out << "\n" << title << "\n" << std::string(title.size(), '-') << "\n";
}

std::string orDash(const std::optional<int32_t>& v) {
  return v ? num(*v) : "-";
}

std::string clockOf(const RecordTable& r) {
  const ScenarioRecord& svc = r[kRecordService];
  return clockText(int64_t{svc.groupB1} * 3600 + int64_t{svc.groupB2} * 60 + svc.groupB3);
}

void printFiles(const CompiledScenario& s, std::ostream& out) {
  heading(out, "Files");
  Table t({"file", "path", "size"}, {false, false, true});
  if (!s.recordFile.empty()) {
    t.add({"records", s.recordFile.string(), num(static_cast<int64_t>(s.recordBytes)) + " bytes"});
  }
  if (!s.cellFile.empty()) {
    t.add({"cells", s.cellFile.string(),
           s.hasCells ? num(static_cast<int64_t>(s.cellBytes)) + " bytes" : "missing"});
  }
  if (!s.planFile.empty()) {
    t.add({"plan", s.planFile.string(), num(static_cast<int64_t>(s.planBytes)) + " bytes"});
  }
  t.print(out);
  for (const std::string& note : s.notes) out << "  note: " << note << "\n";
}

void printGeneral(const CompiledScenario& s, std::ostream& out) {
  const RecordTable& r = s.records;
  heading(out, "General records");
  Table t({"meaning", "slot", "value"}, {false, false, false});
  t.add({"scenario name", "85.text", recordName(s, kRecordScenario)});
  t.add({"train number", "86.text", recordName(s, kRecordService)});
  t.add({"route length", "84.end", num(r[kRecordTrain].end) + " m"});
  for (int k = kRecordKmThree; k <= kRecordKmOne; ++k) {
    t.add({"kilometre reference", num(k) + ".start/end/position",
           num(r[k].start) + " / " + num(r[k].end) + " / " + num(r[k].position)});
  }
  const ScenarioRecord& sc = r[kRecordScenario];
  t.add({"backgrounds one/two/three", "85.start/position/end",
         num(sc.start) + " / " + num(sc.position) + " / " + num(sc.end)});
  const ScenarioRecord& svc = r[kRecordService];
  t.add({"signal repetition", "86.start/end/position",
         num(svc.start) + " m to " + num(svc.end) + " m, " + num(svc.position) + " codes"});
  t.add({"coaches", "84.position", num(r[kRecordTrain].position)});
  t.add({"braked mass", "84.start", num(r[kRecordTrain].start) + " %"});
  t.add({"sand", "86.groupA1", num(svc.groupA1)});
  t.add({"start clock", "86.groupB1-3", clockOf(r)});
  t.print(out);
}

void printStations(const CompiledScenario& s, std::ostream& out) {
  std::vector<StationView> stations = stationsOf(s);
  heading(out, stations.empty() ? std::string("Stations (none)")
                                : "Stations (records 1 to " + num(stations.back().record) + ")");
  if (stations.empty()) return;
  Table t({"rec", "name", "kind", "area (m)", "position (m)", "stop cell", "time", "stopTime"},
          {true, false, true, true, true, true, true, true});
  for (const StationView& v : stations) {
    const ScenarioRecord& st = s.records[v.record];
    t.add({num(v.record), recordName(s, v.record), num(st.stationKind),
           num(st.start) + "-" + num(st.end), num(st.position), orDash(v.stopCell),
           clockText(st.scheduledTime), num(st.stopTime)});
  }
  t.print(out);
}

void printBoards(const CompiledScenario& s, std::ostream& out) {
  std::vector<BoardTextView> boards = boardTextsOf(s);
  heading(out, boards.empty() ? std::string("Board texts (none)")
                              : "Board texts (records 80 to " + num(boards.back().record) + ")");
  if (boards.empty()) return;
  Table t({"rec", "cell", "text"}, {true, true, false});
  for (const BoardTextView& b : boards) {
    t.add({num(b.record), orDash(b.cell), recordName(s, b.record)});
  }
  t.print(out);
}

std::map<int, int64_t> kindCounts(const CompiledScenario& s) {
  std::map<int, int64_t> counts;
  for (const TrackCell& c : s.cells) ++counts[c.kind];
  return counts;
}

void printKinds(const CompiledScenario& s, std::ostream& out) {
  heading(out, "Cells by kind (" + num(static_cast<int64_t>(s.cells.size())) + " cells)");
  Table t({"kind", "name", "cells"}, {true, false, true});
  for (auto [kind, count] : kindCounts(s)) t.add({num(kind), cellKindName(kind), num(count)});
  t.print(out);
}

void printChecks(const Findings& f, std::ostream& out) {
  heading(out, "Markers and verification codes");
  Table t({"check", "slot", "found", "expected", "result"}, {false, false, true, true, false});
  for (const Check& c : f.checks) {
    if (!c.made()) {
      t.add({c.name, c.slot, "-", c.expected ? num(*c.expected) : "-",
             "not checked: " + c.unchecked});
    } else {
      t.add({c.name, c.slot, num(*c.found), num(*c.expected), c.matches() ? "matches" : "DIFFERS"});
    }
  }
  t.print(out);
}

std::vector<std::string> cellRow(const std::vector<TrackCell>& cells, int32_t i) {
  const TrackCell& c = cells[static_cast<size_t>(i)];
  return {num(i),
          num(cellToMetres(i)),
          num(c.kind) + " " + cellKindName(c.kind),
          num(c.value1),
          num(c.value2),
          num(c.value3),
          num(c.value4),
          num(c.signalTime),
          num(c.approachCode),
          num(c.mountainType),
          num(c.speedStep),
          num(c.gradientCode),
          num(c.adhesion)};
}

void printCells(const CompiledScenario& s, std::pair<int32_t, int32_t> range, std::ostream& out) {
  heading(out, "Cells " + num(range.first) + " to " + num(range.second) + " of " +
                   s.cellFile.filename().string());
  Table t({"cell", "metres", "kind", "value1", "value2", "value3", "value4", "signalTime",
           "approachCode", "mountainType", "speedStep", "gradientCode", "adhesion"},
          {true, true, false, true, true, true, true, true, true, true, true, true, true});
  for (int32_t i = range.first; i <= range.second; ++i) t.add(cellRow(s.cells, i));
  t.print(out);
}

void printTitle(const CompiledScenario& s, std::ostream& out) {
  if (s.recordsWhole) {
    out << "Compiled scenario " << recordName(s, kRecordScenario) << ", train "
        << recordName(s, kRecordService) << "\n";
  } else if (s.hasRecords) {
    out << "Compiled scenario " << s.recordFile.filename().string() << " (record file cut short)\n";
  } else {
    out << "Compiled " << (s.hasCells ? "cell" : "plan") << " file (read alone)\n";
  }
}

void printReport(const CompiledScenario& s, const Findings& f, std::ostream& out) {
  printTitle(s, out);
  printFiles(s, out);
  if (s.hasRecords) {
    if (s.recordsWhole) {
      printGeneral(s, out);
    } else {
      heading(out, "General records");
      out << "  not shown: the record file ends before records 81 to 86\n";
    }
    printStations(s, out);
    printBoards(s, out);
  }
  if (s.hasCells) printKinds(s, out);
  if (s.hasPlan) {
    heading(out, "Plan");
    int64_t empty = 0;
    for (const TaggedValue& v : s.planX) empty += v.tag == PlanTag::Empty ? 1 : 0;
    out << "  " << s.planX.size() << " rows (x and y entries each), " << empty
        << " of them empty\n";
  }
  printChecks(f, out);
  out << "\n";
  for (const FileProblem& w : f.warnings) {
    out << "Warning: " << w.file.filename().string() << ": " << w.what << "\n";
  }
  if (f.problems.empty()) {
    out << "Result: the files are whole and consistent\n";
  } else {
    out << "Result: " << f.problems.size() << " problem" << (f.problems.size() == 1 ? "" : "s")
        << " (on standard error)\n";
  }
}

// ---- JSON -----------------------------------------------------------------------------------

json optionalNumber(const std::optional<int64_t>& v) {
  return v ? json(*v) : json();
}

json cellJson(const std::vector<TrackCell>& cells, int32_t i) {
  const TrackCell& c = cells[static_cast<size_t>(i)];
  return {{"cell", i},
          {"metres", cellToMetres(i)},
          {"kind", c.kind},
          {"kindName", cellKindName(c.kind)},
          {"value1", c.value1},
          {"value2", c.value2},
          {"value3", c.value3},
          {"value4", c.value4},
          {"signalTime", c.signalTime},
          {"approachCode", c.approachCode},
          {"mountainType", c.mountainType},
          {"speedStep", c.speedStep},
          {"gradientCode", c.gradientCode},
          {"adhesion", c.adhesion}};
}

json reportJson(const CompiledScenario& s, const Findings& f,
                const std::optional<std::pair<int32_t, int32_t>>& range) {
  json j;
  auto path = [](const std::filesystem::path& p) { return p.empty() ? json() : json(p.string()); };
  j["files"] = {{"records", path(s.recordFile)},
                {"cells", s.hasCells ? path(s.cellFile) : json()},
                {"plan", path(s.planFile)}};
  j["notes"] = s.notes;
  j["warnings"] = json::array();
  for (const FileProblem& w : f.warnings) {
    j["warnings"].push_back({{"file", w.file.string()}, {"what", w.what}});
  }

  if (s.hasRecords) {
    const RecordTable& r = s.records;
    const ScenarioRecord& sc = r[kRecordScenario];
    const ScenarioRecord& svc = r[kRecordService];
    json km = json::array();
    for (int k = kRecordKmThree; k <= kRecordKmOne; ++k) {
      km.push_back(
          {{"record", k}, {"start", r[k].start}, {"end", r[k].end}, {"position", r[k].position}});
    }
    if (s.recordsWhole) {
      j["general"] = {
          {"scenarioName", recordName(s, kRecordScenario)},
          {"trainNumber", recordName(s, kRecordService)},
          {"routeLength", r[kRecordTrain].end},
          {"kmReferences", km},
          {"backgrounds", {{"one", sc.start}, {"two", sc.position}, {"three", sc.end}}},
          {"signalRepetition", {{"start", svc.start}, {"end", svc.end}, {"codes", svc.position}}},
          {"coaches", r[kRecordTrain].position},
          {"brakedMassPercent", r[kRecordTrain].start},
          {"sand", svc.groupA1},
          {"clock", clockOf(r)}};
    } else {
      j["general"] = nullptr;
    }
    json stations = json::array();
    for (const StationView& v : stationsOf(s)) {
      const ScenarioRecord& st = r[v.record];
      stations.push_back({{"record", v.record},
                          {"name", recordName(s, v.record)},
                          {"kind", st.stationKind},
                          {"start", st.start},
                          {"end", st.end},
                          {"position", st.position},
                          {"stopCell", v.stopCell ? json(*v.stopCell) : json()},
                          {"time", clockText(st.scheduledTime)},
                          {"scheduledTime", st.scheduledTime},
                          {"stopTime", st.stopTime}});
    }
    j["stations"] = stations;
    json boards = json::array();
    for (const BoardTextView& b : boardTextsOf(s)) {
      boards.push_back({{"record", b.record},
                        {"text", recordName(s, b.record)},
                        {"cell", b.cell ? json(*b.cell) : json()}});
    }
    j["boardTexts"] = boards;
  }
  if (s.hasCells) {
    json kinds = json::array();
    for (auto [kind, count] : kindCounts(s)) {
      kinds.push_back({{"kind", kind}, {"name", cellKindName(kind)}, {"cells", count}});
    }
    j["cells"] = {{"count", s.cells.size()}, {"byKind", kinds}};
    if (range) {
      json listed = json::array();
      for (int32_t i = range->first; i <= range->second; ++i)
        listed.push_back(cellJson(s.cells, i));
      j["cells"]["listed"] = listed;
    }
  }
  if (s.hasPlan)
    j["plan"] = {{"rows", s.planX.size()}, {"entries", s.planX.size() + s.planY.size()}};

  json checks = json::object();
  for (const Check& c : f.checks) {
    checks[c.name] = {{"slot", c.slot},
                      {"found", optionalNumber(c.found)},
                      {"expected", optionalNumber(c.expected)},
                      {"matches", c.made() ? json(c.matches()) : json()},
                      {"unchecked", c.made() ? json() : json(c.unchecked)}};
  }
  j["checks"] = checks;
  json problems = json::array();
  for (const FileProblem& p : f.problems) {
    problems.push_back({{"file", path(p.file)}, {"problem", p.what}});
  }
  j["problems"] = problems;
  j["consistent"] = f.problems.empty();
  return j;
}

}  // namespace

int runInspect(const InspectOptions& options, std::ostream& out, std::ostream& err) {
  LoadOutcome loaded = loadCompiledScenario(options.path);
  if (loaded.status != 0) {
    err << "scenario-compactor: " << loaded.message << "\n";
    return loaded.status;
  }
  const CompiledScenario& s = loaded.scenario;

  if (options.cells) {
    auto [from, to] = *options.cells;
    if (!s.hasCells) {
      err << "scenario-compactor: no cell file to list cells " << from << "-" << to << " from\n";
      return kExitInspectUsage;
    }
    int64_t last = static_cast<int64_t>(s.cells.size()) - 1;
    if (from < 0 || to < from || to > last) {
      err << "scenario-compactor: cells " << from << "-" << to << " lie outside "
          << s.cellFile.string() << ", which holds cells 0 to " << last << "\n";
      return kExitInspectUsage;
    }
  }

  Findings f = examine(s);
  if (options.json) {
    out << reportJson(s, f, options.cells).dump(2, ' ', false, json::error_handler_t::replace)
        << "\n";
  } else if (options.cells) {
    printTitle(s, out);
    printCells(s, *options.cells, out);
  } else {
    printReport(s, f, out);
  }
  for (const FileProblem& w : f.warnings) {
    err << "scenario-compactor: " << w.file.string() << ": warning: " << w.what << "\n";
  }
  for (const FileProblem& p : f.problems) {
    err << "scenario-compactor: " << p.file.string() << ": " << p.what << "\n";
  }
  return f.problems.empty() ? 0 : kExitInspectProblem;
}

}  // namespace sc

#include "cli/compiled_checks.h"

#include <cmath>
#include <sstream>

#include "compiler/codes.h"
#include "compiler/compiled_files.h"
#include "compiler/rules.h"

namespace sc {
namespace {

// No plan coordinate of a real line lies farther than this from the start, in metres.
constexpr double kPlanReach = 1e7;

std::string num(int64_t v) {
  return std::to_string(v);
}

std::string recordName(const CompiledScenario& s, int k) {
  return utf8FromCodePage(s.records[k].text);
}

void checkRecords(const CompiledScenario& s, Findings& f) {
  const auto problem = [&](std::string what) { f.problems.push_back({s.recordFile, what}); };
  const RecordTable& r = s.records;

  if (s.recordsWhole && !validRouteLength(s)) {
    problem("record 84 end (route length) " + num(r[kRecordTrain].end) + " m lies outside 0 to " +
            num(kMaxRouteLength) + " m");
  }
  for (int k = kRecordKmThree; k <= kRecordKmOne && s.recordsWhole; ++k) {
    for (auto [field, value] : {std::pair{"start", r[k].start}, std::pair{"end", r[k].end}}) {
      if (value % kMetresPerCell != 0) {
        problem("record " + num(k) + " (kilometre reference) " + field + " " + num(value) +
                " is not a multiple of " + num(kMetresPerCell));
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
    if (int64_t{here.start} - kStationGap < int64_t{before.end}) {
      problem("station record " + num(stations[i].record) + " (" +
              recordName(s, stations[i].record) + ") starts at " + num(here.start) +
              " m, less than " + num(kStationGap) + " m after the end of record " +
              num(stations[i - 1].record) + " at " + num(before.end) + " m");
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

}  // namespace sc

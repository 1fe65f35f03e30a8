#include "cli/report_json.h"

#include "compiler/rules.h"

namespace sc {
namespace {

using json = nlohmann::ordered_json;

json optionalNumber(const std::optional<int64_t>& v) {
  return v ? json(*v) : json();
}

json pathJson(const std::filesystem::path& p) {
  return p.empty() ? json() : json(p.string());
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

json generalJson(const ReportModel::General& g) {
  json km = json::array();
  for (const ReportModel::KmReference& k : g.kmReferences) {
    km.push_back(
        {{"record", k.record}, {"start", k.start}, {"end", k.end}, {"position", k.position}});
  }
  return {{"scenarioName", g.scenarioName},
          {"trainNumber", g.trainNumber},
          {"routeLength", g.routeLength},
          {"kmReferences", km},
          {"backgrounds",
           {{"one", g.backgroundOne}, {"two", g.backgroundTwo}, {"three", g.backgroundThree}}},
          {"signalRepetition",
           {{"start", g.repetitionStart}, {"end", g.repetitionEnd}, {"codes", g.repetitionCodes}}},
          {"coaches", g.coaches},
          {"brakedMassPercent", g.brakedMassPercent},
          {"sand", g.sand},
          {"clock", g.clock}};
}

void addRecords(const ReportModel& m, json& j) {
  j["general"] = m.general ? generalJson(*m.general) : json(nullptr);
  json stations = json::array();
  for (const ReportModel::Station& st : m.stations) {
    stations.push_back({{"record", st.record},
                        {"name", st.name},
                        {"kind", st.kind},
                        {"start", st.start},
                        {"end", st.end},
                        {"position", st.position},
                        {"stopCell", st.stopCell ? json(*st.stopCell) : json()},
                        {"time", clockText(st.scheduledTime)},
                        {"scheduledTime", st.scheduledTime},
                        {"stopTime", st.stopTime}});
  }
  j["stations"] = stations;
  json boards = json::array();
  for (const ReportModel::BoardText& b : m.boardTexts) {
    boards.push_back(
        {{"record", b.record}, {"text", b.text}, {"cell", b.cell ? json(*b.cell) : json()}});
  }
  j["boardTexts"] = boards;
}

void addCells(const CompiledScenario& s, const ReportModel& m,
              const std::optional<std::pair<int32_t, int32_t>>& range, json& j) {
  json kinds = json::array();
  for (const ReportModel::KindCount& k : *m.kinds) {
    kinds.push_back({{"kind", k.kind}, {"name", k.name}, {"cells", k.cells}});
  }
  j["cells"] = {{"count", s.cells.size()}, {"byKind", kinds}};
  if (range) {
    json listed = json::array();
    for (int32_t i = range->first; i <= range->second; ++i) listed.push_back(cellJson(s.cells, i));
    j["cells"]["listed"] = listed;
  }
}

void addFindings(const Findings& f, json& j) {
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
    problems.push_back({{"file", pathJson(p.file)}, {"problem", p.what}});
  }
  j["problems"] = problems;
  j["consistent"] = f.problems.empty();
}

}  // namespace

json reportJson(const CompiledScenario& s, const ReportModel& m, const Findings& f,
                const std::optional<std::pair<int32_t, int32_t>>& range) {
  json j;
  j["files"] = {{"records", pathJson(s.recordFile)},
                {"cells", s.hasCells ? pathJson(s.cellFile) : json()},
                {"plan", pathJson(s.planFile)}};
  j["notes"] = s.notes;
  j["warnings"] = json::array();
  for (const FileProblem& w : f.warnings) {
    j["warnings"].push_back({{"file", w.file.string()}, {"what", w.what}});
  }
  if (s.hasRecords) addRecords(m, j);
  if (m.kinds) addCells(s, m, range, j);
  if (m.plan) j["plan"] = {{"rows", m.plan->rows}, {"entries", m.plan->entries}};
  addFindings(f, j);
  return j;
}

}  // namespace sc

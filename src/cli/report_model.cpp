#include "cli/report_model.h"

#include <map>

namespace sc {
namespace {

std::string recordName(const CompiledScenario& s, int k) {
  return utf8FromCodePage(s.records[k].text);
}

ReportModel::General generalOf(const CompiledScenario& s) {
  const RecordTable& r = s.records;
  const ScenarioRecord& sc = r[kRecordScenario];
  const ScenarioRecord& svc = r[kRecordService];
  ReportModel::General g{};
  g.scenarioName = recordName(s, kRecordScenario);
  g.trainNumber = recordName(s, kRecordService);
  g.routeLength = r[kRecordTrain].end;
  for (int k = kRecordKmThree; k <= kRecordKmOne; ++k) {
    g.kmReferences.push_back({k, r[k].start, r[k].end, r[k].position});
  }
  g.backgroundOne = sc.start;
  g.backgroundTwo = sc.position;
  g.backgroundThree = sc.end;
  g.repetitionStart = svc.start;
  g.repetitionEnd = svc.end;
  g.repetitionCodes = svc.position;
  g.coaches = r[kRecordTrain].position;
  g.brakedMassPercent = r[kRecordTrain].start;
  g.sand = svc.groupA1;
  g.clock = clockText(int64_t{svc.groupB1} * 3600 + int64_t{svc.groupB2} * 60 + svc.groupB3);
  return g;
}

}  // namespace

ReportModel reportModelOf(const CompiledScenario& s) {
  ReportModel m;
  if (s.hasRecords) {
    if (s.recordsWhole) m.general = generalOf(s);
    for (const StationView& v : stationsOf(s)) {
      const ScenarioRecord& st = s.records[v.record];
      m.stations.push_back({v.record, recordName(s, v.record), st.stationKind, st.start, st.end,
                            st.position, v.stopCell, st.scheduledTime, st.stopTime});
    }
    for (const BoardTextView& b : boardTextsOf(s)) {
      m.boardTexts.push_back({b.record, recordName(s, b.record), b.cell});
    }
  }
  if (s.hasCells) {
    std::map<int, int64_t> counts;
    for (const TrackCell& c : s.cells) ++counts[c.kind];
    m.kinds.emplace();
    for (auto [kind, count] : counts) m.kinds->push_back({kind, cellKindName(kind), count});
  }
  if (s.hasPlan) {
    int64_t empty = 0;
    for (const TaggedValue& v : s.planX) empty += v.tag == PlanTag::Empty ? 1 : 0;
    m.plan = ReportModel::Plan{static_cast<int64_t>(s.planX.size()),
                               static_cast<int64_t>(s.planX.size() + s.planY.size()), empty};
  }
  return m;
}

}  // namespace sc

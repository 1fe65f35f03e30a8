#include "compiler/records.h"

namespace sc {

void RecordTable::clear() {
  for (ScenarioRecord& r : records) r = ScenarioRecord{};
}

void RecordTable::setNameSlots(const std::string& scenarioName, const std::string& trainNumber) {
  records[kRecordScenario].text = scenarioName;
  records[kRecordService].text = trainNumber;
}

}  // namespace sc

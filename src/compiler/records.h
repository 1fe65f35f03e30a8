// The scenario record table: 87 records shared by stations (from 1 upward), indication-board
// texts (from 80 downward) and the general parameters (81 to 86).
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace sc {

struct ScenarioRecord {
  uint8_t stationKind = 0;
  int32_t start = 0;
  int32_t end = 0;
  int32_t position = 0;
  uint8_t flagA = 0;
  std::string text;  // bytes in the 8-bit code page (Windows-1252)
  int16_t groupA1 = 0;
  int16_t groupA2 = 0;
  int16_t groupB1 = 0;
  int16_t groupB2 = 0;
  int16_t groupB3 = 0;
  uint8_t groupA3 = 0;
  uint8_t stopTime = 0;
  uint8_t extendEnd = 0;
  uint8_t flagB = 0;
  int32_t scheduledTime = 0;

  bool operator==(const ScenarioRecord&) const = default;
};

constexpr int kRecordCount = 87;

// Fixed records of the general parameters.
constexpr int kRecordKmThree = 81;  // kmReference, as read: the "tre" row
constexpr int kRecordKmTwo = 82;    // the "due" row
constexpr int kRecordKmOne = 83;    // the "uno" row
constexpr int kRecordTrain =
    84;  // start: brakedMassPercent, end: routeLength, position: coachCount
constexpr int kRecordScenario = 85;  // backgrounds, scenarioName, formatMagic, codeSt
constexpr int kRecordService = 86;   // signal repetition, trainNumber, sand, clock

constexpr int kFirstBoardTextSlot = 80;
constexpr int kFirstStationIndex = 1;

struct RecordTable {
  std::array<ScenarioRecord, kRecordCount> records{};

  ScenarioRecord& operator[](int index) { return records.at(static_cast<size_t>(index)); }
  const ScenarioRecord& operator[](int index) const {
    return records.at(static_cast<size_t>(index));
  }

  // Every number field to 0 and every text to empty, records 0 to 86.
  void clear();
  // Record 85 text := scenario name, record 86 text := train number.
  void setNameSlots(const std::string& scenarioName, const std::string& trainNumber);

  // Named slots of the general records.
  int32_t& brakedMassPercent() { return records[kRecordTrain].start; }
  int32_t& routeLength() { return records[kRecordTrain].end; }
  int32_t& coachCount() { return records[kRecordTrain].position; }
  int32_t& backgroundOne() { return records[kRecordScenario].start; }
  int32_t& backgroundThree() { return records[kRecordScenario].end; }
  int32_t& backgroundTwo() { return records[kRecordScenario].position; }
  std::string& scenarioName() { return records[kRecordScenario].text; }
  int16_t& formatMagic() { return records[kRecordScenario].groupA1; }
  int32_t& codeSt() { return records[kRecordScenario].scheduledTime; }
  int32_t& repetitionStart() { return records[kRecordService].start; }
  int32_t& repetitionEnd() { return records[kRecordService].end; }
  int32_t& repetitionCodes() { return records[kRecordService].position; }
  std::string& trainNumber() { return records[kRecordService].text; }
  int16_t& sand() { return records[kRecordService].groupA1; }
  int16_t& clockHours() { return records[kRecordService].groupB1; }
  int16_t& clockMinutes() { return records[kRecordService].groupB2; }
  int16_t& clockSeconds() { return records[kRecordService].groupB3; }
};

}  // namespace sc

// What inspect reports of a compiled scenario, as plain facts: the general records, the
// stations, the board texts, the cells by kind and the plan. The text and the JSON renderers
// both draw from it, so that each fact is read from the files in one place.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "cli/compiled_scenario.h"

namespace sc {

struct ReportModel {
  struct KmReference {
    int record;
    int32_t start, end, position;
  };
  struct General {
    std::string scenarioName, trainNumber;  // UTF-8
    int32_t routeLength;
    std::vector<KmReference> kmReferences;  // records 81 to 83
    int32_t backgroundOne, backgroundTwo, backgroundThree;
    int32_t repetitionStart, repetitionEnd, repetitionCodes;
    int32_t coaches, brakedMassPercent;
    int16_t sand;
    std::string clock;  // hh:mm:ss
  };
  struct Station {
    int record;
    std::string name;  // UTF-8
    int kind;
    int32_t start, end, position;
    std::optional<int32_t> stopCell;
    int32_t scheduledTime;
    int stopTime;
  };
  struct BoardText {
    int record;
    std::string text;  // UTF-8
    std::optional<int32_t> cell;
  };
  struct KindCount {
    int kind;
    std::string name;
    int64_t cells;
  };
  struct Plan {
    int64_t rows;
    int64_t entries;
    int64_t emptyRows;
  };

  std::optional<General> general;  // when the record file is whole
  std::vector<Station> stations;
  std::vector<BoardText> boardTexts;
  std::optional<std::vector<KindCount>> kinds;  // when there is a cell file
  std::optional<Plan> plan;                     // when the plan file decoded
};

ReportModel reportModelOf(const CompiledScenario& s);

}  // namespace sc

// The error record and the complete table of error numbers. 14 and 23 are not used.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace sc {

namespace err {
constexpr int32_t None = 0;
constexpr int32_t RouteTooLong = 1;  // line: length above 1000000 m
constexpr int32_t KmReferenceNotMultiple =
    2;                                  // train: a km reference start/end not a multiple of 50
constexpr int32_t RepetitionStart = 3;  // line: repetition start not a multiple of 50
constexpr int32_t RepetitionEnd = 4;    // line: repetition end not a multiple of 50
constexpr int32_t RepetitionCodes = 5;  // line: repetition keyword without "4" or "9"
constexpr int32_t IndicationBoardOccupied = 6;  // line
constexpr int32_t ReductionOccupied = 7;        // train
constexpr int32_t StationPosition = 8;          // train
constexpr int32_t StationLength = 9;            // train
constexpr int32_t StationsReachBoards = 10;     // train
constexpr int32_t SignalNoPoint = 11;           // post-pass rule A
constexpr int32_t BandNotFree = 12;             // post-pass rule B
constexpr int32_t SlowdownNoPoint = 13;         // post-pass rules C and D
constexpr int32_t OutOfRange = 15;              // both readers
constexpr int32_t SignalOccupied = 16;
constexpr int32_t WarningOccupied = 17;
constexpr int32_t SlowdownStartOccupied = 18;
constexpr int32_t SlowdownEndOccupied = 19;
constexpr int32_t ApproachOccupied = 20;
constexpr int32_t SpeedBoardOccupied = 21;
constexpr int32_t StationsTooClose = 22;
constexpr int32_t StopCellTooEarly = 24;
constexpr int32_t PlatformFailure = 25;
constexpr int32_t NoLineDescription = 101;
constexpr int32_t NoGeneralSection = 102;
constexpr int32_t BadCurve = 103;
constexpr int32_t MarkerSlotTaken = 1250;
constexpr int32_t CodeSlotTaken = 1251;
}  // namespace err

// What an error number means, in one line.
const char* errorMeaning(int32_t number);
// Whether the number is one of the table.
bool isKnownError(int32_t number);

// Where a fault stands in a source text (line and column from 1); empty file name when the
// fault has no source place.
struct SourcePlace {
  std::string file;
  int32_t line = 0;
  int32_t column = 0;
};

// One recorded fault. The build keeps them in the order recorded; the error record proper
// (errorNumber / errorPosition) is the last of them.
struct Fault {
  int32_t number = 0;
  std::optional<int32_t> position;  // metres, for the faults that record one
  SourcePlace place;
  std::string detail;  // what failed, for platform failures and the like
};

struct ErrorRecord {
  int32_t errorNumber = 0;
  int32_t errorPosition = 0;
  std::vector<Fault> faults;
};

}  // namespace sc

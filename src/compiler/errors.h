// The error record and the one table of error numbers: what each means, who raises it,
// whether it records a position and how its cell follows from the row. 14 and 23 are not used.
// Also the table of warnings, which never touch the error record.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace sc {

namespace err {
constexpr int32_t None = 0;
constexpr int32_t RouteTooLong = 1;
constexpr int32_t KmReferenceNotMultiple = 2;
constexpr int32_t RepetitionStart = 3;
constexpr int32_t RepetitionEnd = 4;
constexpr int32_t RepetitionCodes = 5;
constexpr int32_t IndicationBoardOccupied = 6;
constexpr int32_t ReductionOccupied = 7;
constexpr int32_t StationPosition = 8;
constexpr int32_t StationLength = 9;
constexpr int32_t StationsReachBoards = 10;
constexpr int32_t SignalNoPoint = 11;
constexpr int32_t BandNotFree = 12;
constexpr int32_t SlowdownNoPoint = 13;
constexpr int32_t OutOfRange = 15;
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

// Who raises a fault.
enum class Raiser : uint8_t {
  LineReader,   // the line description reader and the methods it calls
  TrainReader,  // the train description reader and the placing methods it calls
  BothReaders,  // either reader (the range test)
  PostPass,
  Recovery,  // the recovery handler of the readers
  Stamp,     // shown through errore; never in the error record
};

// How the cell a fault concerns follows from its row.
enum class CellRule : uint8_t {
  None,            // the fault concerns no cell
  PointItem,       // roundHalfEven(p / 50 + 1)
  WarningBoard,    // roundHalfEven((p - 1200) / 50 + 1)
  SlowdownEnd,     // roundHalfEven((p + length) / 50 + 1)
  ApproachCells,   // the first occupied of the four cells before the warning board
  ReductionPoint,  // roundHalfEven(p / 50)
  RecordedCell,    // the post-pass's cell; the position is that cell x 50
  CellOne,         // the stamp's reserved cell
};

struct ErrorInfo {
  int32_t number;
  Raiser raiser;
  bool recordsPosition;  // the fault writes errorPosition
  CellRule cell;
  const char* meaning;
};

// Every number of the table, in ascending order.
std::span<const ErrorInfo> errorTable();
// The row of a number; nullptr when the table has none.
const ErrorInfo* errorInfo(int32_t number);
// What an error number means, in one line ("no error" for 0, "unknown error" off the table).
const char* errorMeaning(int32_t number);
// Whether the number is one of the table (0, "no error", counts).
bool isKnownError(int32_t number);
// Whether the number can stand in the error record (the stamp's numbers cannot).
bool isRecordable(int32_t number);
const char* raiserName(Raiser r);
// The table as the README shows it (a Markdown table, one row per number).
std::string errorTableMarkdown();

// Warnings: never in the error record, never a change of the compiled bytes.
struct WarningInfo {
  const char* name;  // selects it: -Wname, -Wno-name
  const char* meaning;
};
std::span<const WarningInfo> warningTable();
// The warnings as the README shows them.
std::string warningTableMarkdown();
const WarningInfo* warningInfo(std::string_view name);
namespace warn {
inline constexpr const char* UnknownKeyword = "unknown-keyword";
inline constexpr const char* UnknownSection = "unknown-section";
inline constexpr const char* AfterEnd = "after-end";
inline constexpr const char* NonAscending = "non-ascending";
inline constexpr const char* RepeatedLength = "repeated-length";
inline constexpr const char* Utf8 = "utf8";
}  // namespace warn

// Where a fault stands in a source text (line and column from 1); empty file name when the
// fault has no source place.
struct SourcePlace {
  std::string file;
  int32_t line = 0;
  int32_t column = 0;

  bool operator==(const SourcePlace&) const = default;
};

// A remark attached to a fault or warning, at a place of its own (possibly none).
struct Note {
  std::string message;
  SourcePlace place;
};

// One recorded fault, reported once where it was found. The build keeps them in the order
// recorded; the error record proper (errorNumber / errorPosition) follows from them.
struct Fault {
  int32_t number = 0;
  std::optional<int32_t> position;  // metres, for the faults that record one
  SourcePlace place;
  std::string detail;  // what failed, for platform failures and the like
  std::optional<int64_t> cell;
  std::vector<Note> notes;
  // After a line-reader 15: the position of the train row where that reader stopped, which
  // the error record then holds in errorPosition.
  std::optional<int32_t> stopPosition;
  bool afterFirst = false;  // found by a reading that went on after the first fault
  uint32_t sequence = 0;    // the order of finding, among faults and warnings
};

struct Warning {
  const char* name = "";
  std::string message;
  SourcePlace place;
  std::vector<Note> notes;
  bool afterFirst = false;
  uint32_t sequence = 0;
};

struct ErrorRecord {
  int32_t errorNumber = 0;
  int32_t errorPosition = 0;
  std::vector<Fault> faults;
};

}  // namespace sc

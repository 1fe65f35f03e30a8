// A compiled scenario read back from its files (records, cells, plan) into plain data, for the
// commands that show authors what the simulator will load. The bytes are read only through
// the decoders of compiler/compiled_files.h.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "compiler/code_page.h"  // the records' texts are in the code page
#include "compiler/records.h"
#include "compiler/track.h"
#include "driver/exit_status.h"

namespace sc {

// Something wrong with the content of one file.
struct FileProblem {
  std::filesystem::path file;
  std::string what;
};

struct CompiledScenario {
  // Paths of the files that were read; empty when that part is absent.
  std::filesystem::path recordFile;
  std::filesystem::path cellFile;
  std::filesystem::path planFile;
  size_t recordBytes = 0;
  size_t cellBytes = 0;
  size_t planBytes = 0;

  // Records: all 87 decoded (recordsWhole), or those before the point where the file is cut.
  bool hasRecords = false;
  bool recordsWhole = false;
  RecordTable records;

  // Cells: every whole 15-byte cell of the file (a cut last cell is dropped).
  bool hasCells = false;
  std::vector<TrackCell> cells;

  // Plan: the x and y halves, only when the file decoded.
  bool hasPlan = false;
  std::vector<TaggedValue> planX;
  std::vector<TaggedValue> planY;

  // Decoder messages and missing companions, in the order found.
  std::vector<FileProblem> problems;
  // What is likely wrong but may be meant (a plan file left by an earlier build).
  std::vector<FileProblem> warnings;
  // What was not looked at and why (for example: no plan file beside the records).
  std::vector<std::string> notes;
};

struct LoadOutcome {
  int status = 0;       // 0 loaded (problems may stand), kExitFileSystem or kExitUsage
  std::string message;  // why nothing could be loaded
  CompiledScenario scenario;
};

// PATH is a folder holding one S_T.sim (with S_T.dat and S_linea.dat beside it), or one file:
// a ".sim" (read with its companions, as a folder holding only it), a "_linea.dat" (the plan
// alone) or another ".dat" (the cells alone).
LoadOutcome loadCompiledScenario(const std::filesystem::path& path);

// A station record (records 1 upward while filled, below the board texts).
struct StationView {
  int record = 0;
  std::optional<int32_t> stopCell;  // the CellStationStop whose value1 is the record index
};

// An indication-board text (records 80 downward while filled).
struct BoardTextView {
  int record = 0;
  std::optional<int32_t> cell;  // the CellIndicationBoard whose value1 is the record index
};

bool recordIsFilled(const ScenarioRecord& r);
std::vector<BoardTextView> boardTextsOf(const CompiledScenario& s);
std::vector<StationView> stationsOf(const CompiledScenario& s);

// Route length of record 84 when the record file is whole and the length is one the compiler
// accepts (0 to 1000000 m).
std::optional<int32_t> validRouteLength(const CompiledScenario& s);

// Seconds after midnight as hh:mm:ss (hours may pass 23; negative values keep their sign).
std::string clockText(int64_t seconds);

// Number of characters of a UTF-8 text, for aligning columns.
size_t displayWidth(std::string_view utf8);

// A text as a terminal may show it: control bytes escaped ("\x1b"), and cut after about
// maxBytes bytes with "..." (never inside a UTF-8 character).
std::string displayText(std::string_view utf8, size_t maxBytes = 200);

}  // namespace sc

#include "cli/compiled_scenario.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>

#include "compiler/code_page.h"
#include "compiler/compiled_files.h"
#include "compiler/file_io.h"
#include "compiler/rules.h"

namespace sc {
namespace {

namespace fs = std::filesystem;

// A file time as UTC, to the millisecond.
std::string timeText(fs::file_time_type t) {
  using namespace std::chrono;
  auto ms = floor<milliseconds>(file_clock::to_sys(t));
  auto day = floor<days>(ms);
  year_month_day date{day};
  hh_mm_ss<milliseconds> time{ms - day};
  char text[48];
  std::snprintf(text, sizeof text, "%04d-%02u-%02u %02d:%02d:%02d.%03d UTC",
                static_cast<int>(date.year()), static_cast<unsigned>(date.month()),
                static_cast<unsigned>(date.day()), static_cast<int>(time.hours().count()),
                static_cast<int>(time.minutes().count()), static_cast<int>(time.seconds().count()),
                static_cast<int>(time.subseconds().count()));
  return text;
}

// The largest file of each kind that the layouts allow: the longest route's cells and plan,
// and 87 records each with the longest text.
const size_t kMaxCellFileBytes =
    (static_cast<size_t>(lastCellOf(kMaxRouteLength)) + 1) * kCellBytes;
const size_t kMaxPlanFileBytes =
    2 * (static_cast<size_t>(modelLengthOf(kMaxRouteLength)) + 1) * kPlanRealBytes;
const size_t kMaxRecordFileBytes = kRecordCount * (kRecordFixedBytes + size_t{UINT16_MAX});

// Reads a whole file, or says why it cannot be read. A file longer than its layout allows is
// refused before any of it is read.
bool readWhole(const fs::path& file, std::string& bytes, LoadOutcome& outcome, size_t maxBytes) {
  std::error_code ec;
  if (fs::is_directory(file, ec)) {
    outcome.status = kExitFileSystem;
    outcome.message = file.string() + ": is a folder, not a compiled file";
    return false;
  }
  try {
    bytes = readFile(file, maxBytes);
    return true;
  } catch (const FileError& e) {
    outcome.status = kExitFileSystem;
    outcome.message = e.file().string() + ": " + e.reason();
    return false;
  }
}

void loadRecords(const fs::path& file, const std::string& bytes, CompiledScenario& s) {
  s.recordFile = file;
  s.recordBytes = bytes.size();
  s.hasRecords = true;
  std::string problem = decodeRecords(bytes, s.records);
  if (problem.empty()) {
    s.recordsWhole = true;
    return;
  }
  s.problems.push_back({file, problem});
  // All 87 records are there when they decode from the bytes they take up: the file then
  // only has bytes after its end. Decoding reads a prefix the same way whatever follows it.
  size_t used = encodeRecords(s.records).size();
  RecordTable again;
  s.recordsWhole = used < bytes.size() &&
                   decodeRecords(std::string_view(bytes).substr(0, used), again).empty() &&
                   again.records == s.records.records;
}

void loadCells(const fs::path& file, const std::string& bytes, CompiledScenario& s) {
  s.cellFile = file;
  s.cellBytes = bytes.size();
  s.hasCells = true;
  std::string problem = decodeCells(bytes, s.cells);
  if (problem.empty()) return;
  s.problems.push_back({file, problem});
  size_t whole = bytes.size() - bytes.size() % kCellBytes;
  decodeCells(std::string_view(bytes).substr(0, whole), s.cells);
}

void loadPlan(const fs::path& file, const std::string& bytes, CompiledScenario& s) {
  s.planFile = file;
  s.planBytes = bytes.size();
  std::string problem = decodePlan(bytes, s.planX, s.planY);
  if (problem.empty()) {
    s.hasPlan = true;
    return;
  }
  s.planX.clear();
  s.planY.clear();
  s.problems.push_back({file, problem});
}

// A text that can stand as the start of a file name in the folder.
bool usableAsName(const std::string& name) {
  if (name.empty() || name == "." || name == "..") return false;
  return std::none_of(name.begin(), name.end(), [](char c) {
    return c == '/' || c == '\\' || c == '\0' || static_cast<unsigned char>(c) < 0x20;
  });
}

// A plan file older than the cell file of the same scenario was left by an earlier build (a
// build without the plan writes only the records and the cells). The files of one build share
// one modification time.
void warnIfOlder(const fs::path& planFile, const fs::path& cellFile, CompiledScenario& s) {
  std::error_code ec1, ec2;
  auto plan = fs::last_write_time(planFile, ec1);
  auto cells = fs::last_write_time(cellFile, ec2);
  if (ec1 || ec2 || !(plan < cells)) return;
  s.warnings.push_back(
      {planFile, "the plan file (written " + timeText(plan) + ") is older than the cell file " +
                     cellFile.filename().string() + " (written " + timeText(cells) +
                     "): it comes from an earlier build of the scenario"});
}

// The record file and its companions: S_T.dat beside it and S_linea.dat, S from record 85.
LoadOutcome loadFromRecordFile(const fs::path& simFile) {
  LoadOutcome outcome;
  CompiledScenario& s = outcome.scenario;
  std::string bytes;
  if (!readWhole(simFile, bytes, outcome, kMaxRecordFileBytes)) return outcome;
  loadRecords(simFile, bytes, s);

  fs::path folder = simFile.parent_path();
  std::string stem = simFile.filename().string();
  stem.resize(stem.size() - 4);

  std::error_code ec;
  fs::path cellFile = folder / (stem + ".dat");
  if (fs::exists(cellFile, ec)) {
    if (!readWhole(cellFile, bytes, outcome, kMaxCellFileBytes)) return outcome;
    loadCells(cellFile, bytes, s);
  } else {
    s.problems.push_back({cellFile, "the cell file is missing"});
  }

  std::string scenarioName = s.records[kRecordScenario].text;
  if (!s.recordsWhole || !usableAsName(scenarioName)) {
    // Without a usable name in record 85 the scenario name is what stands before the train
    // number in the file name.
    size_t cut = stem.rfind('_');
    scenarioName = cut == std::string::npos ? stem : stem.substr(0, cut);
  }
  fs::path planFile = folder / (scenarioName + "_linea.dat");
  if (fs::exists(planFile, ec)) {
    if (!readWhole(planFile, bytes, outcome, kMaxPlanFileBytes)) return outcome;
    loadPlan(planFile, bytes, s);
    warnIfOlder(planFile, cellFile, s);
  } else {
    s.notes.push_back("no plan file " + planFile.filename().string() +
                      " (it is written only with the build flag)");
  }
  return outcome;
}

}  // namespace

LoadOutcome loadCompiledScenario(const fs::path& path) {
  LoadOutcome outcome;
  std::error_code ec;
  if (!fs::exists(path, ec)) {
    outcome.status = kExitFileSystem;
    outcome.message = path.string() + ": no such file or folder";
    return outcome;
  }
  if (fs::is_directory(path, ec)) {
    std::vector<fs::path> sims;
    for (const auto& entry : fs::directory_iterator(path, ec)) {
      std::error_code typeError;
      if (entry.is_regular_file(typeError) && entry.path().extension() == ".sim") {
        sims.push_back(entry.path());
      }
    }
    if (ec) {
      outcome.status = kExitFileSystem;
      outcome.message = path.string() + ": " + ec.message();
      return outcome;
    }
    if (sims.empty()) {
      outcome.status = kExitFileSystem;
      outcome.message = path.string() + ": no compiled record file (S_T.sim) in this folder";
      return outcome;
    }
    if (sims.size() > 1) {
      std::sort(sims.begin(), sims.end());
      outcome.status = kExitUsage;
      outcome.message =
          path.string() + ": the folder holds " + std::to_string(sims.size()) + " record files (";
      for (size_t i = 0; i < sims.size(); ++i) {
        outcome.message += (i > 0 ? ", " : "") + sims[i].filename().string();
      }
      outcome.message += "); name one of them";
      return outcome;
    }
    return loadFromRecordFile(sims.front());
  }

  std::string name = path.filename().string();
  if (name.ends_with(".sim")) return loadFromRecordFile(path);
  std::string bytes;
  if (name.ends_with("_linea.dat")) {
    if (readWhole(path, bytes, outcome, kMaxPlanFileBytes)) loadPlan(path, bytes, outcome.scenario);
    return outcome;
  }
  if (name.ends_with(".dat")) {
    if (readWhole(path, bytes, outcome, kMaxCellFileBytes))
      loadCells(path, bytes, outcome.scenario);
    return outcome;
  }
  outcome.status = kExitUsage;
  outcome.message = path.string() +
                    ": cannot tell which compiled file this is (expected a folder, S_T.sim, "
                    "S_T.dat or S_linea.dat)";
  return outcome;
}

bool recordIsFilled(const ScenarioRecord& r) {
  return !(r == ScenarioRecord{});
}

std::vector<BoardTextView> boardTextsOf(const CompiledScenario& s) {
  std::vector<BoardTextView> boards;
  if (!s.hasRecords) return boards;
  std::map<int32_t, int32_t> cellOf;
  for (size_t i = 0; i < s.cells.size(); ++i) {
    if (s.cells[i].kind == CellIndicationBoard) {
      cellOf.emplace(s.cells[i].value1, static_cast<int32_t>(i));
    }
  }
  for (int k = kFirstBoardTextSlot; k >= 1 && recordIsFilled(s.records[k]); --k) {
    BoardTextView b{k, std::nullopt};
    if (auto it = cellOf.find(k); it != cellOf.end()) b.cell = it->second;
    boards.push_back(b);
  }
  return boards;
}

std::vector<StationView> stationsOf(const CompiledScenario& s) {
  std::vector<StationView> stations;
  if (!s.hasRecords) return stations;
  std::vector<BoardTextView> boards = boardTextsOf(s);
  int limit = boards.empty() ? kFirstBoardTextSlot + 1 : boards.back().record;
  std::map<int32_t, int32_t> stopOf;
  for (size_t i = 0; i < s.cells.size(); ++i) {
    if (s.cells[i].kind == CellStationStop) {
      stopOf.emplace(s.cells[i].value1, static_cast<int32_t>(i));
    }
  }
  for (int k = kFirstStationIndex; k < limit && recordIsFilled(s.records[k]); ++k) {
    StationView v{k, std::nullopt};
    if (auto it = stopOf.find(k); it != stopOf.end()) v.stopCell = it->second;
    stations.push_back(v);
  }
  return stations;
}

std::optional<int32_t> validRouteLength(const CompiledScenario& s) {
  if (!s.hasRecords || !s.recordsWhole) return std::nullopt;
  int32_t length = s.records[kRecordTrain].end;
  if (length < 0 || length > kMaxRouteLength) return std::nullopt;
  return length;
}

std::string clockText(int64_t seconds) {
  std::string sign = seconds < 0 ? "-" : "";
  uint64_t v = seconds < 0 ? static_cast<uint64_t>(-seconds) : static_cast<uint64_t>(seconds);
  auto two = [](uint64_t n) { return std::string(n < 10 ? "0" : "") + std::to_string(n); };
  return sign + two(v / 3600) + ":" + two(v / 60 % 60) + ":" + two(v % 60);
}

size_t displayWidth(std::string_view utf8) {
  return static_cast<size_t>(std::count_if(utf8.begin(), utf8.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  }));
}

std::string displayText(std::string_view utf8, size_t maxBytes) {
  std::string out;
  for (size_t i = 0; i < utf8.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(utf8[i]);
    bool continuation = (c & 0xC0) == 0x80;
    if (out.size() >= maxBytes && !continuation) {
      out += "...";
      break;
    }
    if (c < 0x20 || c == 0x7F) {
      static const char* const kHex = "0123456789abcdef";
      out += "\\x";
      out += kHex[c >> 4];
      out += kHex[c & 15];
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

}  // namespace sc

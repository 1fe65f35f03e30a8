#include "harness.h"

#include <stdlib.h>

#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <vector>

#include "compiler/build.h"
#include "compiler/codes.h"
#include "compiler/compiled_files.h"
#include "compiler/compiler.h"
#include "compiler/errors.h"
#include "compiler/file_io.h"
#include "compiler/rules.h"
#include "sources/line_list.h"
#include "sources/writers.h"

namespace sc::fuzz {
namespace {

namespace fs = std::filesystem;

constexpr const char* kScenario = "Torvel_Dolvera";
constexpr const char* kTrain = "565";

// The folder of this process: it holds one working folder and nothing else. Created once,
// removed when the process ends normally.
class PrivateRoot {
 public:
  PrivateRoot() {
    std::string templ = (fs::temp_directory_path() / "sc-fuzz-XXXXXX").string();
    if (::mkdtemp(templ.data()) == nullptr) violation("cannot create a private temporary folder");
    root_ = templ;
  }
  ~PrivateRoot() {
    std::error_code ec;
    fs::remove_all(root_, ec);
  }
  const fs::path& root() const { return root_; }
  fs::path work() const { return root_ / "work"; }

 private:
  fs::path root_;
};

PrivateRoot& privateRoot() {
  static PrivateRoot root;
  return root;
}

std::set<std::string> namesIn(const fs::path& folder) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) {
    names.insert(entry.path().filename().string());
  }
  return names;
}

std::string joined(const std::set<std::string>& names) {
  std::string out;
  for (const auto& n : names) out += (out.empty() ? "" : ", ") + n;
  return "{" + out + "}";
}

// Faults that the table records with a position, and those without one.
bool recordsPosition(int32_t number) {
  const ErrorInfo* e = errorInfo(number);
  return e != nullptr && e->recordsPosition;
}

// The line reader's own stops (every one of its faults but 15 and the failure exit): the train
// reader does not run after them, so the train description stays.
bool isLineReaderStop(int32_t number) {
  const ErrorInfo* e = errorInfo(number);
  return e != nullptr && e->raiser == Raiser::LineReader;
}

void checkErrorRecord(const Build& b) {
  const ErrorRecord& e = b.error;
  if (e.errorNumber != 0 && !isRecordable(e.errorNumber)) {
    violation("errorNumber " + std::to_string(e.errorNumber) + " is not a recordable number");
  }
  for (const Fault& f : e.faults) {
    if (!isRecordable(f.number)) {
      violation("fault number " + std::to_string(f.number) + " is not a recordable number");
    }
    if (f.position.has_value() != recordsPosition(f.number)) {
      violation("fault " + std::to_string(f.number) +
                (f.position ? " carries a position" : " carries no position"));
    }
  }
  if (b.unlistedFaults != 0) return;  // the list no longer ends with the last fault
  const int32_t last = e.faults.empty() ? 0 : e.faults.back().number;
  if (e.errorNumber != last) {
    violation("errorNumber " + std::to_string(e.errorNumber) + " is not the last fault recorded (" +
              std::to_string(last) + ")");
  }
  // The cell of a fault follows from its position by the table's rule.
  for (const Fault& f : e.faults) {
    if (!f.position || !f.cell) continue;
    const double p = *f.position;
    std::optional<int64_t> expected;
    switch (errorInfo(f.number)->cell) {
      case CellRule::PointItem:
        expected = pointCell(p);
        break;
      case CellRule::WarningBoard:
        expected = pointCell(p - 1200);
        break;
      case CellRule::ReductionPoint:
        expected = boundaryCell(p);
        break;
      case CellRule::RecordedCell:
        expected = *f.position / 50;
        break;
      default:
        break;
    }
    if (expected && *expected != *f.cell) {
      violation("fault " + std::to_string(f.number) + " at " + std::to_string(*f.position) +
                " m names cell " + std::to_string(*f.cell) + ", its rule gives " +
                std::to_string(*expected));
    }
  }
  // errorPosition holds the position of the last fault that recorded one (or, after a
  // line-reader 15, of the train row where the train reader stopped).
  for (auto it = e.faults.rbegin(); it != e.faults.rend(); ++it) {
    if (!it->position) continue;
    const int32_t recorded = it->stopPosition ? *it->stopPosition : *it->position;
    if (recorded != e.errorPosition) {
      violation("errorPosition " + std::to_string(e.errorPosition) + " differs from fault " +
                std::to_string(it->number) + "'s position " + std::to_string(*it->position));
    }
    break;
  }
}

// The compiled files decode to exactly what the model holds, and agree with each other.
void checkWrittenFiles(const Build& b) {
  std::vector<TrackCell> cells;
  if (std::string why = decodeCells(readFile(b.files.cellFile()), cells); !why.empty()) {
    violation("cell file: " + why);
  }
  if (cells != b.track.trackCells) violation("the cell file differs from the model's cells");

  RecordTable records;
  if (std::string why = decodeRecords(readFile(b.files.recordFile()), records); !why.empty()) {
    violation("record file: " + why);
  }
  for (int i = 0; i < kRecordCount; ++i) {
    if (!(records[i] == b.records[i])) {
      violation("record " + std::to_string(i) + " of the record file differs from the model");
    }
  }

  // The simulator sizes the cells from record 84's end: the two files must agree.
  const int32_t routeLength = records[kRecordTrain].end;
  if (static_cast<int64_t>(cells.size()) != int64_t{lastCellOf(routeLength)} + 1) {
    violation("the cell file holds " + std::to_string(cells.size()) + " cells, record 84 says " +
              std::to_string(routeLength) + " m, that is " +
              std::to_string(int64_t{lastCellOf(routeLength)} + 1) + " cells");
  }
  // The stamp is in both files.
  if (cells.size() < 2 || cells[1].value1 != kCellMagic ||
      cells[1].value2 != static_cast<int16_t>(codice_gara_og(records))) {
    violation("cell 1 of the cell file does not carry 5121 and the code");
  }
  if (records[kRecordScenario].groupA1 != kFormatMagic ||
      records[kRecordScenario].scheduledTime != codice_gara_st(records)) {
    violation("record 85 of the record file does not carry 610 and the code");
  }

  if (b.buildFlag == 0) return;
  if (!b.track.trackPlan) violation("files written with the plan flag but no plan table");
  std::vector<TaggedValue> x;
  std::vector<TaggedValue> y;
  if (std::string why = decodePlan(readFile(b.files.planFile()), x, y); !why.empty()) {
    violation("plan file: " + why);
  }
  const TrackPlan& plan = *b.track.trackPlan;
  if (plan.rows() != b.track.modelLength + 1 ||
      static_cast<int64_t>(x.size()) != int64_t{modelLengthOf(routeLength)} + 1) {
    violation("the plan file's rows do not follow from record 84's route length");
  }
  for (int32_t row = 0; row < plan.rows(); ++row) {
    if (!sameBits(x[static_cast<size_t>(row)], plan.entry(row, 0)) ||
        !sameBits(y[static_cast<size_t>(row)], plan.entry(row, 1))) {
      violation("plan row " + std::to_string(row) + " of the plan file differs from the model");
    }
  }
}

// The reading of a check that goes on after each fault, on texts held in memory: it ends,
// records only recordable numbers, lists no more than its limit, and touches no file.
void checkRecoveringReading(std::string_view lineText, std::string_view trainText,
                            int32_t buildFlag, CompileOutcome::End normalEnd) {
  const fs::path nowhere = privateRoot().root() / "nowhere";
  Build r(nowhere, kScenario, kTrain, buildFlag);
  r.held = Build::HeldTexts{lineText, trainText};
  r.recovery = true;
  CompileOutcome outcome;
  try {
    outcome = compileModel(r);
  } catch (const FileError& e) {
    violation(std::string("the recovering reading touched a file: ") + e.what());
  }
  if (fs::exists(nowhere)) violation("the recovering reading created its folder");
  if (r.error.faults.size() > Build::kListedLimit || r.warnings.size() > Build::kListedLimit) {
    violation("the recovering reading lists more than its limit");
  }
  for (const Fault& f : r.error.faults) {
    if (!isRecordable(f.number)) {
      violation("the recovering reading recorded " + std::to_string(f.number));
    }
  }
  // Both readings make the cells, or neither does.
  if ((normalEnd == CompileOutcome::End::NoCells) !=
          (outcome.end == CompileOutcome::End::NoCells) &&
      r.error.faults.empty()) {
    violation("the recovering reading disagrees on the cells without a fault");
  }
}

}  // namespace

void violation(const std::string& what) {
  std::fprintf(stderr, "\n*** property violated: %s\n", what.c_str());
  std::fflush(stderr);
  std::abort();
}

const std::string& builtInLineText() {
  static const std::string text = renderLineList(makeLineList(lineDescriptionText()));
  return text;
}

const std::string& builtInTrainText() {
  static const std::string text = renderLineList(makeLineList(trainDescriptionText()));
  return text;
}

bool planRunAllowed(std::string_view lineText) {
  int64_t value = 0;
  for (char c : lineText) {
    if (c >= '0' && c <= '9') {
      value = value * 10 + (c - '0');
      if (value > kPlanRunMaxNumber) return false;
    } else {
      value = 0;
    }
  }
  return true;
}

int32_t chooseBuildFlag(uint8_t control, std::string_view lineText) {
  return (control & 7) == 7 && planRunAllowed(lineText) ? 1 : 0;
}

bool splitTextPair(const uint8_t* data, size_t size, TextPair& out) {
  if (size < 1) return false;
  const std::string_view both(reinterpret_cast<const char*>(data + 1), size - 1);
  const size_t at = both.find(kTextSeparator);
  out.line = both.substr(0, at);
  out.train =
      at == std::string_view::npos ? std::string_view() : both.substr(at + kTextSeparator.size());
  out.buildFlag = chooseBuildFlag(data[0], out.line);
  return true;
}

void compileAndCheck(std::string_view lineText, std::string_view trainText, int32_t buildFlag) {
  PrivateRoot& root = privateRoot();
  const fs::path work = root.work();
  std::error_code ec;
  fs::remove_all(work, ec);
  fs::create_directory(work);

  Build b(work, kScenario, kTrain, buildFlag);
  replaceFile(b.files.lineDescription(), lineText);
  replaceFile(b.files.trainDescription(), trainText);

  CompileOutcome outcome;
  try {
    outcome = memorizza_percorso(b);
  } catch (const FileError& e) {
    violation(std::string("a file failure escaped the compile in a private folder: ") + e.what());
  }

  if (std::getenv("SC_FUZZ_VERBOSE") != nullptr) {
    std::string faults;
    for (const Fault& f : b.error.faults) {
      faults +=
          " " + std::to_string(f.number) + (f.position ? "@" + std::to_string(*f.position) : "");
    }
    std::fprintf(stderr, "flag %d, end %d, errorNumber %d, faults:%s\n", buildFlag,
                 static_cast<int>(outcome.end), b.error.errorNumber, faults.c_str());
  }
  checkErrorRecord(b);

  // What was written, by the outcome.
  std::vector<fs::path> expected;
  switch (outcome.end) {
    case CompileOutcome::End::Written:
      if (!b.track.hasCells()) violation("files written without a cell array");
      if (buildFlag != 0) expected.push_back(b.files.planFile());
      expected.push_back(b.files.recordFile());
      expected.push_back(b.files.cellFile());
      break;
    case CompileOutcome::End::NoCells:
      if (b.track.hasCells()) violation("NoCells with a cell array");
      if (b.error.errorNumber == 0) violation("no cells, nothing written, and no fault recorded");
      break;
    case CompileOutcome::End::Errore:
      if (outcome.erroreNumber != err::MarkerSlotTaken &&
          outcome.erroreNumber != err::CodeSlotTaken) {
        violation("errore with " + std::to_string(outcome.erroreNumber));
      }
      break;
  }
  if (outcome.written != expected) violation("the compile reports other files than expected");

  // The working folder holds the written files, the train description when the line reader
  // stopped on one of its own faults, and nothing else; nothing appeared beside it.
  std::set<std::string> names;
  for (const auto& f : expected) names.insert(f.filename().string());
  const bool lineStopped =
      !b.error.faults.empty() && isLineReaderStop(b.error.faults.front().number);
  if (lineStopped) names.insert(b.files.trainDescription().filename().string());
  if (std::set<std::string> found = namesIn(work); found != names) {
    violation("the working folder holds " + joined(found) + ", expected " + joined(names) +
              " (errorNumber " + std::to_string(b.error.errorNumber) + ")");
  }
  if (std::set<std::string> found = namesIn(root.root());
      found != std::set<std::string>{work.filename().string()}) {
    violation("files appeared beside the working folder: " + joined(found));
  }

  if (outcome.end == CompileOutcome::End::Written) checkWrittenFiles(b);

  checkRecoveringReading(lineText, trainText, buildFlag, outcome.end);
}

}  // namespace sc::fuzz

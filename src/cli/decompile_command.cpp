#include "cli/decompile_command.h"

#include <cstdint>
#include <optional>
#include <vector>

#include "cli/compile_command.h"
#include "cli/compiled_checks.h"
#include "cli/compiled_scenario.h"
#include "cli/diagnostics.h"
#include "compiler/compiled_files.h"
#include "compiler/decompiler.h"
#include "compiler/file_io.h"
#include "driver/driver.h"
#include "driver/exit_status.h"

namespace sc {
namespace {

namespace fs = std::filesystem;

// The differences listed at most; the rest are counted.
constexpr size_t kListedDifferences = 50;

// The scenario name and train number: given, or S and T of the record file's name S_T.sim.
bool settleNames(const DecompileOptions& o, const fs::path& recordFile, std::string& scenario,
                 std::string& train, std::ostream& err) {
  std::string stem = recordFile.stem().string();
  size_t cut = stem.rfind('_');
  scenario = o.scenario;
  train = o.trainNumber;
  if (scenario.empty() && cut != std::string::npos) scenario = stem.substr(0, cut);
  if (train.empty() && cut != std::string::npos) train = stem.substr(cut + 1);
  for (const auto& [what, name] : {std::pair{"scenario name", scenario}, {"train number", train}}) {
    if (std::string why = checkName(what, name); !why.empty()) {
      err << "scenario-compactor: " << why << " (from " << recordFile.filename().string()
          << ": expected S_T.sim, or give --scenario and --train-number)\n";
      return false;
    }
  }
  return true;
}

// Texts already at the names are an author's edits unless they hold what would be written.
bool inTheWay(const ScenarioFiles& files, const Decompiled& d, std::ostream& err) {
  const auto unchanged = [&](const fs::path& file) {
    std::error_code ec;
    if (!fs::is_regular_file(file, ec)) return false;
    try {
      return readFile(file) == (file == files.lineDescription() ? d.lineText : d.trainText);
    } catch (const FileError&) {
      return false;
    }
  };
  return textsInTheWay({files.lineDescription(), files.trainDescription()}, err, unchanged);
}

// The bytes of the compiled files a build leaves, in the order plan, records, cells.
struct CompiledBytes {
  std::optional<std::string> plan;
  std::string records;
  std::string cells;
};

CompiledModel modelOf(const CompiledScenario& s, const std::string& scenario,
                      const std::string& train) {
  return CompiledModel{s.records, s.cells, s.planX, s.planY, scenario, train};
}

std::string shown(const std::string& value) {
  return displayText(utf8FromCodePage(value));
}

void listDifferences(const CompiledScenario& s, const CompiledModel& input,
                     const CompiledBytes& again, const Hints& hints, std::ostream& out) {
  CompiledModel roundTrip = input;
  roundTrip.planX.clear();
  roundTrip.planY.clear();
  decodeRecords(again.records, roundTrip.records);
  decodeCells(again.cells, roundTrip.cells);
  if (again.plan) decodePlan(*again.plan, roundTrip.planX, roundTrip.planY);
  size_t total = 0;
  const std::vector<Difference> listed =
      compareModels(input, roundTrip, hints, kListedDifferences, total);
  out << "round trip: " << total << (total == 1 ? " field differs" : " fields differ") << "\n";
  for (const Difference& d : listed) {
    const fs::path& file = d.part == CompiledPart::Plan      ? s.planFile
                           : d.part == CompiledPart::Records ? s.recordFile
                                                             : s.cellFile;
    const char* unit = d.part == CompiledPart::Plan      ? "row"
                       : d.part == CompiledPart::Records ? "record"
                                                         : "cell";
    out << "  " << file.filename().string() << ": ";
    if (d.index >= 0) out << unit << " " << d.index << " ";
    out << d.field << ": " << shown(d.input) << " in the input, " << shown(d.roundTrip)
        << " after the round trip";
    out << (d.why.empty() ? "" : " (" + d.why + ")") << "\n";
  }
  if (total > listed.size()) out << "  ... and " << total - listed.size() << " more\n";
}

// Loads the compiled files, refusing those that fail inspect's checks. 0 when loaded.
int loadChecked(const fs::path& path, LoadOutcome& loaded, std::ostream& err) {
  loaded = loadCompiledScenario(path);
  if (loaded.status != 0) {
    err << "scenario-compactor: " << loaded.message << "\n";
    return loaded.status;
  }
  if (!loaded.scenario.hasRecords) {
    err << "scenario-compactor: " << path.string()
        << ": decompile reads a record file (S_T.sim) with its cell file; give the folder\n";
    return kExitUsage;
  }
  const Findings findings = examine(loaded.scenario);
  if (findings.problems.empty()) return kExitClean;
  for (const FileProblem& p : findings.problems) {
    err << "scenario-compactor: " << p.file.string() << ": " << p.what << "\n";
  }
  err << "scenario-compactor: the compiled files fail inspect's checks; nothing was written\n";
  return kExitFaultRecorded;
}

// Delivers the two texts as one set, then compiles them in a private folder beside them and
// keeps the bytes of the compiled files it leaves there (none when nothing was written).
// File-system failures are thrown as FileError.
CompileOutcome writeAndCompile(Build& build, const Decompiled& d, CompiledBytes& again,
                               std::ostream& out, std::ostream& err) {
  const fs::path& folder = build.files.folder;
  std::error_code ec;
  fs::create_directories(folder, ec);
  if (ec) throw FileError(folder, "cannot create the folder: " + ec.message());
  FileSet texts;
  texts.stage(build.files.lineDescription(), d.lineText);
  texts.stage(build.files.trainDescription(), d.trainText);
  texts.commit();
  for (const fs::path& f : texts.destinations()) out << "wrote " << f.string() << "\n";
  for (const std::string& note : d.notes) err << "scenario-compactor: note: " << note << "\n";
  if (d.errorNumber != 0) {
    // A build may write its files with a fault recorded (a post-pass spacing error, say):
    // the texts then record it again.
    err << "scenario-compactor: note: compiling the texts records error " << d.errorNumber
        << ", as the build of the compiled files may have\n";
  }
  const fs::path parent = folder;
  return compileInWorkFolder(build, parent, d.lineText, d.trainText, [&](const Build& b) {
    if (!fileExists(b.files.cellFile())) return;  // nothing was written
    again.records = readFile(b.files.recordFile(), SIZE_MAX);
    again.cells = readFile(b.files.cellFile(), SIZE_MAX);
    if (b.buildFlag != 0) again.plan = readFile(b.files.planFile(), SIZE_MAX);
  });
}

}  // namespace

int runDecompile(const DecompileOptions& options, std::ostream& out, std::ostream& err) {
  LoadOutcome loaded;
  if (int status = loadChecked(options.path, loaded, err); status != kExitClean) return status;
  const CompiledScenario& s = loaded.scenario;
  std::string scenario, train;
  if (!settleNames(options, s.recordFile, scenario, train, err)) return kExitUsage;

  const CompiledModel model = modelOf(s, scenario, train);
  const Decompiled d = decompile(model);
  const fs::path folder = options.output.empty() ? s.recordFile.parent_path() : options.output;
  Build build(folder, scenario, train, s.hasPlan ? 1 : 0);
  if (!options.force && inTheWay(build.files, d, err)) return kExitUsage;

  CompiledBytes input;
  CompiledBytes again;
  CompileOutcome outcome;
  try {
    input.records = readFile(s.recordFile, SIZE_MAX);
    input.cells = readFile(s.cellFile, SIZE_MAX);
    if (s.hasPlan) input.plan = readFile(s.planFile, SIZE_MAX);
    outcome = writeAndCompile(build, d, again, out, err);
  } catch (const FileError& e) {
    printFileError(err, e);
    return kExitFileSystem;
  }

  if (outcome.end != CompileOutcome::End::Written) {
    out << "round trip: the texts compile to "
        << (outcome.end == CompileOutcome::End::Errore
                ? "Errore n. " + std::to_string(outcome.erroreNumber)
                : std::string("no cells"))
        << "; nothing was compiled to compare\n";
    return kExitFaultRecorded;
  }
  if (again.records == input.records && again.cells == input.cells && again.plan == input.plan) {
    out << "round trip: identical\n";
    return kExitClean;
  }
  listDifferences(s, model, again, d.hints, out);
  return kExitFaultRecorded;
}

}  // namespace sc

#include "cli/compile_command.h"

#include <nlohmann/json.hpp>

#include "cli/diagnostics.h"
#include "cli/source_texts.h"
#include "compiler/compiler.h"
#include "compiler/file_io.h"
#include "driver/driver.h"
#include "sources/writers.h"

namespace sc {
namespace {

// A private folder inside the output folder, removed with everything left in it.
class WorkFolder {
 public:
  explicit WorkFolder(const std::filesystem::path& parent)
      : path_(cleanup::createFolder(parent, ".scenario-compactor-")) {}
  ~WorkFolder() { cleanup::removeFolder(path_); }
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

}  // namespace

CompileOutcome compileInWorkFolder(Build& build, const std::filesystem::path& parent,
                                   std::string_view lineText, std::string_view trainText,
                                   const std::function<void(const Build&)>& whileThere) {
  WorkFolder work(parent);
  build.files.folder = work.path();
  replaceFile(build.files.lineDescription(), lineText);
  replaceFile(build.files.trainDescription(), trainText);
  CompileOutcome outcome = memorizza_percorso(build);
  if (whileThere) whileThere(build);
  return outcome;
}

Names deriveNames(const CompileOptions& o) {
  Names n{o.scenario, o.trainNumber, {}};
  std::string lineName = o.line.filename().string();
  std::string trainName = o.train.filename().string();
  if (n.scenario.empty()) {
    if (!lineName.ends_with("_linea.txt") || lineName.size() == 10) {
      n.problem = "cannot tell the scenario name from '" + lineName +
                  "' (expected NAME_linea.txt); give --scenario";
      return n;
    }
    n.scenario = lineName.substr(0, lineName.size() - 10);
  }
  if (n.train.empty()) {
    std::string prefix = n.scenario + "_";
    if (trainName.rfind(prefix, 0) != 0 || !trainName.ends_with("-.txt") ||
        trainName.size() <= prefix.size() + 5) {
      n.problem = "cannot tell the train number from '" + trainName + "' (expected " + prefix +
                  "T-.txt); give --train-number";
      return n;
    }
    n.train = trainName.substr(prefix.size(), trainName.size() - prefix.size() - 5);
  }
  if (std::string why = checkName("scenario name", n.scenario); !why.empty()) n.problem = why;
  if (std::string why = checkName("train number", n.train); !why.empty()) n.problem = why;
  return n;
}

std::string checkName(const std::string& what, const std::string& name) {
  if (name.empty()) return "the " + what + " is empty";
  for (unsigned char c : name) {
    if (c < 0x20 || c > 0x7E) return "the " + what + " holds a character outside printable ASCII";
    if (std::strchr("/\\:*?\"<>|", c) != nullptr) {
      return "the " + what + " holds '" + std::string(1, static_cast<char>(c)) +
             "', which cannot stand in a file name";
    }
  }
  return {};
}

bool textsInTheWay(const std::vector<std::filesystem::path>& files, std::ostream& err,
                   const std::function<bool(const std::filesystem::path&)>& unchanged) {
  bool inTheWay = false;
  for (const auto& f : files) {
    std::error_code ec;
    if (std::filesystem::symlink_status(f, ec).type() == std::filesystem::file_type::not_found)
      continue;
    if (unchanged && unchanged(f)) continue;
    err << "scenario-compactor: " << f.string()
        << ": exists and may hold your edits; give --force to replace it\n";
    inTheWay = true;
  }
  return inTheWay;
}

int runExport(const std::filesystem::path& dir, bool force, std::ostream& err) {
  ScenarioFiles files{dir, kScenarioName, kTrainNumber};
  if (!force && textsInTheWay(files.texts(), err)) return kExitUsage;
  try {
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (ec) throw FileError(dir, "cannot create the folder: " + ec.message());
    writeScenarioTexts(files);
  } catch (const FileError& e) {
    printFileError(err, e);
    return kExitFileSystem;
  }
  return kExitClean;
}

namespace {

// No compiled file may land on one of the texts it is compiled from: true (and said) when one
// would.
bool landsOnAnInput(const ScenarioFiles& files, const CompileOptions& options, std::ostream& err) {
  for (const auto& output : files.compiledFiles(!options.noPlan)) {
    for (const auto& input : {options.line, options.train}) {
      if (sameFile(output, input)) {
        err << "scenario-compactor: " << output.string() << ": is the input " << input.string()
            << "; compiling would overwrite it (choose another -o)\n";
        return true;
      }
    }
  }
  return false;
}

// The outcome as one JSON object, or as diagnostics and the files written.
void report(const CompileOptions& options, const Names& names, const Build& build,
            const std::vector<Diagnostic>& diagnostics, int32_t erroreNumber,
            const std::vector<std::filesystem::path>& delivered, int status, std::ostream& out,
            std::ostream& err) {
  if (options.json) {
    nlohmann::json j = outcomeJson(names, build);
    putDiagnostics(build, diagnostics, j);
    j["written"] = nlohmann::json::array();
    for (const auto& f : delivered) j["written"].push_back(f.string());
    j["exitStatus"] = status;
    out << j.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << "\n";
  } else {
    if (erroreNumber != 0) err << " Errore n. " << erroreNumber << "\n";
    for (const Diagnostic& d : diagnostics) printDiagnostic(d, err);
    printUnlisted(build, err);
    if (erroreNumber != 0) err << "scenario-compactor: nothing was written\n";
    for (const auto& f : delivered) out << "wrote " << f.string() << "\n";
  }
}

}  // namespace

int runCompile(const CompileOptions& options, std::ostream& out, std::ostream& err) {
  if (options.output.empty()) {
    err << "scenario-compactor: the output folder (-o) is empty\n";
    return kExitUsage;
  }
  Names names;
  WarningOptions warnings;
  if (int status = settleOptions(options, err, names, warnings); status != kExitClean) {
    return status;
  }

  std::vector<SourceText> texts;
  std::vector<std::filesystem::path> delivered;
  int32_t erroreNumber = 0;
  Build build({}, names.scenario, names.train, options.noPlan ? 0 : 1);
  build.files.compiledFolder = options.output;
  if (landsOnAnInput(build.files, options, err)) return kExitUsage;
  try {
    texts = readSourceTexts(options, build.files);
    if (int status = convertSourceTexts(options, texts, err); status != kExitClean) return status;
    std::error_code ec;
    std::filesystem::create_directories(options.output, ec);
    if (ec) throw FileError(options.output, "cannot create the folder: " + ec.message());

    CompileOutcome outcome =
        compileInWorkFolder(build, options.output, texts[0].content, texts[1].content);
    if (outcome.end == CompileOutcome::End::Errore) erroreNumber = outcome.erroreNumber;
    delivered = outcome.written;
  } catch (const FileError& e) {
    // A file of the private working folder is named by the place it was meant for.
    std::filesystem::path file = e.file();
    if (!build.files.folder.empty() && file.parent_path() == build.files.folder) {
      file = options.output / file.filename();
    }
    printFileError(err, file, e.reason());
    return kExitFileSystem;
  }

  std::vector<Diagnostic> diagnostics = collectDiagnostics(build, texts, warnings);
  int status = exitStatusOf(build, diagnostics);
  report(options, names, build, diagnostics, erroreNumber, delivered, status, out, err);
  return status;
}

}  // namespace sc

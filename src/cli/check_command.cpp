#include "cli/check_command.h"

#include <optional>
#include <set>
#include <tuple>

#include "cli/source_texts.h"
#include "compiler/compiler.h"
#include "compiler/file_io.h"
#include "driver/driver.h"

namespace sc {
namespace {

// A build whose readers read the texts from memory.
void compileHeld(Build& b, const std::vector<SourceText>& texts) {
  b.held = Build::HeldTexts{texts[0].content, texts[1].content};
  compileModel(b);
}

using Key =
    std::tuple<bool, int32_t, std::string, std::string, int32_t, int32_t, std::optional<int32_t>>;
Key keyOf(const Diagnostic& d) {
  return {d.warning, d.number, d.warningName, d.at.file, d.at.line, d.at.column, d.position};
}

std::string count(size_t n, const char* what) {
  return std::to_string(n) + " " + what + (n == 1 ? "" : "s");
}

// Reads the texts again, recovering after every fault, and adds what this reading finds
// beyond the first reading's diagnostics after them (the stamp's fault, when there is one,
// stays last).
void readOn(Build& later, const Build& first, const std::vector<SourceText>& texts,
            const WarningOptions& warnings, std::vector<Diagnostic>& diagnostics) {
  later.recovery = true;
  compileHeld(later, texts);
  later.errore.reset();
  std::set<Key> known;
  for (const Diagnostic& d : diagnostics) known.insert(keyOf(d));
  std::vector<Diagnostic> more;
  for (Diagnostic& d : collectDiagnostics(later, texts, warnings)) {
    if (!known.insert(keyOf(d)).second) continue;
    d.afterFirst = true;
    more.push_back(std::move(d));
  }
  auto at = diagnostics.end();
  if (first.errore) --at;
  diagnostics.insert(at, more.begin(), more.end());
}

}  // namespace

int runCheck(const CompileOptions& options, std::ostream& out, std::ostream& err) {
  Names names;
  WarningOptions warnings;
  if (int status = settleOptions(options, err, names, warnings); status != kExitClean) {
    return status;
  }

  const int32_t flag = options.noPlan ? 0 : 1;
  Build build({}, names.scenario, names.train, flag);
  std::vector<SourceText> texts;
  try {
    texts = readSourceTexts(options, build.files);
  } catch (const FileError& e) {
    printFileError(err, e);
    return kExitFileSystem;
  }
  if (int status = convertSourceTexts(options, texts, err); status != kExitClean) return status;

  compileHeld(build, texts);
  std::vector<Diagnostic> diagnostics = collectDiagnostics(build, texts, warnings);
  const int status = exitStatusOf(build, diagnostics);

  // The reading that counts every diagnostic: the recovering one when there is one.
  std::optional<Build> recovering;
  if (!build.error.faults.empty()) {
    recovering.emplace(std::filesystem::path{}, names.scenario, names.train, flag);
    readOn(*recovering, build, texts, warnings, diagnostics);
  }

  if (options.json) {
    nlohmann::json j = outcomeJson(names, build);
    putDiagnostics(recovering ? *recovering : build, diagnostics, j);
    j["exitStatus"] = status;
    out << j.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << "\n";
    return status;
  }

  if (build.errore) err << " Errore n. " << build.errore->number << "\n";
  size_t errors = 0;
  size_t warned = 0;
  for (const Diagnostic& d : diagnostics) {
    printDiagnostic(d, err);
    (d.warning && !d.promoted ? warned : errors) += 1;
  }
  printUnlisted(recovering ? *recovering : build, err);
  if (errors + warned > 0) {
    std::string summary = errors > 0 && warned > 0
                              ? count(warned, "warning") + " and " + count(errors, "error")
                          : errors > 0 ? count(errors, "error")
                                       : count(warned, "warning");
    err << summary << " found\n";
  }
  return status;
}

}  // namespace sc

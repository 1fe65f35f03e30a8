#include "driver/driver.h"

#include "compiler/compiler.h"
#include "compiler/file_io.h"
#include "sources/writers.h"

namespace sc {

void errore(Platform& platform, const std::string& number) {
  platform.messageBox(" Errore n. " + number);
}

std::string describeErrorRecord(const ErrorRecord& record) {
  std::string line = "error " + std::to_string(record.errorNumber);
  // The position the record holds, when the last fault wrote one (after a line-reader 15
  // that is where the train reader stopped).
  if (!record.faults.empty() && record.faults.back().position) {
    line += " at " + std::to_string(record.errorPosition) + " m";
  }
  line += ": ";
  line += errorMeaning(record.errorNumber);
  if (!record.faults.empty() && !record.faults.back().detail.empty()) {
    line += " (" + record.faults.back().detail + ")";
  }
  return line;
}

int exitStatusOf(const Build& b) {
  if (b.errore) return kExitErrore;
  return b.error.errorNumber != 0 ? kExitFaultRecorded : kExitClean;
}

void printFileError(std::ostream& err, const std::filesystem::path& file,
                    const std::string& reason) {
  err << "scenario-compactor: " << file.string() << ": " << reason << "\n";
}

void printFileError(std::ostream& err, const FileError& e) {
  printFileError(err, e.file(), e.reason());
}

int runDefaultBuild(Platform& platform, const std::filesystem::path& folder, std::ostream& err) {
  Build build(folder, kScenarioName, kTrainNumber, 1);
  platform.showWaitingWindow();
  int status = kExitClean;
  try {
    writeScenarioTexts(build.files);
    CompileOutcome outcome = memorizza_percorso(build);
    status = exitStatusOf(build);
    if (outcome.end == CompileOutcome::End::Errore) {
      errore(platform, std::to_string(outcome.erroreNumber));
    } else if (status == kExitFaultRecorded) {
      err << "scenario-compactor: " << describeErrorRecord(build.error) << "\n";
    }
  } catch (const FileError& e) {
    printFileError(err, e);
    status = kExitFileSystem;
  }
  platform.closeWaitingWindow();
  return status;
}

}  // namespace sc

#include "compiler/compiler.h"

#include <new>

#include "compiler/codes.h"
#include "compiler/compiled_files.h"
#include "compiler/field_stream.h"
#include "compiler/file_io.h"
#include "compiler/line_reader.h"
#include "compiler/post_pass.h"
#include "compiler/train_reader.h"

namespace sc {
namespace {

// The recovery handler: the source texts still present are removed and error 25 recorded.
// A failure inside the handler itself is not caught here.
void recover(Build& b, const std::string& detail, SourcePlace place) {
  for (const auto& text : {b.files.lineDescription(), b.files.trainDescription()}) {
    if (b.sourceExists(text)) b.deleteSource(text);
  }
  b.recordFault(err::PlatformFailure, std::nullopt, std::move(place), detail);
}

}  // namespace

void memorizza_dati(Build& b) {
  b.records.setNameSlots(b.files.scenarioName, b.files.trainNumber);
  try {
    if (const LineReading line = readLineDescription(b); line.trainFollows) {
      readTrainDescription(b, line);
    }
  } catch (const PlatformFailure& f) {
    recover(b, f.what(), f.place());
  } catch (const FileError& f) {
    recover(b, f.what(), SourcePlace{f.file().filename().string(), 0, 0});
  } catch (const std::bad_alloc&) {
    recover(b, "out of memory", {});
  }
  // The line reader creates the plan table once, after the last length row; when it stopped
  // before that, the table still belongs to the cells, empty where no row was computed.
  if (b.buildFlag != 0 && b.track.hasCells() && !b.track.trackPlan) b.track.createPlan();
}

CompileOutcome compileModel(Build& b) {
  CompileOutcome outcome;
  b.error.errorNumber = 0;
  b.error.faults.clear();
  b.warnings.clear();
  b.origins.clear();
  b.errore.reset();
  b.row = {};
  b.records.clear();
  memorizza_dati(b);
  b.row = {};
  if (!b.track.hasCells()) {
    outcome.end = CompileOutcome::End::NoCells;
    return outcome;
  }
  postPass(b);
  if (int32_t number = stampScenario(b); number != 0) {
    outcome.end = CompileOutcome::End::Errore;
    outcome.erroreNumber = number;
  }
  return outcome;
}

CompileOutcome memorizza_percorso(Build& b) {
  CompileOutcome outcome = compileModel(b);
  if (outcome.end != CompileOutcome::End::Written) return outcome;
  writeCompiledFiles(b, outcome.written);
  return outcome;
}

void writeCompiledFiles(const Build& b, std::vector<std::filesystem::path>& written) {
  // All or nothing: the three files are staged beside their names and then renamed over them
  // in this order. A failure before the renames leaves every earlier file as it was.
  FileSet set;
  if (b.buildFlag != 0 && b.track.trackPlan) {
    std::string storage;
    set.stage(b.files.planFile(), planFileBytes(*b.track.trackPlan, storage));
  }
  set.stage(b.files.recordFile(), encodeRecords(b.records));
  set.stage(b.files.cellFile(), encodeCells(b.track.trackCells));
  set.commit();
  written = set.destinations();
}

}  // namespace sc

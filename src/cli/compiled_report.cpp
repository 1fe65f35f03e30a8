#include "cli/compiled_report.h"

#include "cli/compiled_checks.h"
#include "cli/compiled_scenario.h"
#include "cli/report_json.h"
#include "cli/report_model.h"
#include "cli/report_text.h"

namespace sc {

int runInspect(const InspectOptions& options, std::ostream& out, std::ostream& err) {
  LoadOutcome loaded = loadCompiledScenario(options.path);
  if (loaded.status != 0) {
    err << "scenario-compactor: " << loaded.message << "\n";
    return loaded.status;
  }
  const CompiledScenario& s = loaded.scenario;

  if (options.cells) {
    auto [from, to] = *options.cells;
    if (!s.hasCells) {
      err << "scenario-compactor: no cell file to list cells " << from << "-" << to << " from\n";
      return kExitUsage;
    }
    int64_t last = static_cast<int64_t>(s.cells.size()) - 1;
    if (from < 0 || to < from || to > last) {
      err << "scenario-compactor: cells " << from << "-" << to << " lie outside "
          << s.cellFile.string() << ", which holds cells 0 to " << last << "\n";
      return kExitUsage;
    }
  }

  Findings f = examine(s);
  ReportModel m = reportModelOf(s);
  if (options.json) {
    out << reportJson(s, m, f, options.cells)
               .dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace)
        << "\n";
  } else if (options.cells) {
    printCells(s, *options.cells, out);
  } else {
    printReport(s, m, f, out);
  }
  for (const FileProblem& w : f.warnings) {
    err << "scenario-compactor: " << w.file.string() << ": warning: " << w.what << "\n";
  }
  for (const FileProblem& p : f.problems) {
    err << "scenario-compactor: " << p.file.string() << ": " << p.what << "\n";
  }
  return f.problems.empty() ? 0 : kExitFaultRecorded;
}

}  // namespace sc

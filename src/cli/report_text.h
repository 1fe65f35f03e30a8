// inspect's plain-text report: a title, then one table per part of the compiled scenario, the
// checks and the result. Names and texts from the files are shown with control bytes escaped.
#pragma once

#include <cstdint>
#include <ostream>
#include <utility>

#include "cli/compiled_checks.h"
#include "cli/compiled_scenario.h"
#include "cli/report_model.h"

namespace sc {

void printReport(const CompiledScenario& s, const ReportModel& m, const Findings& f,
                 std::ostream& out);

// The title line and cells FROM to TO with all their fields.
void printCells(const CompiledScenario& s, std::pair<int32_t, int32_t> range, std::ostream& out);

}  // namespace sc

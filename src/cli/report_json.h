// inspect's JSON report: the same facts as the text report, as one object.
#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <utility>

#include "cli/compiled_checks.h"
#include "cli/compiled_scenario.h"
#include "cli/report_model.h"

namespace sc {

nlohmann::ordered_json reportJson(const CompiledScenario& s, const ReportModel& m,
                                  const Findings& f,
                                  const std::optional<std::pair<int32_t, int32_t>>& range);

}  // namespace sc

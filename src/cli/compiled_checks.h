// The checks of a compiled scenario, shared by inspect and plot: whether the files are whole,
// their sizes agree with the route length, the stations keep their spacing, the plan's
// coordinates are possible, and the markers and verification codes are those the stamp gives.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "cli/compiled_scenario.h"

namespace sc {

// One comparison of a stamped slot with the value it must hold.
struct Check {
  std::string name;
  std::string slot;
  std::optional<int64_t> found;
  std::optional<int64_t> expected;
  std::string unchecked;  // why it could not be made; empty when made

  bool made() const { return unchecked.empty(); }
  bool matches() const { return made() && found == expected; }
};

// What the checks of a compiled scenario found: problems make inspect and plot fail, warnings
// are shown and change nothing.
struct Findings {
  std::vector<FileProblem> problems;
  std::vector<FileProblem> warnings;
  std::vector<Check> checks;
};

Findings examine(const CompiledScenario& s);

}  // namespace sc

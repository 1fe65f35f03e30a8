// `inspect`: what the simulator will load from a compiled scenario, and whether the files are
// whole and consistent.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <utility>
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

struct InspectOptions {
  std::filesystem::path path;
  bool json = false;
  std::optional<std::pair<int32_t, int32_t>> cells;
};

// Prints the report to out, problems to err; returns 0 when the files are whole and
// consistent, 1 when a problem was found, 3 when a file cannot be read, 64 when the path does
// not name one scenario (a folder of several record files) or the cell range lies outside the
// cell file.
int runInspect(const InspectOptions& options, std::ostream& out, std::ostream& err);

}  // namespace sc

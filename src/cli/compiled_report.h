// `inspect`: what the simulator will load from a compiled scenario, and whether the files are
// whole and consistent.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <ostream>
#include <utility>

namespace sc {

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

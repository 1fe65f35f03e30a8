#include "compiler/platform_failure.h"

namespace sc {

void requireCell(const std::vector<TrackCell>& cells, int64_t cell, const std::string& what,
                 const SourcePlace& place) {
  if (cell < 0 || cell >= static_cast<int64_t>(cells.size())) {
    throw PlatformFailure(what + " would lie in cell " + std::to_string(cell) +
                              ", outside the cells 0 to " +
                              std::to_string(static_cast<int64_t>(cells.size()) - 1),
                          place);
  }
}

}  // namespace sc

// Failures that the platform reports while the readers run, and the two checks of the readers
// and placing methods that raise them: a value narrowed into its field, a cell inside the
// cells. Only the recovery handler of the readers catches them; each becomes error 25.
#pragma once

#include <cstdint>
#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

#include "compiler/errors.h"
#include "compiler/track.h"

namespace sc {

// A failure that the platform reports while the readers run (the end of the file inside a
// row, a field without a number, a number that does not fit its field, ...). Only the
// recovery handler of the readers catches it; it becomes error 25.
class PlatformFailure : public std::runtime_error {
 public:
  PlatformFailure(const std::string& what, SourcePlace place)
      : std::runtime_error(what), place_(std::move(place)) {}
  const SourcePlace& place() const { return place_; }

 private:
  SourcePlace place_;
};

// Range-checked narrowing: a value read or computed wide, as the narrower field that keeps
// it, or a platform failure at the place saying that `what` does not fit that field.
template <typename T>
T narrow(int64_t value, const std::string& what, const SourcePlace& place) {
  if (value < std::numeric_limits<T>::min() || value > std::numeric_limits<T>::max()) {
    throw PlatformFailure(what + " " + std::to_string(value) + " does not fit its " +
                              std::to_string(8 * sizeof(T)) + "-bit field (" +
                              std::to_string(std::numeric_limits<T>::min() + 0) + " to " +
                              std::to_string(std::numeric_limits<T>::max() + 0) + ")",
                          place);
  }
  return static_cast<T>(value);
}

// A cell an item needs must lie inside the cells: otherwise a platform failure at the place,
// raised before anything of the item is written.
void requireCell(const std::vector<TrackCell>& cells, int64_t cell, const std::string& what,
                 const SourcePlace& place);

}  // namespace sc

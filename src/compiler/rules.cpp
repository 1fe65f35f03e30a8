#include "compiler/rules.h"

#include <cfenv>
#include <cmath>

namespace sc {

double roundHalfEvenReal(double x) {
  // std::nearbyint honours the current rounding mode, which is round-to-nearest-even unless
  // somebody changed it; compute it explicitly so that the rule does not depend on that.
  double floor = std::floor(x);
  double diff = x - floor;
  if (diff < 0.5) return floor;
  if (diff > 0.5) return floor + 1.0;
  return std::fmod(floor, 2.0) == 0.0 ? floor : floor + 1.0;
}

int64_t roundHalfEven(double x) {
  return static_cast<int64_t>(roundHalfEvenReal(x));
}

int64_t pointCell(double metres) {
  return roundHalfEven(metres / double{kMetresPerCell} + 1.0);
}

int64_t boundaryCell(double metres) {
  return roundHalfEven(metres / double{kMetresPerCell});
}

bool passesRangeTest(int64_t position, int32_t lastCell, int32_t margin) {
  double cells = (static_cast<double>(position) + margin) / double{kMetresPerCell};
  return !(cells > static_cast<double>(lastCell));
}

}  // namespace sc

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

StationArea stationArea(int64_t position, int64_t kind, int32_t length, bool extendEnd) {
  if (kind == 5 || kind == 6) return {position - length, position + 150};
  if (kind == 7 || kind == 8) return {position - length, position + length};
  return {roundHalfEven(static_cast<double>(position) - length / 2.0),
          roundHalfEven(static_cast<double>(position) + length / 2.0) + (extendEnd ? 50 : 0)};
}

}  // namespace sc

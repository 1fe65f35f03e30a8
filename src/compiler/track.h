// The route cell model: one cell per 50 m of line, and the plan of the line metre by metre.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace sc {

enum CellKind : uint8_t {
  CellFree = 0,
  CellSignal = 1,
  CellSlowdownEnd = 2,
  CellSlowdownStart = 3,
  CellSlowdownWarning = 4,
  CellSlowdownApproach = 5,
  CellSpeedBoard = 6,
  CellStationStop = 10,
  CellTunnelMarker = 11,
  CellReductionPoint = 12,
  CellReductionPointNoValue = 13,
  CellIndicationBoard = 14,
};

const char* cellKindName(uint8_t kind);

struct TrackCell {
  uint8_t kind = 0;
  int16_t value1 = 0;
  int16_t value2 = 0;
  int16_t value3 = 0;
  int16_t value4 = 0;
  uint8_t signalTime = 0;
  uint8_t approachCode = 0;
  uint8_t mountainType = 0;
  uint8_t speedStep = 0;
  uint8_t gradientCode = 0;
  uint8_t adhesion = 0;

  bool operator==(const TrackCell&) const = default;
};

// The occupied test: every kind but CellFree and CellTunnelMarker holds an item.
constexpr bool isOccupied(const TrackCell& cell) {
  return cell.kind != CellFree && cell.kind != CellTunnelMarker;
}

// Tag of a tagged value as it stands in the plan file.
enum class PlanTag : uint8_t { Empty = 0, Integer = 2, Real = 5 };

// One tagged value of the plan table: empty, a 16-bit integer or a 64-bit real.
struct TaggedValue {
  PlanTag tag = PlanTag::Empty;
  int16_t integer = 0;
  double real = 0.0;

  bool operator==(const TaggedValue&) const = default;
};

// trackPlan: rows 0 to modelLength, an x and a y entry per row. Both entries of a row always
// carry the same tag, so the table keeps one tag per row and the two coordinates as reals
// (an integer row holds its integer value in x and y).
struct TrackPlan {
  std::vector<PlanTag> tag;
  std::vector<double> x;
  std::vector<double> y;

  void create(int32_t modelLength);
  int32_t rows() const { return static_cast<int32_t>(tag.size()); }
  void setInteger(int32_t row, int16_t xValue, int16_t yValue);
  void setReal(int32_t row, double xValue, double yValue);
  TaggedValue entry(int32_t row, int axis) const;
};

// The cell array and its sizes, absent until the line reader meets the length row.
struct Track {
  int32_t routeLength = 0;
  int32_t modelLength = 0;
  int32_t lastCell = 0;
  std::vector<TrackCell> trackCells;  // indices 0 to lastCell once created
  std::optional<TrackPlan> trackPlan;

  bool hasCells() const { return !trackCells.empty(); }
  bool inCells(int64_t index) const {
    return index >= 0 && index < static_cast<int64_t>(trackCells.size());
  }
  // Creates the all-zero cells (and the empty plan table when buildFlag is set), replacing
  // whatever an earlier length row created.
  void create(int32_t length, int32_t buildFlag);
  // The same in two steps: the cells (dropping any plan table), then the empty plan table of
  // the current length. Nothing is written into the plan table before the item rows, so a
  // reader may create it once after the last length row.
  void createCells(int32_t length);
  void createPlan();
};

// modelLength and lastCell of a route length.
int32_t modelLengthOf(int32_t routeLength);
int32_t lastCellOf(int32_t routeLength);

}  // namespace sc

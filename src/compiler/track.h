// The route cell model: one cell per 50 m of line, and the plan of the line metre by metre.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <memory>
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

// Bytes of a tagged value in the plan file: the 16-bit tag and its payload (none, a 16-bit
// integer, a 64-bit real).
constexpr size_t taggedBytes(PlanTag tag) {
  return tag == PlanTag::Real ? 10 : tag == PlanTag::Integer ? 4 : 2;
}

// One tagged value of the plan table: empty, a 16-bit integer or a 64-bit real.
struct TaggedValue {
  PlanTag tag = PlanTag::Empty;
  int16_t integer = 0;
  double real = 0.0;

  bool operator==(const TaggedValue&) const = default;
};

// The same entry to the bit, as the plan file stores it (== takes 0.0 and -0.0 as equal, and
// no NaN as equal to itself).
inline bool sameBits(const TaggedValue& a, const TaggedValue& b) {
  return a.tag == b.tag && a.integer == b.integer &&
         std::bit_cast<uint64_t>(a.real) == std::bit_cast<uint64_t>(b.real);
}

// One row of the plan from the row before it (x1, y1) and the step (dx, dy) between the two
// rows before it: straight on, or turned by the rate k (radians per metre; the step grows by
// sqrt(1 + k * k) each time).
inline void straightStep(double x1, double y1, double dx, double dy, double& x, double& y) {
  x = x1 + dx;
  y = y1 + dy;
}
inline void curvedStep(double x1, double y1, double dx, double dy, double k, double& x, double& y) {
  x = (x1 + dx) + k * dy;
  y = (y1 + dy) - k * dx;
}

// Size of the plan file of a complete table: rows 0 and 1 integers, 2 to modelLength - 2
// reals and the last two empty, in each half.
size_t completePlanFileBytes(int32_t modelLength);

// trackPlan: rows 0 to modelLength, an x and a y entry per row, held as the bytes of the plan
// file. Rows are set in order, once each: rows 0 and 1 as integers, then rows 2 to
// modelLength - 2 as reals, each computed from the two rows before it; the rows not (yet) set
// are empty. Each row is stored straight into its place in the x half and in the y half of the
// file image, so a complete table is its own file and nothing is encoded afterwards.
class TrackPlan {
 public:
  TrackPlan() = default;
  explicit TrackPlan(int32_t modelLength) { create(modelLength); }
  TrackPlan(const TrackPlan& other);
  TrackPlan& operator=(const TrackPlan& other);
  TrackPlan(TrackPlan&&) noexcept = default;
  TrackPlan& operator=(TrackPlan&&) noexcept = default;

  // All rows 0 to modelLength empty.
  void create(int32_t modelLength);
  int32_t rows() const { return modelLength_ + 1; }
  // The next row to set: the rows before it are set, the others empty.
  int32_t rowsSet() const { return next_; }
  // Every row that a finished line reader sets is set (0 and 1 integers, 2 to modelLength - 2
  // reals): the image is then the plan file as it stands.
  bool complete() const { return next_ == lastRealRow() + 1 && next_ >= 2; }

  // Rows in order: 0 and 1 take integers, the rows after them reals up to modelLength - 2.
  // A row out of that order throws std::logic_error.
  void setInteger(int32_t row, int16_t xValue, int16_t yValue);
  void setReal(int32_t row, double xValue, double yValue);
  // Every row from the next one to lastRow (none when lastRow is before the next row), each
  // from the step (dx, dy) between the two rows before it: a straight step (x1 + dx, y1 + dy),
  // a curved one ((x1 + dx) + k dy, (y1 + dy) - k dx). lastRow may not pass lastRealRow().
  void straightSteps(int32_t lastRow);
  void curvedSteps(int32_t lastRow, double k);
  // The last row that may hold a real.
  int32_t lastRealRow() const { return modelLength_ - 2; }

  PlanTag tag(int32_t row) const;
  // The coordinates of a row as reals (an integer row's integer; 0 for an empty row).
  double x(int32_t row) const { return coordinate(row, 0); }
  double y(int32_t row) const { return coordinate(row, 1); }
  TaggedValue entry(int32_t row, int axis) const;

  // The bytes of the complete table's file (valid while the table lives and is not changed);
  // only when complete().
  const char* image() const { return bytes_.get(); }
  size_t imageSize() const { return imageSize_; }

 private:
  double coordinate(int32_t row, int axis) const;
  // Byte offset of a row's entry in the x half (the y half follows the x half).
  size_t offsetOf(int32_t row) const;
  void storeReal(int32_t row, double xValue, double yValue);
  template <class Step>
  void steps(int32_t lastRow, Step step);

  int32_t modelLength_ = -1;
  int32_t next_ = 0;
  size_t imageSize_ = 0;
  struct Release {
    void operator()(char* p) const;
  };
  std::unique_ptr<char[], Release> bytes_;  // imageSize_ bytes, written row by row, never zeroed
  // The two rows before next_: (x0, y0) the older, (x1, y1) the newer.
  double x0_ = 0, y0_ = 0, x1_ = 0, y1_ = 0;
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

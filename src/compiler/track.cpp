#include "compiler/track.h"

#include "compiler/rules.h"

namespace sc {

const char* cellKindName(uint8_t kind) {
  switch (kind) {
    case CellFree:
      return "CellFree";
    case CellSignal:
      return "CellSignal";
    case CellSlowdownEnd:
      return "CellSlowdownEnd";
    case CellSlowdownStart:
      return "CellSlowdownStart";
    case CellSlowdownWarning:
      return "CellSlowdownWarning";
    case CellSlowdownApproach:
      return "CellSlowdownApproach";
    case CellSpeedBoard:
      return "CellSpeedBoard";
    case CellStationStop:
      return "CellStationStop";
    case CellTunnelMarker:
      return "CellTunnelMarker";
    case CellReductionPoint:
      return "CellReductionPoint";
    case CellReductionPointNoValue:
      return "CellReductionPointNoValue";
    case CellIndicationBoard:
      return "CellIndicationBoard";
    default:
      return "unknown";
  }
}

void TrackPlan::create(int32_t modelLength) {
  size_t n = static_cast<size_t>(modelLength) + 1;
  tag.assign(n, PlanTag::Empty);
  x.assign(n, 0.0);
  y.assign(n, 0.0);
}

void TrackPlan::setInteger(int32_t row, int16_t xValue, int16_t yValue) {
  tag[row] = PlanTag::Integer;
  x[row] = xValue;
  y[row] = yValue;
}

void TrackPlan::setReal(int32_t row, double xValue, double yValue) {
  tag[row] = PlanTag::Real;
  x[row] = xValue;
  y[row] = yValue;
}

TaggedValue TrackPlan::entry(int32_t row, int axis) const {
  TaggedValue v;
  v.tag = tag[row];
  double value = axis == 0 ? x[row] : y[row];
  if (v.tag == PlanTag::Integer) v.integer = static_cast<int16_t>(value);
  if (v.tag == PlanTag::Real) v.real = value;
  return v;
}

int32_t modelLengthOf(int32_t routeLength) {
  return routeLength + 7000;
}

int32_t lastCellOf(int32_t routeLength) {
  return static_cast<int32_t>(roundHalfEven(modelLengthOf(routeLength) / 50.0));
}

void Track::create(int32_t length, int32_t buildFlag) {
  createCells(length);
  if (buildFlag != 0) createPlan();
}

void Track::createCells(int32_t length) {
  routeLength = length;
  modelLength = modelLengthOf(length);
  lastCell = lastCellOf(length);
  trackCells.assign(static_cast<size_t>(lastCell) + 1, TrackCell{});
  trackPlan.reset();
}

void Track::createPlan() {
  trackPlan.emplace();
  trackPlan->create(modelLength);
}

}  // namespace sc

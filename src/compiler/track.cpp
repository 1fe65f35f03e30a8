#include "compiler/track.h"

#if __has_include(<sys/mman.h>)
#include <stdlib.h>
#include <sys/mman.h>
#endif

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <cstring>
#include <new>
#include <stdexcept>
#include <string>
#include <utility>

#include "compiler/coding.h"
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

namespace {

// The image is written once, front to back, straight after it is allocated, so it is not
// zero-filled; a long one is laid on huge pages where the system offers them on request,
// which faults it in 2 MiB at a time instead of 4 KiB.
constexpr size_t kHugePage = size_t{2} << 20;

char* allocateImage(size_t size) {
  void* p = nullptr;
#ifdef MADV_HUGEPAGE
  if (size >= kHugePage) {
    // Only the whole huge pages: the rest stays on small pages, so that no more than the
    // image is ever cleared.
    if (::posix_memalign(&p, kHugePage, size) != 0) p = nullptr;
    if (p != nullptr) ::madvise(p, size / kHugePage * kHugePage, MADV_HUGEPAGE);
  }
#endif
  if (p == nullptr) p = std::malloc(size == 0 ? 1 : size);
  if (p == nullptr) throw std::bad_alloc();
  return static_cast<char*>(p);
}

}  // namespace

void TrackPlan::Release::operator()(char* p) const {
  std::free(p);
}

TrackPlan::TrackPlan(const TrackPlan& other) {
  *this = other;
}

TrackPlan& TrackPlan::operator=(const TrackPlan& other) {
  if (this == &other) return *this;
  std::unique_ptr<char[], Release> bytes(allocateImage(other.imageSize_));
  if (other.imageSize_ != 0) std::memcpy(bytes.get(), other.bytes_.get(), other.imageSize_);
  bytes_ = std::move(bytes);
  modelLength_ = other.modelLength_;
  next_ = other.next_;
  imageSize_ = other.imageSize_;
  x0_ = other.x0_, y0_ = other.y0_, x1_ = other.x1_, y1_ = other.y1_;
  return *this;
}

size_t completePlanFileBytes(int32_t modelLength) {
  const size_t reals = static_cast<size_t>(std::max(modelLength - 3, 0));
  const size_t half = 2 * taggedBytes(PlanTag::Integer) + reals * taggedBytes(PlanTag::Real) +
                      2 * taggedBytes(PlanTag::Empty);
  return 2 * half;
}

void TrackPlan::create(int32_t modelLength) {
  modelLength_ = std::max(modelLength, 0);
  next_ = 0;
  // Room for the complete table; a table that is never completed is encoded afresh from its
  // rows.
  imageSize_ = completePlanFileBytes(modelLength_);
  const size_t half = imageSize_ / 2;
  bytes_.reset(allocateImage(imageSize_));
  // The two empty rows at the end of each half are the only bytes known before the rows.
  for (size_t h : {half, imageSize_}) {
    storeLittleEndian<2>(bytes_.get() + h - 4, static_cast<uint16_t>(PlanTag::Empty));
    storeLittleEndian<2>(bytes_.get() + h - 2, static_cast<uint16_t>(PlanTag::Empty));
  }
  x0_ = y0_ = x1_ = y1_ = 0;
}

size_t TrackPlan::offsetOf(int32_t row) const {
  const size_t r = static_cast<size_t>(row);
  if (row < 2) return r * taggedBytes(PlanTag::Integer);
  return 2 * taggedBytes(PlanTag::Integer) + (r - 2) * taggedBytes(PlanTag::Real);
}

void TrackPlan::setInteger(int32_t row, int16_t xValue, int16_t yValue) {
  if (row != next_ || row >= 2 || row > modelLength_) {
    throw std::logic_error("plan row " + std::to_string(row) + " set out of order");
  }
  char* at = bytes_.get() + offsetOf(row);
  for (auto [half, value] : {std::pair{size_t{0}, xValue}, std::pair{imageSize_ / 2, yValue}}) {
    storeLittleEndian<2>(at + half, static_cast<uint16_t>(PlanTag::Integer));
    storeLittleEndian<2>(at + half + 2, static_cast<uint16_t>(value));
  }
  x0_ = x1_, y0_ = y1_;
  x1_ = xValue, y1_ = yValue;
  ++next_;
}

void TrackPlan::storeReal(int32_t row, double xValue, double yValue) {
  char* at = bytes_.get() + offsetOf(row);
  storeLittleEndian<2>(at, static_cast<uint16_t>(PlanTag::Real));
  storeLittleEndian<8>(at + 2, bitsOf(xValue));
  at += imageSize_ / 2;
  storeLittleEndian<2>(at, static_cast<uint16_t>(PlanTag::Real));
  storeLittleEndian<8>(at + 2, bitsOf(yValue));
  x0_ = x1_, y0_ = y1_;
  x1_ = xValue, y1_ = yValue;
  ++next_;
}

void TrackPlan::setReal(int32_t row, double xValue, double yValue) {
  if (row != next_ || row < 2 || row > lastRealRow()) {
    throw std::logic_error("plan row " + std::to_string(row) + " set out of order");
  }
  storeReal(row, xValue, yValue);
}

template <class Step>
void TrackPlan::steps(int32_t lastRow, Step step) {
  if (lastRow < next_) return;
  if (next_ < 2 || lastRow > lastRealRow()) {
    throw std::logic_error("plan rows " + std::to_string(next_) + " to " + std::to_string(lastRow) +
                           " out of order");
  }
  // Both halves at once: the x entry and the y entry of a row lie half the image apart.
  char* at = bytes_.get() + offsetOf(next_);
  const size_t yHalf = imageSize_ / 2;
  double x0 = x0_, y0 = y0_, x1 = x1_, y1 = y1_;
  for (int32_t row = next_; row <= lastRow; ++row) {
    const double dx = x1 - x0;
    const double dy = y1 - y0;
    double x, y;
    step(x1, y1, dx, dy, x, y);
    storeLittleEndian<2>(at, static_cast<uint16_t>(PlanTag::Real));
    storeLittleEndian<8>(at + 2, bitsOf(x));
    storeLittleEndian<2>(at + yHalf, static_cast<uint16_t>(PlanTag::Real));
    storeLittleEndian<8>(at + yHalf + 2, bitsOf(y));
    at += taggedBytes(PlanTag::Real);
    x0 = x1, y0 = y1, x1 = x, y1 = y;
  }
  x0_ = x0, y0_ = y0, x1_ = x1, y1_ = y1;
  next_ = lastRow + 1;
}

void TrackPlan::straightSteps(int32_t lastRow) {
  steps(lastRow, [](double x1, double y1, double dx, double dy, double& x, double& y) {
    straightStep(x1, y1, dx, dy, x, y);
  });
}

void TrackPlan::curvedSteps(int32_t lastRow, double k) {
  steps(lastRow, [k](double x1, double y1, double dx, double dy, double& x, double& y) {
    curvedStep(x1, y1, dx, dy, k, x, y);
  });
}

PlanTag TrackPlan::tag(int32_t row) const {
  if (row < 0 || row >= next_) return PlanTag::Empty;
  return row < 2 ? PlanTag::Integer : PlanTag::Real;
}

double TrackPlan::coordinate(int32_t row, int axis) const {
  const PlanTag t = tag(row);
  if (t == PlanTag::Empty) return 0.0;
  const char* at = bytes_.get() + offsetOf(row) + (axis == 0 ? 0 : imageSize_ / 2) + 2;
  if (t == PlanTag::Integer) return static_cast<int16_t>(loadLittleEndian<2>(at));
  return std::bit_cast<double>(loadLittleEndian<8>(at));
}

TaggedValue TrackPlan::entry(int32_t row, int axis) const {
  TaggedValue v;
  v.tag = tag(row);
  const double value = coordinate(row, axis);
  if (v.tag == PlanTag::Integer) v.integer = static_cast<int16_t>(value);
  if (v.tag == PlanTag::Real) v.real = value;
  return v;
}

int32_t modelLengthOf(int32_t routeLength) {
  return routeLength + 7000;
}

int32_t lastCellOf(int32_t routeLength) {
  return static_cast<int32_t>(
      roundHalfEven(modelLengthOf(routeLength) / static_cast<double>(kMetresPerCell)));
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

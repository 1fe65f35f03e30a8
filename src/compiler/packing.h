// How the model packs the values of its rows into the fields of a cell, with the inverse of
// each for the commands that read compiled files back (inspect, plot). Each packing is written
// here once; the readers and the placing methods store through these, the reports read
// through their inverses.
#pragma once

#include <cstdint>

#include "compiler/rules.h"

namespace sc::packing {

// Speeds are stored in steps of 5 km/h: a cell's speedStep and each half of a speed pair.
constexpr int32_t kSpeedUnit = 5;
// A gradient in per mille is stored as gradientCode = gradient + 100 (0: no gradient row yet).
constexpr int32_t kGradientOffset = 100;
// The approach codes 81 to 84 stand before a station's stop cell.
constexpr int32_t kStationApproachBase = 80;

// speedStep of a line speed in km/h.
inline int64_t speedStep(double kmh) {
  return roundHalfEven(kmh / kSpeedUnit);
}
constexpr int32_t speedOfStep(uint8_t step) {
  return int32_t{step} * kSpeedUnit;
}

// A speed board's pair of speeds (left and right side, km/h): left / 5 in the hundreds and
// right / 5 below, as one real rounded half to even.
inline int64_t speedPair(int32_t left, int32_t right) {
  return roundHalfEven(static_cast<double>(right) / 5.0 + static_cast<double>(left) * 20.0);
}
constexpr int32_t speedPairLeft(int16_t pair) {
  return pair / 100 * kSpeedUnit;
}
constexpr int32_t speedPairRight(int16_t pair) {
  return pair % 100 * kSpeedUnit;
}
// A left and a right value read back from one packed field.
struct Sides {
  int32_t left = 0;
  int32_t right = 0;
};
// The speeds of a pair as a row can give them, right repeating left where the pair allows.
constexpr Sides speedPairSides(int16_t pair) {
  if (pair % 101 == 0) return {pair / 101 * kSpeedUnit, pair / 101 * kSpeedUnit};
  return {speedPairLeft(pair), speedPairRight(pair)};
}

// A speed board's stripes, left and right: left * 10 + right.
constexpr int64_t stripeValue(int16_t left, int16_t right) {
  return int64_t{left} * 10 + right;
}
// The stripes of a board as a row can give them, right repeating left where they allow.
constexpr Sides stripeSides(int16_t value) {
  if (value % 11 == 0) return {value / 11, value / 11};
  return {value / 10, value % 10};
}

// gradientCode of a gradient in per mille, and back.
constexpr int64_t gradientCode(int64_t perMille) {
  return perMille + kGradientOffset;
}
constexpr int32_t gradientOf(uint8_t code) {
  return int32_t{code} - kGradientOffset;
}

// A signal's aspect pairs: value1 to value3 are aspect * 10 + indication, value4 is
// repetition * 10 + kind * 3 + indication.
constexpr int64_t signalAspect(int32_t aspect, int32_t indication) {
  return int64_t{aspect} * 10 + indication;
}
constexpr int64_t signalHead(int32_t repetition, int32_t kind, int32_t indication) {
  return int64_t{repetition} * 10 + int64_t{kind} * 3 + indication;
}
constexpr Sides signalAspectSides(int16_t value) {
  return {value / 10, value % 10};
}
// kind * 3 + indication: what value4 and the approach codes share.
constexpr int64_t signalHeadSum(int32_t kind, int32_t indication) {
  return int64_t{kind} * 3 + indication;
}
// The approach code `step` (1 to 4) of a signal, 2 * step cells before it.
constexpr int64_t signalApproachCode(int32_t kind, int32_t indication, int32_t step) {
  return int64_t{kind} * 30 + int64_t{indication} * 10 + step;
}
// kind * 3 + indication of the signal whose approach code `step` is `code`, when the code is
// one (modulo 256, as the cell keeps it); -1 when it is not.
constexpr int32_t signalHeadSumOfCode(uint8_t code, int32_t step) {
  for (int32_t sum = 0; sum < 256; ++sum) {
    if (static_cast<uint8_t>(sum * 10 + step) == code) return sum;
  }
  return -1;
}
// The approach code i (1 to 4) before a station's stop cell.
constexpr int64_t stationApproachCode(int32_t i) {
  return kStationApproachBase + i;
}

}  // namespace sc::packing

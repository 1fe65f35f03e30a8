// The shared rules of the route model, written once and used by every reader, the post-pass,
// the stamp and the writers.
#pragma once

#include <cstdint>

namespace sc {

// Converts a real to a whole number: nearest integer, halves to the even neighbour
// (22.5 -> 22, 23.5 -> 24, -0.5 -> 0, -1.5 -> -2). Never truncation.
double roundHalfEvenReal(double x);

// roundHalfEven as a 64-bit integer. Callers check the range of the result where a narrower
// field receives it.
int64_t roundHalfEven(double x);

// A value computed wide keeps the low 16 or 8 bits of the narrower field it goes into.
constexpr int16_t low16(int64_t v) {
  return static_cast<int16_t>(static_cast<uint16_t>(static_cast<uint64_t>(v)));
}
constexpr uint8_t low8(int64_t v) {
  return static_cast<uint8_t>(static_cast<uint64_t>(v));
}

// One cell of the model stands for this many metres of line.
constexpr int32_t kMetresPerCell = 50;
// The longest route a line description may give, in metres.
constexpr int32_t kMaxRouteLength = 1000000;
// A slowdown's warning board stands this far before its start, when the start lies beyond
// kWarnedSlowdownStart.
constexpr int32_t kWarningBoardDistance = 1200;
constexpr int32_t kWarnedSlowdownStart = 1500;
// A station starts at least this far after the previous station ends.
constexpr int32_t kStationGap = 350;

// The metres a cell index stands for.
constexpr int64_t cellToMetres(int64_t cell) {
  return cell * kMetresPerCell;
}

// Cell of a point item (signal, board, slowdown cells): roundHalfEven(p / 50 + 1).
int64_t pointCell(double metres);

// Cell of a reduction point and of a stretch boundary: roundHalfEven(p / 50).
int64_t boundaryCell(double metres);

// The range test: a row at position p is accepted when (p + margin) / 50, as a real, is not
// greater than lastCell. Rows use a margin of 100 m, station rows 800 m.
constexpr int32_t kRowRangeMargin = 100;
constexpr int32_t kStationRangeMargin = 800;
bool passesRangeTest(int64_t position, int32_t lastCell, int32_t margin = kRowRangeMargin);

// The stretch of line a station occupies, by its kind: kinds 5 and 6 run `length` before the
// position to 150 m after it, kinds 7 and 8 `length` either side, the others `length` centred
// on the position, with 50 m more at the end when extendEnd is set. Kinds 5 to 8 have no
// extendEnd: the reader clears it.
struct StationArea {
  int64_t start = 0;
  int64_t end = 0;
};
constexpr bool stationHasExtendEnd(int64_t kind) {
  return kind < 5 || kind > 8;
}
StationArea stationArea(int64_t position, int64_t kind, int32_t length, bool extendEnd);
// A station shorter than this has no flagB: the reader clears it.
constexpr int32_t kShortStationLength = 600;

// Turn rates of the curve rows in radians per metre, by the first digit found in the keyword,
// tested in this order; a keyword with an "s" turns left (the rate negated).
struct CurveRate {
  const char* digit;
  double rate;
};
inline constexpr CurveRate kCurveRates[] = {{"1", 0.0001}, {"2", 0.0002}, {"3", 0.0004},
                                            {"4", 0.001},  {"5", 0.002},  {"6", 0.003}};

}  // namespace sc

// A generated scenario of any length: the two source texts of a line with curves, gradients,
// mountains, speed boards, indication boards, speed and adhesion rows, stations, signals,
// slowdowns and reduction points throughout, laid out so that it compiles without a fault.
#pragma once

#include <cstdint>
#include <string>

namespace sc::bench {

struct GeneratedScenario {
  std::string line;   // the line description, CR LF lines
  std::string train;  // the train description, CR LF lines
};

// Every 25000 m of line is one block of items; a route shorter than one block gets the
// general rows only. Lengths up to 1000000 m.
GeneratedScenario generateScenario(int32_t routeLength);

}  // namespace sc::bench

// The profile panel of the plot: along the line, the names of the stops, the line speed with
// the speed boards and the slowdowns, the signals, the gradient, the mountain stretches with
// their tunnel markers, and the kilometre axis.
#pragma once

#include <cstdint>
#include <vector>

#include "cli/compiled_scenario.h"
#include "cli/svg.h"

namespace sc::plot {

// A slowdown as the cells hold it: from its start cell to its end cell, at its speed.
struct Slowdown {
  int32_t from;
  int32_t to;
  int16_t speed;
};
std::vector<Slowdown> slowdownsOf(const std::vector<TrackCell>& cells);

// Draws the profile panel from y = top; returns its bottom.
double drawProfile(const CompiledScenario& s, svg::Picture& p, double top);

}  // namespace sc::plot

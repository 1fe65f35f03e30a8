// The plan panel of the plot: the line drawn from the plan file, north up, at one scale on
// both axes, with the start, the end and the stations labelled.
#pragma once

#include "cli/compiled_scenario.h"
#include "cli/svg.h"

namespace sc::plot {

// Draws the plan panel from y = top; returns its bottom.
double drawPlan(const CompiledScenario& s, svg::Picture& p, double top);

}  // namespace sc::plot

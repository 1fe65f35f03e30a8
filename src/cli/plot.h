// `plot`: a picture of a compiled scenario, the plan of the line above its profile, as SVG.
#pragma once

#include <filesystem>
#include <ostream>
#include <string>

namespace sc {

struct CompiledScenario;

struct PlotOptions {
  std::filesystem::path path;
  std::filesystem::path output;  // empty: stdout
};

// Writes the picture to options.output (or out), problems of the files to err. Returns 0 when
// a picture was written, 3 when a file cannot be read or the picture cannot be written, 64
// when the path does not name one scenario.
int runPlot(const PlotOptions& options, std::ostream& out, std::ostream& err);

// The picture of a loaded scenario: an SVG 1.1 document, self-contained.
std::string renderScenarioSvg(const CompiledScenario& scenario);

}  // namespace sc

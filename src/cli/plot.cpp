#include "cli/plot.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <map>
#include <optional>
#include <sstream>
#include <vector>

#include "cli/compiled_checks.h"
#include "cli/compiled_scenario.h"
#include "cli/plot_plan.h"
#include "cli/plot_profile.h"
#include "cli/plot_style.h"
#include "cli/svg.h"
#include "compiler/file_io.h"
#include "driver/driver.h"

namespace sc {
namespace {

using namespace plot;
using svg::f1;
using svg::Picture;

double drawLegend(Picture& p, double top, bool withPlan, bool withProfile) {
  struct Entry {
    std::string label;
    std::string symbol;  // drawn at (0, 0), 24 px wide
  };
  auto c = [](const char* colour) { return std::string(colour); };
  std::vector<Entry> entries;
  if (withPlan) {
    entries.push_back({"line (plan)", "<line x1=\"0\" y1=\"0\" x2=\"24\" y2=\"0\" stroke=\"" +
                                          c(kLineColour) + "\" stroke-width=\"2.5\"/>"});
    entries.push_back({"beyond the end", "<line x1=\"0\" y1=\"0\" x2=\"24\" y2=\"0\" stroke=\"" +
                                             c(kTailColour) +
                                             "\" stroke-width=\"2\" stroke-dasharray=\"6,4\"/>"});
  }
  entries.push_back({"station", "<circle cx=\"12\" cy=\"0\" r=\"4\" fill=\"#fff\" stroke=\"" +
                                    c(kStationColour) + "\" stroke-width=\"2\"/>"});
  if (withProfile) {
    entries.push_back({"line speed", "<line x1=\"0\" y1=\"0\" x2=\"24\" y2=\"0\" stroke=\"" +
                                         c(kSpeedColour) + "\" stroke-width=\"2\"/>"});
    entries.push_back(
        {"speed board", "<path d=\"M8,-5 L16,-5 L12,2 Z\" fill=\"" + c(kBoardColour) + "\"/>"});
    entries.push_back({"slowdown", "<rect x=\"0\" y=\"-7\" width=\"24\" height=\"14\" fill=\"" +
                                       c(kSlowdownColour) + "\" fill-opacity=\"0.35\"/>"});
    entries.push_back({"signal", "<line x1=\"12\" y1=\"-7\" x2=\"12\" y2=\"7\" stroke=\"" +
                                     c(kSignalColour) + "\" stroke-width=\"1.5\"/>"});
    entries.push_back({"gradient", "<line x1=\"0\" y1=\"0\" x2=\"24\" y2=\"0\" stroke=\"" +
                                       c(kGradientColour) + "\" stroke-width=\"2\"/>"});
    entries.push_back(
        {"mountain stretch", "<rect x=\"0\" y=\"-7\" width=\"24\" height=\"14\" fill=\"" +
                                 c(kMountainColour) + "\" fill-opacity=\"0.45\"/>"});
    entries.push_back({"tunnel marker", "<line x1=\"12\" y1=\"-6\" x2=\"12\" y2=\"6\" stroke=\"" +
                                            c(kTunnelColour) + "\" stroke-width=\"1.5\"/>"});
  }
  p.s << "<g class=\"legend\">\n";
  p.text(kLeft - 60, top + 16, "Legend", "font-size=\"13\" font-weight=\"bold\"");
  double x = kLeft, y = top + 12;
  for (const Entry& e : entries) {
    double w = 24 + 6 + svg::textWidth(e.label) + 26;
    if (x + w > kLeft + kPlotWidth) {
      x = kLeft;
      y += 22;
    }
    p.s << "<g transform=\"translate(" << f1(x) << "," << f1(y) << ")\">" << e.symbol << "</g>\n";
    p.text(x + 30, y + 4, e.label, "font-size=\"11\"");
    x += w;
  }
  p.s << "</g>\n";
  return y + 20;
}

}  // namespace

std::string renderScenarioSvg(const CompiledScenario& s) {
  Picture p;
  double y = 0;

  std::string title = "Compiled scenario";
  std::string subtitle;
  if (s.hasRecords) {
    title = s.recordsWhole
                ? recordText(s, kRecordScenario) + " \u2014 train " + recordText(s, kRecordService)
                : s.recordFile.filename().string() + " (record file cut short)";
    std::optional<int32_t> length = validRouteLength(s);
    subtitle = (length ? "line of " + f1(*length / 1000.0) + " km, " : std::string()) +
               std::to_string(stationsOf(s).size()) + " stations";
  }
  if (s.hasCells) {
    std::map<int, int> counts;
    for (const TrackCell& c : s.cells) ++counts[c.kind];
    subtitle += (subtitle.empty() ? "" : ", ") + std::to_string(counts[CellSignal]) + " signals, " +
                std::to_string(slowdownsOf(s.cells).size()) + " slowdowns, " +
                std::to_string(counts[CellSpeedBoard]) + " speed boards";
  }
  p.text(kLeft - 60, 32, title, "font-size=\"22\" font-weight=\"bold\"");
  p.text(kLeft - 60, 52, subtitle, "font-size=\"12\" fill=\"#555\"");
  y = 66;

  if (s.hasPlan) {
    y = drawPlan(s, p, y) + 16;
  } else {
    std::string why =
        s.planFile.empty()
            ? "No plan file: the plan of the line is not drawn (it is written only with the build "
              "flag)."
            : "The plan file could not be read: the plan of the line is not drawn.";
    p.text(kLeft - 60, y + 18, why, "font-size=\"13\" fill=\"#b71c1c\" class=\"no-plan\"");
    y += 34;
  }
  if (s.hasCells && !s.cells.empty()) {
    y = drawProfile(s, p, y) + 10;
  } else {
    p.text(kLeft - 60, y + 18, "No cell file: the profile along the line is not drawn.",
           "font-size=\"13\" fill=\"#b71c1c\"");
    y += 34;
  }
  y = drawLegend(p, y, s.hasPlan, s.hasCells && !s.cells.empty()) + 10;

  std::ostringstream doc;
  doc << "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"?>\n"
      << "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" width=\"" << f1(kWidth)
      << "\" height=\"" << f1(y) << "\" viewBox=\"0 0 " << f1(kWidth) << " " << f1(y)
      << "\" font-family=\"" << kFont << "\">\n"
      << "<title>" << svg::xml(title) << "</title>\n"
      << "<rect x=\"0\" y=\"0\" width=\"" << f1(kWidth) << "\" height=\"" << f1(y)
      << "\" fill=\"#ffffff\"/>\n"
      << p.s.str() << "</svg>\n";
  return doc.str();
}

int runPlot(const PlotOptions& options, std::ostream& out, std::ostream& err) {
  LoadOutcome loaded = loadCompiledScenario(options.path);
  if (loaded.status != 0) {
    err << "scenario-compactor: " << loaded.message << "\n";
    return loaded.status;
  }
  const CompiledScenario& s = loaded.scenario;
  for (const auto& read : {s.recordFile, s.cellFile, s.planFile}) {
    if (!options.output.empty() && !read.empty() && sameFile(options.output, read)) {
      err << "scenario-compactor: " << options.output.string() << ": is the compiled file "
          << read.string() << " that the plot is drawn from; choose another -o\n";
      return kExitUsage;
    }
  }
  Findings findings = examine(s);
  for (const FileProblem& w : findings.warnings) {
    err << "scenario-compactor: " << w.file.string() << ": warning: " << w.what << "\n";
  }
  for (const FileProblem& problem : findings.problems) {
    err << "scenario-compactor: " << problem.file.string() << ": " << problem.what << "\n";
  }
  const std::vector<FileProblem>& problems = findings.problems;
  std::string svg = renderScenarioSvg(s);
  int status = problems.empty() ? 0 : kExitFaultRecorded;
  if (options.output.empty()) {
    out << svg;
    return status;
  }
  try {
    replaceFile(options.output, svg);
  } catch (const FileError& e) {
    printFileError(err, e);
    return kExitFileSystem;
  }
  return status;
}

}  // namespace sc

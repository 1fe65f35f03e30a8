#include "cli/plot_profile.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <optional>
#include <sstream>
#include <string>

#include "cli/plot_style.h"
#include "compiler/packing.h"
#include "compiler/rules.h"

namespace sc::plot {
namespace {

using svg::f1;
using svg::Picture;

// Where a cell stands along the line, in metres.
double metresOf(size_t cell) {
  return static_cast<double>(cellToMetres(static_cast<int64_t>(cell)));
}

// First speed of a speed board (the left speed of its first pair), km/h.
double boardSpeed(const TrackCell& c) {
  return static_cast<double>(packing::speedPairLeft(c.value1));
}

std::string boardLabel(const TrackCell& c) {
  int left = packing::speedPairLeft(c.value1), right = packing::speedPairRight(c.value1);
  return left == right ? std::to_string(left) : std::to_string(left) + "/" + std::to_string(right);
}

// Horizontal steps of a per-cell value; cells without a value leave a gap.
std::string stepPath(const std::vector<TrackCell>& cells,
                     const std::function<std::optional<double>(const TrackCell&)>& value,
                     const std::function<double(double)>& X,
                     const std::function<double(double)>& Y) {
  std::ostringstream d;
  std::optional<double> previous;
  size_t i = 0;
  while (i < cells.size()) {
    std::optional<double> v = value(cells[i]);
    size_t j = i + 1;
    while (j < cells.size() && value(cells[j]) == v) ++j;
    if (v) {
      double x0 = X(metresOf(i));
      double x1 = X(metresOf(j));
      if (previous) {
        d << " V" << f1(Y(*v));
      } else {
        d << (d.tellp() > 0 ? " M" : "M") << f1(x0) << "," << f1(Y(*v));
      }
      d << " H" << f1(x1);
    }
    previous = v;
    i = j;
  }
  return d.str();
}

// Names of the stations where the train stops (stop cells), where they stand on the page.
struct StopMark {
  double x;
  std::string name;
};

// The panel's bands from top to bottom, its horizontal scale and its two vertical scales.
struct Profile {
  const CompiledScenario& s;
  const std::vector<TrackCell>& cells;
  double totalMetres = 0;
  double right = kLeft + kPlotWidth;
  std::vector<StopMark> stops{};
  double namesBottom = 0;
  double speedTop = 0, speedBottom = 0, speedHeight = 190;
  double signalTop = 0, signalBottom = 0;
  double gradTop = 0, gradBottom = 0, gradHeight = 170, gradMid = 0;
  double mountTop = 0, mountBottom = 0;
  double axisY = 0;
  double maxSpeed = 40, speedStep = 0;
  double maxGrade = 5, gradeStep = 0;
  double majorKm = 0, minorKm = 0;

  double X(double metres) const { return kLeft + metres / totalMetres * kPlotWidth; }
  double speedY(double v) const {
    return speedBottom - std::clamp(v, 0.0, maxSpeed) / maxSpeed * speedHeight;
  }
  double gradeY(double g) const {
    return gradMid - std::clamp(g, -maxGrade, maxGrade) / maxGrade * gradHeight / 2;
  }
};

void layOutBands(Profile& f, double top) {
  size_t longest = 0;
  for (size_t i = 0; i < f.cells.size(); ++i) {
    if (f.cells[i].kind != CellStationStop) continue;
    int k = f.cells[i].value1;
    std::string name = f.s.hasRecords && k >= 0 && k < kRecordCount && !f.s.records[k].text.empty()
                           ? recordText(f.s, k)
                           : "record " + std::to_string(k);
    longest = std::max(longest, displayWidth(name));
    f.stops.push_back({f.X(metresOf(i)), name});
  }
  double namesTop = top + 28;
  double namesHeight = std::min(190.0, static_cast<double>(longest) * svg::kCharWidth + 12);
  f.namesBottom = namesTop + namesHeight;
  f.speedTop = f.namesBottom + 8;
  f.speedBottom = f.speedTop + f.speedHeight;
  f.signalTop = f.speedBottom + 10;
  f.signalBottom = f.signalTop + 22;
  f.gradTop = f.signalBottom + 14;
  f.gradBottom = f.gradTop + f.gradHeight;
  f.mountTop = f.gradBottom + 10;
  f.mountBottom = f.mountTop + 22;
  f.axisY = f.mountBottom + 8;
}

void chooseScales(Profile& f) {
  for (const TrackCell& c : f.cells) {
    f.maxSpeed = std::max(f.maxSpeed, static_cast<double>(packing::speedOfStep(c.speedStep)));
    if (c.kind == CellSpeedBoard) f.maxSpeed = std::max(f.maxSpeed, boardSpeed(c));
  }
  f.speedStep = svg::niceStep(f.maxSpeed, 5);
  f.maxSpeed = std::ceil(f.maxSpeed / f.speedStep) * f.speedStep;
  for (const TrackCell& c : f.cells) {
    if (c.gradientCode != 0) {
      f.maxGrade =
          std::max(f.maxGrade, std::abs(static_cast<double>(packing::gradientOf(c.gradientCode))));
    }
  }
  f.gradeStep = svg::niceStep(f.maxGrade, 3);
  f.maxGrade = std::ceil(f.maxGrade / f.gradeStep) * f.gradeStep;
  f.gradMid = (f.gradTop + f.gradBottom) / 2;
  // Kilometre grid: every 50 km on long lines, every 10 km on shorter ones.
  f.majorKm = f.totalMetres > 150000 ? 50 : f.totalMetres > 15000 ? 10 : 1;
  f.minorKm = f.majorKm == 50 ? 10 : f.majorKm == 10 ? 1 : 0;
}

void drawGrid(const Profile& f, Picture& p) {
  for (double km = 0; km * 1000 <= f.totalMetres; km += f.majorKm) {
    p.line(f.X(km * 1000), f.speedTop, f.X(km * 1000), f.mountBottom,
           std::string("stroke=\"") + kGridColour + "\" stroke-width=\"1\"");
  }
}

// Mountain stretches behind the gradient, and in their own strip with the tunnel markers.
void drawMountains(const Profile& f, Picture& p) {
  const auto& cells = f.cells;
  for (size_t i = 0; i < cells.size();) {
    size_t j = i;
    while (j < cells.size() && cells[j].mountainType > 0) ++j;
    if (j > i) {
      double x0 = f.X(metresOf(i)), x1 = f.X(metresOf(j));
      p.rect(x0, f.gradTop, x1 - x0, f.gradHeight,
             std::string("fill=\"") + kMountainColour + "\" fill-opacity=\"0.12\"");
      p.rect(
          x0, f.mountTop, std::max(x1 - x0, 1.5), f.mountBottom - f.mountTop,
          std::string("fill=\"") + kMountainColour + "\" fill-opacity=\"0.45\" class=\"mountain\"");
      i = j;
    } else {
      ++i;
    }
  }
  for (size_t i = 0; i < cells.size(); ++i) {
    if (cells[i].kind != CellTunnelMarker) continue;
    double x = f.X(metresOf(i));
    p.line(x, f.mountTop + 4, x, f.mountBottom - 4,
           std::string("stroke=\"") + kTunnelColour + "\" stroke-width=\"1.2\" class=\"tunnel\"");
  }
}

// Slowdowns: shaded from the start board to the end board, with their speed.
void drawSlowdowns(const Profile& f, Picture& p) {
  for (const Slowdown& sd : slowdownsOf(f.cells)) {
    double x0 = f.X(metresOf(sd.from)), x1 = f.X(metresOf(sd.to));
    p.rect(
        x0, f.speedTop, std::max(x1 - x0, 2.0), f.speedHeight,
        std::string("fill=\"") + kSlowdownColour + "\" fill-opacity=\"0.22\" class=\"slowdown\"");
    p.line(x0, f.speedY(sd.speed), std::max(x1, x0 + 2), f.speedY(sd.speed),
           std::string("stroke=\"") + kSlowdownColour + "\" stroke-width=\"2.5\"");
    p.text((x0 + x1) / 2, f.speedTop + 12, std::to_string(sd.speed) + " km/h",
           std::string("font-size=\"10\" font-weight=\"bold\" text-anchor=\"middle\" fill=\"") +
               kSlowdownColour + "\"");
  }
}

// Stations: a line through the bands and the name above.
void drawStops(const Profile& f, Picture& p) {
  double lastLabelX = -1e9;
  for (const StopMark& m : f.stops) {
    p.line(m.x, f.namesBottom + 2, m.x, f.mountBottom,
           std::string("stroke=\"") + kStationColour +
               "\" stroke-width=\"0.8\" stroke-dasharray=\"2,3\" stroke-opacity=\"0.7\"");
    double lx = std::max(m.x, lastLabelX + 11);
    lastLabelX = lx;
    if (lx - m.x > 1) {
      p.line(m.x, f.namesBottom + 2, lx, f.namesBottom - 4,
             "stroke=\"#90a4ae\" stroke-width=\"0.8\"");
    }
    p.text(lx + 4, f.namesBottom - 4, m.name,
           "font-size=\"11\" transform=\"rotate(-90 " + f1(lx + 4) + " " + f1(f.namesBottom - 4) +
               ")\" class=\"stop-name\"");
    p.circle(m.x, f.speedBottom, 3, std::string("fill=\"") + kStationColour + "\"");
  }
}

// A band's vertical title, turned to read upwards.
void bandTitle(double y, const std::string& title, Picture& p) {
  p.text(kLeft - 44, y, title,
         "font-size=\"11\" text-anchor=\"middle\" transform=\"rotate(-90 " + f1(kLeft - 44) + " " +
             f1(y) + ")\"");
}

void drawSpeedBand(const Profile& f, Picture& p) {
  p.rect(kLeft, f.speedTop, kPlotWidth, f.speedHeight, "fill=\"none\" stroke=\"#9e9e9e\"");
  for (double v = 0; v <= f.maxSpeed; v += f.speedStep) {
    if (v > 0) {
      p.line(kLeft, f.speedY(v), f.right, f.speedY(v),
             std::string("stroke=\"") + kGridColour + "\" stroke-dasharray=\"3,3\"");
    }
    p.text(kLeft - 6, f.speedY(v) + 4, f1(v), "font-size=\"10\" text-anchor=\"end\"");
  }
  bandTitle((f.speedTop + f.speedBottom) / 2, "speed (km/h)", p);
  auto lineSpeed = [](const TrackCell& c) -> std::optional<double> {
    if (c.speedStep == 0) return std::nullopt;
    return static_cast<double>(packing::speedOfStep(c.speedStep));
  };
  p.path(stepPath(
             f.cells, lineSpeed, [&](double m) { return f.X(m); },
             [&](double v) { return f.speedY(v); }),
         std::string("fill=\"none\" stroke=\"") + kSpeedColour +
             "\" stroke-width=\"2\" class=\"line-speed\"");
  for (size_t i = 0; i < f.cells.size(); ++i) {
    if (f.cells[i].kind != CellSpeedBoard) continue;
    double x = f.X(metresOf(i)), y = f.speedY(boardSpeed(f.cells[i]));
    p.s << "<path d=\"M" << f1(x - 4) << "," << f1(y - 7) << " L" << f1(x + 4) << "," << f1(y - 7)
        << " L" << f1(x) << "," << f1(y) << " Z\" fill=\"" << kBoardColour
        << "\" class=\"speed-board\"><title>" << svg::xml(boardLabel(f.cells[i]))
        << " km/h</title></path>\n";
  }
}

void drawSignals(const Profile& f, Picture& p) {
  p.text(kLeft - 6, f.signalBottom - 6, "signals", "font-size=\"10\" text-anchor=\"end\"");
  p.line(kLeft, f.signalBottom, f.right, f.signalBottom, "stroke=\"#bdbdbd\"");
  for (size_t i = 0; i < f.cells.size(); ++i) {
    if (f.cells[i].kind != CellSignal) continue;
    double x = f.X(metresOf(i));
    p.line(x, f.signalTop, x, f.signalBottom,
           std::string("stroke=\"") + kSignalColour + "\" stroke-width=\"1.2\" class=\"signal\"");
  }
}

void drawGradientBand(const Profile& f, Picture& p) {
  p.rect(kLeft, f.gradTop, kPlotWidth, f.gradHeight, "fill=\"none\" stroke=\"#9e9e9e\"");
  for (double g = -f.maxGrade; g <= f.maxGrade + 1e-9; g += f.gradeStep) {
    p.line(kLeft, f.gradeY(g), f.right, f.gradeY(g),
           g == 0 ? "stroke=\"#757575\""
                  : std::string("stroke=\"") + kGridColour + "\" stroke-dasharray=\"3,3\"");
    p.text(kLeft - 6, f.gradeY(g) + 4, std::string(g > 0 ? "+" : "") + f1(g),
           "font-size=\"10\" text-anchor=\"end\"");
  }
  bandTitle(f.gradMid, "gradient (\u2030)", p);
  auto gradient = [](const TrackCell& c) -> std::optional<double> {
    if (c.gradientCode == 0) return std::nullopt;
    return static_cast<double>(packing::gradientOf(c.gradientCode));
  };
  p.path(stepPath(
             f.cells, gradient, [&](double m) { return f.X(m); },
             [&](double g) { return f.gradeY(g); }),
         std::string("fill=\"none\" stroke=\"") + kGradientColour +
             "\" stroke-width=\"1.8\" class=\"gradient\"");
  p.text(kLeft - 6, f.mountBottom - 6, "mountains", "font-size=\"10\" text-anchor=\"end\"");
  p.line(kLeft, f.mountBottom, f.right, f.mountBottom, "stroke=\"#bdbdbd\"");
}

// The end of the line (the model reaches 7 km beyond it) and the kilometre axis.
void drawEndAndAxis(const Profile& f, Picture& p) {
  if (std::optional<int32_t> length = validRouteLength(f.s); length && *length < f.totalMetres) {
    double x = f.X(*length);
    p.line(x, f.speedTop, x, f.mountBottom, "stroke=\"#b71c1c\" stroke-width=\"1.5\"");
    p.text(x - 4, f.speedBottom - 6, "end of line",
           "font-size=\"10\" text-anchor=\"end\" fill=\"#b71c1c\"");
  }
  p.line(kLeft, f.axisY, f.right, f.axisY, "stroke=\"#424242\"");
  if (f.minorKm > 0) {
    for (double km = 0; km * 1000 <= f.totalMetres; km += f.minorKm) {
      p.line(f.X(km * 1000), f.axisY, f.X(km * 1000), f.axisY + 4, "stroke=\"#424242\"");
    }
  }
  for (double km = 0; km * 1000 <= f.totalMetres; km += f.majorKm) {
    p.line(f.X(km * 1000), f.axisY, f.X(km * 1000), f.axisY + 8,
           "stroke=\"#424242\" stroke-width=\"1.5\"");
    p.text(f.X(km * 1000), f.axisY + 21, f1(km), "font-size=\"11\" text-anchor=\"middle\"");
  }
  p.text(f.right, f.axisY + 36, "km from the start of the line",
         "font-size=\"11\" text-anchor=\"end\"");
}

}  // namespace

std::vector<Slowdown> slowdownsOf(const std::vector<TrackCell>& cells) {
  std::vector<Slowdown> found;
  std::optional<Slowdown> open;
  for (size_t i = 0; i < cells.size(); ++i) {
    if (cells[i].kind == CellSlowdownStart) {
      if (open) found.push_back(*open);
      open = Slowdown{static_cast<int32_t>(i), static_cast<int32_t>(i) + 1, cells[i].value1};
    } else if (cells[i].kind == CellSlowdownEnd && open) {
      open->to = static_cast<int32_t>(i);
      found.push_back(*open);
      open.reset();
    }
  }
  if (open) found.push_back(*open);
  return found;
}

double drawProfile(const CompiledScenario& s, Picture& p, double top) {
  Profile f{s, s.cells, metresOf(s.cells.size())};
  p.text(kLeft - 60, top + 16, "Profile along the line", "font-size=\"15\" font-weight=\"bold\"");
  layOutBands(f, top);
  chooseScales(f);
  drawGrid(f, p);
  drawMountains(f, p);
  drawSlowdowns(f, p);
  drawStops(f, p);
  drawSpeedBand(f, p);
  drawSignals(f, p);
  drawGradientBand(f, p);
  drawEndAndAxis(f, p);
  return f.axisY + 44;
}

}  // namespace sc::plot

#include "cli/plot.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <map>
#include <optional>
#include <sstream>
#include <vector>

#include "cli/compiled_report.h"
#include "cli/compiled_scenario.h"
#include "compiler/file_io.h"
#include "compiler/rules.h"

namespace sc {
namespace {

constexpr double kWidth = 1600;
constexpr double kLeft = 90;
constexpr double kRight = 50;
constexpr double kPlotWidth = kWidth - kLeft - kRight;
constexpr double kPlanMaxHeight = 760;
constexpr size_t kPlanPoints = 3000;
constexpr double kCharWidth = 6.3;  // average advance of an 11 px sans-serif character
constexpr int32_t kSpeedUnit = 5;   // km/h per speedStep and per packed speed unit

const char* const kFont = "DejaVu Sans, Verdana, Arial, Helvetica, sans-serif";

// Colours of the picture, one per kind of thing shown.
const char* const kLineColour = "#1f3a93";
const char* const kTailColour = "#9aa5c8";
const char* const kSpeedColour = "#1565c0";
const char* const kBoardColour = "#2e7d32";
const char* const kGradientColour = "#8d4e1a";
const char* const kSignalColour = "#c62828";
const char* const kStationColour = "#37474f";
const char* const kSlowdownColour = "#ef6c00";
const char* const kMountainColour = "#7e57c2";
const char* const kTunnelColour = "#212121";
const char* const kGridColour = "#e0e0e0";

// Where a cell stands along the line, in metres.
double metresOf(size_t cell) {
  return static_cast<double>(cellToMetres(static_cast<int64_t>(cell)));
}

std::string f1(double v) {
  char buf[48];
  std::snprintf(buf, sizeof buf, "%.1f", v);
  std::string s = buf;
  if (s == "-0.0") s = "0.0";
  if (s.size() > 2 && s.compare(s.size() - 2, 2, ".0") == 0) s.resize(s.size() - 2);
  return s;
}

// Text content or attribute value: the five XML characters escaped, and characters XML 1.0
// does not allow replaced.
std::string xml(std::string_view utf8) {
  std::string out;
  for (char c : utf8) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&apos;";
        break;
      default:
        if (static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n' && c != '\r') {
          out += "\xEF\xBF\xBD";
        } else {
          out += c;
        }
    }
  }
  return out;
}

std::string recordText(const CompiledScenario& s, int k) {
  return utf8FromCodePage(s.records[k].text);
}

double textWidth(const std::string& utf8, double size = 11) {
  return static_cast<double>(displayWidth(utf8)) * kCharWidth * size / 11;
}

// A step of 1, 2 or 5 times a power of ten giving about `count` intervals over `span`.
double niceStep(double span, double count) {
  double raw = span / count;
  double power = std::pow(10.0, std::floor(std::log10(raw)));
  for (double m : {1.0, 2.0, 5.0, 10.0}) {
    if (m * power >= raw) return m * power;
  }
  return 10 * power;
}

struct Box {
  double x0, y0, x1, y1;
  bool overlaps(const Box& o) const { return x0 < o.x1 && o.x0 < x1 && y0 < o.y1 && o.y0 < y1; }
};

class Picture {
 public:
  std::ostringstream s;

  void text(double x, double y, const std::string& utf8, const std::string& attrs = {}) {
    s << "<text x=\"" << f1(x) << "\" y=\"" << f1(y) << "\"" << (attrs.empty() ? "" : " ") << attrs
      << ">" << xml(utf8) << "</text>\n";
  }
  void line(double x1, double y1, double x2, double y2, const std::string& attrs) {
    s << "<line x1=\"" << f1(x1) << "\" y1=\"" << f1(y1) << "\" x2=\"" << f1(x2) << "\" y2=\""
      << f1(y2) << "\" " << attrs << "/>\n";
  }
  void rect(double x, double y, double w, double h, const std::string& attrs) {
    s << "<rect x=\"" << f1(x) << "\" y=\"" << f1(y) << "\" width=\"" << f1(std::max(w, 0.0))
      << "\" height=\"" << f1(std::max(h, 0.0)) << "\" " << attrs << "/>\n";
  }
  void path(const std::string& d, const std::string& attrs) {
    if (!d.empty()) s << "<path d=\"" << d << "\" " << attrs << "/>\n";
  }
};

// ---- plan of the line ----------------------------------------------------------------------

struct PlanPoint {
  int32_t row;
  double x;
  double y;
};

std::optional<double> valueOf(const TaggedValue& v) {
  if (v.tag == PlanTag::Integer) return v.integer;
  if (v.tag == PlanTag::Real && std::isfinite(v.real)) return v.real;
  return std::nullopt;
}

std::vector<PlanPoint> planPoints(const CompiledScenario& s) {
  std::vector<PlanPoint> points;
  size_t rows = std::min(s.planX.size(), s.planY.size());
  points.reserve(rows);
  for (size_t row = 0; row < rows; ++row) {
    std::optional<double> x = valueOf(s.planX[row]);
    std::optional<double> y = valueOf(s.planY[row]);
    if (x && y) points.push_back({static_cast<int32_t>(row), *x, *y});
  }
  return points;
}

// The last point at or before a row (the first point when none is).
const PlanPoint& pointAt(const std::vector<PlanPoint>& points, int64_t row) {
  auto it = std::upper_bound(points.begin(), points.end(), row,
                             [](int64_t r, const PlanPoint& p) { return r < p.row; });
  return it == points.begin() ? points.front() : *(it - 1);
}

// Places labels beside points without covering one another.
class LabelPlacer {
 public:
  explicit LabelPlacer(Box bounds) : bounds_(bounds) {}
  void block(Box b) { taken_.push_back(b); }

  // Baseline start of a label of width w beside (px, py), and whether it moved off the point.
  struct Place {
    double x;
    double y;
    bool anchorEnd;
    bool moved;
  };
  Place place(double px, double py, double w) {
    for (int step = 0; step <= 12; ++step) {
      double dy = (step + 1) / 2 * 13.0 * (step % 2 == 1 ? -1 : 1);
      for (bool left : {false, true}) {
        double x0 = left ? px - 8 - w : px + 8;
        Box b{x0, py + dy - 9, x0 + w, py + dy + 4};
        if (b.x0 < bounds_.x0 || b.x1 > bounds_.x1 || b.y0 < bounds_.y0 || b.y1 > bounds_.y1) {
          continue;
        }
        if (std::none_of(taken_.begin(), taken_.end(),
                         [&](const Box& t) { return t.overlaps(b); })) {
          taken_.push_back(b);
          return {left ? px - 8 : px + 8, py + dy + 4, left, dy != 0};
        }
      }
    }
    return {px + 8, py + 4, false, false};
  }

 private:
  Box bounds_;
  std::vector<Box> taken_;
};

// Draws the plan panel from y = top; returns its bottom.
double drawPlan(const CompiledScenario& s, Picture& p, double top) {
  std::vector<PlanPoint> points = planPoints(s);
  if (points.empty()) {
    p.text(kLeft, top + 20, "The plan file holds no points: the plan of the line is not drawn.",
           "font-size=\"13\" fill=\"#b71c1c\"");
    return top + 35;
  }
  double minX = points[0].x, maxX = minX, minY = points[0].y, maxY = minY;
  for (const PlanPoint& q : points) {
    minX = std::min(minX, q.x);
    maxX = std::max(maxX, q.x);
    minY = std::min(minY, q.y);
    maxY = std::max(maxY, q.y);
  }
  constexpr double kPad = 40;
  double areaW = kPlotWidth - 2 * kPad - 160;  // room for labels on both sides
  double dx = maxX - minX, dy = maxY - minY;
  double scale = std::min(dx > 0 ? areaW / dx : 1e9, dy > 0 ? kPlanMaxHeight / dy : 1e9);
  if (scale > 1e8) scale = 1;
  double left = kLeft + (kPlotWidth - dx * scale) / 2;
  double planTop = top + 30 + kPad;
  auto X = [&](double x) { return left + (x - minX) * scale; };
  auto Y = [&](double y) { return planTop + (maxY - y) * scale; };
  double bottom = planTop + dy * scale + kPad;

  p.text(kLeft - 60, top + 16, "Plan of the line", "font-size=\"15\" font-weight=\"bold\"");
  p.text(kLeft + 80, top + 16, "(north up, equal scale on both axes)",
         "font-size=\"11\" fill=\"#555\"");

  std::optional<int32_t> routeLength = validRouteLength(s);
  int64_t endRow = routeLength ? *routeLength : points.back().row;
  size_t step = std::max<size_t>(1, points.size() / kPlanPoints);
  std::ostringstream line, tail;
  bool inTail = false;
  for (size_t i = 0; i < points.size(); i += step) {
    bool last = i + step >= points.size();
    const PlanPoint& q = last ? points.back() : points[i];
    std::string xy = f1(X(q.x)) + "," + f1(Y(q.y));
    if (q.row <= endRow) {
      line << (i == 0 ? "M" : " L") << xy;
    } else {
      if (!inTail) {
        const PlanPoint& end = pointAt(points, endRow);
        line << " L" << f1(X(end.x)) << "," << f1(Y(end.y));
        tail << "M" << f1(X(end.x)) << "," << f1(Y(end.y));
        inTail = true;
      }
      tail << " L" << xy;
    }
    if (last) break;
  }
  p.path(tail.str(), std::string("fill=\"none\" stroke=\"") + kTailColour +
                         "\" stroke-width=\"2\" stroke-dasharray=\"6,4\" class=\"plan-tail\"");
  p.path(line.str(), std::string("fill=\"none\" stroke=\"") + kLineColour +
                         "\" stroke-width=\"2.5\" stroke-linejoin=\"round\" class=\"plan\"");

  // North arrow and scale bar.
  double nx = kLeft + kPlotWidth - 30, ny = top + 40;
  p.path("M" + f1(nx) + "," + f1(ny) + " L" + f1(nx - 7) + "," + f1(ny + 22) + " L" + f1(nx) + "," +
             f1(ny + 16) + " L" + f1(nx + 7) + "," + f1(ny + 22) + " Z",
         "fill=\"#333\"");
  p.text(nx, ny - 4, "N", "font-size=\"13\" font-weight=\"bold\" text-anchor=\"middle\"");
  double barMetres = niceStep(std::max(dx, dy) > 0 ? std::max(dx, dy) : 1000, 5);
  double barPx = barMetres * scale;
  double bx = kLeft, by = bottom - 10;
  p.line(bx, by, bx + barPx, by, "stroke=\"#333\" stroke-width=\"3\"");
  p.line(bx, by - 5, bx, by + 3, "stroke=\"#333\" stroke-width=\"1.5\"");
  p.line(bx + barPx, by - 5, bx + barPx, by + 3, "stroke=\"#333\" stroke-width=\"1.5\"");
  p.text(bx + barPx + 8, by + 4,
         barMetres >= 1000 ? f1(barMetres / 1000) + " km" : f1(barMetres) + " m",
         "font-size=\"11\"");

  // Stations, start and end, labelled without overlap.
  LabelPlacer labels({kLeft - 60, top + 24, kLeft + kPlotWidth + 40, bottom - 18});
  std::vector<StationView> stations = stationsOf(s);
  struct Mark {
    double x, y;
    std::string label;
    std::string kind;
  };
  std::vector<Mark> marks;
  const PlanPoint& first = points.front();
  const PlanPoint& end = pointAt(points, endRow);
  marks.push_back({X(first.x), Y(first.y), "Start (km 0)", "start"});
  marks.push_back({X(end.x), Y(end.y),
                   (routeLength ? "End of line (km " : "Last row of the plan (km ") +
                       f1(end.row / 1000.0) + ")",
                   "end"});
  for (const StationView& v : stations) {
    const PlanPoint& at = pointAt(points, s.records[v.record].position);
    marks.push_back({X(at.x), Y(at.y), recordText(s, v.record), "station"});
  }
  for (const Mark& m : marks) labels.block({m.x - 5, m.y - 5, m.x + 5, m.y + 5});
  for (const Mark& m : marks) {
    if (m.kind == "start") {
      p.s << "<circle cx=\"" << f1(m.x) << "\" cy=\"" << f1(m.y)
          << "\" r=\"6\" fill=\"#2e7d32\" stroke=\"#fff\" stroke-width=\"1.5\"/>\n";
    } else if (m.kind == "end") {
      p.rect(m.x - 5.5, m.y - 5.5, 11, 11, "fill=\"#b71c1c\" stroke=\"#fff\" stroke-width=\"1.5\"");
    } else {
      p.s << "<circle cx=\"" << f1(m.x) << "\" cy=\"" << f1(m.y)
          << "\" r=\"4\" fill=\"#fff\" stroke=\"" << kStationColour << "\" stroke-width=\"2\"/>\n";
    }
  }
  for (const Mark& m : marks) {
    bool strong = m.kind != "station";
    double w = textWidth(m.label) * (strong ? 1.1 : 1.0);
    LabelPlacer::Place at = labels.place(m.x, m.y, w);
    if (at.moved) {
      p.line(m.x, m.y, at.anchorEnd ? at.x + 2 : at.x - 2, at.y - 4,
             "stroke=\"#90a4ae\" stroke-width=\"0.8\"");
    }
    p.rect(at.anchorEnd ? at.x - w - 1 : at.x - 1, at.y - 10, w + 2, 13,
           "fill=\"#ffffff\" fill-opacity=\"0.8\"");
    std::string attrs = "font-size=\"11\"";
    if (at.anchorEnd) attrs += " text-anchor=\"end\"";
    if (strong) attrs += " font-weight=\"bold\"";
    attrs += " class=\"" + m.kind + "-name\"";
    p.text(at.x, at.y, m.label, attrs);
  }
  return bottom;
}

// ---- profile along the line ----------------------------------------------------------------

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

struct Slowdown {
  int32_t from;
  int32_t to;
  int16_t speed;
};

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

// First speed of a speed board (the left speed of its first pair), km/h.
double boardSpeed(const TrackCell& c) {
  return static_cast<double>(c.value1 / 100 * kSpeedUnit);
}

std::string boardLabel(const TrackCell& c) {
  int left = c.value1 / 100 * kSpeedUnit, right = c.value1 % 100 * kSpeedUnit;
  return left == right ? std::to_string(left) : std::to_string(left) + "/" + std::to_string(right);
}

double drawProfile(const CompiledScenario& s, Picture& p, double top) {
  const std::vector<TrackCell>& cells = s.cells;
  double totalMetres = metresOf(cells.size());
  auto X = [&](double metres) { return kLeft + metres / totalMetres * kPlotWidth; };
  double right = kLeft + kPlotWidth;

  p.text(kLeft - 60, top + 16, "Profile along the line", "font-size=\"15\" font-weight=\"bold\"");

  // Names of the stations where the train stops (stop cells).
  struct StopMark {
    double x;
    std::string name;
  };
  std::vector<StopMark> stops;
  size_t longest = 0;
  for (size_t i = 0; i < cells.size(); ++i) {
    if (cells[i].kind != CellStationStop) continue;
    int k = cells[i].value1;
    std::string name = s.hasRecords && k >= 0 && k < kRecordCount && !s.records[k].text.empty()
                           ? recordText(s, k)
                           : "record " + std::to_string(k);
    longest = std::max(longest, displayWidth(name));
    stops.push_back({X(metresOf(i)), name});
  }
  double namesTop = top + 28;
  double namesHeight = std::min(190.0, static_cast<double>(longest) * kCharWidth + 12);
  double namesBottom = namesTop + namesHeight;

  // Bands.
  double speedTop = namesBottom + 8, speedHeight = 190, speedBottom = speedTop + speedHeight;
  double signalTop = speedBottom + 10, signalBottom = signalTop + 22;
  double gradTop = signalBottom + 14, gradHeight = 170, gradBottom = gradTop + gradHeight;
  double mountTop = gradBottom + 10, mountBottom = mountTop + 22;
  double axisY = mountBottom + 8;

  // Scales.
  double maxSpeed = 40;
  for (const TrackCell& c : cells) {
    maxSpeed = std::max(maxSpeed, static_cast<double>(c.speedStep) * kSpeedUnit);
    if (c.kind == CellSpeedBoard) maxSpeed = std::max(maxSpeed, boardSpeed(c));
  }
  double speedStep = niceStep(maxSpeed, 5);
  maxSpeed = std::ceil(maxSpeed / speedStep) * speedStep;
  auto speedY = [&](double v) {
    return speedBottom - std::clamp(v, 0.0, maxSpeed) / maxSpeed * speedHeight;
  };

  double maxGrade = 5;
  for (const TrackCell& c : cells) {
    if (c.gradientCode != 0) maxGrade = std::max(maxGrade, std::abs(c.gradientCode - 100.0));
  }
  double gradeStep = niceStep(maxGrade, 3);
  maxGrade = std::ceil(maxGrade / gradeStep) * gradeStep;
  double gradMid = (gradTop + gradBottom) / 2;
  auto gradeY = [&](double g) {
    return gradMid - std::clamp(g, -maxGrade, maxGrade) / maxGrade * gradHeight / 2;
  };

  // Kilometre grid: every 50 km on long lines, every 10 km on shorter ones.
  double majorKm = totalMetres > 150000 ? 50 : totalMetres > 15000 ? 10 : 1;
  double minorKm = majorKm == 50 ? 10 : majorKm == 10 ? 1 : 0;
  for (double km = 0; km * 1000 <= totalMetres; km += majorKm) {
    p.line(X(km * 1000), speedTop, X(km * 1000), mountBottom,
           std::string("stroke=\"") + kGridColour + "\" stroke-width=\"1\"");
  }

  // Mountain stretches behind the gradient, and in their own strip with the tunnel markers.
  for (size_t i = 0; i < cells.size();) {
    size_t j = i;
    while (j < cells.size() && cells[j].mountainType > 0) ++j;
    if (j > i) {
      double x0 = X(metresOf(i)), x1 = X(metresOf(j));
      p.rect(x0, gradTop, x1 - x0, gradHeight,
             std::string("fill=\"") + kMountainColour + "\" fill-opacity=\"0.12\"");
      p.rect(
          x0, mountTop, std::max(x1 - x0, 1.5), mountBottom - mountTop,
          std::string("fill=\"") + kMountainColour + "\" fill-opacity=\"0.45\" class=\"mountain\"");
      i = j;
    } else {
      ++i;
    }
  }
  for (size_t i = 0; i < cells.size(); ++i) {
    if (cells[i].kind != CellTunnelMarker) continue;
    double x = X(metresOf(i));
    p.line(x, mountTop + 4, x, mountBottom - 4,
           std::string("stroke=\"") + kTunnelColour + "\" stroke-width=\"1.2\" class=\"tunnel\"");
  }

  // Slowdowns: shaded from the start board to the end board, with their speed.
  for (const Slowdown& sd : slowdownsOf(cells)) {
    double x0 = X(metresOf(sd.from)), x1 = X(metresOf(sd.to));
    p.rect(
        x0, speedTop, std::max(x1 - x0, 2.0), speedHeight,
        std::string("fill=\"") + kSlowdownColour + "\" fill-opacity=\"0.22\" class=\"slowdown\"");
    p.line(x0, speedY(sd.speed), std::max(x1, x0 + 2), speedY(sd.speed),
           std::string("stroke=\"") + kSlowdownColour + "\" stroke-width=\"2.5\"");
    p.text((x0 + x1) / 2, speedTop + 12, std::to_string(sd.speed) + " km/h",
           std::string("font-size=\"10\" font-weight=\"bold\" text-anchor=\"middle\" fill=\"") +
               kSlowdownColour + "\"");
  }

  // Stations: a line through the bands and the name above.
  double lastLabelX = -1e9;
  for (const StopMark& m : stops) {
    p.line(m.x, namesBottom + 2, m.x, mountBottom,
           std::string("stroke=\"") + kStationColour +
               "\" stroke-width=\"0.8\" stroke-dasharray=\"2,3\" stroke-opacity=\"0.7\"");
    double lx = std::max(m.x, lastLabelX + 11);
    lastLabelX = lx;
    if (lx - m.x > 1) {
      p.line(m.x, namesBottom + 2, lx, namesBottom - 4, "stroke=\"#90a4ae\" stroke-width=\"0.8\"");
    }
    p.text(lx + 4, namesBottom - 4, m.name,
           "font-size=\"11\" transform=\"rotate(-90 " + f1(lx + 4) + " " + f1(namesBottom - 4) +
               ")\" class=\"stop-name\"");
    p.s << "<circle cx=\"" << f1(m.x) << "\" cy=\"" << f1(speedBottom) << "\" r=\"3\" fill=\""
        << kStationColour << "\"/>\n";
  }

  // Speed band.
  p.rect(kLeft, speedTop, kPlotWidth, speedHeight, "fill=\"none\" stroke=\"#9e9e9e\"");
  for (double v = 0; v <= maxSpeed; v += speedStep) {
    if (v > 0) {
      p.line(kLeft, speedY(v), right, speedY(v),
             std::string("stroke=\"") + kGridColour + "\" stroke-dasharray=\"3,3\"");
    }
    p.text(kLeft - 6, speedY(v) + 4, f1(v), "font-size=\"10\" text-anchor=\"end\"");
  }
  p.text(kLeft - 44, (speedTop + speedBottom) / 2, "speed (km/h)",
         "font-size=\"11\" text-anchor=\"middle\" transform=\"rotate(-90 " + f1(kLeft - 44) + " " +
             f1((speedTop + speedBottom) / 2) + ")\"");
  p.path(stepPath(
             cells,
             [](const TrackCell& c) -> std::optional<double> {
               if (c.speedStep == 0) return std::nullopt;
               return c.speedStep * double{kSpeedUnit};
             },
             X, speedY),
         std::string("fill=\"none\" stroke=\"") + kSpeedColour +
             "\" stroke-width=\"2\" class=\"line-speed\"");
  for (size_t i = 0; i < cells.size(); ++i) {
    if (cells[i].kind != CellSpeedBoard) continue;
    double x = X(metresOf(i)), y = speedY(boardSpeed(cells[i]));
    p.s << "<path d=\"M" << f1(x - 4) << "," << f1(y - 7) << " L" << f1(x + 4) << "," << f1(y - 7)
        << " L" << f1(x) << "," << f1(y) << " Z\" fill=\"" << kBoardColour
        << "\" class=\"speed-board\"><title>" << xml(boardLabel(cells[i]))
        << " km/h</title></path>\n";
  }

  // Signals.
  p.text(kLeft - 6, signalBottom - 6, "signals", "font-size=\"10\" text-anchor=\"end\"");
  p.line(kLeft, signalBottom, right, signalBottom, "stroke=\"#bdbdbd\"");
  for (size_t i = 0; i < cells.size(); ++i) {
    if (cells[i].kind != CellSignal) continue;
    double x = X(metresOf(i));
    p.line(x, signalTop, x, signalBottom,
           std::string("stroke=\"") + kSignalColour + "\" stroke-width=\"1.2\" class=\"signal\"");
  }

  // Gradient band.
  p.rect(kLeft, gradTop, kPlotWidth, gradHeight, "fill=\"none\" stroke=\"#9e9e9e\"");
  for (double g = -maxGrade; g <= maxGrade + 1e-9; g += gradeStep) {
    p.line(kLeft, gradeY(g), right, gradeY(g),
           g == 0 ? "stroke=\"#757575\""
                  : std::string("stroke=\"") + kGridColour + "\" stroke-dasharray=\"3,3\"");
    p.text(kLeft - 6, gradeY(g) + 4, std::string(g > 0 ? "+" : "") + f1(g),
           "font-size=\"10\" text-anchor=\"end\"");
  }
  p.text(kLeft - 44, gradMid, "gradient (\u2030)",
         "font-size=\"11\" text-anchor=\"middle\" transform=\"rotate(-90 " + f1(kLeft - 44) + " " +
             f1(gradMid) + ")\"");
  p.path(stepPath(
             cells,
             [](const TrackCell& c) -> std::optional<double> {
               if (c.gradientCode == 0) return std::nullopt;
               return c.gradientCode - 100.0;
             },
             X, gradeY),
         std::string("fill=\"none\" stroke=\"") + kGradientColour +
             "\" stroke-width=\"1.8\" class=\"gradient\"");
  p.text(kLeft - 6, mountBottom - 6, "mountains", "font-size=\"10\" text-anchor=\"end\"");
  p.line(kLeft, mountBottom, right, mountBottom, "stroke=\"#bdbdbd\"");

  // End of the line: the model reaches 7 km beyond it.
  if (std::optional<int32_t> length = validRouteLength(s); length && *length < totalMetres) {
    double x = X(*length);
    p.line(x, speedTop, x, mountBottom, "stroke=\"#b71c1c\" stroke-width=\"1.5\"");
    p.text(x - 4, speedBottom - 6, "end of line",
           "font-size=\"10\" text-anchor=\"end\" fill=\"#b71c1c\"");
  }

  // Kilometre axis.
  p.line(kLeft, axisY, right, axisY, "stroke=\"#424242\"");
  if (minorKm > 0) {
    for (double km = 0; km * 1000 <= totalMetres; km += minorKm) {
      p.line(X(km * 1000), axisY, X(km * 1000), axisY + 4, "stroke=\"#424242\"");
    }
  }
  for (double km = 0; km * 1000 <= totalMetres; km += majorKm) {
    p.line(X(km * 1000), axisY, X(km * 1000), axisY + 8, "stroke=\"#424242\" stroke-width=\"1.5\"");
    p.text(X(km * 1000), axisY + 21, f1(km), "font-size=\"11\" text-anchor=\"middle\"");
  }
  p.text(right, axisY + 36, "km from the start of the line",
         "font-size=\"11\" text-anchor=\"end\"");
  return axisY + 44;
}

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
    double w = 24 + 6 + textWidth(e.label) + 26;
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
      << "<title>" << xml(title) << "</title>\n"
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
      return kExitInspectUsage;
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
  int status = problems.empty() ? 0 : kExitInspectProblem;
  if (options.output.empty()) {
    out << svg;
    return status;
  }
  try {
    replaceFile(options.output, svg);
  } catch (const FileError& e) {
    err << "scenario-compactor: " << e.file().string() << ": " << e.reason() << "\n";
    return kExitInspectUnreadable;
  }
  return status;
}

}  // namespace sc

#include "cli/plot_plan.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

#include "cli/plot_style.h"

namespace sc::plot {
namespace {

using svg::Box;
using svg::f1;
using svg::Picture;

constexpr double kPlanMaxHeight = 760;
constexpr size_t kPlanPoints = 3000;

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

// Where the plan's points land on the page: one scale on both axes, centred.
struct PlanFrame {
  double minX, maxX, minY, maxY;
  double scale, left, planTop, bottom;
  double X(double x) const { return left + (x - minX) * scale; }
  double Y(double y) const { return planTop + (maxY - y) * scale; }
  double spanX() const { return maxX - minX; }
  double spanY() const { return maxY - minY; }
};

PlanFrame frameOf(const std::vector<PlanPoint>& points, double top) {
  PlanFrame f{points[0].x, points[0].x, points[0].y, points[0].y, 1, 0, 0, 0};
  for (const PlanPoint& q : points) {
    f.minX = std::min(f.minX, q.x);
    f.maxX = std::max(f.maxX, q.x);
    f.minY = std::min(f.minY, q.y);
    f.maxY = std::max(f.maxY, q.y);
  }
  constexpr double kPad = 40;
  double areaW = kPlotWidth - 2 * kPad - 160;  // room for labels on both sides
  double dx = f.spanX(), dy = f.spanY();
  f.scale = std::min(dx > 0 ? areaW / dx : 1e9, dy > 0 ? kPlanMaxHeight / dy : 1e9);
  if (f.scale > 1e8) f.scale = 1;
  f.left = kLeft + (kPlotWidth - dx * f.scale) / 2;
  f.planTop = top + 30 + kPad;
  f.bottom = f.planTop + dy * f.scale + kPad;
  return f;
}

// The line up to its end, and dashed beyond it (the model reaches past the end).
void drawLine(const std::vector<PlanPoint>& points, const PlanFrame& f, int64_t endRow,
              Picture& p) {
  size_t step = std::max<size_t>(1, points.size() / kPlanPoints);
  std::ostringstream line, tail;
  bool inTail = false;
  for (size_t i = 0; i < points.size(); i += step) {
    bool last = i + step >= points.size();
    const PlanPoint& q = last ? points.back() : points[i];
    std::string xy = f1(f.X(q.x)) + "," + f1(f.Y(q.y));
    if (q.row <= endRow) {
      line << (i == 0 ? "M" : " L") << xy;
    } else {
      if (!inTail) {
        const PlanPoint& end = pointAt(points, endRow);
        line << " L" << f1(f.X(end.x)) << "," << f1(f.Y(end.y));
        tail << "M" << f1(f.X(end.x)) << "," << f1(f.Y(end.y));
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
}

void drawNorthAndScale(const PlanFrame& f, double top, Picture& p) {
  double nx = kLeft + kPlotWidth - 30, ny = top + 40;
  p.path("M" + f1(nx) + "," + f1(ny) + " L" + f1(nx - 7) + "," + f1(ny + 22) + " L" + f1(nx) + "," +
             f1(ny + 16) + " L" + f1(nx + 7) + "," + f1(ny + 22) + " Z",
         "fill=\"#333\"");
  p.text(nx, ny - 4, "N", "font-size=\"13\" font-weight=\"bold\" text-anchor=\"middle\"");
  double span = std::max(f.spanX(), f.spanY());
  double barMetres = svg::niceStep(span > 0 ? span : 1000, 5);
  double barPx = barMetres * f.scale;
  double bx = kLeft, by = f.bottom - 10;
  p.line(bx, by, bx + barPx, by, "stroke=\"#333\" stroke-width=\"3\"");
  p.line(bx, by - 5, bx, by + 3, "stroke=\"#333\" stroke-width=\"1.5\"");
  p.line(bx + barPx, by - 5, bx + barPx, by + 3, "stroke=\"#333\" stroke-width=\"1.5\"");
  p.text(bx + barPx + 8, by + 4,
         barMetres >= 1000 ? f1(barMetres / 1000) + " km" : f1(barMetres) + " m",
         "font-size=\"11\"");
}

struct Mark {
  double x, y;
  std::string label;
  std::string kind;  // "start", "end" or "station"
};

std::vector<Mark> marksOf(const CompiledScenario& s, const std::vector<PlanPoint>& points,
                          const PlanFrame& f, int64_t endRow, bool lengthKnown) {
  std::vector<Mark> marks;
  const PlanPoint& first = points.front();
  const PlanPoint& end = pointAt(points, endRow);
  marks.push_back({f.X(first.x), f.Y(first.y), "Start (km 0)", "start"});
  marks.push_back({f.X(end.x), f.Y(end.y),
                   (lengthKnown ? "End of line (km " : "Last row of the plan (km ") +
                       f1(end.row / 1000.0) + ")",
                   "end"});
  for (const StationView& v : stationsOf(s)) {
    const PlanPoint& at = pointAt(points, s.records[v.record].position);
    marks.push_back({f.X(at.x), f.Y(at.y), recordText(s, v.record), "station"});
  }
  return marks;
}

void drawMarkSymbol(const Mark& m, Picture& p) {
  if (m.kind == "start") {
    p.circle(m.x, m.y, 6, "fill=\"#2e7d32\" stroke=\"#fff\" stroke-width=\"1.5\"");
  } else if (m.kind == "end") {
    p.rect(m.x - 5.5, m.y - 5.5, 11, 11, "fill=\"#b71c1c\" stroke=\"#fff\" stroke-width=\"1.5\"");
  } else {
    p.circle(m.x, m.y, 4,
             std::string("fill=\"#fff\" stroke=\"") + kStationColour + "\" stroke-width=\"2\"");
  }
}

void drawMarkLabel(const Mark& m, LabelPlacer& labels, Picture& p) {
  bool strong = m.kind != "station";
  double w = svg::textWidth(m.label) * (strong ? 1.1 : 1.0);
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

}  // namespace

double drawPlan(const CompiledScenario& s, Picture& p, double top) {
  std::vector<PlanPoint> points = planPoints(s);
  if (points.empty()) {
    p.text(kLeft, top + 20, "The plan file holds no points: the plan of the line is not drawn.",
           "font-size=\"13\" fill=\"#b71c1c\"");
    return top + 35;
  }
  PlanFrame f = frameOf(points, top);
  p.text(kLeft - 60, top + 16, "Plan of the line", "font-size=\"15\" font-weight=\"bold\"");
  p.text(kLeft + 80, top + 16, "(north up, equal scale on both axes)",
         "font-size=\"11\" fill=\"#555\"");

  std::optional<int32_t> routeLength = validRouteLength(s);
  int64_t endRow = routeLength ? *routeLength : points.back().row;
  drawLine(points, f, endRow, p);
  drawNorthAndScale(f, top, p);

  // Stations, start and end, labelled without overlap.
  LabelPlacer labels({kLeft - 60, top + 24, kLeft + kPlotWidth + 40, f.bottom - 18});
  std::vector<Mark> marks = marksOf(s, points, f, endRow, routeLength.has_value());
  for (const Mark& m : marks) labels.block({m.x - 5, m.y - 5, m.x + 5, m.y + 5});
  for (const Mark& m : marks) drawMarkSymbol(m, p);
  for (const Mark& m : marks) drawMarkLabel(m, labels, p);
  return f.bottom;
}

}  // namespace sc::plot

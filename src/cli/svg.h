// A small SVG writer for the plot: numbers to one decimal, XML-escaped text, and the few
// shapes the picture is drawn from.
#pragma once

#include <sstream>
#include <string>
#include <string_view>

namespace sc::svg {

// A number with at most one decimal ("12.5", "3", never "-0").
std::string f1(double v);

// Text content or attribute value: the five XML characters escaped, and characters XML 1.0
// does not allow replaced.
std::string xml(std::string_view utf8);

// Width of a text drawn at a font size, from an average character advance.
constexpr double kCharWidth = 6.3;  // average advance of an 11 px sans-serif character
double textWidth(const std::string& utf8, double size = 11);

// A step of 1, 2 or 5 times a power of ten giving about `count` intervals over `span`.
double niceStep(double span, double count);

struct Box {
  double x0, y0, x1, y1;
  bool overlaps(const Box& o) const { return x0 < o.x1 && o.x0 < x1 && y0 < o.y1 && o.y0 < y1; }
};

// The body of an SVG document, element by element.
class Picture {
 public:
  std::ostringstream s;

  void text(double x, double y, const std::string& utf8, const std::string& attrs = {});
  void line(double x1, double y1, double x2, double y2, const std::string& attrs);
  void rect(double x, double y, double w, double h, const std::string& attrs);
  void path(const std::string& d, const std::string& attrs);
  void circle(double cx, double cy, double r, const std::string& attrs);
};

}  // namespace sc::svg

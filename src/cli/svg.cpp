#include "cli/svg.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "cli/compiled_scenario.h"

namespace sc::svg {

std::string f1(double v) {
  char buf[48];
  std::snprintf(buf, sizeof buf, "%.1f", v);
  std::string s = buf;
  if (s == "-0.0") s = "0.0";
  if (s.size() > 2 && s.compare(s.size() - 2, 2, ".0") == 0) s.resize(s.size() - 2);
  return s;
}

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

double textWidth(const std::string& utf8, double size) {
  return static_cast<double>(displayWidth(utf8)) * kCharWidth * size / 11;
}

double niceStep(double span, double count) {
  double raw = span / count;
  double power = std::pow(10.0, std::floor(std::log10(raw)));
  for (double m : {1.0, 2.0, 5.0, 10.0}) {
    if (m * power >= raw) return m * power;
  }
  return 10 * power;
}

void Picture::text(double x, double y, const std::string& utf8, const std::string& attrs) {
  s << "<text x=\"" << f1(x) << "\" y=\"" << f1(y) << "\"" << (attrs.empty() ? "" : " ") << attrs
    << ">" << xml(utf8) << "</text>\n";
}

void Picture::line(double x1, double y1, double x2, double y2, const std::string& attrs) {
  s << "<line x1=\"" << f1(x1) << "\" y1=\"" << f1(y1) << "\" x2=\"" << f1(x2) << "\" y2=\""
    << f1(y2) << "\" " << attrs << "/>\n";
}

void Picture::rect(double x, double y, double w, double h, const std::string& attrs) {
  s << "<rect x=\"" << f1(x) << "\" y=\"" << f1(y) << "\" width=\"" << f1(std::max(w, 0.0))
    << "\" height=\"" << f1(std::max(h, 0.0)) << "\" " << attrs << "/>\n";
}

void Picture::path(const std::string& d, const std::string& attrs) {
  if (!d.empty()) s << "<path d=\"" << d << "\" " << attrs << "/>\n";
}

void Picture::circle(double cx, double cy, double r, const std::string& attrs) {
  s << "<circle cx=\"" << f1(cx) << "\" cy=\"" << f1(cy) << "\" r=\"" << f1(r) << "\" " << attrs
    << "/>\n";
}

}  // namespace sc::svg

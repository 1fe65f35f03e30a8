#include "cli/plot.h"

#include <gtest/gtest.h>

#include <cmath>
#include <regex>
#include <sstream>

#include "compiler/build.h"
#include "compiler/codes.h"
#include "compiler/compiler.h"
#include "test_support.h"

namespace sc {
namespace {

namespace fs = std::filesystem;

// Checks that a document is well-formed XML as far as a picture needs: one root, every tag
// closed in order, attribute values quoted, no raw '<' or '&' outside markup and entities.
std::string xmlProblem(const std::string& doc) {
  std::vector<std::string> open;
  size_t i = 0;
  bool rootSeen = false;
  while (i < doc.size()) {
    if (doc[i] == '&') {
      static const std::regex entity("^&(amp|lt|gt|quot|apos|#[0-9]+|#x[0-9a-fA-F]+);");
      if (!std::regex_search(doc.begin() + static_cast<long>(i),
                             doc.begin() + static_cast<long>(std::min(doc.size(), i + 12)),
                             entity)) {
        return "bare & at " + std::to_string(i);
      }
      ++i;
      continue;
    }
    if (doc[i] == '>') return "bare > at " + std::to_string(i);
    if (doc[i] != '<') {
      ++i;
      continue;
    }
    if (doc.compare(i, 5, "<?xml") == 0) {
      i = doc.find("?>", i);
      if (i == std::string::npos) return "open declaration";
      i += 2;
      continue;
    }
    size_t end = i + 1;
    char quote = 0;
    while (end < doc.size() && (quote != 0 || doc[end] != '>')) {
      if (quote == 0 && doc[end] == '<') return "< inside a tag at " + std::to_string(end);
      if (doc[end] == '"' || doc[end] == '\'')
        quote = quote == 0 ? doc[end] : (quote == doc[end] ? 0 : quote);
      ++end;
    }
    if (end >= doc.size()) return "unclosed tag at " + std::to_string(i);
    std::string tag = doc.substr(i + 1, end - i - 1);
    if (tag.empty()) return "empty tag";
    if (tag[0] == '/') {
      std::string name = tag.substr(1);
      if (open.empty() || open.back() != name) return "</" + name + "> closes nothing open";
      open.pop_back();
    } else if (tag.back() != '/') {
      std::string name = tag.substr(0, tag.find_first_of(" \n\t"));
      if (open.empty() && rootSeen) return "a second root";
      rootSeen = true;
      open.push_back(name);
    }
    i = end + 1;
  }
  if (!open.empty()) return "<" + open.back() + "> never closed";
  return rootSeen ? "" : "no root";
}

// A small compiled scenario: a curved line with three stations, a few items of each kind the
// picture shows.
class PlotModel {
 public:
  explicit PlotModel(const fs::path& folder) : b(folder, "Torvel_Dolvera", "565") {
    constexpr int32_t kRoute = 30000;
    b.track.create(kRoute, 1);
    b.records.setNameSlots("Torvel_Dolvera", "565");
    b.records.routeLength() = kRoute;
    station(1, "Torvel", 1000);
    station(2, "Miravalle", 12000);
    station(3, "Dolvera Centrale", 28000);
    auto& c = b.track.trackCells;
    for (int32_t i = 0; i <= b.track.lastCell - 3; ++i) {
      c[i].gradientCode = static_cast<uint8_t>(i < 300 ? 106 : 94);
      c[i].speedStep = static_cast<uint8_t>(i < 400 ? 28 : 20);
    }
    for (int i : {40, 120, 260, 500}) c[i].kind = CellSignal;
    c[60].kind = CellSpeedBoard;
    c[60].value1 = 2828;
    c[150].kind = CellSlowdownStart;
    c[150].value1 = 60;
    c[170].kind = CellSlowdownEnd;
    for (int i = 300; i < 340; ++i) c[i].mountainType = 1;
    for (int i = 300; i < 340; i += 4) c[i].kind = CellTunnelMarker;

    TrackPlan& plan = *b.track.trackPlan;
    plan.setInteger(0, 0, 0);
    plan.setInteger(1, 0, 1);
    double heading = 0;
    for (int32_t row = 2; row <= b.track.modelLength - 2; ++row) {
      if (row > 5000 && row < 9000) heading += 0.0004;
      plan.setReal(row, plan.x(row - 1) + std::sin(heading), plan.y(row - 1) + std::cos(heading));
    }
  }

  void station(int k, const std::string& name, int32_t position) {
    ScenarioRecord& s = b.records[k];
    s.stationKind = 12;
    s.position = position;
    s.start = position - 200;
    s.end = position + 200;
    s.text = name;
    TrackCell& stop = b.track.trackCells[static_cast<size_t>(s.end / 50 - 1)];
    stop.kind = CellStationStop;
    stop.value1 = static_cast<int16_t>(k);
  }

  void write() {
    ASSERT_EQ(stampScenario(b), 0);
    std::vector<fs::path> written;
    writeCompiledFiles(b, written);
  }

  Build b;
};

struct Plotted {
  int status;
  std::string svg;
  std::string err;
};

Plotted plot(const fs::path& path, const fs::path& output = {}) {
  std::ostringstream out, err;
  int status = runPlot({path, output}, out, err);
  return {status, output.empty() ? out.str() : test::slurp(output), err.str()};
}

size_t count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

TEST(Plot, DrawsThePlanProfileStationsAndLegendAsWellFormedSvg) {
  test::TempDir dir;
  PlotModel model(dir.path());
  model.write();
  Plotted r = plot(dir.path(), dir / "line.svg");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(xmlProblem(r.svg), "");
  EXPECT_EQ(r.svg.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"", 0), 0u);
  EXPECT_NE(r.svg.find("<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\""),
            std::string::npos);
  size_t root = r.svg.find("<svg ");
  ASSERT_NE(root, std::string::npos);
  std::string rootTag = r.svg.substr(root, r.svg.find('>', root) - root);
  EXPECT_NE(rootTag.find(" viewBox=\"0 0 1600 "), std::string::npos) << rootTag;
  // Nothing is fetched from outside the document.
  EXPECT_EQ(count(r.svg, "href"), 0u);
  EXPECT_EQ(count(r.svg, "http"), 1u);  // the namespace

  size_t planClass = r.svg.find("class=\"plan\"");
  ASSERT_NE(planClass, std::string::npos);
  size_t planPath = r.svg.rfind("<path d=\"", planClass);
  ASSERT_NE(planPath, std::string::npos);
  EXPECT_GT(count(r.svg.substr(planPath, planClass - planPath), " L"), 1000u);

  for (const char* name : {"Torvel", "Miravalle", "Dolvera Centrale"}) {
    EXPECT_EQ(count(r.svg, std::string("class=\"station-name\">") + name + "</text>"), 1u) << name;
    EXPECT_EQ(count(r.svg, std::string("class=\"stop-name\">") + name + "</text>"), 1u) << name;
  }
  EXPECT_EQ(count(r.svg, "class=\"signal\""), 4u);
  EXPECT_EQ(count(r.svg, "class=\"speed-board\""), 1u);
  EXPECT_EQ(count(r.svg, "class=\"slowdown\""), 1u);
  EXPECT_EQ(count(r.svg, "class=\"tunnel\""), 10u);
  EXPECT_EQ(count(r.svg, "class=\"mountain\""), 1u);
  EXPECT_NE(r.svg.find(">60 km/h</text>"), std::string::npos);
  EXPECT_NE(r.svg.find("class=\"line-speed\""), std::string::npos);
  EXPECT_NE(r.svg.find("class=\"gradient\""), std::string::npos);
  EXPECT_NE(r.svg.find("<g class=\"legend\">"), std::string::npos);
  for (const char* entry : {">station<", ">line speed<", ">speed board<", ">slowdown<", ">signal<",
                            ">gradient<", ">mountain stretch<", ">tunnel marker<"}) {
    EXPECT_NE(r.svg.find(entry), std::string::npos) << entry;
  }
  EXPECT_NE(r.svg.find(">Start (km 0)<"), std::string::npos);
  EXPECT_NE(r.svg.find(">End of line (km 30)<"), std::string::npos);
}

TEST(Plot, EscapesTextsAndDrawsOnlyTheProfileWithoutAPlanFile) {
  test::TempDir dir;
  PlotModel model(dir.path());
  model.b.records[2].text = "Bivio <&> \"Nord\"\x01";
  model.b.buildFlag = 0;  // no plan file
  model.write();
  Plotted r = plot(dir.path());
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(xmlProblem(r.svg), "");
  EXPECT_EQ(r.svg.find("<&>"), std::string::npos);
  EXPECT_NE(r.svg.find(">Bivio &lt;&amp;&gt; &quot;Nord&quot;\xEF\xBF\xBD</text>"),
            std::string::npos);
  EXPECT_NE(r.svg.find("No plan file: the plan of the line is not drawn"), std::string::npos);
  EXPECT_EQ(r.svg.find("class=\"plan\""), std::string::npos);
  EXPECT_NE(r.svg.find("class=\"line-speed\""), std::string::npos);
}

TEST(Plot, UnreadablePathsAndOutputsEndWithStatus3) {
  test::TempDir dir;
  EXPECT_EQ(plot(dir / "missing").status, 3);
  PlotModel model(dir.path());
  model.write();
  Plotted r = plot(dir.path(), dir / "no-such-folder" / "line.svg");
  EXPECT_EQ(r.status, 3);
  EXPECT_NE(r.err.find("line.svg"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace sc

#include "cli/compiled_report.h"

#include <gtest/gtest.h>

#include <functional>
#include <nlohmann/json.hpp>
#include <sstream>

#include "compiler/build.h"
#include "compiler/codes.h"
#include "compiler/compiler.h"
#include "test_support.h"

namespace sc {
namespace {

namespace fs = std::filesystem;

constexpr int32_t kRoute = 20000;  // lastCell 540, 541 cells; modelLength 27000

struct Inspected {
  int status;
  std::string out;
  std::string err;
};

Inspected inspect(const fs::path& path, bool json = false,
                  std::optional<std::pair<int32_t, int32_t>> cells = std::nullopt) {
  std::ostringstream out, err;
  int status = runInspect({path, json, cells}, out, err);
  return {status, out.str(), err.str()};
}

// Whether a line of the text holds exactly these words, whatever the spacing between them.
bool hasRow(const std::string& text, const std::string& words) {
  auto split = [](const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> w;
    for (std::string word; in >> word;) w.push_back(word);
    return w;
  };
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    if (split(line) == split(words)) return true;
  }
  return false;
}

// A small compiled scenario with one item of each kind, stations, board texts and a plan.
class Model {
 public:
  explicit Model(const fs::path& folder) : b(folder, "Torvel_Dolvera", "565") {
    b.track.create(kRoute, 1);
    RecordTable& r = b.records;
    r.setNameSlots("Torvel_Dolvera", "565");
    r.routeLength() = kRoute;
    r[kRecordKmThree] = km(10000, 20000, 7000);
    r[kRecordKmTwo] = km(5000, 10000, 3000);
    r[kRecordKmOne] = km(0, 5000, 0);
    r.brakedMassPercent() = 130;
    r.coachCount() = 14;
    r.sand() = 200;
    r.clockHours() = 12;
    r.clockMinutes() = 59;
    r.clockSeconds() = 30;
    r.repetitionStart() = 1000;
    r.repetitionEnd() = 18000;
    r.repetitionCodes() = 9;
    station(1, "Torvel", 12, 1000, 13 * 3600 + 5 * 60);
    station(2, "Miravalle", 12, 9000, 13 * 3600 + 12 * 60 + 30);
    station(3, "Ponte Rosso", 28, 15000, 0);  // a kind without a stop cell
    board(80, "Bivio Gorra", 60);
    board(79, "Fine linea", 400);

    auto& c = b.track.trackCells;
    for (int32_t i = 0; i <= b.track.lastCell - 3; ++i) {
      c[i].gradientCode = i < 200 ? 106 : 94;
      c[i].speedStep = i < 300 ? 28 : 20;
      c[i].adhesion = 10;
    }
    c[11] = TrackCell{CellSignal, 11, 22, 33, 14, 101, 0, 0, 28, 106, 10};
    c[30].kind = CellSpeedBoard;
    c[30].value1 = 2828;
    c[100].kind = CellSlowdownStart;
    c[100].value1 = 60;
    c[120].kind = CellSlowdownEnd;
    c[120].value1 = 60;
    c[76].kind = CellSlowdownWarning;
    for (int i = 0; i < 4; ++i) {
      c[75 - i].kind = CellSlowdownApproach;
      c[75 - i].value1 = static_cast<int16_t>(i + 1);
    }
    for (int i = 200; i < 220; ++i) c[i].mountainType = 1;
    for (int i = 200; i < 220; i += 4) c[i].kind = CellTunnelMarker;
    c[250].kind = CellReductionPoint;
    c[250].value1 = 180;
    c[251].kind = CellReductionPointNoValue;

    TrackPlan& plan = *b.track.trackPlan;
    plan.setInteger(0, 0, 0);
    plan.setInteger(1, 0, 1);
    for (int32_t row = 2; row <= b.track.modelLength - 2; ++row) plan.setReal(row, 0, row);
  }

  static ScenarioRecord km(int32_t start, int32_t end, int32_t position) {
    ScenarioRecord k;
    k.start = start;
    k.end = end;
    k.position = position;
    return k;
  }

  void station(int k, const std::string& name, uint8_t kind, int32_t position, int32_t time) {
    ScenarioRecord& s = b.records[k];
    s.stationKind = kind;
    s.position = position;
    s.start = position - 200;
    s.end = position + 200;
    s.text = name;
    s.stopTime = kind < 25 ? 30 : 0;
    s.scheduledTime = time;
    if (kind < 25) {
      TrackCell& stop = b.track.trackCells[static_cast<size_t>(s.end / 50 - 1)];
      stop.kind = CellStationStop;
      stop.value1 = static_cast<int16_t>(k);
    }
  }

  void board(int k, const std::string& text, int32_t cell) {
    b.records[k].text = text;
    b.track.trackCells[static_cast<size_t>(cell)].kind = CellIndicationBoard;
    b.track.trackCells[static_cast<size_t>(cell)].value1 = static_cast<int16_t>(k);
  }

  // Stamps the markers and codes, then lets the test spoil the model before it is written.
  void write(const std::function<void(Build&)>& afterStamp = {}) {
    ASSERT_EQ(stampScenario(b), 0);
    if (afterStamp) afterStamp(b);
    std::vector<fs::path> written;
    writeCompiledFiles(b, written);
  }

  Build b;
};

class Inspect : public ::testing::Test {
 protected:
  test::TempDir dir;
  Model model{dir.path()};
  fs::path sim = dir / "Torvel_Dolvera_565.sim";
  fs::path cells = dir / "Torvel_Dolvera_565.dat";
  fs::path plan = dir / "Torvel_Dolvera_linea.dat";
};

TEST_F(Inspect, WrittenModelShowsNamesStationsBoardsAndMatchingCodes) {
  model.write();
  Inspected r = inspect(dir.path());
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  for (const char* fact : {"Torvel_Dolvera", "565", "20000 m", "12:59:30", "130 %", "Bivio Gorra",
                           "Fine linea", "whole and consistent"}) {
    EXPECT_NE(r.out.find(fact), std::string::npos) << fact << "\n" << r.out;
  }
  // Station rows: record, name, kind, area, position, stop cell, time, stopTime. Kind 28 has
  // no stop cell.
  EXPECT_TRUE(hasRow(r.out, "1 Torvel 12 800-1200 1000 23 13:05:00 30")) << r.out;
  EXPECT_TRUE(hasRow(r.out, "2 Miravalle 12 8800-9200 9000 183 13:12:30 30")) << r.out;
  EXPECT_TRUE(hasRow(r.out, "3 Ponte Rosso 28 14800-15200 15000 - 00:00:00 0")) << r.out;
  EXPECT_TRUE(hasRow(r.out, "80 60 Bivio Gorra")) << r.out;
  EXPECT_TRUE(hasRow(r.out, "11 CellTunnelMarker 5")) << r.out;
  for (const std::string check :
       {"format marker", "cell marker", "codice_gara_st", "codice_gara_og"}) {
    size_t at = r.out.find(check + " ");
    ASSERT_NE(at, std::string::npos) << check;
    std::string line = r.out.substr(at, r.out.find('\n', at) - at);
    EXPECT_NE(line.find("matches"), std::string::npos) << line;
  }
}

fs::path simOf(const fs::path& d) {
  return d / "Torvel_Dolvera_565.sim";
}
fs::path cellsOf(const fs::path& d) {
  return d / "Torvel_Dolvera_565.dat";
}
fs::path planOf(const fs::path& d) {
  return d / "Torvel_Dolvera_linea.dat";
}

void cut(const fs::path& file, size_t bytesLess) {
  std::string bytes = test::slurp(file);
  test::spit(file, bytes.substr(0, bytes.size() - bytesLess));
}

TEST(InspectDamage, FilesCutShortOrOfTheWrongSizeAreNamedAndReturnOne) {
  struct Case {
    const char* name;
    std::function<void(const fs::path&)> damage;
    std::vector<std::string> said;
  };
  const Case cases[] = {
      {"cell file cut short",
       [](const fs::path& d) { cut(cellsOf(d), 7); },
       {"Torvel_Dolvera_565.dat: cell file of 8108 bytes is not a whole number of 15-byte cells",
        "needs 541 cells"}},
      {"cell file one cell short",
       [](const fs::path& d) { cut(cellsOf(d), 15); },
       {"Torvel_Dolvera_565.dat: the cell file holds 540 cells (8100 bytes); a route of 20000 m "
        "needs 541 cells (8115 bytes)"}},
      {"record file cut short",
       [](const fs::path& d) { cut(simOf(d), 3); },
       {"Torvel_Dolvera_565.sim: record file cut short inside record 86"}},
      {"record file with trailing bytes",
       [](const fs::path& d) { test::spit(simOf(d), test::slurp(simOf(d)) + "xyz"); },
       {"Torvel_Dolvera_565.sim: 3 bytes after the last of the 87 records"}},
      {"plan file with an entry too many",
       [](const fs::path& d) {
         test::spit(planOf(d), test::slurp(planOf(d)) + std::string(4, '\0'));
       },
       {"Torvel_Dolvera_linea.dat: the plan file holds 54004 entries; a route of 20000 m needs "
        "2 x (27000 + 1) = 54002"}},
      {"plan file cut short",
       [](const fs::path& d) { cut(planOf(d), 1); },
       {"Torvel_Dolvera_linea.dat: plan file cut short"}},
      {"cell file missing",
       [](const fs::path& d) { fs::remove(cellsOf(d)); },
       {"Torvel_Dolvera_565.dat: the cell file is missing"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::TempDir dir;
    Model model(dir.path());
    model.write();
    c.damage(dir.path());
    Inspected r = inspect(dir.path());
    EXPECT_EQ(r.status, 1);
    for (const std::string& said : c.said) EXPECT_NE(r.err.find(said), std::string::npos) << r.err;
    EXPECT_NE(r.out.find("(on standard error)"), std::string::npos) << r.out;
  }
}

TEST(InspectDamage, FailedInvariantsAndStampsAreNamedAndReturnOne) {
  struct Case {
    const char* name;
    std::function<void(Build&)> spoil;
    std::string said;
  };
  const Case cases[] = {
      {"km reference off the 50 m grid", [](Build& b) { b.records[kRecordKmTwo].end = 10025; },
       "record 82 (kilometre reference) end 10025 is not a multiple of 50"},
      {"record 0 filled", [](Build& b) { b.records[0].text = "x"; },
       "record 0 is not all zero with an empty text"},
      {"stations too close", [](Build& b) { b.records[2].start = b.records[1].end + 300; },
       "station record 2 (Miravalle) starts at 1500 m, less than 350 m after the end of record 1 "
       "at 1200 m"},
      {"first station keeps flagB", [](Build& b) { b.records[1].flagB = 1; },
       "record 1 (first station) has extendEnd 0 and flagB 1"},
      {"format marker", [](Build& b) { b.records.formatMagic() = 611; },
       "the format marker in record 85 groupA1 is 611, expected 610"},
      {"cell marker", [](Build& b) { b.track.trackCells[1].value1 = 5120; },
       "the cell marker in cell 1 value1 is 5120, expected 5121"},
      {"codice_gara_st", [](Build& b) { b.records.codeSt() += 1; },
       "the codice_gara_st in record 85 scheduledTime is"},
      {"codice_gara_og", [](Build& b) { b.track.trackCells[1].value2 = 7; },
       "the codice_gara_og in cell 1 value2 is 7, expected"},
      {"route length beyond the limit", [](Build& b) { b.records.routeLength() = 2000000000; },
       "record 84 end (route length) 2000000000 m lies outside 0 to 1000000 m"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::TempDir dir;
    Model model(dir.path());
    model.write(c.spoil);
    Inspected r = inspect(dir.path());
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(c.said), std::string::npos) << r.err;
  }
}

TEST_F(Inspect, CellsListsEveryFieldOfARangeAndRefusesOneOutsideTheFile) {
  model.write();
  Inspected r = inspect(dir.path(), false, std::pair{10, 12});
  EXPECT_EQ(r.status, 0) << r.err;
  for (const char* header : {"value1", "value4", "signalTime", "approachCode", "mountainType",
                             "speedStep", "gradientCode", "adhesion"}) {
    EXPECT_NE(r.out.find(header), std::string::npos) << header;
  }
  // cell, metres, kind, value1 to value4, signalTime, approachCode, mountainType, speedStep,
  // gradientCode, adhesion
  EXPECT_TRUE(hasRow(r.out, "11 550 1 CellSignal 11 22 33 14 101 0 0 28 106 10")) << r.out;
  EXPECT_TRUE(hasRow(r.out, "10 500 0 CellFree 0 0 0 0 0 0 0 28 106 10")) << r.out;
  EXPECT_TRUE(hasRow(r.out, "12 600 0 CellFree 0 0 0 0 0 0 0 28 106 10")) << r.out;
  EXPECT_EQ(r.out.find("  13     650"), std::string::npos) << r.out;

  for (auto range : {std::pair{530, 541}, std::pair{-1, 3}, std::pair{20, 10}}) {
    Inspected refused = inspect(dir.path(), false, range);
    EXPECT_EQ(refused.status, 64);
    EXPECT_EQ(refused.out, "");
    EXPECT_NE(refused.err.find("which holds cells 0 to 540"), std::string::npos) << refused.err;
  }
}

TEST_F(Inspect, JsonHoldsTheSameFacts) {
  model.b.records[2].text =
      "Miravalle \xE8 Sant\x92"
      "Elmo";  // code page bytes for U+00E8, U+2019
  model.write();
  Inspected r = inspect(dir.path(), true, std::pair{11, 11});
  EXPECT_EQ(r.status, 0) << r.err;
  nlohmann::json j = nlohmann::json::parse(r.out);
  EXPECT_EQ(j["general"]["scenarioName"], "Torvel_Dolvera");
  EXPECT_EQ(j["general"]["trainNumber"], "565");
  EXPECT_EQ(j["general"]["routeLength"], kRoute);
  EXPECT_EQ(j["general"]["clock"], "12:59:30");
  ASSERT_EQ(j["stations"].size(), 3u);
  EXPECT_EQ(j["stations"][0]["name"], "Torvel");
  EXPECT_EQ(j["stations"][0]["stopCell"], 23);
  EXPECT_EQ(j["stations"][1]["name"], "Miravalle \u00e8 Sant\u2019Elmo");
  EXPECT_EQ(j["stations"][1]["time"], "13:12:30");
  EXPECT_TRUE(j["stations"][2]["stopCell"].is_null());
  ASSERT_EQ(j["boardTexts"].size(), 2u);
  EXPECT_EQ(j["boardTexts"][0]["text"], "Bivio Gorra");
  EXPECT_EQ(j["boardTexts"][0]["cell"], 60);
  for (const char* check : {"format marker", "cell marker", "codice_gara_st", "codice_gara_og"}) {
    EXPECT_EQ(j["checks"][check]["matches"], true) << check;
  }
  EXPECT_EQ(j["checks"]["codice_gara_og"]["expected"], codice_gara_og(model.b.records));
  EXPECT_EQ(j["cells"]["count"], 541);
  EXPECT_EQ(j["cells"]["listed"][0]["value3"], 33);
  EXPECT_EQ(j["plan"]["entries"], 54002);
  EXPECT_EQ(j["consistent"], true);
  EXPECT_TRUE(j["problems"].empty());

  cut(cellsOf(dir.path()), 15);
  Inspected damaged = inspect(dir.path(), true);
  EXPECT_EQ(damaged.status, 1);
  nlohmann::json d = nlohmann::json::parse(damaged.out);
  EXPECT_EQ(d["consistent"], false);
  ASSERT_EQ(d["problems"].size(), 1u);
  EXPECT_NE(d["problems"][0]["problem"].get<std::string>().find("needs 541 cells"),
            std::string::npos);
}

TEST_F(Inspect, AFolderOfSeveralScenariosAsksForOneFile) {
  model.write();
  Model other(dir.path());
  other.b.files.trainNumber = "566";
  other.b.records.trainNumber() = "566";
  other.write();
  Inspected r = inspect(dir.path());
  EXPECT_EQ(r.status, 64);
  EXPECT_NE(r.err.find("2 record files (Torvel_Dolvera_565.sim, Torvel_Dolvera_566.sim); name one"),
            std::string::npos)
      << r.err;

  Inspected one = inspect(dir / "Torvel_Dolvera_566.sim");
  EXPECT_EQ(one.status, 0) << one.err;
  EXPECT_NE(one.out.find("Compiled scenario Torvel_Dolvera, train 566"), std::string::npos);
  EXPECT_NE(one.out.find("Torvel_Dolvera_566.dat"), std::string::npos);

  Inspected alone = inspect(dir / "Torvel_Dolvera_565.dat");
  EXPECT_EQ(alone.status, 0) << alone.err;
  EXPECT_NE(alone.out.find("not checked: no record file"), std::string::npos) << alone.out;

  EXPECT_EQ(inspect(dir / "missing").status, 3);
}

}  // namespace
}  // namespace sc

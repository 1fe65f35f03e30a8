#include "compiler/line_reader.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "compiler/compiler.h"
#include "compiler/field_stream.h"
#include "compiler/file_io.h"
#include "compiler/line_general_rows.h"
#include "test_support.h"

namespace sc {
namespace {

using test::spit;
using test::TempDir;

// The line most tests use: 10000 m, so modelLength 17000 and lastCell 340; a row passes the
// range test up to 16900 m.
const char* const kLength = "lunghezza percorso,    10000";

// A line description: "[generale]", the length row and further general rows, the "[curve]"
// header, the item rows, "[fine]" and the empty last line. Item rows start on line 4 plus the
// number of extra general rows.
std::string lineText(const std::vector<std::string>& items, const std::string& length = kLength,
                     const std::vector<std::string>& general = {}) {
  std::vector<std::string> lines{"[generale]", length};
  lines.insert(lines.end(), general.begin(), general.end());
  lines.push_back("[curve]");
  lines.insert(lines.end(), items.begin(), items.end());
  lines.push_back("[fine]");
  lines.push_back("");
  std::string out;
  for (const std::string& l : lines) out += l + "\r\n";
  return out;
}

struct Reader {
  TempDir dir;
  Build b;
  LineReading reading;
  explicit Reader(int32_t flag = 1) : b(dir.path(), "S", "T", flag) {}

  bool read(const std::string& text) {
    spit(b.files.lineDescription(), text);
    reading = readLineDescription(b);
    return reading.trainFollows;
  }
  // Through memorizza_dati, with its recovery handler; a train description stands beside.
  void compile(const std::string& text) {
    spit(b.files.lineDescription(), text);
    spit(b.files.trainDescription(), "treno\r\n");
    memorizza_dati(b);
  }
  bool lineFileLeft() const { return fileExists(b.files.lineDescription()); }
  const TrackCell& cell(int64_t i) const { return b.track.trackCells.at(static_cast<size_t>(i)); }
  int32_t error() const { return b.error.errorNumber; }
  const Fault& lastFault() const { return b.error.faults.back(); }
  const TrackPlan& plan() const { return *b.track.trackPlan; }
};

TEST(LineReader, RouteLengthLimits) {
  {
    Reader r;
    EXPECT_TRUE(r.read(lineText({}, "lunghezza percorso, 1000000")));
    EXPECT_EQ(r.error(), 0);
    EXPECT_EQ(r.b.track.lastCell, 20140);
    EXPECT_EQ(r.b.records.routeLength(), 1000000);
    EXPECT_FALSE(r.lineFileLeft());
  }
  {
    Reader r;
    EXPECT_FALSE(r.read(lineText({"pendenza, 2000, 6"}, "lunghezza percorso, 1000001")));
    EXPECT_EQ(r.error(), err::RouteTooLong);
    EXPECT_EQ(r.lastFault().place.line, 2);
    EXPECT_FALSE(r.b.track.hasCells());
    EXPECT_EQ(r.b.records.routeLength(), 0);
    EXPECT_FALSE(r.lineFileLeft());
  }
  {
    // A refused second length leaves the first model and its length in record 84.
    Reader r;
    EXPECT_FALSE(r.read(lineText({}, kLength, {"lunghezza percorso, 1000001"})));
    EXPECT_EQ(r.error(), err::RouteTooLong);
    EXPECT_EQ(r.b.records.routeLength(), 10000);
    EXPECT_EQ(r.b.track.lastCell, 340);
  }
  {
    // The shortest model that still has cell 1 and plan row 1.
    Reader r;
    EXPECT_TRUE(r.read(lineText({}, "lunghezza percorso, -6974")));
    EXPECT_EQ(r.b.track.lastCell, 1);
    EXPECT_EQ(r.cell(0).gradientCode, 100);
    EXPECT_EQ(r.plan().y(24), 24.0);
  }
}

TEST(LineReader, MissingFileRecords101AndDeletesNothing) {
  Reader r;
  spit(r.b.files.trainDescription(), "treno\r\n");
  memorizza_dati(r.b);
  EXPECT_EQ(r.error(), err::NoLineDescription);
  EXPECT_TRUE(fileExists(r.b.files.trainDescription()));
  EXPECT_FALSE(r.b.track.hasCells());
  EXPECT_EQ(r.b.records.scenarioName(), "S");
}

TEST(LineReader, NoGeneralSectionBeforeTheEnd) {
  const char* texts[] = {
      "",
      "[curve]\r\nlunghezza percorso, 1000\r\n",
      "lunghezza percorso, 1000\r\n[generale]\r\n",  // the last field
      "lunghezza percorso, 1000\r\n[generale]",
  };
  for (const char* text : texts) {
    Reader r;
    EXPECT_FALSE(r.read(text)) << text;
    EXPECT_EQ(r.error(), err::NoGeneralSection) << text;
    EXPECT_EQ(r.lastFault().place.file, "S_linea.txt") << text;
    EXPECT_GT(r.lastFault().place.line, 0) << text;
    EXPECT_FALSE(r.lineFileLeft()) << text;
    EXPECT_FALSE(r.b.track.hasCells()) << text;
  }
}

TEST(LineReader, GeneralRowsFillTheGeneralRecords) {
  Reader r;
  std::string text =
      test::crlf({"[GENERALE]", "lunghezza percorso,    358000",
                  "progressiva chilometrica uno,    5000,    5100,    0",
                  "progressiva chilometrica due,    20000,    20050,    1",
                  "progressiva chilometrica tre,    10000,    10500,    0", "sfondo uno,    1",
                  "sfondo due,    2", "sfondo tre,    3",
                  "ripetizione segnali 4 codici,    0,    349000", "[curve]", "[fine]", ""});
  EXPECT_TRUE(r.read(text));
  EXPECT_EQ(r.error(), 0);
  EXPECT_EQ(r.b.track.lastCell, 7300);
  EXPECT_EQ(r.b.records.routeLength(), 358000);
  const ScenarioRecord& k81 = r.b.records[81];
  const ScenarioRecord& k82 = r.b.records[82];
  const ScenarioRecord& k83 = r.b.records[83];
  EXPECT_EQ((std::vector<int32_t>{k81.start, k81.end, k81.position}),
            (std::vector<int32_t>{20000, 20150, 1}));
  EXPECT_EQ((std::vector<int32_t>{k82.start, k82.end, k82.position}),
            (std::vector<int32_t>{10000, 10500, 0}));
  EXPECT_EQ((std::vector<int32_t>{k83.start, k83.end, k83.position}),
            (std::vector<int32_t>{5000, 5100, 0}));
  EXPECT_EQ(r.b.records.backgroundOne(), 1);
  EXPECT_EQ(r.b.records.backgroundTwo(), 2);
  EXPECT_EQ(r.b.records.backgroundThree(), 3);
  EXPECT_EQ(r.b.records.repetitionStart(), 0);
  EXPECT_EQ(r.b.records.repetitionEnd(), 349000);
  EXPECT_EQ(r.b.records.repetitionCodes(), 4);
  EXPECT_EQ(r.reading.nextBoardTextSlot, 80);
}

TEST(LineReader, KeywordComparesTextOrExact) {
  struct Case {
    const char* row;
    int32_t record81Start;
    int32_t backgroundOne;
  } cases[] = {
      {"progressiva chilometrica uno, 50, 100, 0", 50, 0},
      {"Progressiva chilometrica uno, 50, 100, 0", 0, 0},  // exact compare: not recognised
      {"sfondo uno, 7", 0, 7},
      {"Sfondo uno, 7", 0, 0},
  };
  for (const Case& c : cases) {
    Reader r;
    // "Lunghezza Percorso" is a text compare and is recognised.
    EXPECT_TRUE(r.read(lineText({}, "Lunghezza Percorso, 10000", {c.row}))) << c.row;
    EXPECT_EQ(r.error(), 0) << c.row;
    EXPECT_EQ(r.b.track.lastCell, 340) << c.row;
    EXPECT_EQ(r.b.records[81].start, c.record81Start) << c.row;
    EXPECT_EQ(r.b.records.backgroundOne(), c.backgroundOne) << c.row;
  }
}

TEST(LineReader, SignalRepetitionChecks) {
  struct Case {
    const char* row;
    int32_t error;
    int32_t codes;
  } cases[] = {
      {"ripetizione segnali 4 codici, 0, 349000", 0, 4},
      {"ripetizione segnali 9 codici, 50, 1000", 0, 9},
      {"ripetizione segnali 9 codici, 50, 0", 0, 0},  // no stretch: no codes
      {"ripetizione segnali 4 codici, 25, 1000", err::RepetitionStart, 0},
      {"ripetizione segnali 4 codici, 0, 1025", err::RepetitionEnd, 0},
      {"ripetizione segnali 4 codici, 30, 1025", err::RepetitionStart, 0},
      {"ripetizione segnali codici, 0, 1000", err::RepetitionCodes, 0},
      {"Ripetizione segnali 4 codici, 25, 1000", 0, 0},  // exact compare: not recognised
  };
  for (const Case& c : cases) {
    Reader r;
    bool goesOn = r.read(lineText({"pendenza, 2000, 6"}, kLength, {c.row}));
    EXPECT_EQ(goesOn, c.error == 0) << c.row;
    EXPECT_EQ(r.error(), c.error) << c.row;
    EXPECT_FALSE(r.lineFileLeft()) << c.row;
    if (c.error != 0) {
      EXPECT_EQ(r.lastFault().place.line, 3) << c.row;
      EXPECT_FALSE(r.lastFault().position) << c.row;
      EXPECT_EQ(r.cell(40).gradientCode, 0) << c.row;  // the items stay unread
    } else {
      EXPECT_EQ(r.b.records.repetitionCodes(), c.codes) << c.row;
    }
  }
}

TEST(LineReader, KilometreReferenceOrdering) {
  struct Ref {
    int32_t start, end, position;
  };
  struct Case {
    const char* name;
    Ref tre, due, uno;  // records 81, 82, 83 as read
    Ref r81, r82, r83;  // after the ordering
  } cases[] = {
      {"largest start first",
       {10000, 0, 0},
       {20000, 0, 0},
       {5000, 0, 0},
       {20000, 0, 0},
       {10000, 0, 0},
       {5000, 0, 0}},
      {"greatest start twice clears all",
       {10000, 100, 1},
       {10000, 200, 0},
       {0, 300, 0},
       {0, 0, 0},
       {0, 0, 0},
       {0, 0, 0}},
      {"all starts 0, only uno with an end",
       {0, 0, 7},
       {0, 0, 8},
       {0, 500, 9},
       {0, 500, 9},
       {0, 0, 8},
       {0, 0, 7}},
      {"all starts 0, tre and due with an end",
       {0, 300, 7},
       {0, 200, 8},
       {0, 0, 9},
       {0, 200, 8},
       {0, 300, 7},
       {0, 0, 9}},
      {"all starts and ends 0", {0, 0, 7}, {0, 0, 8}, {0, 0, 9}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}},
      {"tie after tre: uno before due",
       {900, 1, 0},
       {50, 2, 0},
       {50, 3, 0},
       {900, 1, 0},
       {50, 3, 0},
       {50, 2, 0}},
      {"tie after due: uno before tre",
       {50, 1, 0},
       {900, 2, 0},
       {50, 3, 0},
       {900, 2, 0},
       {50, 3, 0},
       {50, 1, 0}},
      {"tie after uno: due before tre",
       {50, 1, 0},
       {50, 2, 0},
       {900, 3, 0},
       {900, 3, 0},
       {50, 2, 0},
       {50, 1, 0}},
      {"flag 1 adds 100 to the end after ordering",
       {100, 1000, 1},
       {300, 3000, 0},
       {200, 2000, 1},
       {300, 3000, 0},
       {200, 2100, 1},
       {100, 1100, 1}},
  };
  for (const Case& c : cases) {
    RecordTable t;
    auto put = [&t](int i, Ref v) {
      t[i].start = v.start;
      t[i].end = v.end;
      t[i].position = v.position;
    };
    put(81, c.tre);
    put(82, c.due);
    put(83, c.uno);
    progressive_ordina(t);
    const Ref expected[] = {c.r81, c.r82, c.r83};
    for (int i = 0; i < 3; ++i) {
      EXPECT_EQ(t[81 + i].start, expected[i].start) << c.name << " record " << 81 + i;
      EXPECT_EQ(t[81 + i].end, expected[i].end) << c.name << " record " << 81 + i;
      EXPECT_EQ(t[81 + i].position, expected[i].position) << c.name << " record " << 81 + i;
    }
  }
}

TEST(LineReader, GradientCells) {
  struct Span {
    int from, to, code;
  };
  struct Case {
    const char* name;
    std::vector<std::string> rows;
    std::vector<Span> spans;  // with lastCell 340
  } cases[] = {
      {"no gradient rows", {}, {{0, 337, 100}, {338, 340, 0}}},
      {"first row at 2000",
       {"pendenza,  2000,   6"},
       {{0, 39, 100}, {40, 337, 106}, {338, 340, 0}}},
      {"two rows",
       {"pendenza,  2000,   6", "pendenza,  3000,   -7"},
       {{0, 39, 100}, {40, 59, 106}, {60, 337, 93}}},
      {"two rows at the same position",
       {"pendenza, 2000, 6", "pendenza, 2000, -6"},
       {{0, 39, 100}, {40, 40, 106}, {41, 337, 94}}},
      {"a row below 25 m writes no cell",
       {"pendenza, 20, 5", "pendenza, 100, 3"},
       {{0, 1, 105}, {2, 337, 103}}},
      {"low 8 bits of gradient + 100", {"pendenza, 50, 200"}, {{0, 0, 100}, {1, 337, 44}}},
  };
  for (const Case& c : cases) {
    Reader r;
    EXPECT_TRUE(r.read(lineText(c.rows))) << c.name;
    EXPECT_EQ(r.error(), 0) << c.name;
    for (const Span& s : c.spans) {
      for (int i = s.from; i <= s.to; ++i) {
        ASSERT_EQ(r.cell(i).gradientCode, s.code) << c.name << " cell " << i;
      }
    }
  }
}

TEST(LineReader, GradientCursorPastTheLastCellWritesNothing) {
  // lastCell 140; each row at the same position pushes the cursor one cell on, past the end.
  Reader r;
  std::vector<std::string> rows(8, "pendenza, 6900, 1");
  EXPECT_TRUE(r.read(lineText(rows, "lunghezza percorso, 0")));
  EXPECT_EQ(r.error(), 0);
  ASSERT_EQ(r.b.track.trackCells.size(), 141u);
  EXPECT_EQ(r.cell(137).gradientCode, 100);
  EXPECT_EQ(r.cell(138).gradientCode, 101);
  EXPECT_EQ(r.cell(140).gradientCode, 101);
}

TEST(LineReader, CurveKeywordGivesTheTurnRate) {
  // A curve from 10 m, one metre long: the straight rows up to 10 are (0, j), and row 11 is
  // (k, 11) exactly.
  struct Case {
    const char* keyword;
    int32_t error;
    double k;
  } cases[] = {
      {"curvad17", 0, 0.0001},                                 // digit 1 is tested first
      {"curvad7", err::BadCurve, 0}, {"curvaS2", 0, -0.0002},  // "S" turns left too
      {"curvas3", 0, -0.0004},       {"curvad4", 0, 0.001},
      {"curvad5", 0, 0.002},         {"CURVAd6", 0, 0.003},
  };
  for (const Case& c : cases) {
    Reader r;
    bool goesOn = r.read(lineText({std::string(c.keyword) + ", 10, 1"}));
    EXPECT_EQ(r.error(), c.error) << c.keyword;
    EXPECT_FALSE(r.lineFileLeft()) << c.keyword;
    if (c.error != 0) {
      EXPECT_FALSE(goesOn);
      EXPECT_EQ(r.lastFault().place.line, 4) << c.keyword;
      EXPECT_EQ(r.plan().tag(2), PlanTag::Empty) << c.keyword;  // no tail after a stop
      continue;
    }
    EXPECT_TRUE(goesOn) << c.keyword;
    EXPECT_EQ(r.plan().x(10), 0.0) << c.keyword;
    EXPECT_EQ(r.plan().y(10), 10.0) << c.keyword;
    EXPECT_EQ(r.plan().x(11), c.k) << c.keyword;
    EXPECT_EQ(r.plan().y(11), 11.0) << c.keyword;
  }
}

TEST(LineReader, ThousandMetreCurveTurnsByAboutOneRadian) {
  struct Case {
    const char* row;
    double sign;
  } cases[] = {{"curvad4, 0, 1000", 1.0}, {"curvas4, 0, 1000", -1.0}};
  for (const Case& c : cases) {
    Reader r;
    EXPECT_TRUE(r.read(lineText({c.row})));
    const TrackPlan& p = r.plan();
    double dx = p.x(1000) - p.x(999);
    double dy = p.y(1000) - p.y(999);
    // 999 curved steps (rows 2 to 1000), each turning by atan(0.001) and lengthening the step
    // by sqrt(1 + 0.001^2).
    EXPECT_NEAR(std::atan2(dx, dy), c.sign * 999 * std::atan(0.001), 1e-9) << c.row;
    EXPECT_NEAR(std::hypot(dx, dy), std::pow(1 + 1e-6, 999 / 2.0), 1e-9) << c.row;
    EXPECT_NEAR(std::hypot(dx, dy), 1.0005, 1e-4) << c.row;
    // After the curve the line runs straight on with that step.
    EXPECT_NEAR(p.x(1001) - p.x(1000), dx, 1e-9) << c.row;
    EXPECT_NEAR(p.y(1001) - p.y(1000), dy, 1e-9) << c.row;
  }
}

TEST(LineReader, LineWithoutCurvesRunsAlongY) {
  Reader r;
  EXPECT_TRUE(r.read(lineText({"pendenza, 2000, 6"})));
  const TrackPlan& p = r.plan();
  ASSERT_EQ(p.rows(), 17001);
  EXPECT_EQ(p.entry(0, 1).tag, PlanTag::Integer);
  EXPECT_EQ(p.entry(1, 1).integer, 1);
  for (int j = 0; j <= 16998; ++j) {
    ASSERT_EQ(p.x(j), 0.0) << j;
    ASSERT_EQ(p.y(j), j) << j;
    ASSERT_EQ(p.tag(j), j < 2 ? PlanTag::Integer : PlanTag::Real) << j;
  }
  EXPECT_EQ(p.tag(16999), PlanTag::Empty);
  EXPECT_EQ(p.tag(17000), PlanTag::Empty);
}

TEST(LineReader, CurveReachingPastTheModelStopsAtItsLastRows) {
  Reader r;
  EXPECT_TRUE(r.read(lineText({"curvad1, 16000, 5000"})));
  EXPECT_EQ(r.error(), 0);
  EXPECT_EQ(r.plan().tag(16998), PlanTag::Real);
  EXPECT_GT(r.plan().x(16998), 0.0);
  EXPECT_EQ(r.plan().tag(16999), PlanTag::Empty);
  EXPECT_EQ(r.plan().tag(17000), PlanTag::Empty);
}

TEST(LineReader, CurvePastPlanRowOneMillionIs103) {
  struct Case {
    const char* row;
    int32_t error;
  } cases[] = {
      {"curvad1, 999000, 999", 0},  // the straight tail beyond row 1000000 is no fault
      {"curvad1, 999000, 1000", err::BadCurve},
  };
  for (const Case& c : cases) {
    Reader r;
    bool goesOn = r.read(lineText({c.row}, "lunghezza percorso, 1000000"));
    EXPECT_EQ(goesOn, c.error == 0) << c.row;
    EXPECT_EQ(r.error(), c.error) << c.row;
    EXPECT_FALSE(r.lineFileLeft()) << c.row;
    EXPECT_EQ(r.plan().tag(1000000), PlanTag::Real) << c.row;
    EXPECT_EQ(r.plan().tag(1006998), c.error == 0 ? PlanTag::Real : PlanTag::Empty) << c.row;
  }
}

TEST(LineReader, WithoutBuildFlagCurveRowsAreNotRead) {
  Reader r(0);
  EXPECT_TRUE(r.read(lineText({"curvad7, 100, 200", "curvax, pendenza, 2000, 6"})));
  EXPECT_EQ(r.error(), 0);
  EXPECT_FALSE(r.b.track.trackPlan);
  // The fields after a curve keyword are candidate keywords like any other.
  EXPECT_EQ(r.cell(40).gradientCode, 106);
}

TEST(LineReader, MountainStretchWithTunnelMarkers) {
  Reader r;
  EXPECT_TRUE(r.read(lineText(
      {
          "indicatori_vmax, 135700, 140, 140, 140, 0, 140, 140, 140, 0",  // cell 2715
          "montagna,   135400,  137400,  11",
          "indicatori_vmax, 135500, 100, 100, 100, 0, 100, 100, 100, 0",  // cell 2711
      },
      "lunghezza percorso,    358000")));
  EXPECT_EQ(r.error(), 0);
  EXPECT_EQ(r.cell(2707).mountainType, 0);
  EXPECT_EQ(r.cell(2748).mountainType, 0);
  for (int i = 2708; i <= 2747; ++i) {
    EXPECT_EQ(r.cell(i).mountainType, 1) << i;
    uint8_t kind = (i - 2708 + 1) % 4 == 0 ? CellTunnelMarker : CellFree;
    if (i == 2711 || i == 2715) kind = CellSpeedBoard;  // placed over a marker; no marker
    EXPECT_EQ(r.cell(i).kind, kind) << i;
  }
}

TEST(LineReader, MountainCellsAndTypes) {
  struct Stretch {
    int from, to, type;
    std::vector<int> markers;
  };
  struct Case {
    const char* name;
    std::vector<std::string> rows;
    std::vector<Stretch> stretches;
  } cases[] = {
      {"150 m after the previous one: type 3, markers kept",
       {"montagna, 1000, 2000, 2", "montagna, 2150, 3000, 15"},
       {{20, 39, 2, {}}, {43, 59, 3, {46, 50, 54, 58}}}},
      {"151 m after: keeps its type",
       {"montagna, 1000, 2000, 2", "montagna, 2151, 3000, 5"},
       {{20, 39, 2, {}}, {43, 59, 5, {}}}},
      {"cut at the last cell",
       {"montagna, 16000, 99999, 11"},
       {{320, 340, 1, {323, 327, 331, 335, 339}}}},
      {"cut at cell 0, markers counted from the stretch's start",
       {"montagna, -500, 200, 11"},
       {{0, 3, 1, {1}}}},
      {"first cell above the last: nothing", {"montagna, 5000, 5000, 11"}, {}},
  };
  for (const Case& c : cases) {
    Reader r;
    EXPECT_TRUE(r.read(lineText(c.rows))) << c.name;
    EXPECT_EQ(r.error(), 0) << c.name;
    std::vector<int> types(341, 0), kinds(341, 0);
    for (const Stretch& s : c.stretches) {
      for (int i = s.from; i <= s.to; ++i) types[i] = s.type;
      for (int m : s.markers) kinds[m] = CellTunnelMarker;
    }
    for (int i = 0; i <= 340; ++i) {
      ASSERT_EQ(r.cell(i).mountainType, types[i]) << c.name << " cell " << i;
      ASSERT_EQ(r.cell(i).kind, kinds[i]) << c.name << " cell " << i;
    }
  }
}

TEST(LineReader, SpeedBoardsArePackedAndRefusedOnOccupiedCells) {
  Reader r;
  EXPECT_FALSE(r.read(lineText({
      "indicatori_vmax,  1050,  140,  160,  180,  2,  140,  160,  180,  2",
      "indicatori_vmax,  2000,  60,  65,  70,  1,  100,  75,  80,  0",
      "indicatori_vmax,  1075,  100,  100,  100,  0,  100,  100,  100,  0",  // cell 22 again
      "pendenza, 2000, 6",
  })));
  EXPECT_EQ(r.error(), err::SpeedBoardOccupied);
  EXPECT_EQ(r.b.error.errorPosition, 1075);
  EXPECT_EQ(r.lastFault().position, 1075);
  EXPECT_EQ(r.lastFault().place.line, 6);
  EXPECT_FALSE(r.lineFileLeft());
  const TrackCell& c22 = r.cell(22);
  EXPECT_EQ(c22.kind, CellSpeedBoard);
  EXPECT_EQ(c22.value1, 2828);
  EXPECT_EQ(c22.value2, 3232);
  EXPECT_EQ(c22.value3, 3636);
  EXPECT_EQ(c22.value4, 22);
  const TrackCell& c41 = r.cell(41);
  EXPECT_EQ(c41.value1, 1220);
  EXPECT_EQ(c41.value2, 1315);
  EXPECT_EQ(c41.value3, 1416);
  EXPECT_EQ(c41.value4, 10);
  EXPECT_EQ(r.cell(40).gradientCode, 0);  // nothing after the stop
}

TEST(LineReader, IndicationBoardsTakeRecordsFrom80Down) {
  Reader r;
  EXPECT_TRUE(r.read(lineText({
      "cartello_indicatore,  1000,   (Km 1+000)",
      "cartello_indicatore,  2000,   (Km 2+000)",
      "cartello_indicatore,  3000,   (Km 3+000)",
  })));
  EXPECT_EQ(r.error(), 0);
  const int cells[] = {21, 41, 61};
  const char* texts[] = {"(Km 1+000)", "(Km 2+000)", "(Km 3+000)"};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(r.cell(cells[i]).kind, CellIndicationBoard);
    EXPECT_EQ(r.cell(cells[i]).value1, 80 - i);
    EXPECT_EQ(r.b.records[80 - i].text, texts[i]);
  }
  EXPECT_EQ(r.reading.nextBoardTextSlot, 77);
  EXPECT_EQ(r.b.records[77].text, "");
}

TEST(LineReader, IndicationBoardOnASpeedBoardIs6) {
  Reader r;
  EXPECT_FALSE(r.read(lineText({
      "indicatori_vmax, 4000, 100, 100, 100, 0, 100, 100, 100, 0",  // cell 81
      "cartello_indicatore, 4010, (Km 4+010)",
  })));
  EXPECT_EQ(r.error(), err::IndicationBoardOccupied);
  EXPECT_EQ(r.b.error.errorPosition, 4010);
  EXPECT_EQ(r.lastFault().place.line, 5);
  EXPECT_EQ(r.cell(81).kind, CellSpeedBoard);
  EXPECT_EQ(r.b.records[80].text, "");
  EXPECT_FALSE(r.lineFileLeft());
}

TEST(LineReader, TheEighty1stIndicationBoardFailsAndRecord0StaysClear) {
  std::vector<std::string> rows;
  for (int i = 1; i <= 81; ++i) {
    rows.push_back("cartello_indicatore, " + std::to_string(i * 100) + ", B" + std::to_string(i));
  }
  Reader r;
  r.compile(lineText(rows));
  EXPECT_EQ(r.error(), err::PlatformFailure);
  EXPECT_EQ(r.b.records[1].text, "B80");
  EXPECT_EQ(r.b.records[0], ScenarioRecord{});
  EXPECT_EQ(r.cell(163).kind, CellFree);  // the 81st board's cell
  EXPECT_FALSE(r.lineFileLeft());
}

TEST(LineReader, RangeFaultEndsTheItemLoopAndTheTailsFollow) {
  const char* rows[] = {
      "pendenza, 16901, 2",
      "curvad1, 16901, 10",
      "montagna, 16901, 17000, 1",
      "indicatori_vmax, 16901, 100, 100, 100, 0, 100, 100, 100, 0",
      "cartello_indicatore, 16901, (Km 16+901)",
  };
  for (const char* row : rows) {
    Reader r;
    EXPECT_TRUE(r.read(lineText({"pendenza, 2000, 6", "pendenza, 16900, 1", row,
                                 "pendenza, 3000, 4", "cartello_indicatore, 5000, X"})))
        << row;
    EXPECT_EQ(r.error(), err::OutOfRange) << row;
    EXPECT_EQ(r.b.error.errorPosition, 16901) << row;
    EXPECT_EQ(r.lastFault().place.line, 6) << row;
    EXPECT_FALSE(r.lineFileLeft()) << row;
    EXPECT_EQ(r.cell(40).gradientCode, 106) << row;
    EXPECT_EQ(r.cell(337).gradientCode, 106) << row;
    EXPECT_EQ(r.cell(338).gradientCode, 101) << row;  // the tail writes at least one cell
    EXPECT_EQ(r.cell(339).gradientCode, 0) << row;
    EXPECT_EQ(r.cell(101).kind, CellFree) << row;  // the rows after it are not read
    EXPECT_EQ(r.plan().y(16998), 16998.0) << row;
    EXPECT_EQ(r.plan().tag(16999), PlanTag::Empty) << row;
  }
}

TEST(LineReader, PlatformFailuresBecomeError25) {
  struct Case {
    const char* name;
    std::string text;
    int32_t flag;
  } cases[] = {
      {"stripe count beyond 16 bits",
       lineText({"indicatori_vmax, 1050, 140, 140, 140, 40000, 140, 140, 140, 0"}), 1},
      {"letters where a number is expected", lineText({"pendenza, abc, 5"}), 1},
      {"number beyond 32 bits", lineText({"pendenza, 2000, 99999999999"}), 1},
      {"end of the text inside a row",
       "[generale]\r\n" + std::string(kLength) + "\r\n[curve]\r\npendenza, 2000", 1},
      {"dash reads past the end", "[generale]\r\n" + std::string(kLength) + "\r\nx-\r\n-", 1},
      {"no length row", test::crlf({"[generale]", "sfondo uno, 1", "[curve]", "[fine]", ""}), 1},
      {"no length row, no build flag",
       test::crlf({"[generale]", "sfondo uno, 1", "[curve]", "[fine]", ""}), 0},
      {"no length row, a range test first",
       test::crlf({"[generale]", "[curve]", "pendenza, 2000, 6", ""}), 0},
      {"length without cell 1", lineText({}, "lunghezza percorso, -6975"), 1},
      {"kilometre reference end + 100 beyond 32 bits",
       lineText({}, kLength, {"progressiva chilometrica uno, 0, 2147483600, 1"}), 1},
      {"packed speed beyond 16 bits",
       lineText({"indicatori_vmax, 1050, 2000, 140, 140, 0, 140, 140, 140, 0"}), 1},
      {"speed board before the first cell",
       lineText({"indicatori_vmax, -100, 140, 140, 140, 0, 140, 140, 140, 0"}), 1},
      {"indication board before the first cell", lineText({"cartello_indicatore, -100, X"}), 1},
  };
  for (const Case& c : cases) {
    Reader r(c.flag);
    r.compile(c.text);
    EXPECT_EQ(r.error(), err::PlatformFailure) << c.name;
    EXPECT_FALSE(r.lastFault().position) << c.name;
    EXPECT_FALSE(r.lastFault().detail.empty()) << c.name;
    EXPECT_EQ(r.lastFault().place.file, "S_linea.txt") << c.name;
    EXPECT_GT(r.lastFault().place.line, 0) << c.name;
    EXPECT_FALSE(r.lineFileLeft()) << c.name;
    EXPECT_FALSE(fileExists(r.b.files.trainDescription())) << c.name;
  }
}

}  // namespace
}  // namespace sc

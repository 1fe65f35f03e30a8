// The two structured source texts of the built-in scenario: their shape, their telling rows,
// the values of every row, the bytes written, and a clean compile of the pair.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "compiler/compiler.h"
#include "driver/driver.h"
#include "sources/writers.h"
#include "test_support.h"

namespace sc {
namespace {

using Lines = std::span<const char* const>;

// The line of a 1-based line number.
std::string at(Lines lines, int number) {
  return lines[static_cast<size_t>(number - 1)];
}

// The comma-separated fields of a row, blanks around each dropped.
std::vector<std::string> fieldsOf(const std::string& row) {
  std::vector<std::string> out;
  size_t from = 0;
  while (true) {
    size_t comma = row.find(',', from);
    std::string f = row.substr(from, comma == std::string::npos ? std::string::npos : comma - from);
    f.erase(0, f.find_first_not_of(' '));
    f.erase(f.find_last_not_of(' ') + 1);
    out.push_back(f);
    if (comma == std::string::npos) return out;
    from = comma + 1;
  }
}

// The numbers of a row's fields after the keyword (a station's name is left out).
std::vector<int> numbersOf(const std::string& row, size_t count) {
  std::vector<std::string> f = fieldsOf(row);
  std::vector<int> out;
  for (size_t i = 1; i <= count && i < f.size(); ++i) out.push_back(std::stoi(f[i]));
  return out;
}

std::set<int> valuesFrom(int from, int to, int step = 1) {
  std::set<int> out;
  for (int v = from; v <= to; v += step) out.insert(v);
  return out;
}

// Rows of one kind: 1-based first and last line, keyword, number of numeric values.
struct Rows {
  const char* text;  // "line" or "train"
  int first;
  int last;
  const char* keyword;
  size_t values;
};

Lines textOf(const Rows& r) {
  return std::string(r.text) == "line" ? lineDescriptionText() : trainDescriptionText();
}

std::vector<std::vector<int>> valuesOf(const Rows& r) {
  Lines lines = textOf(r);
  std::vector<std::vector<int>> out;
  for (int n = r.first; n <= r.last; ++n) out.push_back(numbersOf(at(lines, n), r.values));
  return out;
}

const Rows kCurves{"line", 11, 95, "curva", 2};
const Rows kGradients{"line", 97, 161, "pendenza", 2};
const Rows kMountains{"line", 163, 164, "montagna", 3};
const Rows kBoards{"line", 166, 213, "indicatori_vmax", 9};
const Rows kIndications{"line", 215, 217, "cartello_indicatore", 1};
const Rows kSpeeds{"train", 9, 44, "velocita", 2};
const Rows kStationsBeforeGap{"train", 46, 79, "stazione", 16};
const Rows kLastStation{"train", 81, 81, "stazione", 16};
const Rows kSlowdowns{"train", 83, 84, "rallentamento", 6};
const Rows kSignals{"train", 87, 207, "segnale", 11};

TEST(ScenarioTexts, LineCounts) {
  EXPECT_EQ(lineDescriptionText().size(), 219u);
  EXPECT_EQ(trainDescriptionText().size(), 210u);
}

TEST(ScenarioTexts, WrittenFilesHoldTheLinesWithCrLfAndNoEndMarker) {
  test::TempDir dir;
  ScenarioFiles files{dir.path(), kScenarioName, kTrainNumber};
  struct Case {
    std::filesystem::path file;
    void (*write)(const ScenarioFiles&);
    Lines lines;
  } cases[] = {{files.lineDescription(), dati_linea, lineDescriptionText()},
               {files.trainDescription(), dati_treno, trainDescriptionText()}};
  for (const Case& c : cases) {
    test::spit(c.file, std::string(300000, 'x'));  // an old, longer file is replaced
    c.write(files);
    std::string expected;
    for (const char* line : c.lines) expected += std::string(line) + "\r\n";
    const std::string bytes = test::slurp(c.file);
    EXPECT_EQ(bytes, expected) << c.file;
    EXPECT_TRUE(bytes.ends_with("[fine]\r\n\r\n")) << c.file;
    EXPECT_EQ(bytes.find("riferimento fine del file"), std::string::npos) << c.file;
    EXPECT_TRUE(
        std::all_of(bytes.begin(), bytes.end(),
                    [](char ch) { return ch > 0 && (ch >= ' ' || ch == '\r' || ch == '\n'); }))
        << c.file << " is not plain ASCII";
    c.write(files);
    EXPECT_EQ(test::slurp(c.file), bytes) << c.file << " changed on a second write";
  }
}

TEST(ScenarioTexts, SectionsComeInOrderWithTheirRows) {
  struct Section {
    Lines lines;
    int header;  // line number of the header
    const char* text;
    int rows;             // rows after the header, all starting with the keyword
    const char* keyword;  // nullptr: not checked
  } sections[] = {
      {lineDescriptionText(), 1, "[generale]", 8, nullptr},
      {lineDescriptionText(), 10, "[curve]", 85, "curva"},
      {lineDescriptionText(), 96, "[pendenze]", 65, "pendenza,"},
      {lineDescriptionText(), 162, "[montagne]", 2, "montagna,"},
      {lineDescriptionText(), 165, "[cartelli]", 48, "indicatori_vmax,"},
      {lineDescriptionText(), 214, "[indicazioni]", 3, "cartello_indicatore,"},
      {lineDescriptionText(), 218, "[fine]", 0, nullptr},
      {lineDescriptionText(), 219, "", 0, nullptr},
      {trainDescriptionText(), 1, "[generale]", 4, nullptr},
      {trainDescriptionText(), 6, "[aderenze]", 1, "aderenza,"},
      {trainDescriptionText(), 8, "[vel_limite]", 36, "velocita,"},
      {trainDescriptionText(), 45, "[stazioni]", 34, "stazione,"},
      {trainDescriptionText(), 80, "", 1, "stazione,"},
      {trainDescriptionText(), 82, "[rallentamenti]", 2, "rallentamento,"},
      {trainDescriptionText(), 85, "[segnali]", 0, nullptr},
      {trainDescriptionText(), 86, "", 121, "segnale,"},
      {trainDescriptionText(), 208, "[codici]", 0, nullptr},
      {trainDescriptionText(), 209, "[fine]", 0, nullptr},
      {trainDescriptionText(), 210, "", 0, nullptr},
  };
  for (const Section& s : sections) {
    EXPECT_EQ(at(s.lines, s.header), s.text) << "line " << s.header;
    for (int n = s.header + 1; s.keyword && n <= s.header + s.rows; ++n) {
      EXPECT_TRUE(at(s.lines, n).starts_with(s.keyword)) << "line " << n << ": " << at(s.lines, n);
    }
  }
  // No other line of either text is a header or empty.
  struct Count {
    Lines lines;
    int headersAndEmptyLines;
  } counts[] = {{lineDescriptionText(), 8}, {trainDescriptionText(), 11}};
  for (const Count& c : counts) {
    int n = 0;
    for (const char* line : c.lines) n += line[0] == '[' || line[0] == '\0';
    EXPECT_EQ(n, c.headersAndEmptyLines);
  }
}

TEST(ScenarioTexts, CurveKeywordsNameASideAndASharpness) {
  for (int n = kCurves.first; n <= kCurves.last; ++n) {
    const std::string k = fieldsOf(at(lineDescriptionText(), n))[0];
    EXPECT_TRUE(k.size() == 7 && k.starts_with("curva") && (k[5] == 'd' || k[5] == 's') &&
                k[6] >= '1' && k[6] <= '6')
        << k;
  }
}

TEST(ScenarioTexts, TellingRowsStandAtTheirPlaces) {
  struct Quoted {
    Lines lines;
    int number;
    const char* row;
  } quoted[] = {
      {lineDescriptionText(), 2, "lunghezza percorso,    358000"},
      {lineDescriptionText(), 3, "progressiva chilometrica uno,    0,    0,    0"},
      {lineDescriptionText(), 4, "progressiva chilometrica due,    0,    0,    0"},
      {lineDescriptionText(), 5, "progressiva chilometrica tre,    0,    0,    0"},
      {lineDescriptionText(), 6, "sfondo uno,    1"},
      {lineDescriptionText(), 7, "sfondo due,    0"},
      {lineDescriptionText(), 8, "sfondo tre,    0"},
      {lineDescriptionText(), 9, "ripetizione segnali 4 codici,    0,    349000"},
      {lineDescriptionText(), 11, "curvad1,  1000,  600"},
      {lineDescriptionText(), 38, "curvas3, 111950,  1000"},
      {lineDescriptionText(), 61, "curvad6, 204300,  250"},
      {lineDescriptionText(), 97, "pendenza,  2000,   6"},
      {lineDescriptionText(), 103, "pendenza,  29700,   -6"},
      {lineDescriptionText(), 122, "pendenza, 132050,  12"},
      {lineDescriptionText(), 163, "montagna,   135400,  137400,  11"},
      {lineDescriptionText(), 164, "montagna,   204400,  209250,  11"},
      {lineDescriptionText(), 166,
       "indicatori_vmax,  1050,  140,  160,  160,  0,  140,  160,  160,  0"},
      {lineDescriptionText(), 180,
       "indicatori_vmax, 130200,  100,  105,  110,  2,  100,  105,  110,  2"},
      {lineDescriptionText(), 181,
       "indicatori_vmax, 130500,  100,  105,  110,  1,  100,  105,  110,  1"},
      {lineDescriptionText(), 215, "cartello_indicatore,  99950,   (Km 99+996)"},
      {lineDescriptionText(), 216, "cartello_indicatore,  208550,   (Km 208+500)"},
      {lineDescriptionText(), 217, "cartello_indicatore,  323450,   (Km 323+402)"},
      {trainDescriptionText(), 2, "numero vetture,    14"},
      {trainDescriptionText(), 3, "percentuale massa frenata,    130"},
      {trainDescriptionText(), 4, "sabbia,    200"},
      {trainDescriptionText(), 5, "orologio,    12              59            30 "},
      {trainDescriptionText(), 7, "aderenza,   0,    100"},
      {trainDescriptionText(), 9, "velocita,       0,   115"},
      {trainDescriptionText(), 44, "velocita,  349800,    70"},
      {trainDescriptionText(), 46,
       "stazione,  111050,  2,  500,  0, 0, 0,  1,1,0,  4,1,1,    1,  13,0, 0, TORVEL"},
      {trainDescriptionText(), 81,
       "stazione,  350000,  2,  700,  0, 0, 0,  1,1,0,  2,1,1,    0,  15,23, 0, DOLVERA "
       "CENTRALE"},
      {trainDescriptionText(), 83, "rallentamento,   180950,    40,  200, 0,  1,  40"},
      {trainDescriptionText(), 84, "rallentamento,  324900,    60,  200, 0,  0,  60"},
      {trainDescriptionText(), 87, "segnale,    113050,   2, 4, 0,  0, 0,    0,  0,0,0, 0"},
      {trainDescriptionText(), 90, "segnale,    118650,   2, 4, 1,  0, 0,    1,  3,1,0, 0"},
      {trainDescriptionText(), 91, "segnale,  119950,   2, 3, 1,  1, 0,    2,  2,1,1, 0"},
  };
  for (const Quoted& q : quoted) EXPECT_EQ(at(q.lines, q.number), q.row) << "line " << q.number;
}

TEST(ScenarioTexts, BlanksAfterCommas) {
  // The line description pads with one to four blanks; the train description never puts a
  // blank before a comma.
  for (const char* line : lineDescriptionText()) {
    const std::string row = line;
    for (size_t c = row.find(','); c != std::string::npos; c = row.find(',', c + 1)) {
      size_t blanks = row.find_first_not_of(' ', c + 1) - c - 1;
      EXPECT_TRUE(blanks >= 1 && blanks <= 4) << row;
    }
  }
  for (const char* line : trainDescriptionText()) {
    EXPECT_EQ(std::string(line).find(" ,"), std::string::npos) << line;
  }
}

TEST(ScenarioTexts, PositionsAscend) {
  struct Case {
    Rows rows;
    int first;  // first and last position
    int last;
    bool onGrid;  // every position a multiple of 50
  } cases[] = {
      {kCurves, 1000, 347650, true},      {kGradients, 2000, 345050, true},
      {kBoards, 1050, 348900, true},      {kIndications, 99950, 323450, true},
      {kSpeeds, 0, 349800, false},        {kStationsBeforeGap, 111050, 344300, true},
      {kSlowdowns, 180950, 324900, true}, {kSignals, 113050, 348950, false},
  };
  for (const Case& c : cases) {
    auto v = valuesOf(c.rows);
    EXPECT_EQ(v.front()[0], c.first) << c.rows.keyword;
    EXPECT_EQ(v.back()[0], c.last) << c.rows.keyword;
    for (size_t i = 1; i < v.size(); ++i) {
      EXPECT_LT(v[i - 1][0], v[i][0]) << c.rows.keyword << " row " << i;
    }
    for (const auto& row : v) {
      if (c.onGrid) {
        EXPECT_EQ(row[0] % 50, 0) << c.rows.keyword << " at " << row[0];
      }
    }
  }
  // Off the grid: one signal and one speed row only.
  std::vector<int> offGrid;
  for (const auto& row : valuesOf(kSignals)) {
    if (row[0] % 50 != 0) offGrid.push_back(row[0]);
  }
  EXPECT_EQ(offGrid, std::vector<int>{128280});
  EXPECT_LT(valuesOf(kStationsBeforeGap).back()[0], valuesOf(kLastStation)[0][0]);
}

TEST(ScenarioTexts, CurvesNeverOverlapTheNext) {
  auto v = valuesOf(kCurves);
  for (size_t i = 1; i < v.size(); ++i) {
    EXPECT_LE(v[i - 1][0] + v[i - 1][1], v[i][0]) << "curve at " << v[i - 1][0];
  }
  EXPECT_LE(v.back()[0] + v.back()[1], 358000);
}

TEST(ScenarioTexts, ValuesStayInTheirRanges) {
  struct Range {
    Rows rows;
    size_t field;  // 0-based among the numbers after the keyword
    std::set<int> allowed;
  } ranges[] = {
      {kCurves, 1, valuesFrom(100, 3000)},
      {kGradients, 1, valuesFrom(-7, 12)},
      {kMountains, 2, {11}},
      {kBoards, 1, valuesFrom(60, 180, 5)},
      {kBoards, 2, valuesFrom(60, 180, 5)},
      {kBoards, 3, valuesFrom(60, 180, 5)},
      {kBoards, 4, {0, 1, 2}},
      {kSpeeds, 1, valuesFrom(70, 175, 5)},
      {kStationsBeforeGap, 1, {2, 4, 12, 22, 28}},
      {kStationsBeforeGap, 2, {200, 400, 500, 600, 700, 800}},
      {kStationsBeforeGap, 3, {0, 1}},
      {kStationsBeforeGap, 4, {0}},
      {kStationsBeforeGap, 5, {0, 1}},
      {kStationsBeforeGap, 6, {0, 1, 4}},
      {kStationsBeforeGap, 7, {0, 1}},
      {kStationsBeforeGap, 8, {0}},
      {kStationsBeforeGap, 9, {0, 2, 4}},
      {kStationsBeforeGap, 10, {0, 1}},
      {kStationsBeforeGap, 11, {0, 1}},
      {kStationsBeforeGap, 12, {0, 1, 30, 45, 50, 60}},
      {kStationsBeforeGap, 13, {0, 12, 13, 14, 15}},
      {kStationsBeforeGap, 14, valuesFrom(0, 59)},
      {kStationsBeforeGap, 15, {0}},
      {kSignals, 1, {2}},
      {kSignals, 2, {2, 3, 4}},
      {kSignals, 3, {0, 1, 3, 4}},
      {kSignals, 4, {0, 1}},
      {kSignals, 5, {0}},
      {kSignals, 6, {0, 1, 2}},
      {kSignals, 7, {0, 1, 2, 3}},
      {kSignals, 8, {0, 1}},
      {kSignals, 9, {0, 1}},
      {kSignals, 10, {0}},
  };
  for (const Range& r : ranges) {
    for (const auto& row : valuesOf(r.rows)) {
      ASSERT_GT(row.size(), r.field) << r.rows.keyword << " at " << row[0];
      EXPECT_TRUE(r.allowed.contains(row[r.field]))
          << r.rows.keyword << " at " << row[0] << ": value " << r.field + 1 << " is "
          << row[r.field];
    }
  }
  // Kind-28 stations are 200 m long with every other number 0.
  for (const auto& row : valuesOf(kStationsBeforeGap)) {
    if (row[1] != 28) continue;
    EXPECT_EQ(row[2], 200) << row[0];
    EXPECT_TRUE(std::all_of(row.begin() + 3, row.end(), [](int v) { return v == 0; })) << row[0];
  }
}

TEST(ScenarioTexts, SpeedBoardsRepeatTheLeftSideAndAnnounceEachLoweringInGroups) {
  auto v = valuesOf(kBoards);
  for (const auto& b : v) {
    EXPECT_TRUE(std::equal(b.begin() + 1, b.begin() + 5, b.begin() + 5)) << b[0];
  }
  int groups = 0;
  for (size_t i = 0; i < v.size(); ++i) {
    if (v[i][4] == 0) continue;
    ASSERT_EQ(v[i][4], 2) << "a board outside a group has stripes, at " << v[i][0];
    ASSERT_LE(i + 3, v.size());
    ASSERT_GT(i, 0u);
    for (size_t k = 0; k < 3; ++k) {
      EXPECT_EQ(v[i + k][4], 2 - static_cast<int>(k)) << v[i + k][0];
      for (size_t s = 1; s <= 3; ++s) {
        EXPECT_EQ(v[i + k][s], v[i][s]) << v[i + k][0];
        EXPECT_LT(v[i][s], v[i - 1][s]) << "group at " << v[i][0] << " does not lower";
      }
      if (k > 0) {
        EXPECT_GE(v[i + k][0] - v[i + k - 1][0], 200) << v[i + k][0];
        EXPECT_LE(v[i + k][0] - v[i + k - 1][0], 300) << v[i + k][0];
      }
    }
    ++groups;
    i += 2;
  }
  EXPECT_EQ(groups, 6);
}

TEST(ScenarioTexts, StationsLeaveRoomBetweenThem) {
  // The readers refuse a station that starts less than 350 m after the end of the previous
  // one; kinds 12 and 22 extend their end by 50 m.
  auto v = valuesOf(kStationsBeforeGap);
  v.push_back(valuesOf(kLastStation)[0]);
  ASSERT_EQ(v.size(), 35u);
  for (size_t i = 1; i < v.size(); ++i) {
    const int previousEnd = v[i - 1][0] + v[i - 1][2] / 2 + (v[i - 1][5] ? 50 : 0);
    EXPECT_GE(v[i][0] - v[i][2] / 2 - 350, previousEnd) << v[i][0];
  }
}

// Both texts compile into the model with no fault and are consumed by the readers.
TEST(ScenarioTexts, CompileWithoutAFault) {
  test::TempDir dir;
  Build b(dir.path(), kScenarioName, kTrainNumber, 1);
  dati_linea(b.files);
  dati_treno(b.files);
  const CompileOutcome outcome = memorizza_percorso(b);
  ASSERT_EQ(outcome.end, CompileOutcome::End::Written);
  EXPECT_EQ(b.error.errorNumber, 0) << describeErrorRecord(b.error);
  int stations = 0;
  for (int k = 1; k < kFirstBoardTextSlot; ++k) stations += b.records[k].position != 0;
  EXPECT_EQ(stations, 35);
  EXPECT_EQ(b.records[35].text, "DOLVERA CENTRALE");
  auto count = [&](uint8_t kind) {
    return std::count_if(b.track.trackCells.begin(), b.track.trackCells.end(),
                         [&](const TrackCell& c) { return c.kind == kind; });
  };
  EXPECT_EQ(count(CellSignal), 121);
  EXPECT_EQ(count(CellSlowdownStart), 2);
  EXPECT_EQ(count(CellSlowdownEnd), 2);
  EXPECT_EQ(count(CellSlowdownWarning), 2);
  EXPECT_EQ(count(CellSpeedBoard), 48);
  EXPECT_EQ(count(CellIndicationBoard), 3);
  EXPECT_EQ(count(CellStationStop), 30);
  EXPECT_FALSE(std::filesystem::exists(b.files.lineDescription()));
  EXPECT_FALSE(std::filesystem::exists(b.files.trainDescription()));
  EXPECT_TRUE(std::filesystem::exists(b.files.cellFile()));
}

}  // namespace
}  // namespace sc

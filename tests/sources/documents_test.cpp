// The driver's three documents: the timetable card, the slowdown order and the notes.
#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <string>
#include <vector>

#include "sources/line_list.h"
#include "sources/writers.h"
#include "test_support.h"

namespace sc {
namespace {

using Lines = std::span<const char* const>;

std::vector<size_t> barsOf(const std::string& line) {
  std::vector<size_t> bars;
  for (size_t i = 0; i < line.size(); ++i)
    if (line[i] == '|') bars.push_back(i);
  return bars;
}

// ---------------------------------------------------------------- all three documents

struct Document {
  const char* name;
  Lines (*text)();
  void (*write)(const ScenarioFiles&);
  std::filesystem::path (ScenarioFiles::*file)() const;
  const char* fileName;
  size_t lineCount;
  std::string tail;  // the last bytes of the file
};

const std::string kRule =
    " |_____|_____|__________|_____|____________________________|________________|_____|";

const Document kDocuments[] = {
    {"timetable card", timetableCardText, dati_scheda, &ScenarioFiles::timetableCard,
     "Torvel_Dolvera_565_scheda_treno.txt", 217, kRule + "\r\n\r\n\r\n"},
    {"slowdown order", slowdownOrderText, dati_rallentamenti, &ScenarioFiles::slowdownOrder,
     "Torvel_Dolvera_565_rallentamenti.txt", 44,
     " C - Da rispettare dalle ore ....  alle ore ..... di tutti\r\n"
     "     i giorni esclusi i seguenti:.........\r\n"},
    {"notes", notesText, dati_note, &ScenarioFiles::notes, "Torvel_Dolvera_565_note.txt", 9,
     "Orario Giugno 2001\r\n1R \r\n"},
};

TEST(Documents, EachWriterReplacesItsFileWithTheFixedLines) {
  for (const Document& d : kDocuments) {
    for (bool existing : {false, true}) {
      SCOPED_TRACE(std::string(d.name) + (existing ? ", longer file present" : ", no file"));
      test::TempDir dir;
      const ScenarioFiles files{dir.path(), "Torvel_Dolvera", "565"};
      const auto file = (files.*d.file)();
      ASSERT_EQ(file, dir / d.fileName);
      if (existing) test::spit(file, std::string(100000, 'o') + "\r\n" + kEndMarker + "\r\n");

      d.write(files);

      const Lines lines = d.text();
      EXPECT_EQ(lines.size(), d.lineCount);
      std::string expected;
      for (const char* line : lines) {
        EXPECT_EQ(std::string(line).find_first_of("\r\n"), std::string::npos) << line;
        expected += std::string(line) + "\r\n";
      }
      const std::string bytes = test::slurp(file);
      EXPECT_EQ(bytes, expected);
      EXPECT_EQ(bytes.find(kEndMarker), std::string::npos);
      ASSERT_GE(bytes.size(), d.tail.size());
      EXPECT_EQ(bytes.substr(bytes.size() - d.tail.size()), d.tail);
    }
  }
}

// ---------------------------------------------------------------- timetable card

const std::string kHeaderTop =
    "  ___________________                                               ______________";
const std::string kHeaderBottom =
    "                                                                   |______________|";
const std::string kClassTop = "  ___________________                ___________________";
const std::string kClassCaption =
    " |  CLASSIFICAZIONE  |              |  MASSA BLOCCATA   |       ";
const std::string kClassBottom = " |___________________|              |___________________|";
const std::string kTableTop =
    "  ________________________________________________________________________________";
const std::string kCaption1 =
    " | Vel.| Vel.| Progr Km |  No |   Localita' di  Servizio   |     Orario     | Rec |";
const std::string kCaption2 =
    " | Lim.|Marc.|          |  Rs |                            |                |     |";
const std::string kBlankRow =
    " |     |     |          |     |                            |                |     |";

struct Sheet {
  size_t start;  // index of the first line of the header box
  std::string title, train, destination, classification;
  size_t filled, rows;
};

const Sheet kSheets[] = {
    {2, " |                   |                    SCHEDA 1/2               |              |",
     " |   TRENO n. 565    |                   da: Torvel                |    V200 C    |",
     " |___________________|                    a: Dolvera Centrale      |     130%     |",
     " |        IC         |              |      800T         |", 39, 39},
    {61, " |                   |                    SCHEDA 2/2               |              |",
     " |   TRENO n. 565    |                   da: Torvel                |    V200 C    |",
     " |___________________|                    a: Dolvera Centrale      |     130%     |",
     " |        IC         |              |      800T         |", 18, 39},
    {119, " |                   |                    SCHEDA 3/4               |              |",
     " |   TRENO n.xxxxx   |                   da: xxxxxx                |    Vxxx C    |",
     " |___________________|                    a: xxxxxx                |     xxx%     |",
     " |        xxx        |              |      xxxT         |", 0, 31},
    {169, " |                   |                    SCHEDA 4/4               |              |",
     " |   TRENO n.xxxxx   |                   da: xxxxxx                |    Vxxx C    |",
     " |___________________|                    a: xxxxxx                |     xxx%     |",
     " |        xxx        |              |      xxxT         |", 0, 31},
};

constexpr size_t kFirstRow = 14;  // rows start 14 lines after the header box

TEST(TimetableCard, SheetsHaveTheirBoxesHeadersRowsAndClosingRule) {
  const Lines card = timetableCardText();
  ASSERT_EQ(card.size(), 217u);
  for (const Sheet& s : kSheets) {
    SCOPED_TRACE("sheet at line " + std::to_string(s.start));
    const std::string head[] = {kHeaderTop,    s.title,   s.train,       s.destination,
                                kHeaderBottom, kClassTop, kClassCaption, s.classification,
                                kClassBottom,  "",        kTableTop,     kCaption1,
                                kCaption2,     kRule};
    for (size_t i = 0; i < std::size(head); ++i) EXPECT_EQ(card[s.start + i], head[i]) << i;
    for (size_t r = 0; r < s.rows; ++r) {
      const std::string row = card[s.start + kFirstRow + r];
      if (r < s.filled)
        EXPECT_NE(row, kBlankRow) << r;
      else
        EXPECT_EQ(row, kBlankRow) << r;
    }
    EXPECT_EQ(card[s.start + kFirstRow + s.rows], kRule);
  }
}

TEST(TimetableCard, GapsAndCutLinesBetweenSheets) {
  const Lines card = timetableCardText();
  ASSERT_EQ(card.size(), 217u);
  for (size_t i : {0, 1, 56, 57, 59, 60, 115, 116, 118, 165, 166, 167, 168, 215, 216})
    EXPECT_EQ(std::string(card[i]), "") << i;
  EXPECT_EQ(card[58], std::string(81, '.'));
  EXPECT_EQ(card[117], std::string(72, '.'));
}

TEST(TimetableCard, ClassificationCaptionKeepsSevenTrailingSpaces) {
  const Lines card = timetableCardText();
  for (const Sheet& s : kSheets) {
    const std::string line = card[s.start + 6];
    EXPECT_EQ(line.size(), 64u);
    EXPECT_EQ(line.substr(line.size() - 8), "|       ") << s.start;
  }
}

TEST(TimetableCard, EveryTableLineHasItsBarsInTheSamePlaces) {
  const Lines card = timetableCardText();
  const std::vector<size_t> bars = {1, 7, 13, 24, 30, 59, 76, 82};
  for (size_t i = 0; i < card.size(); ++i) {
    bool inTable = false;
    for (const Sheet& s : kSheets)
      inTable = inTable || (i >= s.start + 11 && i <= s.start + kFirstRow + s.rows);
    if (!inTable) continue;
    const std::string line = card[i];
    EXPECT_EQ(line.size(), 83u) << i;
    EXPECT_EQ(barsOf(line), bars) << i << ": " << line;
  }
}

TEST(TimetableCard, FilledRowsRunFromTorvelToDolveraByKilometre) {
  const Lines card = timetableCardText();
  std::vector<std::string> rows;
  for (const Sheet& s : kSheets)
    for (size_t r = 0; r < s.filled; ++r) rows.push_back(card[s.start + kFirstRow + r]);
  ASSERT_EQ(rows.size(), 57u);
  EXPECT_EQ(rows.front(),
            " | 115 |     | 111.040  |     | TORVEL                     |         12.41  | 0.5 |");
  EXPECT_EQ(rows.back(),
            " |  70 |  70 | 349.970  |     | DOLVERA CENTRALE           | 15.23          | 2.0 |");
  for (const char* quoted :
       {" | 170 | 150 | 114.000  |     | Cippo Km 114.000           |                |     |",
        " | 135 | 130 | 208.500  |     | Km 208.500                 |                |     |"})
    EXPECT_NE(std::find(rows.begin(), rows.end(), quoted), rows.end()) << quoted;

  const std::regex speed(" {1,3}[1-9][0-9]{1,2} |     ");
  const std::regex km(" [0-9]{3}\\.[0-9]{3}  ");
  const std::regex stopTime(
      "      [0-9]{2}\\.[0-9]{2}     | [0-9]{2}\\.[0-9]{2} - [0-9]{2}\\.[0-9]{2}  ");
  const std::regex rec(" [0-2]\\.[05] |     ");
  int stations = 0, posts = 0, points = 0, signals = 0, others = 0;
  double lastKm = 0;
  for (size_t i = 0; i < rows.size(); ++i) {
    const std::string& row = rows[i];
    SCOPED_TRACE(row);
    const std::string lim = row.substr(2, 5), marc = row.substr(8, 5), kmCell = row.substr(14, 10),
                      rs = row.substr(25, 5), name = row.substr(31, 28), time = row.substr(60, 16),
                      recCell = row.substr(77, 5);
    EXPECT_TRUE(std::regex_match(lim, speed) && lim != "     ");
    EXPECT_TRUE(std::regex_match(marc, speed));
    if (marc != "     ") {
      EXPECT_LE(std::stoi(marc), std::stoi(lim));
    }
    EXPECT_EQ(rs, "     ");
    EXPECT_TRUE(std::regex_match(recCell, rec));
    ASSERT_EQ(name[0], ' ');
    ASSERT_NE(name[1], ' ');
    const std::string label = name.substr(1, name.find_last_not_of(' '));
    if (kmCell != "          ") {
      ASSERT_TRUE(std::regex_match(kmCell, km));
      const double k = std::stod(kmCell);
      EXPECT_GT(k, lastKm);
      lastKm = k;
    }
    if (time != std::string(16, ' ')) {
      ++stations;
      EXPECT_NE(kmCell, "          ");
      if (i == 0)
        EXPECT_EQ(time, "         12.41  ");
      else if (i + 1 == rows.size())
        EXPECT_EQ(time, " 15.23          ");
      else
        EXPECT_TRUE(std::regex_match(time, stopTime));
    } else if (label.starts_with("Cippo Km ")) {
      ++posts;
      EXPECT_EQ(kmCell, " " + label.substr(9) + "  ");
      EXPECT_TRUE(label.ends_with(".000"));
    } else if (label.starts_with("Km ")) {
      ++points;
      EXPECT_EQ(kmCell, " " + label.substr(3) + "  ");
    } else if (label.starts_with("Segn.Avv. ") || label.starts_with("Segn.Prot. ")) {
      ++signals;
      EXPECT_EQ(kmCell, "          ");
    } else {
      ++others;
      EXPECT_NE(kmCell, "          ");
    }
  }
  EXPECT_EQ(stations, 35);
  EXPECT_EQ(posts, 10);
  EXPECT_EQ(points, 6);
  EXPECT_EQ(signals, 3);
  EXPECT_EQ(others, 3);
}

// ---------------------------------------------------------------- slowdown order

TEST(SlowdownOrder, FixedLinesStandAtTheirIndices) {
  const Lines order = slowdownOrderText();
  ASSERT_EQ(order.size(), 44u);
  const std::string rule =
      " |___|____________________________|____________|__________|_________|____________|";
  const std::string blank =
      " |   |                            |            |          |         |            |";
  struct Fixed {
    size_t index;
    std::string text;
  } fixed[] = {
      {0, ""},
      {1, "                               Modulo M. 3"},
      {2, "                           ORDINE DI RALLENTAMENTO"},
      {3, " " + std::string(80, '_')},
      {4, "  Linea  TORVEL - DOLVERA CENTRALE"},
      {5, ""},
      {6, "  Si ordina al macchinista del treno  565  di effettuare i seguenti rallentamenti"},
      {7, "  " + std::string(79, '_')},
      {8, " |   |                            |Inizio dopo |          |         |            |"},
      {9, " | N.|      FRA LE STAZIONI       | il cippo   | Velocita'|Lunghezza|Prescrizioni|"},
      {10, " |   |   (o nelle Stazioni di)    |chilometrico|          |   metri | specifiche |"},
      {11, rule},
      {12, " | 1 | FIUMARA - ROCCABELLA       |    180     |    40    |   200   |   -----    |"},
      {13, " | 2 | VIGNOLE - SALTARA          |    324     |    60    |   200   |   -----    |"},
      {36, rule},
      {37, ""},
      {38, "              Prescrizioni specifiche"},
      {39, " A - Da rispettare con tutto il treno (per i treni viaggiatori)"},
      {40, " B - Interessa anche la stazione di ......"},
      {41, " D - Rallentamneto N. ... e N. ...  sono contigui"},
      {42, " C - Da rispettare dalle ore ....  alle ore ..... di tutti"},
      {43, "     i giorni esclusi i seguenti:........."},
  };
  for (const Fixed& f : fixed) EXPECT_EQ(order[f.index], f.text) << f.index;
  for (size_t i = 14; i <= 35; ++i) EXPECT_EQ(order[i], blank) << i;
  EXPECT_EQ(std::string(order[1]).size(), 42u);
  EXPECT_EQ(std::string(order[2]).size(), 50u);
  EXPECT_EQ(std::string(order[6]).size(), 81u);
}

TEST(SlowdownOrder, TableLinesHaveTheirBarsInTheSamePlaces) {
  const Lines order = slowdownOrderText();
  ASSERT_EQ(order.size(), 44u);
  const std::vector<size_t> bars = {1, 5, 34, 47, 58, 68, 81};
  for (size_t i = 8; i <= 36; ++i) {
    const std::string line = order[i];
    EXPECT_EQ(line.size(), 82u) << i;
    EXPECT_EQ(barsOf(line), bars) << i << ": " << line;
  }
}

// ---------------------------------------------------------------- notes

TEST(Notes, LinesKeepTheirRolesAndShapes) {
  const Lines notes = notesText();
  ASSERT_EQ(notes.size(), 9u);
  EXPECT_EQ(notes[2], std::string("Il treno parte da Torvel con un ritardo di 19 minuti."));
  EXPECT_EQ(notes[3], std::string("Buon divertimento"));
  EXPECT_EQ(notes[4], std::string(""));
  EXPECT_EQ(notes[7], std::string("Orario Giugno 2001"));
  EXPECT_EQ(notes[8], std::string("1R "));

  const std::string title = notes[0], route = notes[1], author = notes[5], contact = notes[6];
  EXPECT_NE(title.find("565"), std::string::npos);
  EXPECT_TRUE(title.ends_with(" ") && !title.ends_with("  ")) << title;
  EXPECT_TRUE(route.starts_with("(") && route.ends_with(").")) << route;
  EXPECT_NE(route.find("Torvel"), std::string::npos);
  EXPECT_EQ(author.find_first_not_of(' '), 19u) << author;
  EXPECT_EQ(contact.find_first_not_of(' '), 18u) << contact;
  EXPECT_EQ(contact[18], '(');
  EXPECT_TRUE(contact.ends_with(")")) << contact;
  EXPECT_NE(contact.find('@'), std::string::npos);
}

}  // namespace
}  // namespace sc

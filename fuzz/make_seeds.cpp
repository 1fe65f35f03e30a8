// Writes the seed corpora of the fuzz targets into DIR/field_stream, DIR/line_reader,
// DIR/train_reader and DIR/compile: the built-in texts, a short generated scenario (which may
// run with the plan table) and small broken variants, each meant to reach one fault.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "../bench/scenario_generator.h"
#include "harness.h"

namespace {

namespace fs = std::filesystem;

constexpr char kNoPlan = 0x00;
constexpr char kPlan = 0x07;

// The text with the first occurrence of from replaced; the program fails when from is absent,
// so that a change of the built-in texts cannot leave a seed silently unbroken.
std::string edit(std::string text, const std::string& from, const std::string& to) {
  size_t at = text.find(from);
  if (at == std::string::npos) {
    std::fprintf(stderr, "make_seeds: \"%s\" not found\n", from.c_str());
    std::exit(1);
  }
  return text.replace(at, from.size(), to);
}

std::string cutAfter(const std::string& text, const std::string& from) {
  size_t at = text.find(from);
  if (at == std::string::npos) {
    std::fprintf(stderr, "make_seeds: \"%s\" not found\n", from.c_str());
    std::exit(1);
  }
  return text.substr(0, at + from.size());
}

class Corpus {
 public:
  Corpus(const fs::path& root, const std::string& name) : dir_(root / name) {
    fs::create_directories(dir_);
  }
  void add(const std::string& bytes) {
    std::ofstream out(dir_ / ("seed-" + std::to_string(++count_)), std::ios::binary);
    out << bytes;
  }

 private:
  fs::path dir_;
  int count_ = 0;
};

std::vector<std::string> brokenLines(const std::string& line) {
  const std::string board = "cartello_indicatore,  99950,   (Km 99+996)";
  std::string manyBoards = "[generale]\r\nlunghezza percorso, 40000\r\n[indicazioni]\r\n";
  for (int i = 0; i < 82; ++i) {
    manyBoards += "cartello_indicatore, " + std::to_string(1000 + i * 400) + ", B" +
                  std::to_string(i) + "\r\n";
  }
  manyBoards += "[fine]\r\n\r\n";
  return {
      edit(line, "lunghezza percorso,    358000", "lunghezza percorso,    1000001"),
      edit(line, "lunghezza percorso,    358000", "lunghezza percorso,    1000000"),
      edit(line, "lunghezza percorso,    358000", "Lunghezza Percorso,    -6974"),
      edit(line, "lunghezza percorso,    358000", "lunghezza percorso,    abc"),
      edit(line, "lunghezza percorso,    358000", "lunghezza percorso,    99999999999"),
      edit(line, "lunghezza percorso,    358000", "larghezza percorso,    358000"),
      edit(line, "codici,    0,    349000", "codici,    25,    349000"),
      edit(line, "codici,    0,    349000", "codici,    0,    349025"),
      edit(line, "ripetizione segnali 4 codici", "ripetizione segnali codici"),
      edit(line, "[generale]", "[general]"),
      "[curve]\r\n[generale]",
      edit(line, "progressiva chilometrica uno,    0,    0,    0",
           "progressiva chilometrica uno,    1234,    0,    1"),
      edit(line, board, board + "\r\n" + board),
      edit(line, board, "cartello_indicatore,  1050,   (Km 1+050)"),
      edit(line, "indicatori_vmax,  14150", "indicatori_vmax,  1050"),
      edit(line, "pendenza,  2000,   6", "pendenza,  999999,   6"),
      edit(line, "pendenza,  2000,   6", "pendenza,  -2147483648,   6"),
      edit(line, "montagna,   135400,  137400,  11", "montagna,   364000,  2000000,  11"),
      edit(line, "montagna,   135400,  137400,  11", "montagna,   -90000,  500,  14"),
      cutAfter(line, "indicatori_vmax,  1050,  140,"),
      edit(line, "indicatori_vmax,  1050,  140,  160,  160,  0",
           "indicatori_vmax,  1050,  9999,  160,  160,  70000"),
      edit(line, "[generale]", "- - - - - - - - - - [generale]"),
      manyBoards,
      "[generale]\r\nlunghezza percorso, 0\r\n[fine]\r\n\r\n",
      "[generale]\r\n[fine]\r\n\r\n",
      "",
  };
}

// Broken variants of a short (40000 m) line, meant for runs with the plan table.
std::vector<std::string> brokenShortLines(const std::string& shortLine) {
  return {
      edit(shortLine, "curvad1,", "curvad,"),
      edit(shortLine, "curvad1,  3000,  1500", "curvad1,  46000,  2000000000"),
      edit(shortLine, "curvad1,  3000,  1500", "curvas6,  -5000,  1500"),
      edit(shortLine, "lunghezza percorso,    40000", "lunghezza percorso,    -6974"),
  };
}

std::vector<std::string> brokenTrains(const std::string& train) {
  const std::string first =
      "stazione,  111050,  2,  500,  0, 0, 0,  1,1,0,  4,1,1,    1,  13,0, 0, TORVEL";
  const std::string signal = "segnale,    113050,   2, 4, 0,  0, 0,    0,  0,0,0, 0";
  const std::string slowdown = "rallentamento,   180950,    40,  200, 0,  1,  40";
  std::string manyStations = "[generale]\r\n[stazioni]\r\n";
  for (int i = 0; i < 82; ++i) {
    manyStations += "stazione, " + std::to_string(1000 + i * 2000) +
                    ", 12, 500, 0, 0, 1, 1,1,0, 4,1,1, 30, 6,0,0, S" + std::to_string(i) + "\r\n";
  }
  manyStations += "[fine]\r\n\r\n";
  return {
      edit(train, first, edit(first, "111050", "111025")),
      edit(train, first, edit(first, "500", "550")),
      edit(train, first, edit(first, "  2,  500", "  300,  500")),
      edit(train, first, edit(first, "13,0, 0", "99999,0, 0")),
      edit(train, first, first + "\r\n" + edit(first, "111050", "111450")),
      edit(train, first, "stazione,  0,  12,  0,  0, 0, 0,  1,1,0,  4,1,1,    1,  13,0, 0, ZERO"),
      edit(train, first,
           "stazione,  0,  7,  9000,  0, 0, 0,  1,1,0,  4,1,1,    1,  13,0, 0, SETTE"),
      edit(train, signal, signal + "\r\n" + signal),
      edit(train, signal, signal + "\r\nabbattimento, 113100, 1"),
      edit(train, signal, "segnale,    0,   2, 4, 0,  0, 0,    0,  0,0,0, 0"),
      edit(train, slowdown, slowdown + "\r\n" + slowdown),
      edit(train, slowdown, "rallentamento,   364000,    40,  900000, 0,  1,  40"),
      edit(train, slowdown, "rallentamento,   1550,    40,  20, 0,  1,  40"),
      edit(train, "velocita,  114010,   170", "velocita,  999999,   170"),
      edit(train, "velocita,  114010,   170", "VELOCITA,  -114010,   170"),
      edit(train, "sabbia,    200", "sabbia,    40000"),
      edit(train, "aderenza,   0,    100", "aderenza,   50000,    100\r\naderenza,   0,    7"),
      cutAfter(train, "segnale,    113050,   2, 4,"),
      manyStations,
      "[generale]\r\n",
      "",
  };
}

std::string pair(char control, const std::string& line, const std::string& train) {
  return std::string(1, control) + line + std::string(sc::fuzz::kTextSeparator) + train;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_seeds DIR\n");
    return 64;
  }
  const fs::path root = argv[1];
  const std::string& line = sc::fuzz::builtInLineText();
  const std::string& train = sc::fuzz::builtInTrainText();
  const sc::bench::GeneratedScenario small = sc::bench::generateScenario(40000);
  const sc::bench::GeneratedScenario medium = sc::bench::generateScenario(100000);

  Corpus fields(root, "field_stream");
  // One pattern byte: 0x00 reads text only; 0x04 text then number; 0x1d mixes all four.
  for (const char pattern : {'\x00', '\x04', '\x1d', '\x55'}) {
    fields.add(std::string{'\x01', pattern} + line);
    fields.add(std::string{'\x01', pattern} + train);
  }
  fields.add(std::string{'\x01', '\x04'} + "a,  12\r\nb , -7 ,\n+3\r x,99999999999, ,\t\t,");

  Corpus lines(root, "line_reader");
  lines.add(kNoPlan + line);
  lines.add(kPlan + small.line);
  lines.add(kNoPlan + small.line);
  for (const std::string& broken : brokenLines(line)) lines.add(kNoPlan + broken);
  for (const std::string& broken : brokenShortLines(small.line)) lines.add(kPlan + broken);

  Corpus trains(root, "train_reader");
  trains.add(train);
  trains.add(small.train);
  for (const std::string& broken : brokenTrains(train)) trains.add(broken);

  Corpus compiles(root, "compile");
  compiles.add(pair(kNoPlan, line, train));
  compiles.add(pair(kPlan, small.line, small.train));
  compiles.add(pair(kNoPlan, medium.line, medium.train));
  for (const std::string& broken : brokenShortLines(small.line)) {
    compiles.add(pair(kPlan, broken, small.train));
  }
  for (const std::string& broken : brokenTrains(train)) compiles.add(pair(kNoPlan, line, broken));
  compiles.add(pair(kNoPlan, brokenLines(line)[3], train));
  return 0;
}

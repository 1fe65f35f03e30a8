#include "scenario_generator.h"

#include <string>

namespace sc::bench {
namespace {

constexpr int32_t kBlock = 25000;
constexpr int32_t kMaxStations = 60;  // stations and board texts share records 1 to 80
constexpr int32_t kMaxBoards = 15;

class Text {
 public:
  Text& operator<<(const std::string& s) {
    line_ += s;
    return *this;
  }
  Text& operator<<(int64_t v) {
    line_ += std::to_string(v);
    return *this;
  }
  // Ends the current line with CR LF.
  void end() {
    out_ += line_;
    out_ += "\r\n";
    line_.clear();
  }
  std::string take() { return std::move(out_); }

 private:
  std::string out_;
  std::string line_;
};

// Cells used in block b (cb = b * 500 is its first cell), chosen so that no two items meet and
// every post-pass rule finds its free cells:
//   +7 +57 ... +457 signals (every 2500 m, 300 m into each stretch), +22 speed board,
//   +42 indication board, +100..+139 mountain, +255 station stop (approach codes +251..+254),
//   +373..+376 slowdown approach, +377 warning board, +401 start, +405 end, +450 and +460
//   reduction points.
std::string lineText(int32_t routeLength, int32_t blocks) {
  Text t;
  t << "[generale]";
  t.end();
  t << "lunghezza percorso,    " << routeLength;
  t.end();
  for (const char* which : {"uno", "due", "tre"}) {
    t << "progressiva chilometrica " << which << ",    0,    0,    0";
    t.end();
  }
  t << "sfondo uno,    1";
  t.end();
  t << "sfondo due,    0";
  t.end();
  t << "sfondo tre,    0";
  t.end();
  t << "ripetizione segnali 4 codici,    0,    " << (routeLength / 50) * 50;
  t.end();

  t << "[curve]";
  t.end();
  for (int32_t b = 0; b < blocks; ++b) {
    const int64_t base = int64_t{b} * kBlock;
    t << "curva" << std::string(b % 2 != 0 ? "s" : "d") << (1 + b % 6) << ",  " << base + 3000
      << ",  " << 1500 + (b % 5) * 100;
    t.end();
  }
  t << "[pendenze]";
  t.end();
  for (int32_t b = 0; b < blocks; ++b) {
    const int64_t base = int64_t{b} * kBlock;
    t << "pendenza,  " << base + 100 << ",   " << (b % 21) - 10;
    t.end();
    t << "pendenza,  " << base + 15000 << ",   " << (b * 7 % 13) - 6;
    t.end();
  }
  t << "[montagne]";
  t.end();
  for (int32_t b = 0; b < blocks; ++b) {
    const int64_t base = int64_t{b} * kBlock;
    if (b % 8 == 3) {
      t << "montagna,   " << base + 5000 << ",  " << base + 7000 << ",  11";
      t.end();
    } else if (b % 8 == 7) {
      t << "montagna,   " << base + 5000 << ",  " << base + 6000 << ",  2";
      t.end();
    }
  }
  t << "[cartelli]";
  t.end();
  for (int32_t b = 0; b < blocks; ++b) {
    const int64_t base = int64_t{b} * kBlock;
    const int64_t v = 100 + (b % 8) * 10;
    t << "indicatori_vmax,  " << base + 1050 << ",  " << v << ",  " << v + 10 << ",  " << v + 20
      << ",  " << (b % 3) << ",  " << v << ",  " << v + 10 << ",  " << v + 20 << ",  " << (b % 3);
    t.end();
  }
  t << "[indicazioni]";
  t.end();
  for (int32_t b = 0; b < blocks && b < kMaxBoards; ++b) {
    const int64_t base = int64_t{b} * kBlock;
    t << "cartello_indicatore,  " << base + 2050 << ",   (Km " << (base + 2050) / 1000 << "+"
      << (base + 2050) % 1000 << ")";
    t.end();
  }
  t << "[fine]";
  t.end();
  t.end();  // the empty last line
  return t.take();
}

std::string trainText(int32_t blocks) {
  Text t;
  t << "[generale]";
  t.end();
  t << "numero vetture,    14";
  t.end();
  t << "percentuale massa frenata,    130";
  t.end();
  t << "sabbia,    200";
  t.end();
  t << "orologio,    12              59            30 ";
  t.end();
  t << "[aderenze]";
  t.end();
  for (int32_t b = 0; b < blocks; b += 4) {
    t << "aderenza,   " << int64_t{b} * kBlock << ",    " << 100 - (b % 3) * 5;
    t.end();
  }
  t << "[vel_limite]";
  t.end();
  for (int32_t b = 0; b < blocks; ++b) {
    const int64_t base = int64_t{b} * kBlock;
    t << "velocita,  " << base << ",   " << 100 + (b % 8) * 10;
    t.end();
    t << "velocita,  " << base + 13010 << ",   " << 105 + (b % 7) * 10;
    t.end();
  }
  t << "[stazioni]";
  t.end();
  static const int kKinds[] = {12, 2, 4, 22, 28};
  for (int32_t b = 0; b < blocks && b < kMaxStations; ++b) {
    const int64_t base = int64_t{b} * kBlock;
    t << "stazione,  " << base + 12500 << ",  " << kKinds[b % 5] << ",  500,  0, 0, 1,  1,1,0,  "
      << "4,1,1,    30,  " << 6 + b / 4 << "," << (b * 7) % 60 << ", 0, FERMATA " << b + 1;
    t.end();
  }
  t << "[rallentamenti]";
  t.end();
  for (int32_t b = 0; b < blocks; ++b) {
    const int64_t base = int64_t{b} * kBlock;
    if (b % 4 == 1) {
      t << "rallentamento,   " << base + 20000 << ",    60,  200, 0,  1,  60";
      t.end();
    } else if (b % 4 == 3) {
      t << "rallentamento,   " << base + 20000 << ",    120,  200, 1,  0,  0";
      t.end();
    }
  }
  t << "[abbattimenti]";
  t.end();
  for (int32_t b = 0; b < blocks; ++b) {
    const int64_t base = int64_t{b} * kBlock;
    t << "abbattimento,  " << base + 22500 << ",  150";
    t.end();
    if (b % 3 == 0) {
      t << "abbattimento,  " << base + 23000 << ",  0";
      t.end();
    }
  }
  t << "[segnali]";
  t.end();
  for (int32_t b = 0; b < blocks; ++b) {
    const int64_t base = int64_t{b} * kBlock;
    for (int32_t j = 0; j < 10; ++j) {
      const bool coded = j % 3 == 1;
      t << "segnale,    " << base + 300 + 2500 * j << ",   2, " << (coded ? "4, 1" : "4, 0")
        << ",  0, 0,    " << (coded ? "1,  3,1,0, 0" : "0,  0,0,0, 0");
      t.end();
    }
  }
  t << "[codici]";
  t.end();
  t << "[fine]";
  t.end();
  t.end();  // the empty last line
  return t.take();
}

}  // namespace

GeneratedScenario generateScenario(int32_t routeLength) {
  const int32_t blocks = routeLength / kBlock;
  return {lineText(routeLength, blocks), trainText(blocks)};
}

}  // namespace sc::bench

// Compile, decompile, compile again. Input as for compile_fuzz: one control byte, the line
// description, "@@@@", the train description. When the first compile records no fault, its
// model is decompiled and the two texts compiled again: the three files must come back byte
// for byte, or the decompiler must have listed why not (a difference with its reason). Either
// way the decompiler's own list must agree with the bytes. The share of identical round trips
// and the reasons for the rest are counted and printed to standard error every 10000 round
// trips and at exit, and written to $SC_DECOMPILE_STATS (every 500 round trips) when that is
// set.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <string_view>

#include "compiler/build.h"
#include "compiler/compiled_files.h"
#include "compiler/compiler.h"
#include "compiler/decompiler.h"
#include "harness.h"

namespace {

struct Stats {
  uint64_t runs = 0;
  uint64_t faulty = 0;  // the first compile recorded a fault: nothing to decompile
  uint64_t roundTrips = 0;
  uint64_t identical = 0;
  std::map<std::string, uint64_t> reasons;  // the first reason of each round trip that differs

  void print(std::FILE* to) const {
    std::fprintf(to,
                 "decompile stats: %llu runs, %llu with a fault, %llu round trips, %llu identical "
                 "(%.2f%%)\n",
                 static_cast<unsigned long long>(runs), static_cast<unsigned long long>(faulty),
                 static_cast<unsigned long long>(roundTrips),
                 static_cast<unsigned long long>(identical),
                 roundTrips == 0 ? 0.0 : 100.0 * static_cast<double>(identical) / roundTrips);
    for (const auto& [why, n] : reasons) {
      std::fprintf(to, "  %llu  %s\n", static_cast<unsigned long long>(n), why.c_str());
    }
  }
  void report() const {
    print(stderr);
    save();
  }
  void save() const {
    if (const char* file = std::getenv("SC_DECOMPILE_STATS")) {
      if (std::FILE* f = std::fopen(file, "w")) {
        print(f);
        std::fclose(f);
      }
    }
  }
};

// Never destroyed: the report at exit runs after the destructors of function-local statics.
Stats& stats() {
  static Stats* s = new Stats;
  return *s;
}

struct Bytes {
  std::string plan, records, cells;
  bool operator==(const Bytes&) const = default;
};

Bytes bytesOf(const sc::Build& b) {
  Bytes out{{}, sc::encodeRecords(b.records), sc::encodeCells(b.track.trackCells)};
  if (b.buildFlag != 0 && b.track.trackPlan) {
    std::string storage;
    out.plan = std::string(sc::planFileBytes(*b.track.trackPlan, storage));
  }
  return out;
}

sc::CompiledModel modelOf(const sc::Build& b) {
  sc::CompiledModel m{b.records, b.track.trackCells, {}, {}, "Torvel_Dolvera", "565"};
  if (b.buildFlag != 0 && b.track.trackPlan) {
    const sc::TrackPlan& plan = *b.track.trackPlan;
    for (int32_t row = 0; row < plan.rows(); ++row) {
      m.planX.push_back(plan.entry(row, 0));
      m.planY.push_back(plan.entry(row, 1));
    }
  }
  return m;
}

// Compiles two texts held in memory; false when no files would be written.
bool compileHeld(sc::Build& b, std::string_view line, std::string_view train) {
  b.held = sc::Build::HeldTexts{line, train};
  return sc::compileModel(b).end == sc::CompileOutcome::End::Written;
}

void roundTrip(std::string_view line, std::string_view train, int32_t flag) {
  Stats& s = stats();
  ++s.runs;
  sc::Build first({}, "Torvel_Dolvera", "565", flag);
  if (!compileHeld(first, line, train) || first.error.errorNumber != 0) {
    ++s.faulty;
    return;
  }
  const sc::Decompiled d = sc::decompile(modelOf(first));
  sc::Build again({}, "Torvel_Dolvera", "565", flag);
  const bool written = compileHeld(again, d.lineText, d.trainText);
  const bool same = written && bytesOf(again) == bytesOf(first);
  ++s.roundTrips;
  if (same) {
    ++s.identical;
    if (!d.differences.empty()) sc::fuzz::violation("identical bytes, yet differences listed");
  } else {
    const sc::Difference* reasoned = nullptr;
    for (const sc::Difference& diff : d.differences) {
      if (!diff.why.empty()) {
        reasoned = &diff;
        break;
      }
    }
    if (reasoned == nullptr) {
      sc::fuzz::violation("the round trip differs and no reason is listed" +
                          (d.differences.empty()
                               ? std::string(" (no difference either)")
                               : ": first " + std::string(sc::partName(d.differences[0].part)) +
                                     " " + std::to_string(d.differences[0].index) + " " +
                                     d.differences[0].field + " " + d.differences[0].input + " / " +
                                     d.differences[0].roundTrip));
    }
    ++s.reasons[std::string(sc::partName(reasoned->part)) + " " + reasoned->field + ": " +
                reasoned->why];
  }
  if (s.roundTrips % 10000 == 0) s.report();
  if (s.roundTrips % 500 == 0) s.save();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  std::atexit([] { stats().report(); });
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  sc::fuzz::TextPair texts;
  if (sc::fuzz::splitTextPair(data, size, texts))
    roundTrip(texts.line, texts.train, texts.buildFlag);
  return 0;
}

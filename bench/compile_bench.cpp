// Benchmarks of the build: the whole default build beside the I/O floor of its output, the
// compile of generated scenarios of 100000 and 1000000 m (time per km), and each stage alone.
// After the runs a summary gives the ratio to the I/O floor, the time per km at both lengths
// and every stage's share of its whole.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "compiler/build.h"
#include "compiler/codes.h"
#include "compiler/compiled_files.h"
#include "compiler/compiler.h"
#include "compiler/file_io.h"
#include "compiler/line_reader.h"
#include "compiler/post_pass.h"
#include "compiler/train_reader.h"
#include "driver/driver.h"
#include "driver/platform.h"
#include "scenario_generator.h"
#include "sources/line_list.h"
#include "sources/writers.h"

namespace sc::bench {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// One folder for the whole run, under the system's temporary folder.
const fs::path& benchFolder() {
  static const fs::path folder = [] {
    std::string templ = (fs::temp_directory_path() / "sc-bench-XXXXXX").string();
    if (::mkdtemp(templ.data()) == nullptr) {
      std::perror("sc_bench: cannot create a temporary folder");
      std::exit(1);
    }
    return fs::path(templ);
  }();
  return folder;
}

struct FolderCleanup {
  ~FolderCleanup() {
    std::error_code ec;
    fs::remove_all(benchFolder(), ec);
  }
};

// The two source texts of a scenario: 0 is the built-in one, any other number a generated
// scenario of that many metres.
struct Texts {
  std::string line;
  std::string train;
};

const Texts& textsOf(int64_t length) {
  static std::map<int64_t, Texts> cache;
  auto it = cache.find(length);
  if (it != cache.end()) return it->second;
  Texts t;
  if (length == 0) {
    t.line = renderLineList(makeLineList(lineDescriptionText()));
    t.train = renderLineList(makeLineList(trainDescriptionText()));
  } else {
    GeneratedScenario g = generateScenario(static_cast<int32_t>(length));
    t.line = std::move(g.line);
    t.train = std::move(g.train);
  }
  return cache.emplace(length, std::move(t)).first->second;
}

fs::path folderFor(int64_t length) {
  fs::path f = benchFolder() / ("scenario-" + std::to_string(length));
  fs::create_directories(f);
  return f;
}

Build makeBuild(int64_t length) {
  Build b(folderFor(length), kScenarioName, kTrainNumber, 1);
  b.records.clear();
  b.records.setNameSlots(b.files.scenarioName, b.files.trainNumber);
  return b;
}

void writeSources(const Build& b, int64_t length) {
  replaceFile(b.files.lineDescription(), textsOf(length).line);
  replaceFile(b.files.trainDescription(), textsOf(length).train);
}

// A model after both readers, the post-pass and the stamp, as the writers receive it.
const Build& finishedModel(int64_t length) {
  static std::map<int64_t, Build> cache;
  auto it = cache.find(length);
  if (it != cache.end()) return it->second;
  Build b = makeBuild(length);
  writeSources(b, length);
  CompileOutcome outcome = memorizza_percorso(b);
  if (outcome.end != CompileOutcome::End::Written || b.error.errorNumber != 0) {
    std::fprintf(stderr, "sc_bench: the %lld m scenario does not compile cleanly (error %d)\n",
                 static_cast<long long>(length), b.error.errorNumber);
    std::exit(1);
  }
  return cache.emplace(length, std::move(b)).first->second;
}

bool failed(benchmark::State& state, const Build& b) {
  if (b.error.errorNumber == 0) return false;
  state.SkipWithError(("error " + std::to_string(b.error.errorNumber)).c_str());
  return true;
}

// --- the whole default build and its I/O floor ---------------------------------------------

// The files a default build writes (the five texts and the three compiled files), with their
// bytes, read back after one build.
std::vector<std::pair<std::string, std::string>> defaultBuildOutput(const fs::path& folder) {
  ScenarioFiles files{folder, kScenarioName, kTrainNumber};
  std::vector<std::pair<std::string, std::string>> out;
  out.emplace_back("floor_linea.txt", textsOf(0).line);
  out.emplace_back("floor_treno.txt", textsOf(0).train);
  for (const fs::path& p : {files.notes(), files.slowdownOrder(), files.timetableCard(),
                            files.planFile(), files.recordFile(), files.cellFile()}) {
    out.emplace_back("floor_" + p.filename().string(), readFile(p));
  }
  return out;
}

void writeFloor(const fs::path& folder,
                const std::vector<std::pair<std::string, std::string>>& files) {
  for (const auto& [name, bytes] : files) replaceFile(folder / name, bytes);
}

// The default build, timed alone; the I/O floor (the same bytes, one replaceFile per file, in
// the same folder) is timed in the same iterations and reported beside it.
void BM_DefaultBuild(benchmark::State& state) {
  const fs::path folder = benchFolder() / "program";
  fs::create_directories(folder);
  auto platform = makeHeadlessPlatform();
  std::ostringstream err;
  if (runDefaultBuild(*platform, folder, err) != kExitClean) {
    state.SkipWithError("the default build reports a fault");
    return;
  }
  const auto floorFiles = defaultBuildOutput(folder);
  int64_t bytes = 0;
  for (const auto& f : floorFiles) bytes += static_cast<int64_t>(f.second.size());

  double floorSeconds = 0;
  for (auto _ : state) {
    auto t0 = Clock::now();
    int status = runDefaultBuild(*platform, folder, err);
    auto t1 = Clock::now();
    writeFloor(folder, floorFiles);
    auto t2 = Clock::now();
    benchmark::DoNotOptimize(status);
    state.SetIterationTime(std::chrono::duration<double>(t1 - t0).count());
    floorSeconds += std::chrono::duration<double>(t2 - t1).count();
  }
  const double n = static_cast<double>(state.iterations());
  state.counters["io_floor_ms"] = floorSeconds / n * 1e3;
  state.counters["bytes_written"] = static_cast<double>(bytes);
  state.SetBytesProcessed(state.iterations() * bytes);
}
BENCHMARK(BM_DefaultBuild)->UseManualTime()->Unit(benchmark::kMillisecond);

// The I/O floor alone, for the summary.
void BM_IoFloor(benchmark::State& state) {
  const fs::path folder = benchFolder() / "program";
  fs::create_directories(folder);
  auto platform = makeHeadlessPlatform();
  std::ostringstream err;
  runDefaultBuild(*platform, folder, err);
  const auto floorFiles = defaultBuildOutput(folder);
  for (auto _ : state) writeFloor(folder, floorFiles);
}
BENCHMARK(BM_IoFloor)->Unit(benchmark::kMillisecond);

// --- the compile of a scenario (memorizza_percorso), texts written beforehand ---------------

void BM_Compile(benchmark::State& state) {
  const int64_t length = state.range(0);
  for (auto _ : state) {
    state.PauseTiming();
    std::optional<Build> b(makeBuild(length));
    writeSources(*b, length);
    state.ResumeTiming();
    memorizza_percorso(*b);
    state.PauseTiming();
    if (failed(state, *b)) break;
    b.reset();  // the program ends here: freeing the model is not part of the compile
    state.ResumeTiming();
  }
  // Seconds per km: iterations x km over the total time, inverted.
  state.counters["per_km"] = benchmark::Counter(
      static_cast<double>(length) / 1000.0,
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_Compile)->Arg(100000)->Arg(1000000)->UseRealTime()->Unit(benchmark::kMillisecond);

// --- the stages alone: 0 is the built-in scenario, 1000000 the generated one ----------------

void BM_StageTexts(benchmark::State& state) {
  const int64_t length = state.range(0);
  Build b = makeBuild(length);
  for (auto _ : state) {
    if (length == 0) {
      dati_linea(b.files);
      dati_treno(b.files);
      dati_note(b.files);
      dati_rallentamenti(b.files);
      dati_scheda(b.files);
    } else {
      writeSources(b, length);
    }
  }
}

void BM_StageLineReader(benchmark::State& state) {
  const int64_t length = state.range(0);
  for (auto _ : state) {
    state.PauseTiming();
    std::optional<Build> b(makeBuild(length));
    replaceFile(b->files.lineDescription(), textsOf(length).line);
    state.ResumeTiming();
    readLineDescription(*b);
    state.PauseTiming();
    if (failed(state, *b)) break;
    b.reset();
    state.ResumeTiming();
  }
}

void BM_StageTrainReader(benchmark::State& state) {
  const int64_t length = state.range(0);
  for (auto _ : state) {
    state.PauseTiming();
    std::optional<Build> b(makeBuild(length));
    b->buildFlag = 0;  // the train reader does not look at the plan table
    replaceFile(b->files.lineDescription(), textsOf(length).line);
    const LineReading line = readLineDescription(*b);
    replaceFile(b->files.trainDescription(), textsOf(length).train);
    state.ResumeTiming();
    readTrainDescription(*b, line);
    state.PauseTiming();
    if (failed(state, *b)) break;
    b.reset();
    state.ResumeTiming();
  }
}

// The model after both readers, before the post-pass (no plan table: the post-pass does not
// look at it).
const Build& readModel(int64_t length) {
  static std::map<int64_t, Build> cache;
  auto it = cache.find(length);
  if (it != cache.end()) return it->second;
  Build b = makeBuild(length);
  b.buildFlag = 0;
  writeSources(b, length);
  memorizza_dati(b);
  return cache.emplace(length, std::move(b)).first->second;
}

void BM_StagePostPass(benchmark::State& state) {
  const int64_t length = state.range(0);
  const Build& model = readModel(length);
  for (auto _ : state) {
    state.PauseTiming();
    std::optional<Build> b(model);
    state.ResumeTiming();
    postPass(*b);
    benchmark::DoNotOptimize(b->track.trackCells.data());
    state.PauseTiming();
    b.reset();
    state.ResumeTiming();
  }
}

void BM_StageStamp(benchmark::State& state) {
  const int64_t length = state.range(0);
  Build b = readModel(length);
  for (auto _ : state) {
    b.records.formatMagic() = 0;
    b.records.codeSt() = 0;
    b.track.trackCells[1].value1 = 0;
    b.track.trackCells[1].value2 = 0;
    benchmark::DoNotOptimize(stampScenario(b));
  }
}

void BM_StageEncode(benchmark::State& state) {
  const Build& b = finishedModel(state.range(0));
  for (auto _ : state) {
    std::string plan = encodePlan(*b.track.trackPlan);
    std::string records = encodeRecords(b.records);
    std::string cells = encodeCells(b.track.trackCells);
    benchmark::DoNotOptimize(plan.data());
    benchmark::DoNotOptimize(records.data());
    benchmark::DoNotOptimize(cells.data());
  }
}

// Writing the three compiled files from their encoded bytes (replaceFile each).
void BM_StageWrite(benchmark::State& state) {
  const Build& b = finishedModel(state.range(0));
  const std::string plan = encodePlan(*b.track.trackPlan);
  const std::string records = encodeRecords(b.records);
  const std::string cells = encodeCells(b.track.trackCells);
  for (auto _ : state) {
    replaceFile(b.files.planFile(), plan);
    replaceFile(b.files.recordFile(), records);
    replaceFile(b.files.cellFile(), cells);
  }
  state.SetBytesProcessed(state.iterations() *
                          static_cast<int64_t>(plan.size() + records.size() + cells.size()));
}

BENCHMARK(BM_StageTexts)->Arg(0)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StageLineReader)->Arg(0)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StageTrainReader)->Arg(0)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StagePostPass)->Arg(0)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StageStamp)->Arg(0)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StageEncode)->Arg(0)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StageWrite)->Arg(0)->Arg(1000000)->Unit(benchmark::kMillisecond);

// --- the summary ---------------------------------------------------------------------------

// Collects the mean time of every benchmark while the console shows them as usual.
class SummaryReporter : public benchmark::ConsoleReporter {
 public:
  // Colours only on a terminal.
  SummaryReporter() : ConsoleReporter(::isatty(1) != 0 ? OO_Defaults : OO_Tabular) {}

  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& r : runs) {
      if (r.error_occurred || r.run_type != Run::RT_Iteration) continue;
      ms_[r.benchmark_name()] = r.GetAdjustedRealTime() * msPer(r.time_unit);
      for (const auto& [name, counter] : r.counters) {
        counters_[r.benchmark_name() + ":" + name] = counter.value;
      }
    }
  }

  void summary() const {
    std::printf("\nSummary\n");
    if (auto build = get("BM_DefaultBuild/manual_time"),
        floor = counter("BM_DefaultBuild/manual_time:io_floor_ms");
        build && floor) {
      std::printf("  default build %.2f ms, I/O floor %.2f ms in the same process: %.2fx\n", *build,
                  *floor, *build / *floor);
    }
    auto km100 = get("BM_Compile/100000/real_time");
    auto km1000 = get("BM_Compile/1000000/real_time");
    if (km100 && km1000) {
      std::printf("  compile: %.3f ms/km at 100000 m, %.3f ms/km at 1000000 m (ratio %.2f)\n",
                  *km100 / 100.0, *km1000 / 1000.0, (*km1000 / 1000.0) / (*km100 / 100.0));
    }
    shares("default build", get("BM_DefaultBuild/manual_time"), 0);
    shares("1000000 m compile", km1000, 1000000);
  }

 private:
  static double msPer(benchmark::TimeUnit unit) {
    switch (unit) {
      case benchmark::kNanosecond:
        return 1e-6;
      case benchmark::kMicrosecond:
        return 1e-3;
      case benchmark::kMillisecond:
        return 1.0;
      default:
        return 1e3;
    }
  }
  std::optional<double> get(const std::string& name) const {
    auto it = ms_.find(name);
    if (it == ms_.end()) return std::nullopt;
    return it->second;
  }
  std::optional<double> counter(const std::string& name) const {
    auto it = counters_.find(name);
    if (it == counters_.end()) return std::nullopt;
    return it->second;
  }
  void shares(const char* what, std::optional<double> whole, int64_t arg) const {
    if (!whole) return;
    std::printf("  stages of the %s, %.2f ms in all:\n", what, *whole);
    double sum = 0;
    for (const char* stage :
         {"Texts", "LineReader", "TrainReader", "PostPass", "Stamp", "Encode", "Write"}) {
      if (arg != 0 && std::string(stage) == "Texts") continue;  // not part of the compile
      auto t = get(std::string("BM_Stage") + stage + "/" + std::to_string(arg));
      if (!t) continue;
      sum += *t;
      std::printf("    %-12s %9.3f ms  %5.1f%%\n", stage, *t, 100.0 * *t / *whole);
    }
    std::printf("    %-12s %9.3f ms  %5.1f%%\n", "(sum)", sum, 100.0 * sum / *whole);
  }

  std::map<std::string, double> ms_;
  std::map<std::string, double> counters_;
};

}  // namespace
}  // namespace sc::bench

int main(int argc, char** argv) {
  sc::bench::FolderCleanup cleanup;
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  sc::bench::SummaryReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.summary();
  benchmark::Shutdown();
  return 0;
}

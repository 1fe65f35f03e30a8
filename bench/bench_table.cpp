// The benchmark table of `make bench`: the program's whole-process times beside the I/O floors
// of what they deliver, run side by side in one run (A B A B ..., so that a machine whose speed
// drifts still gives honest ratios), with medians and the median of the pairwise ratios; then
// the time per km at two lengths, the peak memory of the long compile and each stage's share.
//
//   sc_bench_table [PAIRS]     (15 pairs by default, after 2 warm-up pairs)
//
// Whole processes are started with posix_spawn and timed from the spawn to the end of wait4;
// their peak memory is the kernel's own accounting (ru_maxrss). Stages are timed inside this
// process with the library's own functions.
#include <fcntl.h>
#include <malloc.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
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
#include "scenario_generator.h"
#include "sources/line_list.h"
#include "sources/writers.h"

extern char** environ;

namespace sc::bench {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kWarmupPairs = 2;
constexpr int32_t kShortLength = 100000;
constexpr int32_t kLongLength = 1000000;

[[noreturn]] void die(const std::string& what) {
  std::fprintf(stderr, "sc_bench_table: %s\n", what.c_str());
  std::exit(1);
}

double median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  const size_t n = v.size();
  return n % 2 != 0 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// --- whole processes ------------------------------------------------------------------------

struct Command {
  std::vector<std::string> argv;
  fs::path folder;                 // the working folder of the process
  std::function<void()> before{};  // untimed preparation before each run
};

struct Run {
  double ms = 0;
  long peakKiB = 0;
  int status = 0;
};

Run runOnce(const Command& c) {
  if (c.before) c.before();
  std::vector<char*> args;
  for (const std::string& a : c.argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addchdir_np(&actions, c.folder.c_str());
  // Without a display: the runs are headless, as a build on a build machine is.
  std::vector<char*> env;
  for (char** e = environ; *e != nullptr; ++e) {
    if (std::string(*e).rfind("DISPLAY=", 0) != 0) env.push_back(*e);
  }
  env.push_back(nullptr);

  Run r;
  pid_t pid = 0;
  const auto t0 = Clock::now();
  if (posix_spawn(&pid, args[0], &actions, nullptr, args.data(), env.data()) != 0) {
    die("cannot start " + c.argv[0]);
  }
  int status = 0;
  struct rusage usage {};
  if (::wait4(pid, &status, 0, &usage) != pid) die("lost " + c.argv[0]);
  const auto t1 = Clock::now();
  posix_spawn_file_actions_destroy(&actions);
  r.ms = std::chrono::duration<double, std::milli>(t1 - t0).count();
  r.peakKiB = usage.ru_maxrss;
  r.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return r;
}

// A run that must end with status 0 for its figures to count.
Run runOk(const Command& c) {
  Run r = runOnce(c);
  if (r.status != 0) die(c.argv[0] + " ended with status " + std::to_string(r.status));
  return r;
}

// True when the program's help lists the subcommand.
bool hasSubcommand(const fs::path& program, const fs::path& scratch, const std::string& name) {
  const fs::path out = scratch / "help.txt";
  std::vector<char*> args = {const_cast<char*>(program.c_str()), const_cast<char*>("--help"),
                             nullptr};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  int status = 1;
  bool ran = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ) == 0 &&
             ::waitpid(pid, &status, 0) == pid;
  posix_spawn_file_actions_destroy(&actions);
  if (!ran) return false;
  std::ifstream in(out);
  for (std::string line; std::getline(in, line);) {
    size_t first = line.find_first_not_of(' ');
    if (first != std::string::npos && first > 0 && line.compare(first, name.size(), name) == 0 &&
        (line.size() == first + name.size() || line[first + name.size()] == ' ')) {
      return true;
    }
  }
  return false;
}

struct Pairing {
  double aMs = 0, bMs = 0, ratio = 0;
  long aPeakKiB = 0;
};

// A and B in turn, A first; medians of each and of the pairwise ratio A / B.
Pairing sideBySide(const Command& a, const Command& b, int pairs) {
  for (int i = 0; i < kWarmupPairs; ++i) runOk(a), runOk(b);
  std::vector<double> as, bs, ratios;
  long peak = 0;
  for (int i = 0; i < pairs; ++i) {
    Run ra = runOk(a);
    Run rb = runOk(b);
    as.push_back(ra.ms);
    bs.push_back(rb.ms);
    ratios.push_back(ra.ms / rb.ms);
    peak = std::max(peak, ra.peakKiB);
  }
  return {median(as), median(bs), median(ratios), peak};
}

// --- the stages, inside this process ---------------------------------------------------------

struct StageTimes {
  std::vector<std::pair<std::string, double>> rows;  // median ms of each stage
  double whole = 0;                                  // median of the sum per run
  double work = 0;  // median per run of the compile's own work: the readers to the stamp
};

// Stage by stage, the medians of several runs (their wholes too).
StageTimes medianOf(const std::vector<StageTimes>& runs) {
  StageTimes out = runs.front();
  for (size_t s = 0; s < out.rows.size(); ++s) {
    std::vector<double> v;
    for (const StageTimes& r : runs) v.push_back(r.rows[s].second);
    out.rows[s].second = median(v);
  }
  std::vector<double> wholes;
  std::vector<double> works;
  for (const StageTimes& r : runs) wholes.push_back(r.whole), works.push_back(r.work);
  out.whole = median(wholes);
  out.work = median(works);
  return out;
}

double msSince(Clock::time_point t) {
  return std::chrono::duration<double, std::milli>(Clock::now() - t).count();
}

// One build stage by stage, as memorizza_percorso runs them; placeTexts puts the two source
// texts (and with the built-in scenario the three documents) in the folder, and is timed as
// "texts" when timeTexts is set.
StageTimes stages(const fs::path& folder, const std::function<void(const Build&)>& placeTexts,
                  bool timeTexts, int runs) {
  const char* names[] = {"texts",     "line reader", "train reader",
                         "post-pass", "stamp",       "write the compiled files"};
  std::vector<std::vector<double>> t(std::size(names));
  std::vector<double> sums, works;
  for (int i = 0; i < runs + kWarmupPairs; ++i) {
    std::optional<Build> b(std::in_place, folder, kScenarioName, kTrainNumber, 1);
    std::vector<double> ms;
    auto at = Clock::now();
    placeTexts(*b);
    ms.push_back(timeTexts ? msSince(at) : 0);
    at = Clock::now();
    b->records.setNameSlots(b->files.scenarioName, b->files.trainNumber);
    const LineReading line = readLineDescription(*b);
    ms.push_back(msSince(at));
    at = Clock::now();
    if (line.trainFollows) readTrainDescription(*b, line);
    ms.push_back(msSince(at));
    at = Clock::now();
    postPass(*b);
    ms.push_back(msSince(at));
    at = Clock::now();
    if (stampScenario(*b) != 0) die("the stamp refused the model");
    ms.push_back(msSince(at));
    at = Clock::now();
    std::vector<fs::path> written;
    writeCompiledFiles(*b, written);
    ms.push_back(msSince(at));
    if (b->error.errorNumber != 0) die("error " + std::to_string(b->error.errorNumber));
    b.reset();  // the program ends here: freeing the model is not a stage
    if (i < kWarmupPairs) continue;
    double sum = 0;
    for (size_t s = 0; s < ms.size(); ++s) t[s].push_back(ms[s]), sum += ms[s];
    sums.push_back(sum);
    works.push_back(sum - ms.front() - ms.back());  // without the texts and the writing
  }
  StageTimes out;
  for (size_t s = 0; s < std::size(names); ++s) {
    if (s == 0 && !timeTexts) continue;
    out.rows.emplace_back(names[s], median(t[s]));
  }
  out.whole = median(sums);
  out.work = median(works);
  return out;
}

// The compile alone (memorizza_percorso) of the texts that placeTexts puts in the folder.
double compileMs(const fs::path& folder, const std::function<void(const Build&)>& placeTexts,
                 int runs) {
  std::vector<double> ms;
  for (int i = 0; i < runs + kWarmupPairs; ++i) {
    std::optional<Build> b(std::in_place, folder, kScenarioName, kTrainNumber, 1);
    placeTexts(*b);
    auto at = Clock::now();
    CompileOutcome outcome = memorizza_percorso(*b);
    double t = msSince(at);
    if (outcome.end != CompileOutcome::End::Written || b->error.errorNumber != 0) {
      die("the compile in " + folder.string() + " ends with error " +
          std::to_string(b->error.errorNumber));
    }
    b.reset();
    if (i >= kWarmupPairs) ms.push_back(t);
  }
  return median(ms);
}

// --- the machine -------------------------------------------------------------------------------

std::string firstLineWith(const char* file, const std::string& key) {
  std::ifstream in(file);
  for (std::string line; std::getline(in, line);) {
    if (line.rfind(key, 0) == 0) {
      size_t colon = line.find(':');
      return colon == std::string::npos ? line : line.substr(colon + 2);
    }
  }
  return "?";
}

std::string loadAverage() {
  std::ifstream in("/proc/loadavg");
  std::string one, five;
  in >> one >> five;
  return one + " (1 min), " + five + " (5 min)";
}

// --- the table ---------------------------------------------------------------------------------

struct Paths {
  fs::path program = SC_PROGRAM;
  fs::path floor = SC_IO_FLOOR;
  fs::path compileOnce = SC_COMPILE_ONCE;
};

fs::path makeFolder(const fs::path& root, const std::string& name) {
  fs::path f = root / name;
  fs::create_directories(f);
  return f;
}

std::string sizeOf(const fs::path& p) {
  return std::to_string(fs::file_size(p));
}

void row(const char* what, const std::string& figures, const char* goal,
         const std::string& verdict) {
  std::printf("  %-40s %-44s %-22s %s\n", what, figures.c_str(), goal, verdict.c_str());
}

std::string ms(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.2f ms", v);
  return buf;
}

std::string fixed(const char* format, double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, format, v);
  return buf;
}

const char* verdict(bool met) {
  return met ? "met" : "NOT MET";
}

void shareTable(const char* title, const StageTimes& s, double wholeProcess) {
  std::printf(
      "\n  stages of the %s (in-process medians; share of its whole-process median "
      "%.2f ms):\n",
      title, wholeProcess);
  for (const auto& [name, t] : s.rows) {
    std::printf("    %-36s %8.3f ms  %5.1f%%\n", name.c_str(), t, 100 * t / wholeProcess);
  }
  std::printf("    %-36s %8.3f ms  %5.1f%%\n", "start, model, exit (the rest)",
              wholeProcess - s.whole, 100 * (wholeProcess - s.whole) / wholeProcess);
}

int runTable(int pairs) {
  const Paths paths;
  std::string templ = (fs::temp_directory_path() / "sc-bench-XXXXXX").string();
  if (::mkdtemp(templ.data()) == nullptr) die("cannot create a temporary folder");
  const fs::path root = templ;

  std::printf(
      "Benchmark table: %d pairs of whole-process runs after %d warm-up pairs, A and B "
      "in turn\n",
      pairs, kWarmupPairs);
  std::printf("machine: %s, %ld processors online; load average at the start %s\n",
              firstLineWith("/proc/cpuinfo", "model name").c_str(), ::sysconf(_SC_NPROCESSORS_ONLN),
              loadAverage().c_str());
  std::printf("\n  %-40s %-44s %-22s %s\n", "", "figures (medians)", "goal", "");

  // The default build in a folder of its own (its program folder), against the floor of the
  // same eight files in another.
  const fs::path programFolder = makeFolder(root, "program");
  const fs::path program = programFolder / "scenario-compactor";
  fs::copy_file(paths.program, program);
  Command defaultBuild{{program.string()}, programFolder};
  runOk(defaultBuild);
  ScenarioFiles files{programFolder, kScenarioName, kTrainNumber};
  const std::string lineText = renderLineList(makeLineList(lineDescriptionText()));
  const std::string trainText = renderLineList(makeLineList(trainDescriptionText()));
  const fs::path floorFolder = makeFolder(root, "floor");
  Command defaultFloor{
      {paths.floor.string(), "default", floorFolder.string(), std::to_string(lineText.size()),
       std::to_string(trainText.size()), sizeOf(files.notes()), sizeOf(files.slowdownOrder()),
       sizeOf(files.timetableCard()), sizeOf(files.planFile()), sizeOf(files.recordFile()),
       sizeOf(files.cellFile())},
      floorFolder};
  Pairing d = sideBySide(defaultBuild, defaultFloor, pairs);
  row("default build vs its I/O floor",
      ms(d.aMs) + " vs " + ms(d.bMs) + ": " + fixed("%.2fx", d.ratio), "<= 1.2x",
      verdict(d.ratio <= 1.2));

  // The compile stage of the default build alone, in this process.
  const fs::path stageFolder = makeFolder(root, "stages");
  auto builtInTexts = [](const Build& b) {
    dati_linea(b.files);
    dati_treno(b.files);
    dati_note(b.files);
    dati_rallentamenti(b.files);
    dati_scheda(b.files);
  };
  const double compileStage = compileMs(stageFolder, builtInTexts, pairs);
  row("compile stage of the default build", ms(compileStage) + " (in-process)", "", "");

  // check of the built-in texts, when the program has that command.
  if (hasSubcommand(program, root, "check")) {
    const fs::path checkFolder = makeFolder(root, "check");
    replaceFile(checkFolder / "Torvel_Dolvera_linea.txt", lineText);
    replaceFile(checkFolder / "Torvel_Dolvera_565-.txt", trainText);
    Command check{
        {program.string(), "check", "Torvel_Dolvera_linea.txt", "Torvel_Dolvera_565-.txt"},
        checkFolder};
    if (int status = runOnce(check).status; status != 0) {
      row("check of the built-in texts",
          "-- `check LINE TRAIN` ended with status " + std::to_string(status) + ": fill in --",
          "< 10 ms", "");
    } else {
      Pairing c = sideBySide(check, defaultBuild, pairs);
      row("check of the built-in texts", ms(c.aMs) + " (whole process)", "< 10 ms",
          verdict(c.aMs < 10));
      row("check vs the compile stage alone", fixed("%.2fx", c.aMs / compileStage), "<= 1.2x",
          verdict(c.aMs / compileStage <= 1.2));
    }
  } else {
    row("check of the built-in texts", "-- no check command in this build: fill in --", "< 10 ms",
        "");
    row("check vs the compile stage alone", "-- (check ms / the compile stage above) --", "<= 1.2x",
        "");
  }

  // The generated compiles: the library's compile as a whole process (sc_compile_once in a
  // folder holding the two texts, which it reads and deletes), against the floor that reads
  // and deletes the same texts and delivers the same three files.
  auto generated = [&](int32_t length) {
    const fs::path sources = makeFolder(root, "sources-" + std::to_string(length));
    GeneratedScenario g = generateScenario(length);
    replaceFile(sources / "Torvel_Dolvera_linea.txt", g.line);
    replaceFile(sources / "Torvel_Dolvera_565-.txt", g.train);
    return sources;
  };
  auto linkTexts = [](const fs::path& from, const fs::path& to) {
    return [from, to] {
      for (const char* name : {"Torvel_Dolvera_linea.txt", "Torvel_Dolvera_565-.txt"}) {
        std::error_code ec;
        fs::remove(to / name, ec);
        fs::create_hard_link(from / name, to / name);
      }
    };
  };
  const fs::path longSources = generated(kLongLength);
  const fs::path longFolder = makeFolder(root, "compile");
  const fs::path longFloorFolder = makeFolder(root, "compile-floor");
  Command longCompile{{paths.compileOnce.string(), longFolder.string()},
                      longFolder,
                      linkTexts(longSources, longFolder)};
  runOk(longCompile);
  ScenarioFiles longFiles{longFolder, kScenarioName, kTrainNumber};
  Command longFloor{
      {paths.floor.string(), "compile", longFloorFolder.string(), sizeOf(longFiles.planFile()),
       sizeOf(longFiles.recordFile()), sizeOf(longFiles.cellFile())},
      longFloorFolder,
      linkTexts(longSources, longFloorFolder)};
  Pairing l = sideBySide(longCompile, longFloor, pairs);
  row("1000000 m compile vs its I/O floor",
      ms(l.aMs) + " vs " + ms(l.bMs) + ": " + fixed("%.2fx", l.ratio), "<= 1.3x",
      verdict(l.ratio <= 1.3));
  // The same texts through the command line (which works on copies in a private folder), for
  // reference beside the same floor.
  const fs::path cliFolder = makeFolder(root, "compile-cli");
  Command cliCompile{
      {program.string(), "compile", (longSources / "Torvel_Dolvera_linea.txt").string(),
       (longSources / "Torvel_Dolvera_565-.txt").string(), "-o", cliFolder.string()},
      cliFolder};
  Pairing cli = sideBySide(cliCompile, longFloor, pairs);
  row("  the same by `scenario-compactor compile`",
      ms(cli.aMs) + " vs " + ms(cli.bMs) + ": " + fixed("%.2fx", cli.ratio) + " (reference)", "",
      "");
  row("peak memory of the 1000000 m compile",
      fixed("%.1f MiB", l.aPeakKiB / 1024.0) + " (largest of its runs)", "< 32 MiB",
      verdict(l.aPeakKiB < 32 * 1024));

  // Time per km: the compile's own work (readers, post-pass, stamp) in this process, the two
  // lengths in turn, in a folder in memory (tmpfs) where there is one. On the disk, deleting a
  // source text waits for the journal, which other processes' flushes hold for milliseconds
  // at a time; that and the delivery's flushes are fixed costs that would hide the slope. The
  // whole processes follow for reference.
  const fs::path shortSources = generated(kShortLength);
  const fs::path shortFolder = makeFolder(root, "compile-short");
  std::string memTempl = "/dev/shm/sc-bench-XXXXXX";
  const fs::path memRoot = ::mkdtemp(memTempl.data()) != nullptr ? fs::path(memTempl) : root;
  const fs::path shortStageFolder = makeFolder(memRoot, "stages-short");
  const fs::path longStageFolder = makeFolder(memRoot, "stages-long");
  auto copyFrom = [](const fs::path& from, const fs::path& to) {
    return [from, to](const Build&) {
      for (const char* name : {"Torvel_Dolvera_linea.txt", "Torvel_Dolvera_565-.txt"}) {
        fs::copy_file(from / name, to / name, fs::copy_options::overwrite_existing);
      }
    };
  };
  StageTimes shortStages, longStages;
  {
    std::vector<StageTimes> shortRuns, longRuns;
    for (int i = 0; i < pairs; ++i) {
      // The short compile takes a tenth of the time: more runs of it steady its median.
      shortRuns.push_back(
          stages(shortStageFolder, copyFrom(shortSources, shortStageFolder), false, 5));
      longRuns.push_back(stages(longStageFolder, copyFrom(longSources, longStageFolder), false, 1));
    }
    shortStages = medianOf(shortRuns);
    longStages = medianOf(longRuns);
  }
  if (memRoot != root) fs::remove_all(memRoot);
  const double computeShort = shortStages.work / (kShortLength / 1000.0);
  const double computeLong = longStages.work / (kLongLength / 1000.0);
  row("compile per km, 100000 vs 1000000 m",
      fixed("%.4f", computeShort) + " vs " + fixed("%.4f ms/km", computeLong) + ": " +
          fixed("%.2fx", computeShort / computeLong),
      "within 10%", verdict(std::abs(computeShort / computeLong - 1) <= 0.10));
  row(memRoot != root ? "  (readers to stamp, texts in memory)" : "  (readers to stamp)", "", "",
      "");
  Command shortCompile{{paths.compileOnce.string(), shortFolder.string()},
                       shortFolder,
                       linkTexts(shortSources, shortFolder)};
  Pairing k = sideBySide(shortCompile, longCompile, pairs);
  row("  whole processes per km (for reference)",
      fixed("%.4f", k.aMs / (kShortLength / 1000.0)) + " vs " +
          fixed("%.4f ms/km", k.bMs / (kLongLength / 1000.0)),
      "", "");

  // Start-up: the shortest run of the program (its help), headless.
  Command start{{program.string(), "--help"}, programFolder};
  Command processFloor{{"/bin/true"}, programFolder};
  Pairing st = sideBySide(start, processFloor, pairs);
  row("start-up, headless (a run of --help)",
      ms(st.aMs) + " (/bin/true beside it: " + ms(st.bMs) + ")", "< 2 ms", verdict(st.aMs < 2));

  // Each stage's share, in this process.
  const StageTimes defaultStages = stages(stageFolder, builtInTexts, true, pairs);
  shareTable("default build", defaultStages, d.aMs);
  const fs::path longDiskFolder = makeFolder(root, "stages-long");
  auto linkFrom = [&linkTexts](const fs::path& from, const fs::path& to) {
    return [place = linkTexts(from, to)](const Build&) { place(); };
  };
  shareTable("1000000 m compile",
             stages(longDiskFolder, linkFrom(longSources, longDiskFolder), false, pairs), l.aMs);

  std::printf("\nload average at the end %s\n", loadAverage().c_str());
  std::error_code ec;
  fs::remove_all(root, ec);
  return 0;
}

}  // namespace
}  // namespace sc::bench

int main(int argc, char** argv) {
  int pairs = argc > 1 ? std::atoi(argv[1]) : 15;
  if (pairs < 1 || pairs > 200) {
    std::fprintf(stderr, "usage: sc_bench_table [PAIRS (1 to 200, default 15)]\n");
    return 64;
  }
  // Large blocks always come fresh from the system, as in a new process: without this the
  // allocator keeps them after the first run and the stages measured here would skip the
  // page faults that every real run pays.
  ::mallopt(M_MMAP_THRESHOLD, 128 * 1024);
  ::mallopt(M_TRIM_THRESHOLD, 128 * 1024);
  try {
    return sc::bench::runTable(pairs);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "sc_bench_table: %s\n", e.what());
    return 1;
  }
}

// Compiles the generated scenario of a given length (1000000 m by default) once, with the plan
// table, in a temporary folder, and prints its peak resident memory. bench/peak_rss.sh runs it
// under /usr/bin/time -v.
#include <stdlib.h>
#include <sys/resource.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "compiler/build.h"
#include "compiler/compiler.h"
#include "compiler/file_io.h"
#include "driver/driver.h"
#include "scenario_generator.h"

int main(int argc, char** argv) {
  namespace fs = std::filesystem;
  const int32_t length = argc > 1 ? std::stoi(argv[1]) : 1000000;
  std::string templ = (fs::temp_directory_path() / "sc-once-XXXXXX").string();
  if (::mkdtemp(templ.data()) == nullptr) {
    std::perror("sc_compile_once: cannot create a temporary folder");
    return 1;
  }
  const fs::path folder = templ;
  int status = 0;
  {
    sc::Build b(folder, sc::kScenarioName, sc::kTrainNumber, 1);
    {
      sc::bench::GeneratedScenario texts = sc::bench::generateScenario(length);
      sc::replaceFile(b.files.lineDescription(), texts.line);
      sc::replaceFile(b.files.trainDescription(), texts.train);
    }
    sc::CompileOutcome outcome = sc::memorizza_percorso(b);
    if (outcome.end != sc::CompileOutcome::End::Written || b.error.errorNumber != 0) {
      std::fprintf(stderr, "sc_compile_once: error %d\n", b.error.errorNumber);
      status = 1;
    }
    std::printf("compiled %d m: %lld cells, plan file %lld bytes\n", length,
                static_cast<long long>(b.track.trackCells.size()),
                static_cast<long long>(fs::file_size(b.files.planFile())));
  }
  struct rusage usage {};
  ::getrusage(RUSAGE_SELF, &usage);
  std::printf("peak resident memory: %ld KiB\n", usage.ru_maxrss);
  std::error_code ec;
  fs::remove_all(folder, ec);
  return status;
}

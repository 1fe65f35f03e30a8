// One compile of the two source texts that lie in FOLDER (the library's memorizza_percorso,
// with the plan table), as a process of its own: the benchmark table times it whole and reads
// its peak memory from the kernel. The readers delete the texts, as in every build.
//
//   sc_compile_once FOLDER
#include <cstdio>

#include "compiler/build.h"
#include "compiler/compiler.h"
#include "compiler/file_io.h"
#include "driver/driver.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: sc_compile_once FOLDER\n");
    return 64;
  }
  try {
    sc::Build b(argv[1], sc::kScenarioName, sc::kTrainNumber, 1);
    sc::CompileOutcome outcome = sc::memorizza_percorso(b);
    if (outcome.end != sc::CompileOutcome::End::Written || b.error.errorNumber != 0) {
      std::fprintf(stderr, "sc_compile_once: error %d\n", b.error.errorNumber);
      return 1;
    }
  } catch (const sc::FileError& e) {
    std::fprintf(stderr, "sc_compile_once: %s\n", e.what());
    return 3;
  }
  return 0;
}

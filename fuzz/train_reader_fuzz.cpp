// The train reader: the built-in line description with the input as the train description,
// compiled through memorizza_percorso in a private folder. The plan flag stays clear: the train
// reader does not look at it, and the built-in line's 365001-row plan would make every run
// slow. Every run is checked by compileAndCheck.
#include <cstdint>
#include <string_view>

#include "harness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view train(reinterpret_cast<const char*>(data), size);
  sc::fuzz::compileAndCheck(sc::fuzz::builtInLineText(), train, 0);
  return 0;
}

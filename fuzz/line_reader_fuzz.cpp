// The line reader: the input is the line description (after one control byte), compiled with
// the built-in train description through memorizza_percorso in a private folder. The control
// byte's low three bits all set ask for the plan table, which is granted only when no number
// of the text exceeds 50000 (see planRunAllowed): longer routes run without the plan, so a run
// stays short. Every run is checked by compileAndCheck.
#include <cstdint>
#include <string_view>

#include "harness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const std::string_view line(reinterpret_cast<const char*>(data + 1), size - 1);
  sc::fuzz::compileAndCheck(line, sc::fuzz::builtInTrainText(),
                            sc::fuzz::chooseBuildFlag(data[0], line));
  return 0;
}

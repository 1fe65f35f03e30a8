// The whole compile from a pair of texts. Input: one control byte, the line description, the
// separator "@@@@", the train description (an input without the separator has an empty train
// description). The control byte's low three bits all set ask for the plan table, granted only
// when no number of the line text exceeds 50000 (see planRunAllowed), so that runs stay short.
// Every run is checked by compileAndCheck.
#include <cstdint>
#include <string_view>

#include "harness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  sc::fuzz::TextPair texts;
  if (sc::fuzz::splitTextPair(data, size, texts)) {
    sc::fuzz::compileAndCheck(texts.line, texts.train, texts.buildFlag);
  }
  return 0;
}

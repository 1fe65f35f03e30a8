// The whole compile from a pair of texts. Input: one control byte, the line description, the
// separator "@@@@", the train description (an input without the separator has an empty train
// description). The control byte's low three bits all set ask for the plan table, granted only
// when no number of the line text exceeds 50000 (see planRunAllowed), so that runs stay short.
// Every run is checked by compileAndCheck.
#include <cstdint>
#include <string_view>

#include "harness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const std::string_view both(reinterpret_cast<const char*>(data + 1), size - 1);
  constexpr std::string_view kSeparator = "@@@@";
  const size_t at = both.find(kSeparator);
  const std::string_view line = both.substr(0, at);
  const std::string_view train =
      at == std::string_view::npos ? std::string_view() : both.substr(at + kSeparator.size());
  sc::fuzz::compileAndCheck(line, train, sc::fuzz::chooseBuildFlag(data[0], line));
  return 0;
}

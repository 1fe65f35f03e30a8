// Shared harness of the fuzz targets: runs whole compiles in a private temporary folder and
// checks, after every run, what must hold whatever the texts held. A violated property aborts
// with a message on standard error, which libFuzzer reports as a crash with the input.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace sc::fuzz {

// Routes longer than this are never compiled with the plan table: the plan has one row per
// metre, and a fuzz run must stay in the milliseconds.
constexpr int64_t kPlanRunMaxNumber = 50000;

// The built-in texts, as the build writes them.
const std::string& builtInLineText();
const std::string& builtInTrainText();

// Whether a line text may be compiled with the plan table: every run of digits in it stands
// for at most kPlanRunMaxNumber, so no length row (nor anything else) asks for a longer route.
// The test is on the raw bytes and errs on the safe side.
bool planRunAllowed(std::string_view lineText);

// The plan flag chosen by a fuzz input's control byte: set when its low three bits are all 1
// (one run in eight) and the line text allows it.
int32_t chooseBuildFlag(uint8_t control, std::string_view lineText);

// A whole-compile input: one control byte, the line description, the separator "@@@@", the
// train description (an input without the separator has an empty train description).
struct TextPair {
  std::string_view line;
  std::string_view train;
  int32_t buildFlag = 0;  // chosen by the control byte (chooseBuildFlag)
};
constexpr std::string_view kTextSeparator = "@@@@";
// False for an empty input.
bool splitTextPair(const uint8_t* data, size_t size, TextPair& out);

// Writes the two texts into a fresh working folder, runs memorizza_percorso there and checks
// every property of the outcome (see harness.cpp). Aborts on a violation.
void compileAndCheck(std::string_view lineText, std::string_view trainText, int32_t buildFlag);

// Reports a violated property and aborts.
[[noreturn]] void violation(const std::string& what);

}  // namespace sc::fuzz

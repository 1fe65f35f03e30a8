// Inputs found by fuzzing and by the hardening work, kept as regression tests: each runs a
// whole compile on the texts that showed the fault and checks the outcome.
#include <gtest/gtest.h>

#include <string>

#include "compiler/compiled_files.h"
#include "compiler/compiler.h"
#include "compiler/file_io.h"
#include "test_support.h"

namespace sc {
namespace {

using test::spit;
using test::TempDir;

std::string crlfLines(const std::vector<std::string>& lines) {
  std::string out;
  for (const std::string& l : lines) out += l + "\r\n";
  return out;
}

// A line text whose general section repeats the length row: the last row's length sizes the
// model (cells and plan table). Hardening input: when every length row makes a plan table of
// its own (17 MB for 1000000 m), 2000 such rows (54 KB of text) take a minute and a half.
TEST(Regression, RepeatedLengthRowsLeaveTheLastRowsModel) {
  std::vector<std::string> lines{"[generale]"};
  for (int i = 0; i < 10; ++i) lines.push_back("lunghezza percorso, 1000000");
  lines.push_back("lunghezza percorso, 20000");
  lines.push_back("[curve]");
  lines.push_back("curvad1, 1000, 500");
  lines.push_back("[fine]");
  lines.push_back("");
  TempDir dir;
  Build b(dir.path(), "S", "T", 1);
  spit(b.files.lineDescription(), crlfLines(lines));
  spit(b.files.trainDescription(), crlfLines({"[generale]", "[fine]", ""}));

  CompileOutcome outcome = memorizza_percorso(b);

  ASSERT_EQ(outcome.end, CompileOutcome::End::Written);
  EXPECT_EQ(b.error.errorNumber, 0);
  EXPECT_EQ(b.records.routeLength(), 20000);
  EXPECT_EQ(b.track.trackCells.size(), static_cast<size_t>(lastCellOf(20000)) + 1);
  ASSERT_TRUE(b.track.trackPlan);
  EXPECT_EQ(b.track.trackPlan->rows(), modelLengthOf(20000) + 1);
  EXPECT_EQ(readFile(b.files.planFile()).size(), completePlanFileBytes(modelLengthOf(20000)));
}

// A line reader that stops after the length row still leaves its plan table, every entry empty.
TEST(Regression, StopAfterTheLengthRowWritesAnEmptyPlan) {
  TempDir dir;
  Build b(dir.path(), "S", "T", 1);
  spit(b.files.lineDescription(), crlfLines({"[generale]", "lunghezza percorso, 1000",
                                             "ripetizione segnali 4 codici, 25, 0", "[fine]", ""}));
  spit(b.files.trainDescription(), crlfLines({"[generale]", "[fine]", ""}));

  CompileOutcome outcome = memorizza_percorso(b);

  ASSERT_EQ(outcome.end, CompileOutcome::End::Written);
  EXPECT_EQ(b.error.errorNumber, err::RepetitionStart);
  EXPECT_EQ(readFile(b.files.planFile()), std::string(4u * (modelLengthOf(1000) + 1), '\0'));
}

}  // namespace
}  // namespace sc

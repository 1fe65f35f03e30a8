#include "compiler/decompiler.h"

#include <gtest/gtest.h>

#include "compiler/compiled_files.h"
#include "compiler/compiler.h"
#include "driver/driver.h"
#include "driver/platform.h"
#include "test_support.h"

namespace sc {
namespace {

namespace fs = std::filesystem;

// The compiled files of a build, decoded as the decompiler reads them.
CompiledModel modelOf(const ScenarioFiles& files, bool withPlan) {
  CompiledModel m;
  m.scenarioName = files.scenarioName;
  m.trainNumber = files.trainNumber;
  EXPECT_EQ(decodeRecords(test::slurp(files.recordFile()), m.records), "");
  EXPECT_EQ(decodeCells(test::slurp(files.cellFile()), m.cells), "");
  if (withPlan) {
    EXPECT_EQ(decodePlan(test::slurp(files.planFile()), m.planX, m.planY), "");
  }
  return m;
}

// Decompiles the build's files, compiles the texts again (in memory) and requires the same
// bytes in all three files.
void expectRoundTrip(const ScenarioFiles& files, int32_t buildFlag) {
  const CompiledModel m = modelOf(files, buildFlag != 0);
  const Decompiled d = decompile(m);
  for (const Difference& diff : d.differences) {
    ADD_FAILURE() << partName(diff.part) << " " << diff.index << " " << diff.field << ": "
                  << diff.input << " / " << diff.roundTrip << " (" << diff.why << ")";
  }
  Build again({}, files.scenarioName, files.trainNumber, buildFlag);
  again.held = Build::HeldTexts{d.lineText, d.trainText};
  ASSERT_EQ(compileModel(again).end, CompileOutcome::End::Written);
  EXPECT_EQ(encodeRecords(again.records), test::slurp(files.recordFile()));
  EXPECT_EQ(encodeCells(again.track.trackCells), test::slurp(files.cellFile()));
  if (buildFlag != 0) {
    std::string storage;
    EXPECT_EQ(planFileBytes(*again.track.trackPlan, storage), test::slurp(files.planFile()));
  }
}

TEST(Decompiler, DefaultBuildComesBackByteForByte) {
  test::TempDir dir;
  auto platform = makeHeadlessPlatform();
  std::ostringstream err;
  ASSERT_EQ(runDefaultBuild(*platform, dir.path(), err), kExitClean) << err.str();
  expectRoundTrip(ScenarioFiles{dir.path(), kScenarioName, kTrainNumber}, 1);
}

TEST(Decompiler, GoldenFixturesComeBackByteForByte) {
  const fs::path fixtures = fs::path(SC_SOURCE_DIR) / "tests" / "fixtures";
  // Crowded's post-pass records a fault and writes its files all the same.
  for (auto [name, flag] : {std::pair{"Short", 1}, {"Short", 0}, {"Crowded", 1}}) {
    SCOPED_TRACE(std::string(name) + " flag " + std::to_string(flag));
    test::TempDir dir;
    Build b(dir.path(), name, "1", flag);
    fs::copy_file(fixtures / (std::string(name) + "_linea.txt"), b.files.lineDescription());
    fs::copy_file(fixtures / (std::string(name) + "_1-.txt"), b.files.trainDescription());
    ASSERT_EQ(memorizza_percorso(b).end, CompileOutcome::End::Written);
    expectRoundTrip(b.files, flag);
  }
}

// Values that need a reading of their own: a signal time from 1 to 100 (raised to 101 by a
// row), a mountain type above 10 without markers, a reduction point without a value, a
// kilometre reference whose third number is 1, a speed pair whose sides differ, and a station
// stop written over a speed board, whose values 2 to 4 stay, and a signal in cell 1, whose
// value1 and value2 the stamp then holds.
TEST(Decompiler, ValuesThatNeedTheirOwnReading) {
  test::TempDir dir;
  Build b(dir.path(), "Edge", "7", 0);
  test::spit(b.files.lineDescription(),
             test::crlf({"[generale]", "lunghezza percorso, 5000",
                         "progressiva chilometrica uno, 1000, 0, 1",
                         "progressiva chilometrica due, 3000, 200, 0",
                         "progressiva chilometrica tre, 2000, 500, 1", "sfondo uno, 2",
                         "sfondo due, 3", "sfondo tre, 4", "ripetizione segnali 9 codici, 0, 4000",
                         "[montagne]", "montagna, 1000, 2000, -243",
                         "indicatori_vmax, 3000, 100, 60, 75, 3, 150, 60, 80, 1", "[fine]", ""}));
  test::spit(b.files.trainDescription(),
             test::crlf({"[generale]",
                         "stazione, 2900, 2, 400, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 8, 0, 0, ALFA",
                         "segnale, 0, 2, 0, 0, 3, 0, 1, 0, 0, 6, 0",
                         "segnale, 2000, 2, 1, 2, 3, 1, 1, 4, 5, 6, 300", "abbattimento, 3500, 0",
                         "abbattimento, 4000, 65535", "[fine]", ""}));
  ASSERT_EQ(memorizza_percorso(b).end, CompileOutcome::End::Written);
  ASSERT_EQ(b.error.errorNumber, 0);
  expectRoundTrip(b.files, 0);
}

TEST(Decompiler, SaysWhatNoRowGivesBack) {
  test::TempDir dir;
  Build b(dir.path(), "Short", "1", 0);
  const fs::path fixtures = fs::path(SC_SOURCE_DIR) / "tests" / "fixtures";
  fs::copy_file(fixtures / "Short_linea.txt", b.files.lineDescription());
  fs::copy_file(fixtures / "Short_1-.txt", b.files.trainDescription());
  ASSERT_EQ(memorizza_percorso(b).end, CompileOutcome::End::Written);
  CompiledModel m = modelOf(b.files, false);
  m.cells[100].approachCode = 7;           // no signal or station writes it
  m.records[kRecordService].position = 5;  // repetition codes are 4 or 9
  m.records[80].text = "a, b";             // a comma ends a field
  const Decompiled d = decompile(m);
  ASSERT_EQ(d.differences.size(), 3u);
  EXPECT_EQ(d.differences[0].part, CompiledPart::Records);
  EXPECT_EQ(d.differences[0].index, 80);
  EXPECT_NE(d.differences[0].why.find("comma"), std::string::npos);
  EXPECT_EQ(d.differences[1].index, kRecordService);
  EXPECT_NE(d.differences[1].why.find("4 or 9"), std::string::npos);
  EXPECT_EQ(d.differences[2].index, 100);
  EXPECT_EQ(d.differences[2].field, "approachCode");
  EXPECT_NE(d.differences[2].why.find("approach codes follow"), std::string::npos);
}

}  // namespace
}  // namespace sc

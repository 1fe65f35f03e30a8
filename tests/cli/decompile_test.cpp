#include <gtest/gtest.h>

#include <sstream>

#include "cli_support.h"
#include "compiler/compiled_files.h"
#include "driver/driver.h"
#include "driver/platform.h"

namespace sc::test {
namespace {

namespace fs = std::filesystem;

class Decompile : public ::testing::Test {
 protected:
  void SetUp() override {
    auto platform = makeHeadlessPlatform();
    std::ostringstream err;
    ASSERT_EQ(runDefaultBuild(*platform, built.path(), err), 0) << err.str();
  }
  // The compiled files' folder of the default build, and its files.
  TempDir built;
  TempDir scratch;
  ScenarioFiles files{built.path(), kScenarioName, kTrainNumber};
};

// decompile, then compile the texts it wrote: the same three files, byte for byte.
TEST_F(Decompile, DefaultBuildRoundTripsAndCompilesToTheSameFiles) {
  Outcome r = run("decompile " + q(built.path()), scratch.path());
  ASSERT_EQ(r.status, 0) << r.err << r.out;
  EXPECT_NE(r.out.find("round trip: identical"), std::string::npos) << r.out;
  ASSERT_TRUE(fs::exists(files.lineDescription()));
  ASSERT_TRUE(fs::exists(files.trainDescription()));
  for (const auto& e : fs::directory_iterator(built.path())) {
    EXPECT_EQ(e.path().filename().string().rfind(".scenario-compactor", 0), std::string::npos);
  }

  const fs::path out = scratch / "out";
  r = run(
      "compile " + q(files.lineDescription()) + " " + q(files.trainDescription()) + " -o " + q(out),
      scratch.path());
  ASSERT_EQ(r.status, 0) << r.err;
  ScenarioFiles again{out, kScenarioName, kTrainNumber};
  EXPECT_EQ(slurp(again.planFile()), slurp(files.planFile()));
  EXPECT_EQ(slurp(again.recordFile()), slurp(files.recordFile()));
  EXPECT_EQ(slurp(again.cellFile()), slurp(files.cellFile()));

  // The texts now there are those it writes: a second run may replace them.
  EXPECT_EQ(run("decompile " + q(built.path()), scratch.path()).status, 0);
}

TEST_F(Decompile, TextsThatDifferAreReplacedOnlyWithForce) {
  spit(files.trainDescription(), "an author's edits\r\n");
  Outcome r = run("decompile " + q(built.path()), scratch.path());
  EXPECT_EQ(r.status, 64);
  EXPECT_NE(r.err.find("give --force"), std::string::npos) << r.err;
  EXPECT_EQ(slurp(files.trainDescription()), "an author's edits\r\n");
  EXPECT_FALSE(fs::exists(files.lineDescription()));
  EXPECT_EQ(run("decompile --force " + q(built.path()), scratch.path()).status, 0);
}

TEST_F(Decompile, CutCellFileIsRefusedWithInspectsMessage) {
  std::string cells = slurp(files.cellFile());
  spit(files.cellFile(), cells.substr(0, cells.size() - 7));
  Outcome r = run("decompile " + q(built.path()) + " -o " + q(scratch / "texts"), scratch.path());
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("inspect's checks"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find(files.cellFile().filename().string()), std::string::npos) << r.err;
  EXPECT_FALSE(fs::exists(scratch / "texts"));
}

// An approach code that no row writes: the texts are written, the field is listed, exit 1.
TEST_F(Decompile, FieldNoRowGivesIsListed) {
  std::vector<TrackCell> cells;
  ASSERT_EQ(decodeCells(slurp(files.cellFile()), cells), "");
  ASSERT_EQ(cells[5].approachCode, 0);
  cells[5].approachCode = 7;
  spit(files.cellFile(), encodeCells(cells));
  Outcome r = run("decompile " + q(built.path()) + " -o " + q(scratch / "texts"), scratch.path());
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_NE(r.out.find("round trip: 1 field differs"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Torvel_Dolvera_565.dat: cell 5 approachCode: 7 in the input, 0 after the "
                       "round trip (approach codes follow"),
            std::string::npos)
      << r.out;
  EXPECT_TRUE(fs::exists(scratch / "texts" / "Torvel_Dolvera_linea.txt"));
}

}  // namespace
}  // namespace sc::test

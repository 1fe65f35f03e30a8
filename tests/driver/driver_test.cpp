#include "driver/driver.h"

#include <gtest/gtest.h>

#include <sstream>
#include <vector>

#include "compiler/compiled_files.h"
#include "test_support.h"

namespace sc {
namespace {

// Records what the driver asks of the platform, in order.
class RecordingPlatform : public Platform {
 public:
  std::vector<std::string> calls;
  void showWaitingWindow() override { calls.push_back("show"); }
  void closeWaitingWindow() override { calls.push_back("close"); }
  void messageBox(const std::string& text) override { calls.push_back("box:" + text); }
};

const char* const kOutputs[] = {
    "Torvel_Dolvera_linea.dat",
    "Torvel_Dolvera_565.sim",
    "Torvel_Dolvera_565.dat",
    "Torvel_Dolvera_565_scheda_treno.txt",
    "Torvel_Dolvera_565_rallentamenti.txt",
    "Torvel_Dolvera_565_note.txt",
};

TEST(Driver, DefaultBuildLeavesDocumentsAndCompiledFilesOnly) {
  test::TempDir dir;
  RecordingPlatform platform;
  std::ostringstream err;
  EXPECT_EQ(runDefaultBuild(platform, dir.path(), err), kExitClean) << err.str();
  EXPECT_EQ(err.str(), "");
  EXPECT_EQ(platform.calls, (std::vector<std::string>{"show", "close"}));
  for (const char* name : kOutputs) EXPECT_TRUE(std::filesystem::exists(dir / name)) << name;
  EXPECT_FALSE(std::filesystem::exists(dir / "Torvel_Dolvera_linea.txt"));
  EXPECT_FALSE(std::filesystem::exists(dir / "Torvel_Dolvera_565-.txt"));
  EXPECT_EQ(std::filesystem::file_size(dir / "Torvel_Dolvera_565.dat"), 109515u);
  EXPECT_EQ(std::filesystem::file_size(dir / "Torvel_Dolvera_linea.dat"), 7299964u);

  // Cell 1 carries 5121 and codeOg; record 85 carries 610 and codeSt.
  std::vector<TrackCell> cells;
  ASSERT_EQ(decodeCells(test::slurp(dir / "Torvel_Dolvera_565.dat"), cells), "");
  EXPECT_EQ(cells[1].value1, 5121);
  RecordTable records;
  ASSERT_EQ(decodeRecords(test::slurp(dir / "Torvel_Dolvera_565.sim"), records), "");
  EXPECT_EQ(records[85].groupA1, 610);
  EXPECT_EQ(records[85].text, "Torvel_Dolvera");
  EXPECT_EQ(records[86].text, "565");
}

TEST(Driver, RunningTwiceGivesByteIdenticalFiles) {
  test::TempDir a, b;
  RecordingPlatform platform;
  std::ostringstream err;
  runDefaultBuild(platform, a.path(), err);
  // An older, longer file of every name must not leave a byte behind.
  for (const char* name : kOutputs) test::spit(b / name, std::string(8'000'000, 'x'));
  runDefaultBuild(platform, b.path(), err);
  for (const char* name : kOutputs) {
    EXPECT_EQ(test::slurp(a / name), test::slurp(b / name)) << name;
  }
}

TEST(Driver, FolderThatCannotBeWrittenEndsWithStatus3NamingTheFile) {
  if (::geteuid() == 0) {
    // root writes anywhere: a folder that does not exist stands in for one that cannot be written
    RecordingPlatform platform;
    std::ostringstream err;
    EXPECT_EQ(runDefaultBuild(platform, "/nonexistent-folder/sub", err), kExitFileSystem);
    EXPECT_NE(err.str().find("/nonexistent-folder/sub/Torvel_Dolvera_linea.txt"), std::string::npos)
        << err.str();
    return;
  }
  test::TempDir dir;
  std::filesystem::permissions(
      dir.path(), std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
  RecordingPlatform platform;
  std::ostringstream err;
  EXPECT_EQ(runDefaultBuild(platform, dir.path(), err), kExitFileSystem);
  EXPECT_NE(err.str().find("Torvel_Dolvera_linea.txt"), std::string::npos) << err.str();
}

TEST(Errore, ShowsTheNumberAfterTheFixedText) {
  RecordingPlatform platform;
  errore(platform, "1250");
  EXPECT_EQ(platform.calls, (std::vector<std::string>{"box: Errore n. 1250"}));
}

TEST(ErrorRecord, OneLineWithNumberPositionAndMeaning) {
  ErrorRecord r;
  r.errorNumber = 21;
  r.errorPosition = 1050;
  Fault f;
  f.number = 21;
  f.position = 1050;
  r.faults.push_back(f);
  EXPECT_EQ(describeErrorRecord(r), "error 21 at 1050 m: speed board on an occupied cell");
}

}  // namespace
}  // namespace sc

#include "compiler/compiled_files.h"

#include <gtest/gtest.h>

#include "compiler/file_io.h"
#include "test_support.h"

namespace sc {
namespace {

std::string bytes(std::initializer_list<int> b) {
  std::string s;
  for (int v : b) s.push_back(static_cast<char>(v));
  return s;
}

TEST(CellLayout, FifteenPackedLittleEndianBytes) {
  TrackCell c;
  c.kind = 6;
  c.value1 = 2828;
  c.value2 = -2;
  c.value3 = 0x1234;
  c.value4 = 22;
  c.signalTime = 101;
  c.approachCode = 61;
  c.mountainType = 1;
  c.speedStep = 23;
  c.gradientCode = 94;
  c.adhesion = 100;
  EXPECT_EQ(encodeCells({c}),
            bytes({6, 0x0C, 0x0B, 0xFE, 0xFF, 0x34, 0x12, 22, 0, 101, 61, 1, 23, 94, 100}));
  std::vector<TrackCell> back;
  EXPECT_EQ(decodeCells(encodeCells({c, TrackCell{}}), back), "");
  ASSERT_EQ(back.size(), 2u);
  EXPECT_EQ(back[0], c);
  EXPECT_NE(decodeCells(bytes({1, 2, 3}), back), "");
}

TEST(CellLayout, FileSizeOfTheScenario) {
  std::vector<TrackCell> cells(7301);
  EXPECT_EQ(encodeCells(cells).size(), 109515u);
}

TEST(RecordLayout, RecordsWithAndWithoutText) {
  RecordTable t;
  std::string empty = encodeRecords(t);
  EXPECT_EQ(empty.size(), 87u * 34u);
  EXPECT_EQ(empty.substr(0, 34), std::string(34, '\0'));

  t.setNameSlots("Torvel_Dolvera", "565");
  t.formatMagic() = 610;
  t.codeSt() = 0x01020304;
  t[1].stationKind = 2;
  t[1].start = 110800;
  t[1].flagA = 1;
  t[1].text = "TORVEL";
  t[1].groupB3 = -1;
  t[1].flagB = 7;
  std::string file = encodeRecords(t);
  EXPECT_EQ(file.size(), 87u * 34u + 14 + 3 + 6);
  // Record 1 starts after record 0's 34 bytes.
  std::string r1 = file.substr(34, 40);
  EXPECT_EQ(r1, bytes({2, 0xD0, 0xB0, 0x01, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 6, 0}) + "TORVEL" +
                    bytes({0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0, 0, 0, 7, 0, 0, 0, 0}));
  // Record 85: 48 bytes, groupA1 bytes 98, 2 (610) right after the text.
  size_t r85 = 34 + 40 + 83 * 34;
  EXPECT_EQ(file.substr(r85 + 14, 2), bytes({14, 0}));
  EXPECT_EQ(file.substr(r85 + 16, 14), "Torvel_Dolvera");
  EXPECT_EQ(file.substr(r85 + 30, 2), bytes({98, 2}));
  EXPECT_EQ(file.substr(r85 + 44, 4), bytes({4, 3, 2, 1}));
  EXPECT_EQ(file.substr(r85 + 48 + 14, 5), bytes({3, 0}) + "565");

  RecordTable back;
  EXPECT_EQ(decodeRecords(file, back), "");
  EXPECT_EQ(back.records, t.records);
  EXPECT_NE(decodeRecords(file.substr(0, file.size() - 1), back), "");
  EXPECT_NE(decodeRecords(file + "x", back), "");
}

TEST(PlanLayout, TaggedValuesInTwoHalves) {
  TrackPlan p(6);
  p.setInteger(0, 0, 0);
  p.setInteger(1, 0, 1);
  p.setReal(2, 0.5, 2.0);
  p.setReal(3, 0.0, 3.0);
  p.setReal(4, -1.0, 4.0);
  std::string file = encodePlan(p);
  EXPECT_EQ(file.size(), completePlanFileBytes(6));
  EXPECT_EQ(file.substr(0, 8), bytes({2, 0, 0, 0, 2, 0, 0, 0}));
  EXPECT_EQ(file.substr(8, 10), bytes({5, 0, 0, 0, 0, 0, 0, 0, 0xE0, 0x3F}));
  size_t half = file.size() / 2;
  EXPECT_EQ(file.substr(half - 4, 4), bytes({0, 0, 0, 0}));  // rows 5 and 6 empty
  EXPECT_EQ(file.substr(half, 8), bytes({2, 0, 0, 0, 2, 0, 1, 0}));

  std::vector<TaggedValue> x, y;
  EXPECT_EQ(decodePlan(file, x, y), "");
  ASSERT_EQ(x.size(), 7u);
  EXPECT_EQ(y[1].integer, 1);
  EXPECT_EQ(x[2].real, 0.5);
  EXPECT_EQ(y[6].tag, PlanTag::Empty);
  EXPECT_NE(decodePlan(file.substr(0, file.size() - 3), x, y), "");
}

// A build that stopped early leaves rows unset: they are written as empty entries of 2 bytes,
// and the y half follows the shorter x half directly.
TEST(PlanLayout, RowsNotReachedAreEmptyEntries) {
  TrackPlan p(6);
  EXPECT_EQ(encodePlan(p), std::string(2 * 7 * 2, '\0'));
  p.setInteger(0, 0, 0);
  p.setInteger(1, 0, 1);
  p.setReal(2, 0.5, 2.0);
  EXPECT_FALSE(p.complete());
  const std::string half = bytes({2, 0, 0, 0}) + bytes({2, 0, 0, 0}) +
                           bytes({5, 0, 0, 0, 0, 0, 0, 0, 0xE0, 0x3F}) + std::string(8, '\0');
  const std::string yHalf = bytes({2, 0, 0, 0}) + bytes({2, 0, 1, 0}) +
                            bytes({5, 0, 0, 0, 0, 0, 0, 0, 0, 0x40}) + std::string(8, '\0');
  EXPECT_EQ(encodePlan(p), half + yHalf);
  EXPECT_EQ(p.entry(2, 0).real, 0.5);
  EXPECT_EQ(p.entry(3, 1).tag, PlanTag::Empty);
}

TEST(PlanLayout, RowsAreSetInOrderOnly) {
  TrackPlan p(6);
  EXPECT_THROW(p.setInteger(1, 0, 1), std::logic_error);
  p.setInteger(0, 0, 0);
  EXPECT_THROW(p.setReal(2, 0, 2), std::logic_error);
  p.setInteger(1, 0, 1);
  p.straightSteps(3);
  p.curvedSteps(3, 0.5);  // nothing: row 3 is set
  EXPECT_EQ(p.rowsSet(), 4);
  p.curvedSteps(4, 0.5);
  EXPECT_TRUE(p.complete());
  EXPECT_EQ(p.y(3), 3.0);
  EXPECT_EQ(p.x(4), 0.5);                              // (0 + 0) + 0.5 * 1
  EXPECT_THROW(p.straightSteps(5), std::logic_error);  // rows 5 and 6 stay empty
}

TEST(PlanLayout, ScenarioPlanFileSize) {
  EXPECT_EQ(completePlanFileBytes(365000), 7299964u);
}

TEST(ReplaceFile, ALongerFileIsReplacedWhole) {
  test::TempDir dir;
  auto f = dir / "x.dat";
  test::spit(f, std::string(1000, 'z'));
  replaceFile(f, "abc");
  EXPECT_EQ(test::slurp(f), "abc");
  replaceFile(dir / "new.dat", "");
  EXPECT_TRUE(fileExists(dir / "new.dat"));
  EXPECT_THROW(replaceFile(dir / "missing" / "x", "a"), FileError);
}

}  // namespace
}  // namespace sc

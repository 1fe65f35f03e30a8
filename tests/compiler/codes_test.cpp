#include "compiler/codes.h"

#include <gtest/gtest.h>

#include <string>

namespace sc {
namespace {

struct Codes {
  int32_t og;
  int32_t st;
};

Codes codesOf(const std::string& trainNumber, const std::string& scenarioName) {
  RecordTable records;
  records.setNameSlots(scenarioName, trainNumber);
  return {codice_gara_og(records), codice_gara_st(records)};
}

TEST(VerificationCodes, KnownValues) {
  struct Case {
    const char* train;
    const char* scenario;
    int32_t og;
    int32_t st;
  } cases[] = {
      // 25 characters of their own: the filler plays no part.
      {"12345", "Abcdefghijklmnopqrst", 2385, 34455},
      {"12345", "ABCDEFGHIJKLMNOPQRST", 2385, 34455},
      // Characters from 26 on are ignored.
      {"12345", "AbcdefghijklmnopqrstXYZ", 2385, 34455},
      // The scenario's own names: 17 characters, then "ppqqrrss" of the filler.
      {"565", "Torvel_Dolvera", 2580, 35597},
      // No names at all: the first 25 characters of the filler.
      {"", "", 2894, 37720},
      // An 8-bit character counts as 0xE8 = 232, upper case (0xC8) lowered first.
      {"1", "\xE8", 2962, 38377},
      {"1", "\xC8", 2962, 38377},
  };
  for (const Case& c : cases) {
    Codes got = codesOf(c.train, c.scenario);
    EXPECT_EQ(got.og, c.og) << c.train << " / " << c.scenario;
    EXPECT_EQ(got.st, c.st) << c.train << " / " << c.scenario;
  }
}

TEST(VerificationCodes, TrainNumberComesFirst) {
  EXPECT_EQ(codeText("12345", "Abc").substr(0, 8), "12345abc");
  Codes oneA = codesOf("1", "A");
  Codes aOne = codesOf("A", "1");
  EXPECT_EQ(oneA.og, aOne.og);  // a plain sum of the same characters
  EXPECT_NE(oneA.st, aOne.st);  // weighted by position
  EXPECT_EQ(oneA.og, 2827);
  EXPECT_EQ(oneA.st, 38107);
  EXPECT_EQ(aOne.st, 38059);
}

class StampTest : public ::testing::Test {
 protected:
  StampTest() : b("", "Abcdefghijklmnopqrst", "12345", 0) {
    b.track.create(0, 0);
    b.records.setNameSlots(b.files.scenarioName, b.files.trainNumber);
  }
  TrackCell& cell1() { return b.track.trackCells.at(1); }
  ScenarioRecord& record85() { return b.records[kRecordScenario]; }

  Build b;
};

TEST_F(StampTest, CleanStampWritesMarkersAndCodes) {
  TrackCell before = cell1();
  EXPECT_EQ(stampScenario(b), 0);
  EXPECT_EQ(record85().groupA1, 610);
  EXPECT_EQ(record85().scheduledTime, 34455);
  EXPECT_EQ(cell1().value1, 5121);
  EXPECT_EQ(cell1().value2, 2385);
  // Nothing else of cell 1 changes.
  before.value1 = 5121;
  before.value2 = 2385;
  EXPECT_EQ(cell1(), before);
}

struct MarkerSlotCase {
  const char* name;
  int16_t recordGroupA1;
  int16_t cellValue1;
};
class TakenMarkerSlot : public StampTest, public ::testing::WithParamInterface<MarkerSlotCase> {};

TEST_P(TakenMarkerSlot, Gives1250AndWritesNothing) {
  const MarkerSlotCase& c = GetParam();
  b.records.formatMagic() = c.recordGroupA1;
  b.track.trackCells[1].value1 = c.cellValue1;
  b.track.trackCells[1].value2 = 3;  // a 1251 condition too: 1250 is tested first
  EXPECT_EQ(stampScenario(b), err::MarkerSlotTaken) << c.name;
  EXPECT_EQ(stampScenario(b), err::MarkerSlotTaken) << c.name;
  EXPECT_EQ(b.records.formatMagic(), c.recordGroupA1) << c.name;
  EXPECT_EQ(b.track.trackCells[1].value1, c.cellValue1) << c.name;
  EXPECT_EQ(b.records.codeSt(), 0) << c.name;
  EXPECT_EQ(b.track.trackCells[1].value2, 3) << c.name;
}

INSTANTIATE_TEST_SUITE_P(StampTest, TakenMarkerSlot,
                         ::testing::Values(MarkerSlotCase{"cell 1 value1", 0, 11},
                                           MarkerSlotCase{"record 85 groupA1", 7, 0}));

struct CodeSlotCase {
  const char* name;
  int32_t recordScheduledTime;
  int16_t cellValue2;
};
class TakenCodeSlot : public StampTest, public ::testing::WithParamInterface<CodeSlotCase> {};

TEST_P(TakenCodeSlot, Gives1251AndWritesNoCode) {
  const CodeSlotCase& c = GetParam();
  b.records.codeSt() = c.recordScheduledTime;
  b.track.trackCells[1].value2 = c.cellValue2;
  EXPECT_EQ(stampScenario(b), err::CodeSlotTaken) << c.name;
  EXPECT_EQ(b.records.codeSt(), c.recordScheduledTime) << c.name;
  EXPECT_EQ(b.track.trackCells[1].value2, c.cellValue2) << c.name;
}

INSTANTIATE_TEST_SUITE_P(StampTest, TakenCodeSlot,
                         ::testing::Values(CodeSlotCase{"record 85 scheduledTime", 3600, 0},
                                           CodeSlotCase{"cell 1 value2", 0, 12}));

TEST_F(StampTest, CodesComeFromTheRecordsNotTheFileNames) {
  b.records.trainNumber() = "1";
  b.records.scenarioName() = "A";
  EXPECT_EQ(stampScenario(b), 0);
  EXPECT_EQ(record85().scheduledTime, 38107);
  EXPECT_EQ(cell1().value2, 2827);
}

}  // namespace
}  // namespace sc

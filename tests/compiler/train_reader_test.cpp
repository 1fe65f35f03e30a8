#include "compiler/train_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "compiler/compiler.h"
#include "compiler/field_stream.h"
#include "compiler/file_io.h"
#include "sources/writers.h"
#include "test_support.h"

namespace sc {
namespace {

// The reader on a 358000 m line (cells 0 to 7300), as the line reader leaves it.
class TrainReader : public ::testing::Test {
 protected:
  TrainReader() : b(dir.path(), "S", "565", 0) { b.track.create(358000, 0); }

  void write(std::initializer_list<std::string> lines) {
    test::spit(b.files.trainDescription(), test::crlf(lines));
  }
  void read(std::initializer_list<std::string> lines) {
    write(lines);
    readTrainDescription(b, line);
  }
  bool trainTextLeft() const { return fileExists(b.files.trainDescription()); }
  TrackCell& cell(int i) { return b.track.trackCells.at(static_cast<size_t>(i)); }

  test::TempDir dir;
  Build b;
  LineReading line;  // what the line reading left: no board texts
};

const std::string kSignal113050 = "segnale,    113050,   2, 4, 0,  0, 0,    0,  0,0,0, 0";
const std::string kSignal118650 = "segnale,    118650,   2, 4, 1,  0, 0,    1,  3,1,0, 0";

TEST_F(TrainReader, GeneralRowsAndTheFileIsDeleted) {
  read({"[generale]", "numero vetture,    14", "percentuale massa frenata,    130",
        "sabbia,    200", "orologio,    12              59            30 ", "[aderenze]", "[fine]",
        ""});
  EXPECT_EQ(b.error.errorNumber, 0);
  EXPECT_EQ(b.records.coachCount(), 14);
  EXPECT_EQ(b.records.brakedMassPercent(), 130);
  EXPECT_EQ(b.records.sand(), 200);
  EXPECT_EQ(b.records.clockHours(), 12);
  EXPECT_EQ(b.records.clockMinutes(), 59);
  EXPECT_EQ(b.records.clockSeconds(), 30);
  EXPECT_FALSE(trainTextLeft());
}

TEST_F(TrainReader, NothingIsReadBeforeGeneralOrWithoutIt) {
  read({"sabbia, 5", "[generale]", "vetture, 3"});
  EXPECT_EQ(b.records.sand(), 0);
  EXPECT_EQ(b.records.coachCount(), 3);

  for (const std::string& text : {std::string(), test::crlf({"sabbia, 5", "vetture, 3", ""})}) {
    b.records.clear();
    b.records[kRecordKmOne].end = 1225;
    test::spit(b.files.trainDescription(), text);
    readTrainDescription(b);
    EXPECT_EQ(b.records.sand(), 0);
    EXPECT_EQ(b.records.coachCount(), 0);
    EXPECT_FALSE(trainTextLeft());
    EXPECT_EQ(b.error.errorNumber, err::KmReferenceNotMultiple);  // the final step ran
  }
}

TEST_F(TrainReader, MissingFileIsAPlatformFailure) {
  EXPECT_THROW(readTrainDescription(b), FileError);
}

TEST_F(TrainReader, EveryMatchingTestReadsItsValues) {
  read({"[generale]", "vetture sabbia,  14, 200", ""});
  EXPECT_EQ(b.records.coachCount(), 14);
  EXPECT_EQ(b.records.sand(), 200);
}

TEST_F(TrainReader, UpToTwoHyphenFieldsArePassedOver) {
  struct Case {
    const char* row;
    int16_t sand;
  } cases[] = {
      {"sabbia-x, 9", 0},            // skipped; "9" is taken as the keyword
      {"a-1, sabbia-x, 9", 0},       // both skipped
      {"a-1, b-2, sabbia-x, 9", 9},  // a third one is taken as it is
      {"- , sabbia, 9", 9},
  };
  for (const Case& k : cases) {
    b.records.clear();
    read({"[generale]", k.row, ""});
    EXPECT_EQ(b.records.sand(), k.sand) << k.row;
  }
}

TEST_F(TrainReader, TheLastFieldIsNeverProcessed) {
  // "vetture" has no value after it: read as a row it would run past the end of the text.
  test::spit(b.files.trainDescription(), "[generale]\r\nsabbia, 7\r\nvetture");
  readTrainDescription(b);
  EXPECT_EQ(b.records.sand(), 7);
  EXPECT_EQ(b.error.errorNumber, 0);

  // A row whose values end the text is read.
  test::spit(b.files.trainDescription(), "[generale]\r\nsabbia, 8");
  readTrainDescription(b);
  EXPECT_EQ(b.records.sand(), 8);
}

TEST_F(TrainReader, SpeedRowsTakeEffectFromTheirOwnPosition) {
  read({"[generale]", "velocita,       0,   115", "Velocita,  129340,    70", "[fine]", ""});
  EXPECT_EQ(b.error.errorNumber, 0);
  EXPECT_EQ(cell(0).speedStep, 23);
  EXPECT_EQ(cell(2586).speedStep, 23);  // 129340 / 50 = 2586.8 -> 2587
  EXPECT_EQ(cell(2587).speedStep, 14);
  EXPECT_EQ(cell(7297).speedStep, 14);  // the tail stops before lastCell - 2
  EXPECT_EQ(cell(7298).speedStep, 0);
  EXPECT_EQ(cell(7300).speedStep, 0);
}

TEST_F(TrainReader, StretchCursorsWriteAtLeastOneCellPerRow) {
  read({"[generale]", "velocita, 1000, 100", "velocita, 500, 50", "aderenza, 1000, 300",
        "aderenza, 500, 90", ""});
  EXPECT_EQ(cell(19).speedStep, 0);
  EXPECT_EQ(cell(20).speedStep, 20);  // the second row writes one cell with the first's speed
  EXPECT_EQ(cell(21).speedStep, 10);
  EXPECT_EQ(cell(19).adhesion, 0);
  EXPECT_EQ(cell(20).adhesion, 44);  // 300 keeps its low 8 bits
  EXPECT_EQ(cell(21).adhesion, 90);
  EXPECT_EQ(cell(7297).adhesion, 90);
  EXPECT_EQ(cell(7298).adhesion, 0);
}

TEST_F(TrainReader, RangeTestEndsTheReadingWithTheFinalStep) {
  // lastCell 7300: (p + 100) / 50 may reach 7300.
  read({"[generale]", "velocita, 0, 100", "velocita, 364900, 50", "sabbia, 1", ""});
  EXPECT_EQ(b.error.errorNumber, 0);
  EXPECT_EQ(b.records.sand(), 1);

  b.records.clear();
  read({"[generale]", "velocita, 0, 100", "aderenza, 364901, 50", "sabbia, 1", ""});
  EXPECT_EQ(b.error.errorNumber, err::OutOfRange);
  EXPECT_EQ(b.error.errorPosition, 364901);
  EXPECT_EQ(b.error.faults.back().place.line, 3);
  EXPECT_EQ(b.error.faults.back().place.column, 1);
  EXPECT_EQ(b.records.sand(), 0);      // the rest is not read
  EXPECT_EQ(cell(100).speedStep, 20);  // the tails are written
  EXPECT_FALSE(trainTextLeft());
}

TEST_F(TrainReader, SignalRowsArePlaced) {
  read({"[generale]", "[segnali]", "", kSignal113050, kSignal118650, "[fine]", ""});
  EXPECT_EQ(b.error.errorNumber, 0);
  EXPECT_EQ(cell(2262).kind, CellSignal);
  EXPECT_EQ(cell(2262).value1, 40);
  EXPECT_EQ(cell(2260).approachCode, 61);
  EXPECT_EQ(cell(2374).kind, CellSignal);
  EXPECT_EQ(cell(2374).value1, 43);
  EXPECT_EQ(cell(2374).value4, 7);
}

TEST_F(TrainReader, OccupiedSignalCellStopsTheReading) {
  cell(2262).kind = CellStationStop;
  read({"[generale]", "velocita, 0, 100", "", kSignal113050, "sabbia, 3", ""});
  EXPECT_EQ(b.error.errorNumber, err::SignalOccupied);
  EXPECT_EQ(b.error.errorPosition, 113050);
  EXPECT_EQ(b.error.faults.back().place.line, 4);
  EXPECT_EQ(b.records.sand(), 0);
  EXPECT_EQ(cell(100).speedStep, 0);  // no final step
  EXPECT_FALSE(trainTextLeft());
}

TEST_F(TrainReader, ErrorLeftByTheLineReaderStopsAfterTheFirstSignalOrSlowdown) {
  for (const std::string& first :
       {kSignal113050, std::string("rallentamento, 113050, 40, 200, 0, 0, 40")}) {
    b.track.create(358000, 0);
    b.records.clear();
    b.error.errorNumber = err::OutOfRange;
    b.error.errorPosition = 999;
    read({"[generale]", "sabbia, 3", first, kSignal118650, "vetture, 4", ""});
    EXPECT_EQ(b.error.errorNumber, err::OutOfRange) << first;
    EXPECT_EQ(b.error.errorPosition, 113050) << first;
    EXPECT_EQ(b.records.sand(), 3) << first;
    EXPECT_NE(cell(2262).kind, CellFree) << first;  // the first row is placed
    EXPECT_EQ(cell(2374).kind, CellFree) << first;  // the next is not
    EXPECT_EQ(b.records.coachCount(), 0) << first;
    EXPECT_FALSE(trainTextLeft()) << first;
  }
}

TEST_F(TrainReader, SlowdownRowsAndTheirErrors) {
  read({"[generale]", "rallentamento,   180950,    40,  200, 0,  1,  40",
        "rallentamento,  324900,    60,  200, 0,  0,  60", ""});
  EXPECT_EQ(b.error.errorNumber, 0);
  EXPECT_EQ(cell(3596).kind, CellSlowdownWarning);
  EXPECT_EQ(cell(3595).kind, CellSlowdownApproach);
  EXPECT_EQ(cell(6499).kind, CellSlowdownStart);

  b.track.create(358000, 0);
  cell(3592).kind = CellSignal;
  read({"[generale]", "rallentamento,   180950,    40,  200, 0,  1,  40", "sabbia, 5", ""});
  EXPECT_EQ(b.error.errorNumber, err::ApproachOccupied);
  EXPECT_EQ(b.error.errorPosition, 180950);
  EXPECT_EQ(cell(3620).kind, CellSlowdownStart);
  EXPECT_EQ(b.records.sand(), 0);
}

TEST_F(TrainReader, ReductionRows) {
  read({"[generale]", "abbattimento, 1000, 180", "abbattimento, 2000, 0", "abbattimento, 3000, -5",
        "abbattimento, 4000, 70000", ""});
  EXPECT_EQ(b.error.errorNumber, 0);
  EXPECT_EQ(cell(20).kind, CellReductionPoint);
  EXPECT_EQ(cell(20).value1, 180);
  EXPECT_EQ(cell(40).kind, CellReductionPointNoValue);
  EXPECT_EQ(cell(60).kind, CellReductionPointNoValue);
  EXPECT_EQ(cell(60).value1, 0);
  EXPECT_EQ(cell(80).value1, 70000 - 65536);

  b.track.create(358000, 0);
  cell(21).kind = CellTunnelMarker;
  cell(20).kind = CellSignal;
  read({"[generale]", "abbattimento, 1000, 180", "sabbia, 5", ""});
  EXPECT_EQ(b.error.errorNumber, err::ReductionOccupied);
  EXPECT_EQ(b.error.errorPosition, 1000);
  EXPECT_EQ(cell(20).kind, CellSignal);
  EXPECT_FALSE(trainTextLeft());
}

TEST_F(TrainReader, PointItemOutsideTheCellsIsAPlatformFailure) {
  const auto before = b.track.trackCells;
  for (const std::string& row : {std::string("abbattimento, -100, 1"),
                                 std::string("segnale, -200, 2, 4, 0, 0, 0, 0, 0, 0, 0, 0"),
                                 std::string("rallentamento, 360000, 40, 5000, 0, 1, 40")}) {
    write({"[generale]", row, ""});
    try {
      readTrainDescription(b);
      ADD_FAILURE() << row;
    } catch (const PlatformFailure& f) {
      EXPECT_EQ(f.place().line, 2) << row;
      EXPECT_EQ(f.place().column, 1) << row;
    }
    EXPECT_TRUE(b.track.trackCells == before) << row;
  }
}

// A station row with the values numbered as in the file; the name last.
std::string station(int32_t position, int32_t kind, int32_t length, int32_t flagB = 0,
                    int32_t extendEnd = 0, int32_t hours = 13, const char* name = "TORVEL") {
  return "stazione,  " + std::to_string(position) + ",  " + std::to_string(kind) + ",  " +
         std::to_string(length) + ",  1, " + std::to_string(flagB) + ", " +
         std::to_string(extendEnd) + ",  1,1,0,  4,1,1,    1,  " + std::to_string(hours) +
         ",5, 7, " + name;
}

TEST_F(TrainReader, StationRecordStopCellAndApproachCodes) {
  read({"[generale]", "[stazioni]", station(111050, 12, 500, 1, 0, 13, "TORVEL ALTA"), ""});
  EXPECT_EQ(b.error.errorNumber, 0);
  const ScenarioRecord& r = b.records[1];
  EXPECT_EQ(r.stationKind, 12);
  EXPECT_EQ(r.position, 111050);
  EXPECT_EQ(r.start, 110800);
  EXPECT_EQ(r.end, 111300);
  EXPECT_EQ(r.flagA, 1);
  EXPECT_EQ(r.flagB, 0);
  EXPECT_EQ(r.extendEnd, 0);
  EXPECT_EQ(r.groupA1, 1);
  EXPECT_EQ(r.groupA2, 1);
  EXPECT_EQ(r.groupA3, 0);
  EXPECT_EQ(r.groupB1, 4);
  EXPECT_EQ(r.groupB2, 1);
  EXPECT_EQ(r.groupB3, 1);
  EXPECT_EQ(r.stopTime, 1);
  EXPECT_EQ(r.scheduledTime, 13 * 3600 + 5 * 60 + 7);
  EXPECT_EQ(r.text, "TORVEL ALTA");
  EXPECT_EQ(cell(2225).kind, CellStationStop);  // 111300 / 50 - 1
  EXPECT_EQ(cell(2225).value1, 1);
  EXPECT_EQ(cell(2224).approachCode, 81);
  EXPECT_EQ(cell(2223).approachCode, 82);
  EXPECT_EQ(cell(2222).approachCode, 83);
  EXPECT_EQ(cell(2221).approachCode, 84);
  EXPECT_EQ(cell(2225).approachCode, 0);
}

TEST_F(TrainReader, ExtendEndAndFlagB) {
  // The first station's end includes its own extendEnd, but its record reads 0.
  read({"[generale]", station(111050, 12, 500, 1, 1), station(120000, 2, 600, 1, 1),
        station(130000, 2, 500, 1, 1), ""});
  EXPECT_EQ(b.error.errorNumber, 0);
  EXPECT_EQ(b.records[1].end, 111350);
  EXPECT_EQ(b.records[1].extendEnd, 0);
  EXPECT_EQ(b.records[1].flagB, 0);
  EXPECT_EQ(cell(2226).kind, CellStationStop);
  EXPECT_EQ(b.records[2].end, 120350);
  EXPECT_EQ(b.records[2].extendEnd, 1);
  EXPECT_EQ(b.records[2].flagB, 1);  // 600 m keeps it
  EXPECT_EQ(b.records[3].flagB, 0);  // 500 m does not
  EXPECT_EQ(cell(2406).value1, 2);
  EXPECT_EQ(cell(2605).value1, 3);
}

TEST_F(TrainReader, StationAreaByKind) {
  struct Case {
    int32_t kind;
    int32_t start, end;
    int stopCell;  // -1: none
    bool approach;
  } cases[] = {
      {5, 19600, 20150, 402, false}, {6, 19600, 20150, 402, false}, {7, 19600, 20400, 407, true},
      {8, 19600, 20400, 407, true},  {2, 19800, 20250, 404, true},  {24, 19800, 20250, 404, true},
      {25, 19800, 20250, -1, false}, {28, 19800, 20250, -1, false},
  };
  for (const Case& k : cases) {
    b.track.create(358000, 0);
    b.records.clear();
    read({"[generale]", station(20000, k.kind, 400, 0, 1), ""});
    const ScenarioRecord& r = b.records[1];
    EXPECT_EQ(r.start, k.start) << k.kind;
    EXPECT_EQ(r.end, k.end) << k.kind;
    EXPECT_EQ(r.stationKind, k.kind);
    EXPECT_EQ(r.text, "TORVEL") << k.kind;
    int stops = 0, codes = 0;
    for (const TrackCell& c : b.track.trackCells) {
      stops += c.kind == CellStationStop;
      codes += c.approachCode != 0;
    }
    EXPECT_EQ(stops, k.stopCell < 0 ? 0 : 1) << k.kind;
    if (k.stopCell >= 0) {
      EXPECT_EQ(cell(k.stopCell).kind, CellStationStop) << k.kind;
    }
    EXPECT_EQ(codes, k.approach ? 4 : 0) << k.kind;
  }
}

TEST_F(TrainReader, StopCellIsWrittenWhateverItHolds) {
  cell(2225).kind = CellSignal;
  cell(2225).value2 = 33;
  read({"[generale]", station(111050, 12, 500), ""});
  EXPECT_EQ(b.error.errorNumber, 0);
  EXPECT_EQ(cell(2225).kind, CellStationStop);
  EXPECT_EQ(cell(2225).value1, 1);
  EXPECT_EQ(cell(2225).value2, 33);
}

TEST_F(TrainReader, StationSpacing) {
  // First station ends at 111300; the second (length 200) starts 100 m before its position.
  read({"[generale]", station(111050, 12, 500), station(111750, 2, 200), ""});
  EXPECT_EQ(b.error.errorNumber, 0);

  b.records.clear();
  b.track.create(358000, 0);
  read({"[generale]", station(111050, 12, 500), station(111700, 2, 200), "sabbia, 4", ""});
  EXPECT_EQ(b.error.errorNumber, err::StationsTooClose);
  EXPECT_EQ(b.error.errorPosition, 111700);
  EXPECT_EQ(b.records[2].start, 111600);
  EXPECT_EQ(b.records.sand(), 0);
  EXPECT_FALSE(trainTextLeft());
}

TEST_F(TrainReader, StationRowErrors) {
  struct Case {
    std::string row;
    int32_t error;
    int32_t position;  // 777: none recorded
  } cases[] = {
      {station(111060, 12, 500), err::StationPosition, 111060},
      {station(111050, 12, 550), err::StationLength, 111050},
      {station(0, 2, 100), err::StopCellTooEarly, 777},   // stop cell 0
      {station(50, 2, 100), err::StopCellTooEarly, 777},  // end 100: 100 / 50 - 1 = 1
      {station(357300, 2, 100), 0, 777},                  // (p + 800) / 50 = 7162
      {station(364200, 2, 100), 0, 777},                  // exactly lastCell
      {station(364250, 2, 100), err::OutOfRange, 364250},
  };
  for (const Case& k : cases) {
    b.track.create(358000, 0);
    b.records.clear();
    b.error = {};
    b.error.errorPosition = 777;
    read({"[generale]", k.row, "sabbia, 4", ""});
    EXPECT_EQ(b.error.errorNumber, k.error) << k.row;
    EXPECT_EQ(b.error.errorPosition, k.position) << k.row;
    EXPECT_EQ(b.records.sand(), k.error == 0 ? 4 : 0) << k.row;
    EXPECT_FALSE(trainTextLeft()) << k.row;
  }
  // Kind 28 has no stop cell, so nothing is too early.
  b.error = {};
  read({"[generale]", station(0, 28, 100), ""});
  EXPECT_EQ(b.error.errorNumber, 0);
}

TEST_F(TrainReader, StationsReachTheBoardTexts) {
  line.nextBoardTextSlot = 3;
  b.error.errorPosition = 777;
  read({"[generale]", station(100000, 2, 200), station(110000, 2, 200), station(120000, 2, 200),
        ""});
  EXPECT_EQ(b.error.errorNumber, err::StationsReachBoards);
  EXPECT_EQ(b.error.errorPosition, 777);
  EXPECT_EQ(b.records[2].position, 110000);  // stored before the test
  EXPECT_EQ(b.records[3].position, 0);
  EXPECT_FALSE(trainTextLeft());
}

TEST_F(TrainReader, KmReferencesAreTestedAtTheEnd) {
  struct Case {
    int record;
    int32_t start, end;
    int32_t error;
  } cases[] = {
      {kRecordKmThree, 1234, 0, err::KmReferenceNotMultiple},
      {kRecordKmTwo, 0, 1225, err::KmReferenceNotMultiple},
      {kRecordKmOne, 5000, 10100, 0},
  };
  for (const Case& k : cases) {
    b.records.clear();
    b.error = {};
    b.records[k.record].start = k.start;
    b.records[k.record].end = k.end;
    read({"[generale]", ""});
    EXPECT_EQ(b.error.errorNumber, k.error) << k.record;
  }
}

TEST_F(TrainReader, Error2ReplacesError15) {
  b.records[kRecordKmOne].start = 1234;
  read({"[generale]", "segnale, 400000, 2, 4, 0, 0, 0, 0, 0, 0, 0, 0", ""});
  EXPECT_EQ(b.error.errorNumber, err::KmReferenceNotMultiple);
  EXPECT_EQ(b.error.errorPosition, 400000);
  ASSERT_EQ(b.error.faults.size(), 2u);
  EXPECT_EQ(b.error.faults[0].number, err::OutOfRange);
}

TEST_F(TrainReader, NumbersThatDoNotFitTheirField) {
  const std::string rows[] = {
      "sabbia, 40000",                         // 16-bit
      "orologio, 12 59 -40000 ",               // 16-bit
      "vetture, 3000000000",                   // 32-bit
      "numero vetture, ",                      // no number at all
      station(111050, 256, 500),               // 8-bit kind
      station(111050, 12, 500, 0, 0, 600000),  // scheduledTime beyond 32 bits
  };
  for (const std::string& row : rows) {
    write({"[generale]", row, ""});
    EXPECT_THROW(readTrainDescription(b), PlatformFailure) << row;
  }
}

// Through memorizza_dati, with a small line description read first.
class TrainReaderInBuild : public TrainReader {
 protected:
  void writeLine(std::initializer_list<std::string> lines) {
    test::spit(b.files.lineDescription(), test::crlf(lines));
  }
};

TEST_F(TrainReaderInBuild, PlatformFailureLeavesNoSourceText) {
  writeLine({"[generale]", "lunghezza percorso,    10000", "[curve]", "[fine]", ""});
  write({"[generale]", "sabbia, 7", "sabbia, 40000", ""});
  memorizza_dati(b);
  EXPECT_EQ(b.records.sand(), 7);  // the train reader ran up to the failing row
  EXPECT_EQ(b.error.errorNumber, err::PlatformFailure);
  EXPECT_FALSE(fileExists(b.files.lineDescription()));
  EXPECT_FALSE(trainTextLeft());
}

TEST_F(TrainReaderInBuild, LineReadersError15StopsAfterTheFirstSignal) {
  // lastCell 340; the gradient row at 20000 fails the range test.
  writeLine({"[generale]", "lunghezza percorso,    10000", "[pendenze]", "pendenza, 20000, 3",
             "[fine]", ""});
  write({"[generale]", "segnale, 1000, 2, 4, 0, 0, 0, 0, 0, 0, 0, 0",
         "segnale, 2000, 2, 4, 0, 0, 0, 0, 0, 0, 0, 0", ""});
  memorizza_dati(b);
  EXPECT_EQ(b.error.errorNumber, err::OutOfRange);
  EXPECT_EQ(b.error.errorPosition, 1000);
  EXPECT_EQ(b.track.trackCells.at(21).kind, CellSignal);
  EXPECT_EQ(b.track.trackCells.at(41).kind, CellFree);
  EXPECT_FALSE(trainTextLeft());
}

TEST_F(TrainReaderInBuild, TheScenariosTexts) {
  dati_linea(b.files);
  dati_treno(b.files);
  memorizza_dati(b);
  EXPECT_EQ(b.error.errorNumber, 0);
  EXPECT_FALSE(trainTextLeft());
  for (int k = 1; k <= 35; ++k) EXPECT_NE(b.records[k].position, 0) << k;
  EXPECT_EQ(b.records[36], ScenarioRecord{});
  EXPECT_EQ(b.records[1].position, 111050);
  EXPECT_EQ(b.records[35].text, "DOLVERA CENTRALE");
  int signals = 0, approaches = 0, starts = 0;
  for (const TrackCell& c : b.track.trackCells) {
    signals += c.kind == CellSignal;
    approaches += c.kind == CellSlowdownApproach;
    starts += c.kind == CellSlowdownStart;
  }
  EXPECT_EQ(signals, 121);
  EXPECT_EQ(starts, 2);
  EXPECT_EQ(approaches, 4);
  for (int i = 0; i <= b.track.lastCell - 3; ++i) {
    ASSERT_NE(b.track.trackCells[static_cast<size_t>(i)].speedStep, 0) << i;
    ASSERT_EQ(b.track.trackCells[static_cast<size_t>(i)].adhesion, 100) << i;
  }
  EXPECT_EQ(b.track.trackCells[static_cast<size_t>(b.track.lastCell - 2)].speedStep, 0);
}

// The start and warning cells are tested before the end cell is even computed: an occupied
// start is error 18 at the row's position, although the end cell lies beyond the cells.
TEST_F(TrainReader, OccupiedStartComesBeforeAnEndBeyondTheCells) {
  struct Case {
    const char* name;
    int occupied;
    int32_t error;
  } cases[] = {{"warning board", 6856, err::WarningOccupied},
               {"start", 6880, err::SlowdownStartOccupied},
               {"nothing occupied", 0, err::PlatformFailure}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    b.track.create(358000, 0);
    b.error = {};
    if (c.occupied != 0) cell(c.occupied).kind = CellSignal;
    // Start 343950 m: cell 6880, warning cell 6856; with 30000 m the end cell is 7480,
    // beyond cell 7300.
    write({"[generale]", "rallentamento,  343950,  40,  30000, 0,  1,  40", ""});
    if (c.error == err::PlatformFailure) {
      EXPECT_THROW(readTrainDescription(b), PlatformFailure);
      continue;
    }
    readTrainDescription(b);
    EXPECT_EQ(b.error.errorNumber, c.error);
    EXPECT_EQ(b.error.errorPosition, 343950);
    ASSERT_EQ(b.error.faults.size(), 1u);
    EXPECT_EQ(b.error.faults[0].cell, c.occupied);
  }
}

}  // namespace
}  // namespace sc

#include "compiler/codes.h"

#include "compiler/field_stream.h"
#include "compiler/rules.h"

namespace sc {
namespace {

constexpr int kCodedCharacters = 25;

int32_t characterCode(char c) {
  return static_cast<unsigned char>(c);
}

}  // namespace

std::string codeText(const std::string& trainNumber, const std::string& scenarioName) {
  return lowerCodePage(trainNumber + scenarioName) + kCodeFiller;
}

int32_t codice_gara_og(const RecordTable& records) {
  std::string text = codeText(records[kRecordService].text, records[kRecordScenario].text);
  int16_t sum = 0;
  for (int i = 0; i < kCodedCharacters; ++i)
    sum = static_cast<int16_t>(sum + characterCode(text[i]));
  return sum;
}

int32_t codice_gara_st(const RecordTable& records) {
  std::string text = codeText(records[kRecordService].text, records[kRecordScenario].text);
  int32_t sum = 0;
  for (int i = 0; i < kCodedCharacters; ++i) sum += characterCode(text[i]) * (i + 1);
  return sum;
}

namespace {

// The stamp's fault, shown through errore: placed at the row of cell 1's item where there is
// one, with a note on what holds the slot.
int32_t slotTaken(Build& b, int32_t number, bool cellSlot) {
  Fault f;
  f.number = number;
  f.place = cellSlot ? b.rowOf(1) : SourcePlace{};
  f.cell = 1;
  if (cellSlot) {
    b.addOccupantNote(f, 1);
  } else {
    f.detail = "a value was left in record 85";
  }
  b.errore = std::move(f);
  return number;
}

}  // namespace

int32_t stampScenario(Build& b) {
  TrackCell& cell1 = b.track.trackCells.at(1);
  if (b.records.formatMagic() != 0 || cell1.value1 != 0) {
    return slotTaken(b, err::MarkerSlotTaken, cell1.value1 != 0);
  }
  b.records.formatMagic() = kFormatMagic;
  cell1.value1 = kCellMagic;
  if (b.records.codeSt() != 0 || cell1.value2 != 0) {
    return slotTaken(b, err::CodeSlotTaken, cell1.value2 != 0);
  }
  b.records.codeSt() = static_cast<int32_t>(roundHalfEven(codice_gara_st(b.records)));
  cell1.value2 = static_cast<int16_t>(roundHalfEven(codice_gara_og(b.records)));
  return 0;
}

}  // namespace sc

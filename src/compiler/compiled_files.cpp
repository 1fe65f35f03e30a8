#include "compiler/compiled_files.h"

#include "compiler/coding.h"

namespace sc {
namespace {

// The field order of a cell on disk, for the encoder and the decoder alike.
template <class Cell, class Visit>
void cellLayout(Cell& c, Visit&& v) {
  v.u8(c.kind);
  v.i16(c.value1);
  v.i16(c.value2);
  v.i16(c.value3);
  v.i16(c.value4);
  v.u8(c.signalTime);
  v.u8(c.approachCode);
  v.u8(c.mountainType);
  v.u8(c.speedStep);
  v.u8(c.gradientCode);
  v.u8(c.adhesion);
}

// The field order of a scenario record on disk.
template <class Record, class Visit>
void recordLayout(Record& r, Visit&& v) {
  v.u8(r.stationKind);
  v.i32(r.start);
  v.i32(r.end);
  v.i32(r.position);
  v.u8(r.flagA);
  v.text(r.text);
  v.i16(r.groupA1);
  v.i16(r.groupA2);
  v.i16(r.groupB1);
  v.i16(r.groupB2);
  v.i16(r.groupB3);
  v.u8(r.groupA3);
  v.u8(r.stopTime);
  v.u8(r.extendEnd);
  v.u8(r.flagB);
  v.i32(r.scheduledTime);
}

struct Encode {
  ByteWriter w;
  void u8(uint8_t v) { w.u8(v); }
  void i16(int16_t v) { w.i16(v); }
  void i32(int32_t v) { w.i32(v); }
  void text(const std::string& s) { w.text(s); }
};

struct Decode {
  ByteReader& r;
  void u8(uint8_t& v) { v = r.u8(); }
  void i16(int16_t& v) { v = r.i16(); }
  void i32(int32_t& v) { v = r.i32(); }
  void text(std::string& s) { s = r.text(); }
};

// One tagged value at out; returns the end of what it wrote.
char* encodeTagged(char* out, const TaggedValue& v) {
  storeLittleEndian<2>(out, static_cast<uint16_t>(v.tag));
  if (v.tag == PlanTag::Integer) storeLittleEndian<2>(out + 2, static_cast<uint16_t>(v.integer));
  if (v.tag == PlanTag::Real) storeLittleEndian<8>(out + 2, bitsOf(v.real));
  return out + taggedBytes(v.tag);
}

}  // namespace

std::string encodeCells(const std::vector<TrackCell>& cells) {
  std::string out;
  out.reserve(cells.size() * kCellBytes);
  Encode e{ByteWriter(out)};
  for (const TrackCell& c : cells) cellLayout(c, e);
  return out;
}

std::string encodeRecords(const RecordTable& table) {
  std::string out;
  Encode e{ByteWriter(out)};
  for (const ScenarioRecord& r : table.records) recordLayout(r, e);
  return out;
}

std::string_view planFileBytes(const TrackPlan& plan, std::string& storage) {
  // A complete table is held as its file already.
  if (plan.complete()) return std::string_view(plan.image(), plan.imageSize());
  // A table that a stopped build left short: its rows one by one, the missing ones empty.
  size_t half = 0;
  for (int32_t row = 0; row < plan.rows(); ++row) half += taggedBytes(plan.tag(row));
  storage.assign(2 * half, '\0');
  char* at = storage.data();
  for (int axis : {0, 1}) {
    for (int32_t row = 0; row < plan.rows(); ++row) at = encodeTagged(at, plan.entry(row, axis));
  }
  return storage;
}

std::string encodePlan(const TrackPlan& plan) {
  std::string storage;
  return std::string(planFileBytes(plan, storage));
}

std::string decodeCells(std::string_view bytes, std::vector<TrackCell>& cells) {
  cells.clear();
  if (bytes.size() % kCellBytes != 0) {
    return "cell file of " + std::to_string(bytes.size()) + " bytes is not a whole number of " +
           std::to_string(kCellBytes) + "-byte cells";
  }
  ByteReader r(bytes);
  Decode d{r};
  cells.resize(bytes.size() / kCellBytes);
  for (TrackCell& c : cells) cellLayout(c, d);
  return {};
}

std::string decodeRecords(std::string_view bytes, RecordTable& table) {
  ByteReader r(bytes);
  Decode d{r};
  for (int i = 0; i < kRecordCount; ++i) {
    table.records[i] = ScenarioRecord{};
    recordLayout(table.records[i], d);
    if (r.cutShort()) {
      return "record file cut short inside record " + std::to_string(i) + " (" +
             std::to_string(bytes.size()) + " bytes)";
    }
  }
  if (!r.atEnd()) {
    return std::to_string(r.remaining()) + " bytes after the last of the 87 records";
  }
  return {};
}

std::string decodePlan(std::string_view bytes, std::vector<TaggedValue>& x,
                       std::vector<TaggedValue>& y) {
  std::vector<TaggedValue> all;
  ByteReader r(bytes);
  while (!r.atEnd()) {
    size_t at = r.offset();
    TaggedValue v;
    uint16_t tag = r.u16();
    if (tag == 0) {
      v.tag = PlanTag::Empty;
    } else if (tag == 2) {
      v.tag = PlanTag::Integer;
      v.integer = r.i16();
    } else if (tag == 5) {
      v.tag = PlanTag::Real;
      v.real = r.f64();
    } else {
      return "unknown tag " + std::to_string(tag) + " at byte " + std::to_string(at);
    }
    if (r.cutShort()) return "plan file cut short at byte " + std::to_string(at);
    all.push_back(v);
  }
  if (all.size() % 2 != 0) return "plan file holds an odd number of entries";
  x.assign(all.begin(), all.begin() + static_cast<long>(all.size() / 2));
  y.assign(all.begin() + static_cast<long>(all.size() / 2), all.end());
  return {};
}

}  // namespace sc

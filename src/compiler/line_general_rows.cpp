#include "compiler/line_general_rows.h"

#include <limits>
#include <optional>
#include <string>

#include "compiler/rules.h"

namespace sc {
namespace {

// The shortest length whose model still has cell 1 (lastCell 1) and plan row 1.
constexpr int32_t kMinRouteLength = -6974;
constexpr int32_t kKmReferenceBonus = 100;

// A section header ends the general rows: it holds "[" and "]" and does not begin with "-".
bool isSectionHeader(const std::string& field) {
  if (!containsText(field, "[") || !containsText(field, "]")) return false;
  size_t first = field.find_first_not_of(' ');
  return first == std::string::npos || field[first] != '-';
}

bool isGeneralKeyword(const std::string& f) {
  auto both = [&f](const char* a, const char* b) {
    return containsExact(f, a) && containsExact(f, b);
  };
  return (containsText(f, "percorso") && containsText(f, "lunghezza")) ||
         both("tre", "progressiva") || both("due", "progressiva") || both("uno", "progressiva") ||
         both("sfondo", "uno") || both("sfondo", "due") || both("sfondo", "tre") ||
         both("segnali", "ripetizione");
}

class GeneralSection {
 public:
  explicit GeneralSection(SourceReader& in) : in_(in), b_(in.b), s_(in.s), field_(in.field) {}

  Next read() {
    if (findHeader() == Next::Stopped) return Next::Stopped;
    if (readRows() == Next::Stopped) return Next::Stopped;
    try {
      progressive_ordina(b_.records);
    } catch (const PlatformFailure& f) {
      s_.fail(f.what());
    }
    return Next::Continue;
  }

 private:
  Next findHeader() {
    for (;;) {
      if (s_.atEnd()) return in_.stopReading(err::NoGeneralSection);  // a text with no character
      in_.readKeyword();
      if (s_.atEnd()) return in_.stopReading(err::NoGeneralSection);
      if (containsText(field_, "[generale]")) return Next::Continue;
    }
  }

  Next readRows() {
    for (;;) {
      if (s_.atEnd()) return Next::Continue;
      in_.readKeyword();
      if (s_.atEnd()) return Next::Continue;
      // These reads do not look for the end of the text: reading past it is a failure.
      for (int i = 0; i < 10; ++i) {
        if (containsExact(field_, "-")) in_.readKeyword();
      }
      const bool matched = isGeneralKeyword(field_);
      if (readRow() == Next::Stopped) return Next::Stopped;
      in_.watch.field(b_, s_, field_, matched);
      if (isSectionHeader(field_)) return Next::Continue;
    }
  }

  // Every test that matches is applied, in this order; each reads its own values.
  Next readRow() {
    if (containsText(field_, "percorso") && containsText(field_, "lunghezza")) {
      if (readLength() == Next::Stopped) return Next::Stopped;
    }
    if (containsExact(field_, "tre") && containsExact(field_, "progressiva")) {
      readKmReference(kRecordKmThree);
    }
    if (containsExact(field_, "due") && containsExact(field_, "progressiva")) {
      readKmReference(kRecordKmTwo);
    }
    if (containsExact(field_, "uno") && containsExact(field_, "progressiva")) {
      readKmReference(kRecordKmOne);
    }
    if (containsExact(field_, "sfondo") && containsExact(field_, "uno")) {
      b_.records.backgroundOne() = s_.readNumber();
    }
    if (containsExact(field_, "sfondo") && containsExact(field_, "due")) {
      b_.records.backgroundTwo() = s_.readNumber();
    }
    if (containsExact(field_, "sfondo") && containsExact(field_, "tre")) {
      b_.records.backgroundThree() = s_.readNumber();
    }
    if (containsExact(field_, "segnali") && containsExact(field_, "ripetizione")) {
      return readRepetition();
    }
    return Next::Continue;
  }

  Next readLength() {
    const SourcePlace lengthRow = in_.rowPlace;
    int32_t length = s_.readNumber();
    if (length > kMaxRouteLength) return in_.stopReading(err::RouteTooLong);
    if (length < kMinRouteLength) {
      s_.fail("the length " + std::to_string(length) + " leaves the model without cell 1");
    }
    if (firstLengthRow_) {
      b_.warn(warn::RepeatedLength,
              "a second length row: the cells are made anew and what the first one made is "
              "discarded",
              lengthRow, {Note{"the first length row", *firstLengthRow_}});
    } else {
      firstLengthRow_ = lengthRow;
    }
    b_.origins.clear();
    b_.records.routeLength() = length;
    // Every length row creates the cells anew; the plan table, empty until the item rows,
    // is created once for the last of them (when the items begin), so that a text repeating
    // the row does not build a table of up to a million rows each time.
    b_.track.createCells(length);
    return Next::Continue;
  }

  void readKmReference(int index) {
    ScenarioRecord& r = b_.records[index];
    r.start = s_.readNumber();
    r.end = s_.readNumber();
    r.position = s_.readNumber();
  }

  Next readRepetition() {
    b_.records.repetitionStart() = s_.readNumber();
    const SourcePlace start = s_.place();
    b_.records.repetitionEnd() = s_.readNumber();
    const SourcePlace end = s_.place();
    if (b_.records.repetitionStart() % kMetresPerCell != 0)
      return in_.valueFault(err::RepetitionStart, start);
    if (b_.records.repetitionEnd() % kMetresPerCell != 0)
      return in_.valueFault(err::RepetitionEnd, end);
    if (containsText(field_, "4")) {
      b_.records.repetitionCodes() = 4;
    } else if (containsText(field_, "9")) {
      b_.records.repetitionCodes() = 9;
    } else {
      return in_.rowFault(err::RepetitionCodes);
    }
    if (b_.records.repetitionEnd() == 0) b_.records.repetitionCodes() = 0;
    return Next::Continue;
  }

  SourceReader& in_;
  Build& b_;
  FieldStream& s_;
  const std::string& field_;  // the current keyword
  std::optional<SourcePlace> firstLengthRow_;
};

}  // namespace

Next readLineGeneralSection(SourceReader& in) {
  return GeneralSection(in).read();
}

void progressive_ordina(RecordTable& records) {
  struct KmReference {
    int32_t start = 0;
    int32_t end = 0;
    int32_t position = 0;
  };
  auto get = [&records](int index) {
    const ScenarioRecord& r = records[index];
    return KmReference{r.start, r.end, r.position};
  };
  const KmReference t = get(kRecordKmThree);
  const KmReference d = get(kRecordKmTwo);
  const KmReference u = get(kRecordKmOne);
  const KmReference zero{};

  KmReference order[3] = {zero, zero, zero};
  const int64_t sum = static_cast<int64_t>(t.start) + d.start + u.start;
  if (sum != 0) {
    // The greatest start goes first; ties between the other two: after T, U before D; after
    // D, U before T; after U, D before T. A greatest start held twice clears all three.
    if (t.start > d.start && t.start > u.start) {
      order[0] = t;
      order[1] = d.start > u.start ? d : u;
      order[2] = d.start > u.start ? u : d;
    } else if (d.start > t.start && d.start > u.start) {
      order[0] = d;
      order[1] = t.start > u.start ? t : u;
      order[2] = t.start > u.start ? u : t;
    } else if (u.start > t.start && u.start > d.start) {
      order[0] = u;
      order[1] = t.start > d.start ? t : d;
      order[2] = t.start > d.start ? d : t;
    }
  } else {
    if (t.end > 0) order[0] = t, order[1] = d, order[2] = u;
    if (d.end > 0) order[0] = d, order[1] = t, order[2] = u;
    if (u.end > 0) order[0] = u, order[1] = d, order[2] = t;
  }

  for (int i = 0; i < 3; ++i) {
    KmReference& k = order[i];
    if (k.position == 1) {
      int64_t end = static_cast<int64_t>(k.end) + kKmReferenceBonus;
      if (end > std::numeric_limits<int32_t>::max()) {
        throw PlatformFailure("the kilometre reference end " + std::to_string(k.end) +
                                  " + 100 does not fit its 32-bit field",
                              SourcePlace{});
      }
      k.end = static_cast<int32_t>(end);
    }
    ScenarioRecord& r = records[kRecordKmThree + i];
    r.start = k.start;
    r.end = k.end;
    r.position = k.position;
  }
}

}  // namespace sc

// The decompiler: a compiled model (records, cells and, when there is one, the plan) back to a
// line description and a train description that compile to the same model. What no row can
// give back is said, field by field, as a value; nothing is thrown.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "compiler/records.h"
#include "compiler/track.h"

namespace sc {

// The three compiled files, as the decompiler names their parts.
enum class CompiledPart { Plan, Records, Cells };
const char* partName(CompiledPart part);

// What the decompiler reads: the decoded files. Without a plan (planX empty) no curve row is
// written. The names are those the texts will be compiled under.
struct CompiledModel {
  RecordTable records;
  std::vector<TrackCell> cells;
  std::vector<TaggedValue> planX;
  std::vector<TaggedValue> planY;
  std::string scenarioName;
  std::string trainNumber;

  bool hasPlan() const { return !planX.empty(); }
};

// One field that differs between two models: the record, cell or plan row, the field, both
// values, and why (empty when not known).
struct Difference {
  CompiledPart part = CompiledPart::Cells;
  int64_t index = 0;
  std::string field;
  std::string input;
  std::string roundTrip;
  std::string why;
};

// Why a record, cell or plan row cannot be given back by any row, keyed by part and index;
// index -1 stands for the whole part.
using Hints = std::map<std::pair<CompiledPart, int64_t>, std::string>;

struct Decompiled {
  std::string lineText;
  std::string trainText;
  // What the decompiler found it cannot give back, by place.
  Hints hints;
  // Said to the author, changing nothing (for example: no plan, so no curve rows).
  std::vector<std::string> notes;
  // The decompiler's own round trip in memory: the fields its texts compile to differently.
  std::vector<Difference> differences;
  // The compile of the texts recorded this fault (0: none).
  int32_t errorNumber = 0;
};

// The two texts, laid out as the built-in ones: sections in their order, positions ascending,
// columns aligned. The texts are compiled in memory to tell the reduction points that the
// post-pass places by itself, and to list what does not come back.
Decompiled decompile(const CompiledModel& model);

// The fields in which two models differ, with the reason from hints when there is one. At
// most `limit` are listed; `total` receives how many there are.
std::vector<Difference> compareModels(const CompiledModel& input, const CompiledModel& roundTrip,
                                      const Hints& hints, size_t limit, size_t& total);

}  // namespace sc

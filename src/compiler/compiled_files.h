// The compiled scenario files: the plan table, the 87 scenario records and the cells, each a
// raw little-endian image with no header. Encoders and decoders share one definition of each
// layout.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "compiler/records.h"
#include "compiler/track.h"

namespace sc {

constexpr size_t kCellBytes = 15;
// A record is 34 bytes besides its text; a real tagged value (tag and binary64) is 10 bytes,
// the largest entry of the plan file.
constexpr size_t kRecordFixedBytes = 34;
constexpr size_t kPlanRealBytes = 10;

std::string encodeCells(const std::vector<TrackCell>& cells);
std::string encodeRecords(const RecordTable& table);
std::string encodePlan(const TrackPlan& plan);

// Size of the plan file for a plan whose rows 0 and 1 are integers, 2 to modelLength - 2
// reals and the last two empty.
size_t completePlanFileBytes(int32_t modelLength);

// Decoders: each returns an empty string on success, or what is wrong with the bytes.
std::string decodeCells(std::string_view bytes, std::vector<TrackCell>& cells);
std::string decodeRecords(std::string_view bytes, RecordTable& table);
// x and y entries of the plan file (its two halves).
std::string decodePlan(std::string_view bytes, std::vector<TaggedValue>& x,
                       std::vector<TaggedValue>& y);

}  // namespace sc

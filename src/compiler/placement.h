// Placement: the methods that put the items of both texts on the track (mountains and speed
// boards from the line description, signals and slowdowns from the train description). Each
// reports its faults through the build's diagnostics; the reader adds the row's position.
#pragma once

#include <cstdint>

#include "compiler/build.h"

namespace sc {

// The mountain rows met so far: how many, and where the last one ended.
struct MountainList {
  int32_t ordinal = 0;
  int32_t previousFine = 0;
};

// Writes a mountain stretch into the cells from roundHalfEven(inizio / 50) to
// roundHalfEven(fine / 50 - 1), cut to the cell array; a type above 10 also puts a tunnel
// marker on every fourth free cell. A mountain 150 m or less after the previous one becomes
// type 3. May change tipo; records no fault.
void memo_montagna(Build& b, MountainList& mountains, int32_t& inizio, int32_t& fine,
                   int32_t& tipo);

// Places a maximum-speed board in the cell of posizione, or records error 21 (with
// posizione) when the cell is occupied. A cell outside the array, or a packed value that
// does not fit its 16-bit field, is thrown as PlatformFailure at place.
void memo_indicatori_v_max(Build& b, int32_t posizione, const int32_t& vas, const int32_t& vbs,
                           const int32_t& vcs, const int16_t& strisces, const int32_t& vad,
                           const int32_t& vbd, const int32_t& vcd, const int16_t& strisced,
                           const SourcePlace& place = {});

void memo_segnale(Build& b, int32_t posizione, int32_t& sx, int32_t& s1, int32_t& s2, int32_t& s3,
                  int32_t& rapp, int32_t& dx, int32_t& d1, int32_t& d2, int32_t& d3,
                  int32_t& tempo);

void memo_rallentamento(Build& b, int32_t x, int32_t& v, int32_t& l, int32_t& f_tt, int32_t f_ta,
                        int32_t& d_v);

}  // namespace sc

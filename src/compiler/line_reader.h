// The line description reader: the first half of memorizza_dati.
#pragma once

#include <cstdint>

#include "compiler/build.h"
#include "compiler/errors.h"

namespace sc {

// Reads the line description of b.files into the model. Returns true when the train reader
// is to run next (the text was read to its end, or the item loop ended on error 15), false
// when the reader stopped on one of its faults. Platform failures are thrown as
// PlatformFailure or FileError for the recovery handler of memorizza_dati.
bool readLineDescription(Build& b);

// Orders the kilometre references of records 81 to 83. A reference end that no longer fits
// its field after the 100 m addition is thrown as PlatformFailure.
void progressive_ordina(RecordTable& records);

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

}  // namespace sc

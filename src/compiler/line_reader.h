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

}  // namespace sc

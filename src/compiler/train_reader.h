// The train description reader: the second half of memorizza_dati.
#pragma once

#include "compiler/build.h"
#include "compiler/line_reader.h"

namespace sc {

// Reads the train description of b.files into the model (which the line reader created); the
// stations stay below the board texts the line reading placed. Platform failures are thrown as
// PlatformFailure or FileError for the recovery handler.
void readTrainDescription(Build& b, const LineReading& line = {});

}  // namespace sc

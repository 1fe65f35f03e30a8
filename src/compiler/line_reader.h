// The line description reader: the first half of memorizza_dati.
#pragma once

#include <cstdint>

#include "compiler/build.h"
#include "compiler/errors.h"

namespace sc {

// What the line reading leaves to the train reader besides the model.
struct LineReading {
  // The train reader is to run next: the text was read to its end, or the item loop ended on
  // error 15. False when the reader stopped on one of its faults.
  bool trainFollows = false;
  // Record of the next indication-board text: the stations stay below the board texts.
  int32_t nextBoardTextSlot = kFirstBoardTextSlot;
};

// Reads the line description of b.files into the model. Platform failures are thrown as
// PlatformFailure or FileError for the recovery handler of memorizza_dati.
LineReading readLineDescription(Build& b);

}  // namespace sc

// The general section of the line description: the search for "[generale]", its rows (length,
// kilometre references, backgrounds, signal repetition) up to the next section header, and
// the ordering of the kilometre references that follows them.
#pragma once

#include "compiler/records.h"
#include "compiler/source_reader.h"

namespace sc {

// Reads the general section. Continue: the item section follows; Stopped: the reading stopped
// on one of its faults (the text is deleted).
Next readLineGeneralSection(SourceReader& in);

// Orders the kilometre references of records 81 to 83. A reference end that no longer fits
// its field after the 100 m addition is thrown as PlatformFailure.
void progressive_ordina(RecordTable& records);

}  // namespace sc

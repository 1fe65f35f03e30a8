// `check`: the whole compile of two source texts with every diagnostic, writing no file.
#pragma once

#include <ostream>

#include "cli/compile_command.h"

namespace sc {

// Compiles in memory and reports every fault and warning. After the first fault the texts
// are read once more in a recovering reading, which passes over each faulty row and goes
// on; the later faults it finds are listed too, marked as found after the first. The first
// fault, the error record and the exit status are those that `compile` gives.
int runCheck(const CompileOptions& options, std::ostream& out, std::ostream& err);

}  // namespace sc

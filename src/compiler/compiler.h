// The route compiler's entry: clear, read both source texts, complete the model, stamp it and
// write the compiled files.
#pragma once

#include <filesystem>
#include <vector>

#include "compiler/build.h"

namespace sc {

struct CompileOutcome {
  enum class End {
    Written,  // the compiled files were written (a fault may stand in the error record)
    NoCells,  // the readers left no cell array: nothing was written
    Errore,   // the stamp found a slot in use: nothing was written
  };
  End end = End::Written;
  int32_t erroreNumber = 0;  // 1250 or 1251 with End::Errore
  std::vector<std::filesystem::path> written;
};

// Both readers, with the recovery handler that turns every platform failure into error 25.
void memorizza_dati(Build& b);

// The whole compile but the writing of the compiled files: clear, read, post-pass, stamp.
// With End::Written the model is ready to be written.
CompileOutcome compileModel(Build& b);

// The whole compile. File-system failures outside the readers are thrown as FileError.
CompileOutcome memorizza_percorso(Build& b);

// Writes the plan file (with buildFlag), the record file and the cell file, in that order.
void writeCompiledFiles(const Build& b, std::vector<std::filesystem::path>& written);

}  // namespace sc

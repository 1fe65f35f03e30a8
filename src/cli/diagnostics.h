// Faults as compilers report them: FILE:LINE:COLUMN: error N: what is wrong, with the source
// line quoted and a caret under the field.
#pragma once

#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "compiler/errors.h"

namespace sc {

// One source text of a compile: the name the compiler saw, the author's path and its bytes.
struct SourceText {
  std::string label;
  std::filesystem::path path;
  std::string content;
};

// A fault placed in the author's files.
struct Diagnostic {
  std::string file;  // the author's path, or empty
  int32_t line = 0;
  int32_t column = 0;
  int32_t number = 0;
  std::optional<int32_t> position;
  std::optional<int64_t> cell;
  std::string message;
  std::string detail;
  std::string sourceLine;
};

// Places every fault of the record in the texts. Faults of the post-pass (11 to 13) have no
// place of their own: they are given the row of the signal or slowdown whose cell they concern.
std::vector<Diagnostic> placeFaults(const ErrorRecord& record,
                                    const std::vector<SourceText>& texts);

void printDiagnostic(const Diagnostic& d, std::ostream& out);

}  // namespace sc

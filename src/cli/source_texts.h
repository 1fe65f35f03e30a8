// What `compile` and `check` share: reading the author's two texts (converted from UTF-8 on
// request), the warning options, and how the diagnostics become an exit status and JSON.
#pragma once

#include <nlohmann/json.hpp>
#include <ostream>
#include <string>
#include <vector>

#include "cli/compile_command.h"
#include "cli/diagnostics.h"
#include "compiler/build.h"

namespace sc {

// The warning options of a compile or check; empty, or why they are not understood.
std::string warningOptions(const CompileOptions& options, WarningOptions& warnings);

// What compile and check settle before reading: the inputs exist and are regular files of a
// readable size (named before anything is derived from their names), the scenario name and
// train number, and the warning options. Returns kExitClean, or reports why not and returns
// the exit status.
int settleOptions(const CompileOptions& options, std::ostream& err, Names& names,
                  WarningOptions& warnings);

// Reads the line and train texts, labelled with the names the compiler gives them. File
// failures are thrown as FileError.
std::vector<SourceText> readSourceTexts(const CompileOptions& options, const ScenarioFiles& files);

// With --input-encoding utf-8, converts both texts to Windows-1252. Returns kExitClean, or
// reports why a text cannot be converted (or the encoding is not known) and returns its status.
int convertSourceTexts(const CompileOptions& options, std::vector<SourceText>& texts,
                       std::ostream& err);

// 2 after errore, 1 with a fault in the error record or a warning made an error, else 0.
int exitStatusOf(const Build& b, const std::vector<Diagnostic>& diagnostics);

// "faults" and "warnings" of a JSON outcome (the stamp's fault is not among them), and how
// many more the build b found beyond the listed ones.
void putDiagnostics(const Build& b, const std::vector<Diagnostic>& diagnostics, nlohmann::json& j);

}  // namespace sc

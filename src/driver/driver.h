// The build driver: the load event of the waiting window, running the one scenario the
// program carries from its texts to its compiled files.
#pragma once

#include <filesystem>
#include <ostream>
#include <string>

#include "compiler/build.h"
#include "compiler/file_io.h"
#include "driver/exit_status.h"
#include "driver/platform.h"

namespace sc {

inline constexpr const char* kScenarioName = "Torvel_Dolvera";
inline constexpr const char* kTrainNumber = "565";

// Shows " Errore n. " followed by the number in a modal box; the caller then ends the program.
void errore(Platform& platform, const std::string& number);

// One line on the error record: number, position where it has one, meaning.
std::string describeErrorRecord(const ErrorRecord& record);

// The exit status a compile ends with: errore, a fault in the record, or clean.
int exitStatusOf(const Build& b);

// The one line that says a file could not be read or written: the file, then the reason.
void printFileError(std::ostream& err, const std::filesystem::path& file,
                    const std::string& reason);
void printFileError(std::ostream& err, const FileError& e);

// The load event: identity, window, the five texts, the compile, in their fixed order.
// Returns the exit status; messages go to err.
int runDefaultBuild(Platform& platform, const std::filesystem::path& folder, std::ostream& err);

}  // namespace sc

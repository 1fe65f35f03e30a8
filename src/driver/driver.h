// The build driver: the load event of the waiting window, running the one scenario the
// program carries from its texts to its compiled files.
#pragma once

#include <filesystem>
#include <ostream>
#include <string>

#include "compiler/build.h"
#include "driver/platform.h"

namespace sc {

inline constexpr const char* kScenarioName = "Torvel_Dolvera";
inline constexpr const char* kTrainNumber = "565";

// Exit statuses of a build.
constexpr int kExitClean = 0;  // no fault recorded
constexpr int kExitFaultRecorded =
    1;                              // the error record holds a fault (the files are still written)
constexpr int kExitErrore = 2;      // errore showed 1250 or 1251; nothing compiled was written
constexpr int kExitFileSystem = 3;  // a platform failure outside the readers

// Shows " Errore n. " followed by the number in a modal box; the caller then ends the program.
void errore(Platform& platform, const std::string& number);

// One line on the error record: number, position where it has one, meaning.
std::string describeErrorRecord(const ErrorRecord& record);

// The load event: identity, window, the five texts, the compile, in their fixed order.
// Returns the exit status; messages go to err.
int runDefaultBuild(Platform& platform, const std::filesystem::path& folder, std::ostream& err);

}  // namespace sc

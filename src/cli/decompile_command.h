// `decompile`: a folder of compiled files back to the two texts an author edits, checked by
// compiling them again.
#pragma once

#include <filesystem>
#include <ostream>
#include <string>

namespace sc {

struct DecompileOptions {
  std::filesystem::path path;    // a folder holding S_T.sim and its companions, or the .sim
  std::filesystem::path output;  // empty: the folder of the compiled files
  std::string scenario;          // empty: S of the record file's name S_T.sim
  std::string trainNumber;       // empty: T of the record file's name
  bool force = false;            // replace texts that differ from those written
};

// Writes S_linea.txt and S_T-.txt into the output folder, then compiles them in a private
// folder there and compares the bytes with the input files. Texts already in the output folder
// are replaced only when they hold what would be written anyway, or with force. Returns 0 when
// the round trip gives the same bytes, 1 when it does not (the differing fields are listed) or
// the files fail inspect's checks, 3 on a file-system failure, 64 on bad arguments or texts
// that would be replaced.
int runDecompile(const DecompileOptions& options, std::ostream& out, std::ostream& err);

}  // namespace sc

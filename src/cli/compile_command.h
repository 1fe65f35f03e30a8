// `compile` and `export`: the scenario authors' way through the compiler.
#pragma once

#include <filesystem>
#include <optional>
#include <ostream>
#include <string>

namespace sc {

struct CompileOptions {
  std::filesystem::path line;
  std::filesystem::path train;
  std::filesystem::path output = ".";
  std::string scenario;     // empty: from the line text's file name (NAME_linea.txt)
  std::string trainNumber;  // empty: from the train text's file name (NAME_T-.txt)
  bool noPlan = false;
  bool json = false;
};

// Compiles two source texts into the compiled files in options.output. The author's files
// are only read: the compiler works on copies in a private working folder. Returns the exit
// status (0 clean, 1 fault recorded, 2 marker or code slot in use, 3 file system, 64 usage).
int runCompile(const CompileOptions& options, std::ostream& out, std::ostream& err);

// Writes the five texts of the built-in scenario into dir. Texts already there are replaced
// only with force: they may be an author's edits.
int runExport(const std::filesystem::path& dir, bool force, std::ostream& err);

// Why a scenario name or train number cannot name files; empty when it can.
std::string checkName(const std::string& what, const std::string& name);

}  // namespace sc

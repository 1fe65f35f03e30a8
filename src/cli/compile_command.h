// `compile` and `export`: the scenario authors' way through the compiler.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "compiler/compiler.h"

namespace sc {

struct CompileOptions {
  std::filesystem::path line;
  std::filesystem::path train;
  std::filesystem::path output = ".";
  std::string scenario;     // empty: from the line text's file name (NAME_linea.txt)
  std::string trainNumber;  // empty: from the train text's file name (NAME_T-.txt)
  bool noPlan = false;
  bool json = false;
  std::vector<std::string> warningFlags;  // the values of -W options
  bool werror = false;
  std::string inputEncoding;  // empty or "windows-1252": as read; "utf-8": converted
};

// The scenario name and train number of a compile, from the options or the file names.
struct Names {
  std::string scenario;
  std::string train;
  std::string problem;  // why they cannot be told; empty when they can
};
Names deriveNames(const CompileOptions& o);

// Compiles two source texts into the compiled files in options.output. The author's files
// are only read: the compiler works on copies in a private working folder. Returns the exit
// status (0 clean, 1 fault recorded, 2 marker or code slot in use, 3 file system, 64 usage,
// 65 a text that --input-encoding cannot convert).
int runCompile(const CompileOptions& options, std::ostream& out, std::ostream& err);

// Compiles two texts on copies in a private working folder made inside parent and removed
// afterwards with everything left in it. The compiled files go to build.files.compiledFolder
// when it is set; otherwise they stay in the working folder, where whileThere may read them
// before it goes. File-system failures are thrown as FileError.
CompileOutcome compileInWorkFolder(Build& build, const std::filesystem::path& parent,
                                   std::string_view lineText, std::string_view trainText,
                                   const std::function<void(const Build&)>& whileThere = {});

// Texts already at these names may be an author's edits: each one that stands there is said on
// err, unless unchanged (when given) finds it holds what would be written. True when any does.
bool textsInTheWay(const std::vector<std::filesystem::path>& files, std::ostream& err,
                   const std::function<bool(const std::filesystem::path&)>& unchanged = {});

// Writes the five texts of the built-in scenario into dir. Texts already there are replaced
// only with force: they may be an author's edits.
int runExport(const std::filesystem::path& dir, bool force, std::ostream& err);

// Why a scenario name or train number cannot name files; empty when it can.
std::string checkName(const std::string& what, const std::string& name);

}  // namespace sc

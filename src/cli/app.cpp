#include "cli/app.h"

#include <CLI/CLI.hpp>
#include <charconv>
#include <iostream>

#include "cli/check_command.h"
#include "cli/compile_command.h"
#include "cli/compiled_report.h"
#include "cli/decompile_command.h"
#include "cli/plot.h"
#include "compiler/errors.h"
#include "driver/driver.h"
#include "driver/platform.h"

namespace sc {
namespace {

// "FROM-TO" as two cell indices.
bool parseCellRange(const std::string& text, std::pair<int32_t, int32_t>& range) {
  size_t dash = text.find('-', 1);
  if (dash == std::string::npos) return false;
  auto parse = [](std::string_view s, int32_t& v) {
    auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    return ec == std::errc() && p == s.data() + s.size();
  };
  return parse(std::string_view(text).substr(0, dash), range.first) &&
         parse(std::string_view(text).substr(dash + 1), range.second) &&
         range.first <= range.second;
}

// The options that `compile` and `check` share: the texts, the names and the diagnostics.
void addSourceOptions(CLI::App* cmd, CompileOptions& o) {
  cmd->add_option("LINE", o.line, "Line description (NAME_linea.txt)")->required();
  cmd->add_option("TRAIN", o.train, "Train description (NAME_T-.txt)")->required();
  cmd->add_option("--scenario", o.scenario, "Scenario name (default: from LINE)");
  cmd->add_option("--train-number", o.trainNumber, "Train number (default: from TRAIN)");
  cmd->add_flag("--no-plan", o.noPlan, "Build without the plan table");
  cmd->add_flag("--json", o.json, "Print the outcome as one JSON object");
  std::string names;
  for (const WarningInfo& w : warningTable())
    names += std::string(names.empty() ? "" : ", ") + w.name;
  cmd->add_option(
         "-W", o.warningFlags,
         "-WNAME / -Wno-NAME turns a warning on or off (" + names + "); -Werror makes them errors")
      ->allow_extra_args(false);
  cmd->add_flag("--werror", o.werror, "Warnings count as errors (exit status 1)");
  cmd->add_option("--input-encoding", o.inputEncoding,
                  "utf-8: convert the texts to Windows-1252 first (default: read as they are)");
}

}  // namespace

int runApp(int argc, char** argv) {
  if (argc <= 1) {
    // The built-in build: the one scenario the program carries, in the program's folder.
    auto platform = makePlatform();
    return runDefaultBuild(*platform, programFolder(), std::cerr);
  }

  CLI::App app{
      "scenario-compactor: compiles a train-driving scenario (line and train service texts) into "
      "the files the simulator loads.\nWithout arguments it builds the built-in scenario "
      "Torvel_Dolvera / 565 in the program's folder."};
  app.require_subcommand(1);

  std::filesystem::path exportDir;
  bool exportForce = false;
  auto* exportCmd = app.add_subcommand("export", "Write the five texts of the built-in scenario");
  exportCmd->add_option("DIR", exportDir, "Folder to write into")->required();
  exportCmd->add_flag("--force", exportForce, "Replace texts already in the folder");

  CompileOptions compile;
  auto* compileCmd = app.add_subcommand("compile", "Compile a line text and a train text");
  addSourceOptions(compileCmd, compile);
  compileCmd->add_option("-o,--output", compile.output,
                         "Folder of the compiled files (default: .)");

  CompileOptions check;
  auto* checkCmd = app.add_subcommand(
      "check", "Report every fault and warning of a line text and a train text; writes no file");
  addSourceOptions(checkCmd, check);

  InspectOptions inspect;
  std::string cellRange;
  auto* inspectCmd = app.add_subcommand("inspect", "Show what the simulator will load");
  inspectCmd->add_option("PATH", inspect.path, "Folder of compiled files, or one file")->required();
  inspectCmd->add_flag("--json", inspect.json, "Print one JSON object");
  inspectCmd->add_option("--cells", cellRange, "List cells FROM-TO with all their fields");

  PlotOptions plot;
  auto* plotCmd = app.add_subcommand("plot", "Draw the line and its profile as SVG");
  plotCmd->add_option("PATH", plot.path, "Folder of compiled files, or one file")->required();
  plotCmd->add_option("-o,--output", plot.output, "SVG file to write (default: standard output)");

  DecompileOptions decompile;
  auto* decompileCmd = app.add_subcommand(
      "decompile", "Write the line and train texts that compile to a folder's compiled files");
  decompileCmd->add_option("DIR", decompile.path, "Folder of compiled files, or its S_T.sim")
      ->required();
  decompileCmd->add_option("-o,--output", decompile.output,
                           "Folder of the texts (default: the compiled files' folder)");
  decompileCmd->add_option("--scenario", decompile.scenario,
                           "Scenario name (default: from S_T.sim)");
  decompileCmd->add_option("--train-number", decompile.trainNumber,
                           "Train number (default: from S_T.sim)");
  decompileCmd->add_flag("--force", decompile.force, "Replace texts already in the output folder");

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    int code = app.exit(e);
    return code == 0 ? 0 : kExitUsage;
  }

  if (*exportCmd) return runExport(exportDir, exportForce, std::cerr);
  if (*compileCmd) return runCompile(compile, std::cout, std::cerr);
  if (*checkCmd) return runCheck(check, std::cout, std::cerr);
  if (*inspectCmd) {
    if (!cellRange.empty()) {
      std::pair<int32_t, int32_t> range;
      if (!parseCellRange(cellRange, range)) {
        std::cerr << "scenario-compactor: --cells takes FROM-TO, two cell numbers\n";
        return kExitUsage;
      }
      inspect.cells = range;
    }
    return runInspect(inspect, std::cout, std::cerr);
  }
  if (*plotCmd) return runPlot(plot, std::cout, std::cerr);
  if (*decompileCmd) return runDecompile(decompile, std::cout, std::cerr);
  return kExitUsage;
}

}  // namespace sc

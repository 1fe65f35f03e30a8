#include "cli/app.h"

#include <CLI/CLI.hpp>
#include <charconv>
#include <functional>
#include <iostream>
#include <memory>

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

// One command of the command line: its options, and how it runs once they are parsed.
struct Command {
  CLI::App* app;
  std::function<int()> run;
};

Command addExport(CLI::App& app) {
  struct Options {
    std::filesystem::path dir;
    bool force = false;
  };
  auto o = std::make_shared<Options>();
  auto* cmd = app.add_subcommand("export", "Write the five texts of the built-in scenario");
  cmd->add_option("DIR", o->dir, "Folder to write into")->required();
  cmd->add_flag("--force", o->force, "Replace texts already in the folder");
  return {cmd, [o] { return runExport(o->dir, o->force, std::cerr); }};
}

Command addCompile(CLI::App& app) {
  auto o = std::make_shared<CompileOptions>();
  auto* cmd = app.add_subcommand("compile", "Compile a line text and a train text");
  addSourceOptions(cmd, *o);
  cmd->add_option("-o,--output", o->output, "Folder of the compiled files (default: .)");
  return {cmd, [o] { return runCompile(*o, std::cout, std::cerr); }};
}

Command addCheck(CLI::App& app) {
  auto o = std::make_shared<CompileOptions>();
  auto* cmd = app.add_subcommand(
      "check", "Report every fault and warning of a line text and a train text; writes no file");
  addSourceOptions(cmd, *o);
  return {cmd, [o] { return runCheck(*o, std::cout, std::cerr); }};
}

Command addInspect(CLI::App& app) {
  struct Options {
    InspectOptions inspect;
    std::string cellRange;
  };
  auto o = std::make_shared<Options>();
  auto* cmd = app.add_subcommand("inspect", "Show what the simulator will load");
  cmd->add_option("PATH", o->inspect.path, "Folder of compiled files, or one file")->required();
  cmd->add_flag("--json", o->inspect.json, "Print one JSON object");
  cmd->add_option("--cells", o->cellRange, "List cells FROM-TO with all their fields");
  return {cmd, [o] {
            if (!o->cellRange.empty()) {
              std::pair<int32_t, int32_t> range;
              if (!parseCellRange(o->cellRange, range)) {
                std::cerr << "scenario-compactor: --cells takes FROM-TO, two cell numbers\n";
                return kExitUsage;
              }
              o->inspect.cells = range;
            }
            return runInspect(o->inspect, std::cout, std::cerr);
          }};
}

Command addPlot(CLI::App& app) {
  auto o = std::make_shared<PlotOptions>();
  auto* cmd = app.add_subcommand("plot", "Draw the line and its profile as SVG");
  cmd->add_option("PATH", o->path, "Folder of compiled files, or one file")->required();
  cmd->add_option("-o,--output", o->output, "SVG file to write (default: standard output)");
  return {cmd, [o] { return runPlot(*o, std::cout, std::cerr); }};
}

Command addDecompile(CLI::App& app) {
  auto o = std::make_shared<DecompileOptions>();
  auto* cmd = app.add_subcommand(
      "decompile", "Write the line and train texts that compile to a folder's compiled files");
  cmd->add_option("DIR", o->path, "Folder of compiled files, or its S_T.sim")->required();
  cmd->add_option("-o,--output", o->output,
                  "Folder of the texts (default: the compiled files' folder)");
  cmd->add_option("--scenario", o->scenario, "Scenario name (default: from S_T.sim)");
  cmd->add_option("--train-number", o->trainNumber, "Train number (default: from S_T.sim)");
  cmd->add_flag("--force", o->force, "Replace texts already in the output folder");
  return {cmd, [o] { return runDecompile(*o, std::cout, std::cerr); }};
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
  const Command commands[] = {addExport(app),  addCompile(app), addCheck(app),
                              addInspect(app), addPlot(app),    addDecompile(app)};
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    int code = app.exit(e);
    return code == 0 ? 0 : kExitUsage;
  }
  for (const Command& c : commands) {
    if (*c.app) return c.run();
  }
  return kExitUsage;
}

}  // namespace sc

// The command line end to end, through the executable, in temporary folders.
#include <gtest/gtest.h>

#include <cstdlib>
#include <nlohmann/json.hpp>

#include "cli_support.h"

namespace sc {
namespace {

namespace fs = std::filesystem;

using test::edit;
using test::Outcome;
using test::q;
using test::run;

const char* const kCompiled[] = {"Torvel_Dolvera_linea.dat", "Torvel_Dolvera_565.sim",
                                 "Torvel_Dolvera_565.dat"};

class Cli : public ::testing::Test {
 protected:
  test::TempDir dir;
  fs::path src = dir / "src";
  fs::path line = src / "Torvel_Dolvera_linea.txt";
  fs::path train = src / "Torvel_Dolvera_565-.txt";
  void SetUp() override { ASSERT_EQ(run("export " + q(src), dir.path()).status, 0); }
};

TEST_F(Cli, ExportThenCompileGivesTheDefaultBuildsBytes) {
  fs::path prog = dir / "prog";
  fs::create_directories(prog);
  fs::copy_file(SC_EXECUTABLE, prog / "scenario-compactor");
  Outcome built = run("", dir.path(), prog / "scenario-compactor");
  ASSERT_EQ(built.status, 0) << built.err;

  std::string lineBefore = test::slurp(line), trainBefore = test::slurp(train);
  Outcome compiled =
      run("compile " + q(line) + " " + q(train) + " -o " + q(dir / "out"), dir.path());
  ASSERT_EQ(compiled.status, 0) << compiled.err;
  for (const char* name : kCompiled) {
    EXPECT_EQ(test::slurp(dir / "out" / name), test::slurp(prog / name)) << name;
  }
  EXPECT_EQ(test::slurp(line), lineBefore);
  EXPECT_EQ(test::slurp(train), trainBefore);
  // The exported texts are the ones the default build writes.
  EXPECT_EQ(fs::directory_iterator(src) == fs::directory_iterator(), false);
  for (const char* doc : {"Torvel_Dolvera_565_note.txt", "Torvel_Dolvera_565_rallentamenti.txt",
                          "Torvel_Dolvera_565_scheda_treno.txt"}) {
    EXPECT_EQ(test::slurp(src / doc), test::slurp(prog / doc)) << doc;
  }
}

TEST_F(Cli, CompilingInPlaceLeavesTheInputsAndNoWorkingFolder) {
  std::string lineBefore = test::slurp(line), trainBefore = test::slurp(train);
  Outcome r =
      run("compile " + q(line) + " " + q(train) + " -o " + q(src) + " --no-plan", dir.path());
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(test::slurp(line), lineBefore);
  EXPECT_EQ(test::slurp(train), trainBefore);
  EXPECT_FALSE(fs::exists(src / "Torvel_Dolvera_linea.dat"));
  EXPECT_TRUE(fs::exists(src / "Torvel_Dolvera_565.dat"));
  for (const auto& e : fs::directory_iterator(src)) {
    EXPECT_EQ(e.path().filename().string().rfind(".scenario-compactor", 0), std::string::npos);
  }
}

struct Broken {
  const char* name;
  bool inTrain;
  const char* from;
  const char* to;
  int number;
  int position;  // -1: none
  int line;
  int column;
};

#define FIRST_SIGNAL "segnale,    113050,   2, 4, 0,  0, 0,    0,  0,0,0, 0"
constexpr const char* kFirstSignal = FIRST_SIGNAL;
constexpr const char* kFirstSignalTwice = FIRST_SIGNAL "\r\n" FIRST_SIGNAL;
// Three signals fill the first band before the first slowdown's start cell 3620.
#define FIRST_SLOWDOWN "rallentamento,   180950,    40,  200, 0,  1,  40"
constexpr const char* kFirstSlowdown = FIRST_SLOWDOWN;
constexpr const char* kBandFilled = FIRST_SLOWDOWN
    "\r\nsegnale, 180600, 2, 3, 0, 0, 0, 0, 0, 0, 0, 0"
    "\r\nsegnale, 180650, 2, 3, 0, 0, 0, 0, 0, 0, 0, 0"
    "\r\nsegnale, 180700, 2, 3, 0, 0, 0, 0, 0, 0, 0, 0";

TEST_F(Cli, BrokenTextsNameTheFaultAndWhereItIs) {
  const Broken cases[] = {
      {"route too long", false, "lunghezza percorso,    358000", "lunghezza percorso,    1000001",
       1, -1, 2, 1},
      {"repetition start", false, "ripetizione segnali 4 codici,    0,",
       "ripetizione segnali 4 codici,    25,", 3, -1, 9, 34},
      {"curve digit", false, "curvad1,  1000,  600", "curvad7,  1000,  600", 103, -1, 11, 1},
      {"station position", true, "stazione,  111050,", "stazione,  111075,", 8, 111075, 46, 12},
      {"not a number", true, "sabbia,    200", "sabbia,    abc", 25, -1, 4, 12},
      {"signal on a signal", true, kFirstSignal, kFirstSignalTwice, 16, 113050, 88, 1},
      // A post-pass fault names the row of the slowdown whose band it concerns.
      {"band not free", true, kFirstSlowdown, kBandFilled, 12, 181000, 83, 1},
  };
  for (const Broken& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_EQ(run("export --force " + q(src), dir.path()).status, 0);
    edit(c.inTrain ? train : line, c.from, c.to);
    Outcome r = run("compile " + q(line) + " " + q(train) + " -o " + q(dir / "out") + " --json",
                    dir.path());
    ASSERT_EQ(r.status, 1) << r.err << r.out;
    nlohmann::json j = nlohmann::json::parse(r.out);
    EXPECT_EQ(j["errorNumber"], c.number);
    ASSERT_FALSE(j["faults"].empty());
    const auto& f = j["faults"].back();
    EXPECT_EQ(f["number"], c.number);
    EXPECT_EQ(f["file"], (c.inTrain ? train : line).string());
    EXPECT_EQ(f["line"], c.line);
    EXPECT_EQ(f["column"], c.column);
    if (c.position >= 0) {
      EXPECT_EQ(f["position"], c.position);
    }

    // The same fault in the compilers' form on standard error.
    Outcome text = run("compile " + q(line) + " " + q(train) + " -o " + q(dir / "out"), dir.path());
    std::string head = (c.inTrain ? train : line).string() + ":" + std::to_string(c.line) + ":" +
                       std::to_string(c.column) + ": error " + std::to_string(c.number) + ": ";
    EXPECT_NE(text.err.find(head), std::string::npos) << text.err;
    std::string caret = "\n" + std::string(static_cast<size_t>(c.column - 1), ' ') + "^\n";
    EXPECT_NE(text.err.find(caret), std::string::npos) << text.err;
  }
}

TEST_F(Cli, StampErrorWritesNoCompiledFile) {
  edit(line, "indicatori_vmax,  1050,", "indicatori_vmax,  0,");
  Outcome r = run("compile " + q(line) + " " + q(train) + " -o " + q(dir / "out"), dir.path());
  EXPECT_EQ(r.status, 2) << r.err;
  EXPECT_NE(r.err.find(" Errore n. 1250"), std::string::npos) << r.err;
  for (const char* name : kCompiled) EXPECT_FALSE(fs::exists(dir / "out" / name)) << name;
}

TEST_F(Cli, NamesThatCannotNameFilesAreRefusedBeforeTheBuild) {
  for (const char* bad : {"a/b", "x:y", "q?", "caf\xC3\xA9"}) {
    Outcome r = run("compile " + q(line) + " " + q(train) + " -o " + q(dir / "out") +
                        " --scenario '" + bad + "' --train-number 1",
                    dir.path());
    EXPECT_EQ(r.status, 64) << bad;
    EXPECT_FALSE(fs::exists(dir / "out")) << bad;
  }
  fs::copy_file(line, dir / "line.txt");
  Outcome unnamed = run("compile " + q(dir / "line.txt") + " " + q(train), dir.path());
  EXPECT_EQ(unnamed.status, 64);
  EXPECT_NE(unnamed.err.find("--scenario"), std::string::npos);
}

TEST_F(Cli, MissingInputEndsWithStatus3NamingIt) {
  Outcome r = run("compile " + q(dir / "none_linea.txt") + " " + q(train) + " --train-number 565",
                  dir.path());
  EXPECT_EQ(r.status, 3);
  EXPECT_NE(r.err.find("none_linea.txt"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace sc

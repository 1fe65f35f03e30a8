// Diagnostics as an author sees them, through the executable: broken texts through `check`
// and `compile`, each with its diagnostics (severity, number, file:line:column, notes), in
// text and in JSON.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <vector>

#include "cli_support.h"

namespace sc {
namespace {

namespace fs = std::filesystem;

using test::edit;
using test::Outcome;
using test::q;
using test::run;

// 'L' the line text, 'T' the train text.
struct Edit {
  char file;
  std::string from;
  std::string to;
};

struct At {
  char file;
  int line;
  int column;
};

struct Expected {
  At at;
  int number;           // 0: a warning
  const char* warning;  // its name
  const char* text;     // a part of its message
  std::vector<At> notes;
  bool afterFirst;  // listed by check only, as found after the first fault
};

struct Case {
  const char* name;
  std::vector<Edit> edits;
  int status;
  std::vector<Expected> diagnostics;
};

#define FIRST_SIGNAL "segnale,    113050,   2, 4, 0,  0, 0,    0,  0,0,0, 0"
#define FIRST_BOARD "indicatori_vmax,  1050,  140,  160,  160,  0,  140,  160,  160,  0"
const Edit kSignalTwice{'T', FIRST_SIGNAL, FIRST_SIGNAL "\r\n" FIRST_SIGNAL};
const Edit kSlowdownOnTheSignal{'T', "[codici]",
                                "rallentamento, 113050, 40, 200, 0, 0, 40\r\n[codici]"};

const std::vector<Case>& cases() {
  static const std::vector<Case> all = {
      {"misspelled keywords",
       {{'T', "stazione,  166250", "stazone,  166250"},
        {'L', "pendenza,  29700", "pendnza,  29700"},
        {'L', "indicatori_vmax, 130200", "indicatore_vmax, 130200"}},
       0,
       {{{'L', 103, 1}, 0, "unknown-keyword", "did you mean 'pendenza'?", {}, false},
        {{'L', 180, 1}, 0, "unknown-keyword", "did you mean 'indicatori_vmax'?", {}, false},
        {{'T', 53, 1}, 0, "unknown-keyword", "did you mean 'stazione'?", {}, false}}},
      {"signal on a signal",
       {kSignalTwice},
       1,
       {{{'T', 88, 1}, 0, "non-ascending", "signal at 113050 m", {{'T', 87, 1}}, false},
        {{'T', 88, 1},
         16,
         "",
         "signal on an occupied cell [at 113050 m, cell 2262]",
         {{'T', 87, 1}},
         false}}},
      {"slowdown start on a signal",
       {kSlowdownOnTheSignal},
       1,
       {{{'T', 208, 1}, 18, "", "slowdown start on an occupied cell", {{'T', 87, 1}}, false}}},
      {"speed board on a speed board",
       {{'L', FIRST_BOARD, FIRST_BOARD "\r\n" FIRST_BOARD}},
       1,
       {{{'L', 167, 1}, 21, "", "[at 1050 m, cell 22]", {{'L', 166, 1}}, false}}},
      {"line reader's 15 and where the train reader stopped",
       {{'L', "pendenza,  29700,", "pendenza,  399700,"}},
       1,
       {{{'L', 103, 1}, 15, "", "[at 399700 m]", {{'T', 83, 1}}, false}}},
      {"three independent faults",
       {{'T', "stazione,  111050,", "stazione,  111075,"}, kSignalTwice, kSlowdownOnTheSignal},
       1,
       {{{'T', 46, 12}, 8, "", "[at 111075 m]", {}, false},
        {{'T', 88, 1}, 0, "non-ascending", "signal at 113050 m", {{'T', 87, 1}}, true},
        {{'T', 88, 1}, 16, "", "signal on an occupied cell", {{'T', 87, 1}}, true},
        {{'T', 209, 1}, 18, "", "slowdown start on an occupied cell", {{'T', 87, 1}}, true}}},
      {"three independent faults in the line text",
       {{'L', "ripetizione segnali 4 codici,    0,", "ripetizione segnali 4 codici,    25,"},
        {'L', "curvad1,  1000,  600", "curvad7,  1000,  600"},
        {'L', FIRST_BOARD, FIRST_BOARD "\r\n" FIRST_BOARD}},
       1,
       {{{'L', 9, 34}, 3, "", "signal repetition start", {}, false},
        {{'L', 11, 1}, 103, "", "curve keyword", {}, true},
        {{'L', 167, 1}, 21, "", "[at 1050 m, cell 22]", {{'L', 166, 1}}, true}}},
      {"sections, rows after the end and a second length row",
       {{'T', "[segnali]", "[segnaly]"},
        {'L', "[fine]\r\n", "[fine]\r\npendenza, 350000, 0\r\n"},
        {'L', "lunghezza percorso,    358000",
         "lunghezza percorso, 358000\r\nlunghezza percorso, 358000"}},
       0,
       {{{'L', 3, 1}, 0, "repeated-length", "a second length row", {{'L', 2, 1}}, false},
        {{'L', 220, 1}, 0, "after-end", "after \"[fine]\"", {}, false},
        {{'T', 85, 1}, 0, "unknown-section", "did you mean '[segnali]'?", {}, false}}},
  };
  return all;
}

class Check : public ::testing::Test {
 protected:
  test::TempDir dir;
  fs::path src = dir / "src";
  fs::path line = src / "Torvel_Dolvera_linea.txt";
  fs::path train = src / "Torvel_Dolvera_565-.txt";

  void SetUp() override { ASSERT_EQ(run("export " + q(src), dir.path()).status, 0); }
  const fs::path& file(char which) const { return which == 'L' ? line : train; }
  std::string place(const At& at) const {
    return file(at.file).string() + ":" + std::to_string(at.line) + ":" +
           std::to_string(at.column) + ": ";
  }
  Outcome command(const std::string& what, const std::string& options = "") {
    std::string out = what == "compile" ? " -o " + q(dir / "out") : "";
    return run(what + " " + q(line) + " " + q(train) + out + " " + options, dir.path());
  }

  // The diagnostics appear in this order, each with its notes right after it.
  void expectText(const std::string& err, const std::vector<Expected>& diagnostics,
                  bool withLater) {
    size_t from = 0;
    for (const Expected& d : diagnostics) {
      if (d.afterFirst && !withLater) continue;
      std::string head = place(d.at) + (d.number == 0 ? std::string("warning: ")
                                                      : "error " + std::to_string(d.number) + ": ");
      size_t at = err.find(head, from);
      ASSERT_NE(at, std::string::npos) << head << "\nin\n" << err;
      std::string message = err.substr(at, err.find('\n', at) - at);
      EXPECT_NE(message.find(d.text), std::string::npos) << message;
      EXPECT_EQ(message.find("(found after the first fault)") != std::string::npos, d.afterFirst)
          << message;
      if (d.number == 0) {
        EXPECT_NE(message.find(std::string("[-W") + d.warning + "]"), std::string::npos) << message;
      }
      from = at + head.size();
      for (const At& n : d.notes) {
        size_t note = err.find(place(n) + "note: ", from);
        ASSERT_NE(note, std::string::npos) << place(n) << "note:\nin\n" << err;
        from = note + 1;
      }
    }
  }
};

TEST_F(Check, TheBuiltInTextsGiveNothing) {
  Outcome r = command("check");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "");
  // Nothing is written anywhere: the folder holds the exported texts only.
  EXPECT_EQ(std::distance(fs::directory_iterator(src), fs::directory_iterator()), 5);
}

TEST_F(Check, BrokenTextsThroughCheckAndCompile) {
  for (const Case& c : cases()) {
    SCOPED_TRACE(c.name);
    ASSERT_EQ(run("export --force " + q(src), dir.path()).status, 0);
    for (const Edit& e : c.edits) edit(file(e.file), e.from, e.to);

    Outcome checked = command("check");
    EXPECT_EQ(checked.status, c.status) << checked.err;
    EXPECT_EQ(checked.out, "");
    expectText(checked.err, c.diagnostics, true);

    Outcome compiled = command("compile");
    EXPECT_EQ(compiled.status, c.status) << compiled.err;
    expectText(compiled.err, c.diagnostics, false);
    // A fault is told once: no second error after the line reader's 15.
    size_t errors = 0;
    for (size_t at = compiled.err.find(": error "); at != std::string::npos;
         at = compiled.err.find(": error ", at + 1)) {
      ++errors;
    }
    size_t expectedErrors = 0;
    for (const Expected& d : c.diagnostics) expectedErrors += d.number != 0 && !d.afterFirst;
    EXPECT_EQ(errors, expectedErrors) << compiled.err;

    // The same in JSON: the error record as compile gives it, and every diagnostic.
    nlohmann::json j = nlohmann::json::parse(command("check", "--json").out);
    nlohmann::json jc = nlohmann::json::parse(command("compile", "--json").out);
    EXPECT_EQ(j["errorNumber"], jc["errorNumber"]);
    EXPECT_EQ(j["errorPosition"], jc["errorPosition"]);
    EXPECT_EQ(j["exitStatus"], c.status);
    size_t fault = 0, warning = 0;
    for (const Expected& d : c.diagnostics) {
      const nlohmann::json& got =
          d.number == 0 ? j["warnings"].at(warning++) : j["faults"].at(fault++);
      EXPECT_EQ(got["severity"], d.number == 0 ? "warning" : "error");
      if (d.number == 0) {
        EXPECT_EQ(got["warning"], d.warning);
      } else {
        EXPECT_EQ(got["number"], d.number);
      }
      EXPECT_EQ(got["file"], file(d.at.file).string());
      EXPECT_EQ(got["line"], d.at.line);
      EXPECT_EQ(got["column"], d.at.column);
      EXPECT_EQ(got["afterFirst"], d.afterFirst);
      ASSERT_EQ(got["notes"].size(), d.notes.size()) << got.dump();
      for (size_t n = 0; n < d.notes.size(); ++n) {
        EXPECT_EQ(got["notes"][n]["file"], file(d.notes[n].file).string());
        EXPECT_EQ(got["notes"][n]["line"], d.notes[n].line);
      }
    }
    EXPECT_EQ(j["faults"].size(), fault) << j.dump(2);
    EXPECT_EQ(j["warnings"].size(), warning) << j.dump(2);
  }
}

TEST_F(Check, MissingInputIsNamedAndAStampFaultNamesCellOnesItem) {
  Outcome missing = run("check " + q(dir / "none_linea.txt") + " " + q(train), dir.path());
  EXPECT_EQ(missing.status, 3);
  EXPECT_NE(missing.err.find("none_linea.txt"), std::string::npos) << missing.err;

  edit(line, FIRST_BOARD, "indicatori_vmax,  0,  140,  160,  160,  0,  140,  160,  160,  0");
  for (const char* what : {"check", "compile"}) {
    Outcome r = command(what);
    EXPECT_EQ(r.status, 2) << what;
    EXPECT_NE(r.err.find(" Errore n. 1250\n" + place({'L', 166, 1}) +
                         "error 1250: marker slot already in use [cell 1]\n"),
              std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("note: cell 1 holds the speed board placed by line 166"),
              std::string::npos)
        << r.err;
  }
}

// A text of many faulty rows lists the first thousand diagnostics and counts the rest.
TEST_F(Check, ManyFaultsAreCountedBeyondTheListed) {
  std::string rows;
  for (int i = 0; i < 1500; ++i) rows += "stazone, 1\r\nabbattimento, 113050, 1\r\n";
  edit(train, "[codici]", rows + "[codici]");
  Outcome r = command("check", "--json");
  EXPECT_EQ(r.status, 1);
  nlohmann::json j = nlohmann::json::parse(r.out);
  EXPECT_EQ(j["errorNumber"], 7);  // the second reduction point falls on the first one
  EXPECT_EQ(j["warnings"].size(), 1000u);
  EXPECT_EQ(j["unlistedWarnings"], 500);
  EXPECT_EQ(j["faults"].size(), 1000u);
  EXPECT_EQ(j["unlistedFaults"], 499);
  Outcome text = command("check");
  EXPECT_NE(text.err.find("499 more faults and 500 more warnings were found and are not listed"),
            std::string::npos);
}

// A long row is quoted in part, with the caret under its field; control bytes are escaped.
TEST_F(Check, LongRowsAreQuotedInPart) {
  edit(train, "stazione,  111050,",
       "stazione," + std::string(300000, ' ') + "111075,\x1b[2J" + std::string(300000, ' ') + "2,");
  Outcome r = command("check");
  EXPECT_EQ(r.status, 1);
  const std::string head = place({'T', 46, 300010}) + "error 8: ";
  size_t at = r.err.find(head);
  ASSERT_NE(at, std::string::npos) << r.err.substr(0, 300);
  size_t rowStart = r.err.find('\n', at) + 1;
  size_t rowEnd = r.err.find('\n', rowStart);
  const std::string row = r.err.substr(rowStart, rowEnd - rowStart);
  const std::string caret = r.err.substr(rowEnd + 1, r.err.find('\n', rowEnd + 1) - rowEnd - 1);
  EXPECT_LE(row.size(), 220u);
  EXPECT_EQ(row.substr(0, 3), "...");
  EXPECT_EQ(row.substr(caret.size() - 1, 7), "111075,");
  EXPECT_NE(row.find("\\x1b[2J"), std::string::npos) << row;
  EXPECT_EQ(r.err.find('\x1b'), std::string::npos);
  EXPECT_LT(r.err.size(), 2000u);
}

TEST_F(Check, NotesNameTheOccupantsRow) {
  edit(train, FIRST_SIGNAL, FIRST_SIGNAL "\r\n" FIRST_SIGNAL);
  Outcome r = command("check", "-Wno-non-ascending");
  EXPECT_NE(r.err.find(place({'T', 87, 1}) + "note: cell 2262 holds the signal placed by line " +
                       "87\n" FIRST_SIGNAL "\n^\n"),
            std::string::npos)
      << r.err;
  EXPECT_EQ(r.err.find("warning"), std::string::npos) << r.err;
}

TEST_F(Check, WarningsCountAsErrorsOnlyWithWerror) {
  edit(train, "stazione,  166250", "stazone,  166250");
  EXPECT_EQ(command("compile").status, 0);
  const std::string before = test::slurp(dir / "out" / "Torvel_Dolvera_565.dat");
  Outcome strict = command("compile", "--werror");
  EXPECT_EQ(strict.status, 1);
  EXPECT_NE(strict.err.find("error: unknown keyword 'stazone'"), std::string::npos) << strict.err;
  EXPECT_NE(strict.err.find("[-Werror,-Wunknown-keyword]"), std::string::npos) << strict.err;
  EXPECT_EQ(test::slurp(dir / "out" / "Torvel_Dolvera_565.dat"), before);
  EXPECT_EQ(command("check", "-Werror").status, 1);
  Outcome quiet = command("check", "-Wno-unknown-keyword");
  EXPECT_EQ(quiet.status, 0);
  EXPECT_EQ(quiet.err, "");
  EXPECT_EQ(command("check", "-Wno-such-warning").status, 64);
}

TEST_F(Check, Utf8StationName) {
  const std::string row = "stazione,  111050,  2,  500,  0, 0, 0,  1,1,0,  4,1,1,    1,  13,0, 0, ";
  edit(train, row + "TORVEL", row + "TORV\xC3\x88L");  // È in UTF-8
  Outcome warned = command("check");
  EXPECT_EQ(warned.status, 0);
  EXPECT_NE(warned.err.find(place({'T', 46, 72}) + "warning: the station name"), std::string::npos)
      << warned.err;
  EXPECT_NE(warned.err.find("[-Wutf8]"), std::string::npos);

  Outcome converted = command("compile", "--input-encoding utf-8");
  EXPECT_EQ(converted.status, 0) << converted.err;
  EXPECT_EQ(converted.err, "");
  const std::string records = test::slurp(dir / "out" / "Torvel_Dolvera_565.sim");
  EXPECT_NE(records.find("TORV\xC8L"), std::string::npos);  // È in Windows-1252
  EXPECT_EQ(command("check", "--input-encoding utf-8").err, "");

  edit(train, "TORV\xC3\x88L", "TORV\xC5\x90L");  // Ő: no byte in Windows-1252
  Outcome refused = command("compile", "--input-encoding utf-8");
  EXPECT_EQ(refused.status, 65);
  EXPECT_NE(refused.err.find(place({'T', 46, 76}) + "error: the character"), std::string::npos)
      << refused.err;
  EXPECT_NE(refused.err.find("U+0150"), std::string::npos);
  EXPECT_EQ(test::slurp(dir / "out" / "Torvel_Dolvera_565.sim"), records);  // nothing written
  EXPECT_EQ(command("check", "--input-encoding utf-8").status, 65);
}

}  // namespace
}  // namespace sc

// Faults and warnings as compilers report them: FILE:LINE:COLUMN: error N: what is wrong, with
// the source line quoted and a caret under the field, and notes that point at other rows.
#pragma once

#include <filesystem>
#include <nlohmann/json.hpp>
#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "compiler/build.h"

namespace sc {

// One source text of a compile: the name the compiler saw, the author's path and its bytes.
struct SourceText {
  std::string label;
  std::filesystem::path path;
  std::string content;
};

// A place in the author's files, with its row.
struct PlacedText {
  std::string file;  // the author's path, or empty
  int32_t line = 0;
  int32_t column = 0;
  std::string sourceLine;
};

struct DiagnosticNote {
  PlacedText at;
  std::string message;
};

// A fault or warning placed in the author's files.
struct Diagnostic {
  bool warning = false;   // a warning (never the error record's)
  bool promoted = false;  // a warning made an error by --werror
  std::string warningName;
  int32_t number = 0;  // the error number; 0 for a warning
  PlacedText at;
  std::optional<int32_t> position;
  std::optional<int64_t> cell;
  std::string message;
  std::string detail;
  std::vector<DiagnosticNote> notes;
  bool afterFirst = false;
};

// Which warnings are reported, and whether they count as errors.
struct WarningOptions {
  std::set<std::string> disabled;
  bool werror = false;
};
// Applies the values of -W options ("NAME", "no-NAME", "error", "all"); an empty result, or
// why a value is not understood.
std::string applyWarningFlags(const std::vector<std::string>& flags, WarningOptions& options);

// Every fault and warning of the build in the order found, placed in the texts, and the
// stamp's fault (1250, 1251) last when there is one.
std::vector<Diagnostic> collectDiagnostics(const Build& b, const std::vector<SourceText>& texts,
                                           const WarningOptions& options);

void printDiagnostic(const Diagnostic& d, std::ostream& out);
// The faults and warnings found beyond the listed ones, when there are any.
void printUnlisted(const Build& b, std::ostream& out);
nlohmann::json diagnosticJson(const Diagnostic& d);

// A row as it is quoted: at most about 200 bytes around the column, cut with "...", control
// bytes shown escaped (\x1b). Gives the text and the caret's offset in it.
struct QuotedRow {
  std::string text;
  size_t caret = 0;
};
QuotedRow quoteRow(std::string_view row, int32_t column);

}  // namespace sc

// The decompiler's inside: the rows it recovers from each part of a compiled model, and how
// they are laid out as the texts' lines.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "compiler/decompiler.h"

namespace sc::decompiling {

// One row: its keyword and its values, the last of them a text when lastIsText.
struct Row {
  std::string keyword;
  std::vector<std::string> values;
  bool lastIsText = false;
  int64_t position = 0;  // the row's position in metres, for ordering
};

Row numbers(std::string keyword, std::initializer_list<int64_t> values, int64_t position = 0);

// The lines of a section: its header, then its rows with the columns aligned (numbers to the
// right, a text left as it is), no blank before a comma.
void appendSection(std::vector<std::string>& lines, const std::string& header,
                   const std::vector<Row>& rows);
// Lines joined with CR LF after each.
std::string joinLines(const std::vector<std::string>& lines);

// What every part of the decompiler shares: the model read, and where it says what it cannot
// give back.
struct Context {
  const CompiledModel& model;
  Hints& hints;
  std::vector<std::string>& notes;

  int32_t lastCell() const { return static_cast<int32_t>(model.cells.size()) - 1; }
  // The first reason said for a place stands.
  void hint(CompiledPart part, int64_t index, const std::string& why) const {
    hints.emplace(std::pair{part, index}, why);
  }
};

// Why a record text cannot stand as the last field of a row; empty when it can.
std::string textProblem(const std::string& text);

// Rows of a stretch property (gradient, speed, adhesion): one at each cell where the value
// changes, up to lastCell - 3 (the last cell the readers' tails write); cells after it must
// hold 0. `initial` is what the cells hold before the first row.
struct Stretch {
  const char* keyword;
  const char* field;
  uint8_t TrackCell::*member;
  uint8_t initial;
  int64_t (*rowValue)(uint8_t stored);
};
std::vector<Row> stretchRows(const Context& c, const Stretch& s);

// The line description, whole.
std::string lineText(const Context& c);

// The train description without reduction rows, and the rendering with them.
struct TrainRows {
  std::vector<Row> general;
  std::vector<Row> adhesion;
  std::vector<Row> speeds;
  std::vector<Row> stations;
  std::vector<Row> slowdowns;
  std::vector<Row> signals;
};
TrainRows trainRows(const Context& c);
std::string trainText(const TrainRows& rows, const std::vector<Row>& reductions);

// An "abbattimento" row for the reduction point in cell index.
Row reductionRow(const TrackCell& cell, int64_t index);

}  // namespace sc::decompiling

#include "compiler/decompile_rows.h"

#include <algorithm>

#include "compiler/rules.h"

namespace sc::decompiling {

Row numbers(std::string keyword, std::initializer_list<int64_t> values, int64_t position) {
  Row r{std::move(keyword), {}, false, position};
  for (int64_t v : values) r.values.push_back(std::to_string(v));
  return r;
}

void appendSection(std::vector<std::string>& lines, const std::string& header,
                   const std::vector<Row>& rows) {
  if (!header.empty()) lines.push_back(header);
  size_t keywordWidth = 0;
  std::vector<size_t> widths;
  for (const Row& r : rows) {
    keywordWidth = std::max(keywordWidth, r.keyword.size());
    if (widths.size() < r.values.size()) widths.resize(r.values.size(), 0);
    for (size_t j = 0; j < r.values.size(); ++j) {
      if (r.lastIsText && j + 1 == r.values.size()) continue;
      widths[j] = std::max(widths[j], r.values[j].size());
    }
  }
  for (const Row& r : rows) {
    std::string line = r.keyword + ",";
    line.append(keywordWidth - r.keyword.size(), ' ');
    for (size_t j = 0; j < r.values.size(); ++j) {
      const std::string& v = r.values[j];
      const bool text = r.lastIsText && j + 1 == r.values.size();
      line += ' ';
      if (!text) line.append(widths[j] - v.size(), ' ');
      line += v;
      if (j + 1 < r.values.size()) line += ',';
    }
    lines.push_back(line);
  }
}

std::string joinLines(const std::vector<std::string>& lines) {
  std::string out;
  for (const std::string& l : lines) out += l + "\r\n";
  return out;
}

std::string textProblem(const std::string& text) {
  for (char ch : text) {
    if (ch == ',') return "its text holds a comma, which would end the field";
    if (ch == '\r' || ch == '\n') return "its text holds a line end";
  }
  auto blank = [](char ch) { return ch == ' ' || ch == '\t'; };
  if (!text.empty() && (blank(text.front()) || blank(text.back()))) {
    return "its text begins or ends with a blank, which the reader drops";
  }
  return {};
}

std::vector<Row> stretchRows(const Context& c, const Stretch& s) {
  std::vector<Row> rows;
  const auto& cells = c.model.cells;
  const int64_t lastWritten = int64_t{c.lastCell()} - 3;
  uint8_t previous = s.initial;
  for (int64_t i = 0; i < static_cast<int64_t>(cells.size()); ++i) {
    const uint8_t v = cells[static_cast<size_t>(i)].*s.member;
    if (i > lastWritten) {
      if (v != 0) {
        c.hint(CompiledPart::Cells, i,
               std::string(s.field) + " after cell lastCell - 3, which no " + s.keyword +
                   " row reaches");
      }
      continue;
    }
    if (v == previous) continue;
    rows.push_back(numbers(s.keyword, {cellToMetres(i), s.rowValue(v)}, cellToMetres(i)));
    previous = v;
  }
  return rows;
}

Row reductionRow(const TrackCell& cell, int64_t index) {
  // A row value of 0 or less gives a point without a value; a value that is not positive
  // comes back through its low 16 bits.
  int64_t value = 0;
  if (cell.kind == CellReductionPoint) value = cell.value1 > 0 ? cell.value1 : cell.value1 + 65536;
  return numbers("abbattimento", {cellToMetres(index), value}, cellToMetres(index));
}

}  // namespace sc::decompiling

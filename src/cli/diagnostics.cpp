#include "cli/diagnostics.h"

#include <algorithm>
#include <charconv>

#include "compiler/field_stream.h"
#include "compiler/rules.h"

namespace sc {
namespace {

// The cell a fault concerns, where its position tells it.
std::optional<int64_t> cellOfFault(int32_t number, std::optional<int32_t> position) {
  if (!position) return std::nullopt;
  switch (number) {
    case err::IndicationBoardOccupied:
    case err::SignalOccupied:
    case err::SlowdownStartOccupied:
    case err::SpeedBoardOccupied:
      return pointCell(*position);
    case err::WarningOccupied:
      return pointCell(static_cast<double>(*position) - 1200);
    case err::ReductionOccupied:
      return boundaryCell(*position);
    case err::SignalNoPoint:
    case err::BandNotFree:
    case err::SlowdownNoPoint:
      return *position / 50;
    default:
      return std::nullopt;
  }
}

std::string_view trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

std::optional<int64_t> numberIn(std::string_view s) {
  s = trim(s);
  int64_t v = 0;
  auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (ec != std::errc() || p != s.data() + s.size()) return std::nullopt;
  return v;
}

std::vector<std::string_view> splitFields(std::string_view line) {
  std::vector<std::string_view> fields;
  size_t begin = 0;
  for (size_t i = 0; i <= line.size(); ++i) {
    if (i == line.size() || line[i] == ',') {
      fields.push_back(line.substr(begin, i - begin));
      begin = i + 1;
    }
  }
  return fields;
}

// Whether a train-text row is the signal or slowdown that a post-pass fault at cell concerns.
bool concernsCell(std::string_view line, int32_t number, int64_t cell) {
  std::vector<std::string_view> fields = splitFields(line);
  std::string keyword = lowerCodePage(trim(fields[0]));
  if (number == err::SignalNoPoint) {
    if (keyword.find("segnale") == std::string::npos || fields.size() < 2) return false;
    auto p = numberIn(fields[1]);
    return p && pointCell(static_cast<double>(*p)) == cell;
  }
  if (keyword.find("rallentamento") == std::string::npos || fields.size() < 4) return false;
  auto x = numberIn(fields[1]);
  auto l = numberIn(fields[3]);
  if (!x || !l) return false;
  int64_t start = pointCell(static_cast<double>(*x));
  int64_t end = pointCell(static_cast<double>(*x + *l));
  // Rule B concerns the start cell; rules C and D the cells inside and just after the end.
  return number == err::BandNotFree ? start == cell : (cell > start && cell <= end + 13);
}

void findPostPassRow(const SourceText& train, int32_t number, int64_t cell, Diagnostic& d) {
  size_t lineCount =
      static_cast<size_t>(std::count(train.content.begin(), train.content.end(), '\n') +
                          std::count(train.content.begin(), train.content.end(), '\r') + 1);
  for (int32_t n = 1; static_cast<size_t>(n) <= lineCount; ++n) {
    std::string_view line = lineOfText(train.content, n);
    if (!concernsCell(line, number, cell)) continue;
    size_t first = line.find_first_not_of(" \t");
    d.file = train.path.string();
    d.line = n;
    d.column = static_cast<int32_t>(first == std::string_view::npos ? 0 : first) + 1;
    d.sourceLine = std::string(line);
    return;
  }
}

}  // namespace

std::vector<Diagnostic> placeFaults(const ErrorRecord& record,
                                    const std::vector<SourceText>& texts) {
  std::vector<Diagnostic> out;
  for (const Fault& f : record.faults) {
    Diagnostic d;
    d.number = f.number;
    d.position = f.position;
    d.cell = cellOfFault(f.number, f.position);
    d.message = errorMeaning(f.number);
    d.detail = f.detail;
    const SourceText* text = nullptr;
    for (const SourceText& t : texts) {
      if (t.label == f.place.file) text = &t;
    }
    if (text) {
      d.file = text->path.string();
      d.line = f.place.line;
      d.column = f.place.column;
      d.sourceLine = std::string(lineOfText(text->content, f.place.line));
    } else if (d.cell && texts.size() > 1 &&
               (f.number == err::SignalNoPoint || f.number == err::BandNotFree ||
                f.number == err::SlowdownNoPoint)) {
      findPostPassRow(texts[1], f.number, *d.cell, d);
    }
    out.push_back(std::move(d));
  }
  return out;
}

void printDiagnostic(const Diagnostic& d, std::ostream& out) {
  if (!d.file.empty()) {
    out << d.file;
    if (d.line > 0) out << ":" << d.line << ":" << d.column;
    out << ": ";
  } else {
    out << "scenario-compactor: ";
  }
  out << "error " << d.number << ": " << d.message;
  if (!d.detail.empty()) out << ": " << d.detail;
  if (d.position || d.cell) {
    out << " [";
    if (d.position) out << "at " << *d.position << " m";
    if (d.position && d.cell) out << ", ";
    if (d.cell) out << "cell " << *d.cell;
    out << "]";
  }
  out << "\n";
  if (d.line > 0) {
    out << d.sourceLine << "\n";
    std::string caret;
    for (int32_t i = 0; i + 1 < d.column && i < static_cast<int32_t>(d.sourceLine.size()); ++i) {
      caret += d.sourceLine[static_cast<size_t>(i)] == '\t' ? '\t' : ' ';
    }
    out << caret << "^\n";
  }
}

}  // namespace sc

#include "cli/report_text.h"

#include <algorithm>
#include <string>
#include <vector>

#include "compiler/rules.h"

namespace sc {
namespace {

std::string num(int64_t v) {
  return std::to_string(v);
}

// Columns padded to their widest entry; right-aligned columns hold numbers.
class Table {
 public:
  Table(std::vector<std::string> header, std::vector<bool> right)
      : header_(std::move(header)), right_(std::move(right)) {}
  void add(std::vector<std::string> row) { rows_.push_back(std::move(row)); }

  void print(std::ostream& out) const {
    std::vector<size_t> width(header_.size(), 0);
    for (size_t c = 0; c < header_.size(); ++c) width[c] = displayWidth(header_[c]);
    for (const auto& row : rows_) {
      for (size_t c = 0; c < row.size() && c < width.size(); ++c) {
        width[c] = std::max(width[c], displayWidth(row[c]));
      }
    }
    line(out, header_, width);
    for (const auto& row : rows_) line(out, row, width);
  }

 private:
  void line(std::ostream& out, const std::vector<std::string>& row,
            const std::vector<size_t>& width) const {
    std::string text = " ";
    for (size_t c = 0; c < row.size(); ++c) {
      std::string pad(width[c] - displayWidth(row[c]), ' ');
      bool last = c + 1 == row.size();
      text += " ";
      text += right_[c] ? pad + row[c] : row[c] + (last ? "" : pad);
      if (!last) text += " ";
    }
    out << text << "\n";
  }

  std::vector<std::string> header_;
  std::vector<bool> right_;
  std::vector<std::vector<std::string>> rows_;
};

void heading(std::ostream& out, const std::string& title) {
  out << "\n" << title << "\n" << std::string(title.size(), '-') << "\n";
}

std::string orDash(const std::optional<int32_t>& v) {
  return v ? num(*v) : "-";
}

void printTitle(const CompiledScenario& s, std::ostream& out) {
  if (s.recordsWhole) {
    out << "Compiled scenario " << displayText(utf8FromCodePage(s.records[kRecordScenario].text))
        << ", train " << displayText(utf8FromCodePage(s.records[kRecordService].text)) << "\n";
  } else if (s.hasRecords) {
    out << "Compiled scenario " << s.recordFile.filename().string() << " (record file cut short)\n";
  } else {
    out << "Compiled " << (s.hasCells ? "cell" : "plan") << " file (read alone)\n";
  }
}

void printFiles(const CompiledScenario& s, std::ostream& out) {
  heading(out, "Files");
  Table t({"file", "path", "size"}, {false, false, true});
  if (!s.recordFile.empty()) {
    t.add({"records", s.recordFile.string(), num(static_cast<int64_t>(s.recordBytes)) + " bytes"});
  }
  if (!s.cellFile.empty()) {
    t.add({"cells", s.cellFile.string(),
           s.hasCells ? num(static_cast<int64_t>(s.cellBytes)) + " bytes" : "missing"});
  }
  if (!s.planFile.empty()) {
    t.add({"plan", s.planFile.string(), num(static_cast<int64_t>(s.planBytes)) + " bytes"});
  }
  t.print(out);
  for (const std::string& note : s.notes) out << "  note: " << note << "\n";
}

void printGeneral(const ReportModel::General& g, std::ostream& out) {
  heading(out, "General records");
  Table t({"meaning", "slot", "value"}, {false, false, false});
  t.add({"scenario name", "85.text", displayText(g.scenarioName)});
  t.add({"train number", "86.text", displayText(g.trainNumber)});
  t.add({"route length", "84.end", num(g.routeLength) + " m"});
  for (const ReportModel::KmReference& k : g.kmReferences) {
    t.add({"kilometre reference", num(k.record) + ".start/end/position",
           num(k.start) + " / " + num(k.end) + " / " + num(k.position)});
  }
  t.add({"backgrounds one/two/three", "85.start/position/end",
         num(g.backgroundOne) + " / " + num(g.backgroundTwo) + " / " + num(g.backgroundThree)});
  t.add({"signal repetition", "86.start/end/position",
         num(g.repetitionStart) + " m to " + num(g.repetitionEnd) + " m, " +
             num(g.repetitionCodes) + " codes"});
  t.add({"coaches", "84.position", num(g.coaches)});
  t.add({"braked mass", "84.start", num(g.brakedMassPercent) + " %"});
  t.add({"sand", "86.groupA1", num(g.sand)});
  t.add({"start clock", "86.groupB1-3", g.clock});
  t.print(out);
}

void printStations(const ReportModel& m, std::ostream& out) {
  heading(out, m.stations.empty()
                   ? std::string("Stations (none)")
                   : "Stations (records 1 to " + num(m.stations.back().record) + ")");
  if (m.stations.empty()) return;
  Table t({"rec", "name", "kind", "area (m)", "position (m)", "stop cell", "time", "stopTime"},
          {true, false, true, true, true, true, true, true});
  for (const ReportModel::Station& st : m.stations) {
    t.add({num(st.record), displayText(st.name), num(st.kind), num(st.start) + "-" + num(st.end),
           num(st.position), orDash(st.stopCell), clockText(st.scheduledTime), num(st.stopTime)});
  }
  t.print(out);
}

void printBoards(const ReportModel& m, std::ostream& out) {
  heading(out, m.boardTexts.empty()
                   ? std::string("Board texts (none)")
                   : "Board texts (records 80 to " + num(m.boardTexts.back().record) + ")");
  if (m.boardTexts.empty()) return;
  Table t({"rec", "cell", "text"}, {true, true, false});
  for (const ReportModel::BoardText& b : m.boardTexts) {
    t.add({num(b.record), orDash(b.cell), displayText(b.text)});
  }
  t.print(out);
}

void printKinds(const CompiledScenario& s, const ReportModel& m, std::ostream& out) {
  heading(out, "Cells by kind (" + num(static_cast<int64_t>(s.cells.size())) + " cells)");
  Table t({"kind", "name", "cells"}, {true, false, true});
  for (const ReportModel::KindCount& k : *m.kinds) t.add({num(k.kind), k.name, num(k.cells)});
  t.print(out);
}

void printChecks(const Findings& f, std::ostream& out) {
  heading(out, "Markers and verification codes");
  Table t({"check", "slot", "found", "expected", "result"}, {false, false, true, true, false});
  for (const Check& c : f.checks) {
    if (!c.made()) {
      t.add({c.name, c.slot, "-", c.expected ? num(*c.expected) : "-",
             "not checked: " + c.unchecked});
    } else {
      t.add({c.name, c.slot, num(*c.found), num(*c.expected), c.matches() ? "matches" : "DIFFERS"});
    }
  }
  t.print(out);
}

void printResult(const Findings& f, std::ostream& out) {
  out << "\n";
  for (const FileProblem& w : f.warnings) {
    out << "Warning: " << w.file.filename().string() << ": " << w.what << "\n";
  }
  if (f.problems.empty()) {
    out << "Result: the files are whole and consistent\n";
  } else {
    out << "Result: " << f.problems.size() << " problem" << (f.problems.size() == 1 ? "" : "s")
        << " (on standard error)\n";
  }
}

std::vector<std::string> cellRow(const std::vector<TrackCell>& cells, int32_t i) {
  const TrackCell& c = cells[static_cast<size_t>(i)];
  return {num(i),
          num(cellToMetres(i)),
          num(c.kind) + " " + cellKindName(c.kind),
          num(c.value1),
          num(c.value2),
          num(c.value3),
          num(c.value4),
          num(c.signalTime),
          num(c.approachCode),
          num(c.mountainType),
          num(c.speedStep),
          num(c.gradientCode),
          num(c.adhesion)};
}

}  // namespace

void printReport(const CompiledScenario& s, const ReportModel& m, const Findings& f,
                 std::ostream& out) {
  printTitle(s, out);
  printFiles(s, out);
  if (s.hasRecords) {
    if (m.general) {
      printGeneral(*m.general, out);
    } else {
      heading(out, "General records");
      out << "  not shown: the record file ends before records 81 to 86\n";
    }
    printStations(m, out);
    printBoards(m, out);
  }
  if (m.kinds) printKinds(s, m, out);
  if (m.plan) {
    heading(out, "Plan");
    out << "  " << m.plan->rows << " rows (x and y entries each), " << m.plan->emptyRows
        << " of them empty\n";
  }
  printChecks(f, out);
  printResult(f, out);
}

void printCells(const CompiledScenario& s, std::pair<int32_t, int32_t> range, std::ostream& out) {
  printTitle(s, out);
  heading(out, "Cells " + num(range.first) + " to " + num(range.second) + " of " +
                   s.cellFile.filename().string());
  Table t({"cell", "metres", "kind", "value1", "value2", "value3", "value4", "signalTime",
           "approachCode", "mountainType", "speedStep", "gradientCode", "adhesion"},
          {true, true, false, true, true, true, true, true, true, true, true, true, true});
  for (int32_t i = range.first; i <= range.second; ++i) t.add(cellRow(s.cells, i));
  t.print(out);
}

}  // namespace sc

#include "cli/diagnostics.h"

#include <algorithm>
#include <cstdio>

#include "compiler/field_stream.h"

namespace sc {
namespace {

constexpr size_t kQuotedBytes = 200;
constexpr const char* kCut = "...";

PlacedText place(const SourcePlace& p, const std::vector<SourceText>& texts) {
  PlacedText out;
  for (const SourceText& t : texts) {
    if (t.label != p.file || p.file.empty()) continue;
    out.file = t.path.string();
    if (p.line > 0) {
      out.line = p.line;
      out.column = p.column;
      out.sourceLine = std::string(lineOfText(t.content, p.line));
    }
  }
  return out;
}

std::vector<DiagnosticNote> placeNotes(const std::vector<Note>& notes,
                                       const std::vector<SourceText>& texts) {
  std::vector<DiagnosticNote> out;
  for (const Note& n : notes) out.push_back({place(n.place, texts), n.message});
  return out;
}

Diagnostic fromFault(const Fault& f, const std::vector<SourceText>& texts) {
  Diagnostic d;
  d.number = f.number;
  d.at = place(f.place, texts);
  d.position = f.position;
  d.cell = f.cell;
  d.message = errorMeaning(f.number);
  d.detail = f.detail;
  d.notes = placeNotes(f.notes, texts);
  d.afterFirst = f.afterFirst;
  return d;
}

void printPlace(const PlacedText& at, std::ostream& out) {
  if (!at.file.empty()) {
    out << at.file;
    if (at.line > 0) out << ":" << at.line << ":" << at.column;
    out << ": ";
  } else {
    out << "scenario-compactor: ";
  }
}

void printRow(const PlacedText& at, std::ostream& out) {
  if (at.line <= 0) return;
  QuotedRow q = quoteRow(at.sourceLine, at.column);
  out << q.text << "\n";
  std::string caret;
  for (size_t i = 0; i < q.caret; ++i) caret += q.text[i] == '\t' ? '\t' : ' ';
  out << caret << "^\n";
}

void placeJson(const PlacedText& at, nlohmann::json& j) {
  j["file"] = at.file.empty() ? nlohmann::json() : nlohmann::json(at.file);
  j["line"] = at.line > 0 ? nlohmann::json(at.line) : nlohmann::json();
  j["column"] = at.line > 0 ? nlohmann::json(at.column) : nlohmann::json();
}

}  // namespace

std::string applyWarningFlags(const std::vector<std::string>& flags, WarningOptions& options) {
  for (const std::string& flag : flags) {
    if (flag == "error") {
      options.werror = true;
    } else if (flag == "all") {
      options.disabled.clear();
    } else if (flag.rfind("no-", 0) == 0 && warningInfo(flag.substr(3))) {
      options.disabled.insert(flag.substr(3));
    } else if (warningInfo(flag)) {
      options.disabled.erase(flag);
    } else {
      std::string names;
      for (const WarningInfo& w : warningTable()) names += std::string(" ") + w.name;
      return "unknown warning option '-W" + flag + "'; the warnings are:" + names;
    }
  }
  return {};
}

QuotedRow quoteRow(std::string_view row, int32_t column) {
  const size_t at = column > 0 ? std::min(static_cast<size_t>(column - 1), row.size()) : 0;
  size_t from = 0;
  if (row.size() > kQuotedBytes && at > kQuotedBytes / 2) {
    from = std::min(at - kQuotedBytes / 2, row.size() - kQuotedBytes);
  }
  const size_t to = std::min(row.size(), from + kQuotedBytes);
  QuotedRow q;
  if (from > 0) q.text = kCut;
  for (size_t i = from; i < to; ++i) {
    if (i == at) q.caret = q.text.size();
    unsigned char c = static_cast<unsigned char>(row[i]);
    if ((c < 0x20 && c != '\t') || c == 0x7F) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\x%02x", c);
      q.text += buf;
    } else {
      q.text += static_cast<char>(c);
    }
  }
  if (at >= to) q.caret = q.text.size();
  if (to < row.size()) q.text += kCut;
  return q;
}

std::vector<Diagnostic> collectDiagnostics(const Build& b, const std::vector<SourceText>& texts,
                                           const WarningOptions& options) {
  std::vector<std::pair<uint32_t, Diagnostic>> found;
  for (const Fault& f : b.error.faults) found.emplace_back(f.sequence, fromFault(f, texts));
  for (const Warning& w : b.warnings) {
    if (options.disabled.count(w.name) != 0) continue;
    Diagnostic d;
    d.warning = true;
    d.promoted = options.werror;
    d.warningName = w.name;
    d.at = place(w.place, texts);
    d.message = w.message;
    d.notes = placeNotes(w.notes, texts);
    d.afterFirst = w.afterFirst;
    found.emplace_back(w.sequence, std::move(d));
  }
  std::stable_sort(found.begin(), found.end(),
                   [](const auto& a, const auto& c) { return a.first < c.first; });
  std::vector<Diagnostic> out;
  for (auto& [seq, d] : found) out.push_back(std::move(d));
  if (b.errore) out.push_back(fromFault(*b.errore, texts));
  return out;
}

void printDiagnostic(const Diagnostic& d, std::ostream& out) {
  printPlace(d.at, out);
  if (d.warning) {
    out << (d.promoted ? "error: " : "warning: ") << d.message << " ["
        << (d.promoted ? "-Werror,-W" : "-W") << d.warningName << "]";
  } else {
    out << "error " << d.number << ": " << d.message;
    if (!d.detail.empty()) out << ": " << d.detail;
    if (d.position || d.cell) {
      out << " [";
      if (d.position) out << "at " << *d.position << " m";
      if (d.position && d.cell) out << ", ";
      if (d.cell) out << "cell " << *d.cell;
      out << "]";
    }
  }
  if (d.afterFirst) out << " (found after the first fault)";
  out << "\n";
  printRow(d.at, out);
  for (const DiagnosticNote& n : d.notes) {
    printPlace(n.at, out);
    out << "note: " << n.message << "\n";
    printRow(n.at, out);
  }
}

void printUnlisted(const Build& b, std::ostream& out) {
  if (b.unlistedFaults == 0 && b.unlistedWarnings == 0) return;
  out << "scenario-compactor: " << b.unlistedFaults << " more faults and " << b.unlistedWarnings
      << " more warnings were found and are not listed\n";
}

nlohmann::json diagnosticJson(const Diagnostic& d) {
  nlohmann::json j;
  j["severity"] = d.warning && !d.promoted ? "warning" : "error";
  if (d.warning) {
    j["warning"] = d.warningName;
  } else {
    j["number"] = d.number;
  }
  j["message"] = d.message;
  placeJson(d.at, j);
  j["position"] = d.position ? nlohmann::json(*d.position) : nlohmann::json();
  j["cell"] = d.cell ? nlohmann::json(*d.cell) : nlohmann::json();
  j["detail"] = d.detail;
  j["afterFirst"] = d.afterFirst;
  j["notes"] = nlohmann::json::array();
  for (const DiagnosticNote& n : d.notes) {
    nlohmann::json note;
    note["message"] = n.message;
    placeJson(n.at, note);
    j["notes"].push_back(note);
  }
  return j;
}

}  // namespace sc

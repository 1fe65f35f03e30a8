#include "compiler/build.h"

#include "compiler/file_io.h"

namespace sc {

const char* itemName(uint8_t kind) {
  switch (kind) {
    case CellSignal:
      return "signal";
    case CellSlowdownEnd:
      return "slowdown end";
    case CellSlowdownStart:
      return "slowdown start";
    case CellSlowdownWarning:
      return "slowdown warning board";
    case CellSlowdownApproach:
      return "slowdown approach cell";
    case CellSpeedBoard:
      return "speed board";
    case CellStationStop:
      return "station stop";
    case CellTunnelMarker:
      return "tunnel marker";
    case CellReductionPoint:
      return "reduction point";
    case CellReductionPointNoValue:
      return "reduction point";
    case CellIndicationBoard:
      return "indication board";
    default:
      return "item";
  }
}

namespace {

// The held text of a source file, const or not; nullptr when the file is not held.
template <class Held>
auto heldText(Held& held, const ScenarioFiles& f, const std::filesystem::path& file)
    -> decltype(&held->line) {
  if (!held) return nullptr;
  if (file == f.lineDescription()) return &held->line;
  if (file == f.trainDescription()) return &held->train;
  return nullptr;
}

}  // namespace

bool Build::sourceExists(const std::filesystem::path& file) const {
  if (auto* t = heldText(held, files, file)) return t->has_value();
  return fileExists(file);
}

std::string Build::readSource(const std::filesystem::path& file) const {
  if (auto* t = heldText(held, files, file)) {
    if (!t->has_value()) throw FileError(file, "cannot open: No such file or directory");
    return std::string(**t);
  }
  return readFile(file);
}

void Build::deleteSource(const std::filesystem::path& file) {
  if (auto* t = heldText(held, files, file)) {
    if (!t->has_value()) throw FileError(file, "cannot delete: No such file or directory");
    t->reset();
    return;
  }
  deleteFile(file);
}

Fault& Build::recordFault(int32_t number, std::optional<int32_t> position, SourcePlace place,
                          std::string detail, std::optional<int64_t> cell) {
  error.errorNumber = number;
  if (position) error.errorPosition = *position;
  ++faultCount;
  if (error.faults.size() >= kListedLimit) {
    ++unlistedFaults;
    unlisted = Fault{};
    return unlisted;
  }
  Fault f;
  f.number = number;
  f.position = position;
  f.place = std::move(place);
  f.detail = std::move(detail);
  f.cell = cell;
  f.sequence = ++sequence;
  error.faults.push_back(std::move(f));
  return error.faults.back();
}

void Build::addPosition(int32_t position) {
  error.errorPosition = position;
  if (unlistedFaults == 0 && !error.faults.empty()) error.faults.back().position = position;
}

void Build::warn(const char* name, std::string message, SourcePlace place,
                 std::vector<Note> notes) {
  if (warnings.size() >= kListedLimit) {
    ++unlistedWarnings;
    return;
  }
  Warning w;
  w.name = name;
  w.message = std::move(message);
  w.place = std::move(place);
  w.notes = std::move(notes);
  w.sequence = ++sequence;
  warnings.push_back(std::move(w));
}

void Build::markOrigin(int64_t c) {
  if (!track.inCells(c)) return;
  if (origins.size() != track.trackCells.size()) origins.resize(track.trackCells.size());
  CellOrigin& o = origins[static_cast<size_t>(c)];
  o.place = row;
  o.rule = 0;
  o.forRow = SourcePlace{};
}

void Build::markAutomatic(int64_t c, char rule, int64_t forCell) {
  if (!track.inCells(c)) return;
  if (origins.size() != track.trackCells.size()) origins.resize(track.trackCells.size());
  CellOrigin& o = origins[static_cast<size_t>(c)];
  o.place = SourcePlace{};
  o.rule = rule;
  o.forRow = rowOf(forCell);
}

const CellOrigin* Build::originOf(int64_t c) const {
  if (c < 0 || static_cast<size_t>(c) >= origins.size()) return nullptr;
  return &origins[static_cast<size_t>(c)];
}

SourcePlace Build::rowOf(int64_t c) const {
  const CellOrigin* o = originOf(c);
  if (o == nullptr) return {};
  return o->rule != 0 ? SourcePlace{} : o->place;
}

std::optional<Note> Build::occupantNote(int64_t c) const {
  if (!track.inCells(c)) return std::nullopt;
  const TrackCell& cell = track.trackCells[static_cast<size_t>(c)];
  if (!isOccupied(cell)) return std::nullopt;
  std::string head = "cell " + std::to_string(c) + " holds the " + itemName(cell.kind);
  const CellOrigin* o = originOf(c);
  if (o != nullptr && o->rule != 0) {
    std::string msg = head + " placed automatically by rule " + std::string(1, o->rule);
    if (o->forRow.line > 0) {
      msg += std::string(o->rule == 'A' ? " for the signal" : " for the slowdown") + " of line " +
             std::to_string(o->forRow.line);
    }
    return Note{msg, o->forRow};
  }
  if (o != nullptr && o->place.line > 0) {
    return Note{head + " placed by line " + std::to_string(o->place.line), o->place};
  }
  return Note{head, {}};
}

void Build::addOccupantNote(Fault& f, int64_t c) const {
  if (auto n = occupantNote(c)) f.notes.push_back(std::move(*n));
}

}  // namespace sc

// The state of one build: the scenario's identity, the folder its files lie in, the model
// (cells, plan table, record table) and the error record.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "compiler/errors.h"
#include "compiler/records.h"
#include "compiler/track.h"

namespace sc {

// The names of every file of a scenario S with train number T, in one folder. The compiled
// files may go to a folder of their own (compiledFolder, when set).
struct ScenarioFiles {
  std::filesystem::path folder;
  std::string scenarioName;
  std::string trainNumber;
  std::filesystem::path compiledFolder{};

  std::filesystem::path lineDescription() const { return at(scenarioName + "_linea.txt"); }
  std::filesystem::path trainDescription() const { return at(train() + "-.txt"); }
  std::filesystem::path notes() const { return at(train() + "_note.txt"); }
  std::filesystem::path slowdownOrder() const { return at(train() + "_rallentamenti.txt"); }
  std::filesystem::path timetableCard() const { return at(train() + "_scheda_treno.txt"); }
  std::filesystem::path planFile() const { return compiled(scenarioName + "_linea.dat"); }
  std::filesystem::path recordFile() const { return compiled(train() + ".sim"); }
  std::filesystem::path cellFile() const { return compiled(train() + ".dat"); }

  // The five texts in the order the build writes them: the two source texts, then the
  // notes, the slowdown order and the timetable card.
  std::vector<std::filesystem::path> texts() const {
    return {lineDescription(), trainDescription(), notes(), slowdownOrder(), timetableCard()};
  }
  // The compiled files in the order they are written; the plan file only with the plan.
  std::vector<std::filesystem::path> compiledFiles(bool withPlan = true) const {
    std::vector<std::filesystem::path> files;
    if (withPlan) files.push_back(planFile());
    files.push_back(recordFile());
    files.push_back(cellFile());
    return files;
  }

 private:
  std::string train() const { return scenarioName + "_" + trainNumber; }
  std::filesystem::path at(const std::string& name) const { return folder / name; }
  std::filesystem::path compiled(const std::string& name) const {
    return (compiledFolder.empty() ? folder : compiledFolder) / name;
  }
};

// Which row put an item into a cell: a source row, or an automatic point of the post-pass
// (rule 'A' to 'D') serving the item placed by forRow.
struct CellOrigin {
  SourcePlace place;
  char rule = 0;
  SourcePlace forRow;
};

// What a cell kind holds, in words ("signal", "slowdown start", ...).
const char* itemName(uint8_t kind);

struct Build {
  ScenarioFiles files;
  int32_t buildFlag = 1;

  Track track;
  RecordTable records;
  ErrorRecord error;

  Build(std::filesystem::path folder, std::string scenarioName, std::string trainNumber,
        int32_t flag = 1)
      : files{std::move(folder), std::move(scenarioName), std::move(trainNumber)},
        buildFlag(flag) {}

  // Source texts held in memory instead of the folder (not owned: they must outlive the
  // build): the readers then read them from here and their deletion drops them, so that a
  // check writes no file.
  struct HeldTexts {
    std::optional<std::string_view> line;
    std::optional<std::string_view> train;
  };
  std::optional<HeldTexts> held;
  bool sourceExists(const std::filesystem::path& file) const;
  std::string readSource(const std::filesystem::path& file) const;
  void deleteSource(const std::filesystem::path& file);

  // --- the diagnostics sink: every fault and warning of the build passes through here ---

  // The row being read; faults found while placing its items stand there.
  SourcePlace row;
  // Reading goes on after a fault, the faulty row skipped (a check's second reading). The
  // compiled bytes of such a build are never written.
  bool recovery = false;
  // For each cell, the row (or the post-pass rule) that last set its kind.
  std::vector<CellOrigin> origins;
  std::vector<Warning> warnings;
  // The stamp's fault (1250 or 1251), which is shown through errore, not recorded.
  std::optional<Fault> errore;

  // Records a fault: errorNumber always, errorPosition when the fault has one. The fault list
  // keeps every one in order for the diagnostics.
  // Numbers faults and warnings in the order they are found.
  uint32_t sequence = 0;
  // Every fault recorded, listed or not.
  size_t faultCount = 0;
  // At most this many faults and as many warnings are listed for the diagnostics (a text of
  // millions of faulty rows must not take the memory); the error record itself follows every
  // fault. The rest are only counted.
  static constexpr size_t kListedLimit = 1000;
  size_t unlistedFaults = 0;
  size_t unlistedWarnings = 0;
  // Receives what a fault beyond the limit would have been given.
  Fault unlisted;

  Fault& recordFault(int32_t number, std::optional<int32_t> position, SourcePlace place = {},
                     std::string detail = {}, std::optional<int64_t> cell = std::nullopt);
  // The position a placing method's caller adds to the fault just recorded.
  void addPosition(int32_t position);
  void warn(const char* name, std::string message, SourcePlace place, std::vector<Note> notes = {});

  // Remembers that the current row put an item into cell c.
  void markOrigin(int64_t c);
  // Remembers that post-pass rule `rule` put a reduction point into cell c for the item of
  // cell forCell.
  void markAutomatic(int64_t c, char rule, int64_t forCell);
  const CellOrigin* originOf(int64_t c) const;
  // "cell N holds the signal placed by line L", at that row; nothing for a free cell.
  std::optional<Note> occupantNote(int64_t c) const;
  void addOccupantNote(Fault& f, int64_t c) const;
  // The row that placed the item of cell c, or an empty place.
  SourcePlace rowOf(int64_t c) const;
};

}  // namespace sc

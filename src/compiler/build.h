// The state of one build: the scenario's identity, the folder its files lie in, the model
// (cells, plan table, record table) and the error record.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

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

 private:
  std::string train() const { return scenarioName + "_" + trainNumber; }
  std::filesystem::path at(const std::string& name) const { return folder / name; }
  std::filesystem::path compiled(const std::string& name) const {
    return (compiledFolder.empty() ? folder : compiledFolder) / name;
  }
};

struct Build {
  ScenarioFiles files;
  int32_t buildFlag = 1;

  Track track;
  RecordTable records;
  ErrorRecord error;

  // Record of the next indication-board text; the train reader stops its stations below it.
  int32_t boardTextSlot = kFirstBoardTextSlot;

  Build(std::filesystem::path folder, std::string scenarioName, std::string trainNumber,
        int32_t flag = 1)
      : files{std::move(folder), std::move(scenarioName), std::move(trainNumber)},
        buildFlag(flag) {}

  // Records a fault: errorNumber always, errorPosition when the fault has one. The fault list
  // keeps every one in order for the diagnostics.
  void recordFault(int32_t number, std::optional<int32_t> position, SourcePlace place = {},
                   std::string detail = {});
};

}  // namespace sc

// What a build interrupted by a failure at one of its steps may leave in its folder: the
// compiled files all of the earlier set or all of the new one, every other file its earlier
// self, its new self or (with no earlier self) absent. Shared by the fault-injection tests
// here and by the Windows probe that runs them under Wine, so it needs no test framework.
#pragma once

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "compiler/compiler.h"
#include "compiler/file_io.h"

namespace sc::test {

// Every name in a folder, with its bytes.
using Contents = std::map<std::string, std::string>;

inline Contents contents(const std::filesystem::path& folder) {
  Contents out;
  for (const auto& e : std::filesystem::directory_iterator(folder)) {
    out[e.path().filename().string()] =
        e.is_regular_file() ? readFile(e.path(), SIZE_MAX) : "<folder>";
  }
  return out;
}

// The names of the built-in scenario's files, by kind, as the build forms them.
inline std::vector<std::string> namesOf(const std::vector<std::filesystem::path>& files) {
  std::vector<std::string> names;
  for (const std::filesystem::path& f : files) names.push_back(f.filename().string());
  return names;
}
inline const std::vector<std::string> kTexts =
    namesOf(ScenarioFiles{{}, kScenarioName, kTrainNumber}.texts());
inline const std::vector<std::string> kSources(kTexts.begin(), kTexts.begin() + 2);
inline const std::vector<std::string> kDocuments(kTexts.begin() + 2, kTexts.end());
inline const std::vector<std::string> kCompiled =
    namesOf(ScenarioFiles{{}, kScenarioName, kTrainNumber}.compiledFiles());

inline bool among(const std::vector<std::string>& names, const std::string& name) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

// The bytes of the earlier file planted under a name before the failing build.
inline std::string oldBytes(const std::string& name) {
  return "earlier " + name + "\n";
}

inline void plantOldSet(const std::filesystem::path& folder,
                        const std::vector<std::string>& names) {
  for (const auto& n : names) replaceFile(folder / n, oldBytes(n));
}

// What is wrong with the folder found after a failure, against the new files of a clean run
// and the names planted before it; empty when all is well.
inline std::string checkOldOrNew(const Contents& found, const Contents& fresh,
                                 const std::vector<std::string>& planted) {
  int oldOnes = 0, newOnes = 0;
  for (const auto& n : kCompiled) {
    auto it = found.find(n);
    if (it == found.end()) return n + " is gone";
    if (it->second == oldBytes(n)) {
      ++oldOnes;
    } else if (it->second == fresh.at(n)) {
      ++newOnes;
    } else {
      return n + " is neither the earlier file nor the new one";
    }
  }
  if (oldOnes != 0 && newOnes != 0) {
    return std::to_string(oldOnes) + " earlier and " + std::to_string(newOnes) +
           " new compiled files: a mixed set";
  }
  for (const auto& [name, bytes] : found) {
    if (among(kCompiled, name)) continue;
    auto isNew = fresh.find(name);
    bool ok = (among(planted, name) && bytes == oldBytes(name)) ||
              (isNew != fresh.end() && bytes == isNew->second);
    if (!ok) return name + " is left in the folder, neither earlier nor new";
  }
  for (const auto& n : planted) {
    if (!found.count(n)) return n + " is gone";
  }
  return {};
}

}  // namespace sc::test

#include "cli/source_texts.h"

#include "compiler/code_page.h"
#include "compiler/file_io.h"
#include "driver/driver.h"

namespace sc {

std::string warningOptions(const CompileOptions& options, WarningOptions& warnings) {
  std::string why = applyWarningFlags(options.warningFlags, warnings);
  if (options.werror) warnings.werror = true;
  return why;
}

int settleOptions(const CompileOptions& options, std::ostream& err, Names& names,
                  WarningOptions& warnings) {
  for (const auto& input : {options.line, options.train}) {
    try {
      uint64_t size = regularFileSize(input);
      if (size > kMaxSourceTextBytes) {
        throw FileError(
            input, "cannot read: it is " + std::to_string(size) + " bytes long, more than the " +
                       std::to_string(kMaxSourceTextBytes) + " bytes a source text can have");
      }
    } catch (const FileError& e) {
      printFileError(err, e);
      return kExitFileSystem;
    }
  }
  names = deriveNames(options);
  if (!names.problem.empty()) {
    err << "scenario-compactor: " << names.problem << "\n";
    return kExitUsage;
  }
  if (std::string why = warningOptions(options, warnings); !why.empty()) {
    err << "scenario-compactor: " << why << "\n";
    return kExitUsage;
  }
  return kExitClean;
}

std::vector<SourceText> readSourceTexts(const CompileOptions& options, const ScenarioFiles& files) {
  std::vector<SourceText> texts;
  texts.push_back(
      {files.lineDescription().filename().string(), options.line, readFile(options.line)});
  texts.push_back(
      {files.trainDescription().filename().string(), options.train, readFile(options.train)});
  return texts;
}

int convertSourceTexts(const CompileOptions& options, std::vector<SourceText>& texts,
                       std::ostream& err) {
  const std::string& e = options.inputEncoding;
  if (e.empty() || e == "windows-1252" || e == "cp1252") return kExitClean;
  if (e != "utf-8" && e != "utf8") {
    err << "scenario-compactor: unknown input encoding '" << e
        << "' (utf-8 converts the texts; windows-1252 reads them as they are)\n";
    return kExitUsage;
  }
  for (SourceText& t : texts) {
    CodePageText converted = utf8ToCodePage(t.content);
    if (!converted.problem.empty()) {
      err << t.path.string() << ":" << converted.line << ":" << converted.column
          << ": error: " << converted.problem << "; the text cannot be converted\n";
      return kExitBadEncoding;
    }
    t.content = std::move(converted.bytes);
  }
  return kExitClean;
}

int exitStatusOf(const Build& b, const std::vector<Diagnostic>& diagnostics) {
  if (int status = exitStatusOf(b); status != kExitClean) return status;
  for (const Diagnostic& d : diagnostics) {
    if (d.warning && d.promoted) return kExitFaultRecorded;
  }
  return kExitClean;
}

nlohmann::json outcomeJson(const Names& names, const Build& b) {
  nlohmann::json j;
  j["scenario"] = names.scenario;
  j["trainNumber"] = names.train;
  j["errorNumber"] = b.error.errorNumber;
  j["errorPosition"] = b.error.errorPosition;
  j["errore"] = b.errore ? nlohmann::json(b.errore->number) : nlohmann::json();
  return j;
}

void putDiagnostics(const Build& b, const std::vector<Diagnostic>& diagnostics, nlohmann::json& j) {
  j["faults"] = nlohmann::json::array();
  j["warnings"] = nlohmann::json::array();
  for (const Diagnostic& d : diagnostics) {
    if (d.warning) {
      j["warnings"].push_back(diagnosticJson(d));
    } else if (d.number != err::MarkerSlotTaken && d.number != err::CodeSlotTaken) {
      j["faults"].push_back(diagnosticJson(d));
    }
  }
  j["unlistedFaults"] = b.unlistedFaults;
  j["unlistedWarnings"] = b.unlistedWarnings;
}

}  // namespace sc

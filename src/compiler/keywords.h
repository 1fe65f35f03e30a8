// The keywords and section headers each reader knows, for the warnings about rows that match
// no rule, and the "did you mean" of a misspelled keyword.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "compiler/build.h"
#include "compiler/field_stream.h"

namespace sc {

std::span<const char* const> lineKeywords();
std::span<const char* const> trainKeywords();
std::span<const char* const> lineSections();
std::span<const char* const> trainSections();

// The candidate nearest to field (letter case ignored) within a small edit distance.
std::optional<std::string> closestKeyword(std::string_view field,
                                          std::span<const char* const> candidates);

// What a reader tells about the fields that start a row but match none of its rules: unknown
// keywords, unknown section headers and rows after "[fine]".
class RowWatch {
 public:
  RowWatch(std::span<const char* const> keywords, std::span<const char* const> sections,
           const char* textName)
      : keywords_(keywords), sections_(sections), textName_(textName) {}

  // Called for every candidate keyword, after the rules; matched tells whether a rule took it.
  void field(Build& b, const FieldStream& s, const std::string& field, bool matched);

 private:
  std::span<const char* const> keywords_;
  std::span<const char* const> sections_;
  const char* textName_;
  bool afterEnd_ = false;
  bool afterEndTold_ = false;
};

// Positions of one kind of row that are meant to ascend: warns at a row whose position does
// not lie beyond the previous row's (the readers take the rows as they come).
class AscendingWatch {
 public:
  explicit AscendingWatch(const char* what) : what_(what) {}
  void row(Build& b, int32_t p, const SourcePlace& place);

 private:
  const char* what_;
  std::optional<SourcePlace> previous_;
  int32_t previousAt_ = 0;
};

// Warns when a stored text field looks like UTF-8.
void watchEncoding(Build& b, const std::string& what, const std::string& text,
                   const SourcePlace& place);

}  // namespace sc

// What the two readers of the source texts share: the text's field stream, the candidate
// keyword with the place of its row, the watch on keywords and sections, the ways a reading
// ends, and the platform failures a row raises.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "compiler/build.h"
#include "compiler/field_stream.h"
#include "compiler/keywords.h"
#include "compiler/platform_failure.h"

namespace sc {

// What follows a row (or a section) of a source text: the next row, the end of the rows (the
// reader's final step runs), or nothing more: the reading stopped on a fault.
enum class Next { Continue, EndRows, Stopped };

class SourceReader {
 public:
  SourceReader(Build& build, std::filesystem::path file, std::string content, RowWatch watch);

  // Reads the next candidate keyword; its place is where a fault of its row is reported.
  const std::string& readKeyword();

  // The reading stops: the text is deleted and, with a number, the fault recorded at the row.
  Next stopReading();
  Next stopReading(int32_t number, std::optional<int32_t> position = std::nullopt);

  // A fault of the current row. The reading stops, unless it recovers: then the fault is
  // recorded and the caller goes on with what follows.
  Next rowFault(int32_t number, std::optional<int32_t> position = std::nullopt);
  // The same for a fault of one value of the row, placed at that value.
  Next valueFault(int32_t number, const SourcePlace& value);

  // A reading that recovers records a platform failure of a row, passes over the rest of its
  // line and goes on with the next row.
  template <class Row>
  Next recovering(Row&& row) {
    try {
      return row();
    } catch (const PlatformFailure& f) {
      recordPlatformFailure(f);
      s.skipLine();
      return Next::Continue;
    }
  }

  // Platform failures of the current row.
  [[noreturn]] void failRow(const std::string& what) const;
  // A cell an item of the row needs must lie inside the cells.
  void requireCell(int64_t cell, const char* what) const;
  // A value of the row narrowed into the field that keeps it.
  template <class T>
  T fit(int64_t value, const char* what) const {
    return narrow<T>(value, what, rowPlace);
  }

  Build& b;
  std::filesystem::path file;
  FieldStream s;
  RowWatch watch;
  std::string field;     // the current field: the last keyword (or text value) read
  SourcePlace rowPlace;  // where the current row's keyword stands

 private:
  void recordPlatformFailure(const PlatformFailure& f);
};

}  // namespace sc

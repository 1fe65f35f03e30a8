#include "compiler/source_reader.h"

#include <utility>

namespace sc {

SourceReader::SourceReader(Build& build, std::filesystem::path path, std::string content,
                           RowWatch rowWatch)
    : b(build),
      file(std::move(path)),
      s(file.filename().string(), std::move(content)),
      watch(rowWatch) {}

const std::string& SourceReader::readKeyword() {
  field = s.readText();
  rowPlace = s.place();
  b.row = rowPlace;
  return field;
}

Next SourceReader::stopReading() {
  b.deleteSource(file);
  return Next::Stopped;
}

Next SourceReader::stopReading(int32_t number, std::optional<int32_t> position) {
  b.deleteSource(file);
  b.recordFault(number, position, rowPlace);
  return Next::Stopped;
}

Next SourceReader::rowFault(int32_t number, std::optional<int32_t> position) {
  if (!b.recovery) return stopReading(number, position);
  b.recordFault(number, position, rowPlace);
  return Next::Continue;
}

Next SourceReader::valueFault(int32_t number, const SourcePlace& value) {
  rowPlace = value;
  return rowFault(number);
}

void SourceReader::failRow(const std::string& what) const {
  throw PlatformFailure(what, rowPlace);
}

void SourceReader::requireCell(int64_t cell, const char* what) const {
  sc::requireCell(b.track.trackCells, cell, what, rowPlace);
}

void SourceReader::recordPlatformFailure(const PlatformFailure& f) {
  Fault& fault = b.recordFault(err::PlatformFailure, std::nullopt, f.place(), f.what());
  if (fault.place.file.empty()) fault.place = rowPlace;
}

}  // namespace sc

#include "sources/line_list.h"

#include "compiler/file_io.h"

namespace sc {

std::vector<std::string> makeLineList(std::span<const char* const> fixedLines) {
  std::vector<std::string> list(kLineListSize);
  size_t i = 0;
  for (; i < fixedLines.size() && i + 1 < kLineListSize; ++i) list[i] = fixedLines[i];
  list[i] = kEndMarker;
  return list;
}

std::string renderLineList(const std::vector<std::string>& lineList) {
  std::string out;
  for (const std::string& entry : lineList) {
    if (entry == kEndMarker) break;
    out += entry;
    out += "\r\n";
  }
  return out;
}

void writeLineList(const std::filesystem::path& file, const std::vector<std::string>& lineList) {
  replaceFile(file, renderLineList(lineList));
}

}  // namespace sc

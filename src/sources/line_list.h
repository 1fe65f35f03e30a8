// The line list shared by every text writer: fixed lines from index 0, closed by the end
// marker, written up to and not including the first entry equal to the marker.
#pragma once

#include <filesystem>
#include <span>
#include <string>
#include <vector>

namespace sc {

inline constexpr const char* kEndMarker = "riferimento fine del file";
constexpr size_t kLineListSize = 1001;

// A line list of 1001 entries: the fixed lines from index 0, then the end marker.
std::vector<std::string> makeLineList(std::span<const char* const> fixedLines);

// The bytes of a text: every entry before the first end marker, each followed by CR LF.
std::string renderLineList(const std::vector<std::string>& lineList);

// Replaces the file with the rendered line list.
void writeLineList(const std::filesystem::path& file, const std::vector<std::string>& lineList);

}  // namespace sc

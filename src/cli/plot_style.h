// The plot's page: its width and margins, the font, and one colour per kind of thing shown,
// shared by the plan panel, the profile panel and the legend.
#pragma once

#include <cstddef>
#include <string>

#include "cli/compiled_scenario.h"

namespace sc::plot {

constexpr double kWidth = 1600;
constexpr double kLeft = 90;
constexpr double kRight = 50;
constexpr double kPlotWidth = kWidth - kLeft - kRight;

inline const char* const kFont = "DejaVu Sans, Verdana, Arial, Helvetica, sans-serif";

inline const char* const kLineColour = "#1f3a93";
inline const char* const kTailColour = "#9aa5c8";
inline const char* const kSpeedColour = "#1565c0";
inline const char* const kBoardColour = "#2e7d32";
inline const char* const kGradientColour = "#8d4e1a";
inline const char* const kSignalColour = "#c62828";
inline const char* const kStationColour = "#37474f";
inline const char* const kSlowdownColour = "#ef6c00";
inline const char* const kMountainColour = "#7e57c2";
inline const char* const kTunnelColour = "#212121";
inline const char* const kGridColour = "#e0e0e0";

inline std::string recordText(const CompiledScenario& s, int k) {
  return utf8FromCodePage(s.records[k].text);
}

}  // namespace sc::plot

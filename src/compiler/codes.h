// The markers and verification codes stamped into record 85 and cell 1.
#pragma once

#include <cstdint>
#include <string>

#include "compiler/build.h"

namespace sc {

constexpr int16_t kFormatMagic = 610;
constexpr int16_t kCellMagic = 5121;
inline constexpr const char* kCodeFiller = "ppqqrrssttuuvvwwxxyyzzkkjj";

// Train number, then scenario name, lowered, then the filler.
std::string codeText(const std::string& trainNumber, const std::string& scenarioName);
int32_t codice_gara_og(const RecordTable& records);
int32_t codice_gara_st(const RecordTable& records);

// Stamps 610, 5121 and the two codes. Returns 0, or 1250 / 1251 when a slot was already in
// use, in which case the caller shows the number through errore and writes nothing.
int32_t stampScenario(Build& b);

}  // namespace sc

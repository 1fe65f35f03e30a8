// The writers of the scenario's five texts. Each replaces its file in files.folder.
#pragma once

#include <span>

#include "compiler/build.h"

namespace sc {

// The fixed lines of each text, in file order.
std::span<const char* const> lineDescriptionText();   // 219 lines
std::span<const char* const> trainDescriptionText();  // 210 lines
std::span<const char* const> notesText();             // 9 lines
std::span<const char* const> slowdownOrderText();     // 44 lines
std::span<const char* const> timetableCardText();     // 217 lines

void dati_linea(const ScenarioFiles& files);
void dati_treno(const ScenarioFiles& files);
void dati_note(const ScenarioFiles& files);
void dati_rallentamenti(const ScenarioFiles& files);
void dati_scheda(const ScenarioFiles& files);

// The five texts in the build's fixed order: line, train, notes, slowdown order, card.
void writeScenarioTexts(const ScenarioFiles& files);

}  // namespace sc

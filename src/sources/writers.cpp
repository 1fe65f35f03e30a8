#include "sources/writers.h"

#include "sources/line_list.h"

namespace sc {

void dati_linea(const ScenarioFiles& files) {
  writeLineList(files.lineDescription(), makeLineList(lineDescriptionText()));
}

void dati_treno(const ScenarioFiles& files) {
  writeLineList(files.trainDescription(), makeLineList(trainDescriptionText()));
}

void dati_note(const ScenarioFiles& files) {
  writeLineList(files.notes(), makeLineList(notesText()));
}

void dati_rallentamenti(const ScenarioFiles& files) {
  writeLineList(files.slowdownOrder(), makeLineList(slowdownOrderText()));
}

void dati_scheda(const ScenarioFiles& files) {
  writeLineList(files.timetableCard(), makeLineList(timetableCardText()));
}

void writeScenarioTexts(const ScenarioFiles& files) {
  dati_linea(files);
  dati_treno(files);
  dati_note(files);
  dati_rallentamenti(files);
  dati_scheda(files);
}

}  // namespace sc

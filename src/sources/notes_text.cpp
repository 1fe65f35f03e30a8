// The scenario notes for the driver of train 565. 9 lines in file order.
#include "sources/writers.h"

namespace sc {
namespace {

// clang-format off
const char* const kLines[] = {
    "Treno Intercity 565 \"Val Mirano\" da Torvel a Dolvera Centrale ",
    "(Simulazione della tratta Torvel - Dolvera Centrale).",
    "Il treno parte da Torvel con un ritardo di 19 minuti.",
    "Buon divertimento",
    "",
    "                   Lorenzo Fabbrini",
    "                  (lorenzo.fabbrini@example.org)",
    "Orario Giugno 2001",
    "1R ",
};
// clang-format on

}  // namespace

std::span<const char* const> notesText() {
  return kLines;
}

}  // namespace sc

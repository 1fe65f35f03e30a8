// The waiting window and errore's box as every windowed platform shows them: the form's
// layout in pixels at 96 dpi (15 twips to the pixel), its texts, and the program's title.
#pragma once

namespace sc::form {

constexpr int kFormWidth = 280;   // 4200 twips
constexpr int kFormHeight = 179;  // 2688 twips
constexpr int kLabelLeft = 64;    // 960 twips
constexpr int kLabelTop = 64;     // 960 twips
constexpr int kLabelWidth = 177;  // 2652 twips (176.8 pixels)
constexpr int kLabelHeight = 53;  // 792 twips (52.8 pixels)
constexpr const char* kFormCaption = "Form1";
constexpr const char* kLabelText = "Attendere";
// Label1's font: 24 points bold, at 96 dpi whatever the screen says (the form is laid out in
// pixels, so the text keeps its size in pixels too).
constexpr const char* kLabelFont = "MS Sans Serif";
constexpr int kLabelPoints = 24;
// The title of errore's box: the program's own.
constexpr const char* kBoxTitle = "scenario-compactor";

}  // namespace sc::form

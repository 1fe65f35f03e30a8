// The exit statuses of the program and its commands, each written once.
#pragma once

namespace sc {

constexpr int kExitClean = 0;          // no fault recorded; inspect and plot: no problem found
constexpr int kExitFaultRecorded = 1;  // the error record holds a fault (or a warning made an
                                       // error); inspect and plot: the files have a problem
constexpr int kExitErrore = 2;         // errore showed 1250 or 1251; nothing compiled is written
constexpr int kExitFileSystem = 3;     // a file could not be read or written, or standard output
constexpr int kExitUsage = 64;         // bad arguments, or an output that would replace an input
constexpr int kExitBadEncoding = 65;   // a text could not be converted to the 8-bit code page

}  // namespace sc

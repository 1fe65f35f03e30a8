// Interrupts (SIGINT, SIGTERM, SIGHUP) end the program cleanly: the private working folders
// and temporary files are removed, a commit of compiled files in progress is finished or put
// back first, and the program ends with 128 + the signal's number.
#pragma once

namespace sc {

// Call once, first thing in main, before any other thread exists.
void handleInterrupts();

}  // namespace sc

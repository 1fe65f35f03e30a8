// Interrupts on Windows: Ctrl+C and Ctrl+Break in the console, the console window closed, the
// user logging off or the system shutting down. The system calls the handler on a thread of
// its own, which may wait for a commit and remove files as the POSIX signal thread does.
#include <windows.h>

#include "compiler/file_io.h"
#include "driver/interrupts.h"

namespace sc {
namespace {

// The statuses of the POSIX build for the nearest signal: 128 + SIGINT, SIGHUP or SIGTERM.
constexpr int kInterrupted = 128 + 2;
constexpr int kHungUp = 128 + 1;
constexpr int kTerminated = 128 + 15;

BOOL WINAPI onConsoleEvent(DWORD event) {
  int status = kTerminated;
  switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
      status = kInterrupted;
      break;
    case CTRL_CLOSE_EVENT:
      status = kHungUp;
      break;
    default:  // CTRL_LOGOFF_EVENT, CTRL_SHUTDOWN_EVENT
      break;
  }
  cleanup::removeAllAndHold();
  ExitProcess(static_cast<UINT>(status));
  return TRUE;
}

}  // namespace

void handleInterrupts() {
  SetConsoleCtrlHandler(onConsoleEvent, TRUE);
}

}  // namespace sc

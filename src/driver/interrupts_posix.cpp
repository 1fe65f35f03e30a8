#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <thread>

#include "compiler/file_io.h"
#include "driver/interrupts.h"

namespace sc {

void handleInterrupts() {
  // The signals are blocked in every thread and taken by one thread of their own, which may
  // then wait for a commit and remove files, neither of which a signal handler could do.
  static sigset_t interrupts;
  sigemptyset(&interrupts);
  sigaddset(&interrupts, SIGINT);
  sigaddset(&interrupts, SIGTERM);
  sigaddset(&interrupts, SIGHUP);
  if (pthread_sigmask(SIG_BLOCK, &interrupts, nullptr) != 0) return;
  std::thread([] {
    int sig = 0;
    while (sigwait(&interrupts, &sig) != 0) {
    }
    cleanup::removeAllAndHold();
    _exit(128 + sig);
  }).detach();
}

}  // namespace sc

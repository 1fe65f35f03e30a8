#include <csignal>
#include <cstdio>
#include <cstring>
#include <iostream>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include "cli/app.h"
#include "driver/driver.h"
#include "driver/interrupts.h"

int main(int argc, char** argv) {
  // A file size limit must turn into a failed write that names the file, not a killed process.
#ifdef SIGXFSZ
  std::signal(SIGXFSZ, SIG_IGN);
#endif
#ifdef _WIN32
  // The program writes its own line ends: no LF is turned into CR LF on the way out.
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
#endif
  sc::handleInterrupts();
  int status = sc::runApp(argc, argv);
  // Output that did not reach its stream (a full disk, a closed stream) is a failure.
  errno = 0;
  std::cout.flush();
  bool outLost = !std::cout || std::fflush(stdout) != 0 || std::ferror(stdout);
  int outErrno = errno;
  std::cerr.flush();
  bool errLost = !std::cerr || std::fflush(stderr) != 0 || std::ferror(stderr);
  if (outLost) {
    if (!errLost) {
      std::fprintf(stderr, "scenario-compactor: standard output: cannot write%s%s\n",
                   outErrno != 0 ? ": " : "", outErrno != 0 ? std::strerror(outErrno) : "");
      std::fflush(stderr);
    }
    return sc::kExitFileSystem;
  }
  return errLost ? sc::kExitFileSystem : status;
}

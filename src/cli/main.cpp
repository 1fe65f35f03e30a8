#include <csignal>

#include "cli/app.h"

int main(int argc, char** argv) {
  // A file size limit must turn into a failed write that names the file, not a killed process.
  std::signal(SIGXFSZ, SIG_IGN);
  return sc::runApp(argc, argv);
}

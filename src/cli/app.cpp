#include "cli/app.h"

#include <iostream>

#include "driver/driver.h"
#include "driver/platform.h"

namespace sc {

int runApp(int argc, char** argv) {
  (void)argv;
  if (argc > 1) {
    std::cerr << "scenario-compactor: takes no arguments\n";
    return 64;
  }
  auto platform = makePlatform();
  return runDefaultBuild(*platform, programFolder(), std::cerr);
}

}  // namespace sc

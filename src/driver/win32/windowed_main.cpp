// The program as it is started by a double click: no console, only the waiting window; the
// built-in build in the program's folder, ending with the build's status.
#include <windows.h>

#include <sstream>
#include <string>

#include "driver/driver.h"
#include "driver/platform.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  auto platform = sc::makePlatform();
  std::ostringstream err;
  int status = sc::runDefaultBuild(*platform, sc::programFolder(), err);
  // Without a console, a failure that stopped the build (a folder that cannot be written)
  // would go unseen: it is shown in a box instead. errore has shown its own.
  std::string message = err.str();
  while (!message.empty() && message.back() == '\n') message.pop_back();
  if (status == sc::kExitFileSystem && !message.empty()) platform->messageBox(message);
  return status;
}

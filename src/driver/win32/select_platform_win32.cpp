// On Windows there is always a window system: the platform is the Win32 one.
#include "driver/platform.h"
#include "driver/win32/win32_platform.h"

namespace sc {

std::unique_ptr<Platform> makePlatform() {
  return makeWin32Platform();
}

}  // namespace sc

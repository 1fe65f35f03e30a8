#include "driver/platform.h"

namespace sc {

#ifdef SC_HAVE_X11
std::unique_ptr<Platform> makeX11Platform();  // null when no display can be opened
#endif

std::unique_ptr<Platform> makePlatform() {
#ifdef SC_HAVE_X11
  if (auto p = makeX11Platform()) return p;
#endif
  return makeHeadlessPlatform();
}

}  // namespace sc

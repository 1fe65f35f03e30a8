#include <dlfcn.h>

#include <cstdlib>

#include "driver/platform.h"

namespace sc {

#ifdef SC_X11_MODULE
namespace {

// The X11 platform lives in a module of its own, so that a run without a display loads
// nothing of X11 or the font libraries. Its one entry point; null when no display opens.
using MakeX11Platform = Platform* (*)();
constexpr const char* kX11Entry = "sc_make_x11_platform";

std::unique_ptr<Platform> loadX11Platform() {
  const char* display = std::getenv("DISPLAY");
  if (display == nullptr || *display == '\0') return nullptr;
  // The module stays loaded until the program ends: the platform's code lives in it.
  void* module = ::dlopen(SC_X11_MODULE, RTLD_NOW | RTLD_LOCAL);
  if (module == nullptr) return nullptr;
  auto make = reinterpret_cast<MakeX11Platform>(::dlsym(module, kX11Entry));
  if (make == nullptr) return nullptr;
  return std::unique_ptr<Platform>(make());
}

}  // namespace
#endif

std::unique_ptr<Platform> makePlatform() {
#ifdef SC_X11_MODULE
  if (auto p = loadX11Platform()) return p;
#endif
  return makeHeadlessPlatform();
}

}  // namespace sc

#include <dlfcn.h>

#include <cstdlib>
#include <filesystem>

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
  // Beside the program first (a program copied with its module), then where the build put
  // it. The module stays loaded until the program ends: the platform's code lives in it.
  const std::filesystem::path built = SC_X11_MODULE;
  void* module = nullptr;
  for (const std::filesystem::path& at : {programFolder() / built.filename(), built}) {
    module = ::dlopen(at.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module != nullptr) break;
  }
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

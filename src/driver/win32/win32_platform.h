// The Windows platform: the waiting window and errore's box through the system's own windows.
#pragma once

#include <memory>

#include "driver/platform.h"

namespace sc {

std::unique_ptr<Platform> makeWin32Platform();

}  // namespace sc

// The Windows platform: the waiting window and errore's box through the system's own windows.
#pragma once

#include <windows.h>

#include <memory>

#include "driver/platform.h"

namespace sc {

std::unique_ptr<Platform> makeWin32Platform();

// How wide Label1's text is in a font, as the system measures it (the probe reports it too).
int labelTextAdvance(HDC dc, HFONT font);

}  // namespace sc

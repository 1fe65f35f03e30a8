// Test helper for the window tests: drives the program's own platform code and holds it on
// the screen long enough to be looked at.
//
//   x11_probe window       shows the waiting window, prints "shown", holds it until standard
//                          input closes, closes it and exits 0
//   x11_probe errore       shows the waiting window and runs errore(platform, "1250") as the
//                          stamp does, then closes the window and exits 2, as the program does
//   x11_probe delete WIN   asks window WIN to close, as a window manager's close button does
//                          (a WM_DELETE_WINDOW client message)
#include <cstdlib>
#include <iostream>
#include <string>

#include "driver/driver.h"
#include "driver/platform.h"

// After the program's headers: Xlib's macros (None, Success, ...) would clash with their names.
#include <X11/Xlib.h>

namespace {

int askToClose(const char* windowId) {
  Display* dpy = XOpenDisplay(nullptr);
  if (!dpy) {
    std::cerr << "x11_probe: cannot open the display\n";
    return 1;
  }
  XEvent ev{};
  ev.xclient.type = ClientMessage;
  ev.xclient.window = static_cast<Window>(std::strtoul(windowId, nullptr, 0));
  ev.xclient.message_type = XInternAtom(dpy, "WM_PROTOCOLS", False);
  ev.xclient.format = 32;
  ev.xclient.data.l[0] = static_cast<long>(XInternAtom(dpy, "WM_DELETE_WINDOW", False));
  ev.xclient.data.l[1] = CurrentTime;
  XSendEvent(dpy, ev.xclient.window, False, NoEventMask, &ev);
  XSync(dpy, False);
  XCloseDisplay(dpy);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "delete" && argc > 2) return askToClose(argv[2]);

  auto platform = sc::makePlatform();
  if (mode == "window") {
    platform->showWaitingWindow();
    std::cout << "font " << platform->describeLabelFont() << "\n";
    std::cout << "shown" << std::endl;
    std::string line;
    while (std::getline(std::cin, line)) {
    }
    platform->closeWaitingWindow();
    return 0;
  }
  if (mode == "errore") {
    platform->showWaitingWindow();
    sc::errore(*platform, "1250");
    platform->closeWaitingWindow();
    return sc::kExitErrore;
  }
  std::cerr << "usage: x11_probe window | errore | delete WINDOW-ID\n";
  return 64;
}

// The connection to the X display that the waiting window and the message box share: the
// screen's visual and colours, top-level windows, the sans fonts, and waiting for events.
//
// Losing the display never ends or changes the build: Xlib's fatal I/O error path is turned
// into a flag, after which nothing more is drawn and every wait returns.
#pragma once

#include <X11/Xft/Xft.h>
#include <X11/Xlib.h>

#include <chrono>
#include <optional>
#include <string>

namespace sc::x11 {

using Clock = std::chrono::steady_clock;

struct Rgb {
  unsigned short r, g, b;
};
constexpr Rgb kButtonFace{0xF0, 0xF0, 0xF0};
constexpr Rgb kText{0x00, 0x00, 0x00};
constexpr Rgb kHighlight{0xFF, 0xFF, 0xFF};
constexpr Rgb kLight{0xE3, 0xE3, 0xE3};
constexpr Rgb kShadow{0xA0, 0xA0, 0xA0};
constexpr Rgb kDarkShadow{0x69, 0x69, 0x69};

class Session {
 public:
  explicit Session(Display* display);
  ~Session() { close(); }
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // False once the display is closed or lost: then nothing is drawn any more.
  bool usable() const { return dpy_ != nullptr && !lost_; }
  Display* display() const { return dpy_; }
  Visual* visual() const { return visual_; }
  Colormap colormap() const { return colormap_; }

  Atom atom(const char* name);
  XftColor color(Rgb c);

  // A top-level window; a dialog is centred on the screen, keeps its size, is modal and, when
  // it has an owner, transient for it.
  Window createTopLevel(int width, int height, const char* title, bool dialog, long events,
                        std::optional<Window> owner);
  // Whether a client message is the window manager's close of one of our windows.
  bool isCloseRequest(const XClientMessageEvent& e) const;

  // The form's font "MS Sans Serif" or its nearest substitute, in the Xft style given.
  XftFont* openSansFont(const std::string& style);
  int textWidth(XftFont* font, const std::string& s);

  // The next event, waiting at most until the deadline (none: as long as it takes). False when
  // the deadline passes or the display is gone.
  bool nextEvent(XEvent& ev, std::optional<Clock::time_point> deadline);

  // Ends the connection; what is drawn is destroyed by the server with it.
  void close();

 private:
  static void displayLost(Display*, void* self);
  void setWindowManagerHints(Window w, int x, int y, int width, int height, const char* title,
                             bool dialog);
  void setWindowProperties(Window w, const char* title, bool dialog, std::optional<Window> owner);

  Display* dpy_;
  bool lost_ = false;
  int screen_ = 0;
  Visual* visual_ = nullptr;
  Colormap colormap_ = None;
  Atom wmProtocols_ = None;
  Atom wmDeleteWindow_ = None;
};

}  // namespace sc::x11

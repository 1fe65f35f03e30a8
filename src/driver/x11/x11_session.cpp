#include "driver/x11/x11_session.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace sc::x11 {
namespace {

// The form's font is "MS Sans Serif". Nearest to it: itself, its TrueType successor, then the
// fonts with Arial's metrics, Liberation Sans first (the one the install script brings), so
// that "Attendere" fills the label as designed; fontconfig's sans-serif when none is there.
constexpr const char* kSansFamilies[] = {
    "MS Sans Serif", "Microsoft Sans Serif", "Liberation Sans", "Arial",
    "Arimo",         "Nimbus Sans",          "Helvetica"};

// Errors of single requests (a window the window manager already destroyed, a focus change
// refused) are of no consequence to the build.
int ignoreXError(Display*, XErrorEvent*) {
  return 0;
}
// Xlib calls this before its exit handler; the message is ours to give (or not).
int quietIOError(Display*) {
  return 0;
}

}  // namespace

Session::Session(Display* display) : dpy_(display) {
  XSetErrorHandler(ignoreXError);
  XSetIOErrorHandler(quietIOError);
  XSetIOErrorExitHandler(dpy_, &Session::displayLost, this);
  screen_ = DefaultScreen(dpy_);
  visual_ = DefaultVisual(dpy_, screen_);
  colormap_ = DefaultColormap(dpy_, screen_);
  wmProtocols_ = atom("WM_PROTOCOLS");
  wmDeleteWindow_ = atom("WM_DELETE_WINDOW");
}

void Session::displayLost(Display*, void* self) {
  static_cast<Session*>(self)->lost_ = true;
}

Atom Session::atom(const char* name) {
  return XInternAtom(dpy_, name, False);
}

XftColor Session::color(Rgb c) {
  XRenderColor rc{static_cast<unsigned short>(c.r * 257), static_cast<unsigned short>(c.g * 257),
                  static_cast<unsigned short>(c.b * 257), 0xFFFF};
  XftColor out{};
  if (!XftColorAllocValue(dpy_, visual_, colormap_, &rc, &out)) {
    out.pixel = c.r + c.g + c.b >= 3 * 128 ? WhitePixel(dpy_, screen_) : BlackPixel(dpy_, screen_);
    out.color = rc;
  }
  return out;  // TrueColor visuals allocate nothing; other visuals keep a few cells until exit
}

Window Session::createTopLevel(int width, int height, const char* title, bool dialog, long events,
                               std::optional<Window> owner) {
  XSetWindowAttributes attrs{};
  attrs.background_pixel = color(kButtonFace).pixel;
  attrs.border_pixel = BlackPixel(dpy_, screen_);
  attrs.event_mask = events;
  int x = 0, y = 0;
  if (dialog) {
    x = std::max(0, (DisplayWidth(dpy_, screen_) - width) / 2);
    y = std::max(0, (DisplayHeight(dpy_, screen_) - height) / 2);
  }
  Window w =
      XCreateWindow(dpy_, RootWindow(dpy_, screen_), x, y, width, height, 0, CopyFromParent,
                    InputOutput, CopyFromParent, CWBackPixel | CWBorderPixel | CWEventMask, &attrs);
  setWindowManagerHints(w, x, y, width, height, title, dialog);
  setWindowProperties(w, title, dialog, owner);
  return w;
}

// The ICCCM hints: size (a dialog's fixed, with its place), input, the class and the title.
void Session::setWindowManagerHints(Window w, int x, int y, int width, int height,
                                    const char* title, bool dialog) {
  XSizeHints* size = XAllocSizeHints();
  XWMHints* wm = XAllocWMHints();
  XClassHint* cls = XAllocClassHint();
  if (size) {
    size->flags = PSize;
    size->width = width;
    size->height = height;
    if (dialog) {  // fixed size and a place of its own; the form goes where new windows go
      size->flags |= PPosition | PMinSize | PMaxSize;
      size->x = x;
      size->y = y;
      size->min_width = size->max_width = width;
      size->min_height = size->max_height = height;
    }
  }
  if (wm) {
    wm->flags = InputHint | StateHint;
    wm->input = True;
    wm->initial_state = NormalState;
  }
  std::string resName = "scenario-compactor", resClass = "Scenario-compactor";
  if (cls) {
    cls->res_name = resName.data();
    cls->res_class = resClass.data();
  }
  XTextProperty name{};
  char* titleText = const_cast<char*>(title);
  if (XStringListToTextProperty(&titleText, 1, &name)) {
    XSetWMProperties(dpy_, w, &name, &name, nullptr, 0, size, wm, cls);
    XFree(name.value);
  }
  XFree(size);
  XFree(wm);
  XFree(cls);
}

// The EWMH properties (UTF-8 title, window type, process, modal state), the close protocol
// and the owner.
void Session::setWindowProperties(Window w, const char* title, bool dialog,
                                  std::optional<Window> owner) {
  std::string utf8Title(title);
  XChangeProperty(dpy_, w, atom("_NET_WM_NAME"), atom("UTF8_STRING"), 8, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(utf8Title.data()),
                  static_cast<int>(utf8Title.size()));
  Atom windowType = atom(dialog ? "_NET_WM_WINDOW_TYPE_DIALOG" : "_NET_WM_WINDOW_TYPE_NORMAL");
  XChangeProperty(dpy_, w, atom("_NET_WM_WINDOW_TYPE"), XA_ATOM, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(&windowType), 1);
  long pid = static_cast<long>(getpid());
  XChangeProperty(dpy_, w, atom("_NET_WM_PID"), XA_CARDINAL, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(&pid), 1);
  // The window manager's close asks us instead of killing the connection: the waiting window
  // ignores it (the build cannot be cut short), the message box takes it as closing.
  XSetWMProtocols(dpy_, w, &wmDeleteWindow_, 1);
  if (owner) XSetTransientForHint(dpy_, w, *owner);
  if (dialog) {
    Atom modal = atom("_NET_WM_STATE_MODAL");
    XChangeProperty(dpy_, w, atom("_NET_WM_STATE"), XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&modal), 1);
  }
}

bool Session::isCloseRequest(const XClientMessageEvent& e) const {
  return e.message_type == wmProtocols_ && static_cast<Atom>(e.data.l[0]) == wmDeleteWindow_;
}

XftFont* Session::openSansFont(const std::string& style) {
  for (const char* family : kSansFamilies) {
    FcPattern* wanted = XftNameParse((family + style).c_str());
    if (!wanted) continue;
    FcResult result;
    FcPattern* found = XftFontMatch(dpy_, screen_, wanted, &result);
    FcPatternDestroy(wanted);
    if (!found) continue;
    FcChar8* got = nullptr;
    bool listed = false;
    if (FcPatternGetString(found, FC_FAMILY, 0, &got) == FcResultMatch) {
      for (const char* f : kSansFamilies) {
        listed = listed || FcStrCmpIgnoreCase(got, reinterpret_cast<const FcChar8*>(f)) == 0;
      }
    }
    if (listed) return XftFontOpenPattern(dpy_, found);  // takes the pattern
    FcPatternDestroy(found);
  }
  return XftFontOpenName(dpy_, screen_, ("sans-serif" + style).c_str());
}

int Session::textWidth(XftFont* font, const std::string& s) {
  if (!font || s.empty()) return 0;
  XGlyphInfo extents{};
  XftTextExtents8(dpy_, font, reinterpret_cast<const FcChar8*>(s.data()),
                  static_cast<int>(s.size()), &extents);
  return extents.xOff;
}

bool Session::nextEvent(XEvent& ev, std::optional<Clock::time_point> deadline) {
  while (usable()) {
    if (XPending(dpy_) > 0) {
      XNextEvent(dpy_, &ev);
      return true;
    }
    if (!usable()) return false;
    int timeout = -1;
    if (deadline) {
      auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(*deadline - Clock::now()).count();
      if (left <= 0) return false;
      timeout = static_cast<int>(left) + 1;
    }
    pollfd pfd{ConnectionNumber(dpy_), POLLIN, 0};
    int ready = poll(&pfd, 1, timeout);
    if (ready < 0 && errno != EINTR) return false;
    // A hang-up that Xlib has not noticed yet: the next XPending reads the end of the stream
    // and raises the I/O error; should it not, the display is gone all the same.
    if (ready > 0 && (pfd.revents & (POLLHUP | POLLERR)) && XPending(dpy_) == 0) {
      lost_ = true;
    }
  }
  return false;
}

void Session::close() {
  if (dpy_ == nullptr) return;
  XCloseDisplay(dpy_);
  dpy_ = nullptr;
}

}  // namespace sc::x11

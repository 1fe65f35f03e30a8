// The waiting window and the message box of errore on X11, drawn with Xlib and Xft.
//
// The program has no event loop of its own: the waiting window is mapped and painted once
// before the build starts and shows that state until the program ends. The message box runs
// a small loop of its own until the user closes it.
//
// Losing the display never ends or changes the build: Xlib's fatal I/O error path is turned
// into a flag, after which the platform draws nothing more and the message box returns.

#include <X11/Xatom.h>
#include <X11/Xft/Xft.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "driver/platform.h"
#include "driver/waiting_window.h"

namespace sc {
namespace {

using Clock = std::chrono::steady_clock;

using namespace form;  // the waiting window's layout and texts
// 24 points bold at 96 dpi whatever the screen says: the form is laid out in pixels, so the
// text keeps its size in pixels too.
constexpr const char* kLabelStyle = ":bold:size=24:dpi=96";

// The message box: the system's dialog font, a push button of the usual size.
constexpr const char* kBoxStyle = ":size=9:dpi=96";
constexpr const char* kButtonText = "OK";
constexpr int kBoxMargin = 18;
constexpr int kBoxMinWidth = 160;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 23;
constexpr int kButtonGap = 16;     // between the text and the button
constexpr int kBottomMargin = 12;  // below the button

// The form's font is "MS Sans Serif". Nearest to it: itself, its TrueType successor, then the
// fonts with Arial's metrics, Liberation Sans first (the one the install script brings), so
// that "Attendere" fills the label as designed; fontconfig's sans-serif when none is there.
constexpr const char* kSansFamilies[] = {
    "MS Sans Serif", "Microsoft Sans Serif", "Liberation Sans", "Arial",
    "Arimo",         "Nimbus Sans",          "Helvetica"};
// The room Label1 leaves for its text: its width less two pixels at the right, so that no
// letter touches the edge; and the smallest pixel size the label's font may be taken down to.
constexpr int kLabelTextRoom = kLabelWidth - 2;
constexpr int kMinLabelPixels = 8;

// How long showWaitingWindow waits for the window to be mapped and exposed.
constexpr auto kMapTimeout = std::chrono::seconds(2);

// Errors of single requests (a window the window manager already destroyed, a focus change
// refused) are of no consequence to the build.
int ignoreXError(Display*, XErrorEvent*) {
  return 0;
}
// Xlib calls this before its exit handler; the message is ours to give (or not).
int quietIOError(Display*) {
  return 0;
}

struct Rgb {
  unsigned short r, g, b;
};
constexpr Rgb kButtonFace{0xF0, 0xF0, 0xF0};
constexpr Rgb kText{0x00, 0x00, 0x00};
constexpr Rgb kHighlight{0xFF, 0xFF, 0xFF};
constexpr Rgb kLight{0xE3, 0xE3, 0xE3};
constexpr Rgb kShadow{0xA0, 0xA0, 0xA0};
constexpr Rgb kDarkShadow{0x69, 0x69, 0x69};

struct BoxLayout {
  std::vector<std::string> lines;
  int width = 0, height = 0;
  int textLeft = 0, textTop = 0, lineHeight = 0;
  int buttonLeft = 0, buttonTop = 0;
};

class X11Platform final : public Platform {
 public:
  explicit X11Platform(Display* display) : dpy_(display) {
    XSetErrorHandler(ignoreXError);
    XSetIOErrorHandler(quietIOError);
    XSetIOErrorExitHandler(dpy_, &X11Platform::displayLost, this);
    screen_ = DefaultScreen(dpy_);
    visual_ = DefaultVisual(dpy_, screen_);
    colormap_ = DefaultColormap(dpy_, screen_);
    wmProtocols_ = atom("WM_PROTOCOLS");
    wmDeleteWindow_ = atom("WM_DELETE_WINDOW");
  }

  ~X11Platform() override { closeDisplay(); }

  X11Platform(const X11Platform&) = delete;
  X11Platform& operator=(const X11Platform&) = delete;

  void showWaitingWindow() override {
    if (!usable() || form_ != None) return;
    labelFont_ = fittingLabelFont();
    form_ = createTopLevel(kFormWidth, kFormHeight, kFormCaption, false,
                           ExposureMask | StructureNotifyMask, std::nullopt);
    formDraw_ = XftDrawCreate(dpy_, form_, visual_, colormap_);
    XMapWindow(dpy_, form_);

    // Paint once the window is on the screen (its first Expose), or after a short wait when no
    // Expose comes (a window manager that keeps it unmapped): the build must not wait long.
    auto deadline = Clock::now() + kMapTimeout;
    XEvent ev;
    while (nextEvent(ev, deadline)) {
      if (ev.type == Expose && ev.xexpose.window == form_ && ev.xexpose.count == 0) break;
    }
    paintForm();
    if (usable()) XSync(dpy_, False);
  }

  void closeWaitingWindow() override { closeDisplay(); }

  void messageBox(const std::string& text) override {
    // Standard error gets the message too, as in a run without a display.
    std::cerr << text << std::endl;
    if (!usable()) return;

    XftFont* font = openSansFont(kBoxStyle);
    BoxLayout layout = layOut(font, text);
    std::optional<Window> owner;
    if (form_ != None) owner = form_;
    Window box = createTopLevel(layout.width, layout.height, kBoxTitle, true,
                                ExposureMask | StructureNotifyMask | KeyPressMask |
                                    ButtonPressMask | ButtonReleaseMask | Button1MotionMask,
                                owner);
    XftDraw* draw = XftDrawCreate(dpy_, box, visual_, colormap_);
    XMapRaised(dpy_, box);

    bool open = true;
    bool armed = false;    // button 1 went down on OK
    bool pressed = false;  // ... and the pointer is on it now
    auto onButton = [&](int x, int y) {
      return x >= layout.buttonLeft && x < layout.buttonLeft + kButtonWidth &&
             y >= layout.buttonTop && y < layout.buttonTop + kButtonHeight;
    };
    XEvent ev;
    while (open && nextEvent(ev, std::nullopt)) {
      if (ev.xany.window == form_) {
        if (ev.type == Expose && ev.xexpose.count == 0) paintForm();
        continue;
      }
      if (ev.xany.window != box) continue;
      switch (ev.type) {
        case MapNotify:
          XSetInputFocus(dpy_, box, RevertToParent, CurrentTime);
          break;
        case Expose:
          if (ev.xexpose.count == 0) paintBox(draw, font, layout, pressed);
          break;
        case KeyPress: {
          KeySym key = XLookupKeysym(&ev.xkey, 0);
          if (key == XK_Return || key == XK_KP_Enter || key == XK_space || key == XK_Escape) {
            open = false;
          }
          break;
        }
        case ButtonPress:
          if (ev.xbutton.button == Button1 && onButton(ev.xbutton.x, ev.xbutton.y)) {
            armed = pressed = true;
            paintBox(draw, font, layout, pressed);
          }
          break;
        case MotionNotify:
          if (armed && pressed != onButton(ev.xmotion.x, ev.xmotion.y)) {
            pressed = !pressed;
            paintBox(draw, font, layout, pressed);
          }
          break;
        case ButtonRelease:
          if (ev.xbutton.button == Button1 && armed) {
            armed = false;
            if (onButton(ev.xbutton.x, ev.xbutton.y)) {
              open = false;
            } else if (pressed) {
              pressed = false;
              paintBox(draw, font, layout, pressed);
            }
          }
          break;
        case ClientMessage:
          if (ev.xclient.message_type == wmProtocols_ &&
              static_cast<Atom>(ev.xclient.data.l[0]) == wmDeleteWindow_) {
            open = false;
          }
          break;
        case DestroyNotify:  // destroyed by someone else: nothing left to wait for
          open = false;
          box = None;
          break;
        default:
          break;
      }
    }

    if (usable()) {
      if (draw) XftDrawDestroy(draw);
      if (box != None) XDestroyWindow(dpy_, box);
      if (font) XftFontClose(dpy_, font);
      XSync(dpy_, False);
    }
  }

 private:
  static void displayLost(Display*, void* self) { static_cast<X11Platform*>(self)->lost_ = true; }

  bool usable() const { return dpy_ != nullptr && !lost_; }

  Atom atom(const char* name) { return XInternAtom(dpy_, name, False); }

  XftColor color(Rgb c) {
    XRenderColor rc{static_cast<unsigned short>(c.r * 257), static_cast<unsigned short>(c.g * 257),
                    static_cast<unsigned short>(c.b * 257), 0xFFFF};
    XftColor out{};
    if (!XftColorAllocValue(dpy_, visual_, colormap_, &rc, &out)) {
      out.pixel =
          c.r + c.g + c.b >= 3 * 128 ? WhitePixel(dpy_, screen_) : BlackPixel(dpy_, screen_);
      out.color = rc;
    }
    return out;  // TrueColor visuals allocate nothing; other visuals keep a few cells until exit
  }

  // A top-level window; a dialog is centred on the screen, keeps its size, is modal and, when
  // it has an owner, transient for it.
  Window createTopLevel(int width, int height, const char* title, bool dialog, long events,
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
    Window w = XCreateWindow(dpy_, RootWindow(dpy_, screen_), x, y, width, height, 0,
                             CopyFromParent, InputOutput, CopyFromParent,
                             CWBackPixel | CWBorderPixel | CWEventMask, &attrs);

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
    return w;
  }

  // Label1: the text at the label's top-left, clipped to the label's box.
  void paintForm() {
    if (!usable() || formDraw_ == nullptr) return;
    XftColor face = color(kButtonFace), ink = color(kText);
    XRectangle box{kLabelLeft, kLabelTop, kLabelWidth, kLabelHeight};
    XftDrawSetClipRectangles(formDraw_, 0, 0, &box, 1);
    XftDrawRect(formDraw_, &face, kLabelLeft, kLabelTop, kLabelWidth, kLabelHeight);
    if (labelFont_) {
      XftDrawString8(formDraw_, &ink, labelFont_, kLabelLeft, kLabelTop + labelFont_->ascent,
                     reinterpret_cast<const FcChar8*>(kLabelText),
                     static_cast<int>(std::char_traits<char>::length(kLabelText)));
    }
    XftDrawSetClip(formDraw_, nullptr);
    XFlush(dpy_);
  }

  // Label1's font: the substitute for "MS Sans Serif", 24 points bold. When even that draws
  // "Attendere" wider than the label leaves room for, the size goes down a pixel at a time
  // until the word fits, rather than clip its last letter; that is said on standard error once.
  XftFont* fittingLabelFont() {
    XftFont* font = openSansFont(kLabelStyle);
    int first = textWidth(font, kLabelText);
    int pixels = font ? static_cast<int>(font->height) : 0;
    double size = 0;
    if (font && FcPatternGetDouble(font->pattern, FC_PIXEL_SIZE, 0, &size) == FcResultMatch) {
      pixels = static_cast<int>(size + 0.5);
    }
    int drawn = pixels;
    while (font && textWidth(font, kLabelText) > kLabelTextRoom && drawn > kMinLabelPixels) {
      --drawn;
      XftFont* smaller = openSansFont(":bold:pixelsize=" + std::to_string(drawn));
      if (!smaller) break;
      XftFontClose(dpy_, font);
      font = smaller;
    }
    if (drawn != pixels) {
      std::cerr << "scenario-compactor: \"" << kLabelText << "\" is " << first
                << " pixels wide in the label's font, more than the " << kLabelTextRoom
                << " Label1 has; drawn " << drawn << " pixels high instead of " << pixels << "\n";
    }
    return font;
  }

  std::string describeLabelFont() const override {
    if (!labelFont_) return {};
    FcChar8* family = nullptr;
    double size = 0;
    FcPatternGetString(labelFont_->pattern, FC_FAMILY, 0, &family);
    FcPatternGetDouble(labelFont_->pattern, FC_PIXEL_SIZE, 0, &size);
    return std::string(family ? reinterpret_cast<const char*>(family) : "?") + ", " +
           std::to_string(static_cast<int>(size + 0.5)) + " px, advance " +
           std::to_string(const_cast<X11Platform*>(this)->textWidth(labelFont_, kLabelText));
  }

  XftFont* openSansFont(const std::string& style) {
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

  int textWidth(XftFont* font, const std::string& s) {
    if (!font || s.empty()) return 0;
    XGlyphInfo extents{};
    XftTextExtents8(dpy_, font, reinterpret_cast<const FcChar8*>(s.data()),
                    static_cast<int>(s.size()), &extents);
    return extents.xOff;
  }

  BoxLayout layOut(XftFont* font, const std::string& text) {
    BoxLayout l;
    size_t start = 0;
    while (true) {
      size_t end = text.find('\n', start);
      l.lines.push_back(text.substr(start, end == std::string::npos ? end : end - start));
      if (end == std::string::npos) break;
      start = end + 1;
    }
    int widest = 0;
    for (const std::string& line : l.lines) widest = std::max(widest, textWidth(font, line));
    l.lineHeight = font ? font->ascent + font->descent : 14;
    l.width = std::max({widest + 2 * kBoxMargin, kButtonWidth + 2 * kBoxMargin, kBoxMinWidth});
    l.textLeft = kBoxMargin;
    l.textTop = kBoxMargin;
    l.buttonTop = l.textTop + static_cast<int>(l.lines.size()) * l.lineHeight + kButtonGap;
    l.buttonLeft = (l.width - kButtonWidth) / 2;
    l.height = l.buttonTop + kButtonHeight + kBottomMargin;
    return l;
  }

  void frame(XftDraw* d, XftColor& topLeft, XftColor& bottomRight, int x, int y, int w, int h) {
    XftDrawRect(d, &topLeft, x, y, w - 1, 1);
    XftDrawRect(d, &topLeft, x, y, 1, h - 1);
    XftDrawRect(d, &bottomRight, x, y + h - 1, w, 1);
    XftDrawRect(d, &bottomRight, x + w - 1, y, 1, h);
  }

  // The text, and OK as the default button holding the focus: a black frame around a raised
  // (or, while held down, flat) face, a dotted focus rectangle inside.
  void paintBox(XftDraw* d, XftFont* font, const BoxLayout& l, bool pressed) {
    if (!usable()) return;
    XftColor face = color(kButtonFace), ink = color(kText), hi = color(kHighlight),
             light = color(kLight), shadow = color(kShadow), dark = color(kDarkShadow);
    XftDrawRect(d, &face, 0, 0, l.width, l.height);
    if (font) {
      int y = l.textTop + font->ascent;
      for (const std::string& line : l.lines) {
        XftDrawString8(d, &ink, font, l.textLeft, y, reinterpret_cast<const FcChar8*>(line.data()),
                       static_cast<int>(line.size()));
        y += l.lineHeight;
      }
    }
    int x = l.buttonLeft, y = l.buttonTop, w = kButtonWidth, h = kButtonHeight;
    frame(d, ink, ink, x, y, w, h);
    if (pressed) {
      frame(d, shadow, shadow, x + 1, y + 1, w - 2, h - 2);
    } else {
      frame(d, hi, dark, x + 1, y + 1, w - 2, h - 2);
      frame(d, light, shadow, x + 2, y + 2, w - 4, h - 4);
    }
    int shift = pressed ? 1 : 0;
    if (font) {
      int tx = x + (w - textWidth(font, kButtonText)) / 2 + shift;
      int ty = y + (h - (font->ascent + font->descent)) / 2 + font->ascent + shift;
      XftDrawString8(d, &ink, font, tx, ty, reinterpret_cast<const FcChar8*>(kButtonText), 2);
    }
    for (int i = x + 4; i < x + w - 4; i += 2) {
      XftDrawRect(d, &ink, i, y + 4, 1, 1);
      XftDrawRect(d, &ink, i, y + h - 5, 1, 1);
    }
    for (int j = y + 4; j < y + h - 4; j += 2) {
      XftDrawRect(d, &ink, x + 4, j, 1, 1);
      XftDrawRect(d, &ink, x + w - 5, j, 1, 1);
    }
    XFlush(dpy_);
  }

  // The next event, waiting at most until the deadline (none: as long as it takes). False when
  // the deadline passes or the display is gone.
  bool nextEvent(XEvent& ev, std::optional<Clock::time_point> deadline) {
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

  void closeDisplay() {
    if (dpy_ == nullptr) return;
    if (!lost_) {
      if (formDraw_) XftDrawDestroy(formDraw_);
      if (labelFont_) XftFontClose(dpy_, labelFont_);
      if (form_ != None) XDestroyWindow(dpy_, form_);
      XSync(dpy_, False);
    }
    formDraw_ = nullptr;
    labelFont_ = nullptr;
    form_ = None;
    XCloseDisplay(dpy_);
    dpy_ = nullptr;
  }

  Display* dpy_;
  bool lost_ = false;
  int screen_ = 0;
  Visual* visual_ = nullptr;
  Colormap colormap_ = None;
  Atom wmProtocols_ = None;
  Atom wmDeleteWindow_ = None;
  Window form_ = None;
  XftDraw* formDraw_ = nullptr;
  XftFont* labelFont_ = nullptr;
};

}  // namespace

}  // namespace sc

// The module's entry point (loaded on demand by the platform choice): a new platform on the
// display, or null when none can be opened. Nothing thrown leaves the module.
extern "C" __attribute__((visibility("default"))) sc::Platform* sc_make_x11_platform() noexcept {
  try {
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) return nullptr;
    return new sc::X11Platform(display);
  } catch (...) {
    return nullptr;
  }
}
